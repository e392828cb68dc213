// The effect page with its echo and reverb sub-pages: stored and shown delays, the selectors, the routing of
// the shared graph's reports, the sign switches, Easy Mode, and that showing and switching write nothing.
#include "PageTestKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/EQDlg.h"
#include "pages/Echo_Dlg.h"
#include "pages/Effect_Dlg.h"
#include "pages/Rev_Dlg.h"
#include "pages/StripRow.h"

#include <cstring>
#include <memory>

using namespace kel;
using E = CEcho_Dlg;
using R = CRev_Dlg;
using F = CEffect_Dlg;
namespace fx = kel::effect;

Q_DECLARE_METATYPE(CBoundPage*)

class EffectPageTest : public uitest::PageTestBase<CEffect_Dlg> {
    Q_OBJECT

  private:
    void Click(CBoundPage& page, int id) { page.Button(id)->click(); }
    int RedStrip(CBoundPage& page) { return uitest::RedStrip(*page.Strips()); }
    void MoveSlider(CBoundPage& page, int id, int position) {
        page.Slider(id)->SetPos(position);
        SendMessageTo(&page, MSG_SLIDER_MOVED, id, position);
    }
    std::vector<int> Selectors() {
        std::vector<int> on;
        for (int id : {F::IDC_ECHO_A, F::IDC_ECHO_B, F::IDC_REVERB}) {
            on.push_back(Page().Button(id)->IsOn() ? 1 : 0);
        }
        return on;
    }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() { BuildPage({785, 359}, false); }
    void cleanup() { m_page.reset(); }

    void delaysStoredAndShown_data();
    void delaysStoredAndShown();
    void echoBRebindsAndClearsTheHighlight();
    void selectingTheSelectedEffectDoesNothing();
    void graphReportsReachTheSubPageOwningTheBand();
    void signClickChangesItsByteOnly_data();
    void signClickChangesItsByteOnly();
    void signsShownAfterAProgramArrives();
    void programWhileReverbShownRefreshesTheReverbOnly();
    void showingAndSwitchingWriteNothing();
    void easyModeGreysTheExpertControls();
};

void EffectPageTest::delaysStoredAndShown_data() {
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored"); // the 16-bit field the slider's position was stored into
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("shown");
    QTest::newRow("echo delay at its end") << 4 << int(E::IDC_DELAY_SLIDER) << 250 << 5000 << 52 << "500ms";
    QTest::newRow("echo pre-delay at its end")
        << 5 << int(E::IDC_PRE_DELAY_SLIDER) << 150 << 1500 << 48 << "150ms";
    QTest::newRow("echo right delay low end")
        << 4 << int(E::IDC_RIGHT_DELAY_SLIDER) << 0 << 0 << 54 << "-50%";
    QTest::newRow("echo right delay high end")
        << 4 << int(E::IDC_RIGHT_DELAY_SLIDER) << 100 << 100 << 54 << "50%";
    QTest::newRow("echo right pre-delay")
        << 5 << int(E::IDC_RIGHT_PRE_DELAY_SLIDER) << 50 << 50 << 50 << "50%";
    QTest::newRow("reverb time at its end") << 6 << int(R::IDC_TIME_SLIDER) << 100 << 50000 << 50 << "5000ms";
    QTest::newRow("reverb pre-delay at its end")
        << 6 << int(R::IDC_PRE_DELAY_SLIDER) << 100 << 2000 << 48 << "200ms";
}

void EffectPageTest::delaysStoredAndShown() {
    QFETCH(int, effect);
    QFETCH(int, slider);
    QFETCH(int, value);
    QFETCH(int, stored);
    QFETCH(int, offset);
    QFETCH(QString, shown);
    Click(Page(), effect == 4 ? F::IDC_ECHO_A : effect == 5 ? F::IDC_ECHO_B : F::IDC_REVERB);
    CBoundPage& sub = effect == 6 ? static_cast<CBoundPage&>(Page().Reverb()) : Page().Echo();
    ProgramImage& img = TheModel().image;
    u8* record = effect == 6 ? reinterpret_cast<u8*>(&img.reverb)
                             : reinterpret_cast<u8*>(effect == 4 ? &img.echoA : &img.echoB);
    MoveSlider(sub, slider, value);
    QCOMPARE(record[offset] | (record[offset + 1] << 8), stored);
    QCOMPARE(sub.Text(slider - E::IDC_PRE_DELAY_SLIDER + E::IDC_PRE_DELAY_VALUE), shown);
}

