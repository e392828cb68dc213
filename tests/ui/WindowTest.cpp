// The main window, its progress dialog, its hooks for the core and the command line.
#include "UiTestMain.h"

#include "app/Options.h"
#include "app/QtHooks.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "app/WindowCore.h"
#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/EnTabCtrl.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "model/AppHooks.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "pages/PlaceholderPage.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include "support/ProcessState.h"

#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstring>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

using namespace kel;

namespace {

// The core as the window sees it, recording what the window asks of it.
class RecordingCore : public WindowCore {
  public:
    int connects = 0;
    int identifyReplies = 0;
    int allPresets = 0;
    int opened = 0;
    std::vector<std::pair<int, int>> failures;
    std::vector<std::pair<int, int>> commands;

    void Connect() override { ++connects; }
    void OnTransportFailed(int type, int rescan) override { failures.emplace_back(type, rescan); }
    void OnIdentifyReply() override { ++identifyReplies; }
    void OnAllPresetsReceived() override { ++allPresets; }
    void DeviceCommand(int type, int slot) override { commands.emplace_back(type, slot); }
    void WindowOpened() override { ++opened; }
};

struct Box {
    QString text, caption;
};

// A fresh model and a window on a large screen, without the message boxes of a real desktop.
struct Fixture {
    explicit Fixture(CTarnDlg::Settings settings = Big()) {
        window = std::make_unique<CTarnDlg>(core, settings);
        window->Hooks().SetBoxPresenter([this](const QString& t, const QString& c, BoxIcon) {
            boxes.push_back({t, c});
        });
    }
    static CTarnDlg::Settings Big() {
        CTarnDlg::Settings s;
        s.screenSize = QSize(1920, 1080);
        return s;
    }
    void Deliver() { QCoreApplication::sendPostedEvents(); }

