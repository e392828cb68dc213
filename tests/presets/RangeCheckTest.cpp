// The range check of program and all-presets files: what we produce passes, and each kind of field out
// of range is named (an import's refusal is tested with the other imports).
#include "emulator/DeviceEngine.h"
#include "model/DataConver.h"
#include "model/RangeCheck.h"
#include "model/Sections.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace kel {
namespace {

std::vector<std::uint8_t> ProgramBytes(const SystemBlock& s, const ProgramImage& p) {
    const auto bytes = SerializeProgramBytes(s, p);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> StoreBytes(const PresetStore& store, std::size_t size = kPresetStoreSize) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&store);
    return {p, p + size};
}

// Every field at the top of the range its control allows: still in range.
void FillHighest(ProgramImage& p) {
    auto effect = [](auto& e, Conv volume) {
        for (EqBand& b : e.eq) {
            b = {};
            b.freq = kFreqIndexMax;
            b.gain = kGainIndexMax;
            b.q = kQIndexMax;
            b.type = BAND_HS;
        }
        e.wet = e.dry = static_cast<u8>(ConversionOf(volume).max);
        e.wetSign = e.drySign = e.bypass = 1;
        e.hpf.slope = e.lpf.slope = 12;
        e.hpf.freq = e.lpf.freq = kFreqIndexMax;
    };
    effect(p.echoA, Conv::EchoVolume);
    p.echoA.preDelay = static_cast<std::uint16_t>(ConversionOf(Conv::EchoPreDelay).max * kEchoPreDelayUnits);
    p.echoA.delay = static_cast<std::uint16_t>(ConversionOf(Conv::EchoDelay).max * kEchoDelayUnits);
    p.echoA.rightDelay = 100;
    p.echoA.repeat = 90;
    effect(p.reverb, Conv::ReverbVolume);
    p.reverb.preDelay = static_cast<std::uint16_t>(ConversionOf(Conv::ReverbPreDelay).max * kReverbPreDelayUnits);
    p.reverb.time = static_cast<std::uint16_t>(ConversionOf(Conv::ReverbTime).max * kReverbTimeUnits);
    p.mic1.level = 40;
    p.mic1.feedback = kFeedbackChoices - 1;
    p.mic1.gate = {60, 19, 7};
    p.mic1.limiter = {34, 19, 7, 40};
    p.mic1.highExciter.harmonic = p.mic1.highExciter.timbre = 9;
    p.musicL.deq[2].limitLevel = 60;
    p.out[2].ch[7].delay = 1500;
    p.out[2].ch[7].mix[4].level = 200;
    p.out[2].ch[7].limiter.level = 34;
    p.outputMode = kOutputModeChoices - 1;
    p.outputLink[3] = 1;
}

TEST(RangeCheck, WhatWeProducePasses) {
    ResetModel();
    Model& m = TheModel();
    EXPECT_EQ(CheckProgramFile(SerializeProgram()), std::nullopt) << "the start-up program";
    EXPECT_EQ(CheckSystem(m.system), std::nullopt);
    m.presets.head = m.system;
    for (int n = 1; n <= kSlotCount; ++n) {
        FillDefaultProgram(m.presets.Slot(n));
        ResetSystemBlock(m.presets.SlotSystem(n));
        m.presets.SlotSystem(n).currentSlot = static_cast<u8>(n);
    }
    EXPECT_EQ(CheckAllPresetsFile(SerializeAll()), std::nullopt) << "a set of start-up programs";
    // What the model holds before any device sent its presets: every byte zero.
    EXPECT_EQ(CheckAllPresetsFile(std::vector<std::uint8_t>(kPresetStoreSize)), std::nullopt);
    EXPECT_EQ(CheckAllPresetsFile(StoreBytes(m.presets, kOldAllPresetsFileSize)), std::nullopt);

    // The emulated processor's live program, every slot and system block, muted volumes included.
    auto engine = std::make_unique<DeviceEngine>();
    DeviceState& state = engine->State();
    state.liveSystem.musicVolume = kMuteBit | 84;
    EXPECT_EQ(CheckProgramFile(ProgramBytes(state.liveSystem, state.live)), std::nullopt);
    for (int n = 1; n <= kSlotCount; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        EXPECT_EQ(CheckProgram(state.slots[i]), std::nullopt) << "slot " << n;
        EXPECT_EQ(CheckSystem(state.slotSystems[i]), std::nullopt) << "slot " << n;
    }

    ProgramImage highest;
    FillDefaultProgram(highest);
    FillHighest(highest);
    EXPECT_EQ(CheckProgram(highest), std::nullopt) << CheckProgram(highest).value_or("");
}

