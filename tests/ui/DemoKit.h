// What the end-to-end tests of `kelvane --demo` share: the demo window connected to its in-process
// processor, the frames written to the simulated bridge, waiting on observable state.
#pragma once

#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/BitmapSlider.h"
#include "controls/MessageEvent.h"
#include "model/Model.h"
#include "pages/PageConventions.h"
#include "protocol/CommandTables.h"
#include "support/ProcessState.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/SimBridge.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QThread>

#include <QLineEdit>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kel::uitest {

struct Frame {
    int type;
    std::vector<std::uint8_t> body; // after the type, without the checksum
};

// The frames in the bytes written to the bridge (FF 55, count, type, body, checksum).
inline std::vector<Frame> Frames(const std::vector<std::vector<std::uint8_t>>& writes) {
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

// The frames other than level polls.
inline std::vector<Frame> Commands(const std::vector<Frame>& frames) {
    std::vector<Frame> commands;
    for (const Frame& f : frames) {
        if (f.type != CMD_POLL_LEVELS && f.type != CMD_POLL_SIGNALS) {
            commands.push_back(f);
        }
    }
    return commands;
}

inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
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

// The working image equals what the device is believed to hold: nothing left to send.
inline bool InStep() {
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

// The demo window, connected and through its initial read, at a tenth of the real pauses: these tests
// check what reaches the processor, not how long it takes.
struct DemoSession {
    test::ProcessState state{{.timingScale = test::kQuickTiming, .resetModel = false}};
    std::unique_ptr<WindowCore> core;
    std::unique_ptr<CTarnDlg> window;
    ProgramReplies replies;
    std::string bridgePath;

    // False when the window did not connect and read the program in time.
    bool Start() {
        AppOptions options;
        options.demo = true;
        core = StartCore(options);
        CTarnDlg::Settings settings;
        settings.screenSize = QSize(1920, 1080);
        window = std::make_unique<CTarnDlg>(*core, settings);
        window->installEventFilter(&replies);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            return false;
        }
        Model& m = TheModel();
        if (!WaitFor(
                [&] {
                    return m.connection.connected != 0 && replies.count == 1 &&
                           !window->Progress().isVisible();
                },
                60000)) {
            return false;
        }
        char path[512] = {};
        if (CH9326GetDevicePath(0, path, sizeof path) == 0) {
            return false;
        }
        bridgePath = path;
        return InStep();
    }

    // What was written to the bridge since the last call.
    std::vector<Frame> TakeFrames() { return Frames(bridge::TakeSimulatedBridgeWrites(bridgePath.c_str())); }

    // The commands an edit caused: everything written until a poll follows the last command (the
    // detector polls only when nothing differs any more). Empty when none came.
    std::vector<Frame> CommandsOfEdit() {
        std::vector<Frame> frames;
        const bool settled = WaitFor(
            [&] {
                for (const Frame& f : TakeFrames()) {
                    frames.push_back(f);
                }
                return !Commands(frames).empty() && Commands({frames.back()}).empty();
            },
            10000);
        return settled ? Commands(frames) : std::vector<Frame>{};
    }

    // Lets the link run until `polls` frames went by; the commands among them.
    std::vector<Frame> CommandsWhileIdle(std::size_t polls) {
        std::vector<Frame> frames;
        WaitFor(
            [&] {
                for (const Frame& f : TakeFrames()) {
                    frames.push_back(f);
                }
                return frames.size() >= polls;
            },
            10000);
        return Commands(frames);
    }

    // Reads the processor's live program into the working image; false when it did not arrive.
    bool ReadProgramBack() {
        const int before = replies.count;
        window->DeviceCommand(CMD_READ_PROGRAM, 0);
        return WaitFor([&] { return replies.count == before + 1 && !window->Progress().isVisible(); }, 20000);
    }
};

// An operator's edit on a page, and whether it makes exactly one command (a drag may send the
// intermediate positions of its field).
struct Edit {
    const char* name;
    std::function<void()> make;
    bool single;
};

// Makes each edit in turn and checks that it changed the working image and reached the processor as
// commands of one field only. Call under QVERIFY-style checks: a failure is reported and ends the test.
inline void VerifyEditsReachTheProcessor(DemoSession& demo, const std::vector<Edit>& edits) {
    Model& m = TheModel();
    for (const Edit& edit : edits) {
        const ProgramImage was = m.image;
        edit.make();
        QCoreApplication::processEvents();
        QVERIFY2(std::memcmp(&was, &m.image, sizeof was) != 0, edit.name);
        const std::vector<Frame> commands = demo.CommandsOfEdit();
        QVERIFY2(!commands.empty(), edit.name);
        QVERIFY2(InStep(), edit.name);
        std::set<std::pair<int, int>> fields;
        for (const Frame& f : commands) {
            fields.insert({f.type, f.body.empty() ? -1 : f.body[0]});
        }
        QVERIFY2(fields.size() == 1, edit.name);
        QVERIFY2(!edit.single || commands.size() == 1, edit.name);
    }
}

// A part of the program image.
struct ByteRange {
    std::size_t first, size;
};

// The first byte in which two programs differ outside the given parts, or -1 when there is none.
inline int FirstChangeOutside(const ProgramImage& before, const ProgramImage& now,
                              std::initializer_list<ByteRange> parts) {
    const auto* was = reinterpret_cast<const std::uint8_t*>(&before);
    const auto* is = reinterpret_cast<const std::uint8_t*>(&now);
    for (std::size_t i = 0; i < sizeof(ProgramImage); ++i) {
        const bool inside = std::any_of(parts.begin(), parts.end(), [i](const ByteRange& r) {
            return i >= r.first && i < r.first + r.size;
        });
        if (!inside && was[i] != is[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// A band marker of a collection dragged up by `dy` pixels on a graph.
inline void DragMarkerUp(QWidget* graph, QPoint from, int dy) {
    Mouse(graph, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    Mouse(graph, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int step = 10; step <= dy; step += 10) {
        Mouse(graph, QEvent::MouseMove, from - QPoint(0, step), Qt::NoButton, Qt::LeftButton);
    }
    Mouse(graph, QEvent::MouseButtonRelease, from - QPoint(0, dy), Qt::LeftButton, Qt::NoButton);
}

// Types a value into a numeric edit and presses Enter, as an operator does.
inline bool TypeIntoEdit(QWidget* window, QLineEdit* edit, const QString& text) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) {
        return false;
    }
    edit->setFocus();
    if (!QTest::qWaitFor([edit] { return edit->hasFocus(); })) {
        return false;
    }
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    return true;
}

// The operator's slider move: the slider's new position and its report, posted as the control posts it.
inline void MoveSlider(CBoundPage* page, int id, int position) {
    page->Slider(id)->SetPos(position);
    QCoreApplication::postEvent(page, new CMessageEvent(MSG_SLIDER_MOVED, id, position));
}

// The operator's choice in a combo box.
inline void Choose(CBoundPage* page, int id, int index) {
    QComboBox* box = page->Combo(id);
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

} // namespace kel::uitest
