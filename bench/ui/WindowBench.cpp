// Window benchmarks: start-up to the first painted window and resident memory after the initial read (a
// fresh `kelvane --demo` process each time, see StartupProbe.cpp), and a full repaint of the window.
#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "app/WindowCore.h"
#include "controls/BitButton.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "pages/Mic_Dlg.h"

#include "UiBenchMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <vector>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace kel;

namespace {

long long NowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Runs the probe in `mode`, returns the number it reports after its keyword (or -1).
long long RunProbe(const char* mode, std::string& keyword) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execl(KELVANE_STARTUP_PROBE, KELVANE_STARTUP_PROBE, fd.c_str(), mode, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[128];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        return -1;
    }
    keyword = text.substr(0, space);
    return std::atoll(text.c_str() + space + 1);
}

// From fork to the end of the first paint of the window, in a new process each iteration.
void BM_StartupToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        const long long start = NowNs();
        std::string keyword;
        const long long painted = RunProbe("paint", keyword);
        if (keyword != "painted") {
            state.SkipWithError("the probe did not paint");
            return;
        }
        state.SetIterationTime(static_cast<double>(painted - start) / 1e9);
    }
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Resident memory of `kelvane --demo` once the initial read has finished.
void BM_ResidentAfterInitialRead(benchmark::State& state) {
    long long kib = 0;
    for (auto _ : state) {
        std::string keyword;
        kib = RunProbe("rss", keyword);
        if (keyword != "rss") {
            state.SkipWithError("the initial read did not finish");
            return;
        }
    }
    state.counters["RSS_MiB"] = static_cast<double>(kib) / 1024.0;
}
BENCHMARK(BM_ResidentAfterInitialRead)->Unit(benchmark::kMillisecond)->Iterations(1);

// From showing the window to the end of the initial read through the simulated bridge, with the real
// timing table (identification, 22 name reads, the system block, the program and the device's pauses).
void BM_DemoConnect(benchmark::State& state) {
    for (auto _ : state) {
        std::string keyword;
        const long long ms = RunProbe("connect", keyword);
        if (keyword != "connected") {
            state.SkipWithError("the initial read did not finish");
            return;
        }
        state.SetIterationTime(static_cast<double>(ms) / 1e3);
    }
}
BENCHMARK(BM_DemoConnect)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Counts the paint events of a widget (the client area holds every control of the window).
class PaintCounter : public QObject {
  public:
    long long count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// One full, synchronous repaint of the shown window: background and every control into the backing store.
void BM_FullRepaint(benchmark::State& state) {
    WindowCore core; // off line: the repaint does not depend on the link
    CTarnDlg::Settings settings;
    settings.screenSize = QSize(1920, 1080);
    settings.postConnect = false;
    CTarnDlg window(core, settings);
    window.show();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QApplication::processEvents();
    PaintCounter paints;
    window.Client().installEventFilter(&paints);
    // The client area holds the background and every control: repainting it is the whole window. (The
    // top-level widget itself is covered by it, so its own repaint paints nothing.)
    for (auto _ : state) {
        window.Client().repaint();
    }
    state.counters["pixels"] = window.width() * window.height();
    state.counters["paints_per_repaint"] =
        static_cast<double>(paints.count) /
        static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

// How soon the window answers while the operator switches SYNC on the microphone page on and off, with
// the demo's link running at the real timing. A 20 ms timer stands in for the window manager's ping: its
// lateness is how long the UI thread was busy or waiting (for ImageLock, say) when it should have answered.
void BM_AnswerWhileSyncSwitched(benchmark::State& state) {
    for (auto _ : state) {
        timing::SetScale(1.0);
        AppOptions options;
        options.demo = true;
        std::unique_ptr<WindowCore> core = StartCore(options);
        CTarnDlg::Settings settings;
        settings.screenSize = QSize(1920, 1080);
        CTarnDlg window(*core, settings);
        window.show();
        QElapsedTimer clock;
        clock.start();
        while ((TheModel().connection.connected == 0 || window.Progress().isVisible()) &&
               clock.elapsed() < 60000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        auto* page = dynamic_cast<CBoundPage*>(window.Page(PageId::Mic));
        TheModel().settings.operatingMode = 1; // SYNC is a "Full Mode" control
        page->ApplyMode();
        CBitButton* sync = page->Button(CMic_Dlg::IDC_SYNC);
        if (sync == nullptr || !sync->isEnabled() || TheModel().connection.connected == 0) {
            state.SkipWithError("the demo did not connect");
            return;
        }

        std::vector<double> lateness;
        QElapsedTimer sincePing;
        QTimer ping;
        ping.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ping, &QTimer::timeout, [&] {
            lateness.push_back(std::max(0.0, static_cast<double>(sincePing.nsecsElapsed()) / 1e6 - 20.0));
            sincePing.restart();
        });
        QTimer click;
        double longestClick = 0;
        QObject::connect(&click, &QTimer::timeout, [&] {
            QElapsedTimer t;
            t.start();
            sync->click();
            longestClick = std::max(longestClick, static_cast<double>(t.nsecsElapsed()) / 1e6);
        });
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        sincePing.start();
        ping.start(20);
        click.start(100);
        loop.exec();
        ping.stop();
        click.stop();
        std::sort(lateness.begin(), lateness.end());
        if (lateness.empty()) {
            state.SkipWithError("no answers");
            return;
        }
        // A ping arriving when the timer fired would have been answered this much later.
        state.counters["max_answer_ms"] = lateness.back();
        state.counters["p99_answer_ms"] = lateness[lateness.size() * 99 / 100];
        state.counters["answers"] = static_cast<double>(lateness.size());
        state.counters["longest_click_ms"] = longestClick;
        window.hide();
    }
}
BENCHMARK(BM_AnswerWhileSyncSwitched)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return kel::bench::RunUiBenchmarks(argc, argv);
}
