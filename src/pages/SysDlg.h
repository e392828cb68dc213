// CSysDlg: the system page — maxima, input gains and switches of the system block, the twelve level
// meters, the 21 device modes with recall, store and the preset files, store authority, and the system
// and panel passwords.
#pragma once

#include "pages/PageConventions.h"
#include "pages/PasswordColumn.h"

#include <QPixmap>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class QComboBox;

namespace kel {

class CSysDlg : public CBoundPage {
  public:
    CSysDlg(QWidget* parent, PageHost* host);

    void Refresh() override;
    void ApplyLanguage() override;
    // MSG_LEVELS_RECEIVED: report 12 sets the levels, report 24 the signals; off line every meter goes out.
    void OnLevels(int reportType) override;
    // The live system block arrived: what is typed into the password columns is checked against it.
    void ReloadPasswordEntry() override;

    // Any control of the template by id (groups, edits and meters included); nullptr when there is none.
    QWidget* Item(int id) const { return Control(id); }
    CSLamp& Meter(int i) const { return *m_meters[static_cast<std::size_t>(i)]; }
    QComboBox& ModeList() const { return *m_modeList; }
    // The slot the mode list selects, 1..21; 0 when nothing is selected.
    int SelectedSlot() const { return m_slot; }
    // The background shown for the current language.
    const QPixmap& Background() const;

  protected:
    void OnPageMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;
    void OnButton(int id) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void FillModeList();
    void UpdateStoreAuthority();
    void UpdateAuthorityText();
    void LoadSlotName(int slot);
    void Modify(CPasswordColumn& column);
    // The workflows' commands go through the window's command entry.
    CommandSink Sink();

    // Reactions of the controls (the button table is in SysDlg.cpp).
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

    std::array<CSLamp*, 12> m_meters{};
    QComboBox* m_modeList = nullptr;
    CEnglishEdit* m_modeName = nullptr;
    CEnglishEdit* m_verifyEdit = nullptr;
    std::optional<CPasswordColumn> m_system;
    std::optional<CPasswordColumn> m_panel;
    int m_slot = 0;     // selected slot, 1..21
    QString m_modeText; // the name edit's text when last read
    QString m_typedVerify;
    QPixmap m_backgroundZh;
    QPixmap m_backgroundEn;
};

} // namespace kel
