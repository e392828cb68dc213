// Tables and conversions between stored indices, engineering values, texts and graph pixels.
#include "model/DataConver.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace kel {

// The x grid of every curve, about 1/36 octave apart; the listed values are the definition.
const std::array<double, kGridSize> FrequencyGrid = {
    10, 10.2, 10.4, 10.6, 10.8, 11, 11.3, 11.5, 11.7, 11.9, 12.2, 12.4, 12.6, 12.9, 13.1, 13.4,
    13.7, 13.9, 14.2, 14.5, 14.7, 15, 15.3, 15.6, 15.9, 16.2, 16.6, 16.9, 17.2, 17.5, 17.9, 18.2,
    18.6, 18.9, 19.3, 19.7, 20.1, 20.5, 20.9, 21.3, 21.7, 22.1, 22.5, 23, 23.4, 23.9, 24.3, 24.8,
    25.3, 25.8, 26.3, 26.8, 27.3, 27.8, 28.4, 28.9, 29.5, 30.1, 30.7, 31.3, 31.9, 32.5, 33.1, 33.8,
    34.4, 35.1, 35.8, 36.5, 37.2, 37.9, 38.6, 39.4, 40.1, 40.9, 41.7, 42.5, 43.4, 44.2, 45.1, 45.9,
    46.8, 47.7, 48.7, 49.6, 50.6, 51.6, 52.6, 53.6, 54.6, 55.7, 56.8, 57.9, 59, 60.1, 61.3, 62.5,
    63.7, 65, 66.2, 67.5, 68.8, 70.2, 71.5, 72.9, 74.3, 75.8, 77.2, 78.7, 80.3, 81.8, 83.4, 85,
    86.7, 88.4, 90.1, 91.9, 94, 95, 97, 99, 101, 103, 105, 107, 109, 111, 114, 116, 118, 120, 123,
    125, 127, 130, 132, 135, 138, 140, 143, 146, 149, 152, 154, 157, 161, 164, 167, 170, 173, 177,
    180, 184, 187, 191, 195, 198, 202, 206, 210, 214, 218, 223, 227, 231, 236, 241, 245, 250, 255,
    260, 265, 270, 275, 281, 286, 292, 297, 303, 309, 315, 321, 327, 334, 340, 347, 354, 360, 367,
    375, 382, 389, 397, 405, 412, 420, 429, 437, 445, 454, 463, 472, 481, 490, 500, 510, 520, 530,
    540, 551, 561, 572, 583, 595, 606, 618, 630, 642, 655, 667, 680, 694, 707, 721, 735, 749, 764,
    779, 794, 809, 825, 841, 857, 874, 891, 908, 926, 944, 962, 981, 1000, 1020, 1040, 1060, 1080,
    1100, 1120, 1140, 1170, 1190, 1210, 1240, 1260, 1280, 1310, 1330, 1360, 1390, 1410, 1440, 1470,
    1500, 1530, 1560, 1590, 1620, 1650, 1680, 1710, 1750, 1780, 1820, 1850, 1890, 1920, 1960, 2000,
    2040, 2080, 2120, 2160, 2200, 2240, 2290, 2330, 2380, 2420, 2470, 2520, 2570, 2620, 2670, 2720,
    2770, 2830, 2880, 2940, 3000, 3050, 3110, 3170, 3240, 3300, 3360, 3430, 3500, 3560, 3630, 3700,
    3780, 3850, 3920, 4000, 4080, 4160, 4240, 4320, 4400, 4490, 4580, 4670, 4760, 4850, 4940, 5040,
    5140, 5240, 5340, 5440, 5550, 5660, 5770, 5880, 5990, 6110, 6230, 6350, 6470, 6600, 6730, 6860,
    6990, 7130, 7270, 7410, 7550, 7700, 7850, 8000, 8160, 8310, 8480, 8640, 8810, 8980, 9150, 9330,
    9510, 9700, 9890, 10100, 10300, 10500, 10700, 10900, 11100, 11300, 11500, 11800, 12000, 12200,
    12500, 12700, 12900, 13200, 13500, 13700, 14000, 14300, 14500, 14800, 15100, 15400, 15700,
    16000, 16300, 16600, 17000, 17300, 17600, 18000, 18300, 18700, 19000, 19400, 19800, 20200,
    20600, 21000, 21400, 21800, 22200, 22600, 23100, 23500, 24000, 24400, 24900, 25400, 25900,
    26400, 26900, 27400, 28000, 28500, 29100, 29600, 30200, 30800, 31400, 32000
};

