// The main output page: each control stores into the record its tab and side give, in the block of the
// output mode; "Auto" shuts every editing control and shows Sing; the pair links copy left onto right;
// the mono tabs show one mute and one delay; switching tabs and modes by showing writes nothing.
#include "PageTestKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/EQDlg.h"
#include "pages/MainDlg.h"
#include "pages/StripRow.h"

#include <QComboBox>

#include <cstring>
#include <memory>

using namespace kel;
using M = CMainDlg;

namespace {

enum Tab { kMain = 4, kCenter, kSub, kRear, kSurround };
enum Side { kLeft, kRight };

const u8* RecordOf(int block, int record) {
    return reinterpret_cast<const u8*>(&TheModel().image.out[block].ch[record]);
}

int Stored(int block, int record, int offset, bool word) {
    const u8* r = RecordOf(block, record);
    return word ? r[offset] | (r[offset + 1] << 8) : r[offset];
}

bool SameImage(const ProgramImage& a, const ProgramImage& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class MainPageTest : public uitest::PageTestBase<CMainDlg> {
    Q_OBJECT

  private:
    // What the window does when one of tabs 4..8 is chosen.
    void Show(int tab) {
        Page().SelectOutputTab(tab);
        Page().Refresh();
        Page().ApplyMode();
    }
    void MoveSlider(int id, int value) {
        Page().Slider(id)->SetPos(value);
        Message(MSG_SLIDER_MOVING, id, value);
    }
    bool Editable(int id) {
        if (CBitmapSlider* s = Page().Slider(id)) {
            return s->IsSliderEnabled();
        }
        return Page().Control(id)->isEnabled();
    }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() {
        BuildPage({715, 359}, false, false);
        Show(kMain);
        Deliver();
    }
    void cleanup() { m_page.reset(); }

    void controlsStoreIntoTheirRecord_data();
    void controlsStoreIntoTheirRecord();
    void autoShutsTheEditingControlsAndShowsSing_data();
    void autoShutsTheEditingControlsAndShowsSing();
    void modeButtonsWriteTheByteNotTheSelector();
    void linkOnEditsTheLeftAndOffCopiesIt_data();
    void linkOnEditsTheLeftAndOffCopiesIt();
    void monoTabsShowOneMuteAndOneDelay_data();
    void monoTabsShowOneMuteAndOneDelay();
    void delayTexts_data();
    void delayTexts();
    void crossoverEditsEmphasiseTheirCurve_data();
    void crossoverEditsEmphasiseTheirCurve();
    void switchingTabsReconfiguresWithoutWriting_data();
    void switchingTabsReconfiguresWithoutWriting();
    void tabLabels_data();
    void tabLabels();
};

void MainPageTest::controlsStoreIntoTheirRecord_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("side"); // the channel button chosen on a pair
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("value"); // -1: a click
    QTest::addColumn<int>("record");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("word");
    // Mix levels and switches of the selected channel.
    QTest::newRow("Main R music level")
        << int(kMain) << 1 << int(kRight) << int(M::IDC_MUSIC_SLIDER) << 155 << 1 << 1 << false;
    QTest::newRow("Rear R reverb level")
        << int(kRear) << 1 << int(kRight) << int(M::IDC_REVERB_SLIDER) << 200 << 5 << 9 << false;
    QTest::newRow("Surround L echo B switch")
        << int(kSurround) << 1 << int(kLeft) << int(M::IDC_ECHOB_SWITCH) << -1 << 6 << 8 << false;
    QTest::newRow("SUB mic switch") << int(kSub) << 1 << int(kLeft) << int(M::IDC_MIC_SWITCH) << -1 << 3 << 4
                                    << false;
    QTest::newRow("Main R EQ pass") << int(kMain) << 1 << int(kRight) << int(M::IDC_EQ_PASS) << -1 << 1 << 61
                                    << false;
    // The limiter of a pair is its left record's, whichever side is selected.
    QTest::newRow("Main R limit level edits Main L")
        << int(kMain) << 1 << int(kRight) << int(M::IDC_LIMIT_LEVEL_SLIDER) << 30 << 0 << 62 << false;
    QTest::newRow("Rear R ratio edits Rear L")
        << int(kRear) << 1 << int(kRight) << int(M::IDC_RATIO_SLIDER) << 40 << 4 << 65 << false;
    QTest::newRow("Center attack") << int(kCenter) << 1 << int(kLeft) << int(M::IDC_LIMIT_ATTACK_SLIDER) << 19
                                   << 2 << 63 << false;
    // Mutes and delays by side, not by selection.
    QTest::newRow("Main right mute with L selected")
        << int(kMain) << 1 << int(kLeft) << int(M::IDC_RIGHT_MUTE) << -1 << 1 << 0 << false;
    QTest::newRow("Surround left delay with R selected")
        << int(kSurround) << 1 << int(kRight) << int(M::IDC_LEFT_DELAY_SLIDER) << 1500 << 6 << 74 << true;
    QTest::newRow("Rear right delay")
        << int(kRear) << 1 << int(kLeft) << int(M::IDC_RIGHT_DELAY_SLIDER) << 321 << 5 << 74 << true;
    // Crossovers of the selected channel, through its filter objects.
    QTest::newRow("Surround R HPF") << int(kSurround) << 1 << int(kRight) << int(M::IDC_HPF_SLIDER) << 120
                                    << 7 << 67 << true;
    QTest::newRow("SUB LPF") << int(kSub) << 1 << int(kLeft) << int(M::IDC_LPF_SLIDER) << 90 << 3 << 71
                             << true;
    // Disco and Decode edit their own blocks.
    QTest::newRow("Disco Main R music level")
        << int(kMain) << 2 << int(kRight) << int(M::IDC_MUSIC_SLIDER) << 77 << 1 << 1 << false;
    QTest::newRow("Decode Center delay")
        << int(kCenter) << 3 << int(kLeft) << int(M::IDC_LEFT_DELAY_SLIDER) << 999 << 2 << 74 << true;
    QTest::newRow("Disco Rear L LPF")
        << int(kRear) << 2 << int(kLeft) << int(M::IDC_LPF_SLIDER) << 250 << 4 << 71 << true;
}

void MainPageTest::controlsStoreIntoTheirRecord() {
    QFETCH(int, tab);
    QFETCH(int, mode);
    QFETCH(int, side);
    QFETCH(int, control);
    QFETCH(int, value);
    QFETCH(int, record);
    QFETCH(int, offset);
    QFETCH(bool, word);
    Show(tab);
    if (mode != 1) {
        Click(M::IDC_AUTO + mode);
    }
    if (tab == kMain || tab == kRear || tab == kSurround) {
        Click(side == kRight ? M::IDC_RIGHT : M::IDC_LEFT);
    }
    const int block = mode - 1;
    const int before = Stored(block, record, offset, word);
    ProgramImage expected = TheModel().image;

    if (value < 0) {
        Click(control);
        value = before == 0 ? 1 : 0;
        QCOMPARE(Page().Button(control)->IsOn(), value != 0);
    } else {
        MoveSlider(control, value);
    }
    QCOMPARE(Stored(block, record, offset, word), value);
    // Nothing else changed: not the other side, not the other blocks.
    u8* r = reinterpret_cast<u8*>(&expected.out[block].ch[record]);
    r[offset] = static_cast<u8>(value);
    if (word) {
        r[offset + 1] = static_cast<u8>(value >> 8);
    }
    QVERIFY(SameImage(expected, TheModel().image));

    // Shown again from the record by a refresh, which writes nothing.
    Page().Refresh();
    QVERIFY(SameImage(expected, TheModel().image));
    if (CBitmapSlider* s = Page().Slider(control)) {
        QCOMPARE(s->GetPos(), value);
    } else {
        QCOMPARE(Page().Button(control)->IsOn(), value != 0);
    }
}

void MainPageTest::autoShutsTheEditingControlsAndShowsSing_data() {
    QTest::addColumn<int>("before"); // the mode chosen before "Auto"
    QTest::newRow("Sing") << 1;
    QTest::newRow("Disco") << 2;
    QTest::newRow("Decode") << 3;
}

void MainPageTest::autoShutsTheEditingControlsAndShowsSing() {
    QFETCH(int, before);
    Model& m = TheModel();
    // Main L differs in every block.
    for (int b = 0; b < 3; ++b) {
        m.image.out[b].ch[0].mix[0].level = static_cast<u8>(10 + b);
        m.image.out[b].ch[0].delay.set(static_cast<std::uint16_t>(100 * (b + 1)));
    }
    Click(M::IDC_AUTO + before);
    Click(M::IDC_AUTO);
    QCOMPARE(int(m.image.outputMode), 0);
    QCOMPARE(m.modeSelector.Get(), 1);
    QCOMPARE(Page().Slider(M::IDC_MUSIC_SLIDER)->GetPos(), 10);
    QCOMPARE(Page().Slider(M::IDC_LEFT_DELAY_SLIDER)->GetPos(), 100);
    QCOMPARE(Page().Graph()->Collection(), &Collection(8, 0));
    QVERIFY(!Page().Graph()->Editable());

    const int shut[] = {M::IDC_SYNC,         M::IDC_LEFT,         M::IDC_RIGHT,
                        M::IDC_EQ_RESET,     M::IDC_EQ_PASS,      M::IDC_LEFT_MUTE,
                        M::IDC_RIGHT_MUTE,   M::IDC_MUSIC_SWITCH, M::IDC_REVERB_SWITCH,
                        M::IDC_MUSIC_SLIDER, M::IDC_RATIO_SLIDER, M::IDC_RIGHT_DELAY_SLIDER,
                        M::IDC_LPF_SLIDER,   M::IDC_COMBO_HPF,    M::IDC_COMBO_LPF,
                        M::IDC_HPF_EDIT,     M::IDC_LPF_EDIT};
    for (int id : shut) {
        QVERIFY2(!Editable(id), qPrintable(QString::number(id)));
    }
    QVERIFY(!Page().Strips()->Strip(3).isEnabled());
    // Full Mode does not open SYNC or the limiter while in "Auto".
    Page().ApplyMode();
    QVERIFY(!Editable(M::IDC_SYNC));
    QVERIFY(!Editable(M::IDC_LIMIT_LEVEL_SLIDER));
    for (int id : {M::IDC_AUTO, M::IDC_SING, M::IDC_DISCO, M::IDC_DECODE}) {
        QVERIFY(Editable(id));
        QCOMPARE(Page().Button(id)->IsOn(), id == M::IDC_AUTO);
    }

    Click(M::IDC_SING);
    for (int id : shut) {
        QVERIFY2(Editable(id), qPrintable(QString::number(id)));
    }
    QVERIFY(Page().Strips()->Strip(3).isEnabled());
    QVERIFY(Page().Graph()->Editable());
    QCOMPARE(Page().Button(M::IDC_SING)->IsOn(), true);
    QCOMPARE(Page().Button(M::IDC_AUTO)->IsOn(), false);
}

void MainPageTest::modeButtonsWriteTheByteNotTheSelector() {
    Model& m = TheModel();
    Click(M::IDC_DISCO);
    QCOMPARE(int(m.image.outputMode), 2);
    QCOMPARE(Page().Graph()->Collection(), &Collection(8, 1));
    QCOMPARE(Page().Strips()->Strip(0).Filter(), &Collection(8, 1).At(0));
    // "Auto" falls back to the mode the selector remembers, which the page never set: Sing.
    Click(M::IDC_AUTO);
    QCOMPARE(m.modeSelector.Get(), 1);
    // Clicking the mode already chosen changes nothing, and its button stays on.
    const ProgramImage before = m.image;
    Click(M::IDC_AUTO);
    QVERIFY(SameImage(before, m.image));
    QVERIFY(Page().Button(M::IDC_AUTO)->IsOn());
}

void MainPageTest::linkOnEditsTheLeftAndOffCopiesIt_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("linkOffset");
    QTest::newRow("Main") << int(kMain) << 0 << 2707;
    QTest::newRow("Rear") << int(kRear) << 4 << 2709;
    QTest::newRow("Surround") << int(kSurround) << 6 << 2710;
}

