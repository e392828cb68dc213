// Draws the skin of Kelvane Control: every bitmap of resources/skin at 1x and 2x, the icon's sizes and
// skin.qrc. All bitmaps are painted from the palette in controls/Skin.h; nothing is taken from elsewhere.
#include "app/TarnLayout.h"
#include "controls/DialogUnits.h"
#include "controls/Skin.h"
#include "pages/SysLayout.h"
#include "pages/SysPanel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <map>

using namespace kel;

namespace {

using Painter = std::function<void(QPainter&, const QSizeF&)>;

struct Bitmap {
    QSize size; // logical pixels
    Painter paint;
};

QColor C(QRgb rgb) {
    return QColor::fromRgba(rgb);
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t,
                            a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QRect WindowRect(int id) {
    const tarn::DluRect r = tarn::RectOf(id);
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}

// The dark bar at the top of the window: flat navy with a light rule at its foot.
constexpr int kBarHeight = 28;

void PaintBar(QPainter& p, const QRectF& area) {
    p.fillRect(area, C(skin::kNavy));
}

// A horizontal slider groove over a flat background; `fill` colours the groove (active part).
void PaintHorizontalChannel(QPainter& p, const QSizeF& s, const QColor& background, const QColor& groove,
                            const QColor& fill, bool active) {
    p.fillRect(QRectF(QPointF(0, 0), s), background);
    const double h = 5;
    const QRectF g(4, (s.height() - h) / 2, s.width() - 8, h);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Mix(groove, background, 0.5).lighter(160), 1));
    p.setBrush(groove);
    p.drawRoundedRect(g.adjusted(-0.5, -0.5, 0.5, 0.5), 3, 3);
    if (active) {
        QLinearGradient lg(g.topLeft(), g.bottomLeft());
        lg.setColorAt(0, fill.lighter(125));
        lg.setColorAt(1, fill.darker(115));
        p.setBrush(lg);
        p.drawRoundedRect(g.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(g.left() + 2, g.bottom() + 1), QPointF(g.right() - 2, g.bottom() + 1));
}

// A fader knob standing upright (horizontal sliders), transparent around it.
void PaintUprightKnob(QPainter& p, const QSizeF& s) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, s.width() - 1, s.height() - 1);
    QLinearGradient lg(r.topLeft(), r.topRight());
    lg.setColorAt(0, C(skin::kFaceLight));
    lg.setColorAt(0.5, QColor(255, 255, 255));
    lg.setColorAt(1, C(skin::kFaceShadow));
    p.setPen(QPen(C(skin::kSlate), 1));
    p.setBrush(lg);
    p.drawRoundedRect(r, 2.5, 2.5);
    p.setPen(QPen(C(skin::kSlate), 1.4));
    p.drawLine(QPointF(s.width() / 2, 4), QPointF(s.width() / 2, s.height() - 4));
}

// The cap of the vertical gain fader of a band strip.
void PaintFaderCap(QPainter& p, const QSizeF& s) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, s.width() - 1, s.height() - 1);
    QLinearGradient lg(r.topLeft(), r.bottomLeft());
    lg.setColorAt(0, QColor(255, 255, 255));
    lg.setColorAt(0.55, C(skin::kFace));
    lg.setColorAt(1, C(skin::kFaceShadow));
    p.setPen(QPen(C(skin::kSlate), 1));
    p.setBrush(lg);
    p.drawRoundedRect(r, 2, 2);
    p.setPen(QPen(C(skin::kTeal), 1.5));
    p.drawLine(QPointF(3, s.height() / 2), QPointF(s.width() - 3, s.height() / 2));
}

