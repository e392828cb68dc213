// The system page inside the main window: settings and the volume clamps, meters, the mode list and its
// enabling, recall and store, store authority, the two password columns, language and mode.
#include "UiTestMain.h"

#include "app/QtHooks.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "app/WindowCore.h"
#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/Edit_Static.h"
#include "controls/EnglishEdit.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/SLamp.h"
#include "model/AppHooks.h"
#include "model/DataConver.h"
#include "model/Model.h"
#include "pages/SysDlg.h"
#include "pages/SysLayout.h"
#include "protocol/Protocol.h"

#include "support/ProcessState.h"

#include <QComboBox>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace kel;
using namespace kel::sys;

namespace {

// The core as the page sees it through the window: every command is recorded, and with `forward` it
// also goes to the protocol's command entry (which queues frames while the model says connected).
class CommandCore : public WindowCore {
  public:
    bool forward = false;
    int saves = 0;
    std::vector<std::pair<int, int>> commands;

    void DeviceCommand(int type, int slot) override {
        commands.emplace_back(type, slot);
        if (forward) {
            TheProtocol().DeviceCommand(type, slot);
        }
    }
    void SaveAllPresets() override { ++saves; }
};

struct Fixture {
    Fixture() {
        CTarnDlg::Settings settings;
        settings.screenSize = QSize(1920, 1080);
        settings.postConnect = false;
        window = std::make_unique<CTarnDlg>(core, settings);
        window->Hooks().SetBoxPresenter([](const QString&, const QString&, BoxIcon) {});
        window->show();
        page = dynamic_cast<CSysDlg*>(window->Page(PageId::System));
    }

    // Pretends a connection: the protocol queues frames, no transport takes them.
    void Online(bool permission) {
        Model& m = TheModel();
        m.connection.connected = 1;
        m.settings.transportType = TRANSPORT_NET;
        m.settings.storePermission = permission ? 1 : 0;
        window->ConnectionChanged();
    }

    template <class T> T& Get(int id) {
        auto* w = dynamic_cast<T*>(page->Item(id));
        if (w == nullptr) {
            qFatal("no control %d of that kind", id);
        }
        return *w;
    }
    bool Enabled(int id) {
        if (auto* slider = dynamic_cast<CBitmapSlider*>(page->Item(id))) {
            return slider->IsSliderEnabled();
        }
        return page->Item(id)->isEnabled();
    }
    // The user leaves a slider at `pos`: the slider reports its position to the page.
    void MoveSlider(int id, int pos) {
        CBitmapSlider& s = Get<CBitmapSlider>(id);
        s.SetPos(pos);
        QTest::keyClick(&s, Qt::Key_Left); // reports without moving the thumb
        QCoreApplication::sendPostedEvents();
    }
    void Choose(int comboId, int index) {
        QComboBox& combo = Get<QComboBox>(comboId);
        combo.setCurrentIndex(index);
        Q_EMIT combo.activated(index);
    }
    void Type(int editId, const QString& text) {
        CEnglishEdit& edit = Get<CEnglishEdit>(editId);
        QTest::keyClicks(&edit, text);
    }
    void Click(int id) { QTest::mouseClick(&Get<CBitButton>(id), Qt::LeftButton); }

    test::ProcessState state; // a fresh model; the connection and the queue are emptied at the end
    CommandCore core;
    std::unique_ptr<CTarnDlg> window;
    CSysDlg* page = nullptr;
};

void SetText(std::span<std::uint8_t> field, const char* text) {
    TextToBytes(text, field);
}

std::string Bytes(std::span<const std::uint8_t> field) {
    return std::string(field.begin(), field.end());
}

using Commands = std::vector<std::pair<int, int>>;

} // namespace

class SysDlgTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void startsOnThisPageWithItsBackground();
    void loweredMaximumClampsTheVolume_data();
    void loweredMaximumClampsTheVolume();
    void slidersAndCombosStoreTheirBytes();
    void refreshShowsTheBlockAndWritesNothing();
    void modeListEnabling_data();
    void modeListEnabling();
    void favouriteSlotsAreRecalledNeverStored();
    void storeSendsThePasswordThenTheName();
    void recallOnAndOffLine();
    void fileButtonsReachTheirActions();
    void verificationGrantsStorePermission();
    void passwordColumns();
    void passwordEditsStayShutOffLine();
    void metersFollowTheReports();
    void languageSetsEveryText();
    void easyModeLocksTheExpertControls();
};

