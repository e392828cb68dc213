// CEnglishEdit: an edit that takes single-byte (ASCII) text only, for program names and passwords.
#pragma once

#include <QLineEdit>

namespace kel {

class CEnglishEdit : public QLineEdit {
    Q_OBJECT
  public:
    CEnglishEdit(QWidget* parent, int id);

    int Id() const { return m_id; }
    // Whether a text could be stored as single-byte text.
    static bool IsSingleByte(const QString& text);

  Q_SIGNALS:
    // After every accepted change by the user (typing, deleting, pasting).
    void Changed(int id);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    int m_id;
};

} // namespace kel