const std::array<double, kQCount> QTable = {
    0.4, 0.42, 0.45, 0.47, 0.5, 0.53, 0.56, 0.59, 0.63, 0.67, 0.71, 0.75, 0.79, 0.84, 0.89, 0.94, 1,
    1.06, 1.12, 1.19, 1.26, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2, 2.1, 2.2, 2.4, 2.5, 2.7, 2.8, 3,
    3.2, 3.4, 3.6, 3.8, 4, 4.2, 4.5, 4.8, 5, 5.3, 5.7, 6, 6.3, 6.7, 7.1, 7.6, 8, 8.5, 9, 9.5, 10.1,
    10.7, 11.3, 12, 12.7, 13.5, 14, 15, 16, 17, 18, 19, 20, 21, 23, 24, 25, 27, 29, 30, 32, 34, 36,
    38, 40, 43, 45, 48, 51, 54, 57, 60, 64, 68, 72, 76, 81, 85, 91, 96, 102, 108, 114, 121, 128
};

const std::array<const char*, 20> AttackTimeLabels = {
    "0.5", "0.7", "1.0", "1.4", "2.0", "2.8", "4.0", "5.7", "8.0", "11",
    "16",  "23",  "32",  "45",  "64",  "90",  "100", "120", "150", "400"};

const std::array<const char*, 8> ReleaseLabels = {"Atk X2", "Atk X4",  "Atk X6",  "Atk X8",
                                                  "Atk X12", "Atk X16", "Atk X24", "Atk X32"};

const std::array<const char*, 41> RatioLabels = {
    "1.0", "1.2", "1.4", "1.6", "1.8",  "2.0",  "2.4",  "2.8", "3.2", "3.6", "4.0", "4.4", "4.8", "5.2",
    "5.6", "6.0", "6.4", "6.8", "7.2",  "7.6",  "8.0",  "8.4", "9.0", "9.6", "10.2", "10.8", "11.4", "12",
    "13",  "14",  "15",  "16",  "17",   "18",   "19",   "20",  "22",  "24",  "26",  "30",  "100"};

const std::array<const char*, kSlopeCodes.size()> SlopeLabels = [] {
    std::array<const char*, kSlopeCodes.size()> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i] = kSlopeCodes[i].label;
    }
    return labels;
}();

