// CBitmapSlider: the skinned slider of every continuous parameter, drawn from a channel and a thumb bitmap.
#pragma once

#include <QBasicTimer>
#include <QPixmap>
#include <QWidget>

#include <cstdint>

namespace kel {

// Colour argument of SetBitmapChannel/SetBitmapThumb meaning "the colour of the bitmap's pixel (x, y)".
inline constexpr std::uint32_t kKeyFromPixel = 0xFF000000u;

class CBitmapSlider : public QWidget {
  public:
    // id is the control id carried in MSG_SLIDER_MOVING / MSG_SLIDER_MOVED (wParam) to the parent.
    CBitmapSlider(QWidget* parent, int id);

    int Id() const { return m_id; }

    // Loads the channel bitmap (and the active one, drawn from the minimum end up to the thumb) by
    // resource id and resizes the control to it, keeping its position. With transparent set, pixels of
    // keyRgb (0xRRGGBB, or kKeyFromPixel for the colour at (x, y)) are not drawn. A normal id of 0
    // removes the channel. False, with nothing changed, when a bitmap cannot be loaded.
    bool SetBitmapChannel(int normalId, int activeId = 0, bool transparent = false,
                          std::uint32_t keyRgb = kKeyFromPixel, int x = 0, int y = 0);
    // The same for the thumb, which must not be larger than the channel.
    bool SetBitmapThumb(int normalId, int activeId = 0, bool transparent = false,
                        std::uint32_t keyRgb = kKeyFromPixel, int x = 0, int y = 0);
    void SetVertical(bool vertical);
    void SetMargin(int left, int top, int right, int bottom);
    // Also sets the position to min.
    void SetRange(int min, int max, bool redraw = false);
    void SetPageSize(int page) { m_page = page; }
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    // Clamped to the range; redraws and sends nothing.
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    // For sliders whose maximum is at the top: pos = max + min − value.
    void SetPosInverted(int value);
    int GetPosInverted() const { return m_max + m_min - m_pos; }
    // The active thumb while set (the partner numeric edit has the focus).
    void SetThumbHighlight(bool on);
    bool ThumbHighlight() const { return m_thumbHighlight; }
    // Disabling during a drag ends it without a message.
    void Enable(bool enable);
    bool IsSliderEnabled() const { return m_enabled; }
    bool IsDragging() const { return m_dragging; }

    // Centre of the thumb along the axis for a position, and the position for a centre (Geometry).
    int PosToPixel(int pos) const;
    int PixelToPos(int pixel) const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    struct Pair {
        QPixmap normal;
        QPixmap active;
    };
    bool LoadPair(Pair& out, int normalId, int activeId, bool transparent, std::uint32_t keyRgb, int x,
                  int y);
    QSize ChannelSize() const;
    QSize ThumbSize() const;
    int Length() const;
    int ThumbAlong() const;
    int NearMargin() const;
    int FarMargin() const;
    int Along(const QPoint& p) const;
    int ClampToThumbRange(int t) const;
    void Post(int message);
    void EndDrag();

    int m_id;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_page = 20;
    int m_marginLeft = 0;
    int m_marginTop = 0;
    int m_marginRight = 0;
    int m_marginBottom = 0;
    int m_dragOffset = 0;
    bool m_moved = false;
    bool m_vertical = false;
    bool m_channelTransparent = false;
    bool m_thumbTransparent = false;
    bool m_dragging = false;
    bool m_thumbHighlight = false;
    bool m_enabled = true;
    std::int16_t m_wheelAccumulator = 0;
    Pair m_channel;
    Pair m_thumb;
    QPixmap m_buffer; // off-screen picture of the whole control
    QBasicTimer m_reportTimer;
};

} // namespace kel