    test::ProcessState state;
    RecordingCore core;
    std::vector<Box> boxes;
    std::unique_ptr<CTarnDlg> window;
};

void Mouse(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void SetName(const char* name) {
    TextToBytes(name, TheModel().image.name);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void startsOnTheSystemPageOffLine();
    void statusLineNamesTheProgram_data();
    void statusLineNamesTheProgram();
    void volumeSliderStopsAtItsMaximum();
    void muteTogglesOnlyItsBit();
    void maximumClampFromTheSystemPage();
    void sameTabDoesNotRefresh();
    void outputTabsShareOnePage();
    void smallScreenRule_data();
    void smallScreenRule();
    void scrollBarsMoveTheContents();
    void languages();
    void modeListSetsTheOperatingMode();
    void messagesFromTheCore();
    void enterAndEscapeNeverClose();
    void workerThreadsNeverWait();

    void progressLookupForm();
    void progressBarForm();
    void progressNamesTheFrameInFlight();
    void statusLineWhileConnecting();
    void placeholderPagesSaySo();
    void progressBusyForm();
    void progressCannotBeClosed();

    void options_data();
    void options();
};

void WindowTest::startsOnTheSystemPageOffLine() {
    Fixture f;
    CTarnDlg& w = *f.window;
    QCOMPARE(TheModel().settings.currentPage, 9);
    QVERIFY(TheModel().settings.meters.wanted); // the system page shows the level reports
    QCOMPARE(w.Tabs().GetCurSel(), 9);
    QVERIFY(!w.Page(PageId::System)->isHidden());
    for (PageId id : {PageId::Music, PageId::Deq, PageId::Mic, PageId::Effect, PageId::Main}) {
        QVERIFY(w.Page(id)->isHidden());
    }
    QCOMPARE(w.windowTitle(), QStringLiteral("Kelvane SV-1.09"));
    QVERIFY(w.LanguageButton().isHidden());
    QCOMPARE(w.StatusLine().Text(), QStringLiteral("Off Line"));
    QCOMPARE(w.ConnectButton().text(), QStringLiteral("Connect"));
    QCOMPARE(w.Tabs().ItemText(0), QStringLiteral("Music"));
    QCOMPARE(w.size(), DialogUnits::Get().Size(723, 373));
    QVERIFY(!w.SmallScreen());
    QVERIFY(!w.Progress().isVisible());
    QVERIFY(Hooks().HasWindow());
    QCOMPARE(f.core.opened, 1);
    // The Connect action runs once the event loop picks up MSG_CONNECT.
    QCOMPARE(f.core.connects, 0);
    f.Deliver();
    QCOMPARE(f.core.connects, 1);
    f.window.reset();
    QVERIFY(!Hooks().HasWindow());
}

void WindowTest::statusLineNamesTheProgram_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("shown");
    QTest::newRow("F2") << 18 << "F2:Party";
    QTest::newRow("5") << 5 << "5:Party";
    QTest::newRow("no slot") << 0 << "0:Party";
    QTest::newRow("16") << 16 << "16:Party";
    QTest::newRow("F5") << 21 << "F5:Party";
}

void WindowTest::statusLineNamesTheProgram() {
    QFETCH(int, slot);
    QFETCH(QString, shown);
    Fixture f;
    Model& m = TheModel();
    f.window->ShowPage(0); // the system page, refreshed on line, would make slot 1 current when none is
    m.connection.connected = 1;
    m.system.currentSlot = static_cast<u8>(slot);
    SetName("  Party   ");
    PostMessageTo(f.window.get(), MSG_PROGRAM_RECEIVED, 0, 0);
    f.Deliver();
    QCOMPARE(f.window->StatusLine().Text(), shown);
    QCOMPARE(f.window->ConnectButton().text(), QStringLiteral("Disconnect"));
    QVERIFY(f.window->ConnectButton().IsOn());
    f.window->UpdateStatus(false); // without the name the line is left as it is
    QCOMPARE(f.window->StatusLine().Text(), shown);
    m.connection.connected = 0;
    f.window->UpdateStatus(true);
    QCOMPARE(f.window->StatusLine().Text(), QStringLiteral("Off Line"));
    QVERIFY(!f.window->ConnectButton().IsOn());
}

void WindowTest::volumeSliderStopsAtItsMaximum() {
    Fixture f;
    Model& m = TheModel();
    m.system.musicMax = 60;
    m.system.musicVolume = kMuteBit | 10;
    f.window->RefreshVolumeStrips();
    CBitmapSlider& slider = f.window->VolumeSlider(STRIP_MUSIC);
    QVERIFY(f.window->MuteButton(STRIP_MUSIC).IsOn());
    // Drag the thumb to the far end (84), past the maximum.
    Mouse(&slider, QEvent::MouseButtonPress, QPoint(slider.PosToPixel(10), 9));
    Mouse(&slider, QEvent::MouseMove, QPoint(slider.width() + 30, 9));
    QCOMPARE(slider.GetPos(), 84);
    QTRY_COMPARE(int(m.system.musicVolume), 60); // already while dragging
    Mouse(&slider, QEvent::MouseButtonRelease, QPoint(slider.width() + 30, 9));
    f.Deliver();
    QCOMPARE(slider.GetPos(), 60);
    QCOMPARE(f.window->VolumeValue(STRIP_MUSIC).Text(), QStringLiteral("60"));
    QCOMPARE(int(m.system.musicVolume), 60); // unmuted
    QVERIFY(!f.window->MuteButton(STRIP_MUSIC).IsOn());
    // Below the maximum the volume follows the slider.
    QTest::keyClick(&slider, Qt::Key_Home);
    f.Deliver();
    QCOMPARE(int(m.system.musicVolume), 0);
    QCOMPARE(f.window->VolumeValue(STRIP_MUSIC).Text(), QStringLiteral("0"));
}

void WindowTest::muteTogglesOnlyItsBit() {
    Fixture f;
    Model& m = TheModel();
    m.system.effectVolume = 35;
    const SystemBlock before = m.system;
    CBitButton& mute = f.window->MuteButton(STRIP_EFFECT);
    QTest::mouseClick(&mute, Qt::LeftButton);
    QCOMPARE(int(m.system.effectVolume), 35 | kMuteBit);
    QVERIFY(mute.IsOn());
    SystemBlock expected = before;
    expected.effectVolume = 35 | kMuteBit;
    QCOMPARE(std::memcmp(&m.system, &expected, sizeof(SystemBlock)), 0);
    QTest::mouseClick(&mute, Qt::LeftButton);
    QCOMPARE(std::memcmp(&m.system, &before, sizeof(SystemBlock)), 0);
    QVERIFY(!mute.IsOn());
}

void WindowTest::maximumClampFromTheSystemPage() {
    Fixture f;
    Model& m = TheModel();
    m.system.micVolume = kMuteBit | 70;
    m.system.micMax = 50;
    f.window->ClampMasterVolume(STRIP_MIC);
    QCOMPARE(int(m.system.micVolume), 50); // the maximum, mute cleared
    QCOMPARE(f.window->VolumeSlider(STRIP_MIC).GetPos(), 50);
    m.system.micMax = 84; // raising the maximum again does not raise the volume
    f.window->ClampMasterVolume(STRIP_MIC);
    QCOMPARE(int(m.system.micVolume), 50);
}

void WindowTest::sameTabDoesNotRefresh() {
    Fixture f;
    TheModel().system.musicVolume = 33; // changed behind the window's back
    f.window->ShowPage(9);
    QCOMPARE(f.window->VolumeSlider(STRIP_MUSIC).GetPos(), 0);
    QTest::mouseClick(&f.window->Tabs(), Qt::LeftButton, {}, f.window->Tabs().ItemRect(9).center());
    QCOMPARE(f.window->VolumeSlider(STRIP_MUSIC).GetPos(), 0);
    QTest::mouseClick(&f.window->Tabs(), Qt::LeftButton, {}, f.window->Tabs().ItemRect(0).center());
    QCOMPARE(TheModel().settings.currentPage, 0);
    QVERIFY(!TheModel().settings.meters.wanted);
    QCOMPARE(f.window->VolumeSlider(STRIP_MUSIC).GetPos(), 33);
    QVERIFY(!f.window->Page(PageId::Music)->isHidden());
    QVERIFY(f.window->Page(PageId::System)->isHidden());
}

void WindowTest::outputTabsShareOnePage() {
    Fixture f;
    for (int tab = 4; tab <= 8; ++tab) {
        f.window->ShowPage(tab);
        QCOMPARE(f.window->ShownPage(), f.window->Page(PageId::Main));
        QVERIFY(!f.window->Page(PageId::Main)->isHidden());
    }
    // Every page fills the tab control below the tab row, one pixel in from the edges.
    const QRect area = f.window->Tabs().rect().adjusted(1, 21, -1, -1);
    QCOMPARE(f.window->Page(PageId::Main)->geometry(), area);
}

void WindowTest::smallScreenRule_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QRect>("available"); // null: the whole screen
    QTest::addColumn<bool>("small");
    QTest::addColumn<QSize>("window");
    // 1290 pixels would put the vertical bar off a 1280-pixel screen: the window takes the screen's width.
    QTest::newRow("1280x1024") << QSize(1280, 1024) << QRect() << true << QSize(1280, 740);
    QTest::newRow("1024x768, panel of 32")
        << QSize(1024, 768) << QRect(0, 32, 1024, 736) << true << QSize(1024, 736);
    QTest::newRow("1365x900") << QSize(1365, 900) << QRect() << true << QSize(1290, 740);
    QTest::newRow("1600x767") << QSize(1600, 767) << QRect() << true << QSize(1290, 740);
    QTest::newRow("1366x768") << QSize(1366, 768) << QRect() << false << QSize();
    QTest::newRow("1920x1080") << QSize(1920, 1080) << QRect() << false << QSize();
}

