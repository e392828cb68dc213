// Drawing of the main window's tabs.
#include "controls/EnTabCtrl.h"

#include "controls/Skin.h"

#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace kel {

namespace {

QColor Scaled(const QColor& c, double factor) {
    auto channel = [factor](int v) { return std::min(255, static_cast<int>(v * factor)); };
    return QColor(channel(c.red()), channel(c.green()), channel(c.blue()));
}

QColor Blend(const QColor& a, const QColor& b, double t) {
    auto mix = [t](int x, int y) { return static_cast<int>(x + (y - x) * t); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

} // namespace

CEnTabCtrl::CEnTabCtrl(QWidget* parent, int id)
    : CBaseTabCtrl(parent, id), m_text(QColor::fromRgb(skin::kTextOnDark)),
      m_selectedText(QColor::fromRgb(skin::kText)) {}

void CEnTabCtrl::SetTabColour(int index, const QColor& colour) {
    if (index >= 0 && index < GetItemCount()) {
        ItemAt(index).colour = colour;
        update();
    }
}

void CEnTabCtrl::SetGradient(bool on) {
    m_gradient = on;
    update();
}

void CEnTabCtrl::SetSelectionFlat(bool on) {
    m_selectionFlat = on;
    update();
}

void CEnTabCtrl::SetTextColours(const QColor& normal, const QColor& selected) {
    m_text = normal;
    m_selectedText = selected;
    update();
}

void CEnTabCtrl::DrawItem(QPainter& p, int index, const QRect& rect, bool selected) {
    const QColor tab = ItemAt(index).colour;
    const QScreen* scr = screen();
    const bool deep = scr == nullptr || scr->depth() > 15;
    if (selected && m_selectionFlat) {
        p.fillRect(rect, FaceColour());
    } else if (m_gradient && deep) {
        // Two-pixel bands from the tab colour at the top to 70 % of the face colour at the bottom.
        const QColor bottom = Scaled(FaceColour(), 0.7);
        const int h = std::max(1, rect.height());
        for (int y = 0; y < rect.height(); y += 2) {
            p.fillRect(QRect(rect.left(), rect.top() + y, rect.width(), 2),
                       Blend(tab, bottom, static_cast<double>(y) / h));
        }
    } else {
        p.fillRect(rect, tab);
    }
    const QColor light = Scaled(tab, 1.5);
    const QColor dark = Scaled(tab, 0.75);
    p.setPen(selected ? QColor::fromRgb(skin::kFaceLight) : light);
    p.drawLine(rect.bottomLeft(), rect.topLeft());
    p.drawLine(rect.topLeft(), rect.topRight());
    p.setPen(selected ? QColor::fromRgb(skin::kFaceShadow) : dark);
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.setPen(selected ? m_selectedText : m_text);
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, ItemAt(index).text);
}

} // namespace kel
