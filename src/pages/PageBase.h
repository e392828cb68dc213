// CPageBase: what every page offers the main window (Refresh, ApplyLanguage, ApplyMode) and the services
// of the main window a page may call.
#pragma once

#include <QWidget>

#include <cstdint>

namespace kel {

// The main window as its pages see it.
class PageHost {
  public:
    virtual ~PageHost() = default;
    // The command entry: queued under ImageLock when connected, off-line rules otherwise.
    virtual void DeviceCommand(int type, int slot) = 0;
    // After a maximum changed on the system page: the matching volume follows it down.
    // strip: 0 music, 1 microphone, 2 effect.
    virtual void ClampMasterVolume(int strip) = 0;
    // Reload the three volume strips from the system block.
    virtual void RefreshVolumeStrips() = 0;
    // Redraw the status line and the Connect button (with the program's name when withName).
    virtual void UpdateStatus(bool withName) = 0;
};

class CPageBase : public QWidget {
  public:
    CPageBase(QWidget* parent, PageHost* host);

    // Load every control from the model; setting controls this way sends nothing.
    virtual void Refresh() {}
    // Set every label for LanguageFlag.
    virtual void ApplyLanguage() {}
    // Enable or disable the expert controls for OperatingMode.
    virtual void ApplyMode() {}
    // The main output page serves tabs 4..8: it reconfigures itself for the tab before it is shown.
    virtual void SelectOutputTab(int /*tab*/) {}
    // The system page draws the meters of a level report (type 12 or 24).
    virtual void OnLevels(int /*reportType*/) {}
    // The system page reloads its password entry state after the live system block arrived.
    virtual void ReloadPasswordEntry() {}

  protected:
    PageHost* Host() const { return m_host; }
    // Custom messages (posted or sent QEvents) arrive here; pages dispatch them through a message table.
    virtual void OnMessage(int /*message*/, std::intptr_t /*wParam*/, std::intptr_t /*lParam*/) {}

    void customEvent(QEvent* event) override;
    // Pages draw nothing themselves: the tab control's face and the controls paint.
    void paintEvent(QPaintEvent* event) override;

  private:
    PageHost* m_host;
};

} // namespace kel
