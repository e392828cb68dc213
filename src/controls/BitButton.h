// CBitButton: a push button drawn from skin bitmaps, with an on state for two-state buttons.
#pragma once

#include <QAbstractButton>
#include <QColor>

#include <array>

namespace kel {

// The looks the pages and the main window give their buttons.
enum class ButtonLook {
    Text,     // state 0 grey outline, state 1 yellow outline
    Sign,     // state 0 plus sign, state 1 minus sign
    Selector, // effect selector: state 0 light grey, state 1 orange
    Switch,   // mix switches of the main output page
    Mute,     // master volume mutes of the main window: lamp dark / lit
};

class CBitButton : public QAbstractButton {
  public:
    // Index of the six states in the bitmap and colour tables.
    enum State { OffNormal, OffHover, OffPressed, OnNormal, OnHover, OnPressed };

    CBitButton(QWidget* parent, int id);

    int Id() const { return m_id; }

    // On-state ids of 0 use the off-state bitmaps.
    void SetBitmaps(int offNormal, int offHover, int offPressed, int onNormal = 0, int onHover = 0,
                    int onPressed = 0);
    void SetTextColours(const std::array<QColor, 6>& colours);
    void SetDisabledBitmaps(int off, int on);
    void SetDisabledTextColour(const QColor& colour) { m_disabledText = colour; }
    void SetOn(bool on);
    bool IsOn() const { return m_on; }
    void SetLook(ButtonLook look);

    // The bitmap id and text colour drawn now.
    int CurrentBitmapId() const;
    QColor CurrentTextColour() const;
    bool IsHover() const { return m_hover; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    bool LooksEnabled() const;
    State CurrentState() const;

    int m_id;
    std::array<int, 6> m_bitmaps{};
    std::array<QColor, 6> m_textColours;
    std::array<int, 2> m_disabledBitmaps{};
    QColor m_disabledText{153, 153, 153};
    bool m_on = false;
    bool m_hover = false;
};

} // namespace kel
