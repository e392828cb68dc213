// CQtHooks: the window's side of AppHooks — posted messages into the event loop, message boxes that never
// block a worker thread, file dialogs and the progress dialog.
#pragma once

#include "model/AppHooks.h"

#include <QPointer>
#include <QString>

#include <functional>

namespace kel {

class CTarnDlg;
class CShow_Dlg;
class WindowCore;

class CQtHooks : public AppHooks {
  public:
    // Shows one message box; the default is a modal box with an OK button on the UI thread.
    using BoxPresenter = std::function<void(const QString& text, const QString& caption, BoxIcon icon)>;

    CQtHooks(CTarnDlg& window, CShow_Dlg& progress, WindowCore& core);

    void SetBoxPresenter(BoxPresenter presenter) { m_presentBox = std::move(presenter); }

    void PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;
    bool HasWindow() const override;
    void MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) override;
    std::optional<std::string> ChooseOpenFile(const std::string& initialPath,
                                              const std::string& filter) override;
    std::optional<std::string> ChooseSaveFile(const std::string& initialPath,
                                              const std::string& filter) override;
    void ShowLookup() override;
    void EndLookup() override;
    void BeginProgress(int total) override;
    void StepProgress(int position) override;
    void ShowBusy() override;
    void Hide() override;
    void SaveAllPresets() override;
    void ReloadPasswordEntry() override;
    void UpdateStatus(bool withName) override;
    void RefreshAll() override;
    void ConnectionChanged() override;

  private:
    // Runs `work` on the UI thread: at once when called there, else queued (the caller never waits).
    void OnUiThread(std::function<void()> work);
    std::optional<std::string> ChooseFile(bool save, const std::string& initialPath,
                                          const std::string& filter);

    QPointer<CTarnDlg> m_window;
    QPointer<CShow_Dlg> m_progress;
    WindowCore& m_core;
    BoxPresenter m_presentBox;
};

} // namespace kel
