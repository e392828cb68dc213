// The coloured static text.
#include "controls/FontStatic.h"

#include "controls/DialogUnits.h"

#include <QPainter>

namespace kel {

CFontStatic::CFontStatic(QWidget* parent) : QWidget(parent) {}

void CFontStatic::SetText(const QString& text) {
    if (text != m_text) {
        m_text = text;
        setAccessibleName(text);
        update();
    }
}

void CFontStatic::SetNumber(int number) {
    SetText(QString::number(number - m_offset) + m_suffix);
}

void CFontStatic::SetNumberFormat(int offset, const QString& suffix) {
    m_offset = offset;
    m_suffix = suffix;
}

void CFontStatic::SetTextColour(const QColor& colour) {
    if (colour != m_colour) {
        m_colour = colour;
        update();
    }
}

void CFontStatic::SetTextHeight(int pixels) {
    m_height = pixels;
    update();
}

void CFontStatic::SetAlignment(Qt::Alignment horizontal) {
    m_alignment = horizontal & Qt::AlignHorizontal_Mask;
    update();
}

void CFontStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont font = DialogFont();
    font.setPixelSize(m_height);
    p.setFont(font);
    p.setPen(m_colour);
    p.drawText(rect(), static_cast<int>(m_alignment | Qt::AlignVCenter) | Qt::TextSingleLine, m_text);
}

} // namespace kel