// The band strip's gain channel: a scale on the left, the groove under the thumb on the right.
void PaintStripChannel(QPainter& p, const QSizeF& s) {
    p.fillRect(QRectF(QPointF(0, 0), s), C(skin::kFace));
    // Thumb column starts at the slider's left margin (18); thumb 21 × 11, margins top 1 and bottom 2.
    const double thumbLeft = 18, thumbHeight = 11, top = 1, bottom = 2;
    const double cx = thumbLeft + (s.width() - thumbLeft) / 2;
    const double y0 = top + thumbHeight / 2, y1 = s.height() - bottom - thumbHeight / 2;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(C(skin::kSlate));
    p.drawRoundedRect(QRectF(cx - 2, y0 - 2, 4, y1 - y0 + 4), 2, 2);
    // Ticks every 6 dB from +12 (top) to -24 (bottom); the 0 dB tick is the long one.
    p.setPen(QPen(C(skin::kSlate), 1));
    for (int db = 12; db >= -24; db -= 6) {
        const double t = (12.0 - db) / 36.0;
        const double y = std::floor(y0 + t * (y1 - y0)) + 0.5;
        const double len = db == 0 ? 14 : 8;
        p.drawLine(QPointF(16 - len, y), QPointF(16, y));
    }
}

void PaintTextButton(QPainter& p, const QSizeF& s, const QColor& outline, double width, bool disabled) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), s)
                         .adjusted(width / 2 + 0.5, width / 2 + 0.5, -width / 2 - 0.5, -width / 2 - 0.5);
    QLinearGradient lg(r.topLeft(), r.bottomLeft());
    lg.setColorAt(0, disabled ? C(skin::kFace) : QColor(255, 255, 255));
    lg.setColorAt(1, disabled ? C(skin::kFace) : C(skin::kFace));
    p.setPen(QPen(outline, width));
    p.setBrush(lg);
    p.drawRoundedRect(r, 4, 4);
}

void PaintSign(QPainter& p, const QSizeF& s, bool minus, bool disabled) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(1, 1, -1, -1);
    QRadialGradient rg(r.center() - QPointF(2, 3), r.width() * 0.8);
    rg.setColorAt(0, QColor(255, 255, 255));
    rg.setColorAt(1, C(skin::kFace));
    p.setPen(QPen(disabled ? C(skin::kFaceShadow) : C(skin::kSlate), 1.2));
    p.setBrush(rg);
    p.drawEllipse(r);
    const QColor ink = disabled ? C(skin::kFaceShadow) : (minus ? C(skin::kRed) : C(skin::kSlate));
    p.setPen(QPen(ink, s.width() / 8, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = r.center();
    const double a = r.width() * 0.26;
    p.drawLine(c - QPointF(a, 0), c + QPointF(a, 0));
    if (!minus) {
        p.drawLine(c - QPointF(0, a), c + QPointF(0, a));
    }
}

void PaintSelector(QPainter& p, const QSizeF& s, bool on) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(1, 1, -1, -1);
    const QColor base = on ? C(skin::kOrange) : QColor(0xE9, 0xEC, 0xEF);
    QLinearGradient lg(r.topLeft(), r.bottomLeft());
    lg.setColorAt(0, base.lighter(112));
    lg.setColorAt(1, base.darker(106));
    p.setPen(QPen(on ? base.darker(130) : C(skin::kOutline), 1));
    p.setBrush(lg);
    p.drawRoundedRect(r, 4, 4);
}

void PaintSwitch(QPainter& p, const QSizeF& s, bool on, bool disabled) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(1, 1, -1, -1);
    const double radius = r.height() / 2;
    QColor track = on ? C(skin::kTeal) : C(skin::kFaceShadow);
    if (disabled) {
        track = Mix(track, C(skin::kFace), 0.6);
    }
    p.setPen(QPen(track.darker(125), 1));
    p.setBrush(track);
    p.drawRoundedRect(r, radius, radius);
    const double d = r.height() - 4;
    const QRectF knob(on ? r.right() - 2 - d : r.left() + 2, r.top() + 2, d, d);
    p.setPen(QPen(C(skin::kFaceShadow), 0.8));
    p.setBrush(disabled ? C(skin::kFace) : QColor(255, 255, 255));
    p.drawEllipse(knob);
}