void WindowTest::smallScreenRule() {
    QFETCH(QSize, screen);
    QFETCH(QRect, available);
    QFETCH(bool, small);
    QFETCH(QSize, window);
    CTarnDlg::Settings s;
    s.screenSize = screen;
    if (!available.isNull()) {
        s.availableGeometry = available;
    }
    Fixture f(s);
    CTarnDlg& w = *f.window;
    QCOMPARE(w.SmallScreen(), small);
    QCOMPARE(w.VerticalBar().isHidden(), !small);
    QCOMPARE(w.HorizontalBar().isHidden(), !small);
    if (!small) {
        QCOMPARE(w.size(), DialogUnits::Get().Size(723, 373));
        QCOMPARE(w.minimumSize(), w.maximumSize()); // no sizing border
        return;
    }
    QCOMPARE(w.size(), window);
    QVERIFY(w.maximumSize().width() > 1290); // a sizing border
    // Both bars lie inside the window, so on the screen.
    QCOMPARE(w.VerticalBar().geometry().right(), window.width() - 1);
    QCOMPARE(w.HorizontalBar().geometry().bottom(), window.height() - 1);
    const int vpage = (window.height() - w.HorizontalBar().height()) / 100;
    const int hpage = (window.width() - w.VerticalBar().width()) / 50;
    QCOMPARE(w.VerticalBar().minimum(), 1);
    QCOMPARE(w.VerticalBar().value(), 1);
    QCOMPARE(w.VerticalBar().pageStep(), vpage);
    QCOMPARE(w.VerticalBar().maximum(), vpage * 15 - vpage + 1);
    QCOMPARE(w.HorizontalBar().pageStep(), hpage);
    QCOMPARE(w.HorizontalBar().maximum(), hpage * 20 - hpage + 1);
    // Shown at a place where it would reach past the available area, it moves inside it.
    const QRect area = available.isNull() ? QRect(QPoint(0, 0), screen) : available;
    w.move(area.right() - 100, area.bottom() - 100);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(area.contains(w.frameGeometry()));
}

