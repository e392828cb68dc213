// CCFStatic: the interactive EQ graph — summed curve, emphasised band, markers, and band drags.
#pragma once

#include "dsp/KTVEQ.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <cstdint>

class QPainter;

namespace kel {

// Which collections a page's graph can show (the page gives it once at creation).
enum EqLayout : int {
    EQ_LAYOUT_MUSIC = 0,
    EQ_LAYOUT_DEQ = 1,
    EQ_LAYOUT_MIC = 2,
    EQ_LAYOUT_EFFECT = 3,
    EQ_LAYOUT_OUTPUT_FIRST = 4, // 4..8: the main output page, all 24 output collections
    EQ_LAYOUT_OUTPUT_LAST = 8,
};

// The collection the graph and the band strips show for a channel: 8..15 in the block of the current
// output mode (the Sing block while "Auto"). Null for a channel that does not exist.
CKTVEQ* ShownCollection(int eqChannel);

// The EQ bypass byte of a channel's record, or null where the channel has none (dynamic EQ) or the
// output mode is "Auto" (output channels then show no overlay).
const std::uint8_t* EqBypassFlag(int eqChannel);

class CCFStatic : public QWidget {
  public:
    // Where the plot sits in the client area: 35 pixels from the left, 10 from the top, 10 from the
    // right and 20 from the bottom (the axis labels are drawn around it).
    static constexpr int kPlotRightGap = 10;
    static constexpr int kPlotBottomGap = 20;
    // The frequencies of the 30 grid columns: 10..90, 100..900, 1000..9000, 10000, 20000, 30000 Hz.
    static constexpr int kGridColumns = 30;
    static const std::array<double, kGridColumns> kGridHz;

    explicit CCFStatic(QWidget* parent);

    // Takes the client rectangle, derives the plot rectangle and the grid columns.
    void InitGraph();
    // The page that receives MSG_GRAPH_BAND_EDITED.
    void SetOwner(QObject* owner) { m_owner = owner; }
    // Gives every collection the page can show the plot size.
    void SetLayout(int layout);
    // Shows a channel (8..15 in the block of the current output mode) with nothing selected.
    void SetChannel(int eqChannel);
    // Emphasises collection[index] (−1: only the filter under the pointer) and draws the graph anew.
    void Redraw(int index);

    int Channel() const { return m_channel; }
    CKTVEQ* Collection() const { return m_collection; }
    CFilter* Selected() const { return m_selected; }
    int BandIndex() const { return m_bandIndex; }
    int Highlight() const { return m_highlight; }
    bool Hover() const { return m_hover != 0; }
    // Client coordinates; right and bottom just outside, as the filters count them.
    const Rect& Plot() const { return m_plot; }
    int GridX(int column) const { return m_gridX[static_cast<std::size_t>(column)]; }
    // The filter drawn filled: collection[highlight], else the selected filter.
    CFilter* Emphasised() const;
    // How a marker's number sits in its box: left at the plot's right edge, right for bands at 28.9 Hz
    // (frequency index 20) or below, centred otherwise.
    Qt::Alignment MarkerAlignment(const CFilter& f) const;
    // Whether pointer moves may pick and drag (never on an output channel in "Auto").
    bool Editable() const;
    // The graph drawn from the current state (logical size, at the screen's pixel ratio).
    const QPixmap& Picture();
    // Draws the whole graph (axis area and plot) with the painter at client coordinates.
    void Render(QPainter& p);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The right button belongs to the Q drag: no context menu opens over the graph.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void DrawAxes(QPainter& p);
    void DrawPlot(QPainter& p);
    void DrawBypass(QPainter& p);
    void DrawMarkers(QPainter& p);
    void PointerMoved(Point p);
    void Pick(Point p);
    void Deselect();
    // Ends a drag in progress, as a release of its button does.
    void EndDrag();
    bool Dragging() const;
    void PostEdited();
    void UpdateCursor();

    QObject* m_owner = nullptr;
    CKTVEQ* m_collection = nullptr;
    CFilter* m_selected = nullptr;
    std::array<int, kGridColumns> m_gridX{};
    Rect m_client;
    Rect m_plot;
    int m_hover = 0;
    int m_changed = 0;
    int m_bandIndex = -1; // nothing picked yet
    int m_highlight = -1;
    int m_channel = 0;
    int m_layout = -1;
    QPixmap m_picture;
    // "EQ BYPASS", drawn for one plot size and pixel ratio, and where it goes.
    QImage m_bypass;
    QPoint m_bypassAt;
    QSize m_bypassFor;
    qreal m_bypassRatio = 0;
};

} // namespace kel