// page, label, kind, index range, step, offset, suffix
const std::array<Conversion, static_cast<int>(Conv::Count)> ConversionsInUse = {{
    {"EQ band strip", "gain edit", VK_GAIN, 0, 180, 0.2, 24, ""},
    {"dynamic EQ", "gain edit", VK_GAIN, 60, 180, 0.2, 24, ""},
    {"EQ band strip", "frequency edit", VK_FREQ, 0, 361, 0, 0, ""},
    {"EQ band strip", "Q edit", VK_Q, 0, 100, 0, 0, ""},
    {"music, mic, echo, reverb, main output", "HPF/LPF/exciter/Feedback frequency", VK_FREQ, 0, 361, 0, 0, "Hz"},
    {"music, mic", "Threshold", VK_LINEAR_INT_OFF, 0, 60, 1, 78, "dBV"},
    {"music, mic", "Attack Time", VK_ATTACK, 0, 19, 0, 0, "ms"},
    {"music, mic", "Release Time", VK_RELEASE, 0, 7, 0, 0, ""},
    {"music, mic", "Limit Level", VK_LINEAR_INT, 0, 34, 1, 22, "dBV"},
    {"main output", "Limit Level", VK_LINEAR_INT, 0, 34, 1, 22, "dB"},
    {"dynamic EQ", "Limit Level", VK_LINEAR_INT, 0, 60, 1, 48, "dBV"},
    {"music, mic, main output, dynamic EQ", "Attack Time(Atk)", VK_ATTACK, 0, 19, 0, 0, "ms"},
    {"music, mic, main output, dynamic EQ", "Release Time", VK_RELEASE, 0, 7, 0, 0, ""},
    {"music, mic, main output, dynamic EQ", "Ratio", VK_RATIO, 0, 40, 0, 0, ""},
    {"mic", "Mic Level", VK_LINEAR_REAL, 0, 40, 0.5, 10, "dB"},
    {"music", "Key Control", VK_LINEAR_INT, 0, 14, 1, 7, ""},
    {"echo", "Echo Wet Volume", VK_LINEAR_INT, 0, 100, 1, 0, "%"},
    {"echo", "Echo PreDelay", VK_LINEAR_INT, 0, 150, 1, 0, "ms"},
    {"echo", "Echo Right PreDelay", VK_LINEAR_INT, 0, 50, 1, 0, "%"},
    {"echo", "Echo Delay", VK_LINEAR_INT, 0, 250, 2, 0, "ms"},
    {"echo", "Echo Right Delay", VK_LINEAR_INT, 0, 100, 1, 50, "%"},
    {"echo", "Echo Repeat", VK_LINEAR_INT, 0, 90, 1, 0, "%"},
    {"reverb", "Reverb Wet Volume", VK_LINEAR_INT, 0, 100, 1, 0, "%"},
    {"reverb", "Reverb PreDelay", VK_LINEAR_INT, 0, 100, 2, 0, "ms"},
    {"reverb", "Reverb Time", VK_LINEAR_INT, 0, 100, 50, 0, "ms"},
    {"main output", "Music Level", VK_LINEAR_INT, 0, 200, 1, 0, "%"},
    {"main output", "channel delay", VK_LINEAR_REAL, 0, 1500, 0.1, 0, "ms"},
    {"main output", "channel delay as distance", VK_DISTANCE, 0, 1500, 0, 0, ""},
    {"main window, system", "Music max volume", VK_LINEAR_INT, 0, 84, 1, 0, ""},
    {"main window, system", "Mic max volume", VK_LINEAR_INT, 0, 84, 1, 0, ""},
    {"main window, system", "Effect max volume", VK_LINEAR_INT, 0, 70, 1, 0, ""},
    {"system", "input gain", VK_LINEAR_REAL, 0, 40, 0.5, 10, ""},
}};

namespace {

std::string Printf(const char* format, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string WithSuffix(std::string text, std::string_view suffix) {
    text.append(suffix);
    return text;
}

// Always the C locale: the window's locale must not change how numbers are read.
locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

} // namespace

int NearestIndex(std::span<const double> table, double x) {
    const int n = static_cast<int>(table.size());
    for (int i = 0; i < n; ++i) {
        if (table[i] >= x) {
            if (i == 0) {
                return 0;
            }
            const double dLow = x - table[i - 1];
            const double dHigh = table[i] - x;
            return dLow < dHigh ? i - 1 : i; // an exact midpoint goes to the higher index
        }
    }
    return n - 1;
}

int FreqToIndex(double hz) { return NearestIndex(std::span<const double>(FrequencyTable, kFreqCount), hz); }

double IndexToFreq(int index) {
    assert(index >= 0 && index < kFreqCount);
    return FrequencyTable[index];
}

int QToIndex(double q) { return NearestIndex(QTable, q); }

double IndexToQ(int index) {
    assert(index >= 0 && index < kQCount);
    return QTable[index];
}

double GainIndexToDb(int index) { return index * 0.2 - 24.0; }

int DbToGainIndexTyped(double db, int minIndex, int maxIndex, double step, double offset) {
    db = std::clamp(db, minIndex * step - offset, maxIndex * step - offset);
    return static_cast<int>(((db + offset) * 10.0) / (step * 10.0));
}

int DbToGainIndexDrag(double db) { return static_cast<int>(((db + 24.0) * 100.0) / (0.2 * 100.0) + 0.5); }

double ParseNumber(std::string_view text) {
    std::string s(text); // strtod needs a terminated string
    const double v = strtod_l(s.c_str(), nullptr, CLocale());
    return std::isnan(v) ? 0.0 : v; // "nan" is no number a control can take
}

double ParseGain(std::string_view text) {
    std::string_view t = text;
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) {
        t.remove_prefix(1);
    }
    if (t.starts_with("OFF")) {
        return -120.0;
    }
    return ParseNumber(text);
}

int FreqTextToIndex(std::string_view text) {
    return FreqToIndex(std::clamp(ParseNumber(text), kFreqMinHz, kFreqMaxHz));
}

int QTextToIndex(std::string_view text) { return QToIndex(std::clamp(ParseNumber(text), kQMin, kQMax)); }

