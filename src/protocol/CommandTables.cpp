// The short-command table, built once at compile time from the image and system block layouts.
#include "protocol/CommandTables.h"

#include "protocol/Protocol.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace kel {

namespace {

constexpr std::size_t kMaxCommands = 448;

// Offsets of the sections and records the table addresses.
constexpr int kEchoA = offsetof(ProgramImage, echoA);
constexpr int kEchoB = offsetof(ProgramImage, echoB);
constexpr int kReverb = offsetof(ProgramImage, reverb);
constexpr int kMic1 = offsetof(ProgramImage, mic1);
constexpr int kMic2 = offsetof(ProgramImage, mic2);
constexpr int kMusicL = offsetof(ProgramImage, musicL);
constexpr int kMusicR = offsetof(ProgramImage, musicR);
constexpr int kBand = sizeof(EqBand);
constexpr int kDeqBand = sizeof(DynamicEqBand);
constexpr int Record(int r) {
    return r * static_cast<int>(sizeof(OutputChannel));
}

// Records 0, 2, 3, 4, 6 carry limiters 2..6.
constexpr std::array<int, 5> kLimitedRecords = {OUT_MAIN_L, OUT_CENTER, OUT_SUB, OUT_REAR_L, OUT_SURR_L};

struct TableBuilder {
    std::array<ShortCommand, kMaxCommands> items{};
    std::size_t n = 0;

