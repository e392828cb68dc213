// `kelvane --demo` end to end on the microphone page: an edit of each kind of control reaches the emulated
// processor as its one short command, and the processor's program then holds exactly the page's edits.
#include "DemoKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "pages/Mic_Dlg.h"

#include <QComboBox>

using namespace kel;
using namespace kel::uitest;
using M = CMic_Dlg;

class MicDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void eachKindOfEditReachesTheProcessorAsItsCommand();
};

void MicDemoTest::eachKindOfEditReachesTheProcessorAsItsCommand() {
    DemoSession demo;
    QVERIFY(demo.Start());
    Model& m = TheModel();
    demo.TakeFrames(); // the initial read is over
    demo.window->ShowPage(2);
    auto* page = dynamic_cast<CMic_Dlg*>(demo.window->Page(PageId::Mic));
    QVERIFY(page != nullptr && page->isVisible());
    const ProgramImage before = m.image;
    // Showing the page sends nothing: the link goes on polling the meters only.
    QVERIFY(demo.CommandsWhileIdle(3).empty());

    const std::vector<Edit> edits = {
        {"slider", [&] { MoveSlider(page, M::IDC_GATE_THRESHOLD_SLIDER, 40); }, true},
        {"numeric edit", [&] { TypeIntoEdit(demo.window.get(), page->NumEdit(M::IDC_HPF_EDIT), "200"); },
         true},
        {"combo", [&] { Choose(page, M::IDC_FEEDBACK, 2); }, true},
        {"toggle", [&] { page->Button(M::IDC_EQ_BYPASS)->click(); }, true},
        {"graph drag",
         [&] {
             const Point c = Collection(EQ_MIC1, 0).At(4).MarkerRect().Center();
             DragMarkerUp(page->Graph(), QPoint(c.x, c.y), 50);
         },
         false},
    };
    VerifyEditsReachTheProcessor(demo, edits);
    if (QTest::currentTestFailed()) {
        return;
    }

    // The processor's program holds exactly what the page shows: the five edits of Mic 1 and nothing else.
    const ProgramImage mine = m.image;
    QVERIFY(demo.ReadProgramBack());
    QVERIFY(std::memcmp(&mine, &m.image, sizeof mine) == 0);
    QCOMPARE(FirstChangeOutside(before, m.image, {{offsetof(ProgramImage, mic1), sizeof(MicBlock)}}), -1);
    QCOMPARE(int(m.image.mic1.gate.threshold), 40);
    QCOMPARE(int(m.image.mic1.hpf.freq.get()), FreqToIndex(200));
    QCOMPARE(int(m.image.mic1.feedback), 2);
    QCOMPARE(int(m.image.mic1.bypass), before.mic1.bypass == 0 ? 1 : 0);
    QVERIFY(m.image.mic1.eq[4].gain > before.mic1.eq[4].gain);
    demo.window.reset();
}

KEL_QTEST_MAIN(MicDemoTest)
#include "MicDemoTest.moc"
