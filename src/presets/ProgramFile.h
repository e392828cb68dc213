// Byte layouts of program files (.dia: system block + program image).
#pragma once

#include "model/Model.h"

#include <array>
#include <cstdint>

namespace kel {

inline constexpr std::size_t kProgramFileSize = kSystemBlockSize + kProgramImageSize; // 2778
static_assert(kProgramFileSize == 2778);

// The bytes of a program file for the given blocks.
std::array<std::uint8_t, kProgramFileSize> SerializeProgramBytes(const SystemBlock& system,
                                                                 const ProgramImage& image);

} // namespace kel
