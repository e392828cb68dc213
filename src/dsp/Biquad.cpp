// Biquad arithmetic: cookbook designs, evaluation on the fixed grid, crossover cascades.
#include "dsp/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kel {

namespace {

// cos/sin of ω and 2ω at every grid entry. The grid never changes, so this is computed once.
struct GridTrig {
    std::array<double, kGridSize> c1{}, s1{}, c2{}, s2{};

    GridTrig() {
        for (int i = 0; i < kGridSize; ++i) {
            // The device evaluates at the frequency taken to 0.1 Hz.
            const double t = std::trunc(10.0 * FrequencyGrid[i]);
            const double w = std::numbers::pi * t / 960000.0;
            c1[i] = std::cos(w);
            s1[i] = std::sin(w);
            c2[i] = std::cos(2.0 * w);
            s2[i] = std::sin(2.0 * w);
        }
    }
};

const GridTrig& Trig() {
    static const GridTrig trig;
    return trig;
}

Coefficients Normalise(double b0, double b1, double b2, double a0, double a1, double a2) {
    return {{b0 / a0, b1 / a0, b2 / a0}, {1.0, a1 / a0, a2 / a0}};
}

} // namespace

Coefficients DesignBiquad(BiquadType type, double f, double q, double gainDb) {
    const double w0 = 2.0 * std::numbers::pi * f / kSampleRate;
    const double cs = std::cos(w0);
    const double sn = std::sin(w0);
    const double alpha = sn / (2.0 * q);
    const double A = std::pow(10.0, gainDb / 40.0);
    const double sqA = std::sqrt(A);

    switch (type) {
    case BQ_ALLPASS:
        return Normalise(1 - alpha, -2 * cs, 1 + alpha, 1 + alpha, -2 * cs, 1 - alpha);
    case BQ_HIGHPASS:
        return Normalise((1 + cs) / 2, -(1 + cs), (1 + cs) / 2, 1 + alpha, -2 * cs, 1 - alpha);
    case BQ_LOWPASS:
        return Normalise((1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha, -2 * cs, 1 - alpha);
    case BQ_PEAKING:
        return Normalise(1 + alpha * A, -2 * cs, 1 - alpha * A, 1 + alpha / A, -2 * cs, 1 - alpha / A);
    case BQ_LOWSHELF:
        return Normalise(A * ((A + 1) - (A - 1) * cs + 2 * sqA * alpha), 2 * A * ((A - 1) - (A + 1) * cs),
                         A * ((A + 1) - (A - 1) * cs - 2 * sqA * alpha),
                         (A + 1) + (A - 1) * cs + 2 * sqA * alpha, -2 * ((A - 1) + (A + 1) * cs),
                         (A + 1) + (A - 1) * cs - 2 * sqA * alpha);
    case BQ_HIGHSHELF:
        return Normalise(A * ((A + 1) + (A - 1) * cs + 2 * sqA * alpha), -2 * A * ((A - 1) + (A + 1) * cs),
                         A * ((A + 1) + (A - 1) * cs - 2 * sqA * alpha),
                         (A + 1) - (A - 1) * cs + 2 * sqA * alpha, 2 * ((A - 1) - (A + 1) * cs),
                         (A + 1) - (A - 1) * cs - 2 * sqA * alpha);
    }
    return {{1.0, 0.0, 0.0}, {1.0, 0.0, 0.0}}; // not a design kind: pass everything
}

Coefficients DesignFirstOrder(BiquadType kind, double f) {
    const double wd = 2.0 * std::numbers::pi * f;
    const double K = wd / std::tan(std::numbers::pi * f / kSampleRate);
    const double D = K + wd;
    const double a1 = (wd - K) / D;
    if (kind == BQ_HIGHPASS) {
        return {{K / D, -K / D, 0.0}, {1.0, a1, 0.0}};
    }
    return {{wd / D, wd / D, 0.0}, {1.0, a1, 0.0}};
}

void EvaluateResponse(const Coefficients& c, ComplexResponse& out) {
    const GridTrig& t = Trig();
    const auto [b0, b1, b2] = c.b;
    const double a1 = c.a[1];
    const double a2 = c.a[2];
    for (int i = 0; i < kGridSize; ++i) {
        // e^{-jkω} = cos kω − j sin kω
        const double nRe = b0 + b1 * t.c1[i] + b2 * t.c2[i];
        const double nIm = -(b1 * t.s1[i] + b2 * t.s2[i]);
        const double dRe = 1.0 + a1 * t.c1[i] + a2 * t.c2[i];
        const double dIm = -(a1 * t.s1[i] + a2 * t.s2[i]);
        const double den = dRe * dRe + dIm * dIm;
        out[i] = {(nRe * dRe + nIm * dIm) / den, (nIm * dRe - nRe * dIm) / den};
    }
}

ComplexResponse EvaluateResponse(const Coefficients& c) {
    ComplexResponse out;
    EvaluateResponse(c, out);
    return out;
}

double MagnitudeDb(std::complex<double> h) {
    return 20.0 * std::log10(std::sqrt(h.real() * h.real() + h.imag() * h.imag()));
}

void AddSectionDb(const Coefficients& c, ResponseDb& sum) {
    ComplexResponse h;
    EvaluateResponse(c, h);
    for (int i = 0; i < kGridSize; ++i) {
        sum[i] += MagnitudeDb(h[i]);
    }
}

std::optional<CrossoverDesign> DecodeSlope(int slopeCode) {
    if (slopeCode <= kSlopeBypass || slopeCode >= kSlopeCount) {
        return std::nullopt;
    }
    const SlopeCode code = kSlopeCodes[slopeCode];
    CrossoverDesign d;
    d.family = code.family;
    d.order = kCrossoverOrders[code.orderStep];
    d.sections = d.order / 2;
    for (int s = 0; s < d.sections; ++s) {
        d.q[s] = kSectionQ[code.family][code.orderStep][s];
    }
    d.firstOrder = d.order == 1 || d.order == 3;
    return d;
}

bool CrossoverResponse(const FilterRecord& record, ResponseDb& out) {
    out.fill(0.0);
    const std::optional<CrossoverDesign> design = DecodeSlope(record.slope);
    if (!design || record.kind > FILTER_LOWPASS) {
        return false;
    }
    // A damaged record must not read past the frequency table.
    const double f = IndexToFreq(std::min<int>(record.freq.get(), kFreqIndexMax));
    const auto type = static_cast<BiquadType>(record.kind + 1);
    for (int s = 0; s < design->sections; ++s) {
        AddSectionDb(DesignBiquad(type, f, design->q[s], 0.0), out);
    }
    if (design->firstOrder) {
        AddSectionDb(DesignFirstOrder(type, f), out);
    }
    return true;
}

ResponseDb CrossoverResponse(const FilterRecord& record) {
    ResponseDb out;
    CrossoverResponse(record, out);
    return out;
}

} // namespace kel
