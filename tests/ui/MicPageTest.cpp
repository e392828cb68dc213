// The microphone page: every control stores into the microphone being edited, the 20-band row follows the
// graph, Easy Mode greys the exciter edits while their sliders still store, and the link copies Mic 1.
#include "PageTestKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/EQDlg.h"
#include "pages/Mic_Dlg.h"
#include "pages/StripRow.h"

#include <QComboBox>
#include <QSlider>

#include <cstring>
#include <memory>

using namespace kel;
using M = CMic_Dlg;

namespace {

u8* Mic(int which) {
    ProgramImage& img = TheModel().image;
    return reinterpret_cast<u8*>(which == 1 ? &img.mic1 : &img.mic2);
}

int Stored(int which, int offset, bool word) {
    const u8* r = Mic(which);
    return word ? r[offset] | (r[offset + 1] << 8) : r[offset];
}

} // namespace

class MicPageTest : public uitest::PageTestBase<CMic_Dlg> {
    Q_OBJECT

  private:
    CEQDlg& Strip(int i) { return Page().Strips()->Strip(i); }
    QSlider& Scroller() { return *Page().Strips()->Scroller(); }
    void Scroll(int position) { uitest::Scroll(Scroller(), position); }
    int RedStrip() { return uitest::RedStrip(*Page().Strips()); }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() { BuildPage({715, 359}, true); }
    void cleanup() { m_page.reset(); }

    void controlsStoreIntoTheSelectedMic_data();
    void controlsStoreIntoTheSelectedMic();
    void graphReportsMoveTheRowOrTheCrossovers_data();
    void graphReportsMoveTheRowOrTheCrossovers();
    void scrollerAtTheFirstBandKeepsTheHighlight();
    void micLevelTextsAtBothEnds_data();
    void micLevelTextsAtBothEnds();
    void easyModeGreysTheExciterEditsWhileTheSlidersStore();
    void linkEditsMic1AndCopiesItOntoMic2();
    void switchingMicsAndScrollingWriteNothing();
    void bothLanguages();
};

void MicPageTest::controlsStoreIntoTheSelectedMic_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<bool>("combo");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("word");
    QTest::addColumn<int>("mic");
    // Mic 2 selected: its own level, feedback, limiter (2..5) and gate (6..8), unlike the music page.
    QTest::newRow("level") << int(M::IDC_LEVEL_SLIDER) << false << 33 << 0 << false << 2;
    QTest::newRow("feedback") << int(M::IDC_FEEDBACK) << true << 4 << 1 << false << 2;
    QTest::newRow("limit level") << int(M::IDC_LIMIT_LEVEL_SLIDER) << false << 30 << 2 << false << 2;
    QTest::newRow("limit attack") << int(M::IDC_LIMIT_ATTACK_SLIDER) << false << 19 << 3 << false << 2;
    QTest::newRow("limit release") << int(M::IDC_LIMIT_RELEASE_SLIDER) << false << 7 << 4 << false << 2;
    QTest::newRow("ratio") << int(M::IDC_RATIO_SLIDER) << false << 40 << 5 << false << 2;
    QTest::newRow("gate threshold") << int(M::IDC_GATE_THRESHOLD_SLIDER) << false << 60 << 6 << false << 2;
    QTest::newRow("gate attack") << int(M::IDC_GATE_ATTACK_SLIDER) << false << 11 << 7 << false << 2;
    QTest::newRow("gate release") << int(M::IDC_GATE_RELEASE_SLIDER) << false << 5 << 8 << false << 2;
    QTest::newRow("HPF") << int(M::IDC_HPF_SLIDER) << false << 82 << 10 << true << 2;
    QTest::newRow("HPF slope") << int(M::IDC_HPF_SLOPE) << true << 9 << 12 << false << 2;
    QTest::newRow("LPF") << int(M::IDC_LPF_SLIDER) << false << 204 << 14 << true << 2;
    QTest::newRow("LPF slope") << int(M::IDC_LPF_SLOPE) << true << 12 << 16 << false << 2;
    QTest::newRow("low exciter") << int(M::IDC_LOW_FREQ_SLIDER) << false << 260 << 144 << true << 2;
    QTest::newRow("low harmonic") << int(M::IDC_LOW_HARMONIC) << true << 9 << 146 << false << 2;
    QTest::newRow("low timbre") << int(M::IDC_LOW_TIMBRE) << true << 3 << 147 << false << 2;
    QTest::newRow("high exciter") << int(M::IDC_HIGH_FREQ_SLIDER) << false << 340 << 148 << true << 2;
    QTest::newRow("high harmonic") << int(M::IDC_HIGH_HARMONIC) << true << 1 << 150 << false << 2;
    QTest::newRow("high timbre") << int(M::IDC_HIGH_TIMBRE) << true << 8 << 151 << false << 2;
    QTest::newRow("Mic 1 limit level") << int(M::IDC_LIMIT_LEVEL_SLIDER) << false << 12 << 2 << false << 1;
    QTest::newRow("Mic 1 HPF") << int(M::IDC_HPF_SLIDER) << false << 100 << 10 << true << 1;
}

