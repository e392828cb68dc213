// Checksums and record resets of the frame format.
#include "model/Model.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <cstring>

namespace kel {

std::uint8_t FrameSum(const std::uint8_t* frame, int count) {
    unsigned sum = 0;
    for (int i = 2; i <= count + 2; ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint8_t>(sum);
}

bool TakeFrameChunk(FrameRecord& tx, std::span<std::uint8_t> chunk, std::uint8_t& lastChunk) {
    const int length = std::min(tx.Length(), kFrameBytes);
    const int position = tx.sendPos;
    if (position >= length) {
        return false;
    }
    const int size = static_cast<int>(chunk.size());
    std::ranges::fill(chunk, 0);
    if (position + size < length) {
        std::copy_n(tx.frame + position, size, chunk.begin());
    } else {
        std::copy(tx.frame + position, tx.frame + length, chunk.begin());
        lastChunk = 1;
    }
    tx.sendPos = static_cast<std::uint16_t>(position + size);
    return true;
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