void MainPageTest::linkOnEditsTheLeftAndOffCopiesIt() {
    QFETCH(int, tab);
    QFETCH(int, left);
    QFETCH(int, linkOffset);
    Model& m = TheModel();
    const int right = left + 1;
    u8* image = reinterpret_cast<u8*>(&m.image);
    m.image.out[0].ch[right].mute = 1;
    m.image.out[0].ch[right].delay.set(700);
    Show(tab);
    Click(M::IDC_RIGHT);
    QCOMPARE(Page().EditedChannel(), 8 + right);

    Click(M::IDC_SYNC);
    QCOMPARE(int(image[linkOffset]), 1);
    QCOMPARE(Page().EditedChannel(), 8 + left);
    QVERIFY(!Page().Button(M::IDC_RIGHT)->isEnabled());
    QVERIFY(!Page().Button(M::IDC_LEFT)->isEnabled());
    MoveSlider(M::IDC_MIC_SLIDER, 180);
    QCOMPARE(int(m.image.out[0].ch[left].mix[1].level), 180);
    QVERIFY(int(m.image.out[0].ch[right].mix[1].level) != 180);

    // Off: the left record is copied onto the right one in image and shadow, its mute and delay kept.
    Click(M::IDC_SYNC);
    QCOMPARE(int(image[linkOffset]), 0);
    QVERIFY(Page().Button(M::IDC_RIGHT)->isEnabled());
    QVERIFY(Page().Button(M::IDC_LEFT)->isEnabled());
    const OutputChannel& r = m.image.out[0].ch[right];
    QCOMPARE(int(r.mix[1].level), 180);
    QCOMPARE(int(r.mute), 1);
    QCOMPARE(int(r.delay.get()), 700);
    QVERIFY(std::memcmp(&r, &m.shadow.out[0].ch[right], sizeof r) == 0);
    // Another pair's link byte is untouched.
    for (int other : {2707, 2709, 2710}) {
        QCOMPARE(int(image[other]), 0);
    }
}