void MicPageTest::controlsStoreIntoTheSelectedMic() {
    QFETCH(int, control);
    QFETCH(bool, combo);
    QFETCH(int, value);
    QFETCH(int, offset);
    QFETCH(bool, word);
    QFETCH(int, mic);
    Click(mic == 2 ? M::IDC_MIC2 : M::IDC_MIC1);
    QCOMPARE(Page().EditedChannel(), mic == 2 ? int(EQ_MIC2) : int(EQ_MIC1));
    const int other = mic == 2 ? 1 : 2;
    const int otherBefore = Stored(other, offset, word);

    if (combo) {
        QComboBox& box = *Page().Combo(control);
        box.setCurrentIndex(value);
        Q_EMIT box.activated(value);
    } else {
        Page().Slider(control)->SetPos(value);
        Message(MSG_SLIDER_MOVING, control, value);
    }
    QCOMPARE(Stored(mic, offset, word), value);
    QCOMPARE(Stored(other, offset, word), otherBefore);

    // Shown again from the record after a refresh; nothing written by it.
    const ProgramImage before = TheModel().image;
    Page().Refresh();
    QVERIFY(std::memcmp(&before, &TheModel().image, sizeof before) == 0);
    if (combo) {
        QCOMPARE(Page().Combo(control)->currentIndex(), value);
    } else {
        QCOMPARE(Page().Slider(control)->GetPos(), value);
    }
}

void MicPageTest::graphReportsMoveTheRowOrTheCrossovers_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("first");    // first band shown afterwards
    QTest::addColumn<int>("red");      // highlighted strip afterwards
    QTest::addColumn<int>("hpfShown"); // HPF slider afterwards
    QTest::addColumn<int>("lpfShown");
    const int hpf = 0, lpf = 361; // the defaults
    QTest::newRow("band 19 scrolls to 10..19") << 19 << 10 << 9 << hpf << lpf;
    QTest::newRow("band 4 stays") << 4 << 0 << 4 << hpf << lpf;
    QTest::newRow("index 20: high-pass") << 20 << 0 << -1 << 77 << lpf;
    QTest::newRow("index 21: low-pass") << 21 << 0 << -1 << hpf << 300;
    QTest::newRow("index 22 ignored") << 22 << 0 << -1 << hpf << lpf;
}