void SysDlgTest::startsOnThisPageWithItsBackground() {
    Fixture f;
    QVERIFY(f.page != nullptr);
    QCOMPARE(f.window->ShownPage(), f.page);
    QVERIFY(f.page->isVisible());
    QVERIFY(!f.page->Background().isNull());
    QCOMPARE(SkinBitmapSize(f.page->Background()), QSize(811, 344));
    // Every control of the page lies inside it.
    for (const TemplateItem& c : kControls) {
        QWidget* w = f.page->Item(c.id);
        QVERIFY2(w != nullptr, qPrintable(QString::number(c.id)));
        QVERIFY2(f.page->rect().contains(w->geometry()), qPrintable(QString::number(c.id)));
    }
}

void SysDlgTest::loweredMaximumClampsTheVolume_data() {
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("strip");
    QTest::addColumn<int>("volumeOffset");
    QTest::newRow("effect") << int(IDC_EFFECT_MAX) << int(STRIP_EFFECT)
                            << int(offsetof(SystemBlock, effectVolume));
    QTest::newRow("mic") << int(IDC_MIC_MAX) << int(STRIP_MIC) << int(offsetof(SystemBlock, micVolume));
    QTest::newRow("music") << int(IDC_MUSIC_MAX) << int(STRIP_MUSIC)
                           << int(offsetof(SystemBlock, musicVolume));
}

void SysDlgTest::loweredMaximumClampsTheVolume() {
    QFETCH(int, slider);
    QFETCH(int, strip);
    QFETCH(int, volumeOffset);
    Fixture f;
    Model& m = TheModel();
    auto* bytes = reinterpret_cast<std::uint8_t*>(&m.system);
    bytes[volumeOffset] = kMuteBit | 60;
    f.window->RefreshPage();
    QVERIFY(f.window->MuteButton(strip).IsOn());

    f.MoveSlider(slider, 40);
    QCOMPARE(int(bytes[volumeOffset]), 40); // the maximum, mute cleared
    QCOMPARE(f.window->VolumeSlider(strip).GetPos(), 40);
    QCOMPARE(f.window->VolumeValue(strip).Text(), QStringLiteral("40"));
    QVERIFY(!f.window->MuteButton(strip).IsOn());
    // Raising the maximum again leaves the volume where it is; the other volumes never move.
    const SystemBlock before = m.system;
    f.MoveSlider(slider, 65);
    QCOMPARE(int(bytes[volumeOffset]), 40);
    QCOMPARE(std::memcmp(&before.effectVolume, &m.system.effectVolume, 3), 0);
    QCOMPARE(f.page->Text(slider - IDC_EFFECT_MAX + IDC_EFFECT_MAX_VALUE), QStringLiteral("65"));
}

void SysDlgTest::slidersAndCombosStoreTheirBytes() {
    Fixture f;
    SystemBlock& s = TheModel().system;
    TheModel().settings.operatingMode = 1;
    f.window->RefreshPage();
    f.MoveSlider(IDC_VOD_GAIN, 30);
    f.MoveSlider(IDC_OPTI_GAIN, 0);
    QCOMPARE(int(s.vodGain), 30);
    QCOMPARE(f.page->Text(IDC_VOD_GAIN_VALUE), QStringLiteral("5.0"));
    QCOMPARE(int(s.optiGain), 0);
    QCOMPARE(f.page->Text(IDC_OPTI_GAIN_VALUE), QStringLiteral("-10.0"));

    s.keySen = 0xB0; // key control 11, sensitivity L
    f.Choose(IDC_SEN, 1);
    QCOMPARE(int(s.keySen), 0xB1); // the high nibble is kept
    f.Choose(IDC_PHANTOM, 1);
    f.Choose(IDC_IR, 1);
    f.Choose(IDC_MUSIC_INPUT, 5);
    QCOMPARE(int(s.rearMicPhantom), 1);
    QCOMPARE(int(s.irControl), 1);
    QCOMPARE(int(s.musicInput), 5);
    QCOMPARE(f.page->Text(IDC_MUSIC_INPUT), QStringLiteral("BT"));
}

void SysDlgTest::refreshShowsTheBlockAndWritesNothing() {
    Fixture f;
    Model& m = TheModel();
    SystemBlock& s = m.system;
    s.currentSlot = 0;
    s.effectMax = 33;
    s.coaxGain = 7;
    s.musicInput = 3;
    s.keySen = 0x71;
    s.irControl = 1;
    const SystemBlock before = s;
    const ProgramImage image = m.image;
    f.page->Refresh();
    QCOMPARE(f.Get<CBitmapSlider>(IDC_EFFECT_MAX).GetPos(), 33);
    QCOMPARE(f.page->Text(IDC_EFFECT_MAX_VALUE), QStringLiteral("33"));
    QCOMPARE(f.Get<CBitmapSlider>(IDC_COAX_GAIN).GetPos(), 7);
    QCOMPARE(f.page->Text(IDC_COAX_GAIN_VALUE), QStringLiteral("-6.5"));
    QCOMPARE(f.page->Text(IDC_MUSIC_INPUT), QStringLiteral("COAX"));
    QCOMPARE(f.page->Text(IDC_SEN), QStringLiteral("H"));
    QCOMPARE(f.page->Text(IDC_IR), QStringLiteral("Enable"));
    QCOMPARE(std::memcmp(&before, &s, sizeof s), 0);
    QCOMPARE(std::memcmp(&image, &m.image, sizeof image), 0);
}