void WindowTest::scrollBarsMoveTheContents() {
    CTarnDlg::Settings s;
    s.screenSize = QSize(1280, 1024);
    Fixture f(s);
    CTarnDlg& w = *f.window;
    w.HorizontalBar().setValue(11);
    QCOMPARE(w.Client().pos(), QPoint(-10, 0));
    w.VerticalBar().triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(w.Client().pos(), QPoint(-10, -w.VerticalBar().pageStep()));
    w.VerticalBar().triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(w.Client().y(), -(w.VerticalBar().maximum() - 1));
    w.VerticalBar().triggerAction(QAbstractSlider::SliderToMinimum);
    w.HorizontalBar().triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(w.Client().pos(), QPoint(-9, 0));
}

void WindowTest::languages() {
    CTarnDlg::Settings s = Fixture::Big();
    s.language = LanguageSetting::Chinese;
    {
        Fixture f(s);
        CTarnDlg& w = *f.window;
        QCOMPARE(TheModel().settings.languageFlag, 1);
        QVERIFY(w.LanguageButton().isHidden());
        QCOMPARE(w.Tabs().ItemText(1), QString::fromUtf8("动态均衡"));
        QCOMPARE(w.VolumeLabel(STRIP_EFFECT).Text(), QString::fromUtf8("效果音量"));
        QCOMPARE(w.StatusLine().Text(), QString::fromUtf8("脱机"));
        QCOMPARE(w.ConnectButton().text(), QString::fromUtf8("联机"));
        QCOMPARE(w.ModeList().itemText(1), QString::fromUtf8("全功能模式"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Kelvane SV-1.09"));
    }
    s.language = LanguageSetting::ByLocale; // the button is shown and switches the texts
    Fixture f(s);
    CTarnDlg& w = *f.window;
    QVERIFY(!w.LanguageButton().isHidden());
    TheModel().settings.languageFlag = 0;
    w.ApplyLanguage();
    QCOMPARE(w.LanguageButton().text(), QString::fromUtf8("中文"));
    TheModel().settings.operatingMode = 1;
    QTest::mouseClick(&w.LanguageButton(), Qt::LeftButton);
    QCOMPARE(TheModel().settings.languageFlag, 1);
    QCOMPARE(w.LanguageButton().text(), QStringLiteral("English"));
    QCOMPARE(w.Tabs().ItemText(9), QString::fromUtf8("系统"));
    QCOMPARE(w.VolumeLabel(STRIP_MUSIC).Text(), QString::fromUtf8("音乐音量"));
    QCOMPARE(w.ModeList().count(), 2);
    QCOMPARE(w.ModeList().currentIndex(), 1); // refilled and set to the operating mode
    QTest::mouseClick(&w.LanguageButton(), Qt::LeftButton);
    QCOMPARE(w.Tabs().ItemText(9), QStringLiteral("System"));
    QCOMPARE(w.ModeList().currentText(), QStringLiteral("Full Mode"));
}

void WindowTest::modeListSetsTheOperatingMode() {
    Fixture f;
    QComboBox& list = f.window->ModeList();
    QCOMPARE(list.currentText(), QStringLiteral("Easy Mode"));
    list.setCurrentIndex(1); // set by the program: nothing happens
    QCOMPARE(TheModel().settings.operatingMode, 0);
    Q_EMIT list.activated(1); // chosen by the user
    QCOMPARE(TheModel().settings.operatingMode, 1);
}

void WindowTest::messagesFromTheCore() {
    Fixture f;
    CTarnDlg& w = *f.window;
    Model& m = TheModel();
    PostMessageTo(&w, MSG_TRANSPORT_FAILED, TRANSPORT_USB, 1);
    PostMessageTo(&w, MSG_IDENTIFY_REPLY, 0, 0);
    f.Deliver();
    QCOMPARE(f.core.failures, (std::vector<std::pair<int, int>>{{TRANSPORT_USB, 1}}));
    QCOMPARE(f.core.identifyReplies, 1);

    m.system.micVolume = kMuteBit | 40;
    PostMessageTo(&w, MSG_SYSTEM_RECEIVED, 0, 0);
    f.Deliver();
    QCOMPARE(w.VolumeSlider(STRIP_MIC).GetPos(), 40);
    QCOMPARE(w.VolumeValue(STRIP_MIC).Text(), QStringLiteral("40"));
    QVERIFY(w.MuteButton(STRIP_MIC).IsOn());

    m.settings.meters.ready = 0;
    PostMessageTo(&w, MSG_LEVELS_RECEIVED, 12, 0);
    f.Deliver();
    QCOMPARE(m.settings.meters.ready, 1);

    w.Progress().BeginProgress(42);
    PostMessageTo(&w, MSG_ALL_PRESETS_RECEIVED, 0, 0);
    f.Deliver();
    QVERIFY(!w.Progress().isVisible());
    QCOMPARE(f.core.allPresets, 1);

    w.DeviceCommand(133, 4);
    QCOMPARE(f.core.commands, (std::vector<std::pair<int, int>>{{133, 4}}));
    const int connects = f.core.connects; // the start-up's MSG_CONNECT came with the messages above
    QTest::mouseClick(&w.ConnectButton(), Qt::LeftButton);
    QCOMPARE(f.core.connects, connects + 1);
}

void WindowTest::enterAndEscapeNeverClose() {
    Fixture f;
    CTarnDlg& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.ModeList().setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), &w.ModeList());
    QTest::keyClick(&w.ModeList(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), &w);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
}

