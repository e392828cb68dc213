// CNumEdit: an edit box holding a parameter index, shown and typed as frequency, Q or EQ gain.
#pragma once

#include "model/DataConver.h"

#include <QLineEdit>
#include <QStringList>

#include <cstdint>
#include <string>

namespace kel {

class CBitmapSlider;

class CNumEdit : public QLineEdit {
  public:
    // id is the control id carried in MSG_NUMEDIT_CHANGED (lParam), sent to the parent.
    CNumEdit(QWidget* parent, int id);

    int Id() const { return m_id; }

    // VK_FREQ, VK_Q or VK_GAIN; the suffix follows a frequency text.
    void SetType(ValueKind kind, std::string suffix = {});
    // Sets the index to min; the text is left as it is.
    void SetRange(int min, int max);
    void SetStep(double step) { m_step = step; }
    void SetOffset(double offset) { m_offset = offset; }
    // Kind, range, step, offset and suffix of one configured control of the conversions table.
    void Configure(const Conversion& conversion);
    void SetPartnerSlider(CBitmapSlider* slider) { m_partner = slider; }
    // Within the range: index = n and the text shows it. Outside: nothing. Sends nothing.
    void SetPos(int n);
    // The committed index; a text the user changed since is read first (without reformatting).
    int GetPos();
    bool IsModified() const { return m_modified; }
    int RangeMin() const { return m_min; }
    int RangeMax() const { return m_max; }

    // The text of an index, and the index a text stands for, with this edit's settings.
    QString FormatIndex(int index) const;
    int ParseText(const QString& text) const;
    // The texts of every index of the range.
    QStringList AllTexts() const;
    // Pixels the text has between the frame and the edit's own margins.
    int TextRoom() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Reformat();
    void Notify();
    void InvalidateParent();
    // Narrows the font where the widest value would not fit (Q 128.000, frequency 20600).
    void FitFont();

    int m_id;
    CBitmapSlider* m_partner = nullptr;
    int m_index = 0;
    ValueKind m_kind = VK_FREQ;
    int m_min = 0;
    int m_max = kFreqIndexMax;
    bool m_modified = false;
    double m_step = 0.2;
    double m_offset = 24.0;
    std::string m_suffix;
    std::int16_t m_wheelAccumulator = 0;
};

} // namespace kel
