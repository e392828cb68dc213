// Whole-file reads and writes that never leave a half-written file behind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kel {

// Mode of a new file that holds passwords (program and all-presets files): the owner's only.
inline constexpr mode_t kPrivateFileMode = 0600;

// Writes to a temporary file in the target's folder, flushes it, then renames it over the target.
// A symlink is written through: its final target is the file replaced, and the link stays. An
// existing file keeps its mode and owner; a new one gets `newFileMode`.
// On failure the target is untouched and `error` says why.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error,
                         mode_t newFileMode = 0644);

// Why a read gave nothing.
enum class ReadFailure { None, Open, NotRegular, TooLarge, Read };

// Reads a whole regular file of at most `maxBytes` bytes. Only regular files are opened for reading
// (a FIFO or a device would block or never end), the size is checked before anything is read, and
// no more than `maxBytes` + 1 bytes are ever read (a file that grows meanwhile is refused too).
// nullopt with `error` (and `why`, when given) otherwise.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t maxBytes,
                                                       std::string& error, ReadFailure* why = nullptr);

} // namespace kel