void WindowTest::workerThreadsNeverWait() {
    Fixture f;
    CTarnDlg& w = *f.window;
    // A worker posts, shows a box and steps the bar, and ends without the window having run at all.
    std::thread worker([] {
        Hooks().PostMessage(MSG_IDENTIFY_REPLY, 0, 0);
        Hooks().MessageBox("Unable to Open Device!", "", BoxIcon::None);
        Hooks().BeginProgress(3);
        Hooks().StepProgress(2);
    });
    worker.join();
    QVERIFY(f.boxes.empty());
    QCOMPARE(f.core.identifyReplies, 0);
    f.Deliver();
    QCOMPARE(f.core.identifyReplies, 1);
    QCOMPARE(f.boxes.size(), std::size_t{1});
    QCOMPARE(f.boxes[0].text, QStringLiteral("Unable to Open Device!"));
    QCOMPARE(w.Progress().BarValue(), 2);
    QCOMPARE(w.Progress().BarMaximum(), 3);
    // File dialogs are never opened for a worker.
    std::optional<std::string> chosen = std::string("x");
    std::thread asker([&chosen] { chosen = Hooks().ChooseOpenFile("MusicFile/*.dia", "*.dia"); });
    asker.join();
    QVERIFY(!chosen.has_value());
}

void WindowTest::progressLookupForm() {
    Fixture f;
    timing::SetScale(0.02); // the fixture's state puts the real timing back
    CShow_Dlg& p = f.window->Progress();
    Model& m = TheModel();
    m.connection.deviceLookup = 1;
    p.ShowLookup();
    QVERIFY(p.isVisible());
    QVERIFY(p.TextShown());
    QVERIFY(!p.BarShown());
    QCOMPARE(p.Text(), QStringLiteral("Device lookup"));
    QCOMPARE(p.windowTitle(), QStringLiteral("Device lookup ")); // with its trailing blank
    QVERIFY(p.OwnerDisabled());
    QVERIFY(p.LookupTimerActive());
    QTest::qWait(50);
    QVERIFY(p.isVisible()); // stays while the lookup goes on
    m.connection.deviceLookup = 0;
    QTRY_VERIFY(!p.isVisible());
    QVERIFY(!p.OwnerDisabled());
    QVERIFY(!p.LookupTimerActive());
    // In Chinese.
    m.settings.languageFlag = 1;
    p.ShowLookup();
    QCOMPARE(p.Text(), QString::fromUtf8("设备查找中"));
    QCOMPARE(p.windowTitle(), QString::fromUtf8("设备查找中"));
    p.EndLookup();
    QVERIFY(!p.isVisible());
}