TEST(RangeCheck, NamesTheFirstFieldOutOfRange) {
    struct Case {
        const char* expected;
        std::function<void(SystemBlock&, ProgramImage&)> spoil;
    };
    const Case cases[] = {
        {"musicL.eq[3].gain is 181, outside 0..180", [](auto&, auto& p) { p.musicL.eq[3].gain = 181; }},
        {"mic2.eq2[4].freq is 362, outside 0..361", [](auto&, auto& p) { p.mic2.eq2[4].freq = 362; }},
        {"echoB.eq[0].type is 4, outside 0..3", [](auto&, auto& p) { p.echoB.eq[0].type = 4; }},
        {"reverb.lpf.slope is 13, outside 0..12", [](auto&, auto& p) { p.reverb.lpf.slope = 13; }},
        {"auxReverb.hpf.kind is 2, outside 0..1", [](auto&, auto& p) { p.auxReverb.hpf.kind = 2; }},
        {"echoA.delay is 5001, outside 0..5000", [](auto&, auto& p) { p.echoA.delay = 5001; }},
        {"reverb.time is 50001, outside 0..50000", [](auto&, auto& p) { p.reverb.time = 50001; }},
        {"musicR.deq[1].band.q is 101, outside 0..100", [](auto&, auto& p) { p.musicR.deq[1].band.q = 101; }},
        {"musicR.deq[2].limitLevel is 61, outside 0..60", [](auto&, auto& p) { p.musicR.deq[2].limitLevel = 61; }},
        {"mic1.limiter.level is 35, outside 0..34", [](auto&, auto& p) { p.mic1.limiter.level = 35; }},
        {"mic1.feedback is 5, outside 0..4", [](auto&, auto& p) { p.mic1.feedback = 5; }},
        {"out[2].ch[7].delay is 1501, outside 0..1500", [](auto&, auto& p) { p.out[2].ch[7].delay = 1501; }},
        {"out[0].ch[1].mix[4].on is 2, outside 0..1", [](auto&, auto& p) { p.out[0].ch[1].mix[4].on = 2; }},
        {"outputMode is 4, outside 0..3", [](auto&, auto& p) { p.outputMode = 4; }},
        {"outputLink[3] is 255, outside 0..1", [](auto&, auto& p) { p.outputLink[3] = 255; }},
        {"system.currentSlot is 22, outside 0..21", [](auto& s, auto&) { s.currentSlot = 22; }},
        {"system.micVolume is 85, outside 0..84", [](auto& s, auto&) { s.micVolume = kMuteBit | 85; }},
        {"system.keyControl is 15, outside 0..14", [](auto& s, auto&) { s.keySen = 0xF0; }},
        {"system.musicInput is 6, outside 0..5", [](auto& s, auto&) { s.musicInput = 6; }},
        // Two fields out of range: the first in file order is named.
        {"system.irControl is 2, outside 0..1",
         [](auto& s, auto& p) { s.irControl = 2, p.echoA.repeat = 91; }},
    };
    for (const Case& c : cases) {
        SystemBlock system;
        ResetSystemBlock(system);
        ProgramImage image;
        FillDefaultProgram(image);
        c.spoil(system, image);
        EXPECT_EQ(CheckProgramFile(ProgramBytes(system, image)), std::string(c.expected));
    }

    // In an all-presets file: the slot or slot system block is named too, counted from 1.
    auto store = std::make_unique<PresetStore>();
    ResetSystemBlock(store->head);
    for (int n = 1; n <= kSlotCount; ++n) {
        FillDefaultProgram(store->Slot(n));
        ResetSystemBlock(store->SlotSystem(n));
    }
    store->Slot(21).musicL.gate.threshold = 61;
    EXPECT_EQ(CheckAllPresetsFile(StoreBytes(*store)), "slot 21.musicL.gate.threshold is 61, outside 0..60");
    store->Slot(21).musicL.gate.threshold = 0;
    store->SlotSystem(3).bgmGain = 41;
    EXPECT_EQ(CheckAllPresetsFile(StoreBytes(*store)), "slotSystem 3.bgmGain is 41, outside 0..40");
    // The older layout has no slot system blocks.
    EXPECT_EQ(CheckAllPresetsFile(StoreBytes(*store, kOldAllPresetsFileSize)), std::nullopt);
    EXPECT_EQ(CheckAllPresetsFile(std::vector<std::uint8_t>(100)), "the file has 100 bytes");
    EXPECT_EQ(CheckProgramFile(std::vector<std::uint8_t>(kProgramFileSize + 1)), "the file has 2779 bytes");
}

} // namespace
} // namespace kel