void MicPageTest::graphReportsMoveTheRowOrTheCrossovers() {
    QFETCH(int, band);
    QFETCH(int, first);
    QFETCH(int, red);
    QFETCH(int, hpfShown);
    QFETCH(int, lpfShown);
    // Changed behind the page's back, as a graph drag changes them.
    MicBlock& mic = TheModel().image.mic1;
    mic.hpf.freq = 77;
    mic.lpf.freq = 300;
    Message(MSG_GRAPH_BAND_EDITED, EQ_MIC1, band);
    QCOMPARE(Scroller().value(), first);
    QCOMPARE(TheModel().settings.view.micFirstBand, first);
    QCOMPARE(TheModel().settings.view.micLastBand, first + 9);
    QCOMPARE(Strip(0).Index(), first);
    QCOMPARE(RedStrip(), red);
    QCOMPARE(Page().Slider(M::IDC_HPF_SLIDER)->GetPos(), hpfShown);
    QCOMPARE(Page().NumEdit(M::IDC_HPF_EDIT)->GetPos(), hpfShown);
    QCOMPARE(Page().Slider(M::IDC_LPF_SLIDER)->GetPos(), lpfShown);
    QCOMPARE(Page().NumEdit(M::IDC_LPF_EDIT)->GetPos(), lpfShown);
}

void MicPageTest::scrollerAtTheFirstBandKeepsTheHighlight() {
    Scroll(4);
    QCOMPARE(Strip(0).Index(), 4);
    Message(MSG_STRIP_BAND_EDITED, 0, 6);
    QCOMPARE(RedStrip(), 2);
    Scroll(4); // the position the row already has: nothing happens
    QCOMPARE(RedStrip(), 2);
    QCOMPARE(Strip(0).Index(), 4);
    Scroll(10);
    QCOMPARE(RedStrip(), -1);
    QCOMPARE(Strip(9).Index(), 19);
}

void MicPageTest::micLevelTextsAtBothEnds_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0") << 0 << "-10.0dB";
    QTest::newRow("20") << 20 << "0.0dB";
}

void MicPageTest::micLevelTextsAtBothEnds() {
    QFETCH(int, level);
    QFETCH(QString, shown);
    TheModel().image.mic1.level = static_cast<u8>(level);
    Page().Refresh();
    QCOMPARE(Page().Text(M::IDC_LEVEL_VALUE), shown);
}

