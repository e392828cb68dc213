// EQ graph benchmarks: a full repaint of the music page's graph (grid, curve, area, 17 markers, label), with
// and without the "EQ BYPASS" overlay, and one step of a band drag on the music page (band recalculation,
// the page's reaction, curve sum and repaint).
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/Skin.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/MusicDlg.h"

#include "UiBenchMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace kel;

namespace {

// A working music EQ: every band peaking with some gain, both crossovers at 24 dB.
void ShapeMusicEq() {
    CKTVEQ& c = Collection(EQ_MUSIC_L, 0);
    for (int i = 0; i < c.BandCount(); ++i) {
        c.At(i).SetType(BAND_P);
        c.At(i).SetGainIndex(90 + (i * 37) % 60);
        c.At(i).SetQIndex(10 + i);
    }
    c.GetHighPass()->SetSlope(9);
    c.GetHighPass()->SetCrossoverFrequencyIndex(FreqToIndex(40));
    c.GetLowPass()->SetSlope(9);
    c.GetLowPass()->SetCrossoverFrequencyIndex(FreqToIndex(16000));
}

struct Fixture {
    Fixture() {
        ResetModel();
        TheModel().settings.operatingMode = 1;
        ShapeMusicEq();
        page = std::make_unique<CMusicDlg>(nullptr, nullptr);
        page->resize(DialogUnits::Get().Size(715, 359));
        page->show();
        page->Refresh();
        QCoreApplication::processEvents();
    }
    CCFStatic& Graph() { return *page->Graph(); }
    std::unique_ptr<CMusicDlg> page;
};

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void BM_GraphRepaint(benchmark::State& state) {
    Fixture f;
    TheModel().image.musicL.bypass = state.range(0) != 0 ? 1 : 0;
    f.Graph().Redraw(7);
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.Graph().Picture().cacheKey());
    }
    state.SetLabel(state.range(0) != 0 ? "with EQ BYPASS" : "EQ on");
}
BENCHMARK(BM_GraphRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// One pointer move of a left drag on band 8's marker, back and forth over 40 pixels, as the window
// handles it: the band follows the pointer (and moves the strip's slider), the page refreshes and marks the
// strip, then the graph and the strip's controls are painted.
void BM_DragStep(benchmark::State& state) {
    Fixture f;
    CCFStatic& g = f.Graph();
    PaintCounter counter;
    g.installEventFilter(&counter);
    const Point c = Collection(EQ_MUSIC_L, 0).At(7).MarkerRect().Center();
    const QPoint from(c.x, c.y);
    Mouse(&g, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    Mouse(&g, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    counter.paints = 0;
    int step = 0;
    for (auto _ : state) {
        const int dy = (step++ % 40) - 20;
        Mouse(&g, QEvent::MouseMove, from + QPoint(dy / 2, dy), Qt::NoButton, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(); // the page's reaction, then the paint it asked for
        QCoreApplication::sendPostedEvents();
    }
    Mouse(&g, QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
    state.counters["graph paints per step"] =
        benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    return kel::bench::RunUiBenchmarks(argc, argv);
}
