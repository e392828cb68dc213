// `kelvane --demo` end to end: a music band dragged on the graph reaches the emulated processor as one
// type-3 command, and the processor's program then differs from before in that band only.
#include "UiTestMain.h"

#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/CFStatic.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "pages/EQDlg.h"
#include "pages/MusicDlg.h"
#include "pages/StripRow.h"
#include "protocol/CommandTables.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/SimBridge.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>

#include <cstring>

using namespace kel;

namespace {

struct Frame {
    int type;
    std::vector<std::uint8_t> body; // after the type, without the checksum
};

// The frames in the bytes written to the bridge (FF 55, count, type, body, checksum).
std::vector<Frame> Frames(const std::vector<std::vector<std::uint8_t>>& writes) {
    std::vector<std::uint8_t> bytes;
    for (const auto& w : writes) {
        bytes.insert(bytes.end(), w.begin(), w.end());
    }
    std::vector<Frame> frames;
    std::size_t i = 0;
    while (i + 5 <= bytes.size()) {
        if (bytes[i] != 0xFF || bytes[i + 1] != 0x55) {
            ++i;
            continue;
        }
        const std::size_t count = bytes[i + 2] | (bytes[i + 3] << 8);
        if (count < 2 || i + 4 + count > bytes.size()) {
            break;
        }
        frames.push_back({bytes[i + 4], {bytes.begin() + i + 5, bytes.begin() + i + 3 + count}});
        i += 4 + count;
    }
    return frames;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

template <class Done> bool WaitFor(Done done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (done()) {
            return true;
        }
        QThread::msleep(5);
    }
    return done();
}

bool InStep() {
    Model& m = TheModel();
    ImageLockGuard lock(ImageLock());
    return std::memcmp(&m.image, &m.shadow, sizeof(ProgramImage)) == 0;
}

// Counts the program replies the window receives.
class ProgramReplies : public QObject {
  public:
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == static_cast<QEvent::Type>(MSG_PROGRAM_RECEIVED) ? 1 : 0;
        return false;
    }
};

} // namespace

class MusicDemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void draggedMusicBandReachesTheProcessorAlone();
};

void MusicDemoTest::draggedMusicBandReachesTheProcessorAlone() {
    AppOptions options;
    options.demo = true;
    std::unique_ptr<WindowCore> core = StartCore(options);
    CTarnDlg::Settings settings;
    settings.screenSize = QSize(1920, 1080);
    auto window = std::make_unique<CTarnDlg>(*core, settings);
    ProgramReplies replies;
    window->installEventFilter(&replies);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    Model& m = TheModel();
    QVERIFY(WaitFor(
        [&] { return m.connection.connected != 0 && replies.count == 1 && !window->Progress().isVisible(); },
        60000));
    QVERIFY(InStep());
    char path[512] = {};
    QVERIFY(CH9326GetDevicePath(0, path, sizeof path) != 0);

    window->ShowPage(0);
    auto* page = dynamic_cast<CMusicDlg*>(window->Page(PageId::Music));
    QVERIFY(page != nullptr && page->isVisible());
    const ProgramImage before = m.image;
    bridge::TakeSimulatedBridgeWrites(path); // the initial read is over

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
    QVERIFY(WaitFor([] { return InStep(); }, 10000));
    QTest::qWait(300);
    QCOMPARE(page->Strips()->Strip(3).GainEdit().GetPos(), int(band.gain)); // the page followed the drag
    const std::vector<Frame> frames = Frames(bridge::TakeSimulatedBridgeWrites(path));
    std::vector<Frame> commands;
    for (const Frame& f : frames) {
        if (f.type != CMD_POLL_LEVELS && f.type != CMD_POLL_SIGNALS) {
            commands.push_back(f);
        }
    }
    QVERIFY(!commands.empty());
    qInfo("%zu frames sent after the drag, %zu of them band commands", frames.size(), commands.size());
    for (const Frame& f : commands) {
        QCOMPARE(f.type, int(CMD_EQ_BAND));
        QCOMPARE(f.body.size(), std::size_t(6));
        QCOMPARE(int(f.body[0]), 3);
    }
    QCOMPARE(std::memcmp(commands.back().body.data() + 1, &band, sizeof band), 0);

    // Read the processor's program back: only the dragged band differs from before.
    window->DeviceCommand(CMD_READ_PROGRAM, 0);
    QVERIFY(WaitFor([&] { return replies.count == 2 && !window->Progress().isVisible(); }, 20000));
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