void SysDlgTest::modeListEnabling_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("permission");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("selected");    // mode list entry, -1 none
    QTest::addColumn<QString>("name");    // in the name edit
    QTest::addColumn<QString>("entry");   // the selected entry's text
    QTest::addColumn<QString>("enabled"); // R recall, S store + name, I import + import all, A export all
    QTest::addColumn<bool>("verify");     // verification edit enabled
    QTest::addColumn<QString>("authority");

    // The live program is "Live", slot n's name is "Slot n".
    QTest::newRow("off line, no presets, no slot") << false << false << false << 0 << -1 << "Live"
                                                   << ""
                                                   << "I" << false << "No Store Allow";
    QTest::newRow("off line, no presets, slot 4") << false << false << true << 4 << 3 << "Live"
                                                  << "4-"
                                                  << "I" << false << "No Store Allow";
    QTest::newRow("off line, presets loaded") << false << true << true << 3 << 2 << "Slot 3"
                                              << "3-Slot 3"
                                              << "RIA" << false << "No Store Allow";
    QTest::newRow("on line, permission, no slot yet") << true << false << true << 0 << 0 << "Slot 1"
                                                      << "1-Slot 1"
                                                      << "RSIA" << false << "Store Allow";
    QTest::newRow("on line, permission, slot 16") << true << false << true << 16 << 15 << "Slot 16"
                                                  << "16-Slot 16"
                                                  << "RSIA" << false << "Store Allow";
    QTest::newRow("on line, permission, F2") << true << false << true << 18 << 17 << "Slot 18"
                                             << "F2-Slot 18"
                                             << "RIA" << false << "Store Allow";
    QTest::newRow("on line, no permission") << true << true << false << 2 << 1 << "Slot 2"
                                            << "2-Slot 2"
                                            << "RA" << true << "No Store Allow";
    QTest::newRow("on line, slot beyond the device's") << true << false << true << 40 << 0 << "Slot 1"
                                                       << "1-Slot 1"
                                                       << "RSIA" << false << "Store Allow";
}

void SysDlgTest::modeListEnabling() {
    QFETCH(bool, connected);
    QFETCH(bool, loaded);
    QFETCH(bool, permission);
    QFETCH(int, slot);
    QFETCH(int, selected);
    QFETCH(QString, name);
    QFETCH(QString, entry);
    QFETCH(QString, enabled);
    QFETCH(bool, verify);
    QFETCH(QString, authority);
    Fixture f;
    Model& m = TheModel();
    SetText(m.image.name, "Live");
    for (int n = 1; n <= kSlotCount; ++n) {
        SetText(m.presets.Slot(n).name, ("Slot " + std::to_string(n)).c_str());
    }
    m.settings.presetsLoaded = loaded ? 1 : 0;
    m.settings.storePermission = permission ? 1 : 0;
    m.system.currentSlot = static_cast<std::uint8_t>(slot);
    if (connected) {
        f.Online(permission);
    } else {
        f.page->Refresh();
    }

    QComboBox& list = f.page->ModeList();
    QCOMPARE(list.count(), 21);
    QCOMPARE(list.itemText(15).left(3), QStringLiteral("16-"));
    QCOMPARE(list.itemText(16).left(3), QStringLiteral("F1-"));
    QCOMPARE(list.itemText(20).left(3), QStringLiteral("F5-"));
    QCOMPARE(list.currentIndex(), selected);
    QCOMPARE(f.page->SelectedSlot(), selected + 1);
    QCOMPARE(list.currentText(), entry);
    QCOMPARE(f.page->Text(IDC_MODE_NAME), name);
    if (connected) {
        QCOMPARE(int(m.system.currentSlot), selected + 1); // a slot is always current on line
    }

    QVERIFY(f.Enabled(IDC_MODE_LIST));
    QVERIFY(f.Enabled(IDC_EXPORT));
    QCOMPARE(f.Enabled(IDC_RECALL), enabled.contains('R'));
    QCOMPARE(f.Enabled(IDC_STORE), enabled.contains('S'));
    QCOMPARE(f.Enabled(IDC_MODE_NAME), enabled.contains('S'));
    QCOMPARE(f.Enabled(IDC_IMPORT), enabled.contains('I'));
    QCOMPARE(f.Enabled(IDC_IMPORT_ALL), enabled.contains('I'));
    QCOMPARE(f.Enabled(IDC_EXPORT_ALL), enabled.contains('A'));
    QCOMPARE(f.Enabled(IDC_VERIFY_EDIT), verify);
    QVERIFY(!f.Enabled(IDC_VERIFY_OK));
    QCOMPARE(f.page->Text(IDC_AUTHORITY), authority);
}

