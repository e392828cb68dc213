// A password column of the system page.
#include "pages/PasswordColumn.h"

#include "controls/BitButton.h"
#include "controls/EnglishEdit.h"
#include "model/Model.h"
#include "pages/ByteText.h"

namespace kel {

namespace {
bool Connected() {
    return TheModel().connection.connected != 0;
}
} // namespace

CPasswordColumn::CPasswordColumn(PasswordKind kind, CEnglishEdit* oldEdit, CEnglishEdit* newEdit,
                                 CEnglishEdit* confirmEdit, CBitButton* modify)
    : m_kind(kind), m_old(oldEdit), m_new(newEdit), m_confirm(confirmEdit), m_modify(modify) {}

QString CPasswordColumn::Stored() const {
    return FieldText(StoredPassword(m_kind));
}

void CPasswordColumn::Reset() {
    m_stored = Stored();
    for (CEnglishEdit* e : {m_old, m_new, m_confirm}) {
        e->clear();
    }
    m_typedOld.clear();
    m_typedNew.clear();
    m_typedConfirm.clear();
    m_old->setEnabled(Connected());
    m_new->setEnabled(false);
    m_confirm->setEnabled(false);
    m_modify->setEnabled(false);
}

void CPasswordColumn::Evaluate() {
    m_stored = Stored();
    m_typedOld = m_old->text();
    m_typedNew = m_new->text();
    m_typedConfirm = m_confirm->text();
    const bool oldOk = Connected() && m_typedOld == m_stored;
    const bool newOk = oldOk && m_typedNew.size() == static_cast<qsizetype>(PasswordLength(m_kind));
    const bool confirmOk = newOk && m_typedConfirm == m_typedNew;
    m_new->setEnabled(oldOk);
    m_confirm->setEnabled(newOk);
    m_modify->setEnabled(confirmOk);
}

void CPasswordColumn::Reload() {
    if (m_typedOld.isEmpty() && m_typedNew.isEmpty() && m_typedConfirm.isEmpty()) {
        m_stored = Stored();
    } else {
        Evaluate();
    }
}

bool CPasswordColumn::SendNewPassword(const CommandSink& send) {
    Evaluate();
    if (!m_modify->isEnabled()) {
        return false;
    }
    ChangePassword(send, m_kind, m_typedNew.toLatin1().toStdString());
    return true;
}

} // namespace kel