    constexpr void Add(int type, int index, int count, FieldArea area, FieldShape shape, int offset,
                       int size) {
        items[n++] = ShortCommand{static_cast<std::uint8_t>(type),
                                  static_cast<std::uint8_t>(index),
                                  static_cast<std::uint8_t>(count),
                                  area,
                                  shape,
                                  static_cast<std::uint16_t>(offset),
                                  static_cast<std::uint8_t>(size)};
    }
    constexpr void Image(int type, int index, int count, int offset, int size) {
        Add(type, index, count, FieldArea::Image, FieldShape::Payload, offset, size);
    }
    constexpr void Output(int type, int index, int count, int offset, int size) {
        Add(type, index, count, FieldArea::Output, FieldShape::Payload, offset, size);
    }
    constexpr void System(int type, int index, int count, int offset) {
        Add(type, index, count, FieldArea::System, FieldShape::Payload, offset, 1);
    }
    // Bands of one EQ with consecutive indices.
    constexpr int Bands(int firstIndex, int offset, int bands) {
        for (int i = 0; i < bands; ++i) {
            Image(CMD_EQ_BAND, firstIndex + i, 8, offset + i * kBand, kBand);
        }
        return firstIndex + bands;
    }
};

constexpr TableBuilder BuildTable() {
    TableBuilder t;

    // 1. Master volumes: system bytes 1, 2, 3 as indices 2, 1, 0.
    t.System(CMD_MASTER_VOLUME, 2, 4, offsetof(SystemBlock, effectVolume));
    t.System(CMD_MASTER_VOLUME, 1, 4, offsetof(SystemBlock, micVolume));
    t.System(CMD_MASTER_VOLUME, 0, 4, offsetof(SystemBlock, musicVolume));

    // 2. Levels and their switches: the effects, then the mix levels by device channel.
    for (int e = 0; e < 2; ++e) {
        const int base = e == 0 ? kEchoA : kEchoB;
        const int i = 3 * e;
        t.Image(CMD_LEVEL, i, 4, base + offsetof(EchoBlock, repeat), 1);
        t.Image(CMD_LEVEL, i + 1, 4, base + offsetof(EchoBlock, wet), 1);
        t.Image(CMD_SWITCH, i + 1, 4, base + offsetof(EchoBlock, wetSign), 1);
        t.Image(CMD_LEVEL, i + 2, 4, base + offsetof(EchoBlock, dry), 1);
        t.Image(CMD_SWITCH, i + 2, 4, base + offsetof(EchoBlock, drySign), 1);
    }
    t.Image(CMD_LEVEL, 6, 4, kReverb + offsetof(ReverbBlock, wet), 1);
    t.Image(CMD_LEVEL, 7, 4, kReverb + offsetof(ReverbBlock, dry), 1);
    t.Image(CMD_SWITCH, 6, 4, kReverb + offsetof(ReverbBlock, wetSign), 1);
    t.Image(CMD_SWITCH, 7, 4, kReverb + offsetof(ReverbBlock, drySign), 1);
    for (int d = 0; d < kOutputRecords; ++d) {
        const int r = kDeviceChannelRecord[d];
        const int mix = Record(r) + offsetof(OutputChannel, mix);
        for (int k = 0; k < 5; ++k) {
            t.Output(CMD_LEVEL, MixLevelIndex(r, k), 4,
                     mix + k * sizeof(MixLevel) + offsetof(MixLevel, level), 1);
        }
        for (int k = 0; k < 5; ++k) {
            t.Output(CMD_SWITCH, MixLevelIndex(r, k), 4, mix + k * sizeof(MixLevel) + offsetof(MixLevel, on),
                     1);
        }
    }

    // 3. EQ bands 0..190.
    int band = 0;
    band = t.Bands(band, kMusicL + offsetof(MusicBlock, eq), kMusicBands);
    band = t.Bands(band, kMusicL + offsetof(MusicBlock, eq2), kSecondEqBands);
    band = t.Bands(band, kMusicR + offsetof(MusicBlock, eq), kMusicBands);
    band = t.Bands(band, kMusicR + offsetof(MusicBlock, eq2), kSecondEqBands);
    band = t.Bands(band, kMic1 + offsetof(MicBlock, eq), kMicBands);
    band = t.Bands(band, kMic1 + offsetof(MicBlock, eq2), kSecondEqBands);
    band = t.Bands(band, kMic2 + offsetof(MicBlock, eq), kMicBands);
    band = t.Bands(band, kMic2 + offsetof(MicBlock, eq2), kSecondEqBands);
    band = t.Bands(band, kEchoA + offsetof(EchoBlock, eq), kEffectBands);
    band = t.Bands(band, kReverb + offsetof(ReverbBlock, eq), kEffectBands);
    band = t.Bands(band, kEchoB + offsetof(EchoBlock, eq), kEffectBands);
    for (int r = 0; r < kOutputRecords; ++r) {
        for (int i = 0; i < kOutputBands; ++i) {
            t.Output(CMD_EQ_BAND, band++, 8, Record(r) + offsetof(OutputChannel, eq) + i * kBand, kBand);
        }
    }

    // 4. Crossovers: the high-pass record of each index, then its low-pass record.
    constexpr int kF = sizeof(FilterRecord);
    const std::array<std::array<int, 2>, 7> pairs = {{
        {kMusicL + static_cast<int>(offsetof(MusicBlock, hpf)),
         kMusicL + static_cast<int>(offsetof(MusicBlock, lpf))},
        {kMusicR + static_cast<int>(offsetof(MusicBlock, hpf)),
         kMusicR + static_cast<int>(offsetof(MusicBlock, lpf))},
        {kMic1 + static_cast<int>(offsetof(MicBlock, hpf)),
         kMic1 + static_cast<int>(offsetof(MicBlock, lpf))},
        {kMic2 + static_cast<int>(offsetof(MicBlock, hpf)),
         kMic2 + static_cast<int>(offsetof(MicBlock, lpf))},
        {kEchoA + static_cast<int>(offsetof(EchoBlock, hpf)),
         kEchoA + static_cast<int>(offsetof(EchoBlock, lpf))},
        {kReverb + static_cast<int>(offsetof(ReverbBlock, hpf)),
         kReverb + static_cast<int>(offsetof(ReverbBlock, lpf))},
        {kEchoB + static_cast<int>(offsetof(EchoBlock, hpf)),
         kEchoB + static_cast<int>(offsetof(EchoBlock, lpf))},
    }};
    for (int i = 0; i < 7; ++i) {
        t.Image(CMD_CROSSOVER, i, 7, pairs[i][0], kF);
        t.Image(CMD_CROSSOVER, i, 7, pairs[i][1], kF);
    }
    for (int r = 0; r < kOutputRecords; ++r) {
        t.Output(CMD_CROSSOVER, 7 + r, 7, Record(r) + offsetof(OutputChannel, hpf), kF);
        t.Output(CMD_CROSSOVER, 7 + r, 7, Record(r) + offsetof(OutputChannel, lpf), kF);
    }
    t.Image(CMD_CROSSOVER, 15, 7, kMusicL + offsetof(MusicBlock, mainHpf), kF);
    t.Image(CMD_CROSSOVER, 16, 7, kMusicR + offsetof(MusicBlock, mainHpf), kF);

    // 5. Delays.
    for (int e = 0; e < 2; ++e) {
        const int base = e == 0 ? kEchoA : kEchoB;
        t.Image(CMD_DELAY, 4 * e, 5, base + offsetof(EchoBlock, preDelay), 2);
        t.Image(CMD_DELAY, 4 * e + 1, 5, base + offsetof(EchoBlock, rightPreDelay), 2);
        t.Image(CMD_DELAY, 4 * e + 2, 5, base + offsetof(EchoBlock, delay), 2);
        t.Image(CMD_DELAY, 4 * e + 3, 5, base + offsetof(EchoBlock, rightDelay), 2);
    }
    t.Image(CMD_DELAY, 8, 5, kReverb + offsetof(ReverbBlock, preDelay), 2);
    t.Image(CMD_DELAY, 9, 5, kReverb + offsetof(ReverbBlock, time), 2);
    for (int r = 0; r < kOutputRecords; ++r) {
        t.Output(CMD_DELAY, 10 + r, 5, Record(r) + offsetof(OutputChannel, delay), 2);
    }

    // 6. Limiters.
    constexpr int kL = sizeof(LimiterRecord);
    t.Image(CMD_LIMITER, 0, 7, kMic1 + offsetof(MicBlock, limiter), kL);
    t.Image(CMD_LIMITER, 1, 7, kMic2 + offsetof(MicBlock, limiter), kL);
    for (std::size_t i = 0; i < kLimitedRecords.size(); ++i) {
        t.Output(CMD_LIMITER, 2 + static_cast<int>(i), 7,
                 Record(kLimitedRecords[i]) + offsetof(OutputChannel, limiter), kL);
    }
    t.Image(CMD_LIMITER, 7, 7, kMusicL + offsetof(MusicBlock, limiter), kL);

    // 7. Output Mute bytes.
    for (int r = 0; r < kOutputRecords; ++r) {
        t.Output(CMD_MUTE, r, 5, Record(r) + offsetof(OutputChannel, mute), 1);
    }

    // 8. Gains: the sensitivity nibble, the two microphone levels, the four input gains.
    t.Add(CMD_GAIN, 0, 4, FieldArea::System, FieldShape::LowNibble, offsetof(SystemBlock, keySen), 1);
    t.Image(CMD_GAIN, 1, 4, kMic1 + offsetof(MicBlock, level), 1);
    t.Image(CMD_GAIN, 2, 4, kMic2 + offsetof(MicBlock, level), 1);
    for (int i = 0; i < 4; ++i) {
        t.System(CMD_GAIN, 3 + i, 4, offsetof(SystemBlock, vodGain) + i);
    }

    // 9. EQ bypass flags.
    t.Image(CMD_BYPASS, 0, 4, kMusicL + offsetof(MusicBlock, bypass), 1);
    t.Image(CMD_BYPASS, 1, 4, kMusicL + offsetof(MusicBlock, bypass2), 1);
    t.Image(CMD_BYPASS, 2, 4, kMusicR + offsetof(MusicBlock, bypass), 1);
    t.Image(CMD_BYPASS, 3, 4, kMusicR + offsetof(MusicBlock, bypass2), 1);
    t.Image(CMD_BYPASS, 4, 4, kMic1 + offsetof(MicBlock, bypass), 1);
    t.Image(CMD_BYPASS, 5, 4, kMic1 + offsetof(MicBlock, bypass2), 1);
    t.Image(CMD_BYPASS, 6, 4, kMic2 + offsetof(MicBlock, bypass), 1);
    t.Image(CMD_BYPASS, 7, 4, kMic2 + offsetof(MicBlock, bypass2), 1);
    t.Image(CMD_BYPASS, 8, 4, kEchoA + offsetof(EchoBlock, bypass), 1);
    t.Image(CMD_BYPASS, 9, 4, kReverb + offsetof(ReverbBlock, bypass), 1);
    t.Image(CMD_BYPASS, 10, 4, kEchoB + offsetof(EchoBlock, bypass), 1);
    for (int r = 0; r < kOutputRecords; ++r) {
        t.Output(CMD_BYPASS, 11 + r, 4, Record(r) + offsetof(OutputChannel, bypass), 1);
    }

    // 10. Link flags.
    t.Image(CMD_LINK, 0, 4, offsetof(ProgramImage, micSync), 1);
    t.Image(CMD_LINK, 1, 4, offsetof(ProgramImage, musicSync), 1);
    for (int i = 0; i < 4; ++i) {
        t.Image(CMD_LINK, 2 + i, 4, offsetof(ProgramImage, outputLink) + i, 1);
    }

    // 11. Dynamic-EQ bands.
    for (int i = 0; i < kDynamicBands; ++i) {
        t.Image(CMD_DYNAMIC_EQ, i, 13, kMusicL + offsetof(MusicBlock, deq) + i * kDeqBand, kDeqBand);
    }
    for (int i = 0; i < kDynamicBands; ++i) {
        t.Image(CMD_DYNAMIC_EQ, kDynamicBands + i, 13, kMusicR + offsetof(MusicBlock, deq) + i * kDeqBand,
                kDeqBand);
    }

    // 12. Feedback modes.
    t.Add(CMD_FEEDBACK, 0, 5, FieldArea::Image, FieldShape::Feedback, kMic1 + offsetof(MicBlock, feedback),
          1);
    t.Add(CMD_FEEDBACK, 1, 5, FieldArea::Image, FieldShape::Feedback, kMic2 + offsetof(MicBlock, feedback),
          1);

    // 13, 14. Key control (high nibble of byte 9) and music input, both in the index byte.
    t.Add(CMD_KEY_CONTROL, 0, 5, FieldArea::System, FieldShape::HighNibble, offsetof(SystemBlock, keySen), 1);
    t.Add(CMD_MUSIC_INPUT, 0, 3, FieldArea::System, FieldShape::InIndex, offsetof(SystemBlock, musicInput),
          1);

    // 15. Noise gates.
    constexpr int kG = sizeof(GateRecord);
    t.Add(CMD_NOISE_GATE, 0, 7, FieldArea::Image, FieldShape::Gate, kMic1 + offsetof(MicBlock, gate), kG);
    t.Add(CMD_NOISE_GATE, 1, 7, FieldArea::Image, FieldShape::Gate, kMic2 + offsetof(MicBlock, gate), kG);
    t.Add(CMD_NOISE_GATE, 2, 7, FieldArea::Image, FieldShape::Gate, kMusicL + offsetof(MusicBlock, gate), kG);

    // 16. Exciters: the four high exciters, then the four low ones.
    constexpr int kX = sizeof(ExciterRecord);
    const std::array<int, 8> exciters = {
        kMusicL + static_cast<int>(offsetof(MusicBlock, highExciter)),
        kMusicR + static_cast<int>(offsetof(MusicBlock, highExciter)),
        kMic1 + static_cast<int>(offsetof(MicBlock, highExciter)),
        kMic2 + static_cast<int>(offsetof(MicBlock, highExciter)),
        kMusicL + static_cast<int>(offsetof(MusicBlock, lowExciter)),
        kMusicR + static_cast<int>(offsetof(MusicBlock, lowExciter)),
        kMic1 + static_cast<int>(offsetof(MicBlock, lowExciter)),
        kMic2 + static_cast<int>(offsetof(MicBlock, lowExciter)),
    };
    for (int i = 0; i < 8; ++i) {
        t.Add(CMD_EXCITER, i, 13, FieldArea::Image, FieldShape::Exciter, exciters[i], kX);
    }

    // 17. Maxima: bytes 6, 5, 4 as indices 0, 1, 2.
    t.System(CMD_MAXIMUM, 0, 4, offsetof(SystemBlock, musicMax));
    t.System(CMD_MAXIMUM, 1, 4, offsetof(SystemBlock, micMax));
    t.System(CMD_MAXIMUM, 2, 4, offsetof(SystemBlock, effectMax));

    // 18..20. Values in the index byte.
    t.Add(CMD_PHANTOM, 0, 3, FieldArea::System, FieldShape::InIndex, offsetof(SystemBlock, rearMicPhantom),
          1);
    t.Add(CMD_IR_CONTROL, 0, 3, FieldArea::System, FieldShape::InIndex, offsetof(SystemBlock, irControl), 1);
    t.Add(CMD_OUTPUT_MODE, 0, 3, FieldArea::Image, FieldShape::InIndex, offsetof(ProgramImage, outputMode),
          1);
    return t;
}

constexpr TableBuilder kTable = BuildTable();
// 3 + 94 + 191 + 32 + 18 + 8 + 8 + 7 + 19 + 6 + 6 + 2 + 1 + 1 + 3 + 8 + 3 + 3 entries.
static_assert(kTable.n == 413);

constexpr bool ValueInIndex(FieldShape s) {
    return s == FieldShape::InIndex || s == FieldShape::HighNibble;
}

} // namespace

