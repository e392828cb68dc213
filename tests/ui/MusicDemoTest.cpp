// `kelvane --demo` end to end: a music band dragged on the graph reaches the emulated processor as one
// type-3 command, and the processor's program then differs from before in that band only.
#include "DemoKit.h"
#include "UiTestMain.h"

#include "controls/CFStatic.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "pages/EQDlg.h"
#include "pages/MusicDlg.h"
#include "pages/StripRow.h"

using namespace kel;
using namespace kel::uitest;

class MusicDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void draggedMusicBandReachesTheProcessorAlone();
};

void MusicDemoTest::draggedMusicBandReachesTheProcessorAlone() {
    DemoSession demo;
    QVERIFY(demo.Start());
    auto& window = demo.window;
    Model& m = TheModel();

    window->ShowPage(0);
    auto* page = dynamic_cast<CMusicDlg*>(window->Page(PageId::Music));
    QVERIFY(page != nullptr && page->isVisible());
    const ProgramImage before = m.image;
    demo.TakeFrames(); // the initial read is over

    // The fourth band's marker, dragged up on the graph.
    CCFStatic& graph = *page->Graph();
    const Point c = Collection(EQ_MUSIC_L, 0).At(3).MarkerRect().Center();
    const QPoint from(c.x, c.y);
    Mouse(&graph, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    Mouse(&graph, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int dy = 10; dy <= 60; dy += 10) {
        Mouse(&graph, QEvent::MouseMove, from - QPoint(0, dy), Qt::NoButton, Qt::LeftButton);
    }
    Mouse(&graph, QEvent::MouseButtonRelease, from - QPoint(0, 60), Qt::LeftButton, Qt::NoButton);
    const EqBand band = m.image.musicL.eq[3];
    QVERIFY(band.gain > before.musicL.eq[3].gain);

    // Sent by the change detector: type 3, index 3, the band's five bytes, and nothing but level polls.
    // Everything written until the band's final value went out and a poll followed it.
    std::vector<Frame> frames;
    QVERIFY(WaitFor(
        [&] {
            for (const Frame& f : demo.TakeFrames()) {
                frames.push_back(f);
            }
            const std::vector<Frame> sent = Commands(frames);
            return !sent.empty() && sent.back().body.size() == 6 &&
                   std::memcmp(sent.back().body.data() + 1, &band, sizeof band) == 0 &&
                   Commands({frames.back()}).empty();
        },
        10000));
    const std::vector<Frame> commands = Commands(frames);
    QVERIFY(InStep());
    QTRY_COMPARE(page->Strips()->Strip(3).GainEdit().GetPos(), int(band.gain)); // the page followed the drag
    qInfo("%zu band commands sent for the drag", commands.size());
    for (const Frame& f : commands) {
        QCOMPARE(f.type, int(CMD_EQ_BAND));
        QCOMPARE(f.body.size(), std::size_t(6));
        QCOMPARE(int(f.body[0]), 3);
    }
    QCOMPARE(std::memcmp(commands.back().body.data() + 1, &band, sizeof band), 0);

    // Read the processor's program back: only the dragged band differs from before.
    QVERIFY(demo.ReadProgramBack());
    const auto* was = reinterpret_cast<const std::uint8_t*>(&before);
    const auto* now = reinterpret_cast<const std::uint8_t*>(&m.image);
    const std::size_t first = offsetof(ProgramImage, musicL) + offsetof(MusicBlock, eq) + 3 * sizeof(EqBand);
    for (std::size_t i = 0; i < sizeof(ProgramImage); ++i) {
        if (i < first || i >= first + sizeof(EqBand)) {
            QVERIFY2(was[i] == now[i], qPrintable(QStringLiteral("byte %1 changed").arg(i)));
        }
    }
    QCOMPARE(std::memcmp(&m.image.musicL.eq[3], &band, sizeof band), 0);
    window.reset();
}

KEL_QTEST_MAIN(MusicDemoTest)
#include "MusicDemoTest.moc"
