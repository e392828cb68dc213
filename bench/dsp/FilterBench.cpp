// Speed of the filter objects: one band's Recalculate, CommitShadow(false) over every collection,
// and the precomputed grid against evaluating cos/sin on every call.
#include "dsp/FilterBank.h"
#include "model/Sections.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace kel {
namespace {

// The plot of an EQ graph of the usual size.
constexpr Rect kPlot{35, 10, 635, 370};

// The evaluation as written, with its sines and cosines taken on every call.
void EvaluateStraightforward(const Coefficients& c, ComplexResponse& out) {
    for (int i = 0; i < kGridSize; ++i) {
        const double w = std::numbers::pi * std::trunc(10.0 * FrequencyGrid[i]) / 960000.0;
        double nRe = c.b[0], nIm = 0.0, dRe = 1.0, dIm = 0.0;
        for (int k = 1; k <= 2; ++k) {
            const double ck = std::cos(k * w);
            const double sk = std::sin(k * w);
            nRe += c.b[k] * ck;
            nIm -= c.b[k] * sk;
            dRe += c.a[k] * ck;
            dIm -= c.a[k] * sk;
        }
        const double den = dRe * dRe + dIm * dIm;
        out[i] = {(nRe * dRe + nIm * dIm) / den, (nIm * dRe - nRe * dIm) / den};
    }
}

const Coefficients& TypicalBand() {
    static const Coefficients c = DesignBiquad(BQ_PEAKING, 1000.0, 1.4, 6.0);
    return c;
}

void BM_EvaluateResponse(benchmark::State& state) {
    ComplexResponse out;
    for (auto _ : state) {
        EvaluateResponse(TypicalBand(), out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_EvaluateResponse);

void BM_EvaluateStraightforward(benchmark::State& state) {
    ComplexResponse out;
    for (auto _ : state) {
        EvaluateStraightforward(TypicalBand(), out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_EvaluateStraightforward);

// Design, evaluation and dB of one band, straightforward: what Recalculate would cost without the table.
void BM_BandDesignStraightforward(benchmark::State& state) {
    ComplexResponse h;
    ResponseDb db;
    for (auto _ : state) {
        EvaluateStraightforward(DesignBiquad(BQ_PEAKING, 1000.0, 1.4, 6.0), h);
        for (int i = 0; i < kGridSize; ++i) {
            db[i] = MagnitudeDb(h[i]);
        }
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_BandDesignStraightforward);

// One band: design + 420-point evaluation + pixel curve.
void BM_BandRecalculate(benchmark::State& state) {
    EqBand band{};
    band.freq = 204; // 1000 Hz
    band.gain = 150; // +6 dB
    band.q = 22;
    band.type = BAND_P;
    CFilter f;
    f.AttachBand(&band);
    f.SetPlotRect(kPlot);
    for (auto _ : state) {
        f.Recalculate();
        benchmark::DoNotOptimize(f.Curve().data());
    }
}
BENCHMARK(BM_BandRecalculate)->Repetitions(10)->ReportAggregatesOnly(true);

// Every band a peaking band with a gain, every crossover at its steepest slope: the most work a reload does.
void FillBusyProgram(ProgramImage& img) {
    auto bands = [](std::span<EqBand> eq) {
        for (std::size_t i = 0; i < eq.size(); ++i) {
            eq[i].type = static_cast<u8>(BAND_P + i % 3);
            eq[i].gain = static_cast<u8>(90 + 7 * i % 80);
            eq[i].q = static_cast<u8>(10 + 3 * i);
        }
    };
    auto crossovers = [](FilterRecord& hpf, FilterRecord& lpf) {
        hpf.freq = 40;
        hpf.slope = 12;
        lpf.freq = 320;
        lpf.slope = 11;
    };
    for (MusicBlock* m : {&img.musicL, &img.musicR}) {
        bands(m->eq);
        crossovers(m->hpf, m->lpf);
        for (DynamicEqBand& d : m->deq) {
            bands({&d.band, 1});
        }
    }
    for (MicBlock* m : {&img.mic1, &img.mic2}) {
        bands(m->eq);
        crossovers(m->hpf, m->lpf);
    }
    for (EchoBlock* e : {&img.echoA, &img.echoB}) {
        bands(e->eq);
        crossovers(e->hpf, e->lpf);
    }
    for (ReverbBlock* r : {&img.reverb, &img.auxReverb}) {
        bands(r->eq);
        crossovers(r->hpf, r->lpf);
    }
    for (OutputBlock& block : img.out) {
        for (OutputChannel& ch : block.ch) {
            bands(ch.eq);
            crossovers(ch.hpf, ch.lpf);
        }
    }
}

// CommitShadow(false) after a whole program arrived: every filter of every collection re-attached.
void BM_CommitShadowReloadAll(benchmark::State& state) {
    InstallFilterBank();
    Model& m = TheModel();
    FillDefaultProgram(m.image); // the start-up program, without ResetModel's folders
    if (state.range(0) == 1) {
        FillBusyProgram(m.image);
    }
    TheFilterBank().BuildAll();
    for (CKTVEQ* c : TheFilterBank().All()) {
        c->SetPlotRect(kPlot);
    }
    for (auto _ : state) {
        CommitShadow(false);
        benchmark::DoNotOptimize(TheFilterBank().Collection(EQ_MUSIC_L, 0).At(0).Curve().data());
    }
    state.SetLabel(state.range(0) == 1 ? "every band on, crossovers 36 dB" : "start-up program");
}
BENCHMARK(BM_CommitShadowReloadAll)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace kel

BENCHMARK_MAIN();