void MicPageTest::easyModeGreysTheExciterEditsWhileTheSlidersStore() {
    TheModel().settings.operatingMode = 0;
    Page().ApplyMode();
    for (int id : {M::IDC_LOW_FREQ_EDIT, M::IDC_HIGH_FREQ_EDIT, M::IDC_LOW_TIMBRE, M::IDC_HIGH_TIMBRE,
                   M::IDC_SYNC, M::IDC_GATE_ATTACK_VALUE, M::IDC_LIMIT_LEVEL_VALUE, M::IDC_RATIO_VALUE}) {
        QVERIFY2(!Page().Control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {M::IDC_GATE_ATTACK_SLIDER, M::IDC_GATE_RELEASE_SLIDER, M::IDC_LIMIT_LEVEL_SLIDER,
                   M::IDC_LIMIT_ATTACK_SLIDER, M::IDC_LIMIT_RELEASE_SLIDER, M::IDC_RATIO_SLIDER}) {
        QVERIFY2(!Page().Slider(id)->IsSliderEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {M::IDC_LOW_FREQ_SLIDER, M::IDC_HIGH_FREQ_SLIDER, M::IDC_LEVEL_SLIDER, M::IDC_HPF_SLIDER,
                   M::IDC_GATE_THRESHOLD_SLIDER}) {
        QVERIFY2(Page().Slider(id)->IsSliderEnabled(), qPrintable(QString::number(id)));
    }
    for (int id :
         {M::IDC_FEEDBACK, M::IDC_LOW_HARMONIC, M::IDC_HIGH_HARMONIC, M::IDC_EQ_BYPASS, M::IDC_MIC2}) {
        QVERIFY2(Page().Control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    // The greyed edit still follows its slider, and the slider stores.
    Page().Slider(M::IDC_LOW_FREQ_SLIDER)->SetPos(150);
    Message(MSG_SLIDER_MOVED, M::IDC_LOW_FREQ_SLIDER, 150);
    QCOMPARE(Stored(1, 144, true), 150);
    QCOMPARE(Page().NumEdit(M::IDC_LOW_FREQ_EDIT)->GetPos(), 150);
    // The "Harmonic" labels are rewritten by ApplyMode in the current language.
    QCOMPARE(Page().Text(M::IDC_LOW_HARMONIC_LABEL), QStringLiteral("Harmonic"));
}

void MicPageTest::linkEditsMic1AndCopiesItOntoMic2() {
    Model& m = TheModel();
    Click(M::IDC_MIC2);
    m.image.mic1.level = 7;
    m.image.mic1.gate.threshold = 44;
    Click(M::IDC_SYNC); // on: Mic 1 is edited, the channel buttons are shut
    QCOMPARE(int(m.image.micSync), 1);
    QCOMPARE(Page().EditedChannel(), int(EQ_MIC1));
    QVERIFY(!Page().Button(M::IDC_MIC1)->isEnabled() && !Page().Button(M::IDC_MIC2)->isEnabled());
    QCOMPARE(Page().Slider(M::IDC_LEVEL_SLIDER)->GetPos(), 7);

    Click(M::IDC_SYNC); // off: Mic 1 copied onto Mic 2 in the image and the shadow
    QCOMPARE(int(m.image.micSync), 0);
    QVERIFY(std::memcmp(&m.image.mic1, &m.image.mic2, sizeof(MicBlock)) == 0);
    QVERIFY(std::memcmp(&m.image.mic1, &m.shadow.mic2, sizeof(MicBlock)) == 0);
    QVERIFY(Page().Button(M::IDC_MIC1)->isEnabled() && Page().Button(M::IDC_MIC2)->isEnabled());
    QVERIFY(Page().Button(M::IDC_MIC1)->IsOn() && !Page().Button(M::IDC_MIC2)->IsOn());
}

void MicPageTest::switchingMicsAndScrollingWriteNothing() {
    Model& m = TheModel();
    for (int i = 0; i < 20; ++i) { // a program unlike the defaults
        m.image.mic1.eq[i].gain = static_cast<u8>(60 + 3 * i);
        m.image.mic2.eq[i].gain = static_cast<u8>(170 - 2 * i);
    }
    m.image.mic2.gate.attack = 9;
    m.image.mic2.hpf.freq = 123;
    m.image.mic2.lowExciter.freq = 999; // damaged: shown at the end of the range, kept as it is
    CommitShadow(false);
    Page().Refresh();
    for (int id : {int(M::IDC_MIC2), int(M::IDC_MIC1), int(M::IDC_MIC2)}) {
        Click(id);
        Scroll(id == M::IDC_MIC1 ? 7 : 2);
        Message(MSG_GRAPH_BAND_EDITED, EQ_MIC2, 17);
    }
    QCOMPARE(Page().Slider(M::IDC_LOW_FREQ_SLIDER)->GetPos(), 361);
    QVERIFY(std::memcmp(&m.image, &m.shadow, sizeof(ProgramImage)) == 0); // nothing for the detector
}

void MicPageTest::bothLanguages() {
    Model& m = TheModel();
    m.settings.languageFlag = 1;
    Page().ApplyLanguage();
    QCOMPARE(Page().Text(M::IDC_LEVEL_TITLE), QStringLiteral("话筒电平"));
    QCOMPARE(Page().Text(M::IDC_MIC2), QStringLiteral("话筒2"));
    QCOMPARE(Page().Text(M::IDC_EQ_BYPASS), QStringLiteral("EQ Bypass"));
    m.settings.languageFlag = 0;
    Page().ApplyLanguage();
    QCOMPARE(Page().Text(M::IDC_FEEDBACK_TITLE), QStringLiteral("Feedback"));
    QCOMPARE(Page().Text(M::IDC_LIMIT_TITLE), QStringLiteral("Limit"));
    QCOMPARE(Page().Text(M::IDC_MIC1), QStringLiteral("Mic 1"));
}

KEL_QTEST_MAIN(MicPageTest)
#include "MicPageTest.moc"