void SysDlgTest::favouriteSlotsAreRecalledNeverStored() {
    Fixture f;
    TheModel().system.currentSlot = 1;
    f.Online(true);
    for (int entry = 0; entry < kSlotCount; ++entry) {
        f.Choose(IDC_MODE_LIST, entry);
        const bool storable = entry < 16;
        QCOMPARE(f.Enabled(IDC_STORE), storable);
        QCOMPARE(f.Enabled(IDC_MODE_NAME), storable);
    }
    // F3 selected: Store does nothing, Recall asks for the slot and then the live system block.
    f.Choose(IDC_MODE_LIST, 18);
    f.Click(IDC_STORE);
    QVERIFY(f.core.commands.empty());
    f.Click(IDC_RECALL);
    QCOMPARE(f.core.commands, (Commands{{133, 19}, {129, 0}}));
}

void SysDlgTest::storeSendsThePasswordThenTheName() {
    Fixture f;
    f.core.forward = true;
    Model& m = TheModel();
    SetText(m.system.systemPassword, "135790");
    m.system.currentSlot = 5;
    f.Online(true);
    f.Choose(IDC_MODE_LIST, 1);
    CEnglishEdit& name = f.Get<CEnglishEdit>(IDC_MODE_NAME);
    name.selectAll();
    f.Type(IDC_MODE_NAME, QStringLiteral("New Name"));
    f.Click(IDC_STORE);

    QCOMPARE(f.core.commands, (Commands{{140, 0}, {134, 2}}));
    const std::string padded = "New Name            ";
    QCOMPARE(Bytes(m.image.name), padded);
    QCOMPARE(Bytes(m.presets.Slot(2).name), padded);
    QCOMPARE(int(m.system.currentSlot), 2);
    QCOMPARE(f.page->ModeList().itemText(1), QStringLiteral("2-New Name"));
    QCOMPARE(f.page->ModeList().currentIndex(), 1);
    QCOMPARE(f.window->StatusLine().Text(), QStringLiteral("2:New Name"));

    // The password frame carries the stored password as old and new value, the store frame the name.
    CSendDataQueue& q = TheProtocol().Queue();
    QCOMPARE(q.Count(), 2);
    const std::uint8_t* pw = q.At(0).Record().frame;
    QCOMPARE(int(pw[4]), 140);
    QCOMPARE(std::string(reinterpret_cast<const char*>(pw + 5), 12), std::string("135790135790"));
    const std::uint8_t* store = q.At(1).Record().frame;
    QCOMPARE(int(store[4]), 134);
    QCOMPARE(int(store[5]), 2);
    QCOMPARE(std::string(reinterpret_cast<const char*>(store + 6), 20), padded);
    QCOMPARE(Bytes(m.system.systemPassword), std::string("135790"));
}

void SysDlgTest::recallOnAndOffLine() {
    Model& m = TheModel();
    {
        Fixture f; // on line: both commands are queued and slot 3 becomes current at once
        f.core.forward = true;
        f.Online(true);
        f.Choose(IDC_MODE_LIST, 2);
        f.Click(IDC_RECALL);
        QCOMPARE(f.core.commands, (Commands{{133, 3}, {129, 0}}));
        QCOMPARE(int(m.system.currentSlot), 3);
        QCOMPARE(TheProtocol().Queue().Count(), 2);
    }
    {
        Fixture f; // off line without presets: Recall is disabled and nothing changes
        SetText(m.presets.Slot(3).name, "Three");
        f.page->Refresh();
        QVERIFY(!f.Enabled(IDC_RECALL));
        const ProgramImage before = m.image;
        f.Click(IDC_RECALL);
        QVERIFY(f.core.commands.empty());
        QCOMPARE(std::memcmp(&before, &m.image, sizeof before), 0);
    }
    {
        Fixture f; // off line with presets loaded: the slot's program becomes the live one
        f.core.forward = true;
        m.presets.Slot(3) = m.image;
        SetText(m.presets.Slot(3).name, "Three");
        m.presets.Slot(3).micSync = 0;
        m.presets.Slot(3).musicSync = 1;
        m.settings.presetsLoaded = 1;
        f.page->Refresh();
        f.Choose(IDC_MODE_LIST, 2);
        f.Click(IDC_RECALL);
        QCOMPARE(int(m.system.currentSlot), 3);
        QCOMPARE(std::memcmp(&m.presets.Slot(3), &m.image, sizeof m.image), 0);
        QCOMPARE(std::memcmp(&m.shadow, &m.image, sizeof m.image), 0); // nothing to send
        QCOMPARE(f.page->Text(IDC_MODE_NAME), QStringLiteral("Three"));
        QCOMPARE(f.page->ModeList().currentIndex(), 2);
    }
}

