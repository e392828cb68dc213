// Conversions between indices, values, texts and pixels.
#include "model/DataConver.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace kel {
namespace {

TEST(DataConver, TablesHaveTheirDefiningEntries) {
    EXPECT_EQ(FrequencyGrid.front(), 10.0);
    EXPECT_EQ(FrequencyGrid.back(), 32000.0);
    EXPECT_EQ(FrequencyGrid[116], 94.0); // irregular spacing kept as listed
    EXPECT_EQ(IndexToFreq(0), 19.7);
    EXPECT_EQ(IndexToFreq(85), 101.0);
    EXPECT_EQ(IndexToFreq(170), 520.0);
    EXPECT_EQ(IndexToFreq(204), 1000.0);
    EXPECT_EQ(IndexToFreq(361), 20600.0);
    EXPECT_EQ(IndexToQ(0), 0.4);
    EXPECT_EQ(IndexToQ(16), 1.0);
    EXPECT_EQ(IndexToQ(100), 128.0);
    for (std::size_t i = 1; i < FrequencyGrid.size(); ++i) {
        EXPECT_LT(FrequencyGrid[i - 1], FrequencyGrid[i]) << i;
    }
    for (std::size_t i = 1; i < QTable.size(); ++i) {
        EXPECT_LT(QTable[i - 1], QTable[i]) << i;
    }
}

TEST(DataConver, NearestIndexLookups) {
    struct Case {
        double hz;
        int index;
    };
    // ends, exact entries, clamp beyond the table, and an exact midpoint that goes to the higher index
    const Case freq[] = {{19.7, 0}, {20600, 361}, {1000, 204}, {25000, 361}, {5, 0}, {1050, 207}, {1045, 206}};
    for (const Case& c : freq) {
        EXPECT_EQ(FreqToIndex(c.hz), c.index) << c.hz;
    }
    const Case q[] = {{0.435, 2}, {1.0, 16}, {0.3, 0}, {500, 100}, {0.434, 1}};
    for (const Case& c : q) {
        EXPECT_EQ(QToIndex(c.hz), c.index) << c.hz;
    }
}

TEST(DataConver, TextParsingLikeAtof) {
    struct Case {
        const char* text;
        int freq;
        int q;
    };
    const Case cases[] = {
        {"1k", 0, 16},          // reads as 1 → clamped up to 19.7 Hz; Q 1.0
        {"  1000Hz", 204, 100}, // leading blanks, trailing unit ignored; Q clamped to 128
        {"abc", 0, 0},          // no number reads as 0
        {"95", 82, 95},
        {"25000", 361, 100},
        {"0.435", 0, 2},
        {"nan", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FreqTextToIndex(c.text), c.freq) << c.text;
        EXPECT_EQ(QTextToIndex(c.text), c.q) << c.text;
    }
}

TEST(DataConver, GainRules) {
    EXPECT_DOUBLE_EQ(GainIndexToDb(120), 0.0);
    EXPECT_DOUBLE_EQ(GainIndexToDb(0), -24.0);
    EXPECT_DOUBLE_EQ(GainIndexToDb(180), 12.0);
    struct Case {
        const char* text;
        int min, max;
        int index;
    };
    const Case typed[] = {
        {"3.3", 0, 180, 136}, {"-0.1", 0, 180, 119}, {"-30", 0, 180, 0},
        {"20", 0, 180, 180},  {"-20", 60, 180, 60},  {"OFF", 0, 180, 0},
        {"0", 0, 180, 120},   {"12", 60, 180, 180},
    };
    for (const Case& c : typed) {
        EXPECT_EQ(DbToGainIndexTyped(ParseGain(c.text), c.min, c.max), c.index) << c.text;
    }
    // a drag rounds to the nearest step
    EXPECT_EQ(DbToGainIndexDrag(0), 120);
    EXPECT_EQ(DbToGainIndexDrag(-24), 0);
    EXPECT_EQ(DbToGainIndexDrag(12), 180);
    EXPECT_EQ(DbToGainIndexDrag(-12), 60);
    EXPECT_EQ(DbToGainIndexDrag(3.3), 137);
}

TEST(DataConver, ValueTexts) {
    struct Case {
        Conv conv;
        int index;
        const char* text;
    };
    const Case cases[] = {
        {Conv::GateThreshold, 0, "OFF"},   {Conv::GateThreshold, 1, "-77dBV"}, {Conv::GateThreshold, 60, "-18dBV"},
        {Conv::GateThreshold, 70, "-18dBV"}, // clamped to the range
        {Conv::ReverbTime, 100, "5000ms"}, {Conv::EchoRightDelay, 0, "-50%"},  {Conv::OutputDistance, 1500, "51.000m"},
        {Conv::OutputDistance, 0, "0.000m"}, {Conv::OutputDelay, 1500, "150.0ms"}, {Conv::MicLevel, 0, "-10.0dB"},
        {Conv::KeyControl, 0, "-7"},       {Conv::KeyControl, 14, "7"},        {Conv::BandGain, 120, "0.0"},
        {Conv::BandGain, 119, "-0.2"},     {Conv::BandGain, 0, "-24.0"},       {Conv::FilterFreq, 204, "1000Hz"},
        {Conv::FilterFreq, 82, "95.0Hz"},  {Conv::BandFreq, 85, "101"},        {Conv::BandQ, 2, "0.450"},
        {Conv::GateAttack, 19, "400ms"},   {Conv::CompRelease, 0, "Atk X2"},   {Conv::Ratio, 40, "100"},
        {Conv::LimitLevel, 34, "12dBV"},   {Conv::InputGain, 40, "10.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatConversion(ConversionOf(c.conv), c.index), c.text)
            << ConversionOf(c.conv).label << " " << c.index;
    }
    // no gain index prints a negative zero
    for (int i = 0; i <= kGainIndexMax; ++i) {
        EXPECT_NE(FormatGain(i), "-0.0") << i;
    }
    EXPECT_EQ(FormatBandFreq(99), "99.0");
    EXPECT_EQ(FormatCrossoverFreq(82, 95), "95");
    EXPECT_EQ(FormatCrossoverFreq(81, 94), "94.0");
}

TEST(DataConver, GraphCoordinates) {
    EXPECT_EQ(FreqToX(10, 671), 0);
    EXPECT_EQ(FreqToX(30000, 671), 671);
    EXPECT_NEAR(XToFreq(0, 671), 10.0, 1e-9);
    EXPECT_NEAR(XToFreq(671, 671), 30000.0, 1e-6);
    EXPECT_DOUBLE_EQ(GainToY(0, 360), 120.0);
    EXPECT_DOUBLE_EQ(GainToY(12, 360), 0.0);
    EXPECT_DOUBLE_EQ(GainToY(-24, 360), 360.0);
    EXPECT_EQ(YToGain(120, 360), 0.0); // on the 0 dB line
    EXPECT_EQ(YToGain(115, 360), 1.0); // 0.5 above the line rounds away from zero
    EXPECT_EQ(YToGain(116, 360), 0.0); // 0.4
    EXPECT_EQ(YToGain(125, 360), -1.0);
    EXPECT_EQ(YToGain(0, 360), 12.0);
}

TEST(DataConver, FixedWidthTextFields) {
    std::array<std::uint8_t, 20> field;
    std::memcpy(field.data(), "  Pop 1             ", 20);
    EXPECT_EQ(BytesToText(field), "Pop 1");
    field.fill(' ');
    EXPECT_EQ(BytesToText(field), "");
    field.fill(0);
    EXPECT_EQ(BytesToText(field), "");

    // never writes past its field
    std::array<std::uint8_t, 24> guarded;
    guarded.fill(0xAA);
    TextToBytes("Pop 1", std::span(guarded).subspan(2, 20));
    EXPECT_EQ(std::string(guarded.begin() + 2, guarded.begin() + 7), "Pop 1");
    for (int i = 7; i < 22; ++i) {
        EXPECT_EQ(guarded[i], 0x20) << i;
    }
    EXPECT_EQ(guarded[0], 0xAA);
    EXPECT_EQ(guarded[22], 0xAA);
    TextToBytes("a name that is far longer than twenty", std::span(guarded).subspan(2, 20));
    EXPECT_EQ(std::string(guarded.begin() + 2, guarded.begin() + 22), "a name that is far l");
    EXPECT_EQ(guarded[22], 0xAA);
}

} // namespace
} // namespace kel
