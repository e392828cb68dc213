// The change detector: scanning order, the fields it sends, and the meter polls when nothing differs.
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/FrameBytes.h"
#include "protocol/Protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kel {
namespace {

using test::Bytes;

// One expected frame: type and index, and if given the first body bytes from offset 6 on.
struct Sent {
    int type;
    int index;
    Bytes body = {};
};

struct DetectCase {
    std::string name;
    std::function<void(Model&)> edit;
    std::vector<Sent> frames; // in order; the call after the last one must be a poll
};

class DetectChangeTest : public ::testing::TestWithParam<DetectCase> {
  protected:
    void SetUp() override {
        ResetModel();
        CommitShadow(true);
    }
};

std::vector<Sent> RunUntilPoll(int limit) {
    std::vector<Sent> out;
    for (int i = 0; i < limit; ++i) {
        DetectChange(TheModel());
        const FrameRecord& b = TheModel().frames.Build();
        if (b.Type() == 12 || b.Type() == 24) {
            return out;
        }
        out.push_back({b.Type(), b.Index(), Bytes(b.frame + 6, b.frame + b.Count() + 3)});
    }
    return out;
}

TEST_P(DetectChangeTest, SendsTheDifferencesInScanningOrder) {
    const DetectCase& c = GetParam();
    c.edit(TheModel());
    const std::vector<Sent> got = RunUntilPoll(static_cast<int>(c.frames.size()) + 5);
    ASSERT_EQ(got.size(), c.frames.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].type, c.frames[i].type) << "frame " << i;
        EXPECT_EQ(got[i].index, c.frames[i].index) << "frame " << i;
        const Bytes& want = c.frames[i].body; // a prefix: unassigned body bytes are not compared
        ASSERT_GE(got[i].body.size(), want.size()) << "frame " << i;
        EXPECT_EQ(test::Hex(Bytes(got[i].body.begin(), got[i].body.begin() + want.size())), test::Hex(want))
            << "frame " << i;
    }
}

void SetBand(EqBand& b, int freq, int gain, int q, int type) {
    b.freq = static_cast<std::uint16_t>(freq);
    b.gain = static_cast<u8>(gain);
    b.q = static_cast<u8>(q);
    b.type = static_cast<u8>(type);
}

