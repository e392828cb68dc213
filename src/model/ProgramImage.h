// The 2712-byte program image: every parameter of one sound program, byte-exact as on the wire.
#pragma once

#include "model/Le16.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kel {

using u8 = std::uint8_t;

// Band types stored in EqBand::type.
enum BandType : u8 { BAND_BY = 0, BAND_P = 1, BAND_LS = 2, BAND_HS = 3 };
// Crossover kinds stored in FilterRecord::kind.
enum FilterKind : u8 { FILTER_HIGHPASS = 0, FILTER_LOWPASS = 1 };

// Bands of each kind of EQ collection: the one place these counts are written. The records below
// take their array sizes from here; the filter bank, the short-command table and the band defaults
// are tied to them.
inline constexpr int kMusicBands = 15;
inline constexpr int kMicBands = 20;
inline constexpr int kEffectBands = 7; // echo A, echo B, reverb and the auxiliary reverb
inline constexpr int kOutputBands = 10;
inline constexpr int kSecondEqBands = 5;
inline constexpr int kDynamicBands = 3;

#pragma pack(push, 1)

struct EqBand {
    Le16 freq; // frequency index 0..361
    u8 gain;   // 0..180, 120 = 0 dB
    u8 q;      // Q index 0..100
    u8 type;   // BandType
};

struct FilterRecord {
    u8 kind;   // FilterKind
    Le16 freq; // frequency index
    u8 slope;  // 0..12, see SlopeLabels
};

struct LimiterRecord {
    u8 level;
    u8 attack;
    u8 release;
    u8 ratio;
};

struct GateRecord {
    u8 threshold; // 0 = "OFF"
    u8 attack;
    u8 release;
};

struct ExciterRecord {
    Le16 freq;
    u8 harmonic; // 0..9
    u8 timbre;   // 0..9
};

struct DynamicEqBand {
    EqBand band; // gain limited to 60..180 by the page
    u8 limitLevel;
    u8 attack;
    u8 release;
    u8 ratio;
    u8 enable; // 1 from the defaults, changed by no page
};

struct EchoBlock {
    EqBand eq[kEffectBands];
    u8 bypass;
    u8 wet;
    u8 wetSign; // 0 plus, 1 minus
    u8 dry;
    u8 drySign;
    FilterRecord hpf;
    FilterRecord lpf;
    Le16 preDelay;      // 0.1 ms
    Le16 rightPreDelay; // 0..50
    Le16 delay;         // 0.1 ms, page index = value / 20
    Le16 rightDelay;    // 0..100, shown -50..+50 %
    u8 repeat;          // 0..90 %
};

struct ReverbBlock {
    EqBand eq[kEffectBands];
    u8 bypass;
    u8 wet;
    u8 wetSign;
    u8 dry;
    u8 drySign;
    FilterRecord hpf;
    FilterRecord lpf;
    Le16 preDelay; // 0.1 ms, page index = value / 20
    Le16 time;     // 0.1 ms, page index = value / 500
};
using AuxReverbBlock = ReverbBlock;

struct MicBlock {
    u8 level;    // 0..40, -10..+10 dB
    u8 feedback; // 0 "OFF", 1..4 "FB.EX1".."FB.EX4"
    LimiterRecord limiter;
    GateRecord gate;
    FilterRecord hpf;
    FilterRecord lpf;
    EqBand eq[kMicBands];
    u8 bypass;
    EqBand eq2[kSecondEqBands];
    u8 bypass2;
    ExciterRecord lowExciter;
    ExciterRecord highExciter;
    u8 reserved[5];
};

struct MusicBlock {
    LimiterRecord limiter; // the device follows Music Left's
    GateRecord gate;       // the device follows Music Left's
    FilterRecord hpf;
    FilterRecord lpf;
    EqBand eq[kMusicBands];
    u8 bypass;
    EqBand eq2[kSecondEqBands];
    u8 bypass2;
    FilterRecord mainHpf; // "MainMusic HPF"
    DynamicEqBand deq[kDynamicBands];
    ExciterRecord lowExciter;
    ExciterRecord highExciter;
    u8 reserved[5];
};

