// The one interface through which the core reaches the window (or a test, or the CLI).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kel {

enum class BoxIcon { None, Information, Warning, Error };

class AppHooks {
public:
    virtual ~AppHooks() = default;

    // Queue a custom message for the window's thread; never waits.
    virtual void PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) = 0;
    // Whether the main window exists (some messages are posted only then).
    virtual bool HasWindow() const = 0;
    // A plain message box with an OK button. Called from any thread; must not block a worker thread.
    virtual void MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) = 0;
    // File dialogs; nullopt when the user cancels. filter is "*.dia" or "*.dat".
    virtual std::optional<std::string> ChooseOpenFile(const std::string& initialPath, const std::string& filter) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const std::string& initialPath, const std::string& filter) = 0;

    // The progress dialog.
    virtual void ShowLookup() = 0;
    virtual void EndLookup() = 0;
    virtual void BeginProgress(int total) = 0;
    virtual void StepProgress(int position) = 0;
    virtual void ShowBusy() = 0;
    virtual void Hide() = 0;

    // Start the all-presets save (the file step of "Export all").
    virtual void SaveAllPresets() = 0;
    // The live system block arrived: the system page reloads its password entry state.
    virtual void ReloadPasswordEntry() {}
    // The current slot or the program name changed: redraw the status line.
    virtual void UpdateStatus(bool /*withName*/) {}
    // A whole program or preset set was loaded: every page and the status line reload from the model.
    virtual void RefreshAll() {}
    // A connection opened, ended or failed: redraw the connection display (and the system page).
    virtual void ConnectionChanged() {}
};

// Hooks that do nothing: the state before a window or a test installs its own.
class NullHooks : public AppHooks {
public:
    void PostMessage(int, std::intptr_t, std::intptr_t) override {}
    bool HasWindow() const override { return false; }
    void MessageBox(const std::string&, const std::string&, BoxIcon) override {}
    std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override { return {}; }
    void ShowLookup() override {}
    void EndLookup() override {}
    void BeginProgress(int) override {}
    void StepProgress(int) override {}
    void ShowBusy() override {}
    void Hide() override {}
    void SaveAllPresets() override {}
};

AppHooks& Hooks();
// Install hooks (nullptr restores the null hooks). The caller keeps ownership.
void SetAppHooks(AppHooks* hooks);

} // namespace kel
