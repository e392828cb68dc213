// The EQ graph: drawing from the filters' cached curves, picking and dragging markers, reports to the page.
#include "controls/CFStatic.h"

#include "controls/MessageEvent.h"
#include "dsp/FilterBank.h"
#include "model/DataConver.h"
#include "model/Model.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace kel {

namespace {

const QColor kAxisBorder(100, 100, 100);
const QColor kAxisText(100, 100, 100);
const QColor kPlotBorder(0, 180, 0);
const QColor kGridLine(21, 100, 21);
const QColor kEmphasis(68, 86, 98);
const QColor kSumCurve(255, 49, 68, 255);
const QColor kMarkerText(Qt::white);
const QColor kMarkerBox(255, 0, 0);
const QColor kBypassOutline(94, 104, 116, 32);
const QColor kBypassFill(155, 155, 155);
constexpr int kBypassTextPixels = 48;
constexpr int kSumCurveWidth = 2;
// Markers of bands at 28.9 Hz (frequency index 20) or below have their numbers right-aligned.
constexpr int kRightAlignedFreqIndex = 20;

// Decibel labels: text and row (h = plot height / 12; the last one sits at the plot height itself).
struct DbLabel {
    const char* text;
    int hMultiple;
    int add;
};
constexpr std::array<DbLabel, 6> kDbLabels = {{
    {"+6", 2, 3}, {"0", 4, 3}, {"-6dB", 6, 5}, {"-12", 8, 9}, {"-18", 10, 9}, {"-24", -1, 0}, // at y = plot
                                                                                              // height
}};

// Frequency labels under the plot: grid column and how far left of it the text starts.
struct FreqLabel {
    const char* text;
    int column;
    int shift;
};
constexpr std::array<FreqLabel, 11> kFreqLabels = {{
    {"20", 1, 8},
    {"50", 4, 8},
    {"100", 9, 10},
    {"200", 10, 10},
    {"500", 13, 10},
    {"1K", 18, 8},
    {"2K", 19, 8},
    {"5K", 22, 8},
    {"10K", 27, 10},
    {"20K", 28, 15},
    {"30K", 29, 15},
}};

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// Text drawn with its top-left corner at (x, y), as the window system places it.
void TextAt(QPainter& p, int x, int y, const char* text) {
    p.drawText(QRect(x, y, 200, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromLatin1(text));
}

QString MarkerText(const CKTVEQ& c, int index) {
    const CFilter& f = c.At(index);
    if (f.Type() == FT_HIGHPASS) {
        return QStringLiteral("H");
    }
    if (f.Type() == FT_LOWPASS) {
        return QStringLiteral("L");
    }
    return QString::number(index + 1);
}

} // namespace

const std::array<double, CCFStatic::kGridColumns> CCFStatic::kGridHz = {
    10,  20,  30,  40,   50,   60,   70,   80,   90,   100,  200,  300,  400,   500,   600,
    700, 800, 900, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000, 30000,
};

CKTVEQ* ShownCollection(int eqChannel) {
    if (eqChannel >= EQ_OUTPUT_FIRST && eqChannel <= EQ_OUTPUT_LAST) {
        return &ActiveCollection(eqChannel);
    }
    return TheFilterBank().Find(eqChannel, 0);
}

const std::uint8_t* EqBypassFlag(int eqChannel) {
    Model& m = TheModel();
    ProgramImage& img = m.image;
    switch (eqChannel) {
    case EQ_MUSIC_L:
        return &img.musicL.bypass;
    case EQ_MUSIC_R:
        return &img.musicR.bypass;
    case EQ_MIC1:
        return &img.mic1.bypass;
    case EQ_MIC2:
        return &img.mic2.bypass;
    case EQ_ECHO_A:
        return &img.echoA.bypass;
    case EQ_ECHO_B:
        return &img.echoB.bypass;
    case EQ_REVERB:
        return &img.reverb.bypass;
    case EQ_AUX_REVERB:
        return &img.auxReverb.bypass;
    default:
        break;
    }
    if (eqChannel >= EQ_OUTPUT_FIRST && eqChannel <= EQ_OUTPUT_LAST && img.outputMode != 0) {
        return &m.ActiveOutputBlock().ch[eqChannel - EQ_OUTPUT_FIRST].bypass;
    }
    return nullptr;
}

CCFStatic::CCFStatic(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCFStatic::InitGraph() {
    m_client = {0, 0, width(), height()};
    m_plot = {m_client.left + kPlotLeft, m_client.top + kPlotTop, m_client.right - kPlotRightGap,
              m_client.bottom - kPlotBottomGap};
    for (int i = 0; i < kGridColumns; ++i) {
        m_gridX[static_cast<std::size_t>(i)] =
            FreqToX(kGridHz[static_cast<std::size_t>(i)], m_plot.Width()) + kPlotLeft;
    }
}

void CCFStatic::SetLayout(int layout) {
    m_layout = layout;
    const Rect plot = m_plot;
    auto give = [&plot](int channel, int block = 0) { kel::Collection(channel, block).SetPlotRect(plot); };
    switch (layout) {
    case EQ_LAYOUT_MUSIC:
        give(EQ_MUSIC_L);
        give(EQ_MUSIC_R);
        break;
    case EQ_LAYOUT_DEQ:
        give(EQ_DEQ_L);
        give(EQ_DEQ_R);
        break;
    case EQ_LAYOUT_MIC:
        give(EQ_MIC1);
        give(EQ_MIC2);
        break;
    case EQ_LAYOUT_EFFECT:
        for (int c = EQ_ECHO_A; c <= EQ_AUX_REVERB; ++c) {
            give(c);
        }
        break;
    default:
        if (layout >= EQ_LAYOUT_OUTPUT_FIRST && layout <= EQ_LAYOUT_OUTPUT_LAST) {
            for (int b = 0; b < kOutputModes; ++b) {
                for (int c = EQ_OUTPUT_FIRST; c <= EQ_OUTPUT_LAST; ++c) {
                    give(c, b);
                }
            }
        }
        break;
    }
}

void CCFStatic::Deselect() {
    if (m_selected != nullptr) {
        // A drag cut short (a reload while the button is held) must not go on when the marker is found again.
        m_selected->SetHovered(false);
        m_selected->SetLeftDragging(false);
        m_selected->SetRightDragging(false);
    }
    m_selected = nullptr;
    m_hover = 0;
}

void CCFStatic::SetChannel(int eqChannel) {
    m_channel = eqChannel;
    Deselect();
    m_collection = ShownCollection(eqChannel);
    UpdateCursor();
    Redraw(-1);
}

void CCFStatic::Redraw(int index) {
    m_highlight = index;
    update();
}

CFilter* CCFStatic::Emphasised() const {
    if (m_collection != nullptr && m_highlight >= 0 && m_highlight < m_collection->GetSize()) {
        return &m_collection->At(m_highlight);
    }
    return m_selected;
}

bool CCFStatic::Editable() const {
    if (m_channel >= EQ_OUTPUT_FIRST && m_channel <= EQ_OUTPUT_LAST) {
        return TheModel().image.outputMode != 0;
    }
    return (m_channel >= EQ_MUSIC_L && m_channel <= EQ_AUX_REVERB) || m_channel == EQ_DEQ_L ||
           m_channel == EQ_DEQ_R;
}

// ---------------------------------------------------------------------------------------------- drawing

const QPixmap& CCFStatic::Picture() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_picture.size() != pixels) {
        m_picture = QPixmap(pixels);
    }
    m_picture.setDevicePixelRatio(ratio);
    QPainter p(&m_picture);
    Render(p);
    return m_picture;
}

