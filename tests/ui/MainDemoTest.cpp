// `kelvane --demo` end to end on the main output page: showing the five tabs sends nothing; after Sing →
// Disco the page's edits reach the emulated processor's Disco block and leave its Sing block as it was;
// a Disco block that differs from what the processor holds goes out field by field, in the change
// detector's order, before the mode command.
#include "DemoKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "dsp/FilterBank.h"
#include "pages/MainDlg.h"

#include <QComboBox>

using namespace kel;
using namespace kel::uitest;
using M = CMainDlg;

class MainDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void singToDiscoEditsTheProcessorsDiscoBlock();
};

namespace {

enum Block { kSing, kDisco };

bool SameBlock(const OutputBlock& a, const OutputBlock& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

void MainDemoTest::singToDiscoEditsTheProcessorsDiscoBlock() {
    DemoSession demo;
    QVERIFY(demo.Start());
    Model& m = TheModel();
    demo.TakeFrames(); // the initial read is over
    auto* page = dynamic_cast<CMainDlg*>(demo.window->Page(PageId::Main));
    QVERIFY(page != nullptr);
    const ProgramImage before = m.image;

    // Showing every output tab, and the channel buttons, send nothing.
    for (int tab : {4, 5, 6, 7, 8, 4}) {
        demo.window->ShowPage(tab);
        QVERIFY(page->isVisible());
    }
    page->Button(M::IDC_RIGHT)->click();
    page->Button(M::IDC_LEFT)->click();
    QVERIFY(demo.CommandsWhileIdle(3).empty());

    // Sing → Disco with nothing pending: only the mode command.
    page->Button(M::IDC_DISCO)->click();
    std::vector<Frame> commands = demo.CommandsOfEdit();
    QCOMPARE(static_cast<int>(commands.size()), 1);
    QCOMPARE(commands[0].type, int(CMD_OUTPUT_MODE));
    QCOMPARE(int(commands[0].body[0]), 2);

    // Edits in Disco, on Main R and on the Center tab.
    page->Button(M::IDC_RIGHT)->click();
    const std::vector<Edit> edits = {
        {"music level", [&] { MoveSlider(page, M::IDC_MUSIC_SLIDER, 150); }, true},
        {"reverb switch", [&] { page->Button(M::IDC_REVERB_SWITCH)->click(); }, true},
        {"limiter", [&] { MoveSlider(page, M::IDC_LIMIT_LEVEL_SLIDER, 20); }, true},
        {"right delay", [&] { MoveSlider(page, M::IDC_RIGHT_DELAY_SLIDER, 1500); }, true},
        {"right mute", [&] { page->Button(M::IDC_RIGHT_MUTE)->click(); }, true},
        {"LPF slope", [&] { Choose(page, M::IDC_COMBO_LPF, 9); }, true},
        {"EQ pass", [&] { page->Button(M::IDC_EQ_PASS)->click(); }, true},
        {"graph drag",
         [&] {
             const Point c =
                 Collection(int(EQ_OUTPUT_FIRST) + int(OUT_MAIN_R), kDisco).At(4).MarkerRect().Center();
             DragMarkerUp(page->Graph(), QPoint(c.x, c.y), 40);
         },
         false},
        {"Center delay",
         [&] {
             demo.window->ShowPage(5);
             MoveSlider(page, M::IDC_LEFT_DELAY_SLIDER, 300);
         },
         true},
    };
    VerifyEditsReachTheProcessor(demo, edits);
    if (QTest::currentTestFailed()) {
        return;
    }
    const OutputBlock disco = m.image.out[kDisco];
    QCOMPARE(int(disco.ch[OUT_MAIN_R].mix[0].level), 150);
    QCOMPARE(int(disco.ch[OUT_MAIN_L].limiter.level), 20);
    QCOMPARE(int(disco.ch[OUT_MAIN_R].delay.get()), 1500);
    QCOMPARE(int(disco.ch[OUT_CENTER].delay.get()), 300);
    QVERIFY(SameBlock(before.out[kSing], m.image.out[kSing]));

    // The processor's program: the Disco block holds the edits, Sing's block is as it was.
    QVERIFY(demo.ReadProgramBack());
    QCOMPARE(int(m.image.outputMode), 2);
    QVERIFY(SameBlock(disco, m.image.out[kDisco]));
    QVERIFY(SameBlock(before.out[kSing], m.image.out[kSing]));
    QVERIFY(SameBlock(before.out[2], m.image.out[2]));
    demo.TakeFrames(); // the read

    // Back to Sing (nothing pending), then a Disco block unlike what the processor holds, one field for
    // each step of the detector that compares output records. It stays unsent while Sing is compared.
    demo.window->ShowPage(4);
    page->Button(M::IDC_SING)->click();
    commands = demo.CommandsOfEdit();
    QCOMPARE(static_cast<int>(commands.size()), 1);
    QCOMPARE(commands[0].type, int(CMD_OUTPUT_MODE));
    {
        ImageLockGuard lock(ImageLock());
        OutputChannel& r = m.image.out[kDisco].ch[OUT_MAIN_R];
        r.mute = r.mute == 0 ? 1 : 0;
        r.mix[3].level = 33;
        r.mix[3].on = r.mix[3].on == 0 ? 1 : 0;
        r.eq[2].gain = 150;
        r.bypass = r.bypass == 0 ? 1 : 0;
        r.hpf.freq.set(60);
        r.delay.set(42);
        m.image.out[kDisco].ch[OUT_MAIN_L].limiter.ratio = 7;
    }
    QVERIFY(demo.CommandsWhileIdle(3).empty());

    page->Button(M::IDC_DISCO)->click();
    commands = demo.CommandsOfEdit();
    const std::vector<std::pair<int, int>> expected = {
        {CMD_LEVEL, MixLevelIndex(OUT_MAIN_R, 3)},
        {CMD_SWITCH, MixLevelIndex(OUT_MAIN_R, 3)},
        {CMD_EQ_BAND, 111 + 10 * OUT_MAIN_R + 2},
        {CMD_CROSSOVER, 7 + OUT_MAIN_R},
        {CMD_DELAY, 10 + OUT_MAIN_R},
        {CMD_LIMITER, 2}, // Main L's limiter
        {CMD_MUTE, OUT_MAIN_R},
        {CMD_BYPASS, 11 + OUT_MAIN_R},
        {CMD_OUTPUT_MODE, 2},
    };
    QCOMPARE(commands.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(commands[i].type, expected[i].first);
        QCOMPARE(int(commands[i].body[0]), expected[i].second);
    }
    QVERIFY(InStep());
    demo.window.reset();
}

KEL_QTEST_MAIN(MainDemoTest)
#include "MainDemoTest.moc"