void MainPageTest::monoTabsShowOneMuteAndOneDelay_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("record");
    QTest::newRow("Center") << int(kCenter) << 2;
    QTest::newRow("SUB") << int(kSub) << 3;
}

void MainPageTest::monoTabsShowOneMuteAndOneDelay() {
    QFETCH(int, tab);
    QFETCH(int, record);
    Show(tab);
    for (int id : {M::IDC_SYNC, M::IDC_LEFT, M::IDC_RIGHT, M::IDC_RIGHT_MUTE, M::IDC_RIGHT_DELAY_LABEL,
                   M::IDC_RIGHT_DELAY_SLIDER, M::IDC_RIGHT_DELAY_VALUE, M::IDC_RIGHT_DISTANCE}) {
        QVERIFY2(Page().Control(id)->isHidden(), qPrintable(QString::number(id)));
    }
    QVERIFY(!Page().Control(M::IDC_LEFT_MUTE)->isHidden());
    QVERIFY(!Page().Control(M::IDC_LEFT_DELAY_SLIDER)->isHidden());
    QCOMPARE(Page().EditedChannel(), 8 + record);
    QCOMPARE(Page().Graph()->Channel(), 8 + record);
    QCOMPARE(Page().Strips()->Strip(0).Channel(), 8 + record);

    MoveSlider(M::IDC_LEFT_DELAY_SLIDER, 1234);
    Click(M::IDC_LEFT_MUTE);
    QCOMPARE(Stored(0, record, 74, true), 1234);
    QCOMPARE(Stored(0, record, 0, false), 1);
    // Back on a pair the right side shows again.
    Show(kRear);
    QVERIFY(!Page().Control(M::IDC_RIGHT_DELAY_SLIDER)->isHidden());
    QVERIFY(!Page().Control(M::IDC_SYNC)->isHidden());
}