void CCFStatic::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    // Drawn whole into the off-screen picture, then copied in one step.
    const QPixmap& picture = Picture();
    QPainter p(this);
    p.drawPixmap(0, 0, picture);
}

void CCFStatic::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_layout >= 0) {
        InitGraph();
        SetLayout(m_layout);
    }
}

void CCFStatic::Render(QPainter& p) {
    p.setFont(font());
    DrawAxes(p);
    DrawPlot(p);
}

void CCFStatic::DrawAxes(QPainter& p) {
    const QRect client = ToQRect(m_client);
    p.setPen(kAxisBorder);
    p.setBrush(Qt::black);
    p.drawRect(client.adjusted(0, 0, -1, -1));
    p.setPen(kAxisText);
    const int h = m_plot.Height() / 12;
    TextAt(p, 6, m_client.top + 5, "+12");
    for (const DbLabel& l : kDbLabels) {
        TextAt(p, 6, l.hMultiple < 0 ? m_plot.Height() : l.hMultiple * h + l.add, l.text);
    }
    TextAt(p, 30, m_plot.bottom, "10");
    for (const FreqLabel& l : kFreqLabels) {
        TextAt(p, GridX(l.column) - l.shift, m_plot.bottom, l.text);
    }
}

void CCFStatic::DrawPlot(QPainter& p) {
    const QRect plot = ToQRect(m_plot);
    p.setPen(kPlotBorder);
    p.setBrush(Qt::black);
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    if (m_collection == nullptr) {
        return;
    }
    p.save();
    p.setClipRect(plot);

    // The emphasised filter's response, closed along the 0 dB row: a boost filled above it, a cut below.
    if (const CFilter* e = Emphasised()) {
        QPolygon polygon(kCurvePoints);
        const auto& curve = e->Curve();
        for (int i = 0; i < kCurvePoints; ++i) {
            polygon.setPoint(i, curve[static_cast<std::size_t>(i)].x, curve[static_cast<std::size_t>(i)].y);
        }
        p.setPen(kEmphasis);
        p.setBrush(kEmphasis);
        p.drawPolygon(polygon);
    }

    // Grid: 20 Hz .. 20 kHz, and a row every 3 dB (the fourth is 0 dB, the twelfth the bottom edge).
    p.setPen(kGridLine);
    for (int i = 1; i <= 28; ++i) {
        p.drawLine(GridX(i), m_plot.top, GridX(i), m_plot.bottom);
    }
    for (int k = 1; k <= 12; ++k) {
        const int y = m_plot.top + static_cast<int>(m_plot.Height() / 12.0 * k);
        p.drawLine(m_plot.left, y, m_plot.right, y);
    }

    // The summed curve, antialiased.
    m_collection->SumCurve();
    const auto& sum = m_collection->SumCurvePoints();
    // As 419 segments: wide antialiased segments take the rasteriser's direct path, a polyline the general
    // stroker, which is several times slower; square caps close the joints.
    std::array<QLineF, kGridSize - 1> segments;
    for (std::size_t i = 0; i + 1 < kGridSize; ++i) {
        segments[i] = QLineF(sum[i].x, sum[i].y, sum[i + 1].x, sum[i + 1].y);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kSumCurve, kSumCurveWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLines(segments.data(), static_cast<int>(segments.size()));

    const std::uint8_t* bypass = EqBypassFlag(m_channel);
    if (bypass != nullptr && *bypass != 0) {
        DrawBypass(p);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.restore();
    DrawMarkers(p);
}

void CCFStatic::DrawBypass(QPainter& p) {
    // Seven translucent strokes of a text path cost far more than a repaint may: the overlay is drawn once
    // per plot size and pixel ratio into a transparent picture and then only copied.
    const QSize plotSize(m_plot.Width(), m_plot.Height());
    const qreal ratio = p.device() != nullptr ? p.device()->devicePixelRatioF() : 1.0;
    if (m_bypassFor != plotSize || m_bypassRatio != ratio || m_bypass.isNull()) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(kBypassTextPixels);
        QPainterPath path;
        path.addText(0, 0, font, QStringLiteral("EQ BYPASS"));
        // Centred on x = plot width / 2, its top at y = plot height / 3.
        const QRectF box = path.boundingRect();
        path.translate(plotSize.width() / 2 - box.center().x(), plotSize.height() / 3 - box.top());
        const QRect area = path.boundingRect().toAlignedRect().adjusted(-4, -4, 4, 4); // the widest pen
        QImage picture((QSizeF(area.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter q(&picture);
        q.setRenderHint(QPainter::Antialiasing, true);
        q.translate(-area.topLeft());
        for (int width = 1; width <= 7; ++width) {
            q.strokePath(path, QPen(kBypassOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
        q.fillPath(path, kBypassFill);
        q.end();
        m_bypass = picture;
        m_bypassAt = area.topLeft();
        m_bypassFor = plotSize;
        m_bypassRatio = ratio;
    }
    p.drawImage(m_bypassAt, m_bypass);
}

Qt::Alignment CCFStatic::MarkerAlignment(const CFilter& f) const {
    if (f.MarkerRect().right == m_plot.right) {
        return Qt::AlignLeft;
    }
    if (f.FrequencyIndex() <= kRightAlignedFreqIndex) {
        return Qt::AlignRight;
    }
    return Qt::AlignHCenter;
}

void CCFStatic::DrawMarkers(QPainter& p) {
    const CKTVEQ& c = *m_collection;
    p.setPen(kMarkerText);
    p.setBrush(Qt::NoBrush);
    for (int i = c.GetSize() - 1; i >= 0; --i) {
        CFilter& f = c.At(i);
        p.drawText(ToQRect(f.MarkerRect()),
                   static_cast<int>(MarkerAlignment(f) | Qt::AlignVCenter | Qt::TextSingleLine),
                   MarkerText(c, i));
    }
    if (CFilter* e = Emphasised()) {
        const QRect box = ToQRect(e->MarkerRect());
        p.setPen(kMarkerBox);
        p.setBrush(kEmphasis);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(kMarkerText);
        p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(e->NumberText()));
        p.drawText(ToQRect(e->LabelRect()), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromStdString(e->BuildLabel()));
    }
}

// ---------------------------------------------------------------------------------------------- pointer

void CCFStatic::PostEdited() {
    if (m_bandIndex >= 0) {
        PostMessageTo(m_owner, MSG_GRAPH_BAND_EDITED, m_channel, m_bandIndex);
    }
}

void CCFStatic::Pick(Point p) {
    for (int i = 0; i < m_collection->GetSize(); ++i) {
        CFilter& f = m_collection->At(i);
        if (f.MarkerRect().Contains(p)) {
            if (m_selected != nullptr && m_selected != &f) {
                m_selected->SetHovered(false);
            }
            m_selected = &f;
            f.SetHovered(true);
            m_bandIndex = i;
            Redraw(-1);
            m_hover = 1;
            return;
        }
    }
    m_hover = 0; // the previous selection stays
}

void CCFStatic::PointerMoved(Point p) {
    if (!Editable() || m_collection == nullptr) {
        return;
    }
    // Each case ends the move (true) or leaves it to the search for a marker under the pointer (false).
    auto withSelection = [&]() -> bool {
        CFilter* f = m_selected;
        if (f == nullptr) {
            return false;
        }
        const bool inside = f->MarkerRect().Contains(p);
        if (f->IsCrossover()) {
            if (!f->LeftDragging()) {
                if (inside) {
                    // Hovered again, as a band would be: after a release the marker can be dragged anew
                    // without the pointer leaving it first.
                    f->SetHovered(true);
                    m_hover = 1;
                } else {
                    m_selected = nullptr;
                    f->SetHovered(false);
                    m_hover = 0;
                }
                return true;
            }
            if (f->DragCrossover(p)) {
                m_changed = 1;
            }
            Redraw(-1);
            m_hover = 1;
            return true;
        }
        if (f->RightDragging()) {
            if (inside) {
                f->SetHovered(true);
            }
            if (f->DragQ(p.x)) {
                m_changed = 1;
            }
            Redraw(-1);
            m_hover = inside ? 1 : 0;
            return true;
        }
        if (f->LeftDragging() && !inside) {
            if (f->DragBand(p)) {
                m_changed = 1;
            }
            Redraw(-1);
            m_hover = 0;
            return true;
        }
        if (inside) {
            f->SetHovered(true);
            if (f->LeftDragging() && f->DragBand(p)) {
                m_changed = 1;
                Redraw(-1);
            }
            m_hover = f->MarkerRect().Contains(p) ? 1 : 0;
            return true;
        }
        return false;
    };
    if (!withSelection()) {
        Pick(p);
    }
    if (m_changed != 0) {
        m_changed = 0;
        PostEdited();
    }
    UpdateCursor();
}

void CCFStatic::UpdateCursor() {
    if (m_hover != 0 && m_selected != nullptr) {
        setCursor(m_selected->IsCrossover() ? Qt::SizeHorCursor : Qt::SizeAllCursor);
    } else {
        setCursor(Qt::ArrowCursor);
    }
}

void CCFStatic::mouseMoveEvent(QMouseEvent* event) {
    // A drag lives only as long as its button: a move without it (the release went elsewhere, to a popup
    // or another window) ends the drag before the pointer can rewrite the band.
    if (CFilter* f = m_selected) {
        const bool leftGone = f->LeftDragging() && !(event->buttons() & Qt::LeftButton);
        const bool rightGone = f->RightDragging() && !(event->buttons() & Qt::RightButton);
        if (leftGone || rightGone) {
            EndDrag();
        }
    }
    const QPoint q = event->position().toPoint();
    PointerMoved({q.x(), q.y()});
}

void CCFStatic::mousePressEvent(QMouseEvent* event) {
    const QPoint q = event->position().toPoint();
    const Point p{q.x(), q.y()};
    setFocus(Qt::MouseFocusReason); // the pointer stays with the graph until the button is released
    CFilter* f = m_selected;
    const bool onMarker = m_hover != 0 && f != nullptr && f->Hovered() && Editable();
    if (event->button() == Qt::LeftButton) {
        if (onMarker) {
            f->SetLeftDragging(true);
            f->BeginDrag(p);
        }
        m_changed = 0;
        PostEdited(); // every left click, so that a click on a marker selects its band on the page
    } else if (event->button() == Qt::RightButton) {
        // Q is dragged on band markers only; on a crossover the right button does nothing.
        if (onMarker && f->IsBand()) {
            f->SetRightDragging(true);
            f->SetSavedQIndex(f->QIndex());
            f->BeginDrag(p);
        }
    }
}

void CCFStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        return;
    }
    EndDrag();
}

bool CCFStatic::Dragging() const {
    return m_selected != nullptr && (m_selected->LeftDragging() || m_selected->RightDragging());
}

void CCFStatic::EndDrag() {
    if (m_selected != nullptr) {
        m_selected->SetLeftDragging(false);
        m_selected->SetRightDragging(false);
        if (m_selected->Hovered()) {
            m_selected->SetHovered(false);
            m_hover = 0;
        }
    }
    UpdateCursor();
}

void CCFStatic::contextMenuEvent(QContextMenuEvent* event) {
    // Taken here, so it never reaches the window (whose menu would take the release from the drag).
    event->accept();
}

void CCFStatic::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // A popup or another window took the pointer: the release will not come here. The page moving the
    // focus to a band strip's edit during the drag (as it does on every reported edit) is no such loss.
    const Qt::FocusReason reason = event->reason();
    const bool pointerGone = reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason ||
                             QGuiApplication::mouseButtons() == Qt::NoButton;
    if (Dragging() && pointerGone) {
        EndDrag();
    }
}

void CCFStatic::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (Dragging() && QGuiApplication::mouseButtons() == Qt::NoButton) {
        EndDrag();
    }
}

void CCFStatic::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (Dragging()) {
        EndDrag();
    }
}

} // namespace kel
