// The skinned slider: geometry, painting, mouse, keys, wheel and the two slider messages.
#include "controls/BitmapSlider.h"

#include "controls/FocusCue.h"
#include "controls/MessageEvent.h"
#include "controls/Skin.h"
#include "controls/TimerMs.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace kel {

namespace {

constexpr int kWheelNotch = 120;

// Pixels of the key colour become fully transparent.
QPixmap ApplyKey(const QPixmap& pixmap, QRgb key, bool compareAlpha) {
    if (pixmap.isNull()) {
        return pixmap;
    }
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const bool match =
                compareAlpha ? p == key : (qAlpha(p) != 0 && (p & 0xFFFFFFu) == (key & 0xFFFFFFu));
            if (match) {
                line[x] = 0;
            }
        }
    }
    QPixmap keyed = QPixmap::fromImage(image);
    keyed.setDevicePixelRatio(pixmap.devicePixelRatio());
    return keyed;
}

// Draws the part `target` (logical coordinates of the control) of a bitmap placed at the origin.
void DrawPart(QPainter& p, const QRect& target, const QPixmap& pixmap) {
    if (target.isEmpty()) {
        return;
    }
    const qreal r = pixmap.devicePixelRatio();
    p.drawPixmap(QRectF(target), pixmap,
                 QRectF(target.x() * r, target.y() * r, target.width() * r, target.height() * r));
}

} // namespace

CBitmapSlider::CBitmapSlider(QWidget* parent, int id) : QWidget(parent), m_id(id) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool CBitmapSlider::LoadPair(Pair& out, int normalId, int activeId, bool transparent, std::uint32_t keyRgb,
                             int x, int y) {
    QPixmap normal = LoadSkinBitmap(normalId);
    if (normal.isNull()) {
        return false;
    }
    QPixmap active;
    if (activeId != 0) {
        active = LoadSkinBitmap(activeId);
        if (active.isNull() || SkinBitmapSize(active) != SkinBitmapSize(normal)) {
            return false;
        }
    }
    if (transparent) {
        const bool fromPixel = keyRgb == kKeyFromPixel;
        QRgb key = 0xFF000000u | keyRgb;
        if (fromPixel) {
            const QImage image = normal.toImage();
            const qreal r = normal.devicePixelRatio();
            const QPoint at(std::clamp(static_cast<int>(x * r), 0, image.width() - 1),
                            std::clamp(static_cast<int>(y * r), 0, image.height() - 1));
            key = image.convertToFormat(QImage::Format_ARGB32).pixel(at);
        }
        normal = ApplyKey(normal, key, fromPixel);
        active = ApplyKey(active, key, fromPixel);
    }
    out.normal = normal;
    out.active = active;
    return true;
}

bool CBitmapSlider::SetBitmapChannel(int normalId, int activeId, bool transparent, std::uint32_t keyRgb,
                                     int x, int y) {
    if (normalId == 0) {
        m_channel = {};
        m_channelTransparent = false;
        update();
        return true;
    }
    Pair pair;
    if (!LoadPair(pair, normalId, activeId, transparent, keyRgb, x, y)) {
        return false;
    }
    m_channel = pair;
    m_channelTransparent = transparent;
    resize(SkinBitmapSize(m_channel.normal));
    update();
    return true;
}

bool CBitmapSlider::SetBitmapThumb(int normalId, int activeId, bool transparent, std::uint32_t keyRgb, int x,
                                   int y) {
    if (normalId == 0) {
        m_thumb = {};
        m_thumbTransparent = false;
        update();
        return true;
    }
    Pair pair;
    if (!LoadPair(pair, normalId, activeId, transparent, keyRgb, x, y)) {
        return false;
    }
    const QSize thumb = SkinBitmapSize(pair.normal);
    const QSize room = ChannelSize();
    if (thumb.width() > room.width() || thumb.height() > room.height()) {
        return false;
    }
    m_thumb = pair;
    m_thumbTransparent = transparent;
    update();
    return true;
}

void CBitmapSlider::SetVertical(bool vertical) {
    m_vertical = vertical;
    update();
}

