// libFuzzer target: random pieces fed to the receive parser, answering a random request.
#include "model/Model.h"
#include "model/Sections.h"
#include "protocol/Protocol.h"

#include <cstddef>
#include <cstdint>

namespace {

// Input layout: transport, request type, request index, flags, piece seed, then the received bytes.
constexpr std::size_t kControlBytes = 5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel;
    static const bool ready = [] {
        ResetModel();
        return true;
    }();
    (void)ready;
    if (size < kControlBytes) {
        return 0;
    }
    Model& m = TheModel();
    const int transport = 1 + data[0] % 3;
    m.settings.transportType = static_cast<TransportType>(transport);
    m.settings.meters.wanted = (data[3] & 1) != 0;
    m.settings.meters.ready = 1;
    ResetRecords(transport, true);
    FrameRecord& tx = m.frames.Tx(transport);
    tx.SetCount(3);
    tx.frame[4] = data[1];
    tx.frame[5] = data[2];
    tx.sequence = (data[3] & 2) ? data[2] : 0;
    tx.transferMarker = (data[3] & 4) ? 1 : 0;
    BuildChecksum(tx);

    const std::uint8_t seed = data[4];
    std::size_t pos = kControlBytes;
    std::size_t piece = 1 + seed % 64;
    while (pos < size) {
        const std::size_t n = piece < size - pos ? piece : size - pos;
        TheProtocol().FeedBytes(TheModel(), transport, data + pos, static_cast<int>(n));
        if (m.frames.Rx(transport).error != 0) {
            ResetRecords(transport, false); // as a transport does before a retry
        }
        pos += n;
        piece = 1 + (piece * 31 + seed) % 300;
    }
    return 0;
}
