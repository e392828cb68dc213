// libFuzzer target: random pieces fed to the emulated processor, with quiet gaps between some of them.
#include "emulator/DeviceEngine.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A fresh engine per input keeps runs independent; the first byte seeds the piece sizes.
    if (size < 1) {
        return 0;
    }
    auto engine = std::make_unique<kel::DeviceEngine>();
    const std::uint8_t seed = data[0];
    std::size_t pos = 1;
    std::size_t piece = 1 + seed % 64;
    while (pos < size) {
        const std::size_t n = piece < size - pos ? piece : size - pos;
        const std::vector<std::uint8_t> reply = engine->Receive({data + pos, n});
        if (!reply.empty() && (reply[0] != 0xFF || reply[1] != 0x55)) {
            __builtin_trap(); // every reply is a whole frame
        }
        if ((piece & 7) == 0) {
            engine->QuietGap();
        }
        pos += n;
        piece = 1 + (piece * 29 + seed) % 300;
    }
    return 0;
}