void EffectPageTest::echoBRebindsAndClearsTheHighlight() {
    ProgramImage& img = TheModel().image;
    img.echoB.wet = 77;
    img.echoB.eq[2].gain = 150;
    SendMessageTo(&Page().Echo(), MSG_STRIP_BAND_EDITED, 0, 3);
    QCOMPARE(RedStrip(Page().Echo()), 3);

    Click(Page(), F::IDC_ECHO_B);
    QCOMPARE(TheModel().settings.view.effect, int(EQ_ECHO_B));
    QCOMPARE(RedStrip(Page().Echo()), -1);
    QCOMPARE(Selectors(), (std::vector<int>{0, 1, 0}));
    QCOMPARE(Page().Echo().Slider(fx::IDC_WET_SLIDER)->GetPos(), 77);
    QCOMPARE(Page().Echo().Strips()->Strip(2).GainEdit().GetPos(), 150);
    QCOMPARE(Page().Graph()->Channel(), int(EQ_ECHO_B));
    QVERIFY(Page().Echo().isVisible() && !Page().Reverb().isVisible());
    // Edits now go to Echo B.
    MoveSlider(Page().Echo(), E::IDC_REPEAT_SLIDER, 45);
    QCOMPARE(int(img.echoB.repeat), 45);
    QCOMPARE(int(img.echoA.repeat), 0);
}

void EffectPageTest::selectingTheSelectedEffectDoesNothing() {
    SendMessageTo(&Page().Echo(), MSG_STRIP_BAND_EDITED, 0, 5);
    TheModel().image.echoA.wet = 12; // a refresh would show it
    Click(Page(), F::IDC_ECHO_A);
    QCOMPARE(RedStrip(Page().Echo()), 5);
    QCOMPARE(Page().Echo().Slider(fx::IDC_WET_SLIDER)->GetPos(), 0);
    QCOMPARE(Selectors(), (std::vector<int>{1, 0, 0}));
}

void EffectPageTest::graphReportsReachTheSubPageOwningTheBand() {
    ProgramImage& img = TheModel().image;
    img.echoB.lpf.freq = 250;
    img.reverb.lpf.freq = 100;
    Click(Page(), F::IDC_ECHO_B);
    const int echoLpf = Page().Echo().Slider(fx::IDC_LPF_SLIDER)->GetPos();
    QCOMPARE(echoLpf, 250);
    img.echoB.lpf.freq = 260;

    // A reverb report never reaches the echo sub-page.
    QCoreApplication::postEvent(&Page(), new CMessageEvent(MSG_GRAPH_BAND_EDITED, EQ_REVERB, 8));
    Deliver();
    QCOMPARE(Page().Echo().Slider(fx::IDC_LPF_SLIDER)->GetPos(), 250);
    QCOMPARE(Page().Reverb().Slider(fx::IDC_LPF_SLIDER)->GetPos(), 100);
    // Echo B's low-pass (index 8) sets the echo's edit and slider from the Echo B record.
    QCoreApplication::postEvent(&Page(), new CMessageEvent(MSG_GRAPH_BAND_EDITED, EQ_ECHO_B, 8));
    Deliver();
    QCOMPARE(Page().Echo().Slider(fx::IDC_LPF_SLIDER)->GetPos(), 260);
    QCOMPARE(Page().Echo().NumEdit(fx::IDC_LPF_EDIT)->GetPos(), 260);
    // A band: its strip is marked; another channel is ignored.
    QCoreApplication::postEvent(&Page(), new CMessageEvent(MSG_GRAPH_BAND_EDITED, EQ_ECHO_B, 6));
    QCoreApplication::postEvent(&Page(), new CMessageEvent(MSG_GRAPH_BAND_EDITED, EQ_MUSIC_L, 2));
    Deliver();
    QCOMPARE(RedStrip(Page().Echo()), 6);
    QCOMPARE(RedStrip(Page().Reverb()), -1);
}

void EffectPageTest::signClickChangesItsByteOnly_data() {
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("offset");
    QTest::newRow("echo A wet") << 4 << int(fx::IDC_WET_SIGN) << int(offsetof(ProgramImage, echoA) + 37);
    QTest::newRow("echo B dry") << 5 << int(fx::IDC_DRY_SIGN) << int(offsetof(ProgramImage, echoB) + 39);
    QTest::newRow("reverb wet") << 6 << int(fx::IDC_WET_SIGN) << int(offsetof(ProgramImage, reverb) + 37);
}

void EffectPageTest::signClickChangesItsByteOnly() {
    QFETCH(int, effect);
    QFETCH(int, button);
    QFETCH(int, offset);
    Click(Page(), effect == 4 ? F::IDC_ECHO_A : effect == 5 ? F::IDC_ECHO_B : F::IDC_REVERB);
    CBoundPage& sub = effect == 6 ? static_cast<CBoundPage&>(Page().Reverb()) : Page().Echo();
    const ProgramImage before = TheModel().image;
    Click(sub, button);
    const auto* was = reinterpret_cast<const u8*>(&before);
    const auto* now = reinterpret_cast<const u8*>(&TheModel().image);
    for (int i = 0; i < int(sizeof(ProgramImage)); ++i) {
        QCOMPARE(int(now[i]), i == offset ? 1 - was[i] : int(was[i]));
    }
    QVERIFY(sub.Button(button)->IsOn());
    Click(sub, button);
    QCOMPARE(int(now[offset]), int(was[offset]));
    QVERIFY(!sub.Button(button)->IsOn());
}

