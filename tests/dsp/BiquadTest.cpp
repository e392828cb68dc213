// Biquad and crossover responses against the values a designer expects of each filter.
#include "dsp/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace kel {
namespace {

int GridIndex(double hz) {
    for (int i = 0; i < kGridSize; ++i) {
        if (FrequencyGrid[i] == hz) {
            return i;
        }
    }
    ADD_FAILURE() << hz << " Hz is not a grid entry";
    return 0;
}

ResponseDb BandDb(BiquadType type, double f, double q, double gainDb) {
    ResponseDb db{};
    AddSectionDb(DesignBiquad(type, f, q, gainDb), db);
    return db;
}

ResponseDb Crossover(FilterKind kind, double hz, int slope) {
    FilterRecord r{static_cast<u8>(kind), {}, static_cast<u8>(slope)};
    r.freq = static_cast<std::uint16_t>(FreqToIndex(hz));
    return CrossoverResponse(r);
}

// Slope in dB per octave between two grid entries an octave apart.
double OctaveStep(const ResponseDb& db, double lowHz, double highHz) {
    return db[GridIndex(highHz)] - db[GridIndex(lowHz)];
}

struct ResponseCase {
    const char* what;
    std::function<double()> measure;
    double expected;
    double tolerance;
};

TEST(Biquad, ResponsesMatchTheirDesign) {
    const ResponseDb flat = BandDb(BQ_PEAKING, 1000, 1.0, 0.0);
    const ResponseDb peak = BandDb(BQ_PEAKING, 1000, 1.0, 12.0);
    const ResponseDb bw12 = Crossover(FILTER_HIGHPASS, 1000, 3);
    const ResponseDb lr24hp = Crossover(FILTER_HIGHPASS, 1000, 9);
    const ResponseDb lr24lp = Crossover(FILTER_LOWPASS, 1000, 9);
    const ResponseDb first = Crossover(FILTER_HIGHPASS, 1000, 1);
    const ResponseDb firstLp = Crossover(FILTER_LOWPASS, 1000, 1);
    const ResponseDb bw18 = Crossover(FILTER_HIGHPASS, 1000, 6);
    const ResponseDb bw36 = Crossover(FILTER_LOWPASS, 1000, 11);
    const ResponseDb top = Crossover(FILTER_HIGHPASS, 20600, 12);
    const int k1000 = GridIndex(1000);

    double flatWorst = 0;
    for (double v : flat) {
        flatWorst = std::max(flatWorst, std::abs(v));
    }
    double topWorst = 0;
    bool topFinite = true;
    for (double v : top) {
        topFinite = topFinite && std::isfinite(v);
        topWorst = std::min(topWorst, v);
    }

    const ResponseCase cases[] = {
        {"0 dB peaking, worst deviation anywhere", [&] { return flatWorst; }, 0.0, 1e-12},
        {"+12 dB peaking at its centre", [&] { return peak[k1000]; }, 12.0, 1e-9},
        {"+12 dB peaking two decades below", [&] { return peak[GridIndex(10)]; }, 0.0, 0.01},
        {"12dB Butterworth high-pass at f", [&] { return bw12[k1000]; }, -3.01, 0.005},
        {"12dB Butterworth slope below f", [&] { return OctaveStep(bw12, 62.5, 125); }, 12.0, 0.1},
        {"24dB Linkwitz-Riley high-pass at f", [&] { return lr24hp[k1000]; }, -5.95, 0.01},
        {"24dB Linkwitz-Riley low-pass at f", [&] { return lr24lp[k1000]; }, -5.95, 0.01},
        {"6dB/ct high-pass at f", [&] { return first[k1000]; }, -3.01, 0.01},
        {"6dB/ct low-pass at f", [&] { return firstLp[k1000]; }, -3.01, 0.01},
        {"6dB/ct slope below f", [&] { return OctaveStep(first, 62.5, 125); }, 6.0, 0.05},
        {"18dB Butterworth at f", [&] { return bw18[k1000]; }, -3.01, 0.01},
        {"18dB Butterworth slope below f", [&] { return OctaveStep(bw18, 62.5, 125); }, 18.0, 0.2},
        {"36dB Butterworth low-pass at f", [&] { return bw36[k1000]; }, -3.01, 0.01},
        {"36dB Butterworth slope above f", [&] { return OctaveStep(bw36, 8000, 16000); }, -36.0, 1.5},
        {"high-pass at 20600 Hz is finite everywhere", [&] { return topFinite ? 1.0 : 0.0; }, 1.0, 0},
        {"high-pass at 20600 Hz, deepest point below -300 dB", [&] { return topWorst < -300 ? 1.0 : 0.0; },
         1.0, 0},
    };
    for (const ResponseCase& c : cases) {
        EXPECT_NEAR(c.measure(), c.expected, c.tolerance) << c.what;
    }
}

// An 18 dB code is one second-order section followed by the first-order one; a 36 dB code is three
// second-order sections and nothing else.
TEST(Biquad, SlopeCodesCascadeTheirSections) {
    struct Cascade {
        int slope;
        std::vector<double> q;
        bool firstOrder;
    };
    const Cascade cascades[] = {
        {1, {}, true},
        {5, {0.691}, true},
        {6, {1.0}, true},
        {9, {0.71, 0.71}, false},
        {10, {0.5103, 0.6112, 1.0234}, false},
        {11, {0.5177, 0.7071, 1.932}, false},
        {12, {0.5, 1.0, 1.0}, false},
    };
    const double f = IndexToFreq(150);
    for (FilterKind kind : {FILTER_HIGHPASS, FILTER_LOWPASS}) {
        const auto type = kind == FILTER_HIGHPASS ? BQ_HIGHPASS : BQ_LOWPASS;
        for (const Cascade& c : cascades) {
            ResponseDb expected{};
            for (double q : c.q) {
                AddSectionDb(DesignBiquad(type, f, q, 0), expected);
            }
            if (c.firstOrder) {
                AddSectionDb(DesignFirstOrder(type, f), expected);
            }
            FilterRecord r{static_cast<u8>(kind), {}, static_cast<u8>(c.slope)};
            r.freq = 150;
            const ResponseDb got = CrossoverResponse(r);
            for (int i = 0; i < kGridSize; i += 7) {
                ASSERT_NEAR(got[i], expected[i], 1e-9)
                    << "slope " << c.slope << " kind " << int(kind) << " at " << i;
            }
        }
    }
}

TEST(Biquad, BypassAndDamagedRecordsAreFlat) {
    for (FilterRecord r : {FilterRecord{0, {}, 0}, FilterRecord{0, {}, 13}, FilterRecord{0, {}, 255},
                           FilterRecord{2, {}, 3}}) {
        r.freq = 100;
        ResponseDb db;
        EXPECT_FALSE(CrossoverResponse(r, db)) << int(r.kind) << "/" << int(r.slope);
        EXPECT_EQ(db, ResponseDb{});
    }
    FilterRecord past{FILTER_LOWPASS, {}, 3};
    past.freq = 5000; // beyond the table: read as its last entry
    EXPECT_EQ(CrossoverResponse(past), Crossover(FILTER_LOWPASS, kFreqMaxHz, 3));
}

TEST(Biquad, ShelvesReachTheirGainOnTheirSide) {
    const ResponseDb low = BandDb(BQ_LOWSHELF, 1000, 0.71, 6.0);
    const ResponseDb high = BandDb(BQ_HIGHSHELF, 1000, 0.71, -6.0);
    EXPECT_NEAR(low[GridIndex(20.1)], 6.0, 0.01);
    EXPECT_NEAR(low[GridIndex(20200)], 0.0, 0.05);
    EXPECT_NEAR(low[GridIndex(1000)], 3.0, 0.05); // half the gain at the knee
    EXPECT_NEAR(high[GridIndex(20200)], -6.0, 0.05);
    EXPECT_NEAR(high[GridIndex(20.1)], 0.0, 0.01);
    // An all-pass changes only the phase.
    const ResponseDb all = BandDb(BQ_ALLPASS, 1000, 0.71, 0.0);
    for (double v : all) {
        ASSERT_NEAR(v, 0.0, 1e-9);
    }
}

} // namespace
} // namespace kel
