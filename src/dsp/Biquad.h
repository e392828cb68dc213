// Biquad and first-order designs at the device's sample rate, their response on FrequencyGrid,
// and the crossover slope codes decoded into cascades of sections.
#pragma once

#include "model/DataConver.h"
#include "model/ProgramImage.h"

#include <algorithm>
#include <array>
#include <complex>
#include <optional>

namespace kel {

inline constexpr double kSampleRate = 192000.0;

// The design kinds of DesignBiquad.
enum BiquadType : int {
    BQ_ALLPASS = 0,
    BQ_HIGHPASS = 1,
    BQ_LOWPASS = 2,
    BQ_PEAKING = 3,
    BQ_LOWSHELF = 4,
    BQ_HIGHSHELF = 5,
};

// Normalised so that a[0] = 1; a first-order section has b[2] = a[2] = 0.
struct Coefficients {
    std::array<double, 3> b{};
    std::array<double, 3> a{};
};

using ComplexResponse = std::array<std::complex<double>, kGridSize>;
using ResponseDb = std::array<double, kGridSize>;

Coefficients DesignBiquad(BiquadType type, double f, double q, double gainDb);
// kind: BQ_HIGHPASS or BQ_LOWPASS (bilinear transform pre-warped at f).
Coefficients DesignFirstOrder(BiquadType kind, double f);

// H at every FrequencyGrid entry, the frequency taken to 0.1 Hz.
void EvaluateResponse(const Coefficients& c, ComplexResponse& out);
ComplexResponse EvaluateResponse(const Coefficients& c);
// 20·log10|H|, no floor.
double MagnitudeDb(std::complex<double> h);
// Adds the dB magnitude of one section to `sum`.
void AddSectionDb(const Coefficients& c, ResponseDb& sum);

// Crossover families (the SlopeFamily of kSlopeCodes); the "6dB/ct" slope has none.
enum CrossoverFamily : int {
    XO_NONE = SLOPE_NONE,
    XO_BESSEL = SLOPE_BESSEL,
    XO_BUTTERWORTH = SLOPE_BUTTERWORTH,
    XO_LINKWITZ_RILEY = SLOPE_LINKWITZ_RILEY
};

// Orders by order step.
inline constexpr std::array<int, 5> kCrossoverOrders = {1, 2, 3, 4, 6};

// The slope codes are kSlopeCodes (model/DataConver.h): every order step they name has its orders.
static_assert(std::ranges::all_of(kSlopeCodes, [](const SlopeCode& c) {
    return c.orderStep >= -1 && c.orderStep < static_cast<int>(kCrossoverOrders.size());
}));
inline constexpr int kSlopeBypass = 0;
inline constexpr int kSlopeCount = static_cast<int>(kSlopeCodes.size());

// Q of each second-order section by family, order step and section.
inline constexpr double kSectionQ[3][5][3] = {
    {{}, {0.5773}, {0.691}, {0.5219, 0.8055}, {0.5103, 0.6112, 1.0234}}, // Bessel
    {{}, {0.7071}, {1.0}, {0.5412, 1.3065}, {0.5177, 0.7071, 1.932}},    // Butterworth
    {{}, {0.5}, {}, {0.71, 0.71}, {0.5, 1.0, 1.0}},                      // Linkwitz-Riley (no 18 dB)
};

// The cascade a slope code stands for.
struct CrossoverDesign {
    int family = XO_NONE;
    int order = 0;
    int sections = 0; // second-order sections, order / 2
    std::array<double, 3> q{};
    bool firstOrder = false; // orders 1 and 3
};
// nullopt for "ByPass" and for codes outside 0..12.
std::optional<CrossoverDesign> DecodeSlope(int slopeCode);

// Response of a crossover record: the sum of its sections' dB magnitudes. A "ByPass" record, or one
// whose kind or slope byte is not a known value, gives a flat response and false.
bool CrossoverResponse(const FilterRecord& record, ResponseDb& out);
ResponseDb CrossoverResponse(const FilterRecord& record);

} // namespace kel