void EffectPageTest::signsShownAfterAProgramArrives() {
    Click(Page(), F::IDC_REVERB);
    ReverbBlock& r = TheModel().image.reverb;
    r.wetSign = 1;
    r.drySign = 0;
    Page().Refresh();
    QVERIFY(Page().Reverb().Button(fx::IDC_WET_SIGN)->IsOn());  // the minus sign
    QVERIFY(!Page().Reverb().Button(fx::IDC_DRY_SIGN)->IsOn()); // the plus sign
    // A reverb time that is no multiple of 500 shows the step below.
    r.time = 1250;
    Page().Refresh();
    QCOMPARE(Page().Reverb().Slider(R::IDC_TIME_SLIDER)->GetPos(), 2);
    QCOMPARE(Page().Reverb().Text(R::IDC_TIME_VALUE), QStringLiteral("100ms"));
    // And an echo delay of 4999 the step below too, with its record kept until the slider moves.
    Click(Page(), F::IDC_ECHO_A);
    TheModel().image.echoA.delay = 4999;
    Page().Refresh();
    QCOMPARE(Page().Echo().Slider(E::IDC_DELAY_SLIDER)->GetPos(), 249);
    QCOMPARE(Page().Echo().Text(E::IDC_DELAY_VALUE), QStringLiteral("498ms"));
    QCOMPARE(int(TheModel().image.echoA.delay.get()), 4999);
}

void EffectPageTest::programWhileReverbShownRefreshesTheReverbOnly() {
    Click(Page(), F::IDC_REVERB);
    QVERIFY(Page().Reverb().isVisible() && !Page().Echo().isVisible());
    QCOMPARE(Selectors(), (std::vector<int>{0, 0, 1}));
    ProgramImage& img = TheModel().image;
    img.reverb.wet = 55;
    img.echoA.wet = 66;
    Page().Refresh(); // as after a program arrived
    QCOMPARE(Page().Reverb().Slider(fx::IDC_WET_SLIDER)->GetPos(), 55);
    QCOMPARE(Page().Echo().Slider(fx::IDC_WET_SLIDER)->GetPos(), 0);
    Click(Page(), F::IDC_ECHO_A);
    QCOMPARE(Page().Echo().Slider(fx::IDC_WET_SLIDER)->GetPos(), 66);
}

void EffectPageTest::showingAndSwitchingWriteNothing() {
    Model& m = TheModel();
    m.image.echoA.delay = 4999; // shown as 249 × 20: kept as it is
    m.image.reverb.time = 1250;
    m.image.echoB.wetSign = 1;
    m.image.echoB.rightDelay = 300; // damaged: shown at the end of the range
    CommitShadow(false);
    for (int id : {F::IDC_ECHO_B, F::IDC_REVERB, F::IDC_ECHO_A, F::IDC_REVERB, F::IDC_ECHO_B}) {
        Click(Page(), id);
        Page().Refresh();
    }
    QVERIFY(std::memcmp(&m.image, &m.shadow, sizeof(ProgramImage)) == 0);
}

void EffectPageTest::easyModeGreysTheExpertControls() {
    TheModel().settings.operatingMode = 0;
    Page().ApplyMode();
    CEcho_Dlg& echo = Page().Echo();
    CRev_Dlg& rev = Page().Reverb();
    for (int id : {int(fx::IDC_DRY_SLIDER), int(E::IDC_PRE_DELAY_SLIDER), int(E::IDC_RIGHT_PRE_DELAY_SLIDER),
                   int(E::IDC_RIGHT_DELAY_SLIDER)}) {
        QVERIFY2(!echo.Slider(id)->IsSliderEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {int(fx::IDC_WET_SLIDER), int(E::IDC_DELAY_SLIDER), int(E::IDC_REPEAT_SLIDER),
                   int(fx::IDC_HPF_SLIDER)}) {
        QVERIFY2(echo.Slider(id)->IsSliderEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(!echo.Control(E::IDC_RIGHT_DELAY_VALUE)->isEnabled());
    QVERIFY(!rev.Slider(fx::IDC_DRY_SLIDER)->IsSliderEnabled() &&
            !rev.Control(fx::IDC_DRY_VALUE)->isEnabled());
    QVERIFY(rev.Slider(fx::IDC_WET_SLIDER)->IsSliderEnabled() &&
            rev.Slider(R::IDC_PRE_DELAY_SLIDER)->IsSliderEnabled());
    // Languages reach both sub-pages.
    TheModel().settings.languageFlag = 1;
    Page().ApplyLanguage();
    QCOMPARE(Page().Text(F::IDC_REVERB), QStringLiteral("混响"));
    QCOMPARE(echo.Text(E::IDC_RIGHT_DELAY_TITLE), QStringLiteral("右通道延时"));
    QCOMPARE(rev.Text(fx::IDC_EQ_PASS), QStringLiteral("EQ pass"));
    TheModel().settings.languageFlag = 0;
    Page().ApplyLanguage();
    QCOMPARE(rev.Text(R::IDC_TIME_TITLE), QStringLiteral("Reverb Time"));
    QCOMPARE(echo.Text(fx::IDC_HPF_TITLE), QStringLiteral("Echo HPF"));
}

KEL_QTEST_MAIN(EffectPageTest)
#include "EffectPageTest.moc"
