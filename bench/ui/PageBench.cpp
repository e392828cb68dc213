// Page benchmarks, one of each per tab of the page table (a new page is measured as it arrives): switching
// to the tab (ShowPage with the page's Refresh) and one full repaint of the window showing it. Run with
// QT_SCALE_FACTOR=2 for 200 %.
#include "app/PageTable.h"
#include "app/TarnDlg.h"
#include "app/WindowCore.h"

#include "UiBenchMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>

#include <memory>

using namespace kel;

namespace {

WindowCore g_core; // off line: neither measurement depends on the link
std::unique_ptr<CTarnDlg> g_window;

// One window for every benchmark: off line, shown and exposed; closed before the application ends.
CTarnDlg& Window() {
    if (!g_window) {
        CTarnDlg::Settings settings;
        settings.screenSize = QSize(1920, 1080);
        settings.postConnect = false;
        g_window = std::make_unique<CTarnDlg>(g_core, settings);
        g_window->show();
        while (g_window->windowHandle() == nullptr || !g_window->windowHandle()->isExposed()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QApplication::processEvents();
    }
    return *g_window;
}

// A tab other than `tab` to switch away to between measurements.
int Elsewhere(int tab) {
    return tab == kSystemTab ? 0 : kSystemTab;
}

void BM_ShowPage(benchmark::State& state) {
    const int tab = static_cast<int>(state.range(0));
    CTarnDlg& window = Window();
    for (auto _ : state) {
        state.PauseTiming();
        window.ShowPage(Elsewhere(tab));
        QApplication::processEvents(); // what the switches posted (repaints) is handled outside the timing
        state.ResumeTiming();
        window.ShowPage(tab);
    }
    state.SetLabel(kTabs[static_cast<std::size_t>(tab)].en);
}
BENCHMARK(BM_ShowPage)->DenseRange(0, kTabCount - 1)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_RepaintWithPage(benchmark::State& state) {
    const int tab = static_cast<int>(state.range(0));
    CTarnDlg& window = Window();
    window.ShowPage(Elsewhere(tab));
    window.ShowPage(tab);
    QApplication::processEvents();
    for (auto _ : state) {
        window.Client().repaint();
    }
    state.SetLabel(kTabs[static_cast<std::size_t>(tab)].en);
}
BENCHMARK(BM_RepaintWithPage)->DenseRange(0, kTabCount - 1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return kel::bench::RunUiBenchmarks(argc, argv, [] { g_window.reset(); });
}