void MainPageTest::delayTexts_data() {
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0") << 0 << "0.0ms";
    QTest::newRow("1") << 1 << "0.1ms";
    QTest::newRow("1500") << 1500 << "150.0ms";
}

void MainPageTest::delayTexts() {
    QFETCH(int, delay);
    QFETCH(QString, shown);
    TheModel().image.out[0].ch[0].delay.set(static_cast<std::uint16_t>(delay));
    TheModel().image.out[0].ch[1].delay.set(static_cast<std::uint16_t>(delay));
    Page().Refresh();
    QCOMPARE(Page().Text(M::IDC_LEFT_DELAY_VALUE), shown);
    QCOMPARE(Page().Text(M::IDC_RIGHT_DELAY_VALUE), shown);
    const QString distance =
        QString::fromStdString(FormatConversion(ConversionOf(Conv::OutputDistance), delay));
    QCOMPARE(Page().Text(M::IDC_LEFT_DISTANCE), distance);
    // The slider's own edit shows both as it moves.
    MoveSlider(M::IDC_RIGHT_DELAY_SLIDER, delay);
    QCOMPARE(Page().Text(M::IDC_RIGHT_DELAY_VALUE), shown);
    QCOMPARE(Page().Text(M::IDC_RIGHT_DISTANCE), distance);
}

