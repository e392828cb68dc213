// The bitmap button: state bitmaps stretched to the button, centred text, hover tracking, hand cursor.
#include "controls/BitButton.h"

#include "controls/FocusCue.h"
#include "controls/Skin.h"

#include <QEnterEvent>
#include <QPainter>

namespace kel {

CBitButton::CBitButton(QWidget* parent, int id) : QAbstractButton(parent), m_id(id) {
    m_textColours.fill(QColor(Qt::black));
    setCursor(HandCursor());
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void CBitButton::SetBitmaps(int offNormal, int offHover, int offPressed, int onNormal, int onHover,
                            int onPressed) {
    m_bitmaps = {offNormal,
                 offHover,
                 offPressed,
                 onNormal != 0 ? onNormal : offNormal,
                 onHover != 0 ? onHover : offHover,
                 onPressed != 0 ? onPressed : offPressed};
    update();
}

void CBitButton::SetTextColours(const std::array<QColor, 6>& colours) {
    m_textColours = colours;
    update();
}

void CBitButton::SetDisabledBitmaps(int off, int on) {
    m_disabledBitmaps = {off, on};
    update();
}

void CBitButton::SetOn(bool on) {
    if (on != m_on) {
        m_on = on;
        update();
    }
}

void CBitButton::SetLook(ButtonLook look) {
    const QColor text = QColor::fromRgb(skin::kText);
    switch (look) {
    case ButtonLook::Text:
        SetBitmaps(IDB_BUTTON_OFF, IDB_BUTTON_OFF, IDB_BUTTON_ON, IDB_BUTTON_ON, IDB_BUTTON_ON,
                   IDB_BUTTON_OFF);
        SetDisabledBitmaps(IDB_BUTTON_DISABLED, IDB_BUTTON_DISABLED);
        SetTextColours({text, text, text, text, text, text});
        break;
    case ButtonLook::Sign:
        SetBitmaps(IDB_SIGN_PLUS, IDB_SIGN_PLUS, IDB_SIGN_MINUS, IDB_SIGN_MINUS, IDB_SIGN_MINUS,
                   IDB_SIGN_PLUS);
        SetDisabledBitmaps(IDB_SIGN_PLUS_DISABLED, IDB_SIGN_MINUS_DISABLED);
        break;
    case ButtonLook::Selector:
        SetBitmaps(IDB_SELECTOR_OFF, IDB_SELECTOR_OFF, IDB_SELECTOR_ON, IDB_SELECTOR_ON, IDB_SELECTOR_ON,
                   IDB_SELECTOR_OFF);
        SetDisabledBitmaps(IDB_BUTTON_DISABLED, IDB_BUTTON_DISABLED);
        SetTextColours({text, text, text, text, text, text});
        break;
    case ButtonLook::Switch:
        SetBitmaps(IDB_SWITCH_OFF, IDB_SWITCH_OFF, IDB_SWITCH_ON, IDB_SWITCH_ON, IDB_SWITCH_ON,
                   IDB_SWITCH_OFF);
        SetDisabledBitmaps(IDB_SWITCH_DISABLED, IDB_SWITCH_DISABLED);
        break;
    case ButtonLook::Mute:
        SetBitmaps(IDB_MUTE_OFF, IDB_MUTE_OFF, IDB_MUTE_ON, IDB_MUTE_ON, IDB_MUTE_ON, IDB_MUTE_OFF);
        SetDisabledBitmaps(IDB_MUTE_OFF, IDB_MUTE_ON);
        break;
    }
}

bool CBitButton::LooksEnabled() const {
    // Disabled by its page, not merely because a modal dialog holds the window.
    const QWidget* top = window();
    return top == this ? isEnabled() : isEnabledTo(top);
}

CBitButton::State CBitButton::CurrentState() const {
    const int base = m_on ? OnNormal : OffNormal;
    if (isDown()) {
        return static_cast<State>(base + 2);
    }
    if (m_hover) {
        return static_cast<State>(base + 1);
    }
    return static_cast<State>(base);
}

int CBitButton::CurrentBitmapId() const {
    if (!LooksEnabled()) {
        return m_disabledBitmaps[m_on ? 1 : 0];
    }
    return m_bitmaps[CurrentState()];
}

QColor CBitButton::CurrentTextColour() const {
    return LooksEnabled() ? m_textColours[CurrentState()] : m_disabledText;
}

QSize CBitButton::sizeHint() const {
    return QSize(60, 20);
}

void CBitButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int id = CurrentBitmapId();
    const QPixmap bitmap = id != 0 ? LoadSkinBitmap(id) : QPixmap();
    if (bitmap.isNull()) {
        p.fillRect(rect(), palette().color(QPalette::Button));
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), bitmap);
    }
    if (m_hover && !isDown() && LooksEnabled()) {
        DrawHoverTint(p, rect());
    }
    if (!text().isEmpty()) {
        p.setFont(font());
        p.setPen(CurrentTextColour());
        p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    if (hasFocus()) {
        DrawFocusCue(p, rect());
    }
}

void CBitButton::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    update();
}

void CBitButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
}

void CBitButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CBitButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CBitButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QAbstractButton::changeEvent(event);
}

} // namespace kel
