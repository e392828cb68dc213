// The owner-drawn tab control: layout, hit testing, selection and the default drawing.
#include "controls/BaseTabCtrl.h"

#include "controls/FocusCue.h"
#include "controls/Skin.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kel {

namespace {
constexpr int kFirstTabX = 2;
constexpr int kTextPadding = 14;
constexpr int kMinTabWidth = 44;
} // namespace

CBaseTabCtrl::CBaseTabCtrl(QWidget* parent, int id) : QWidget(parent), m_id(id) {
    setFocusPolicy(Qt::TabFocus);
    setAutoFillBackground(false);
}

int CBaseTabCtrl::InsertItem(int index, const QString& text) {
    index = std::clamp(index, 0, GetItemCount());
    m_items.insert(m_items.begin() + index, Item{text, QColor::fromRgb(skin::kSlate)});
    if (m_current < 0) {
        m_current = 0;
    } else if (index <= m_current && GetItemCount() > 1) {
        ++m_current;
    }
    Layout();
    update();
    return index;
}

void CBaseTabCtrl::SetItemText(int index, const QString& text) {
    if (index >= 0 && index < GetItemCount()) {
        ItemAt(index).text = text;
        Layout();
        update();
    }
}

QString CBaseTabCtrl::ItemText(int index) const {
    return index >= 0 && index < GetItemCount() ? ItemAt(index).text : QString();
}

int CBaseTabCtrl::SetCurSel(int index) {
    const int previous = m_current;
    if (index >= 0 && index < GetItemCount()) {
        m_current = index;
        update();
    }
    return previous;
}

void CBaseTabCtrl::Layout() {
    const QFontMetrics fm(font());
    m_rects.clear();
    int x = kFirstTabX;
    for (const Item& item : m_items) {
        const int w = std::max(kMinTabWidth, fm.horizontalAdvance(item.text) + 2 * kTextPadding);
        m_rects.emplace_back(x, 2, w, kItemHeight - 2);
        x += w;
    }
}

QRect CBaseTabCtrl::ItemRect(int index) const {
    if (index < 0 || index >= static_cast<int>(m_rects.size())) {
        return {};
    }
    QRect r = m_rects[static_cast<std::size_t>(index)];
    if (index == m_current) {
        r.adjust(-2, -2, 2, 1); // the selected tab stands out and merges with the page below
    }
    return r;
}

int CBaseTabCtrl::HitTest(const QPoint& p) const {
    // The selected tab is drawn over its neighbours, so it wins where they overlap.
    if (ItemRect(m_current).contains(p)) {
        return m_current;
    }
    for (int i = 0; i < GetItemCount(); ++i) {
        if (ItemRect(i).contains(p)) {
            return i;
        }
    }
    return -1;
}

void CBaseTabCtrl::UserSelect(int index) {
    if (index < 0 || index >= GetItemCount() || index == m_current) {
        return;
    }
    m_current = index;
    update();
    Q_EMIT SelChange(index);
}

void CBaseTabCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        UserSelect(HitTest(event->position().toPoint()));
    }
}

void CBaseTabCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left) {
        UserSelect(m_current - 1);
    } else if (event->key() == Qt::Key_Right) {
        UserSelect(m_current + 1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void CBaseTabCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        Layout();
    }
    QWidget::changeEvent(event);
}

QColor CBaseTabCtrl::FaceColour() const {
    return palette().color(QPalette::Button);
}

void CBaseTabCtrl::DrawMainBorder(QPainter& p, const QRect& area) {
    p.fillRect(area, FaceColour());
    p.setPen(QColor::fromRgb(skin::kFaceLight));
    p.drawLine(area.topLeft(), area.topRight());
    p.drawLine(area.topLeft(), area.bottomLeft());
    p.setPen(QColor::fromRgb(skin::kFaceShadow));
    p.drawLine(area.bottomLeft(), area.bottomRight());
    p.drawLine(area.topRight(), area.bottomRight());
}

void CBaseTabCtrl::DrawItem(QPainter& p, int index, const QRect& rect, bool selected) {
    p.fillRect(rect, selected ? FaceColour() : ItemAt(index).colour);
    p.setPen(selected ? QColor::fromRgb(skin::kText) : QColor::fromRgb(skin::kTextOnDark));
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, ItemAt(index).text);
}

void CBaseTabCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    DrawMainBorder(p, QRect(0, kItemHeight, width(), height() - kItemHeight));
    for (int i = 0; i < GetItemCount(); ++i) {
        if (i != m_current) {
            DrawItem(p, i, ItemRect(i), false);
        }
    }
    if (m_current >= 0) {
        DrawItem(p, m_current, ItemRect(m_current), true);
        if (hasFocus()) {
            DrawFocusCue(p, ItemRect(m_current));
        }
    }
}

void CBaseTabCtrl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CBaseTabCtrl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace kel
