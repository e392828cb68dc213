// The application's change detector driving the emulated processor: after random edits and the frames
// they produce, the device holds the working copies in every field that has a short command.
#include "emulator/DeviceEngine.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <span>

namespace kel {
namespace {

// Compares every tabled field of the application's working copies with the engine's live state.
void ExpectDeviceFollows(Model& m, DeviceEngine& engine, int round) {
    DeviceState& s = engine.State();
    ASSERT_EQ(m.modeSelector.Block(), engine.OutputBlock()) << "round " << round;
    for (const ShortCommand& c : ShortCommands()) {
        const std::uint8_t* app = FieldBytes(c, m.image, m.system, m.modeSelector.Block());
        const std::uint8_t* dev = FieldBytes(c, s.live, s.liveSystem, engine.OutputBlock());
        unsigned mask = 0xFF;
        if (c.shape == FieldShape::LowNibble) {
            mask = 0x0F;
        } else if (c.shape == FieldShape::HighNibble) {
            mask = 0xF0;
        }
        for (int i = 0; i < c.size; ++i) {
            ASSERT_EQ(app[i] & mask, dev[i] & mask) << "round " << round << ": type " << int(c.type)
                                                    << " index " << int(c.index) << " byte " << i;
        }
    }
}

TEST(DetectorAgainstEngine, RandomEditsReachTheDevice) {
    ResetModel();
    Model& m = TheModel();
    DeviceEngine engine;
    // As after the initial read: the device's live state is what the application shows.
    engine.State().live = m.image;
    engine.State().liveSystem = m.system;
    CommitShadow(true);

    // The kind bytes of the crossover records tell high-pass from low-pass; edits keep them.
    std::vector<std::uint16_t> kindOffsets;
    for (const ShortCommand& c : ShortCommands()) {
        if (c.type == 4) {
            kindOffsets.push_back(c.offset);
        }
    }

    std::mt19937 rng(20240607);
    auto* image = reinterpret_cast<std::uint8_t*>(&m.image);
    auto* system = reinterpret_cast<std::uint8_t*>(&m.system);
    const int outputStart = offsetof(ProgramImage, out);
    int sent = 0;
    for (int round = 0; round < 300; ++round) {
        if (round % 7 == 3) {
            // A mode switch on its own, as the main output page makes it.
            m.image.outputMode = static_cast<u8>(rng() % 4);
        } else {
            const int edits = 1 + static_cast<int>(rng() % 8);
            OutputBlock& active = m.ActiveOutputBlock();
            const OutputBlock kinds = active;
            for (int e = 0; e < edits; ++e) {
                const std::uint8_t value = static_cast<std::uint8_t>(rng());
                switch (rng() % 3) {
                case 0: // anywhere before the output blocks
                    image[rng() % outputStart] = value;
                    break;
                case 1: // the block the pages edit now
                    reinterpret_cast<std::uint8_t*>(&active)[rng() % sizeof active] = value;
                    break;
                default:
                    system[rng() % sizeof m.system] = value;
                    break;
                }
            }
            for (int r = 0; r < kOutputRecords; ++r) {
                active.ch[r].hpf.kind = kinds.ch[r].hpf.kind;
                active.ch[r].lpf.kind = kinds.ch[r].lpf.kind;
            }
            for (std::uint16_t off : kindOffsets) {
                if (off < outputStart) {
                    image[off] = reinterpret_cast<const std::uint8_t*>(&m.shadow)[off];
                }
            }
            m.image.outputMode = m.shadow.outputMode; // mode switches come alone
        }
        int frames = 0;
        for (;; ++frames) {
            ASSERT_LT(frames, 500) << "the detector never went idle";
            DetectChange(TheModel());
            const FrameRecord& build = m.frames.Build();
            const std::vector<std::uint8_t> reply = engine.Receive(
                std::span<const std::uint8_t>(build.frame, static_cast<std::size_t>(build.Length())));
            ASSERT_GE(reply.size(), 7u);
            if (build.Type() == 12 || build.Type() == 24) {
                break;
            }
            ASSERT_EQ(reply[2], 3) << "type " << int(build.Type()) << " index " << int(build.Index());
            ASSERT_EQ(reply[5], 0) << "refused: type " << int(build.Type()) << " index "
                                   << int(build.Index());
        }
        sent += frames;
        ExpectDeviceFollows(m, engine, round);
    }
    EXPECT_GT(sent, 600); // the edits did reach the device frame by frame
}

} // namespace
} // namespace kel