struct MixLevel {
    u8 level; // 0..200 %
    u8 on;    // switch, toggled by a two-state button
};

struct OutputChannel {
    u8 mute;
    MixLevel mix[5]; // Music, Mic, EchoA, EchoB, Reverb
    EqBand eq[kOutputBands];
    u8 bypass;
    LimiterRecord limiter;
    FilterRecord hpf;
    FilterRecord lpf;
    Le16 delay; // 0.1 ms, 0..1500
};

struct OutputBlock {
    OutputChannel ch[8]; // Main L, Main R, Center, SUB, Rear L, Rear R, Surround L, Surround R
};

struct ProgramImage {
    u8 name[20]; // ProgramName, blank padded
    EchoBlock echoA;
    EchoBlock echoB;
    ReverbBlock reverb;
    AuxReverbBlock auxReverb;
    MicBlock mic1;
    MicBlock mic2;
    u8 micSync;
    MusicBlock musicL;
    MusicBlock musicR;
    u8 musicSync;
    OutputBlock out[3]; // Sing, Disco, Decode
    u8 outputMode;      // 0 Auto, 1 Sing, 2 Disco, 3 Decode
    u8 outputLink[4];   // 2707 Main, 2708 unused, 2709 Rear, 2710 Surround
    u8 programSum;
};

#pragma pack(pop)

static_assert(sizeof(EqBand) == 5 && sizeof(FilterRecord) == 4 && sizeof(LimiterRecord) == 4);
static_assert(sizeof(GateRecord) == 3 && sizeof(ExciterRecord) == 4 && sizeof(DynamicEqBand) == 10);
static_assert(offsetof(EqBand, gain) == 2 && offsetof(EqBand, q) == 3 && offsetof(EqBand, type) == 4);
static_assert(offsetof(FilterRecord, freq) == 1 && offsetof(FilterRecord, slope) == 3);
static_assert(offsetof(DynamicEqBand, limitLevel) == 5 && offsetof(DynamicEqBand, enable) == 9);

static_assert(sizeof(EchoBlock) == 57);
static_assert(offsetof(EchoBlock, bypass) == 35 && offsetof(EchoBlock, wet) == 36);
static_assert(offsetof(EchoBlock, wetSign) == 37 && offsetof(EchoBlock, dry) == 38);
static_assert(offsetof(EchoBlock, drySign) == 39 && offsetof(EchoBlock, hpf) == 40);
static_assert(offsetof(EchoBlock, lpf) == 44 && offsetof(EchoBlock, preDelay) == 48);
static_assert(offsetof(EchoBlock, rightPreDelay) == 50 && offsetof(EchoBlock, delay) == 52);
static_assert(offsetof(EchoBlock, rightDelay) == 54 && offsetof(EchoBlock, repeat) == 56);

static_assert(sizeof(ReverbBlock) == 52);
static_assert(offsetof(ReverbBlock, bypass) == 35 && offsetof(ReverbBlock, wet) == 36);
static_assert(offsetof(ReverbBlock, drySign) == 39 && offsetof(ReverbBlock, hpf) == 40);
static_assert(offsetof(ReverbBlock, lpf) == 44 && offsetof(ReverbBlock, preDelay) == 48);
static_assert(offsetof(ReverbBlock, time) == 50);

static_assert(sizeof(MicBlock) == 157);
static_assert(offsetof(MicBlock, feedback) == 1 && offsetof(MicBlock, limiter) == 2);
static_assert(offsetof(MicBlock, gate) == 6 && offsetof(MicBlock, hpf) == 9 && offsetof(MicBlock, lpf) == 13);
static_assert(offsetof(MicBlock, eq) == 17 && offsetof(MicBlock, bypass) == 117);
static_assert(offsetof(MicBlock, eq2) == 118 && offsetof(MicBlock, bypass2) == 143);
static_assert(offsetof(MicBlock, lowExciter) == 144 && offsetof(MicBlock, highExciter) == 148);
static_assert(offsetof(MicBlock, reserved) == 152);

