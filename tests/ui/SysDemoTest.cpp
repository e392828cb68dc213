// The system page against an emulated processor behind the simulated USB bridge, as `kelvane --demo`
// runs it: moving meters, recall, store, and the all-presets file out of and back into the device.
#include "UiTestMain.h"

#include "app/CoreFactory.h"
#include "app/QtHooks.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/BitButton.h"
#include "controls/EnglishEdit.h"
#include "controls/FontStatic.h"
#include "controls/SLamp.h"
#include "dsp/FilterBank.h"
#include "emulator/DeviceEngine.h"
#include "model/DataConver.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "pages/SysDlg.h"
#include "pages/SysLayout.h"
#include "protocol/Protocol.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/EnginePeer.h"

#include "support/ProcessState.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kel;
using namespace kel::sys;

namespace {

// The window's hooks, with the file dialogs answered by the test.
class FileAnswers : public AppHooks {
  public:
    explicit FileAnswers(AppHooks& window) : m_window(window) {}
    std::string openPath, savePath;

    void PostMessage(int message, std::intptr_t w, std::intptr_t l) override {
        m_window.PostMessage(message, w, l);
    }
    bool HasWindow() const override { return m_window.HasWindow(); }
    void MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) override {
        m_window.MessageBox(text, caption, icon);
    }
    std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&) override {
        return openPath;
    }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return savePath;
    }
    void ShowLookup() override { m_window.ShowLookup(); }
    void EndLookup() override { m_window.EndLookup(); }
    void BeginProgress(int total) override { m_window.BeginProgress(total); }
    void StepProgress(int position) override { m_window.StepProgress(position); }
    void ShowBusy() override { m_window.ShowBusy(); }
    void Hide() override { m_window.Hide(); }
    void SaveAllPresets() override { m_window.SaveAllPresets(); }
    void ReloadPasswordEntry() override { m_window.ReloadPasswordEntry(); }
    void UpdateStatus(bool withName) override { m_window.UpdateStatus(withName); }
    void RefreshAll() override { m_window.RefreshAll(); }
    void ConnectionChanged() override { m_window.ConnectionChanged(); }

  private:
    AppHooks& m_window;
};

bool WaitFor(const std::function<bool()>& done, int limitMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (done()) {
            return true;
        }
        QThread::msleep(2);
    }
    return done();
}

std::string Padded(const std::string& name) {
    std::string s = name;
    s.resize(20, ' ');
    return s;
}

std::string NameOf(const ProgramImage& p) {
    return std::string(reinterpret_cast<const char*>(p.name), sizeof p.name);
}

} // namespace

class SysDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void metersMove();
    void recallShowsTheSlotAndMakesItLive();
    void storeReachesTheDevice();
    void exportAllWritesTheDevicesSlots();
    void importAllRestoresThem();

  private:
    void Click(int id) {
        QVERIFY(WaitFor([&] { return Idle(); }));
        auto* button = dynamic_cast<CBitButton*>(m_page->Item(id));
        QVERIFY(button != nullptr && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void Select(int entry) {
        m_page->ModeList().setCurrentIndex(entry);
        Q_EMIT m_page->ModeList().activated(entry);
    }
    // No transfer running: the progress dialog is away and the window takes input.
    bool Idle() const {
        return !m_window->Progress().isVisible() && !m_window->Progress().OwnerDisabled() &&
               TheModel().connection.transferInProgress == 0 && QueueEmpty();
    }
    static bool QueueEmpty() {
        ImageLockGuard lock(ImageLock());
        return TheProtocol().Queue().IsEmpty();
    }
    template <class F> auto Device(F f) {
        std::lock_guard lock(m_engine->Mutex());
        return f(m_engine->State());
    }

    std::shared_ptr<DeviceEngine> m_engine;
    std::unique_ptr<WindowCore> m_core;
    // The export and import read and write 42 frames with the device's long pauses: a thirtieth of them.
    test::ProcessState m_state{{.timingScale = 0.03, .resetModel = false}};
    std::unique_ptr<CTarnDlg> m_window;
    std::unique_ptr<FileAnswers> m_files;
    CSysDlg* m_page = nullptr;
    std::vector<QString> m_boxes;
    std::string m_file;
};

void SysDemoTest::initTestCase() {
    m_engine = std::make_shared<DeviceEngine>();
    {
        // Every slot tells itself apart: its name, its program's last byte and its system block.
        std::lock_guard lock(m_engine->Mutex());
        DeviceState& s = m_engine->State();
        for (int n = 1; n <= kSlotCount; ++n) {
            ProgramImage& p = s.slots[static_cast<std::size_t>(n - 1)];
            TextToBytes("Preset " + std::to_string(n), p.name);
            reinterpret_cast<std::uint8_t*>(&p)[sizeof(ProgramImage) - 1] = static_cast<std::uint8_t>(n);
            s.slotSystems[static_cast<std::size_t>(n - 1)].vodGain = static_cast<std::uint8_t>(n);
        }
    }
    // The demo's wiring, with an engine the test can look into.
    bridge::UseSimulatedBridge(true);
    AppOptions options;
    options.noSerial = true;
    options.noNetwork = true;
    m_core = MakeWindowCore(options);
    m_core->Startup();
    bridge::PlugEngineBridge(m_engine);
    InstallFilterBank();
    ResetModel();

    CTarnDlg::Settings settings;
    settings.screenSize = QSize(1920, 1080);
    m_window = std::make_unique<CTarnDlg>(*m_core, settings);
    m_window->Hooks().SetBoxPresenter(
        [this](const QString& text, const QString&, BoxIcon) { m_boxes.push_back(text); });
    m_files = std::make_unique<FileAnswers>(m_window->Hooks());
    SetAppHooks(m_files.get());
    m_window->show();
    m_page = dynamic_cast<CSysDlg*>(m_window->Page(PageId::System));
    QVERIFY(m_page != nullptr);
    QVERIFY(WaitFor([&] { return TheModel().connection.connected != 0 && Idle(); }));
    QCOMPARE(m_window->ShownPage(), m_page);
    m_file = QDir::current().absoluteFilePath(QStringLiteral("all.dat")).toStdString();
}

void SysDemoTest::cleanupTestCase() {
    QVERIFY2(m_boxes.empty(), m_boxes.empty() ? "" : qPrintable(m_boxes.front()));
    SetAppHooks(&m_window->Hooks());
    m_window.reset();
    m_files.reset();
    bridge::UnplugAllSimulatedBridges();
}

void SysDemoTest::metersMove() {
    const auto snapshot = [&] {
        std::vector<int> lit;
        for (int i = 0; i < kMeterCount; ++i) {
            lit.push_back(m_page->Meter(i).LitLevelSegments());
        }
        return lit;
    };
    QVERIFY(WaitFor([&] { return m_page->Meter(0).LitLevelSegments() > 0; }));
    const std::vector<int> first = snapshot();
    QVERIFY(WaitFor([&] { return snapshot() != first; }));
    QVERIFY(WaitFor([&] {
        for (int i = 0; i < kMeterCount; ++i) {
            if (m_page->Meter(i).IsLit(CSLamp::kSignalSegment)) {
                return true;
            }
        }
        return false;
    }));
}

void SysDemoTest::recallShowsTheSlotAndMakesItLive() {
    Select(2);
    Click(IDC_RECALL);
    QVERIFY(WaitFor([&] { return m_window->StatusLine().Text() == QStringLiteral("3:Preset 3") && Idle(); }));
    QVERIFY(Device([](DeviceState& s) { return std::memcmp(&s.live, &s.slots[2], sizeof s.live) == 0; }));
    QVERIFY(
        Device([](DeviceState& s) { return std::memcmp(&s.live, &TheModel().image, sizeof s.live) == 0; }));
    QCOMPARE(int(TheModel().system.currentSlot), 3);
    QCOMPARE(m_page->ModeList().currentIndex(), 2);
    QCOMPARE(m_page->Text(IDC_MODE_NAME), QStringLiteral("Preset 3"));
}

void SysDemoTest::storeReachesTheDevice() {
    Select(1);
    auto* name = dynamic_cast<CEnglishEdit*>(m_page->Item(IDC_MODE_NAME));
    QVERIFY(name != nullptr && name->isEnabled());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Stored Two"));
    Click(IDC_STORE);
    QVERIFY(WaitFor([&] {
        return Idle() && Device([](DeviceState& s) { return NameOf(s.slots[1]) == Padded("Stored Two"); });
    }));
    QCOMPARE(Device([](DeviceState& s) { return NameOf(s.live); }), Padded("Stored Two"));
    QCOMPARE(m_window->StatusLine().Text(), QStringLiteral("2:Stored Two"));
    QCOMPARE(m_page->ModeList().itemText(1), QStringLiteral("2-Stored Two"));
}

void SysDemoTest::exportAllWritesTheDevicesSlots() {
    m_files->savePath = m_file;
    Click(IDC_EXPORT_ALL);
    QVERIFY(WaitFor([&] { return Idle() && QFile(QString::fromStdString(m_file)).size() == 58405; }));
    QFile file(QString::fromStdString(m_file));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 58405);
    PresetStore store;
    std::memcpy(&store, bytes.constData(), sizeof store);
    const auto device = std::make_unique<DeviceState>(Device([](DeviceState& s) { return s; }));
    for (int n = 1; n <= kSlotCount; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        QVERIFY2(std::memcmp(&store.Slot(n), &device->slots[i], sizeof(ProgramImage)) == 0,
                 qPrintable(QString::number(n)));
        QVERIFY2(std::memcmp(&store.SlotSystem(n), &device->slotSystems[i], sizeof(SystemBlock)) == 0,
                 qPrintable(QString::number(n)));
    }
    QCOMPARE(NameOf(store.Slot(2)), Padded("Stored Two"));
    QCOMPARE(TheModel().settings.presetsLoaded, 1);
}

void SysDemoTest::importAllRestoresThem() {
    QFile file(QString::fromStdString(m_file));
    QVERIFY(file.open(QIODevice::ReadOnly));
    PresetStore store;
    std::memcpy(&store, file.readAll().constData(), sizeof store);
    // Someone changes the device's slots.
    Device([](DeviceState& s) {
        for (int n = 1; n <= kSlotCount; ++n) {
            TextToBytes("Changed", s.slots[static_cast<std::size_t>(n - 1)].name);
            s.slotSystems[static_cast<std::size_t>(n - 1)].vodGain = 40;
        }
        return 0;
    });
    m_files->openPath = m_file;
    Click(IDC_IMPORT_ALL);
    const auto restored = [&] {
        return Device([&](DeviceState& s) {
            for (int n = 1; n <= kSlotCount; ++n) {
                const auto i = static_cast<std::size_t>(n - 1);
                if (std::memcmp(&store.Slot(n), &s.slots[i], sizeof(ProgramImage)) != 0 ||
                    std::memcmp(&store.SlotSystem(n), &s.slotSystems[i], sizeof(SystemBlock)) != 0) {
                    return false;
                }
            }
            return true;
        });
    };
    QVERIFY(WaitFor([&] { return Idle() && restored(); }));
    QCOMPARE(m_page->ModeList().itemText(2), QStringLiteral("3-Preset 3"));
}

KEL_QTEST_MAIN(SysDemoTest)
#include "SysDemoTest.moc"
