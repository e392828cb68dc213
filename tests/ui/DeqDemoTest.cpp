// `kelvane --demo` end to end on the dynamic EQ page: showing it sends nothing, a compressor edit reaches
// the emulated processor as the one frame of its band, the EQ edits of a column as their band's frames,
// and a graph drag far below the plot stops at -12 dB, which the processor then holds.
#include "DemoKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "pages/DEQ_Dlg.h"

#include <QComboBox>

#include <algorithm>

using namespace kel;
using namespace kel::uitest;
using D = CDEQ_Dlg;

namespace {

constexpr int kDynamicEqCommand = 17; // body: record index (0..2 Music Left, 3..5 Music Right), the record

// A band marker dragged down by `dy` pixels, past the plot's bottom.
void DragMarkerDown(QWidget* graph, QPoint from, int dy) {
    Mouse(graph, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    Mouse(graph, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int step = 10; step <= dy; step += 10) {
        Mouse(graph, QEvent::MouseMove, from + QPoint(0, step), Qt::NoButton, Qt::LeftButton);
    }
    Mouse(graph, QEvent::MouseButtonRelease, from + QPoint(0, dy), Qt::LeftButton, Qt::NoButton);
}

} // namespace

class DeqDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void editsReachTheProcessorAndADragStopsAtTheFloor();
};

void DeqDemoTest::editsReachTheProcessorAndADragStopsAtTheFloor() {
    DemoSession demo;
    QVERIFY(demo.Start());
    Model& m = TheModel();
    demo.TakeFrames(); // the initial read is over
    demo.window->ShowPage(1);
    auto* page = dynamic_cast<CDEQ_Dlg*>(demo.window->Page(PageId::Deq));
    QVERIFY(page != nullptr && page->isVisible());
    const ProgramImage before = m.image;
    QVERIFY(demo.CommandsWhileIdle(3).empty());

    // The page is shut in "Easy Mode": the operator picks "Full Mode" in the window's list.
    QComboBox& mode = demo.window->ModeList();
    mode.setCurrentIndex(1);
    Q_EMIT mode.activated(1);
    QVERIFY(page->Graph()->isEnabled());

    // Music Right, band 3's ratio: one frame, record 5, carrying the new byte.
    QVERIFY2(m.image.musicSync == 0, "the demo program starts with the music channels unlinked");
    page->Button(D::IDC_MUSIC_RIGHT)->click();
    QCOMPARE(page->EditedChannel(), int(EQ_DEQ_R));
    QVERIFY(demo.CommandsWhileIdle(2).empty()); // switching channels sends nothing
    const int ratio = D::BandId(2, D::RATIO_SLIDER);
    MoveSlider(page, ratio, 33);
    QCoreApplication::processEvents();
    QCOMPARE(int(m.image.musicR.deq[2].ratio), 33);
    const std::vector<Frame> commands = demo.CommandsOfEdit();
    QCOMPARE(commands.size(), std::size_t{1});
    QCOMPARE(commands[0].type, kDynamicEqCommand);
    QVERIFY(commands[0].body.size() >= 1 + sizeof(DynamicEqBand));
    QCOMPARE(int(commands[0].body[0]), 5);
    const auto* record = reinterpret_cast<const u8*>(&m.image.musicR.deq[2]);
    QVERIFY(std::equal(record, record + sizeof(DynamicEqBand), commands[0].body.begin() + 1));
    page->Button(D::IDC_MUSIC_LEFT)->click();

    const std::vector<Edit> edits = {
        {"gain edit", [&] { TypeIntoEdit(demo.window.get(), page->NumEdit(D::BandId(1, D::GAIN)), "6"); },
         true},
        {"type", [&] { Choose(page, D::BandId(1, D::TYPE), BAND_P); }, true},
        {"graph drag to the floor",
         [&] {
             const Point c = Collection(EQ_DEQ_L, 0).At(0).MarkerRect().Center();
             DragMarkerDown(page->Graph(), QPoint(c.x, c.y), 400);
         },
         false},
    };
    VerifyEditsReachTheProcessor(demo, edits);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(int(m.image.musicL.deq[0].band.gain), 60); // -12 dB, not -24
    QCOMPARE(page->NumEdit(D::BandId(0, D::GAIN))->text(), QStringLiteral("-12.0"));

    // The processor's program holds exactly the page's edits, in the music blocks' dynamic bands.
    const ProgramImage mine = m.image;
    QVERIFY(demo.ReadProgramBack());
    QVERIFY(std::memcmp(&mine, &m.image, sizeof mine) == 0);
    constexpr std::size_t kDeq = offsetof(MusicBlock, deq), kDeqSize = 3 * sizeof(DynamicEqBand);
    QCOMPARE(FirstChangeOutside(before, m.image,
                                {{offsetof(ProgramImage, musicL) + kDeq, kDeqSize},
                                 {offsetof(ProgramImage, musicR) + kDeq, kDeqSize}}),
             -1);
    QCOMPARE(int(m.image.musicR.deq[2].ratio), 33);
    QCOMPARE(int(m.image.musicL.deq[1].band.gain), 150);
    QCOMPARE(int(m.image.musicL.deq[1].band.type), int(BAND_P));
    QCOMPARE(int(m.image.musicL.deq[0].band.gain), 60);
    demo.window.reset();
}

KEL_QTEST_MAIN(DeqDemoTest)
#include "DeqDemoTest.moc"