double FreqToXf(double hz, int width) {
    return (std::log10(hz) - 1.0) * (width / (std::log10(30000.0) - 1.0));
}

int FreqToX(double hz, int width) { return static_cast<int>(FreqToXf(hz, width)); }

double XToFreq(int x, int width) {
    return std::pow(10.0, (std::log10(30000.0) - 1.0) * x / width + 1.0);
}

double GainToY(double db, int height) { return (height / 36.0) * (12.0 - db); }

double YToGain(int y, int height) {
    const double v = 12.0 - y * 36.0 / height;
    return v > 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
}

std::string BytesToText(std::span<const std::uint8_t> field) {
    std::string s(field.begin(), field.end());
    s.resize(std::strlen(s.c_str())); // the field is read as a terminated text
    const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && isBlank(s.back())) {
        s.pop_back();
    }
    std::size_t first = 0;
    while (first < s.size() && isBlank(s[first])) {
        ++first;
    }
    return s.substr(first);
}

void TextToBytes(std::string_view text, std::span<std::uint8_t> field) {
    const std::size_t n = std::min(text.size(), field.size());
    std::copy_n(text.begin(), n, field.begin());
    std::fill(field.begin() + n, field.end(), std::uint8_t{0x20});
}

std::string FormatFreq(int index, std::string_view suffix) {
    const double hz = IndexToFreq(index);
    return WithSuffix(Printf(hz < 101.0 ? "%.1f" : "%.0f", hz), suffix);
}

std::string FormatQ(int index) { return Printf("%0.3f", IndexToQ(index)); }

std::string FormatGain(int index, double step, double offset) { return Printf("%0.1f", index * step - offset); }

std::string FormatLinearInt(int index, int step, int offset, std::string_view suffix) {
    return WithSuffix(std::to_string(index * step - offset), suffix);
}

std::string FormatLinearIntOff(int index, int lowest, int step, int offset, std::string_view suffix) {
    return index == lowest ? std::string("OFF") : FormatLinearInt(index, step, offset, suffix);
}

std::string FormatLinearReal(int index, double step, double offset, std::string_view suffix) {
    return WithSuffix(Printf("%.1f", index * step - offset), suffix);
}

std::string FormatDistance(int index, std::string_view suffix) {
    return WithSuffix(Printf("%.3fm", index / 10.0 * 0.34), suffix);
}

std::string FormatLabel(ValueKind kind, int index, std::string_view suffix) {
    switch (kind) {
    case VK_ATTACK:
        assert(index >= 0 && index < static_cast<int>(AttackTimeLabels.size()));
        return WithSuffix(AttackTimeLabels[index], suffix);
    case VK_RELEASE:
        assert(index >= 0 && index < static_cast<int>(ReleaseLabels.size()));
        return WithSuffix(ReleaseLabels[index], suffix);
    case VK_RATIO:
        assert(index >= 0 && index < static_cast<int>(RatioLabels.size()));
        return WithSuffix(RatioLabels[index], suffix);
    default:
        assert(false && "not a label kind");
        return {};
    }
}

std::string FormatBandFreq(double hz) { return Printf(hz < 101.0 ? "%.1f" : "%.0f", hz); }

std::string FormatCrossoverFreq(int index, double hz) { return Printf(index < 82 ? "%.1f" : "%.0f", hz); }

std::string FormatConversion(const Conversion& c, int index) {
    index = std::clamp(index, c.min, c.max);
    switch (c.kind) {
    case VK_FREQ:
        return FormatFreq(index, c.suffix);
    case VK_Q:
        return FormatQ(index);
    case VK_GAIN:
        return FormatGain(index, c.step, c.offset);
    case VK_ATTACK:
    case VK_RELEASE:
    case VK_RATIO:
        return FormatLabel(c.kind, index, c.suffix);
    case VK_LINEAR_INT:
        return FormatLinearInt(index, static_cast<int>(c.step), static_cast<int>(c.offset), c.suffix);
    case VK_LINEAR_INT_OFF:
        return FormatLinearIntOff(index, c.min, static_cast<int>(c.step), static_cast<int>(c.offset), c.suffix);
    case VK_LINEAR_REAL:
        return FormatLinearReal(index, c.step, c.offset, c.suffix);
    case VK_DISTANCE:
        return FormatDistance(index, c.suffix);
    }
    return {};
}

} // namespace kel
