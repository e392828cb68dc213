// CBaseTabCtrl: an owner-drawn tab control; it lays the tabs out and asks subclasses to draw them.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

namespace kel {

class CBaseTabCtrl : public QWidget {
    Q_OBJECT
  public:
    // Height of the tab row; the pages sit one pixel below it (21 pixels from the top).
    static constexpr int kItemHeight = 20;

    CBaseTabCtrl(QWidget* parent, int id);

    int Id() const { return m_id; }
    int InsertItem(int index, const QString& text);
    void SetItemText(int index, const QString& text);
    QString ItemText(int index) const;
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    int GetCurSel() const { return m_current; }
    // Selects a tab without notifying; returns the previous selection.
    int SetCurSel(int index);
    QRect ItemRect(int index) const;
    int HitTest(const QPoint& p) const;

  Q_SIGNALS:
    // The user chose another tab (a click on the selected tab, or the arrow key at an end, sends nothing).
    void SelChange(int index);

  protected:
    struct Item {
        QString text;
        QColor colour;
    };
    const Item& ItemAt(int index) const { return m_items[static_cast<std::size_t>(index)]; }
    Item& ItemAt(int index) { return m_items[static_cast<std::size_t>(index)]; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    virtual void DrawMainBorder(QPainter& p, const QRect& area);
    virtual void DrawItem(QPainter& p, int index, const QRect& rect, bool selected);
    QColor FaceColour() const;

  private:
    void Layout();
    void UserSelect(int index);

    int m_id;
    std::vector<Item> m_items;
    std::vector<QRect> m_rects;
    int m_current = -1;
};

} // namespace kel
