// CGroupFrame: a group of a page's controls — a rounded panel with its title in a slate band, or (over a
// background bitmap that draws the panel) the title alone.
#pragma once

#include <QString>
#include <QWidget>

namespace kel {

class CGroupFrame : public QWidget {
  public:
    CGroupFrame(QWidget* parent, bool drawPanel);

    void SetText(const QString& text);
    const QString& Text() const { return m_text; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool m_drawPanel;
    QString m_text;
};

} // namespace kel
