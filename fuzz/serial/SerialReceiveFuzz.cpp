// libFuzzer target: the serial link's framing. A device's bytes arrive in the pieces read() returns and
// go to the parser as CSerialPort's receive step hands them, across a run of real requests: a refused
// or corrupt reply is retried once, then the exchange is given up and the next request starts.
#include "../ExchangeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel;
    // Input: seed of the read sizes, first request, then the device's bytes.
    if (size < 2) {
        return 0;
    }
    fuzz::ReadyModel(TRANSPORT_SERIAL);
    const std::uint8_t seed = data[0];
    fuzz::NextRequest(TRANSPORT_SERIAL, data[1]);
    constexpr int kMaxReadFailures = 1;
    std::size_t pos = 2;
    std::size_t piece = 1 + seed % 32;
    while (pos < size) {
        const std::size_t n = std::min(piece, size - pos);
        ImageLockGuard lock(ImageLock());
        FrameRecord& rx = TheModel().frames.serialRx;
        const int accepted = TheProtocol().FeedBytes(TheModel(), TRANSPORT_SERIAL, data + pos, static_cast<int>(n));
        pos += n;
        piece = 1 + (piece * 41 + seed) % 600;
        if (accepted) {
            fuzz::NextRequest(TRANSPORT_SERIAL, static_cast<std::uint8_t>(seed ^ pos));
        } else if (rx.error) {
            const int failures = rx.failureCounter + 1;
            if (failures > kMaxReadFailures) {
                fuzz::NextRequest(TRANSPORT_SERIAL, static_cast<std::uint8_t>(seed + pos));
            } else {
                ResetRecords(TRANSPORT_SERIAL, false);
                rx.failureCounter = static_cast<std::uint8_t>(failures);
            }
        }
    }
    fuzz::EndRun();
    return 0;
}
