// The 66-byte system block: master volumes and maxima, inputs, key control, passwords.
#pragma once

#include "model/ProgramImage.h"

namespace kel {

#pragma pack(push, 1)
struct SystemBlock {
    u8 currentSlot; // 0 none, 1..21
    u8 effectVolume; // bit 7 = mute, bits 0..6 = 0..70
    u8 micVolume;    // bit 7 = mute, bits 0..6 = 0..84
    u8 musicVolume;  // bit 7 = mute, bits 0..6 = 0..84
    u8 effectMax;
    u8 micMax;
    u8 musicMax;
    u8 rearMicPhantom; // 0 OFF, 1 ON
    u8 musicInput;     // 0 Auto, 1 VOD, 2 BGM, 3 COAX, 4 OPTI, 5 BT
    u8 keySen;         // high nibble "Key Control" 0..14, low nibble "VOD/BGM Sen" 0 L, 1 H
    u8 vodGain;
    u8 bgmGain;
    u8 coaxGain;
    u8 optiGain;
    u8 irControl; // 0 Disable, 1 Enable
    u8 panelPassword[4];
    u8 systemPassword[6];
    u8 reserved[41];
};
#pragma pack(pop)

static_assert(sizeof(SystemBlock) == 66);
static_assert(offsetof(SystemBlock, effectVolume) == 1 && offsetof(SystemBlock, musicVolume) == 3);
static_assert(offsetof(SystemBlock, effectMax) == 4 && offsetof(SystemBlock, musicMax) == 6);
static_assert(offsetof(SystemBlock, rearMicPhantom) == 7 && offsetof(SystemBlock, musicInput) == 8);
static_assert(offsetof(SystemBlock, keySen) == 9 && offsetof(SystemBlock, vodGain) == 10);
static_assert(offsetof(SystemBlock, optiGain) == 13 && offsetof(SystemBlock, irControl) == 14);
static_assert(offsetof(SystemBlock, panelPassword) == 15 && offsetof(SystemBlock, systemPassword) == 19);
static_assert(offsetof(SystemBlock, reserved) == 25);

inline constexpr std::size_t kSystemBlockSize = sizeof(SystemBlock);
inline constexpr u8 kMuteBit = 0x80;
inline constexpr u8 kVolumeMask = 0x7F;

inline int KeyControl(const SystemBlock& s) { return s.keySen >> 4; }
inline int VodBgmSen(const SystemBlock& s) { return s.keySen & 0x0F; }
inline void SetKeyControl(SystemBlock& s, int v) { s.keySen = static_cast<u8>((v << 4) | (s.keySen & 0x0F)); }
inline void SetVodBgmSen(SystemBlock& s, int v) { s.keySen = static_cast<u8>((s.keySen & 0xF0) | (v & 0x0F)); }

} // namespace kel
