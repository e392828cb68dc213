// CSLamp: one level meter of the system page, 17 level segments and a signal segment on top.
#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include <array>

namespace kel {

class CSLamp : public QWidget {
  public:
    static constexpr int kSegments = 18;
    static constexpr int kSignalSegment = 17;

    explicit CSLamp(QWidget* parent);

    // The segment height is a seventeenth of the meter's height and the signal segment lies above the
    // seventeen level segments: all 18 show only at 18 k pixels with k below 17. The tallest such height
    // within `available` pixels.
    static constexpr int FittingHeight(int available) {
        const int k = available / 18 < 16 ? available / 18 : 16;
        return 18 * k;
    }

    // Lays the segments out over the current height: segment 0 at the bottom.
    void Layout();
    // Report 12: below 110 nothing, then one segment per 6 steps; the 17th only at 200.
    void SetLevel(int value);
    // Report 24: the top segment lights while the value is below 200.
    void SetSignal(int value);
    void AllOff();

    bool IsLit(int segment) const { return m_lit[static_cast<std::size_t>(segment)]; }
    int LitLevelSegments() const;
    QRect SegmentRect(int segment) const { return m_rects[static_cast<std::size_t>(segment)]; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Takes the pending states; redraws only when one of them changed.
    void Commit();

    std::array<QRect, kSegments> m_rects{};
    std::array<bool, kSegments> m_lit{};
    std::array<bool, kSegments> m_pending{};
    std::array<QColor, kSegments> m_colours;
};

static_assert(CSLamp::FittingHeight(275) == 270 && CSLamp::FittingHeight(2000) == 288);

} // namespace kel
