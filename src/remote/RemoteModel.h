// What the remote control reads from and writes to the model: the same fields the main window's volume
// strips and the system page's recall use, so that the change detector and the command queue do the rest.
#pragma once

#include "model/Model.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel::remote {

enum class Strip : int { Music = 0, Mic = 1, Effect = 2 };
inline constexpr int kStripCount = 3;
inline constexpr int kMeterCount = 12;

// "music", "mic", "effect" ↔ Strip.
std::optional<Strip> StripNamed(std::string_view name);
std::string_view StripName(Strip s);
// The top of a strip's volume range (the window's slider range): 84, 84, 70.
int StripRange(Strip s);

struct StripState {
    int value = 0; // 0..range, without the mute bit
    bool muted = false;
    int max = 0; // the "... max volume" setting
    bool operator==(const StripState&) const = default;
};

// One consistent picture of what the page shows.
struct RemoteState {
    bool connected = false;
    bool busy = false;   // bulk frames queued or in flight (the initial read, a recall): edits wait
    int slot = 0;        // 0 none, 1..21
    std::string program; // the live program's name
    int mode = 1;        // the OutputMode byte: 0 Auto, 1 Sing, 2 Disco, 3 Decode
    std::array<StripState, kStripCount> strips{};
    std::array<std::string, kSlotCount> presets{};
    bool operator==(const RemoteState&) const = default;
};

struct Levels {
    std::array<std::uint8_t, kMeterCount> levels{};
    std::array<std::uint8_t, kMeterCount> signals{};
    bool operator==(const Levels&) const = default;
};

// Both read with ImageLock held by the caller.
RemoteState ReadState(const Model& m);
Levels ReadLevels(const Model& m);

enum class EditResult { Done, NotConnected, Busy };

// Each takes ImageLock. Values are checked by the caller (0..StripRange, slot 1..21). Each is refused
// (Busy) while bulk frames are queued or in flight: a system block read then would overwrite the edit.
// A new volume is clamped to the strip's maximum and is not muted, as the window's slider writes it.
EditResult SetVolume(Strip s, int value, int* stored);
EditResult SetMute(Strip s, bool muted);
// The system page's recall: the recall command, then a read of the live system block.
EditResult Recall(int slot);

} // namespace kel::remote