void PaintMute(QPainter& p, const QSizeF& s, bool lit) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(C(skin::kSteel), 1));
    p.setBrush(C(skin::kSlate));
    p.drawRoundedRect(r, 3, 3);
    const double d = std::min(s.width(), s.height()) * 0.56;
    const QRectF lamp(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
    QRadialGradient rg(lamp.center() - QPointF(d * 0.15, d * 0.2), d * 0.7);
    if (lit) {
        rg.setColorAt(0, QColor(255, 190, 180));
        rg.setColorAt(0.45, C(skin::kRed));
        rg.setColorAt(1, C(skin::kRed).darker(150));
    } else {
        rg.setColorAt(0, QColor(0x6A, 0x3A, 0x38));
        rg.setColorAt(1, QColor(0x33, 0x1C, 0x1C));
    }
    p.setPen(QPen(QColor(0, 0, 0, 120), 0.8));
    p.setBrush(rg);
    p.drawEllipse(lamp);
}

void PaintHand(QPainter& p, const QSizeF&) {
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, 1, 6, 18), 3, 3); // index finger, tip at (11, 1)
    hand.addRoundedRect(QRectF(13, 8, 5, 12), 2.5, 2.5);
    hand.addRoundedRect(QRectF(17, 9, 5, 11), 2.5, 2.5);
    hand.addRoundedRect(QRectF(21, 10.5, 5, 10), 2.5, 2.5);
    hand.addRoundedRect(QRectF(8, 13, 18, 16), 5, 5); // palm
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-3, -2.5, 11, 5), 2.5, 2.5);
    QTransform t;
    t.translate(6, 19);
    t.rotate(45);
    hand = hand.united(t.map(thumb)).simplified();
    p.setPen(QPen(Qt::black, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand);
}

