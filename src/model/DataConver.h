// Conversions between the stored parameter indices and engineering values, texts and graph pixels.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kel {

inline constexpr int kGridSize = 420;      // points of every response curve
inline constexpr int kFreqCount = 362;     // frequency indices 0..361
inline constexpr int kFreqIndexMax = 361;
inline constexpr int kQCount = 101;        // Q indices 0..100
inline constexpr int kQIndexMax = 100;
inline constexpr int kGainIndexMax = 180;  // EQ gain index, 120 = 0 dB
inline constexpr int kGainIndexZero = 120;
inline constexpr int kFreqTableOffset = 35; // FrequencyTable[i] = FrequencyGrid[i + 35]
inline constexpr double kFreqMinHz = 19.7;
inline constexpr double kFreqMaxHz = 20600.0;
inline constexpr double kQMin = 0.4;
inline constexpr double kQMax = 128.0;

extern const std::array<double, kGridSize> FrequencyGrid;
extern const std::array<double, kQCount> QTable;
// FrequencyTable is a view into FrequencyGrid, as the device defines it.
inline const double* const FrequencyTable = FrequencyGrid.data() + kFreqTableOffset;

extern const std::array<const char*, 20> AttackTimeLabels;
extern const std::array<const char*, 8> ReleaseLabels;
extern const std::array<const char*, 41> RatioLabels;
// The crossover slope codes 0..12 (FilterRecord::slope), the one list of them: the name each slope
// combo box lists at that index, and the cascade the filters build for it.
enum SlopeFamily : int { SLOPE_NONE = -1, SLOPE_BESSEL = 0, SLOPE_BUTTERWORTH = 1, SLOPE_LINKWITZ_RILEY = 2 };
struct SlopeCode {
    const char* label;
    int family;    // SlopeFamily; none for "ByPass" and the first-order "6dB/ct"
    int orderStep; // index into the crossover orders, -1 for "ByPass"
};
inline constexpr std::array<SlopeCode, 13> kSlopeCodes = {{
    {"ByPass", SLOPE_NONE, -1},
    {"6dB/ct", SLOPE_NONE, 0},
    {"12dB Bessel", SLOPE_BESSEL, 1},
    {"12dB Butuerworth", SLOPE_BUTTERWORTH, 1},
    {"12dBLink-Riley", SLOPE_LINKWITZ_RILEY, 1},
    {"18dB Bessel", SLOPE_BESSEL, 2},
    {"18dB Butuerworth", SLOPE_BUTTERWORTH, 2},
    {"24dB Bessel", SLOPE_BESSEL, 3},
    {"24dB Butuerworth", SLOPE_BUTTERWORTH, 3},
    {"24dBLink-Riley", SLOPE_LINKWITZ_RILEY, 3},
    {"36dB Bessel", SLOPE_BESSEL, 4},
    {"36dB Butuerworth", SLOPE_BUTTERWORTH, 4},
    {"36dBLink-Riley", SLOPE_LINKWITZ_RILEY, 4},
}};
// The labels of kSlopeCodes, the item order of every slope combo box (index = slope code).
extern const std::array<const char*, kSlopeCodes.size()> SlopeLabels;

// How a numeric edit or a value display turns an index into text.
enum ValueKind : int {
    VK_FREQ = 4,
    VK_ATTACK = 5,
    VK_RELEASE = 6,
    VK_Q = 11,
    VK_RATIO = 12,
    VK_LINEAR_REAL = 14,
    VK_LINEAR_INT = 20,
    VK_GAIN = 23,
    VK_LINEAR_INT_OFF = 47,
    VK_DISTANCE = 48,
};

int NearestIndex(std::span<const double> table, double x);
int FreqToIndex(double hz);
double IndexToFreq(int index);
int QToIndex(double q);
double IndexToQ(int index);
double GainIndexToDb(int index);
// Typed gain (numeric edit): clamp to the edit's range, then truncate.
int DbToGainIndexTyped(double db, int minIndex, int maxIndex, double step = 0.2, double offset = 24.0);
// Gain from a graph drag: rounded to the nearest 0.2 dB step.
int DbToGainIndexDrag(double db);

// Reads a number the way the C library's atof does: no number reads as 0.
double ParseNumber(std::string_view text);
// As ParseNumber, but the text "OFF" reads as -120 (gain edits).
double ParseGain(std::string_view text);
int FreqTextToIndex(std::string_view text);
int QTextToIndex(std::string_view text);

int FreqToX(double hz, int width);
double FreqToXf(double hz, int width);
double XToFreq(int x, int width);
double GainToY(double db, int height);
double YToGain(int y, int height);

// Fixed-width text fields (names, passwords): no terminator, blank padded.
std::string BytesToText(std::span<const std::uint8_t> field);
void TextToBytes(std::string_view text, std::span<std::uint8_t> field);

// Texts of the value kinds. Linear kinds take step, offset and suffix from the caller.
std::string FormatFreq(int index, std::string_view suffix = {});
std::string FormatQ(int index);
std::string FormatGain(int index, double step = 0.2, double offset = 24.0);
std::string FormatLinearInt(int index, int step, int offset, std::string_view suffix);
std::string FormatLinearIntOff(int index, int lowest, int step, int offset, std::string_view suffix);
std::string FormatLinearReal(int index, double step, double offset, std::string_view suffix);
std::string FormatDistance(int index, std::string_view suffix = {});
std::string FormatLabel(ValueKind kind, int index, std::string_view suffix = {});
// Frequency texts of the EQ graph labels: bands switch format at 101 Hz, crossovers at index 82.
std::string FormatBandFreq(double hz);
std::string FormatCrossoverFreq(int index, double hz);

// One configured control of a page: which kind, index range, linear scale and suffix.
struct Conversion {
    std::string_view page;
    std::string_view label;
    ValueKind kind;
    int min;
    int max;
    double step;
    double offset;
    std::string_view suffix;
};

enum class Conv : int {
    BandGain,
    DynBandGain,
    BandFreq,
    BandQ,
    FilterFreq,
    GateThreshold,
    GateAttack,
    GateRelease,
    LimitLevel,
    OutputLimitLevel,
    DynLimitLevel,
    CompAttack,
    CompRelease,
    Ratio,
    MicLevel,
    KeyControl,
    EchoVolume,
    EchoPreDelay,
    EchoRightPreDelay,
    EchoDelay,
    EchoRightDelay,
    EchoRepeat,
    ReverbVolume,
    ReverbPreDelay,
    ReverbTime,
    MixLevel,
    OutputDelay,
    OutputDistance,
    MusicVolume,
    MicVolume,
    EffectVolume,
    InputGain,
    Count
};

extern const std::array<Conversion, static_cast<int>(Conv::Count)> ConversionsInUse;
// The effect delay times are stored in tenths of a millisecond: their controls' positions times these.
inline constexpr int kEchoPreDelayUnits = 10;
inline constexpr int kEchoDelayUnits = 20;
inline constexpr int kReverbPreDelayUnits = 20;
inline constexpr int kReverbTimeUnits = 500;
inline const Conversion& ConversionOf(Conv c) { return ConversionsInUse[static_cast<int>(c)]; }
// The text a value display or numeric edit configured by `c` shows for `index` (clamped to its range).
std::string FormatConversion(const Conversion& c, int index);

} // namespace kel
