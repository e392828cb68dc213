// The emulated processor: every short command lands on its field; bulk commands round-trip; faults and
// resynchronisation.
#include "emulator/DeviceEngine.h"
#include "model/DataConver.h"
#include "model/Sections.h"
#include "protocol/FrameBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace kel {
namespace {

using test::Bytes;
using test::MakeFrame;

Bytes Ack(int type, int status) {
    return MakeFrame(type, {static_cast<u8>(status)});
}

template <typename T> Bytes BytesOf(const T& v) {
    const auto* b = reinterpret_cast<const u8*>(&v);
    return Bytes(b, b + sizeof v);
}

template <typename T> bool Same(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class EngineTest : public ::testing::Test {
  protected:
    Bytes Send(const Bytes& frame) { return engine.Receive(frame); }
    DeviceState& S() { return engine.State(); }
    DeviceEngine engine;
};

// A short command and what it must change, written with the layout's own member names.
struct ShortCase {
    std::string name;
    int mode; // the engine's live OutputMode before the frame
    Bytes frame;
    std::function<void(DeviceState&)> expect;
};

class ShortCommandTest : public EngineTest, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(ShortCommandTest, ChangesExactlyItsField) {
    const ShortCase& c = GetParam();
    S().live.outputMode = static_cast<u8>(c.mode);
    DeviceState want = S();
    c.expect(want);
    EXPECT_EQ(test::Hex(Send(c.frame)), test::Hex(Ack(c.frame[4], 0)));
    EXPECT_TRUE(Same(S().live, want.live)) << "program differs";
    EXPECT_TRUE(Same(S().liveSystem, want.liveSystem)) << "system block differs";
    EXPECT_TRUE(Same(S().slots, want.slots));
}

const ShortCase kShortCases[] = {
    {"MasterVolumeEffect", 1, MakeFrame(1, {2, 0x85}),
     [](DeviceState& s) { s.liveSystem.effectVolume = 0x85; }},
    {"MasterVolumeMusic", 1, MakeFrame(1, {0, 40}), [](DeviceState& s) { s.liveSystem.musicVolume = 40; }},
    {"EchoBRepeat", 1, MakeFrame(2, {3, 60}), [](DeviceState& s) { s.live.echoB.repeat = 60; }},
    {"ReverbDry", 1, MakeFrame(2, {7, 55}), [](DeviceState& s) { s.live.reverb.dry = 55; }},
    {"MixLevelMainRReverb", 1, MakeFrame(2, {47, 150}),
     [](DeviceState& s) { s.live.out[0].ch[OUT_MAIN_R].mix[4].level = 150; }},
    {"MixLevelSurroundRInDecode", 3, MakeFrame(2, {57, 9}),
     [](DeviceState& s) { s.live.out[2].ch[OUT_SURR_R].mix[4].level = 9; }},
    {"MixLevelInAutoIsSing", 0, MakeFrame(2, {13, 9}),
     [](DeviceState& s) { s.live.out[0].ch[OUT_CENTER].mix[0].level = 9; }},
    {"BandMusicLeft", 1, MakeFrame(3, {3, 0x10, 0x01, 130, 20, 1}),
     [](DeviceState& s) {
         s.live.musicL.eq[3] = {{0x10, 0x01}, 130, 20, 1};
     }},
    {"BandMic2Second", 1, MakeFrame(3, {89, 5, 0, 100, 7, 2}),
     [](DeviceState& s) {
         s.live.mic2.eq2[4] = {{5, 0}, 100, 7, 2};
     }},
    {"BandEchoB", 1, MakeFrame(3, {104, 5, 0, 100, 7, 3}),
     [](DeviceState& s) {
         s.live.echoB.eq[0] = {{5, 0}, 100, 7, 3};
     }},
    {"BandOutputInDisco", 2, MakeFrame(3, {190, 1, 0, 2, 3, 1}),
     [](DeviceState& s) {
         s.live.out[1].ch[OUT_SURR_R].eq[9] = {{1, 0}, 2, 3, 1};
     }},
    {"CrossoverHighPass", 1, MakeFrame(4, {6, 0, 20, 0, 5}),
     [](DeviceState& s) {
         s.live.echoB.hpf = {0, {20, 0}, 5};
     }},
    {"CrossoverLowPass", 1, MakeFrame(4, {6, 1, 30, 0, 6}),
     [](DeviceState& s) {
         s.live.echoB.lpf = {1, {30, 0}, 6};
     }},
    {"CrossoverOutput", 1, MakeFrame(4, {10, 1, 30, 1, 6}),
     [](DeviceState& s) {
         s.live.out[0].ch[OUT_SUB].lpf = {1, {30, 1}, 6};
     }},
    {"MainMusicHpfRight", 1, MakeFrame(4, {16, 0, 9, 0, 2}),
     [](DeviceState& s) {
         s.live.musicR.mainHpf = {0, {9, 0}, 2};
     }},
    {"DelayEchoRightDelay", 1, MakeFrame(5, {7, 0x34, 0x12}),
     [](DeviceState& s) { s.live.echoB.rightDelay = 0x1234; }},
    {"DelayOutput", 1, MakeFrame(5, {17, 0xDC, 0x05}),
     [](DeviceState& s) { s.live.out[0].ch[OUT_SURR_R].delay = 1500; }},
    {"Feedback", 1, MakeFrame(6, {1, 0, 4}), [](DeviceState& s) { s.live.mic2.feedback = 4; }},
    {"LimiterCenter", 1, MakeFrame(7, {3, 1, 2, 3, 4}),
     [](DeviceState& s) {
         s.live.out[0].ch[OUT_CENTER].limiter = {1, 2, 3, 4};
     }},
    {"LimiterMusic", 1, MakeFrame(7, {7, 1, 2, 3, 4}),
     [](DeviceState& s) {
         s.live.musicL.limiter = {1, 2, 3, 4};
     }},
    {"Mute", 1, MakeFrame(8, {5, 1, 0}), [](DeviceState& s) { s.live.out[0].ch[OUT_REAR_R].mute = 1; }},
    {"KeyControlKeepsSensitivity", 1, MakeFrame(9, {9, 0, 0}),
     [](DeviceState& s) { s.liveSystem.keySen = 0x90; }},
    {"NoiseGate", 1, MakeFrame(10, {2, 7, 8, 9, 1}),
     [](DeviceState& s) {
         s.live.musicL.gate = {7, 8, 9};
     }},
    {"SwitchReverbWet", 1, MakeFrame(11, {6, 1}), [](DeviceState& s) { s.live.reverb.wetSign = 1; }},
    {"SwitchMixLevel", 1, MakeFrame(11, {8, 1}),
     [](DeviceState& s) { s.live.out[0].ch[OUT_MAIN_L].mix[0].on = 1; }},
    {"MusicInput", 1, MakeFrame(13, {5}), [](DeviceState& s) { s.liveSystem.musicInput = 5; }},
    {"DynamicEq", 1, MakeFrame(17, {4, 1, 0, 90, 5, 1, 30, 2, 3, 4, 1}),
     [](DeviceState& s) {
         s.live.musicR.deq[1] = {{{1, 0}, 90, 5, 1}, 30, 2, 3, 4, 1};
     }},
    {"ExciterLowMic2", 1, MakeFrame(18, {7, 1, 0x10, 0, 3, 4, 0, 0, 0, 0, 0}),
     [](DeviceState& s) {
         s.live.mic2.lowExciter = {{0x10, 0}, 3, 4};
     }},
    {"SensitivityNibble", 1, MakeFrame(19, {0, 1}), [](DeviceState& s) { s.liveSystem.keySen = 0xE1; }},
    {"MicLevel", 1, MakeFrame(19, {2, 33}), [](DeviceState& s) { s.live.mic2.level = 33; }},
    {"InputGain", 1, MakeFrame(19, {6, 40}), [](DeviceState& s) { s.liveSystem.optiGain = 40; }},
    {"Bypass", 1, MakeFrame(20, {10, 1}), [](DeviceState& s) { s.live.echoB.bypass = 1; }},
    {"BypassOutput", 3, MakeFrame(20, {11, 1}),
     [](DeviceState& s) { s.live.out[2].ch[OUT_MAIN_L].bypass = 1; }},
    {"Link", 1, MakeFrame(135, {4, 1}), [](DeviceState& s) { s.live.outputLink[2] = 1; }},
    {"Maximum", 1, MakeFrame(137, {0, 50}), [](DeviceState& s) { s.liveSystem.musicMax = 50; }},
    {"Phantom", 1, MakeFrame(138, {1}), [](DeviceState& s) { s.liveSystem.rearMicPhantom = 1; }},
    {"IrControl", 1, MakeFrame(139, {1}), [](DeviceState& s) { s.liveSystem.irControl = 1; }},
    {"OutputMode", 1, MakeFrame(142, {3}), [](DeviceState& s) { s.live.outputMode = 3; }},
};

INSTANTIATE_TEST_SUITE_P(Types, ShortCommandTest, ::testing::ValuesIn(kShortCases),
                         [](const ::testing::TestParamInfo<ShortCase>& info) { return info.param.name; });

TEST_F(EngineTest, BadIndexLengthOrTypeIsRefused) {
    const DeviceState before = S();
    EXPECT_EQ(Send(MakeFrame(3, {191, 1, 2, 3, 4, 5})), Ack(3, 1)); // no band 191
    EXPECT_EQ(Send(MakeFrame(2, {33, 1})), Ack(2, 1));              // mix indices 33..42 unused
    EXPECT_EQ(Send(MakeFrame(3, {3, 1, 2})), Ack(3, 1));            // too short for a band
    EXPECT_EQ(Send(MakeFrame(77, {0})), Ack(77, 3));                // unknown type
    Bytes damaged = MakeFrame(1, {0, 5});
    damaged.back() ^= 0xFF;
    EXPECT_EQ(Send(damaged), Ack(1, 2));
    EXPECT_TRUE(Same(before.live, S().live));
    EXPECT_TRUE(Same(before.liveSystem, S().liveSystem));
}

TEST_F(EngineTest, IdentifyReportsCapabilityAndPermission) {
    S().capability = 0;
    S().storePermission = 1;
    EXPECT_EQ(Send(MakeFrame(127, {0})), MakeFrame(127, {0, 1}));
}

TEST_F(EngineTest, ProgramWrittenIntoSlotSevenReadsBack) {
    ProgramImage p{};
    FillDefaultProgram(p);
    p.mic1.level = 17;
    TextToBytes("Seven", p.name);
    Bytes body = {7};
    const Bytes image = BytesOf(p);
    body.insert(body.end(), image.begin(), image.end());
    EXPECT_EQ(Send(MakeFrame(132, body)), Ack(132, 0));
    EXPECT_EQ(Send(MakeFrame(130, {7})), MakeFrame(130, body));
    EXPECT_EQ(Send(MakeFrame(128, {7})), MakeFrame(128, [&] {
                  Bytes b = {7};
                  b.insert(b.end(), image.begin(), image.begin() + 20);
                  return b;
              }()));
    EXPECT_FALSE(Same(S().live, p));

    // Recall copies the slot into the live program and replies with it.
    Bytes recalled = {7};
    recalled.insert(recalled.end(), image.begin(), image.end());
    EXPECT_EQ(Send(MakeFrame(133, {7})), MakeFrame(133, recalled));
    EXPECT_TRUE(Same(S().live, p));
    EXPECT_EQ(S().liveSystem.currentSlot, 7);
    EXPECT_EQ(Send(MakeFrame(130, {0}))[5], 0);
}

TEST_F(EngineTest, SystemBlocksOfSlotsAndLive) {
    SystemBlock b{};
    ResetSystemBlock(b);
    b.bgmGain = 11;
    Bytes body = {4};
    const Bytes block = BytesOf(b);
    body.insert(body.end(), block.begin(), block.end());
    EXPECT_EQ(Send(MakeFrame(131, body)), Ack(131, 0));
    EXPECT_EQ(S().slotSystems[3].bgmGain, 11);
    EXPECT_NE(S().liveSystem.bgmGain, 11);
    EXPECT_EQ(Send(MakeFrame(129, {4})), MakeFrame(129, block));
    body[0] = 0;
    EXPECT_EQ(Send(MakeFrame(131, body)), Ack(131, 0));
    EXPECT_EQ(S().liveSystem.bgmGain, 11);
    EXPECT_EQ(Send(MakeFrame(129, {22})), Ack(129, 1));
}

TEST_F(EngineTest, StoreUnderANameAndThePermissionOfTheFavourites) {
    S().live.mic1.level = 25;
    Bytes body = {3};
    for (char c : std::string("Party               ")) {
        body.push_back(static_cast<u8>(c));
    }
    EXPECT_EQ(Send(MakeFrame(134, body)), Ack(134, 0));
    EXPECT_EQ(S().slots[2].mic1.level, 25);
    EXPECT_EQ(std::memcmp(S().slots[2].name, "Party ", 6), 0);
    EXPECT_EQ(std::memcmp(S().live.name, "Party ", 6), 0);
    EXPECT_EQ(S().liveSystem.currentSlot, 3);

    S().storePermission = 0;
    body[0] = 18; // F2
    EXPECT_EQ(Send(MakeFrame(134, body)), Ack(134, 1));
    body[0] = 16;
    EXPECT_EQ(Send(MakeFrame(134, body)), Ack(134, 0));
    body[0] = 0;
    S().storePermission = 1;
    EXPECT_EQ(Send(MakeFrame(134, body)), Ack(134, 1));
    body[0] = 21;
    EXPECT_EQ(Send(MakeFrame(134, body)), Ack(134, 0));
}

TEST_F(EngineTest, PasswordsNeedTheOldValue) {
    const Bytes oldSystem(S().liveSystem.systemPassword, S().liveSystem.systemPassword + 6);
    Bytes body = {9, 9, 9, 9, 9, 9, 'n', 'e', 'w', 'p', 'w', 'd'};
    EXPECT_EQ(Send(MakeFrame(140, body)), Ack(140, 1));
    std::copy(oldSystem.begin(), oldSystem.end(), body.begin());
    EXPECT_EQ(Send(MakeFrame(140, body)), Ack(140, 0));
    EXPECT_EQ(std::memcmp(S().liveSystem.systemPassword, "newpwd", 6), 0);

    Bytes panel(S().liveSystem.panelPassword, S().liveSystem.panelPassword + 4);
    panel.insert(panel.end(), {'a', 'b', 'c', 'd'});
    EXPECT_EQ(Send(MakeFrame(141, panel)), Ack(141, 0));
    EXPECT_EQ(std::memcmp(S().liveSystem.panelPassword, "abcd", 4), 0);
    EXPECT_EQ(Send(MakeFrame(141, panel)), Ack(141, 1)); // the old value is now abcd
}

TEST_F(EngineTest, MetersSweepAndFollowTheMode) {
    const Bytes first = Send(MakeFrame(12, {1}));
    ASSERT_EQ(first.size(), 18u);
    for (int i = 5; i < 17; ++i) {
        EXPECT_GE(first[i], 110);
        EXPECT_LE(first[i], 200);
    }
    const Bytes second = Send(MakeFrame(12, {1}));
    EXPECT_NE(first, second);
    DeviceEngine other;
    EXPECT_NE(other.Receive(MakeFrame(12, {3})), first); // same phase, other mode
    const Bytes signals = Send(MakeFrame(24, {1}));
    ASSERT_EQ(signals.size(), 18u);
    EXPECT_EQ(signals[4], 24);
}

TEST_F(EngineTest, ResynchronisesAfterNoise) {
    Bytes piece = {0x00, 0x12, 0xFF, 0x55, 0x6B, 0x10}; // count 4203: dropped at once
    const Bytes identify = MakeFrame(127, {0});
    piece.insert(piece.end(), identify.begin(), identify.end());
    EXPECT_EQ(Send(piece), MakeFrame(127, {1, 1}));

    // A half frame, a quiet gap, then a whole frame.
    const Bytes half(identify.begin(), identify.begin() + 4);
    EXPECT_TRUE(Send(half).empty());
    EXPECT_TRUE(engine.HasPartialFrame());
    engine.QuietGap();
    EXPECT_EQ(Send(identify), MakeFrame(127, {1, 1}));

    // Zero padding after a frame, as in a 256-byte datagram, is ignored; two frames give two replies.
    Bytes datagram = identify;
    datagram.resize(256, 0);
    datagram.insert(datagram.end(), identify.begin(), identify.end());
    const Bytes reply = MakeFrame(127, {1, 1});
    Bytes two = reply;
    two.insert(two.end(), reply.begin(), reply.end());
    EXPECT_EQ(Send(datagram), two);
}

TEST_F(EngineTest, FramesInOneBytePiecesAreAnswered) {
    const Bytes identify = MakeFrame(130, {2});
    Bytes got;
    for (u8 b : identify) {
        const Bytes r = engine.Receive(Bytes{b});
        got.insert(got.end(), r.begin(), r.end());
    }
    EXPECT_EQ(got.size(), 2719u);
    EXPECT_EQ(engine.FramesReceived(), 1);
}

TEST_F(EngineTest, Faults) {
    const Bytes poll = MakeFrame(127, {0});
    const Bytes reply = MakeFrame(127, {1, 1});
    engine.SetFaults({.dropEvery = 2});
    EXPECT_EQ(Send(poll), reply);
    EXPECT_TRUE(Send(poll).empty());
    EXPECT_EQ(Send(poll), reply);

    engine.SetFaults({.corruptEvery = 2});
    EXPECT_EQ(Send(poll), reply);
    const Bytes bad = Send(poll);
    ASSERT_EQ(bad.size(), reply.size());
    EXPECT_NE(bad.back(), reply.back());

    engine.SetFaults({.refuseType = 1});
    EXPECT_EQ(Send(MakeFrame(1, {0, 3})), Ack(1, 1));
    EXPECT_NE(S().liveSystem.musicVolume, 3);

    const int seen = engine.FramesReceived();
    engine.SetFaults({.silentAfter = seen + 1});
    EXPECT_EQ(Send(poll), reply);
    EXPECT_TRUE(Send(poll).empty());
    EXPECT_EQ(engine.FramesReceived(), seen + 2);
}

TEST_F(EngineTest, TraceSeesEveryFrame) {
    std::vector<std::string> seen;
    engine.SetFrameObserver([&](int type, int index, int count) {
        seen.push_back(std::to_string(type) + "/" + std::to_string(index) + "/" + std::to_string(count));
    });
    Send(MakeFrame(3, {4, 1, 2, 3, 4, 5}));
    Send(MakeFrame(142, {2}));
    EXPECT_EQ(seen, (std::vector<std::string>{"3/4/8", "142/2/3"}));
}

TEST_F(EngineTest, LoadAllPresets) {
    EXPECT_FALSE(engine.LoadAllPresets(Bytes(1000)));
    auto store = std::make_unique<PresetStore>();
    ResetSystemBlock(store->head);
    store->head.musicVolume = 44;
    for (int n = 1; n <= kSlotCount; ++n) {
        FillDefaultProgram(store->Slot(n));
        store->Slot(n).mic1.level = static_cast<u8>(n);
        store->SlotSystem(n).bgmGain = static_cast<u8>(n);
    }
    const Bytes all = BytesOf(*store);
    ASSERT_TRUE(engine.LoadAllPresets(all));
    EXPECT_EQ(S().slots[20].mic1.level, 21);
    EXPECT_EQ(S().slotSystems[4].bgmGain, 5);
    EXPECT_EQ(S().liveSystem.musicVolume, 44);

    ASSERT_TRUE(engine.LoadAllPresets(std::span<const u8>(all.data(), kPresetHeadSize)));
    EXPECT_EQ(S().slotSystems[4].bgmGain, 0); // the older file: the head block in every slot
    EXPECT_EQ(S().slotSystems[4].musicVolume, 44);
}

} // namespace
} // namespace kel
