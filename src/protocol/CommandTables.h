// The short commands: for every type and index, where its field lives and how it travels in a frame.
// The change detector scans this table in order; the emulated processor applies frames through it.
#pragma once

#include "model/ProgramImage.h"
#include "model/SystemBlock.h"
#include "protocol/FrameRecord.h"

#include <cstdint>
#include <span>

namespace kel {

// Command types of the device protocol.
enum CommandType : int {
    CMD_MASTER_VOLUME = 1,
    CMD_LEVEL = 2,
    CMD_EQ_BAND = 3,
    CMD_CROSSOVER = 4,
    CMD_DELAY = 5,
    CMD_FEEDBACK = 6,
    CMD_LIMITER = 7,
    CMD_MUTE = 8,
    CMD_KEY_CONTROL = 9,
    CMD_NOISE_GATE = 10,
    CMD_SWITCH = 11,
    CMD_POLL_LEVELS = 12,
    CMD_MUSIC_INPUT = 13,
    CMD_DYNAMIC_EQ = 17,
    CMD_EXCITER = 18,
    CMD_GAIN = 19,
    CMD_BYPASS = 20,
    CMD_POLL_SIGNALS = 24,
    CMD_IDENTIFY = 127,
    CMD_READ_NAME = 128,
    CMD_READ_SYSTEM = 129,
    CMD_READ_PROGRAM = 130,
    CMD_WRITE_SYSTEM = 131,
    CMD_WRITE_PROGRAM = 132,
    CMD_RECALL = 133,
    CMD_STORE = 134,
    CMD_LINK = 135,
    CMD_MAXIMUM = 137,
    CMD_PHANTOM = 138,
    CMD_IR_CONTROL = 139,
    CMD_SYSTEM_PASSWORD = 140,
    CMD_PANEL_PASSWORD = 141,
    CMD_OUTPUT_MODE = 142,
};

// Frame counts of the bulk commands and the replies (count = bytes after the count field).
inline constexpr int kCountPlain = 3;                            // type, index, checksum
inline constexpr int kCountWriteSystem = 3 + kSystemBlockSize;   // 69
inline constexpr int kCountWriteProgram = 3 + kProgramImageSize; // 2715
inline constexpr int kCountStore = 3 + 20;                       // 23
inline constexpr int kCountSystemPassword = 2 + 12;              // 14: old and new, no index
inline constexpr int kCountPanelPassword = 2 + 8;                // 10
inline constexpr int kCountMeterReply = 2 + 12;                  // 14
inline constexpr int kCountIdentifyReply = 2 + 2;                // 4
inline constexpr int kCountNameReply = 3 + 20;                   // 23: slot, name
inline constexpr int kCountSystemReply = 2 + kSystemBlockSize;   // 68: block, no slot
inline constexpr int kCountProgramReply = 3 + kProgramImageSize; // 2715: slot, program
inline constexpr int kFrameOffsetIndex = 5;
inline constexpr int kFrameOffsetPayload = 6;
inline constexpr int kMeterBytes = 12;
static_assert(kCountWriteProgram == 2715 && kCountWriteSystem == 69);

// Where a short command's field lives.
enum class FieldArea : std::uint8_t {
    Image,  // offset in the ProgramImage
    Output, // offset in the OutputBlock the mode selects at the moment of the call
    System, // offset in the SystemBlock
};

// How the field travels in the frame.
enum class FieldShape : std::uint8_t {
    Payload,    // index, then the field's bytes from offset 6
    InIndex,    // the byte travels in the index position; no payload
    HighNibble, // the high nibble travels in the index position; offset 6 = 0
    LowNibble,  // index, then the low nibble as the 1-byte payload
    Feedback,   // index, offset 6 = 0, offset 7 = the byte
    Gate,       // index, the 3-byte GateRecord, then 1 if its threshold is non-zero
    Exciter,    // index, 1 if harmonic or timbre is non-zero, then the 4-byte ExciterRecord
};

struct ShortCommand {
    std::uint8_t type;
    std::uint8_t index; // unused for InIndex and HighNibble (the value travels there)
    std::uint8_t count;
    FieldArea area;
    FieldShape shape;
    std::uint16_t offset;
    std::uint8_t size;
};

// Every short command in the change detector's scanning order (meter polls excluded).
std::span<const ShortCommand> ShortCommands();

// The entry a received short frame addresses; for a crossover index with two records the kind byte
// (offset 6) picks the low-pass record when it is 1. nullptr for anything the table does not hold.
const ShortCommand* FindShortCommand(int type, int index, int kindByte);

// The field bytes of an entry inside a program image and system block; outputBlock is 0..2.
std::uint8_t* FieldBytes(const ShortCommand& cmd, ProgramImage& image, SystemBlock& system, int outputBlock);

// Builds the frame of an entry carrying `value` (the field's bytes), checksum included. Body bytes the
// shape does not assign are 0, whatever frame the record held before.
void FillShortFrame(FrameRecord& record, const ShortCommand& cmd, std::span<const std::uint8_t> value);
// The field bytes a received frame carries for an entry, written into `field` (size bytes; the nibble
// shapes merge into the byte already there).
void ApplyShortFrame(const std::uint8_t* frame, const ShortCommand& cmd, std::uint8_t* field);

// The output block the mode byte selects for a device that has no remembered mode: Sing while Auto.
constexpr int OutputBlockOfMode(int mode) {
    return mode >= 1 && mode <= 3 ? mode - 1 : 0;
}

} // namespace kel