void SysDlgTest::fileButtonsReachTheirActions() {
    Model& m = TheModel();
    {
        Fixture f; // on line, Export all reads every slot: system blocks and programs, numbered
        f.core.forward = true;
        f.Online(true);
        f.Click(IDC_EXPORT_ALL);
        QCOMPARE(f.core.commands, (Commands{{130, 1}}));
        QCOMPARE(TheProtocol().Queue().Count(), 42);
    }
    {
        Fixture f; // off line with presets, Export all saves the file at once
        f.core.forward = true;
        m.settings.presetsLoaded = 1;
        f.page->Refresh();
        f.Click(IDC_EXPORT_ALL);
        QCOMPARE(f.core.saves, 1);
    }
    {
        // The file actions ask for their paths; a cancelled dialog changes nothing.
        struct CancelHooks : NullHooks {
            std::vector<std::string> asked;
            std::optional<std::string> ChooseOpenFile(const std::string&,
                                                      const std::string& filter) override {
                asked.push_back("open " + filter);
                return std::nullopt;
            }
            std::optional<std::string> ChooseSaveFile(const std::string&,
                                                      const std::string& filter) override {
                asked.push_back("save " + filter);
                return std::nullopt;
            }
        };
        Fixture f;
        CancelHooks hooks;
        SetAppHooks(&hooks);
        f.Click(IDC_EXPORT);
        f.Click(IDC_IMPORT);
        f.Click(IDC_IMPORT_ALL);
        SetAppHooks(&f.window->Hooks());
        QCOMPARE(hooks.asked, (std::vector<std::string>{"save *.dia", "open *.dia", "open *.dat"}));
    }
}

void SysDlgTest::verificationGrantsStorePermission() {
    Fixture f;
    f.core.forward = true;
    Model& m = TheModel();
    const std::uint8_t stored[6] = {'2', '4', '6', '8', ' ', ' '};
    std::memcpy(m.system.systemPassword, stored, 6);
    m.system.currentSlot = 4;
    f.Online(false);
    QVERIFY(f.Enabled(IDC_VERIFY_EDIT));
    QVERIFY(!f.Enabled(IDC_STORE));

    f.Type(IDC_VERIFY_EDIT, QStringLiteral("246"));
    QVERIFY(!f.Enabled(IDC_VERIFY_OK));
    f.Type(IDC_VERIFY_EDIT, QStringLiteral("8"));
    QVERIFY(f.Enabled(IDC_VERIFY_OK)); // exactly the stored password
    f.Type(IDC_VERIFY_EDIT, QStringLiteral("0"));
    QVERIFY(!f.Enabled(IDC_VERIFY_OK)); // one more character
    QTest::keyClick(&f.Get<CEnglishEdit>(IDC_VERIFY_EDIT), Qt::Key_Backspace);
    QVERIFY(f.Enabled(IDC_VERIFY_OK));

    f.Click(IDC_VERIFY_OK);
    QCOMPARE(f.core.commands, (Commands{{140, 0}}));
    QCOMPARE(m.settings.storePermission, 1);
    QCOMPARE(f.page->Text(IDC_AUTHORITY), QStringLiteral("Store Allow"));
    QVERIFY(f.Enabled(IDC_STORE));
    QVERIFY(f.Enabled(IDC_IMPORT_ALL));
    QVERIFY(!f.Enabled(IDC_VERIFY_EDIT));
    QVERIFY(!f.Enabled(IDC_VERIFY_OK));
    QVERIFY(f.page->Text(IDC_VERIFY_EDIT).isEmpty());
    // The command confirms the stored bytes as they are: the password stays what it was.
    const std::uint8_t* frame = TheProtocol().Queue().At(0).Record().frame;
    QCOMPARE(std::memcmp(frame + 5, stored, 6), 0);
    QCOMPARE(std::memcmp(frame + 11, stored, 6), 0);
    QCOMPARE(std::memcmp(m.system.systemPassword, stored, 6), 0);
}

