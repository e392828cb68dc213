// `kelvane --demo` end to end on the effect page: an edit of each kind of control on the echo and the
// reverb sub-page reaches the emulated processor as its command, and the processor's program then holds
// exactly the page's edits.
#include "DemoKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "pages/Echo_Dlg.h"
#include "pages/Effect_Dlg.h"
#include "pages/Rev_Dlg.h"

#include <QComboBox>

using namespace kel;
using namespace kel::uitest;
namespace fx = kel::effect;

class EffectDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void eachKindOfEditOnBothSubPagesReachesTheProcessor();
};

namespace {

void DragBand(CEffect_Dlg* page, int channel, int band) {
    const Point c = Collection(channel, 0).At(band).MarkerRect().Center();
    DragMarkerUp(page->Graph(), QPoint(c.x, c.y), 40);
}

} // namespace

void EffectDemoTest::eachKindOfEditOnBothSubPagesReachesTheProcessor() {
    DemoSession demo;
    QVERIFY(demo.Start());
    Model& m = TheModel();
    demo.TakeFrames(); // the initial read is over
    demo.window->ShowPage(3);
    auto* page = dynamic_cast<CEffect_Dlg*>(demo.window->Page(PageId::Effect));
    QVERIFY(page != nullptr && page->isVisible());
    const ProgramImage before = m.image;
    CEcho_Dlg* echo = &page->Echo();
    CRev_Dlg* rev = &page->Reverb();

    // Showing the page and switching effects send nothing.
    page->Button(CEffect_Dlg::IDC_ECHO_B)->click();
    page->Button(CEffect_Dlg::IDC_REVERB)->click();
    page->Button(CEffect_Dlg::IDC_ECHO_A)->click();
    QVERIFY(demo.CommandsWhileIdle(3).empty());

    const std::vector<Edit> edits = {
        {"echo delay slider", [&] { MoveSlider(echo, CEcho_Dlg::IDC_DELAY_SLIDER, 125); }, true},
        {"echo HPF edit", [&] { TypeIntoEdit(demo.window.get(), echo->NumEdit(fx::IDC_HPF_EDIT), "150"); },
         true},
        {"echo LPF slope", [&] { Choose(echo, fx::IDC_LPF_SLOPE, 4); }, true},
        {"echo wet sign", [&] { echo->Button(fx::IDC_WET_SIGN)->click(); }, true},
        {"echo graph drag", [&] { DragBand(page, EQ_ECHO_A, 3); }, false},
        {"to reverb", [&] { page->Button(CEffect_Dlg::IDC_REVERB)->click(); }, false},
        {"reverb time slider", [&] { MoveSlider(rev, CRev_Dlg::IDC_TIME_SLIDER, 40); }, true},
        {"reverb LPF edit", [&] { TypeIntoEdit(demo.window.get(), rev->NumEdit(fx::IDC_LPF_EDIT), "9000"); },
         true},
        {"reverb HPF slope", [&] { Choose(rev, fx::IDC_HPF_SLOPE, 2); }, true},
        {"reverb EQ pass", [&] { rev->Button(fx::IDC_EQ_PASS)->click(); }, true},
        {"reverb graph drag", [&] { DragBand(page, EQ_REVERB, 5); }, false},
    };
    // Switching to the reverb is no edit: check the others.
    std::vector<Edit> real;
    for (const Edit& e : edits) {
        if (std::string(e.name) == "to reverb") {
            VerifyEditsReachTheProcessor(demo, real);
            if (QTest::currentTestFailed()) {
                return;
            }
            real.clear();
            e.make();
            QVERIFY(demo.CommandsWhileIdle(2).empty());
        } else {
            real.push_back(e);
        }
    }
    VerifyEditsReachTheProcessor(demo, real);
    if (QTest::currentTestFailed()) {
        return;
    }

    // The processor's program holds exactly what the page shows; only Echo A and the reverb changed.
    const ProgramImage mine = m.image;
    QVERIFY(demo.ReadProgramBack());
    QVERIFY(std::memcmp(&mine, &m.image, sizeof mine) == 0);
    QCOMPARE(FirstChangeOutside(before, m.image,
                                {{offsetof(ProgramImage, echoA), sizeof(EchoBlock)},
                                 {offsetof(ProgramImage, reverb), sizeof(ReverbBlock)}}),
             -1);
    QCOMPARE(int(m.image.echoA.delay.get()), 2500);
    QCOMPARE(int(m.image.echoA.wetSign), 1);
    QCOMPARE(int(m.image.reverb.time.get()), 20000);
    QCOMPARE(int(m.image.reverb.lpf.freq.get()), FreqToIndex(9000));
    demo.window.reset();
}

KEL_QTEST_MAIN(EffectDemoTest)
#include "EffectDemoTest.moc"
