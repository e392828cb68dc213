// libFuzzer target: the USB link's receive step. Input reports (a count byte, then payload) are cut to
// their payload, collected as the bridge's reader does and handed to the parser as CUsbPort's receive
// step does, across a run of real requests.
#include "../ExchangeFuzz.h"

#include "transport/usb/BridgeBackend.h"
#include "transport/usb/ByteRing.h"
#include "transport/usb/Ch9326.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel;
    // Input: the first request, then reports, each as its length (0..64) and its bytes; a report's
    // own first byte counts its valid payload bytes.
    if (size < 1) {
        return 0;
    }
    fuzz::ReadyModel(TRANSPORT_USB);
    fuzz::NextRequest(TRANSPORT_USB, data[0]);
    auto received = std::make_unique<bridge::ByteRing<bridge::kReaderBufferBytes>>();
    std::array<std::uint8_t, 64> payload{};
    std::array<std::uint8_t, 2048> readBuffer{};
    std::size_t pos = 1;
    while (pos < size) {
        const std::size_t n = std::min<std::size_t>(data[pos] % 65, size - pos - 1);
        const int got = bridge::ReportPayload({data + pos + 1, n}, payload);
        received->Push(std::span(payload.data(), static_cast<std::size_t>(got)));
        pos += 1 + n;

        // The receive step: whatever is waiting, read in one piece.
        std::size_t length = std::min(received->Size(), readBuffer.size());
        length = received->Pop(std::span(readBuffer.data(), length));
        if (length == 0) {
            continue;
        }
        ImageLockGuard lock(ImageLock());
        const int accepted = TheProtocol().FeedBytes(TheModel(), TRANSPORT_USB, readBuffer.data(), static_cast<int>(length));
        if (TheModel().frames.usbRx.error) {
            ResetRecords(TRANSPORT_USB, false); // the transport fails; the next run starts afresh
        } else if (accepted) {
            received->Clear(); // CH9326ClearThreadData after an accepted reply
            fuzz::NextRequest(TRANSPORT_USB, static_cast<std::uint8_t>(data[0] + pos));
        }
    }
    fuzz::EndRun();
    return 0;
}
