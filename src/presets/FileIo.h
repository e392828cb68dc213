// Whole-file reads and writes that never leave a half-written file behind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kel {

// Writes to a temporary file in the same folder, flushes it, then renames it over the target.
// On failure the target is untouched and `error` says why.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

// Reads the whole file; nullopt (with `error`) when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error);

} // namespace kel
