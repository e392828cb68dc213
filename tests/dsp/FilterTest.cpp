// Filter objects on their own records: curves, markers, labels, setters and the three drags.
#include "dsp/KTVEQ.h"

#include <gtest/gtest.h>

#include <vector>

namespace kel {
namespace {

// A 600 × 360 plot: 0 dB lies on row 120 + 10, +2 dB on row 100 + 10.
constexpr Rect kPlot{35, 10, 635, 370};
constexpr int kZeroRow = 130;

EqBand Band(int freqIndex, int gain, int q = 16, int type = BAND_P) {
    EqBand b{};
    b.freq = static_cast<std::uint16_t>(freqIndex);
    b.gain = static_cast<u8>(gain);
    b.q = static_cast<u8>(q);
    b.type = static_cast<u8>(type);
    return b;
}

FilterRecord Crossover(FilterKind kind, int freqIndex, int slope) {
    FilterRecord r{static_cast<u8>(kind), {}, static_cast<u8>(slope)};
    r.freq = static_cast<std::uint16_t>(freqIndex);
    return r;
}

struct BandOnPlot {
    EqBand record;
    CFilter filter;
    explicit BandOnPlot(EqBand b, bool restricted = false) : record(b) {
        filter.SetRestrictedGain(restricted);
        filter.AttachBand(&record);
        filter.SetPlotRect(kPlot);
    }
};

struct CrossoverOnPlot {
    FilterRecord record;
    CFilter filter;
    explicit CrossoverOnPlot(FilterRecord r) : record(r) {
        filter.SetType(r.kind == FILTER_HIGHPASS ? FT_HIGHPASS : FT_LOWPASS);
        filter.AttachCrossover(&record);
        filter.SetPlotRect(kPlot);
    }
};

struct SliderSpy : GainSliderLink {
    std::vector<int> positions;
    void SetPosInverted(int gainIndex) override { positions.push_back(gainIndex); }
};

TEST(Filter, FlatBandLiesOnTheZeroRowWithItsLabelBelow) {
    BandOnPlot b(Band(204, kGainIndexZero));
    for (const Point& p : b.filter.Curve()) {
        ASSERT_EQ(p.y, kZeroRow);
    }
    EXPECT_EQ(b.filter.Curve().front(), (Point{35, kZeroRow}));
    EXPECT_EQ(b.filter.Curve().back(), (Point{635, kZeroRow}));
    // Grid points above 30 kHz pile up at the right edge.
    EXPECT_EQ(b.filter.Curve()[kGridSize].x, 635);
    EXPECT_EQ(b.filter.LabelRect().top, b.filter.MarkerRect().top + 35);
}

TEST(Filter, MarkerAndLabelPlacement) {
    struct Case {
        const char* what;
        EqBand band;
        int labelLeft, labelRight;
        bool labelAbove;
    };
    const Case cases[] = {
        {"0 dB stays below", Band(204, 120), 272, 488, false},
        {"-0.2 dB goes above", Band(204, 119), 272, 488, true},
        {"switched off with a cut stays below", Band(204, 60, 16, BAND_BY), 272, 488, false},
        {"20.1 Hz clamps at the left", Band(1, 150), 35, 235, false},
        {"20.2 kHz clamps at the right", Band(360, 90), 435, 635, true},
    };
    for (const Case& c : cases) {
        BandOnPlot b(c.band);
        const Rect& m = b.filter.MarkerRect();
        const Rect& l = b.filter.LabelRect();
        EXPECT_EQ(m.Width(), 16) << c.what;
        EXPECT_EQ(l.left, c.labelLeft) << c.what;
        EXPECT_EQ(l.right, c.labelRight) << c.what;
        if (c.labelAbove) {
            EXPECT_EQ(l.top, m.top - 50) << c.what;
            EXPECT_EQ(l.bottom, m.top + 50) << c.what;
        } else {
            EXPECT_EQ(l.top, m.top + 35) << c.what;
            EXPECT_EQ(l.bottom, m.bottom + 85) << c.what;
        }
    }
    // The marker stays inside the plot at both gain limits.
    EXPECT_EQ(BandOnPlot(Band(204, 180)).filter.MarkerRect().top, 10);
    EXPECT_EQ(BandOnPlot(Band(204, 0)).filter.MarkerRect().bottom, 370);

    // Crossover markers hang below +2 dB (high-pass) and 0 dB (low-pass); a label near the right edge
    // is shifted left.
    CrossoverOnPlot hp(Crossover(FILTER_HIGHPASS, 204, 3));
    EXPECT_EQ(hp.filter.MarkerRect().top, 110);
    EXPECT_EQ(hp.filter.LabelRect().top, 125);
    EXPECT_EQ(hp.filter.LabelRect().right, hp.filter.MarkerRect().right + 50);
    CrossoverOnPlot lp(Crossover(FILTER_LOWPASS, 361, 3));
    EXPECT_EQ(lp.filter.MarkerRect().top, kZeroRow);
    EXPECT_EQ(lp.filter.LabelRect().right, 635);
    EXPECT_EQ(lp.filter.LabelRect().left, 635 - 66);
}

TEST(Filter, LabelTexts) {
    struct Case {
        EqBand band;
        const char* text;
    };
    const Case cases[] = {
        {Band(204, 135, 16, BAND_P), "PEQ  1000Hz 1.00Q 3.0dB"},
        {Band(84, 120, 16, BAND_BY), "BY  99.0Hz 1.00Q 0.0dB"},
        {Band(85, 105, 10, BAND_LS), "LS  101Hz 0.710Q -3.0dB"},
        {Band(0, 180, 100, BAND_HS), "HS  19.7Hz 128.000Q 12.0dB"},
    };
    for (const Case& c : cases) {
        BandOnPlot b(c.band);
        EXPECT_EQ(b.filter.BuildLabel(), c.text);
    }
    // Crossovers switch to whole hertz at index 82 (95 Hz).
    EXPECT_EQ(CrossoverOnPlot(Crossover(FILTER_HIGHPASS, 81, 3)).filter.BuildLabel(), "94.0Hz ");
    EXPECT_EQ(CrossoverOnPlot(Crossover(FILTER_LOWPASS, 82, 3)).filter.BuildLabel(), "95Hz ");
    EXPECT_EQ(CrossoverOnPlot(Crossover(FILTER_LOWPASS, 82, 3)).filter.NumberText(), "L");
}

TEST(Filter, SettersWriteTheBoundRecord) {
    BandOnPlot b(Band(10, 120, 10, BAND_BY));
    b.filter.SetType(FT_LOWSHELF);
    b.filter.SetFrequencyIndex(204);
    b.filter.SetGainIndex(150);
    b.filter.SetQIndex(140); // clamped
    EXPECT_EQ(b.record.type, BAND_LS);
    EXPECT_EQ(b.record.freq.get(), 204);
    EXPECT_EQ(b.record.gain, 150);
    EXPECT_EQ(b.record.q, 100);
    EXPECT_DOUBLE_EQ(b.filter.GainDb(), 6.0);
    EXPECT_NEAR(b.filter.ResponseDbValues()[0], 6.0, 0.01); // the curve follows at once

    CrossoverOnPlot x(Crossover(FILTER_HIGHPASS, 0, 0));
    x.filter.SetCrossoverFrequencyIndex(150);
    x.filter.SetSlope(9);
    EXPECT_EQ(x.record.freq.get(), 150);
    EXPECT_EQ(x.record.slope, 9);
    EXPECT_EQ(x.record.kind, FILTER_HIGHPASS);
    EXPECT_NEAR(x.filter.ResponseDbValues()[150 + kFreqTableOffset], -5.95, 0.01);
}

TEST(Filter, DamagedRecordsAreDrawnSafely) {
    BandOnPlot b(Band(999, 120, 200, 9));
    EXPECT_EQ(b.filter.Type(), FT_BYPASS);
    EXPECT_EQ(b.filter.FrequencyIndex(), kFreqIndexMax);
    EXPECT_EQ(b.record.type, 9); // the byte the device holds is kept
    EXPECT_EQ(b.record.q, 100);  // the Q index is limited on attach
    EXPECT_EQ(b.filter.ResponseDbValues(), ResponseDb{});
    CrossoverOnPlot x(Crossover(FILTER_LOWPASS, 5000, 77));
    EXPECT_EQ(x.filter.ResponseDbValues(), ResponseDb{});
    EXPECT_LE(x.filter.MarkerRect().right, 635 + 8);
}

TEST(Filter, BandDragFollowsThePointerWithinTheGainFloor) {
    for (bool restricted : {false, true}) {
        BandOnPlot b(Band(150, 120), restricted);
        SliderSpy slider;
        b.filter.SetGainSlider(&slider);
        const Point start = b.filter.MarkerRect().Center() + Point{3, -2}; // grabbed off-centre
        b.filter.BeginDrag(start);
        EXPECT_TRUE(b.filter.DragBand(start)); // no movement: nothing written
        EXPECT_EQ(b.record.freq.get(), 150);
        EXPECT_TRUE(slider.positions.empty());

        // Centre to 1000 Hz and +6 dB.
        EXPECT_TRUE(b.filter.DragBand(Point{345 + 35, 60 + 10} + Point{3, -2}));
        EXPECT_EQ(b.record.freq.get(), 204);
        EXPECT_EQ(b.record.gain, 150);
        EXPECT_DOUBLE_EQ(b.filter.FrequencyHz(), 1000.0);
        EXPECT_EQ(b.filter.MarkerRect().Center(), (Point{345 + 35, 60 + 10}));

        b.filter.DragBand({-500, 5000}); // far below and left of the plot
        EXPECT_EQ(b.record.gain, restricted ? 60 : 0);
        EXPECT_EQ(b.record.freq.get(), 0);
        b.filter.DragBand({5000, -500});
        EXPECT_EQ(b.record.gain, 180);
        EXPECT_EQ(b.record.freq.get(), kFreqIndexMax);
        EXPECT_EQ(slider.positions, (std::vector<int>{150, restricted ? 60 : 0, 180}));
    }
}

TEST(Filter, RightDragStepsQByTenPixels) {
    BandOnPlot b(Band(204, 130, 40));
    const int cx = b.filter.MarkerRect().Center().x;
    b.filter.SetSavedQIndex(b.filter.QIndex());
    b.filter.BeginDrag(b.filter.MarkerRect().Center());
    const Rect marker = b.filter.MarkerRect();
    struct Step {
        int dx, q;
    };
    for (const Step s :
         {Step{25, 42}, Step{5, 40}, Step{-15, 39}, Step{9, 40}, Step{1000, 100}, Step{-1000, 0}}) {
        EXPECT_TRUE(b.filter.DragQ(cx + s.dx));
        EXPECT_EQ(b.record.q, s.q) << s.dx;
    }
    EXPECT_EQ(b.filter.MarkerRect(), marker); // the marker does not move
}

TEST(Filter, CrossoverDrag) {
    CrossoverOnPlot hp(Crossover(FILTER_HIGHPASS, 100, 9));
    const Rect marker = hp.filter.MarkerRect();
    const auto curve = hp.filter.Curve();
    hp.filter.BeginDrag(marker.Center());
    // Past the left edge a high-pass goes to index 0 and drops out of the summed curve.
    EXPECT_TRUE(hp.filter.DragCrossover({marker.Center().x - 400, 0}));
    EXPECT_EQ(hp.record.freq.get(), 0);
    EXPECT_EQ(hp.filter.ResponseDbValues(), ResponseDb{});
    EXPECT_EQ(hp.filter.MarkerRect(), marker);
    EXPECT_EQ(hp.filter.Curve(), curve);

    // Inside the plot only the column counts.
    EXPECT_TRUE(hp.filter.DragCrossover({345 + 35, 300}));
    EXPECT_EQ(hp.record.freq.get(), 204);
    EXPECT_EQ(hp.filter.MarkerRect().top, marker.top);
    EXPECT_NEAR(hp.filter.ResponseDbValues()[204 + kFreqTableOffset], -5.95, 0.01);

    // A low-pass past the left edge stops at the lowest frequency and stays in the curve.
    CrossoverOnPlot lp(Crossover(FILTER_LOWPASS, 300, 3));
    lp.filter.BeginDrag(lp.filter.MarkerRect().Center());
    EXPECT_TRUE(lp.filter.DragCrossover({-100, 0}));
    EXPECT_EQ(lp.record.freq.get(), 0);
    EXPECT_LT(lp.filter.ResponseDbValues()[kGridSize - 1], -50);

    // Each drag refuses the other kind of filter.
    BandOnPlot band(Band(204, 130));
    EXPECT_FALSE(band.filter.DragCrossover({100, 100}));
    EXPECT_FALSE(hp.filter.DragBand({100, 100}));
    EXPECT_FALSE(hp.filter.DragQ(100));
}

TEST(Collection, SummedCurveOfAFlatChannelAndABypassCrossover) {
    std::array<EqBand, 4> bands = {Band(50, 120), Band(100, 120), Band(150, 120, 16, BAND_BY),
                                   Band(200, 120)};
    FilterRecord hpf = Crossover(FILTER_HIGHPASS, 204, 0);
    FilterRecord lpf = Crossover(FILTER_LOWPASS, 361, 0);
    CKTVEQ eq;
    eq.Build(4, bands.data(), &hpf, &lpf);
    eq.SetPlotRect(kPlot);
    ASSERT_EQ(eq.GetSize(), 6);
    EXPECT_EQ(eq.GetHighPass(), &eq.At(4));
    EXPECT_EQ(eq.GetLowPass(), &eq.At(5));
    EXPECT_EQ(eq.At(2).NumberText(), "3");
    eq.SumCurve();
    for (const PointF& p : eq.SumCurvePoints()) {
        ASSERT_FLOAT_EQ(p.y, kZeroRow);
    }
    EXPECT_FLOAT_EQ(eq.SumCurvePoints()[0].x, 35.0f);
    EXPECT_GT(eq.SumCurvePoints()[kGridSize - 1].x, 635.0f); // no limit at the right edge

    eq.GetHighPass()->SetSlope(9); // "24dBLink-Riley"
    EXPECT_EQ(hpf.slope, 9);
    EXPECT_NEAR(eq.SumDb()[204 + kFreqTableOffset], -5.95, 0.01);
}

TEST(Collection, DynamicBandsHaveNoCrossoversAndKeepTheirPlotWhenRebuilt) {
    DynamicEqBand deq[3] = {};
    for (int i = 0; i < 3; ++i) {
        deq[i].band = Band(20 + 100 * i, 150);
        deq[i].enable = 1;
    }
    CKTVEQ eq;
    eq.BuildDynamic(deq);
    eq.SetPlotRect(kPlot);
    eq.BuildDynamic(deq);
    ASSERT_EQ(eq.GetSize(), 3);
    EXPECT_EQ(eq.HighPassIndex(), -1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(eq.At(i).RestrictedGain());
        EXPECT_EQ(eq.At(i).BandRecord(), &deq[i].band);
        EXPECT_EQ(eq.At(i).PlotWidth(), 600);
    }
}

} // namespace
} // namespace kel
