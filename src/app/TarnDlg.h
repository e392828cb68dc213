// CTarnDlg: the main window — volume strips, mode list, status line, Connect, the tabs over the pages,
// the progress dialog, and the custom messages of the protocol and the transports.
#pragma once

#include "app/Options.h"
#include "app/PageTable.h"
#include "controls/MessageEvent.h"
#include "model/DataConver.h"
#include "pages/PageBase.h"

#include <QRect>
#include <QSize>
#include <QWidget>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QScrollBar;

namespace kel {

class CBitButton;
class CBitmapSlider;
class CEdit_Static;
class CEnTabCtrl;
class CFontStatic;
class CQtHooks;
class CShow_Dlg;
class WindowCore;

// The three master volume strips, in the order music, microphone, effect.
enum VolumeStrip : int { STRIP_MUSIC = 0, STRIP_MIC = 1, STRIP_EFFECT = 2 };

class CTarnDlg : public QWidget, public PageHost {
  public:
    struct Settings {
        LanguageSetting language = LanguageSetting::English;
        // The screen the small-screen rule looks at; the window's own screen when not given.
        std::optional<QSize> screenSize;
        // The part of it windows may use (without panels); the whole given screen when not given.
        std::optional<QRect> availableGeometry;
        // Post MSG_CONNECT at the end of the start-up (tests may leave it out).
        bool postConnect = true;
    };

    CTarnDlg(WindowCore& core, const Settings& settings, QWidget* parent = nullptr);
    ~CTarnDlg() override;

    // Switch to tab 0..9; the tab already shown does nothing.
    void ShowPage(int index);
    // Refresh the page shown and the three volume strips, then the mode list and every page's mode.
    void RefreshPage();
    void ApplyLanguage();
    // The Connect action (button 3831 and MSG_CONNECT).
    void OnConnect();
    // Screens narrower than 1366 or lower than 768 pixels: 1290 × 740 with scroll bars, made smaller
    // where the available area is smaller, so that both bars stay on the screen.
    void ApplySmallScreenRule(const QSize& screen, const QRect& available);
    // A program or a preset set was loaded: the page shown, the strips and the status line.
    void RefreshAll();
    // The connection opened, ended or failed.
    void ConnectionChanged();
    void ReloadPasswordEntry();

    // PageHost
    void DeviceCommand(int type, int slot) override;
    void ClampMasterVolume(int strip) override;
    void RefreshVolumeStrips() override;
    void UpdateStatus(bool withName) override;

    // The parts of the window, for the application and the tests.
    CShow_Dlg& Progress() { return *m_progress; }
    CQtHooks& Hooks() { return *m_hooks; }
    CEnTabCtrl& Tabs() { return *m_tabs; }
    CPageBase* Page(PageId id) const { return m_pages[static_cast<std::size_t>(id)]; }
    CPageBase* ShownPage() const;
    CBitmapSlider& VolumeSlider(int strip) const;
    CEdit_Static& VolumeValue(int strip) const;
    CBitButton& MuteButton(int strip) const;
    CFontStatic& VolumeLabel(int strip) const;
    CFontStatic& StatusLine() const { return *m_status; }
    CBitButton& ConnectButton() const { return *m_connect; }
    CBitButton& LanguageButton() const { return *m_language; }
    QComboBox& ModeList() const { return *m_modeList; }
    QScrollBar& VerticalBar() const { return *m_vbar; }
    QScrollBar& HorizontalBar() const { return *m_hbar; }
    // The About item (F1, and the background's context menu).
    QAction& AboutAction() const { return *m_about; }
    bool SmallScreen() const { return m_smallScreen; }
    // The client area holding every control; it is what the scroll bars move.
    QWidget& Client() const { return *m_client; }

  protected:
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    struct Strip {
        CFontStatic* label = nullptr;
        CBitmapSlider* slider = nullptr;
        CEdit_Static* value = nullptr;
        CBitButton* mute = nullptr;
    };

    void CreateControls();
    void CreatePages();
    void ConfigureLanguage(LanguageSetting setting);
    void PlaceScrollBars();
    // Shrinks and moves the window so that its frame lies within the available area.
    void FitToAvailable();
    void OnScroll(QScrollBar* bar, int& position, int value, bool vertical);
    void OnMuteClicked(int strip);
    void OnModeChosen(int index);
    void ShowAbout();
    // Whether a window point lies on the empty background rather than over a control.
    bool OnBackground(const QPoint& pos) const;
    int StripOfSlider(int controlId) const;

    // Message handlers (the message table is in TarnDlg.cpp).
    void OnTransportFailed(std::intptr_t type, std::intptr_t rescan);
    void OnConnectMessage(std::intptr_t, std::intptr_t);
    void OnSystemReceived(std::intptr_t, std::intptr_t);
    void OnProgramReceived(std::intptr_t, std::intptr_t);
    void OnAllPresetsReceived(std::intptr_t, std::intptr_t);
    void OnLevelsReceived(std::intptr_t reportType, std::intptr_t);
    void OnIdentifyReply(std::intptr_t, std::intptr_t);
    void OnSliderMoved(std::intptr_t controlId, std::intptr_t);

    friend struct TarnMessages;

    WindowCore& m_core;
    QWidget* m_client = nullptr;
    std::array<Strip, 3> m_strips{};
    QComboBox* m_modeList = nullptr;
    CFontStatic* m_status = nullptr;
    CBitButton* m_connect = nullptr;
    CBitButton* m_language = nullptr;
    CEnTabCtrl* m_tabs = nullptr;
    std::array<CPageBase*, kPageCount> m_pages{};
    CShow_Dlg* m_progress = nullptr;
    QAction* m_about = nullptr;
    std::unique_ptr<CQtHooks> m_hooks;
    QScrollBar* m_vbar = nullptr;
    QScrollBar* m_hbar = nullptr;
    int m_vpos = 1;
    int m_hpos = 1;
    bool m_smallScreen = false;
    QRect m_available;
    bool m_languageButtonShown = false;
    bool m_nameShown = false; // the status line names the program of the open connection
};

} // namespace kel