void WindowTest::progressBarForm() {
    Fixture f;
    CShow_Dlg& p = f.window->Progress();
    TheModel().connection.deviceLookup = 1;
    p.ShowLookup();
    p.BeginProgress(5); // replaces the lookup form
    QVERIFY(p.BarShown());
    QVERIFY(!p.TextShown());
    QCOMPARE(p.BarMaximum(), 5);
    QCOMPARE(p.BarValue(), 0);
    QCOMPARE(p.windowTitle(), QStringLiteral("Data transmission"));
    for (int i = 1; i < 5; ++i) {
        p.StepProgress(i);
        QVERIFY(p.isVisible());
        QVERIFY(p.OwnerDisabled());
    }
    p.StepProgress(5);
    QVERIFY(!p.isVisible());
    QVERIFY(!p.OwnerDisabled());
    QVERIFY(!p.LookupTimerActive());
}

void WindowTest::progressNamesTheFrameInFlight() {
    Fixture f;
    CShow_Dlg& p = f.window->Progress();
    CProtocol& protocol = TheProtocol();
    // The initial read as the connection queues it: 22 names, the system block, the program.
    protocol.Queue().Clear();
    protocol.QueueCommand(CMD_READ_NAME, 0);
    protocol.QueueCommand(CMD_READ_SYSTEM, 0);
    protocol.QueueCommand(CMD_READ_PROGRAM, 0);
    f.window->Hooks().BeginProgress(24);
    QVERIFY(p.isVisible());
    QCOMPARE(p.Caption(), QStringLiteral("Data transmission")); // drawn in the dialog itself
    QVERIFY(p.StepShown());
    QCOMPARE(p.StepText(), QStringLiteral("Reading preset names 1/22"));
    const std::vector<std::pair<int, const char*>> english = {
        {6, "Reading preset names 7/22"}, {22, "Reading the system settings…"}, {23, "Reading the program…"}};
    for (const auto& [position, text] : english) {
        p.StepProgress(position);
        QCOMPARE(p.StepText(), QString::fromUtf8(text));
    }
    TheModel().settings.languageFlag = 1;
    p.StepProgress(6);
    QCOMPARE(p.StepText(), QString::fromUtf8("正在读取预设名称 7/22"));
    p.StepProgress(23);
    QCOMPARE(p.StepText(), QString::fromUtf8("正在读取程序…"));
    p.StepProgress(24);
    QVERIFY(!p.isVisible());

    // "Export all": the system blocks and the programs of the 21 slots, counted as runs.
    TheModel().settings.languageFlag = 0;
    protocol.Queue().Clear();
    protocol.QueueCommand(CMD_READ_SYSTEM, 1);
    protocol.QueueCommand(CMD_READ_PROGRAM, 1);
    f.window->Hooks().BeginProgress(42);
    QCOMPARE(p.StepText(), QStringLiteral("Reading system settings 1/21"));
    p.StepProgress(25);
    QCOMPARE(p.StepText(), QStringLiteral("Reading presets 5/21"));
    protocol.Queue().Clear();
    p.Hide();

    // A total that is not the queue's: the bar alone.
    f.window->Hooks().BeginProgress(5);
    QVERIFY(!p.StepShown());
    p.Hide();
}

