// CPasswordColumn: one column of the system page's password group — old, new and confirm edits and
// Modify — for the system password (6 characters) or the panel password (4).
#pragma once

#include <QString>

#include <cstddef>

namespace kel {

class CBitButton;
class CEnglishEdit;

class CPasswordColumn {
  public:
    struct Setup {
        int command;            // 140 or 141
        std::size_t offset;     // first byte in the system block
        std::size_t length;     // characters of the password
        std::size_t entryIndex; // where the new value goes in the password entry buffer
    };

    CPasswordColumn(const Setup& setup, CEnglishEdit* oldEdit, CEnglishEdit* newEdit,
                    CEnglishEdit* confirmEdit, CBitButton* modify);

    // Edits cleared; only the old password may be typed, and only while connected.
    void Reset();
    // Each step opens the next only while every step before it holds: a new password changed after it
    // was confirmed closes Modify again until the confirmation matches.
    void Evaluate();
    // The live system block arrived: what is typed is checked against it.
    void Reload();
    // Modify: when every step holds, the new password goes into the password entry buffer and the
    // command to send is returned; 0 otherwise.
    int TakeNewPassword();

    CEnglishEdit* OldEdit() const { return m_old; }
    CEnglishEdit* NewEdit() const { return m_new; }
    CEnglishEdit* ConfirmEdit() const { return m_confirm; }

  private:
    QString Stored() const;

    Setup m_setup;
    CEnglishEdit* m_old;
    CEnglishEdit* m_new;
    CEnglishEdit* m_confirm;
    CBitButton* m_modify;
    QString m_stored;                               // the password the device holds, as text
    QString m_typedOld, m_typedNew, m_typedConfirm; // what the edits held when last read
};

} // namespace kel