void CBitmapSlider::SetMargin(int left, int top, int right, int bottom) {
    m_marginLeft = left;
    m_marginTop = top;
    m_marginRight = right;
    m_marginBottom = bottom;
    update();
}

void CBitmapSlider::SetRange(int min, int max, bool redraw) {
    m_min = min;
    m_max = max;
    m_pos = min;
    if (redraw) {
        update();
    }
}

void CBitmapSlider::SetPos(int pos) {
    m_pos = std::clamp(pos, m_min, std::max(m_min, m_max));
    update();
}

void CBitmapSlider::SetPosInverted(int value) {
    SetPos(m_max + m_min - value);
    repaint();
}

void CBitmapSlider::SetThumbHighlight(bool on) {
    if (on != m_thumbHighlight) {
        m_thumbHighlight = on;
        update();
    }
}

void CBitmapSlider::Enable(bool enable) {
    m_enabled = enable;
    if (!enable && m_dragging) {
        EndDrag();
        m_moved = false;
    }
    setEnabled(enable);
    update();
}

void CBitmapSlider::EndDrag() {
    m_dragging = false;
    m_reportTimer.stop();
    if (mouseGrabber() == this) {
        releaseMouse();
    }
}

QSize CBitmapSlider::ChannelSize() const {
    return m_channel.normal.isNull() ? size() : SkinBitmapSize(m_channel.normal);
}

QSize CBitmapSlider::ThumbSize() const {
    return SkinBitmapSize(m_thumb.normal);
}

int CBitmapSlider::Length() const {
    return m_vertical ? ChannelSize().height() : ChannelSize().width();
}

int CBitmapSlider::ThumbAlong() const {
    return m_vertical ? ThumbSize().height() : ThumbSize().width();
}

int CBitmapSlider::NearMargin() const {
    return m_vertical ? m_marginTop : m_marginLeft;
}

int CBitmapSlider::FarMargin() const {
    return m_vertical ? m_marginBottom : m_marginRight;
}

int CBitmapSlider::Along(const QPoint& p) const {
    return m_vertical ? p.y() : p.x();
}

int CBitmapSlider::PosToPixel(int pos) const {
    const int thumb = ThumbAlong();
    const int span = Length() - NearMargin() - FarMargin() - thumb;
    if (m_max == m_min) {
        return NearMargin() + thumb / 2;
    }
    int offset;
    if (m_vertical) {
        offset = static_cast<int>(static_cast<double>(pos - m_min) / (m_max - m_min) * span);
    } else {
        offset = static_cast<int>(static_cast<double>(span) * (pos - m_min) / (m_max - m_min));
    }
    return offset + NearMargin() + thumb / 2;
}

int CBitmapSlider::PixelToPos(int pixel) const {
    const int thumb = ThumbAlong();
    const int span = Length() - NearMargin() - FarMargin() - thumb;
    if (span <= 0) {
        return m_min;
    }
    return m_min +
           static_cast<int>(static_cast<double>(pixel - NearMargin() - thumb / 2) / span * (m_max - m_min));
}

int CBitmapSlider::ClampToThumbRange(int t) const {
    const int a = PosToPixel(m_min);
    const int b = PosToPixel(m_max);
    return std::clamp(t, std::min(a, b), std::max(a, b));
}

void CBitmapSlider::Post(int message) {
    PostMessageTo(parentWidget(), message, m_id, m_pos);
}

