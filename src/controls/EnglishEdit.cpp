// The single-byte edit: typed, composed and pasted characters outside printable ASCII are refused.
#include "controls/EnglishEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QValidator>

namespace kel {

namespace {

int ForeignCount(const QString& text) {
    int n = 0;
    for (const QChar c : text) {
        n += (c.unicode() < 0x20 || c.unicode() > 0x7E) ? 1 : 0;
    }
    return n;
}

// Refuses a change that brings in a character outside printable ASCII, wherever it comes from (typing,
// composing, pasting). A text set by the program with such bytes can still be shortened or replaced.
class SingleByteValidator : public QValidator {
  public:
    explicit SingleByteValidator(QLineEdit* edit) : QValidator(edit) {
        // While a change is validated the edit already shows it: compare with the last text taken.
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { m_foreign = ForeignCount(text); });
    }
    State validate(QString& input, int&) const override {
        return ForeignCount(input) > m_foreign ? Invalid : Acceptable;
    }

  private:
    int m_foreign = 0;
};

} // namespace

CEnglishEdit::CEnglishEdit(QWidget* parent, int id) : QLineEdit(parent), m_id(id) {
    setValidator(new SingleByteValidator(this));
    setAttribute(Qt::WA_InputMethodEnabled, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(250, 250, 250));
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    connect(this, &QLineEdit::textEdited, this, [this] { Q_EMIT Changed(m_id); });
}

bool CEnglishEdit::IsSingleByte(const QString& text) {
    return ForeignCount(text) == 0;
}

void CEnglishEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() == 1 && text.front().unicode() > 0x7E) {
        event->accept(); // swallowed
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CEnglishEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!IsSingleByte(event->commitString())) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

} // namespace kel
