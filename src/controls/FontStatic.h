// CFontStatic: a static text in a chosen colour and pixel height, or a number with an offset and a suffix.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace kel {

class CFontStatic : public QWidget {
  public:
    explicit CFontStatic(QWidget* parent);

    void SetText(const QString& text);
    const QString& Text() const { return m_text; }
    // Shows number − offset with "%d", followed by the suffix.
    void SetNumber(int number);
    void SetNumberFormat(int offset, const QString& suffix);
    void SetTextColour(const QColor& colour);
    const QColor& TextColour() const { return m_colour; }
    void SetTextHeight(int pixels);
    // Left by default, or Qt::AlignHCenter / Qt::AlignRight; always one line, vertically centred.
    void SetAlignment(Qt::Alignment horizontal);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_text;
    QColor m_colour{Qt::black};
    int m_height = 14;
    int m_offset = 0;
    QString m_suffix;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};

} // namespace kel