void MainPageTest::crossoverEditsEmphasiseTheirCurve_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("highlight");
    QTest::newRow("HPF slider") << int(M::IDC_HPF_SLIDER) << 10;
    QTest::newRow("LPF slider") << int(M::IDC_LPF_SLIDER) << 11;
    QTest::newRow("LPF slope") << int(M::IDC_COMBO_LPF) << 11;
    QTest::newRow("HPF edit") << int(M::IDC_HPF_EDIT) << 10;
}

void MainPageTest::crossoverEditsEmphasiseTheirCurve() {
    QFETCH(int, control);
    QFETCH(int, highlight);
    Show(kRear);
    Click(M::IDC_RIGHT);
    CCFStatic& graph = *Page().Graph();
    graph.Redraw(-1);
    if (CBitmapSlider* s = Page().Slider(control)) {
        for (int v : {150, 160, 170}) { // a drag: every step emphasised
            s->SetPos(v);
            Message(MSG_SLIDER_MOVING, control, v);
            QCOMPARE(graph.Highlight(), highlight);
        }
        Message(MSG_SLIDER_MOVED, control, 170);
    } else if (QComboBox* box = Page().Combo(control)) {
        box->setCurrentIndex(4);
        Q_EMIT box->activated(4);
    } else {
        Page().NumEdit(control)->SetPos(200);
        QCoreApplication::sendEvent(&Page(), new CMessageEvent(MSG_NUMEDIT_CHANGED, 0, control));
    }
    QCOMPARE(graph.Highlight(), highlight);
    QCOMPARE(graph.Emphasised(), &graph.Collection()->At(highlight));
    QCOMPARE(graph.Channel(), 8 + OUT_REAR_R);
}

void MainPageTest::switchingTabsReconfiguresWithoutWriting_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("language");
    for (int mode = 0; mode <= 3; ++mode) {
        for (int language : {0, 1}) {
            const QString name = QStringLiteral("mode %1 %2").arg(mode).arg(language != 0 ? "zh" : "en");
            QTest::newRow(qPrintable(name)) << mode << language;
        }
    }
}

void MainPageTest::switchingTabsReconfiguresWithoutWriting() {
    QFETCH(int, mode);
    QFETCH(int, language);
    Model& m = TheModel();
    m.settings.languageFlag = language;
    m.image.outputMode = static_cast<u8>(mode);
    m.image.outputLink[2] = 1; // Rear linked
    m.settings.view.outputChannel[0] = 9;
    m.settings.view.outputChannel[2] = 15;
    // Every record of every block different, so a stray write shows.
    for (int b = 0; b < 3; ++b) {
        for (int r = 0; r < 8; ++r) {
            OutputChannel& c = m.image.out[b].ch[r];
            c.mix[2].level = static_cast<u8>(b * 8 + r);
            c.delay.set(static_cast<std::uint16_t>(b * 100 + r));
            c.hpf.freq.set(static_cast<std::uint16_t>(10 + b * 8 + r));
        }
    }
    CommitShadow(false);
    const ProgramImage before = m.image;
    Page().ApplyLanguage();
    const int block = mode == 0 ? 0 : mode - 1;
    for (int tab : {kSurround, kCenter, kMain, kRear, kSub, kSurround}) {
        Show(tab);
        QCoreApplication::processEvents();
        QVERIFY2(SameImage(before, m.image), qPrintable(QString::number(tab)));
        const int record = Page().EditedChannel() - 8;
        const int expected = tab == kMain ? 1 : tab == kCenter ? 2 : tab == kSub ? 3 : tab == kRear ? 4 : 7;
        QCOMPARE(record, expected); // Rear is linked: its left channel
        QCOMPARE(Page().Slider(M::IDC_ECHOA_SLIDER)->GetPos(), block * 8 + record);
        QCOMPARE(Page().Slider(M::IDC_HPF_SLIDER)->GetPos(), 10 + block * 8 + record);
        QCOMPARE(Page().Graph()->Collection(), &Collection(8 + record, block));
    }
    QCOMPARE(m.settings.view.outputChannel[0], 9);
    QCOMPARE(m.settings.view.outputChannel[2], 15);
}