static_assert(sizeof(MusicBlock) == 164);
static_assert(offsetof(MusicBlock, gate) == 4 && offsetof(MusicBlock, hpf) == 7);
static_assert(offsetof(MusicBlock, lpf) == 11 && offsetof(MusicBlock, eq) == 15);
static_assert(offsetof(MusicBlock, bypass) == 90 && offsetof(MusicBlock, eq2) == 91);
static_assert(offsetof(MusicBlock, bypass2) == 116 && offsetof(MusicBlock, mainHpf) == 117);
static_assert(offsetof(MusicBlock, deq) == 121 && offsetof(MusicBlock, lowExciter) == 151);
static_assert(offsetof(MusicBlock, highExciter) == 155 && offsetof(MusicBlock, reserved) == 159);

static_assert(sizeof(OutputChannel) == 76 && sizeof(OutputBlock) == 608);
static_assert(offsetof(OutputChannel, mix) == 1 && offsetof(OutputChannel, eq) == 11);
static_assert(offsetof(OutputChannel, bypass) == 61 && offsetof(OutputChannel, limiter) == 62);
static_assert(offsetof(OutputChannel, hpf) == 66 && offsetof(OutputChannel, lpf) == 70);
static_assert(offsetof(OutputChannel, delay) == 74);

static_assert(sizeof(ProgramImage) == 2712);
static_assert(offsetof(ProgramImage, echoA) == 20 && offsetof(ProgramImage, echoB) == 77);
static_assert(offsetof(ProgramImage, reverb) == 134 && offsetof(ProgramImage, auxReverb) == 186);
static_assert(offsetof(ProgramImage, mic1) == 238 && offsetof(ProgramImage, mic2) == 395);
static_assert(offsetof(ProgramImage, micSync) == 552 && offsetof(ProgramImage, musicL) == 553);
static_assert(offsetof(ProgramImage, musicR) == 717 && offsetof(ProgramImage, musicSync) == 881);
static_assert(offsetof(ProgramImage, out) == 882 && offsetof(ProgramImage, out) + sizeof(OutputBlock) == 1490);
static_assert(offsetof(ProgramImage, out) + 2 * sizeof(OutputBlock) == 2098);
static_assert(offsetof(ProgramImage, outputMode) == 2706 && offsetof(ProgramImage, outputLink) == 2707);
static_assert(offsetof(ProgramImage, programSum) == 2711);
static_assert(std::is_trivially_copyable_v<ProgramImage> && alignof(ProgramImage) == 1);

inline constexpr std::size_t kProgramImageSize = sizeof(ProgramImage);
inline constexpr int kOutputRecords = 8;
inline constexpr int kOutputModes = 3;

// Output records in the record order of an OutputBlock.
enum OutputRecord : int { OUT_MAIN_L, OUT_MAIN_R, OUT_CENTER, OUT_SUB, OUT_REAR_L, OUT_REAR_R, OUT_SURR_L, OUT_SURR_R };

// Device channel order d of the mix-level indices: the record shown as device channel d.
inline constexpr int kDeviceChannelRecord[8] = {0, 2, 3, 4, 6, 1, 5, 7};
// d for each record r.
inline constexpr int kRecordDeviceChannel[8] = {0, 5, 1, 2, 3, 6, 4, 7};
// Index of mix level k of record r (types 2 and 11): 8..32 and 43..57.
constexpr int MixLevelIndex(int record, int k) {
    const int d = kRecordDeviceChannel[record];
    return d <= 4 ? 8 + 5 * d + k : 18 + 5 * d + k;
}
static_assert(MixLevelIndex(OUT_MAIN_R, 0) == 43 && MixLevelIndex(OUT_MAIN_R, 4) == 47);
static_assert(MixLevelIndex(OUT_MAIN_L, 0) == 8 && MixLevelIndex(OUT_SURR_R, 4) == 57);

} // namespace kel