void SysDlgTest::passwordColumns() {
    Fixture f;
    f.core.forward = true;
    Model& m = TheModel();
    SetText(m.system.systemPassword, "111111");
    SetText(m.system.panelPassword, "ab12");
    f.Online(true);
    QVERIFY(f.Enabled(IDC_SYS_OLD) && f.Enabled(IDC_PANEL_OLD));
    for (int id :
         {IDC_SYS_NEW, IDC_SYS_CONFIRM, IDC_SYS_MODIFY, IDC_PANEL_NEW, IDC_PANEL_CONFIRM, IDC_PANEL_MODIFY}) {
        QVERIFY(!f.Enabled(id));
    }

    // System column: digits only in the old and new edits, six characters.
    f.Type(IDC_SYS_OLD, QStringLiteral("1x1111"));
    QCOMPARE(f.page->Text(IDC_SYS_OLD), QStringLiteral("11111"));
    QVERIFY(!f.Enabled(IDC_SYS_NEW));
    f.Type(IDC_SYS_OLD, QStringLiteral("1"));
    QVERIFY(f.Enabled(IDC_SYS_NEW));
    f.Type(IDC_SYS_NEW, QStringLiteral("12345"));
    QVERIFY(!f.Enabled(IDC_SYS_CONFIRM)); // five digits never open the confirmation
    f.Type(IDC_SYS_NEW, QStringLiteral("6"));
    QVERIFY(f.Enabled(IDC_SYS_CONFIRM));
    f.Type(IDC_SYS_CONFIRM, QStringLiteral("123456"));
    QVERIFY(f.Enabled(IDC_SYS_MODIFY));
    // Changing the new password after the confirmation closes Modify until they match again.
    QTest::keyClick(&f.Get<CEnglishEdit>(IDC_SYS_NEW), Qt::Key_Backspace);
    f.Type(IDC_SYS_NEW, QStringLiteral("7"));
    QVERIFY(!f.Enabled(IDC_SYS_MODIFY));
    QTest::keyClick(&f.Get<CEnglishEdit>(IDC_SYS_CONFIRM), Qt::Key_Backspace);
    f.Type(IDC_SYS_CONFIRM, QStringLiteral("7"));
    QVERIFY(f.Enabled(IDC_SYS_MODIFY));
    // Meanwhile the panel column was started.
    f.Type(IDC_PANEL_OLD, QStringLiteral("ab12"));
    QVERIFY(f.Enabled(IDC_PANEL_NEW));

    f.Click(IDC_SYS_MODIFY);
    QCOMPARE(f.core.commands, (Commands{{140, 0}}));
    QCOMPARE(Bytes(std::span(m.passwordEntry).subspan(14, 6)), std::string("123457"));
    QCOMPARE(Bytes(m.system.systemPassword), std::string("123457"));
    const std::uint8_t* frame = TheProtocol().Queue().At(0).Record().frame;
    QCOMPARE(std::string(reinterpret_cast<const char*>(frame + 5), 12), std::string("111111123457"));
    // Both columns start again: their edits empty, only the old-password edits open.
    for (int id : {IDC_SYS_OLD, IDC_SYS_NEW, IDC_SYS_CONFIRM, IDC_PANEL_OLD}) {
        QVERIFY(f.page->Text(id).isEmpty());
    }
    QVERIFY(f.Enabled(IDC_SYS_OLD) && f.Enabled(IDC_PANEL_OLD));
    QVERIFY(!f.Enabled(IDC_SYS_MODIFY) && !f.Enabled(IDC_PANEL_NEW));

    // Panel column: any single-byte old password, digits only in the new one, four characters.
    f.Type(IDC_PANEL_OLD, QStringLiteral("ab12"));
    f.Type(IDC_PANEL_NEW, QStringLiteral("9z87"));
    QCOMPARE(f.page->Text(IDC_PANEL_NEW), QStringLiteral("987"));
    QVERIFY(!f.Enabled(IDC_PANEL_CONFIRM));
    f.Type(IDC_PANEL_NEW, QStringLiteral("6"));
    f.Type(IDC_PANEL_CONFIRM, QStringLiteral("9876"));
    f.Click(IDC_PANEL_MODIFY);
    QCOMPARE(f.core.commands.back(), (std::pair<int, int>{141, 0}));
    QCOMPARE(Bytes(std::span(m.passwordEntry).subspan(4, 4)), std::string("9876"));
    QCOMPARE(Bytes(m.system.panelPassword), std::string("9876"));
    // Typing the old password now needs the new one.
    f.Type(IDC_PANEL_OLD, QStringLiteral("ab12"));
    QVERIFY(!f.Enabled(IDC_PANEL_NEW));
}