void MainPageTest::tabLabels_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("text");
    QTest::newRow("Main L") << int(kMain) << 0 << int(M::IDC_LEFT) << "Main L";
    QTest::newRow("Rear R zh") << int(kRear) << 1 << int(M::IDC_RIGHT) << "后右";
    QTest::newRow("Surround L") << int(kSurround) << 0 << int(M::IDC_LEFT) << "Surround L";
    QTest::newRow("Main mute") << int(kMain) << 0 << int(M::IDC_LEFT_MUTE) << "L Mute";
    QTest::newRow("Center mute") << int(kCenter) << 0 << int(M::IDC_LEFT_MUTE) << "Mute";
    QTest::newRow("SUB mute zh") << int(kSub) << 1 << int(M::IDC_LEFT_MUTE) << "静音";
    QTest::newRow("Main limit") << int(kMain) << 0 << int(M::IDC_LIMIT_TITLE) << "Main Limit";
    QTest::newRow("Center limit zh") << int(kCenter) << 1 << int(M::IDC_LIMIT_TITLE) << "中置压限";
    QTest::newRow("SUB limit") << int(kSub) << 0 << int(M::IDC_LIMIT_TITLE) << "SUB Limit";
    QTest::newRow("Rear limit zh") << int(kRear) << 1 << int(M::IDC_LIMIT_TITLE) << "后置输出压限";
    QTest::newRow("Surround limit") << int(kSurround) << 0 << int(M::IDC_LIMIT_TITLE) << "Surround Limit";
    QTest::newRow("SUB delay") << int(kSub) << 0 << int(M::IDC_LEFT_DELAY_LABEL) << "SUB Delay";
    QTest::newRow("Center delay zh") << int(kCenter) << 1 << int(M::IDC_LEFT_DELAY_LABEL) << "中置延时";
    QTest::newRow("Rear right delay") << int(kRear) << 0 << int(M::IDC_RIGHT_DELAY_LABEL) << "Right Delay";
    QTest::newRow("attack without (Atk)")
        << int(kMain) << 0 << int(M::IDC_LIMIT_ATTACK_LABEL) << "Attack Time";
    QTest::newRow("attack zh") << int(kMain) << 1 << int(M::IDC_LIMIT_ATTACK_LABEL) << "压限启动时间";
    QTest::newRow("Decode zh") << int(kMain) << 1 << int(M::IDC_DECODE) << "解码";
    QTest::newRow("EchoB level") << int(kSub) << 0 << int(M::IDC_ECHOB_LABEL) << "EchoB Level";
}

void MainPageTest::tabLabels() {
    QFETCH(int, tab);
    QFETCH(int, language);
    QFETCH(int, control);
    QFETCH(QString, text);
    TheModel().settings.languageFlag = language;
    Page().ApplyLanguage();
    Show(kRear);
    Show(tab);
    QCOMPARE(Page().Text(control), text);
    // The language switched afterwards keeps the tab's labels.
    TheModel().settings.languageFlag = 1 - language;
    Page().ApplyLanguage();
    TheModel().settings.languageFlag = language;
    Page().ApplyLanguage();
    QCOMPARE(Page().Text(control), text);
}

KEL_QTEST_MAIN(MainPageTest)
#include "MainPageTest.moc"
