// CSysDlg: the system page — maxima, input gains and switches of the system block, the twelve level
// meters, the 21 device modes with recall, store and the preset files, store authority, and the system
// and panel passwords.
#pragma once

#include "pages/PageConventions.h"

#include <QPixmap>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class QComboBox;

namespace kel {

class CBitButton;
class CEnglishEdit;
class CSLamp;

class CSysDlg : public CBoundPage {
  public:
    CSysDlg(QWidget* parent, PageHost* host);

    void Refresh() override;
    void ApplyLanguage() override;
    void ApplyMode() override;
    // MSG_LEVELS_RECEIVED: report 12 sets the levels, report 24 the signals; off line every meter goes out.
    void OnLevels(int reportType) override;
    // The live system block arrived: what is typed into the password columns is checked against it.
    void ReloadPasswordEntry() override;
    // The page edits the system block.
    std::uint8_t* EditedRecord() override;

    // Any control of the template by id (groups, edits and meters included); nullptr when there is none.
    QWidget* Item(int id) const;
    // The text a label, group, button, edit, display or list of the page shows.
    QString Text(int id) const;
    CSLamp& Meter(int i) const { return *m_meters[static_cast<std::size_t>(i)]; }
    QComboBox& ModeList() const { return *m_modeList; }
    // The slot the mode list selects, 1..21; 0 when nothing is selected.
    int SelectedSlot() const { return m_slot; }
    // The background shown for the current language.
    const QPixmap& Background() const;

  protected:
    void OnMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;
    void OnButton(int id) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // One password column: the system password (6 characters) or the panel password (4).
    struct PasswordColumn {
        int command;            // 140 or 141
        std::size_t offset;     // first byte in the system block
        std::size_t length;     // characters of the password
        std::size_t entryIndex; // where the new value goes in the password entry buffer
        CEnglishEdit* oldEdit = nullptr;
        CEnglishEdit* newEdit = nullptr;
        CEnglishEdit* confirmEdit = nullptr;
        CBitButton* modify = nullptr;
        QString stored;                           // the password the device holds, as text
        QString typedOld, typedNew, typedConfirm; // what the edits held when last read
    };

    void CreatePageControls();
    void CreateEdits();
    void SetCaption(int id, const QString& text);

    void FillModeList();
    void UpdateStoreAuthority();
    void UpdateAuthorityText();
    void LoadSlotName(int slot);
    void ResetPasswordColumn(PasswordColumn& column);
    void EvaluatePasswordColumn(PasswordColumn& column);
    // Modify: the new value into the password entry buffer, then command 140 or 141.
    void Modify(PasswordColumn& column);

    // Reactions of the controls (the button table is in SysDlg.cpp).
    void OnSensitivityChosen(int index);
    void OnModeSelected(int index);
    void OnRecall();
    void OnStore();
    void OnExport();
    void OnImport();
    void OnExportAll();
    void OnImportAll();
    void OnVerifyEdited();
    void OnVerifyOk();
    void OnSystemModify();
    void OnPanelModify();

    friend struct SysButtons;

    std::vector<std::pair<int, QWidget*>> m_own; // groups, edits and meters
    std::array<CSLamp*, 12> m_meters{};
    QComboBox* m_modeList = nullptr;
    CEnglishEdit* m_modeName = nullptr;
    CEnglishEdit* m_verifyEdit = nullptr;
    PasswordColumn m_system;
    PasswordColumn m_panel;
    int m_slot = 0;     // selected slot, 1..21
    QString m_modeText; // the name edit's text when last read
    QString m_typedVerify;
    QPixmap m_backgroundZh;
    QPixmap m_backgroundEn;
};

} // namespace kel
