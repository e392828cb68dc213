// The group frame of a page.
#include "pages/GroupFrame.h"

#include "controls/DialogUnits.h"
#include "controls/Skin.h"
#include "pages/SysPanel.h"

#include <QPainter>

namespace kel {

CGroupFrame::CGroupFrame(QWidget* parent, bool drawPanel) : QWidget(parent), m_drawPanel(drawPanel) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CGroupFrame::SetText(const QString& text) {
    m_text = text;
    update();
}

void CGroupFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int band = DialogUnits::Get().Y(sys::kGroupTitleDlu);
    if (m_drawPanel) {
        sys::PaintPanel(p, QRectF(rect()), band);
    }
    QFont f = DialogFont();
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor::fromRgb(skin::kTextOnDark));
    p.drawText(QRect(8, 0, width() - 16, band), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               m_text);
}

} // namespace kel