void SysDlgTest::passwordEditsStayShutOffLine() {
    Fixture f;
    Model& m = TheModel();
    SetText(m.system.systemPassword, "222222");
    f.Online(false);
    f.Type(IDC_SYS_OLD, QStringLiteral("222222"));
    f.Type(IDC_VERIFY_EDIT, QStringLiteral("222"));
    QVERIFY(f.Enabled(IDC_SYS_NEW));
    m.connection.connected = 0;
    m.settings.transportType = TRANSPORT_NONE;
    f.window->ConnectionChanged();
    for (int id : {IDC_SYS_OLD, IDC_SYS_NEW, IDC_SYS_CONFIRM, IDC_SYS_MODIFY, IDC_PANEL_OLD, IDC_PANEL_NEW,
                   IDC_PANEL_CONFIRM, IDC_PANEL_MODIFY, IDC_VERIFY_EDIT, IDC_VERIFY_OK}) {
        QVERIFY2(!f.Enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(f.page->Text(IDC_SYS_OLD).isEmpty());
    QVERIFY(f.page->Text(IDC_VERIFY_EDIT).isEmpty());
    QCOMPARE(f.page->Text(IDC_AUTHORITY), QStringLiteral("No Store Allow"));
}

void SysDlgTest::metersFollowTheReports() {
    Fixture f;
    Model& m = TheModel();
    // Every meter has room for all 18 segments.
    for (int i = 0; i < kMeterCount; ++i) {
        CSLamp& meter = f.page->Meter(i);
        for (int k = 0; k < CSLamp::kSegments; ++k) {
            QVERIFY(meter.rect().contains(meter.SegmentRect(k)));
        }
        QVERIFY(meter.SegmentRect(CSLamp::kSignalSegment).bottom() < meter.SegmentRect(16).top());
    }

    f.Online(true);
    MeterState& meters = m.settings.meters;
    meters.levels = {109, 110, 200, 255, 194, 199, 115, 116, 0, 150, 180, 200};
    meters.signals = {100, 200, 199, 250, 0, 200, 200, 200, 200, 200, 200, 200};
    meters.ready = 0;
    SendMessageTo(f.window.get(), MSG_LEVELS_RECEIVED, 12, 0);
    QCOMPARE(meters.ready, 1); // the next report may come
    const int lit[12] = {0, 1, 17, 17, 15, 15, 1, 2, 0, 7, 12, 17};
    for (int i = 0; i < kMeterCount; ++i) {
        QCOMPARE(f.page->Meter(i).LitLevelSegments(), lit[i]);
    }
    QVERIFY(!f.page->Meter(4).IsLit(16) && f.page->Meter(2).IsLit(16));
    SendMessageTo(f.window.get(), MSG_LEVELS_RECEIVED, 24, 0);
    const bool signal[4] = {true, false, true, false};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(f.page->Meter(i).IsLit(CSLamp::kSignalSegment), signal[i]);
        QCOMPARE(f.page->Meter(i).LitLevelSegments(), lit[i]); // the signal leaves the levels alone
    }

    // Off line every meter goes out, whatever arrives.
    m.connection.connected = 0;
    SendMessageTo(f.window.get(), MSG_LEVELS_RECEIVED, 12, 0);
    for (int i = 0; i < kMeterCount; ++i) {
        QCOMPARE(f.page->Meter(i).LitLevelSegments(), 0);
        QVERIFY(!f.page->Meter(i).IsLit(CSLamp::kSignalSegment));
    }
    m.connection.connected = 1;
    SendMessageTo(f.window.get(), MSG_LEVELS_RECEIVED, 12, 0);
    QCOMPARE(f.page->Meter(2).LitLevelSegments(), 17);
    m.connection.connected = 0; // a disconnect refreshes the page: the meters go out
    f.window->ConnectionChanged();
    QCOMPARE(f.page->Meter(2).LitLevelSegments(), 0);
}

void SysDlgTest::languageSetsEveryText() {
    struct Caption {
        int id;
        const char* zh;
        const char* en;
    };
    const Caption captions[] = {
        {IDC_AUTHORITY_GROUP, "保存权限管理", "Save authority management "},
        {IDC_PASSWORD_GROUP, "密码修改", "Password modification "},
        {IDC_VERIFY_LABEL, "系统密码验证", "System password verification"},
        {IDC_VERIFY_OK, "确定", "OK"},
        {IDC_SYS_TITLE, "系统密码修改", "System password modify"},
        {IDC_SYS_OLD_LABEL, "旧密码", "Old password"},
        {IDC_PANEL_OLD_LABEL, "旧密码", "Old password"},
        {IDC_SYS_NEW_LABEL, "新密码", "New password"},
        {IDC_PANEL_NEW_LABEL, "新密码", "New password"},
        {IDC_SYS_CONFIRM_LABEL, "确认密码", "Confirm password"},
        {IDC_PANEL_CONFIRM_LABEL, "确认密码", "Confirm password"},
        {IDC_SYS_MODIFY, "修改", "Modify"},
        {IDC_PANEL_MODIFY, "修改", "Modify"},
        {IDC_PANEL_TITLE, "面板密码锁修改", "Panel password modify"},
        {IDC_MODE_GROUP, "模式", "Mode"},
        {IDC_MODE_LABEL, "模式", "Mode"},
        {IDC_NAME_LABEL, "名称", "Name"},
        {IDC_RECALL, "调用设备模式", "Recall Mode"},
        {IDC_STORE, "保存设备模式", "Store Mode"},
        {IDC_EXPORT, "导出", "Export"},
        {IDC_IMPORT, "导入", "Import"},
        {IDC_EXPORT_ALL, "导出所有", "Export all"},
        {IDC_IMPORT_ALL, "导入所有", "Import all"},
        {IDC_SETTING_GROUP, "设置", "Setting"},
        {IDC_EFFECT_MAX_LABEL, "效果最大音量", "Effect max volume"},
        {IDC_MIC_MAX_LABEL, "话筒最大音量", "Mic max volume"},
        {IDC_MUSIC_MAX_LABEL, "音乐最大音量", "Music max volume"},
        {IDC_PHANTOM_LABEL, "后话筒幻像电源", "RearMic Phantom"},
        {IDC_IR_LABEL, "红外遥控", "IR Control"},
        {IDC_MUSIC_INPUT_LABEL, "输入选择", "Music Input"},
        {IDC_SEN_LABEL, "模拟输入灵敏度", "VOD/BGM Sen"},
        {IDC_VOD_GAIN_LABEL, "VOD 输入增益", "VOD input gain"},
        {IDC_BGM_GAIN_LABEL, "BGM 输入增益", "BGM input gain"},
        {IDC_COAX_GAIN_LABEL, "COAX 输入增益", "COAX input gain"},
        {IDC_OPTI_GAIN_LABEL, "OPTI/HDMI1~3/ARC 输入增益", "OPTI/HDMI1~3/ARC input gain"},
    };
    Fixture f;
    Model& m = TheModel();
    const QPixmap english = f.page->Background();
    for (int flag : {1, 0}) {
        m.settings.languageFlag = flag;
        f.window->ApplyLanguage();
        for (const Caption& c : captions) {
            QCOMPARE(f.page->Text(c.id), QString::fromUtf8(flag ? c.zh : c.en));
        }
        QCOMPARE(f.page->Text(IDC_AUTHORITY), QString::fromUtf8(flag ? "无保存权限" : "No Store Allow"));
        // Combo entries are the template's in both languages.
        QCOMPARE(f.Get<QComboBox>(IDC_IR).itemText(0), QStringLiteral("Disable"));
        QCOMPARE(f.page->Background().cacheKey() == english.cacheKey(), flag == 0);
    }
    m.settings.languageFlag = 1;
    f.Online(true);
    f.window->ApplyLanguage();
    QCOMPARE(f.page->Text(IDC_AUTHORITY), QString::fromUtf8("有保存权限"));
    m.settings.languageFlag = 0;
}

void SysDlgTest::easyModeLocksTheExpertControls() {
    Fixture f;
    const int expert[] = {IDC_PHANTOM,         IDC_IR,
                          IDC_VOD_GAIN,        IDC_BGM_GAIN,
                          IDC_COAX_GAIN,       IDC_OPTI_GAIN,
                          IDC_VOD_GAIN_VALUE,  IDC_BGM_GAIN_VALUE,
                          IDC_COAX_GAIN_VALUE, IDC_OPTI_GAIN_VALUE};
    const int always[] = {IDC_EFFECT_MAX, IDC_MIC_MAX, IDC_MUSIC_MAX, IDC_MUSIC_INPUT, IDC_SEN, IDC_EXPORT};
    for (int mode : {0, 1, 0}) {
        f.window->ModeList().setCurrentIndex(mode);
        Q_EMIT f.window->ModeList().activated(mode);
        for (int id : expert) {
            QCOMPARE(f.Enabled(id), mode == 1);
        }
        for (int id : always) {
            QVERIFY(f.Enabled(id));
        }
    }
}

KEL_QTEST_MAIN(SysDlgTest)
#include "SysDlgTest.moc"