void PaintWindowBackground(QPainter& p, const QSizeF& s) {
    p.fillRect(QRectF(QPointF(0, 0), s), C(skin::kFace));
    PaintBar(p, QRectF(0, 0, s.width(), kBarHeight));
    p.fillRect(QRectF(0, kBarHeight - 1, s.width(), 1), C(skin::kSteel));
    p.setRenderHint(QPainter::Antialiasing);
    // Light wells under the three volume values (black text), a dark panel under the status line.
    for (int id : {tarn::IDC_MUSIC_VALUE, tarn::IDC_MIC_VALUE, tarn::IDC_EFFECT_VALUE}) {
        const QRectF r = QRectF(WindowRect(id)).adjusted(-2, -1, 2, 1);
        p.setPen(QPen(C(skin::kSteel), 1));
        p.setBrush(C(skin::kDisplayWell));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
    const QRectF status = QRectF(WindowRect(tarn::IDC_STATUS)).adjusted(-4, -2, 4, 2);
    p.setPen(QPen(C(skin::kSteel), 1));
    p.setBrush(C(skin::kStatusPanel));
    p.drawRoundedRect(status.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

QRectF SystemPageRect(const PageRect& r) {
    // Page coordinates to bitmap coordinates: the page draws the bitmap at its background origin.
    return QRectF(
        DialogUnits::Get().Rect(r.x, r.y, r.w, r.h).translated(-sys::kBackgroundX, -sys::kBackgroundY));
}

// The system page's background: the "Setting" panel (its title is a control) with wells under the seven
// value displays, and the meter panel with its title, the recess behind the meters and their numbers.
void PaintSystemBackground(QPainter& p, const QSizeF&, const QString& meterTitle) {
    p.setRenderHint(QPainter::Antialiasing);
    const double band = DialogUnits::Get().Y(sys::kGroupTitleDlu);
    sys::PaintPanel(p, SystemPageRect(sys::RectOf(sys::IDC_SETTING_GROUP)), band);
    for (int id = sys::IDC_EFFECT_MAX_VALUE; id <= sys::IDC_OPTI_GAIN_VALUE; ++id) {
        const QRectF r = SystemPageRect(sys::RectOf(id)).adjusted(1, 0, -1, 0);
        p.setPen(QPen(C(skin::kFaceShadow), 1));
        p.setBrush(C(skin::kDisplayWell));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }

    const QRectF panel = SystemPageRect(sys::kMeterPanel);
    sys::PaintPanel(p, panel, band);
    QFont f = DialogFont();
    f.setBold(true);
    p.setFont(f);
    p.setPen(C(skin::kTextOnDark));
    p.drawText(QRectF(panel.left() + 8, panel.top(), panel.width() - 16, band),
               Qt::AlignLeft | Qt::AlignVCenter, meterTitle);

    const QRectF first = SystemPageRect(sys::MeterRect(0));
    const QRectF last = SystemPageRect(sys::MeterRect(sys::kMeterCount - 1));
    const QRectF recess = QRectF(first.topLeft(), last.bottomRight()).adjusted(-7, -6, 7, 4);
    p.setPen(QPen(C(skin::kSteel), 1));
    p.setBrush(C(skin::kNavy));
    p.drawRoundedRect(recess.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

    QFont small = DialogFont();
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(C(skin::kText));
    for (int i = 0; i < sys::kMeterCount; ++i) {
        const PageRect meter = sys::MeterRect(i);
        const QRectF number =
            SystemPageRect({meter.x - 2, sys::kMeterNumberY, meter.w + 4, sys::kMeterNumberH});
        p.drawText(number, Qt::AlignCenter, QString::number(i + 1));
    }
}

void PaintWordmark(QPainter& p, const QSizeF& s) {
    p.setRenderHint(QPainter::Antialiasing);
    // A small response curve beside the name.
    QPainterPath wave;
    const double h = s.height();
    wave.moveTo(4, h * 0.62);
    wave.cubicTo(14, h * 0.62, 16, h * 0.2, 26, h * 0.25);
    wave.cubicTo(34, h * 0.3, 36, h * 0.8, 46, h * 0.7);
    wave.cubicTo(52, h * 0.62, 54, h * 0.45, 58, h * 0.45);
    p.setPen(QPen(C(skin::kTeal), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);
    QFont f = DialogFont();
    f.setPixelSize(static_cast<int>(h * 0.42));
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(f);
    p.setPen(C(skin::kSlate));
    p.drawText(QRectF(64, 0, s.width() - 64, h), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KELVANE"));
}

void PaintIcon(QPainter& p, const QSizeF& s) {
    p.setRenderHint(QPainter::Antialiasing);
    const double u = s.width() / 64.0;
    const QRectF r(2 * u, 2 * u, 60 * u, 60 * u);
    QLinearGradient lg(r.topLeft(), r.bottomLeft());
    lg.setColorAt(0, C(skin::kSlate));
    lg.setColorAt(1, C(skin::kNavy));
    p.setPen(QPen(C(skin::kSteel), 1.5 * u));
    p.setBrush(lg);
    p.drawRoundedRect(r, 12 * u, 12 * u);
    // Three fader tracks with their knobs.
    const double xs[3] = {17, 32, 47};
    const double ks[3] = {38, 24, 33};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(0, 0, 0, 150), 3 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(xs[i] * u, 13 * u), QPointF(xs[i] * u, 51 * u));
        p.setPen(Qt::NoPen);
        p.setBrush(i == 1 ? C(skin::kYellow) : C(skin::kTeal));
        p.drawRoundedRect(QRectF((xs[i] - 6) * u, (ks[i] - 3.5) * u, 12 * u, 7 * u), 2 * u, 2 * u);
    }
}

std::map<int, Bitmap> Skin() {
    const DialogUnits& du = DialogUnits::Get();
    const QSize volume = WindowRect(tarn::IDC_MUSIC_SLIDER).size();
    const QSize mute = WindowRect(tarn::IDC_MUSIC_MUTE).size();
    const QSize button = WindowRect(tarn::IDC_CONNECT).size();
    const QSize window = du.Size(tarn::kWindowWidthDlu, tarn::kWindowHeightDlu);
    const QSize stripChannel = du.Rect(0, 42, 22, 66).size(); // gain slider of a band strip
    const QSize pageChannel(160, 19);
    const QSize knob(11, volume.height());
    const QColor navy = C(skin::kNavy), face = C(skin::kFace);
    std::map<int, Bitmap> m;
    m[IDI_APP] = {{64, 64}, PaintIcon};
    m[IDB_VOLUME_THUMB] = {knob, PaintUprightKnob};
    m[IDB_VOLUME_CHANNEL] = {volume, [=](QPainter& p, const QSizeF& s) {
                                 PaintHorizontalChannel(p, s, navy, QColor(0x0B, 0x11, 0x18), C(skin::kTeal),
                                                        false);
                             }};
    m[IDB_VOLUME_CHANNEL_ACTIVE] = {volume, [=](QPainter& p, const QSizeF& s) {
                                        PaintHorizontalChannel(p, s, navy, QColor(0x0B, 0x11, 0x18),
                                                               C(skin::kTeal), true);
                                    }};
    m[IDB_STRIP_THUMB] = {{21, 11}, PaintFaderCap};
    m[IDB_STRIP_CHANNEL] = {stripChannel, PaintStripChannel};
    m[IDB_SLIDER_THUMB] = {{11, 19}, PaintUprightKnob};
    m[IDB_SLIDER_CHANNEL] = {pageChannel, [=](QPainter& p, const QSizeF& s) {
                                 PaintHorizontalChannel(p, s, face, C(skin::kFaceShadow), C(skin::kTeal),
                                                        false);
                             }};
    m[IDB_SLIDER_CHANNEL_ACTIVE] = {pageChannel, [=](QPainter& p, const QSizeF& s) {
                                        PaintHorizontalChannel(p, s, face, C(skin::kFaceShadow),
                                                               C(skin::kTeal), true);
                                    }};
    m[IDC_HAND] = {{32, 32}, PaintHand};
    m[IDB_BUTTON_OFF] = {
        button, [](QPainter& p, const QSizeF& s) { PaintTextButton(p, s, C(skin::kOutline), 1.5, false); }};
    m[IDB_BUTTON_ON] = {
        button, [](QPainter& p, const QSizeF& s) { PaintTextButton(p, s, C(skin::kYellow), 2.5, false); }};
    m[IDB_BUTTON_DISABLED] = {button, [](QPainter& p, const QSizeF& s) {
                                  PaintTextButton(p, s, Mix(C(skin::kOutline), C(skin::kFace), 0.5), 1.0,
                                                  true);
                              }};
    m[IDB_SIGN_PLUS] = {{20, 20}, [](QPainter& p, const QSizeF& s) { PaintSign(p, s, false, false); }};
    m[IDB_SIGN_MINUS] = {{20, 20}, [](QPainter& p, const QSizeF& s) { PaintSign(p, s, true, false); }};
    m[IDB_SIGN_PLUS_DISABLED] = {{20, 20},
                                 [](QPainter& p, const QSizeF& s) { PaintSign(p, s, false, true); }};
    m[IDB_SIGN_MINUS_DISABLED] = {{20, 20},
                                  [](QPainter& p, const QSizeF& s) { PaintSign(p, s, true, true); }};
    m[IDB_SELECTOR_OFF] = {button, [](QPainter& p, const QSizeF& s) { PaintSelector(p, s, false); }};
    m[IDB_SELECTOR_ON] = {button, [](QPainter& p, const QSizeF& s) { PaintSelector(p, s, true); }};
    m[IDB_SWITCH_OFF] = {{36, 18}, [](QPainter& p, const QSizeF& s) { PaintSwitch(p, s, false, false); }};
    m[IDB_SWITCH_ON] = {{36, 18}, [](QPainter& p, const QSizeF& s) { PaintSwitch(p, s, true, false); }};
    m[IDB_SWITCH_DISABLED] = {{36, 18}, [](QPainter& p, const QSizeF& s) { PaintSwitch(p, s, false, true); }};
    m[IDB_WINDOW_BACKGROUND] = {window, PaintWindowBackground};
    m[IDB_SYSTEM_BACKGROUND_ZH] = {{811, 344}, [](QPainter& p, const QSizeF& s) {
                                       PaintSystemBackground(p, s, QString::fromUtf8("电平"));
                                   }};
    m[IDB_SYSTEM_BACKGROUND_EN] = {{811, 344}, [](QPainter& p, const QSizeF& s) {
                                       PaintSystemBackground(p, s, QStringLiteral("Level meters"));
                                   }};
    m[IDB_MUTE_OFF] = {mute, [](QPainter& p, const QSizeF& s) { PaintMute(p, s, false); }};
    m[IDB_MUTE_ON] = {mute, [](QPainter& p, const QSizeF& s) { PaintMute(p, s, true); }};
    m[IDB_SYSTEM_PICTURE] = {{200, 48}, PaintWordmark};
    return m;
}

QImage Render(const Bitmap& b, int scale) {
    QImage image(b.size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    b.paint(p, QSizeF(b.size));
    p.end();
    image.setDevicePixelRatio(1);
    return image;
}

// The icon drawn for a square of `pixels` (the drawing is vector, so each size is sharp).
QImage RenderSquare(const Bitmap& b, int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(double(pixels) / b.size.width(), double(pixels) / b.size.height());
    b.paint(p, QSizeF(b.size));
    p.end();
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "kelvane-skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvane-skingen RESOURCES-DIR\n");
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    if (!resources.mkpath(QStringLiteral("skin"))) {
        std::fprintf(stderr, "kelvane-skingen: cannot create the skin folders\n");
        return 1;
    }
    const auto skinMap = Skin();
    QString qrc;
    QTextStream out(&qrc);
    out << "<!DOCTYPE RCC>\n<!-- Written by kelvane-skingen. -->\n<RCC version=\"1.0\">\n<qresource "
           "prefix=\"/\">\n";
    for (int id : kSkinIds) {
        const auto it = skinMap.find(id);
        if (it == skinMap.end()) {
            std::fprintf(stderr, "kelvane-skingen: no drawing for %d\n", id);
            return 1;
        }
        for (int scale : {1, 2}) {
            const QString name =
                QStringLiteral("skin/%1%2.png").arg(id).arg(scale == 2 ? QStringLiteral("@2x") : QString());
            if (!Save(Render(it->second, scale), resources.filePath(name))) {
                return 1;
            }
            out << "  <file>" << name << "</file>\n";
        }
    }
    out << "</qresource>\n</RCC>\n";
    QFile file(resources.filePath(QStringLiteral("skin.qrc")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(qrc.toUtf8()) < 0) {
        std::fprintf(stderr, "kelvane-skingen: cannot write skin.qrc\n");
        return 1;
    }
    file.close();
    // The desktop icon in the hicolor theme's fixed sizes (the scalable one is icons/hicolor/scalable).
    for (int pixels : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString dir = QStringLiteral("icons/hicolor/%1x%1/apps").arg(pixels);
        if (!resources.mkpath(dir) || !Save(RenderSquare(skinMap.at(IDI_APP), pixels),
                                            resources.filePath(dir + QStringLiteral("/kelvane.png")))) {
            return 1;
        }
    }
    std::printf("kelvane-skingen: %zu bitmaps written to %s\n", kSkinIds.size(),
                qPrintable(resources.path()));
    return 0;
}
