// Program file layout.
#include "presets/ProgramFile.h"

#include <cstring>

namespace kel {

std::array<std::uint8_t, kProgramFileSize> SerializeProgramBytes(const SystemBlock& system,
                                                                 const ProgramImage& image) {
    std::array<std::uint8_t, kProgramFileSize> bytes{};
    std::memcpy(bytes.data(), &system, kSystemBlockSize);
    std::memcpy(bytes.data() + kSystemBlockSize, &image, kProgramImageSize);
    return bytes;
}

} // namespace kel