std::span<const ShortCommand> ShortCommands() {
    return {kTable.items.data(), kTable.n};
}

const ShortCommand* FindShortCommand(int type, int index, int kindByte) {
    const std::span<const ShortCommand> all = ShortCommands();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const ShortCommand& c = all[i];
        if (c.type != type || (!ValueInIndex(c.shape) && c.index != index)) {
            continue;
        }
        // A crossover index with a high-pass and a low-pass record: the kind byte tells them apart.
        if (i + 1 < all.size() && all[i + 1].type == type && all[i + 1].index == c.index &&
            kindByte == FILTER_LOWPASS) {
            return &all[i + 1];
        }
        return &c;
    }
    return nullptr;
}

std::uint8_t* FieldBytes(const ShortCommand& cmd, ProgramImage& image, SystemBlock& system, int outputBlock) {
    switch (cmd.area) {
    case FieldArea::Image:
        return reinterpret_cast<std::uint8_t*>(&image) + cmd.offset;
    case FieldArea::Output:
        return reinterpret_cast<std::uint8_t*>(
                   &image.out[outputBlock >= 0 && outputBlock < kOutputModes ? outputBlock : 0]) +
               cmd.offset;
    case FieldArea::System:
        return reinterpret_cast<std::uint8_t*>(&system) + cmd.offset;
    }
    return reinterpret_cast<std::uint8_t*>(&system) + cmd.offset;
}