QSize CBitmapSlider::sizeHint() const {
    return m_channel.normal.isNull() ? QSize(100, 20) : ChannelSize();
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * ratio).toSize();
    if (m_buffer.size() != device) {
        m_buffer = QPixmap(device);
    }
    m_buffer.setDevicePixelRatio(ratio);
    m_buffer.fill(m_channelTransparent ? QColor(Qt::transparent) : palette().color(QPalette::Window));
    {
        QPainter p(&m_buffer);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (!m_channel.normal.isNull()) {
            const QSize s = ChannelSize();
            if (!m_channel.active.isNull() && m_enabled) {
                const int c = PosToPixel(m_pos);
                if (m_vertical) {
                    DrawPart(p, QRect(0, 0, s.width(), c), m_channel.active);
                    DrawPart(p, QRect(0, c, s.width(), s.height() - c), m_channel.normal);
                } else {
                    DrawPart(p, QRect(0, 0, c, s.height()), m_channel.active);
                    DrawPart(p, QRect(c, 0, s.width() - c, s.height()), m_channel.normal);
                }
            } else {
                p.drawPixmap(0, 0, m_channel.normal);
            }
        }
        if (!m_thumb.normal.isNull() && m_enabled) {
            const bool useActive = !m_thumb.active.isNull() && (m_thumbHighlight || m_dragging);
            const QPixmap& thumb = useActive ? m_thumb.active : m_thumb.normal;
            const QSize t = ThumbSize();
            const int c = PosToPixel(m_pos);
            const QPoint at = m_vertical ? QPoint(m_marginLeft, c - t.height() / 2)
                                         : QPoint(c - t.width() / 2, m_marginTop);
            p.drawPixmap(at, thumb);
        }
    }
    QPainter out(this);
    out.drawPixmap(0, 0, m_buffer);
    if (hasFocus() && m_enabled) {
        DrawFocusCue(out, rect());
    }
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (!m_enabled || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    const int pointer = Along(event->position().toPoint());
    const int centre = PosToPixel(m_pos);
    m_dragOffset = std::abs(pointer - centre) <= ThumbAlong() / 2 ? pointer - centre : 0;
    const int t = ClampToThumbRange(pointer - m_dragOffset);
    if (t != centre) {
        // A click on the channel beside the thumb moves one step toward it; the thumb does not follow.
        SetPos(PixelToPos(t) >= m_pos ? m_pos + 1 : m_pos - 1);
        m_dragging = false;
        m_moved = true;
    }
    m_reportTimer.start(TimerMs(timing::kSliderReportTimer), this);
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !m_enabled) {
        return;
    }
    const int t = ClampToThumbRange(Along(event->position().toPoint()) - m_dragOffset);
    if (t == PosToPixel(m_min)) {
        // Reaching the near end reports the minimum while dragging, like any other position.
        if (m_pos != m_min) {
            SetPos(m_min);
            m_moved = true;
        }
    } else if (t != PosToPixel(m_pos)) {
        SetPos(PixelToPos(t));
        m_moved = true;
    }
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_enabled || event->button() != Qt::LeftButton) {
        return;
    }
    if (m_dragging || m_moved) {
        Post(MSG_SLIDER_MOVED);
    }
    m_dragging = false;
    m_moved = false;
    m_reportTimer.stop();
    update();
}

void CBitmapSlider::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_reportTimer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (m_moved) {
        Post(MSG_SLIDER_MOVING);
        m_moved = false;
    }
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    if (!m_enabled) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageUp:
        SetPos(m_pos - m_page);
        break;
    case Qt::Key_PageDown:
        SetPos(m_pos + m_page);
        break;
    case Qt::Key_End:
        SetPos(m_max);
        break;
    case Qt::Key_Home:
        SetPos(m_min);
        break;
    case Qt::Key_Up:
        SetPos(m_vertical ? m_pos - 1 : m_pos + 1);
        break;
    case Qt::Key_Down:
        SetPos(m_vertical ? m_pos + 1 : m_pos - 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        break; // reported, but they do not move the thumb
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    Post(MSG_SLIDER_MOVED);
    event->accept();
}

void CBitmapSlider::wheelEvent(QWheelEvent* event) {
    if (!m_enabled) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    m_wheelAccumulator =
        static_cast<std::int16_t>(std::clamp(m_wheelAccumulator + delta, -kWheelNotch, kWheelNotch));
    int step = 0;
    if (m_wheelAccumulator == -kWheelNotch) {
        step = m_vertical ? 1 : -1;
    } else if (m_wheelAccumulator == kWheelNotch) {
        step = m_vertical ? -1 : 1;
    }
    if (step != 0) {
        SetPos(m_pos + step);
        m_wheelAccumulator = 0;
        Post(MSG_SLIDER_MOVED);
    }
}

void CBitmapSlider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CBitmapSlider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace kel
