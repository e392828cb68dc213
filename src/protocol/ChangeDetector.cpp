// DetectChange: one short frame for the first field where the working model differs from the shadow.
#include "model/Model.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <array>
#include <cstring>

namespace kel {

namespace {

static_assert(static_cast<int>(FieldArea::Image) == 0 && static_cast<int>(FieldArea::Output) == 1 &&
              static_cast<int>(FieldArea::System) == 2);

// Whether the working bytes differ from the shadow, for the entry's shape.
bool Differs(const ShortCommand& cmd, const std::uint8_t* working, const std::uint8_t* shadow) {
    switch (cmd.shape) {
    case FieldShape::LowNibble:
        return ((working[0] ^ shadow[0]) & 0x0F) != 0;
    case FieldShape::HighNibble:
        return ((working[0] ^ shadow[0]) & 0xF0) != 0;
    default:
        break;
    }
    unsigned diff = 0; // fields are at most 10 bytes: a plain loop beats a library call
    for (int i = 0; i < cmd.size; ++i) {
        diff |= working[i] ^ shadow[i];
    }
    return diff != 0;
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

void PrepareNextFrame(Model& m, FrameRecord& tx) {
    CSendDataQueue& queue = TheProtocol().Queue();
    if (!queue.IsEmpty()) {
        queue.PopInto(tx);
        return;
    }
    DetectChange(m);
    if (&tx != &m.frames.Build()) { // the serial link's record is the build record itself
        tx = m.frames.Build();
    }
}

int ChangeFramesBuilt() {
    return g_changeFrames;
}

int DetectChange(Model& m) {
    FrameRecord& build = m.frames.Build();
    const int block = m.modeSelector.Block();
    build.frame[0] = 0xFF; // the header the transports send; a record reset never clears it
    build.frame[1] = 0x55;
    // Base of each FieldArea in the working and the shadow copies, for the block selected now.
    const std::array<std::uint8_t*, 3> working = {reinterpret_cast<std::uint8_t*>(&m.image),
                                                  reinterpret_cast<std::uint8_t*>(&m.image.out[block]),
                                                  reinterpret_cast<std::uint8_t*>(&m.system)};
    const std::array<std::uint8_t*, 3> shadow = {reinterpret_cast<std::uint8_t*>(&m.shadow),
                                                 reinterpret_cast<std::uint8_t*>(&m.shadow.out[block]),
                                                 reinterpret_cast<std::uint8_t*>(&m.shadowSystem)};
    for (const ShortCommand& cmd : ShortCommands()) {
        const auto area = static_cast<std::size_t>(cmd.area);
        const std::uint8_t* w = working[area] + cmd.offset;
        std::uint8_t* sh = shadow[area] + cmd.offset;
        if (!Differs(cmd, w, sh)) {
            continue;
        }
        // Pages write without the lock: read the field once, and send and shadow that same value.
        std::array<std::uint8_t, 16> value{};
        std::memcpy(value.data(), w, cmd.size);
        FillShortFrame(build, cmd, std::span<const std::uint8_t>(value.data(), cmd.size));
        UpdateShadow(cmd, value.data(), sh);
        ++g_changeFrames;
        return 1;
    }
    BuildPoll(m, build);
    return 1;
}

} // namespace kel
