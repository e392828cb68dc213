// CPasswordColumn: one column of the system page's password group — old, new and confirm edits and
// Modify — for the system password (6 characters) or the panel password (4).
#pragma once

#include "protocol/DeviceWorkflows.h"

#include <QString>

namespace kel {

class CBitButton;
class CEnglishEdit;

class CPasswordColumn {
  public:
    CPasswordColumn(PasswordKind kind, CEnglishEdit* oldEdit, CEnglishEdit* newEdit,
                    CEnglishEdit* confirmEdit, CBitButton* modify);

    // Edits cleared; only the old password may be typed, and only while connected.
    void Reset();
    // Each step opens the next only while every step before it holds: a new password changed after it
    // was confirmed closes Modify again until the confirmation matches.
    void Evaluate();
    // The live system block arrived: what is typed is checked against it.
    void Reload();
    // Modify: when every step holds, the new password goes to the device through `send` (true);
    // false otherwise.
    bool SendNewPassword(const CommandSink& send);

    CEnglishEdit* OldEdit() const { return m_old; }
    CEnglishEdit* NewEdit() const { return m_new; }
    CEnglishEdit* ConfirmEdit() const { return m_confirm; }

  private:
    QString Stored() const;

    PasswordKind m_kind;
    CEnglishEdit* m_old;
    CEnglishEdit* m_new;
    CEnglishEdit* m_confirm;
    CBitButton* m_modify;
    QString m_stored;                               // the password the device holds, as text
    QString m_typedOld, m_typedNew, m_typedConfirm; // what the edits held when last read
};

} // namespace kel