void WindowTest::statusLineWhileConnecting() {
    Fixture f;
    CTarnDlg& w = *f.window;
    Model& m = TheModel();
    SetName("Party");
    m.system.currentSlot = 5;
    m.connection.connected = 1; // open, the live program still on its way
    w.UpdateStatus(false);
    QCOMPARE(w.ConnectButton().text(), QStringLiteral("Disconnect"));
    QCOMPARE(w.StatusLine().Text(), QStringLiteral("Connecting…"));
    w.UpdateStatus(true);
    QCOMPARE(w.StatusLine().Text(), QStringLiteral("5:Party"));
    w.UpdateStatus(false); // a language switch or a failure refresh keeps the name
    QCOMPARE(w.StatusLine().Text(), QStringLiteral("5:Party"));
    m.connection.connected = 0;
    w.UpdateStatus(false);
    QCOMPARE(w.StatusLine().Text(), QStringLiteral("Off Line"));
    m.connection.connected = 1; // the next connection starts afresh
    m.settings.languageFlag = 1;
    w.UpdateStatus(false);
    QCOMPARE(w.StatusLine().Text(), QString::fromUtf8("正在联机…"));
    m.connection.connected = 0;
    m.settings.languageFlag = 0;
}

void WindowTest::placeholderPagesSaySo() {
    // Every tab has its page now; the placeholder stays for a page that is not built yet.
    Fixture f;
    CTarnDlg& w = *f.window;
    auto placeholder = std::make_unique<CPlaceholderPage>(nullptr, &w);
    CPlaceholderPage* page = placeholder.get();
    page->resize(w.Page(PageId::Main)->size());
    QCOMPARE(CPlaceholderPage::Note(), QStringLiteral("This page is not available yet."));
    QImage image(page->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    page->render(&image);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    QVERIFY(dark > 50); // the line is drawn
    TheModel().settings.languageFlag = 1;
    QCOMPARE(CPlaceholderPage::Note(), QString::fromUtf8("此页面尚不可用"));
    TheModel().settings.languageFlag = 0;
}

void WindowTest::progressBusyForm() {
    Fixture f;
    timing::SetScale(0.02); // the fixture's state puts the real timing back
    CShow_Dlg& p = f.window->Progress();
    Model& m = TheModel();
    m.connection.transferInProgress = 1;
    p.ShowBusy();
    QCOMPARE(p.Text(), QStringLiteral("Data transmission"));
    QCOMPARE(p.windowTitle(), QStringLiteral("Data transmission"));
    QVERIFY(p.TextShown());
    QVERIFY(!p.BarShown());
    QVERIFY(p.BusyTimerActive());
    QTest::qWait(60);
    QVERIFY(p.isVisible());
    m.connection.transferInProgress = 0;
    QTRY_VERIFY(!p.isVisible());
    QVERIFY(!p.BusyTimerActive());
    QVERIFY(!p.OwnerDisabled());
    // A new form during the pause before hiding is not hidden by it (a pause long enough to watch).
    timing::SetScale(0.5);
    m.connection.transferInProgress = 0;
    p.ShowBusy();
    QTRY_VERIFY(p.HidePending()); // the pause has begun
    p.BeginProgress(3);
    QVERIFY(!p.HidePending());
    QTest::qWait(60);
    QVERIFY(p.isVisible());
    QVERIFY(p.BarShown());
}

void WindowTest::progressCannotBeClosed() {
    Fixture f;
    CShow_Dlg& p = f.window->Progress();
    TheModel().connection.transferInProgress = 1;
    p.ShowBusy();
    p.close();
    QVERIFY(p.isVisible());
    QTest::keyClick(&p, Qt::Key_Escape);
    QVERIFY(p.isVisible());
    p.reject();
    QVERIFY(p.isVisible());
    p.Hide();
    QVERIFY(!p.isVisible());
}

void WindowTest::options_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("demo");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("serialPorts");
    QTest::newRow("nothing") << QStringList{} << int(ParseResult::Run) << false << 0 << 0;
    QTest::newRow("demo") << QStringList{"--demo"} << int(ParseResult::Run) << true << 0 << 0;
    QTest::newRow("zh") << QStringList{"--language", "zh"} << int(ParseResult::Run) << false << 1 << 0;
    QTest::newRow("auto") << QStringList{"--language=auto"} << int(ParseResult::Run) << false << 2 << 0;
    QTest::newRow("two serial ports")
        << QStringList{"--serial-port", "/dev/pts/3", "--serial-port", "/dev/ttyUSB0", "--no-usb"}
        << int(ParseResult::Run) << false << 0 << 2;
    QTest::newRow("address") << QStringList{"--device-address", "127.0.0.1", "--device-port", "9000"}
                             << int(ParseResult::Run) << false << 0 << 0;
    QTest::newRow("bad language") << QStringList{"--language", "fr"} << int(ParseResult::Error) << false << 0
                                  << 0;
    QTest::newRow("bad address") << QStringList{"--device-address", "300.1.1.1"} << int(ParseResult::Error)
                                 << false << 0 << 0;
    QTest::newRow("bad port") << QStringList{"--device-port", "70000"} << int(ParseResult::Error) << false
                              << 0 << 0;
    QTest::newRow("unknown option") << QStringList{"--fast"} << int(ParseResult::Error) << false << 0 << 0;
    QTest::newRow("stray argument") << QStringList{"file.dia"} << int(ParseResult::Error) << false << 0 << 0;
    QTest::newRow("help") << QStringList{"--help"} << int(ParseResult::ExitOk) << false << 0 << 0;
}

void WindowTest::options() {
    QFETCH(QStringList, arguments);
    QFETCH(int, result);
    QFETCH(bool, demo);
    QFETCH(int, language);
    QFETCH(int, serialPorts);
    AppOptions o;
    std::string message;
    arguments.prepend(QStringLiteral("kelvane"));
    QCOMPARE(int(ParseOptions(arguments, o, message)), result);
    if (result == int(ParseResult::Error)) {
        QVERIFY(!message.empty());
        return;
    }
    if (result == int(ParseResult::ExitOk)) {
        QVERIFY(message.find("--language") != std::string::npos);
        return;
    }
    QCOMPARE(o.demo, demo);
    QCOMPARE(int(o.language), language);
    QCOMPARE(int(o.serialPorts.size()), serialPorts);
    if (arguments.contains(QStringLiteral("--device-port"))) {
        QCOMPARE(o.deviceAddress.value_or(""), std::string("127.0.0.1"));
        QCOMPARE(o.devicePort.value_or(0), 9000);
    }
    QCOMPARE(o.noUsb, arguments.contains(QStringLiteral("--no-usb")));
}

KEL_QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