const DetectCase kCases[] = {
    {"VolumeBeforeBand",
     [](Model& m) {
         m.image.musicL.eq[3].gain = 130;
         m.system.musicVolume = 0x80 | 40;
     },
     {{1, 0, {0xA8}}, {3, 3}}},
    {"BandWithTwoChangedBytesIsOneFrame",
     [](Model& m) {
         m.image.musicL.eq[3].gain = 130;
         m.image.musicL.eq[3].q = 50;
     },
     {{3, 3, {73, 0, 130, 50, 0}}}},
    {"VolumesInByteOrder",
     [](Model& m) {
         m.system.musicVolume = 3;
         m.system.micVolume = 2;
         m.system.effectVolume = 1;
     },
     {{1, 2, {1}}, {1, 1, {2}}, {1, 0, {3}}}},
    {"LowNibbleBeforeHighNibble",
     [](Model& m) { m.system.keySen = 0x91; }, // key 14 -> 9, sensitivity L -> H
     {{19, 0, {1}}, {9, 9, {0}}}},
    {"KeyControlAloneKeepsTheSensitivity",
     [](Model& m) {
         m.system.keySen = 0xE1;
         m.shadowSystem.keySen = 0xE1;
         m.system.keySen = 0x91;
     },
     {{9, 9, {0}}}},
    {"EchoBCrossoversHighPassThenLowPass",
     [](Model& m) {
         m.image.echoB.hpf.slope = 3;
         m.image.echoB.lpf.slope = 4;
     },
     {{4, 6, {0, 0, 0, 3}}, {4, 6, {1, 0x69, 0x01, 4}}}},
    {"MusicRightLimiterSendsNothing", [](Model& m) { m.image.musicR.limiter.level = 9; }, {}},
    {"MusicLeftLimiter",
     [](Model& m) {
         m.image.musicL.limiter = {9, 1, 2, 3};
     },
     {{7, 7, {9, 1, 2, 3}}}},
    {"OutputLimitersOfRecordsWithOne",
     [](Model& m) {
         m.image.out[0].ch[OUT_MAIN_R].limiter.level = 5; // whole program only
         m.image.out[0].ch[OUT_SURR_L].limiter.level = 5;
     },
     {{7, 6, {5, 0, 0, 0}}}},
    {"MixLevelsUseTheDeviceChannelOrder",
     [](Model& m) {
         m.image.out[0].ch[OUT_MAIN_R].mix[4].level = 150; // device channel 5: index 47
         m.image.out[0].ch[OUT_MAIN_R].mix[0].on = 1;      // index 43, a switch
         m.image.out[0].ch[OUT_CENTER].mix[0].level = 99;  // device channel 1: index 13
     },
     {{2, 13, {99}}, {2, 47, {150}}, {11, 43, {1}}}},
    {"EffectLevelsAndSwitches",
     [](Model& m) {
         m.image.reverb.drySign = 1;
         m.image.reverb.wet = 20;
         m.image.echoB.wetSign = 1;
     },
     {{11, 4, {1}}, {2, 6, {20}}, {11, 7, {1}}}},
    {"GateCarriesItsEnableByte",
     [](Model& m) {
         m.image.mic2.gate = {12, 3, 4};
         m.image.musicL.gate = {0, 5, 6};
     },
     {{10, 1, {12, 3, 4, 1}}, {10, 2, {0, 5, 6, 0}}}},
    {"ExciterCarriesItsEnableByte",
     [](Model& m) {
         m.image.mic1.lowExciter.timbre = 2;
         m.image.musicR.highExciter.freq = 300;
     },
     {{18, 1, {0, 0x2C, 0x01, 0, 0}}, {18, 6, {1, 0x69, 0x01, 0, 2}}}},
    {"DelaysComparedAsWords",
     [](Model& m) {
         m.image.out[0].ch[OUT_SUB].delay = 0x0102;
         m.image.reverb.time = 500;
     },
     {{5, 9, {0xF4, 0x01}}, {5, 13, {0x02, 0x01}}}},
    {"FeedbackAndMuteShapes",
     [](Model& m) {
         m.image.mic2.feedback = 3;
         m.image.out[0].ch[OUT_REAR_R].mute = 1;
     },
     {{8, 5}, {6, 1, {0, 3}}}},
    {"ValuesInTheIndexByte",
     [](Model& m) {
         m.system.irControl = 1;
         m.system.rearMicPhantom = 1;
         m.system.musicInput = 4;
     },
     {{13, 4}, {138, 1}, {139, 1}}},
    {"MaximaByIndex",
     [](Model& m) {
         m.system.effectMax = 60;
         m.system.musicMax = 50;
     },
     {{137, 0, {50}}, {137, 2, {60}}}},
    {"ModeSwitchSendsTheBlockBeforeTheMode",
     [](Model& m) {
         m.image.out[2].ch[OUT_SUB].mute = 1; // the Decode block differs from its shadow
         SetBand(m.image.out[2].ch[OUT_MAIN_L].eq[0], 9, 121, 10, 1);
         m.image.outputMode = 3;
     },
     {{3, 111, {9, 0, 121, 10, 1}}, {8, 3, {1}}, {142, 3}}},
    {"OtherBlocksAreNotCompared", [](Model& m) { m.image.out[1].ch[OUT_SUB].mute = 1; }, {}},
    {"AutoComparesTheSingBlock",
     [](Model& m) {
         m.image.outputMode = 0;
         m.image.out[0].ch[OUT_SURR_R].bypass = 1;
     },
     {{20, 18, {1}}, {142, 0}}},
    {"ModeByteOutOfRangeComparesSing",
     [](Model& m) {
         m.image.outputMode = 7; // from a damaged file or device
         m.image.out[0].ch[OUT_CENTER].mute = 1;
     },
     {{8, 2, {1}}, {142, 7}}},
    {"LinksDynamicEqAndBypass",
     [](Model& m) {
         m.image.musicR.deq[2].ratio = 7;
         m.image.outputLink[3] = 1;
         m.image.mic2.bypass2 = 1;
     },
     {{20, 7, {1}}, {135, 5, {1}}, {17, 5}}},
    {"WholeProgramOnlyFieldsSendNothing",
     [](Model& m) {
         m.image.auxReverb.wet = 7;
         m.image.name[0] = 'X';
         m.image.programSum = 3;
         m.image.musicR.gate.threshold = 4;
         m.system.reserved[0] = 1;
         m.system.panelPassword[0] = 9;
     },
     {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, DetectChangeTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DetectCase>& info) { return info.param.name; });

class DetectPollTest : public DetectChangeTest {};

TEST_F(DetectPollTest, IdleModelAlternatesPollsWithTheModeIndex) {
    Model& m = TheModel();
    m.image.outputMode = 2;
    m.shadow.outputMode = 2;
    const ProgramImage before = m.shadow;
    const std::vector<int> expected = {12, 24, 12, 24, 12};
    for (int type : expected) {
        m.frames.Build().sequence = 7;
        EXPECT_EQ(DetectChange(TheModel()), 1);
        const FrameRecord& b = m.frames.Build();
        EXPECT_EQ(test::Hex(test::FrameOf(b)), test::Hex(test::MakeFrame(type, {2})));
        EXPECT_EQ(b.sequence, 0);
    }
    EXPECT_EQ(std::memcmp(&before, &m.shadow, sizeof before), 0);
}

TEST_F(DetectPollTest, ShadowTakesTheSentFieldOnly) {
    Model& m = TheModel();
    m.image.mic1.eq[4].gain = 100;
    m.image.mic1.eq[5].gain = 101;
    DetectChange(TheModel());
    EXPECT_EQ(m.shadow.mic1.eq[4].gain, 100);
    EXPECT_EQ(m.shadow.mic1.eq[5].gain, 120);
}

// The build record is reused frame after frame: a byte a shape leaves unassigned is 0, whatever frame
// of the table the record held before (and whatever was left past it).
TEST_F(DetectPollTest, UnassignedBodyBytesAreZeroWhateverCameBefore) {
    Model& m = TheModel();
    m.image.out[0].ch[OUT_MAIN_L].mute = 1;
    DetectChange(TheModel());
    const FrameRecord& built = m.frames.Build();
    ASSERT_EQ(built.Count(), 5); // index, value and one byte the mute shape does not assign
    const Bytes expected = test::FrameOf(built);
    EXPECT_EQ(expected[7], 0);
    const auto mute =
        std::find_if(ShortCommands().begin(), ShortCommands().end(), [&](const ShortCommand& c) {
            return c.type == built.Type() && c.index == built.Index();
        });
    ASSERT_NE(mute, ShortCommands().end());
    const std::array<std::uint8_t, 16> noise = {0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5,
                                                0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5};
    const std::uint8_t one = 1;
    for (const ShortCommand& before : ShortCommands()) {
        FrameRecord record = built;
        std::fill(std::begin(record.frame) + 4, std::end(record.frame), 0x5A);
        FillShortFrame(record, before, std::span<const std::uint8_t>(noise.data(), before.size));
        FillShortFrame(record, *mute, std::span<const std::uint8_t>(&one, 1));
        EXPECT_EQ(test::Hex(test::FrameOf(record)), test::Hex(expected))
            << "after type " << int(before.type) << " index " << int(before.index);
    }
}

TEST(CommandTables, EveryEntryFitsItsCount) {
    for (const ShortCommand& c : ShortCommands()) {
        int used = 0;
        switch (c.shape) {
        case FieldShape::Payload:
            used = c.size;
            break;
        case FieldShape::InIndex:
            used = 0;
            break;
        case FieldShape::HighNibble:
        case FieldShape::LowNibble:
            used = 1;
            break;
        case FieldShape::Feedback:
            used = 2;
            break;
        case FieldShape::Gate:
        case FieldShape::Exciter:
            used = c.size + 1;
            break;
        }
        EXPECT_LE(3 + used, c.count) << int(c.type) << "/" << int(c.index);
        const std::size_t area = c.area == FieldArea::Image    ? sizeof(ProgramImage)
                                 : c.area == FieldArea::Output ? sizeof(OutputBlock)
                                                               : sizeof(SystemBlock);
        EXPECT_LE(c.offset + c.size, area) << int(c.type) << "/" << int(c.index);
    }
}

} // namespace
} // namespace kel
