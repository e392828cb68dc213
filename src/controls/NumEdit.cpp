// The numeric edit: typing filter, commit on focus loss, arrow keys and wheel, MSG_NUMEDIT_CHANGED.
#include "controls/NumEdit.h"

#include "controls/BitmapSlider.h"
#include "controls/FitFont.h"
#include "controls/MessageEvent.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWheelEvent>

#include <algorithm>
#include <cassert>

namespace kel {

namespace {

constexpr int kWheelNotch = 120;
constexpr int kLineEditMargin = 2; // QLineEdit keeps this many pixels each side of its text

// What may be typed: digits, backspace, tab, minus and point. Editing keys without a character pass.
bool AcceptedCharacter(const QString& text) {
    if (text.isEmpty()) {
        return true;
    }
    if (text.size() != 1) {
        return false;
    }
    const QChar c = text.front();
    return (c >= u'0' && c <= u'9') || c == u'\b' || c == u'\t' || c == u'-' || c == u'.';
}

bool IsClipboardOrUndo(const QKeyEvent* event) {
    return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Paste) ||
           event->matches(QKeySequence::Cut) || event->matches(QKeySequence::SelectAll) ||
           event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
}

} // namespace

CNumEdit::CNumEdit(QWidget* parent, int id) : QLineEdit(parent), m_id(id) {
    setFrame(true);
    connect(this, &QLineEdit::textEdited, this, [this] { m_modified = true; });
}

void CNumEdit::SetType(ValueKind kind, std::string suffix) {
    assert(kind == VK_FREQ || kind == VK_Q || kind == VK_GAIN);
    m_kind = kind;
    m_suffix = std::move(suffix);
    Reformat();
    FitFont();
}

void CNumEdit::SetRange(int min, int max) {
    m_min = min;
    m_max = max;
    m_index = min;
    FitFont();
}

QStringList CNumEdit::AllTexts() const {
    // Only indices the kind's table has: the range may be set after the kind.
    int top = m_max;
    if (m_kind == VK_Q) {
        top = std::min(top, kQIndexMax);
    } else if (m_kind == VK_FREQ) {
        top = std::min(top, kFreqIndexMax);
    }
    QStringList texts;
    for (int i = std::max(m_min, 0); i <= top; ++i) {
        texts << FormatIndex(i);
    }
    return texts;
}

int CNumEdit::TextRoom() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
    return contents.width() - 2 * kLineEditMargin;
}

void CNumEdit::FitFont() {
    FitFontToWidth(*this, AllTexts(), TextRoom());
}

void CNumEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    FitFont();
}

void CNumEdit::Configure(const Conversion& conversion) {
    m_step = conversion.step;
    m_offset = conversion.offset;
    SetRange(conversion.min, conversion.max);
    SetType(conversion.kind, std::string(conversion.suffix));
}

QString CNumEdit::FormatIndex(int index) const {
    assert(index >= m_min && index <= m_max);
    switch (m_kind) {
    case VK_FREQ:
        return QString::fromStdString(FormatFreq(index, m_suffix));
    case VK_Q:
        return QString::fromStdString(FormatQ(index));
    default:
        return QString::fromStdString(FormatGain(index, m_step, m_offset));
    }
}

int CNumEdit::ParseText(const QString& text) const {
    const std::string s = text.toStdString();
    switch (m_kind) {
    case VK_FREQ:
        return FreqTextToIndex(s);
    case VK_Q:
        return QTextToIndex(s);
    default:
        return DbToGainIndexTyped(ParseGain(s), m_min, m_max, m_step, m_offset);
    }
}

void CNumEdit::Reformat() {
    if (m_index >= m_min && m_index <= m_max) {
        setText(FormatIndex(m_index));
    }
}

void CNumEdit::SetPos(int n) {
    if (n >= m_min && n <= m_max) {
        m_index = n;
        Reformat();
    }
}

int CNumEdit::GetPos() {
    if (m_modified) {
        // The text this edit wrote itself stands for the committed index: reading it back must not move
        // the value (a shown gain such as -23.8 would otherwise read back one step lower).
        if (text() != FormatIndex(m_index)) {
            m_index = ParseText(text());
        }
        m_modified = false;
    }
    return m_index;
}

void CNumEdit::Notify() {
    SendMessageTo(parentWidget(), MSG_NUMEDIT_CHANGED, 0, m_id);
}

void CNumEdit::InvalidateParent() {
    if (QWidget* parent = parentWidget()) {
        parent->update(geometry());
    }
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly() && (event->modifiers() & Qt::ShiftModifier)) {
        event->accept();
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // The page has taken the focus (which committed the text); the caret goes to the start.
        setCursorPosition(0);
        event->accept();
        return;
    }
    if (!(event->modifiers() & Qt::ControlModifier)) {
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const int next = m_index + (key == Qt::Key_Up ? 1 : -1);
            if (next >= m_min && next <= m_max) {
                m_index = next;
                Reformat();
                Notify();
            }
            QLineEdit::keyPressEvent(event);
            event->accept();
            return;
        }
    }
    if (!IsClipboardOrUndo(event) && !AcceptedCharacter(event->text())) {
        event->accept(); // swallowed, double-byte characters included
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CNumEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed (double-byte) input never reaches a numeric edit.
    event->accept();
}

void CNumEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    InvalidateParent();
    if (m_partner != nullptr) {
        m_partner->SetThumbHighlight(true);
    }
    if (!isReadOnly()) {
        selectAll(); // a read-only edit shows no caret and keeps its selection
    }
}

void CNumEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (m_modified) {
        m_index = ParseText(text());
        Reformat(); // the user sees the value actually taken
        Notify();
    }
    InvalidateParent();
    if (m_partner != nullptr) {
        m_partner->SetThumbHighlight(false);
    }
}

void CNumEdit::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    m_wheelAccumulator =
        static_cast<std::int16_t>(std::clamp(m_wheelAccumulator + delta, -kWheelNotch, kWheelNotch));
    if (m_wheelAccumulator == -kWheelNotch) {
        SetPos(m_index - 1);
        m_wheelAccumulator = 0;
    } else if (m_wheelAccumulator == kWheelNotch) {
        SetPos(m_index + 1);
        m_wheelAccumulator = 0;
    }
    Notify();
}

void CNumEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Notify();
        InvalidateParent();
    }
    QLineEdit::mousePressEvent(event);
}

} // namespace kel
