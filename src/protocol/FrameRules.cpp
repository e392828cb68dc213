// Checksums and record resets of the frame format.
#include "model/Model.h"
#include "protocol/Protocol.h"

#include <cstring>

namespace kel {

std::uint8_t FrameSum(const std::uint8_t* frame, int count) {
    unsigned sum = 0;
    for (int i = 2; i <= count + 2; ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint8_t>(sum);
}

void BuildChecksum(FrameRecord& record) {
    const int count = record.Count();
    if (count < 1 || count > kMaxFrameCount) {
        return; // no builder makes such a frame; never write outside the frame area
    }
    const std::uint8_t sum = FrameSum(record.frame, count);
    record.frame[count + 3] = sum;
    record.checksumCopy = sum;
}

bool VerifyChecksum(const FrameRecord& record) {
    const int count = record.Count();
    if (count < 1 || count > kMaxFrameCount) {
        return false;
    }
    return FrameSum(record.frame, count) == record.checksumCopy;
}

void ResetRecords(int transport, bool both) {
    if (transport < TRANSPORT_SERIAL || transport > TRANSPORT_NET) {
        return;
    }
    FrameRecords& frames = TheModel().frames;
    FrameRecord& rx = frames.Rx(transport);
    FrameRecord& tx = frames.Tx(transport);
    std::memset(&rx, 0, sizeof rx);
    if (both) {
        std::memset(reinterpret_cast<std::uint8_t*>(&tx) + 4, 0, sizeof tx - 4); // header and count stay
    } else if (transport == TRANSPORT_NET) {
        tx.sendPos = 0;
        tx.netLastChunk = 0;
    }
}

} // namespace kel
