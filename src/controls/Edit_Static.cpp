// The value display: formatting through the value kinds and transparent, embossed-when-disabled text.
#include "controls/Edit_Static.h"

#include "controls/FitFont.h"
#include "controls/Skin.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace kel {

CEdit_Static::CEdit_Static(QWidget* parent) : QWidget(parent) {}

void CEdit_Static::SetRange(int min, int max) {
    m_min = min;
    m_max = max;
    FitFont();
}

void CEdit_Static::SetIntScale(int step, int offset, std::string suffix) {
    m_intStep = step;
    m_intOffset = offset;
    m_suffix = std::move(suffix);
}

void CEdit_Static::SetRealScale(double step, double offset, std::string suffix) {
    m_realStep = step;
    m_realOffset = offset;
    m_suffix = std::move(suffix);
}

void CEdit_Static::Configure(const Conversion& c) {
    SetRange(c.min, c.max);
    SetType(c.kind);
    if (c.kind == VK_LINEAR_REAL) {
        SetRealScale(c.step, c.offset, std::string(c.suffix));
    } else {
        SetIntScale(static_cast<int>(c.step), static_cast<int>(c.offset), std::string(c.suffix));
    }
    FitFont();
}

void CEdit_Static::SetAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

std::string CEdit_Static::Format(int index) const {
    switch (m_kind) {
    case VK_LINEAR_INT:
        return FormatLinearInt(index, m_intStep, m_intOffset, m_suffix);
    case VK_LINEAR_INT_OFF:
        return FormatLinearIntOff(index, m_min, m_intStep, m_intOffset, m_suffix);
    case VK_LINEAR_REAL:
        return FormatLinearReal(index, m_realStep, m_realOffset, m_suffix);
    case VK_ATTACK:
    case VK_RELEASE:
    case VK_RATIO:
        return FormatLabel(m_kind, index, m_suffix);
    case VK_DISTANCE:
        return FormatDistance(index, m_suffix);
    case VK_FREQ:
        return FormatFreq(index, m_suffix);
    case VK_Q:
        return FormatQ(index);
    case VK_GAIN:
        return FormatGain(index, m_realStep, m_realOffset);
    }
    return {};
}

void CEdit_Static::SetValue(int i) {
    m_index = std::clamp(i, m_min, std::max(m_min, m_max));
    m_intValue = m_index * m_intStep - m_intOffset;
    m_realValue = m_index * m_realStep - m_realOffset;
    const QString text = QString::fromStdString(Format(m_index));
    if (text != m_text) {
        m_text = text;
        setAccessibleName(m_text);
        update(); // drawn transparent over the parent's background
    }
}

QString CEdit_Static::TextOf(int index) const {
    return QString::fromStdString(Format(std::clamp(index, m_min, std::max(m_min, m_max))));
}

QStringList CEdit_Static::AllTexts() const {
    QStringList texts;
    for (int i = m_min; i <= std::max(m_min, m_max); ++i) {
        texts << TextOf(i);
    }
    return texts;
}

void CEdit_Static::FitFont() {
    FitFontToWidth(*this, AllTexts(), width());
}

void CEdit_Static::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitFont();
}

void CEdit_Static::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void CEdit_Static::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const int flags = static_cast<int>(m_alignment) | Qt::TextSingleLine;
    if (window() != nullptr && !isEnabledTo(window())) {
        // Embossed: the light copy one pixel down-right, the shadow copy over it.
        p.setPen(QColor::fromRgb(skin::kFaceLight));
        p.drawText(rect().translated(1, 1), flags, m_text);
        p.setPen(QColor::fromRgb(skin::kFaceShadow));
        p.drawText(rect(), flags, m_text);
        return;
    }
    p.setPen(Qt::black);
    p.drawText(rect(), flags, m_text);
}

} // namespace kel
