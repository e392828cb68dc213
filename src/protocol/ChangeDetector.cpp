// DetectChange: one short frame for the first field where the working model differs from the shadow.
#include "model/Model.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <array>
#include <cstring>

namespace kel {

namespace {

// Whether the value read from the working copy differs from the shadow, for the entry's shape.
bool Differs(const ShortCommand& cmd, const std::uint8_t* value, const std::uint8_t* shadow) {
    switch (cmd.shape) {
    case FieldShape::LowNibble:
        return ((value[0] ^ shadow[0]) & 0x0F) != 0;
    case FieldShape::HighNibble:
        return ((value[0] ^ shadow[0]) & 0xF0) != 0;
    default:
        return std::memcmp(value, shadow, cmd.size) != 0;
    }
}

// The shadow takes exactly the sent value (one nibble for the nibble shapes).
void UpdateShadow(const ShortCommand& cmd, const std::uint8_t* value, std::uint8_t* shadow) {
    switch (cmd.shape) {
    case FieldShape::LowNibble:
        shadow[0] = static_cast<std::uint8_t>((shadow[0] & 0xF0) | (value[0] & 0x0F));
        break;
    case FieldShape::HighNibble:
        shadow[0] = static_cast<std::uint8_t>((shadow[0] & 0x0F) | (value[0] & 0xF0));
        break;
    default:
        std::memcpy(shadow, value, cmd.size);
        break;
    }
}

void BuildPoll(Model& m, FrameRecord& build) {
    int& toggle = m.settings.meters.toggle;
    const int type = toggle != 0 ? CMD_POLL_SIGNALS : CMD_POLL_LEVELS;
    toggle = toggle != 0 ? 0 : 1;
    build.SetCount(kCountPlain);
    build.frame[4] = static_cast<std::uint8_t>(type);
    build.frame[kFrameOffsetIndex] = m.image.outputMode;
    build.sequence = 0;
    BuildChecksum(build);
}

int g_changeFrames = 0;

} // namespace

int ChangeFramesBuilt() { return g_changeFrames; }

int DetectChange() {
    Model& m = TheModel();
    FrameRecord& build = m.frames.Build();
    const int block = m.modeSelector.Block();
    std::array<std::uint8_t, 16> value{};
    for (const ShortCommand& cmd : ShortCommands()) {
        // Pages write without the lock: read the field once and use that value for frame and shadow.
        const std::uint8_t* working = FieldBytes(cmd, m.image, m.system, block);
        std::memcpy(value.data(), working, cmd.size);
        std::uint8_t* shadow = FieldBytes(cmd, m.shadow, m.shadowSystem, block);
        if (Differs(cmd, value.data(), shadow)) {
            FillShortFrame(build, cmd, std::span<const std::uint8_t>(value.data(), cmd.size));
            UpdateShadow(cmd, value.data(), shadow);
            ++g_changeFrames;
            return 1;
        }
    }
    BuildPoll(m, build);
    return 1;
}

} // namespace kel
