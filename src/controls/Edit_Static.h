// CEdit_Static: the read-only value display beside a slider (levels, times, ratios, delays).
#pragma once

#include "model/DataConver.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <string>

namespace kel {

class CEdit_Static : public QWidget {
  public:
    explicit CEdit_Static(QWidget* parent);

    void SetRange(int min, int max);
    void SetType(ValueKind kind) { m_kind = kind; }
    // Step and offset of VK_LINEAR_INT and VK_LINEAR_INT_OFF.
    void SetIntScale(int step, int offset, std::string suffix);
    // Step and offset of VK_LINEAR_REAL.
    void SetRealScale(double step, double offset, std::string suffix);
    // Kind, range, scale and suffix of one configured control of the conversions table.
    void Configure(const Conversion& conversion);
    // index = i limited to the range; the text shows it.
    void SetValue(int i);
    int Value() const { return m_index; }
    int IntValue() const { return m_intValue; }
    double RealValue() const { return m_realValue; }
    const QString& Text() const { return m_text; }
    // Left by default; centred or right on request, vertically centred.
    void SetAlignment(Qt::Alignment alignment);
    // The text of any index of the range, and the texts of the whole range.
    QString TextOf(int index) const;
    QStringList AllTexts() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::string Format(int index) const;
    // Narrows the font where the widest value would not fit the display.
    void FitFont();

    int m_min = 0;
    int m_max = 100;
    int m_index = 0;
    ValueKind m_kind = VK_LINEAR_INT;
    int m_intValue = 0;
    double m_realValue = 0;
    std::string m_suffix;
    int m_intStep = 1;
    int m_intOffset = 0;
    double m_realStep = 1;
    double m_realOffset = 0;
    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

} // namespace kel