void FillShortFrame(FrameRecord& record, const ShortCommand& cmd, std::span<const std::uint8_t> value) {
    std::uint8_t* f = record.frame;
    record.SetCount(cmd.count);
    // The record is reused frame after frame (the network and USB links copy it whole): nothing of
    // the previous frame may travel in a byte this shape leaves unassigned.
    std::memset(f + kFrameOffsetIndex, 0, static_cast<std::size_t>(cmd.count) - 1);
    f[4] = cmd.type;
    f[kFrameOffsetIndex] = cmd.index;
    std::uint8_t* body = f + kFrameOffsetPayload;
    switch (cmd.shape) {
    case FieldShape::Payload:
        std::memcpy(body, value.data(), cmd.size);
        break;
    case FieldShape::InIndex:
        f[kFrameOffsetIndex] = value[0];
        break;
    case FieldShape::HighNibble:
        f[kFrameOffsetIndex] = static_cast<std::uint8_t>(value[0] >> 4);
        body[0] = 0;
        break;
    case FieldShape::LowNibble:
        body[0] = static_cast<std::uint8_t>(value[0] & 0x0F);
        break;
    case FieldShape::Feedback:
        body[0] = 0;
        body[1] = value[0];
        break;
    case FieldShape::Gate:
        std::memcpy(body, value.data(), sizeof(GateRecord));
        body[sizeof(GateRecord)] = value[offsetof(GateRecord, threshold)] != 0 ? 1 : 0;
        break;
    case FieldShape::Exciter:
        body[0] =
            value[offsetof(ExciterRecord, harmonic)] != 0 || value[offsetof(ExciterRecord, timbre)] != 0;
        std::memcpy(body + 1, value.data(), sizeof(ExciterRecord));
        break;
    }
    BuildChecksum(record);
}

void ApplyShortFrame(const std::uint8_t* frame, const ShortCommand& cmd, std::uint8_t* field) {
    const std::uint8_t* body = frame + kFrameOffsetPayload;
    switch (cmd.shape) {
    case FieldShape::Payload:
        std::memcpy(field, body, cmd.size);
        break;
    case FieldShape::InIndex:
        field[0] = frame[kFrameOffsetIndex];
        break;
    case FieldShape::HighNibble:
        field[0] = static_cast<std::uint8_t>((field[0] & 0x0F) | ((frame[kFrameOffsetIndex] & 0x0F) << 4));
        break;
    case FieldShape::LowNibble:
        field[0] = static_cast<std::uint8_t>((field[0] & 0xF0) | (body[0] & 0x0F));
        break;
    case FieldShape::Feedback:
        field[0] = body[1];
        break;
    case FieldShape::Gate:
        std::memcpy(field, body, sizeof(GateRecord));
        break;
    case FieldShape::Exciter:
        std::memcpy(field, body + 1, sizeof(ExciterRecord));
        break;
    }
}

} // namespace kel
