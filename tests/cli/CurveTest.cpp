// kelvane-cli curve: the summed EQ curve of a program file, and its refusals.
#include "dsp/FilterBank.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace kel {
namespace {

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Slurp(const char* path) {
    std::string error;
    const auto bytes = ReadWholeFile(path, 1u << 20, error);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

CliRun RunCli(const std::string& args) {
    const std::string cmd = std::string(KELVANE_CLI) + " " + args + " >curve-out.txt 2>curve-err.txt";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp("curve-out.txt"), Slurp("curve-err.txt")};
}

void WriteProgram(const char* path, const ProgramImage& image, std::size_t size = kProgramFileSize) {
    std::vector<std::uint8_t> bytes(kProgramFileSize);
    const auto full = SerializeProgramBytes(TheModel().system, image);
    std::copy(full.begin(), full.end(), bytes.begin());
    bytes.resize(size);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, bytes, error)) << error;
}

struct Line {
    std::string freq;
    double db;
};

std::vector<Line> Lines(const std::string& out) {
    std::vector<Line> lines;
    std::istringstream in(out);
    std::string text;
    while (std::getline(in, text)) {
        const auto comma = text.find(',');
        lines.push_back(
            {text.substr(0, comma), comma == std::string::npos ? 0.0 : std::stod(text.substr(comma + 1))});
    }
    return lines;
}

void SetBand(EqBand& b, int freqIndex, int gain) {
    b.type = BAND_P;
    b.freq = static_cast<std::uint16_t>(freqIndex);
    b.gain = static_cast<u8>(gain);
    b.q = 22;
}

constexpr int k1000 = 204 + kFreqTableOffset; // grid entry of 1000 Hz

class CurveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallFilterBank();
        ResetModel();
    }
    ProgramImage& img = TheModel().image;
};

TEST_F(CurveTest, PrintsTheSumOfEveryFilterOfTheChannel) {
    SetBand(img.musicR.eq[6], 204, 150); // +6 dB at 1000 Hz
    SetBand(img.musicR.eq[7], 300, 90);  // -6 dB at 3240 Hz
    img.musicR.hpf.freq = 20;
    img.musicR.hpf.slope = 9;
    img.musicR.lpf.freq = 330;
    img.musicR.lpf.slope = 6;
    SetBand(img.musicR.eq2[0], 204, 180); // the second EQ is not part of the curve
    // What the window draws for this program.
    CommitShadow(false);
    const ResponseDb expected = Collection(EQ_MUSIC_R, 0).SumDb();
    WriteProgram("music.dia", img);

    const CliRun r = RunCli("curve music.dia 1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 420u);
    for (int i = 0; i < kGridSize; ++i) {
        char freq[32];
        std::snprintf(freq, sizeof freq, "%g", FrequencyGrid[i]);
        ASSERT_EQ(lines[i].freq, freq);
        ASSERT_NEAR(lines[i].db, expected[i], 5e-7) << freq;
    }
    EXPECT_EQ(lines[0].freq, "10");
    EXPECT_EQ(lines[419].freq, "32000");
    EXPECT_GT(lines[k1000].db, 5.0); // the boost, less the skirt of the cut
    EXPECT_LT(lines[k1000].db, 6.0);
    EXPECT_LT(lines[0].db, -30); // an octave and a half below the 24 dB high-pass at 28.9 Hz

    // Music Left is untouched: a flat line.
    const CliRun left = RunCli("curve music.dia 0");
    ASSERT_EQ(left.exitCode, 0);
    EXPECT_NE(left.out.find("1000,0.000000\n"), std::string::npos);
}

TEST_F(CurveTest, OutputChannelsFollowTheFilesOutputMode) {
    SetBand(img.out[0].ch[2].eq[4], 204, 135); // Sing: +3 dB
    SetBand(img.out[1].ch[2].eq[4], 204, 150); // Disco: +6 dB
    SetBand(img.out[2].ch[2].eq[4], 204, 90);  // Decode: -6 dB
    struct Case {
        u8 mode;
        double db;
    };
    for (const Case c : {Case{0, 3}, Case{1, 3}, Case{2, 6}, Case{3, -6}, Case{7, 3}}) {
        img.outputMode = c.mode;
        WriteProgram("out.dia", img);
        const CliRun r = RunCli("curve out.dia 10");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 420u);
        EXPECT_NEAR(lines[k1000].db, c.db, 1e-6) << "mode " << int(c.mode);
    }
    // The dynamic EQ of Music Left.
    SetBand(img.musicL.deq[1].band, 204, 165);
    WriteProgram("deq.dia", img);
    const CliRun r = RunCli("curve deq.dia 16");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NEAR(Lines(r.out)[k1000].db, 9.0, 1e-6);
}

TEST_F(CurveTest, RefusesBadFilesAndChannels) {
    WriteProgram("short.dia", img, kProgramFileSize - 1);
    WriteProgram("good.dia", img);
    std::vector<std::uint8_t> longer(kProgramFileSize + 1);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically("long.dia", longer, error));

    struct Case {
        const char* args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"curve short.dia 0", 1, "2777 bytes"},
        {"curve long.dia 0", 1, "2779 bytes"},
        {"curve missing.dia 0", 1, "missing.dia"},
        {"curve . 0", 1, "."},
        {"curve good.dia 18", 2, "unknown EQ channel '18'"},
        {"curve good.dia 1x", 2, "unknown EQ channel '1x'"},
        {"curve good.dia -1", 2, ""},
        {"curve missing.dia 99", 2, "unknown EQ channel"}, // wrong usage is reported first
        {"curve good.dia", 2, ""},
        {"curve", 2, ""},
    };
    for (const Case& c : cases) {
        const CliRun r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
        EXPECT_TRUE(r.out.empty()) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    }
}

} // namespace
} // namespace kel
