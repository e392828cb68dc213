// Window benchmarks: start-up to the first painted window and resident memory after the initial read (a
// fresh `kelvane --demo` process each time, see StartupProbe.cpp), and a full repaint of the window.
#include "app/TarnDlg.h"
#include "app/WindowCore.h"

#include "UiBenchMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>

#include <algorithm>
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

} // namespace

int main(int argc, char** argv) {
    return kel::bench::RunUiBenchmarks(argc, argv);
}
