// FrameRecord: one frame and the bookkeeping of one exchange (4238 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kel {

inline constexpr int kFrameBytes = 4206;    // the longest frame a record holds
inline constexpr int kMaxFrameCount = 4202; // count field of that frame
inline constexpr std::uint8_t kFrameHeader0 = 0xFF; // every frame starts with these two bytes
inline constexpr std::uint8_t kFrameHeader1 = 0x55;

#pragma pack(push, 1)
struct FrameRecord {
    std::uint8_t frame[kFrameBytes];
    std::uint8_t checksumCopy;   // TX: checksum built; RX: last byte received
    std::uint8_t inFrame;        // RX: a header byte seen, collecting
    std::uint8_t usbLastChunk;   // TX: last 31-byte report taken
    std::uint16_t sendPos;       // TX: next byte to hand to the transport
    std::uint8_t netLastChunk;   // TX: last datagram taken
    std::uint8_t error;          // RX: the received frame failed validation
    std::uint8_t replyPending;   // sent, reply awaited
    std::uint8_t transferMarker; // TX: a valid reply clears the transfer-in-progress flag
    std::uint8_t longPause;      // TX
    std::uint8_t busy;           // TX
    std::uint8_t failureCounter; // retries of the current exchange
    std::uint8_t rescanOnFailure; // TX: passed with the transport-failed message
    std::uint8_t sequence;       // TX: position in a progress-bar run, 0 = none
    std::uint16_t receivePos;    // RX: bytes stored so far
    std::uint16_t expectedCount; // RX: count field of the frame being received
    std::uint8_t shortPause;     // TX
    std::uint8_t emptyPolls;     // RX of the serial port
    std::uint8_t reserved[12];

    std::uint16_t Count() const { return static_cast<std::uint16_t>(frame[2] | (frame[3] << 8)); }
    void SetCount(std::uint16_t c) {
        frame[2] = static_cast<std::uint8_t>(c & 0xFF);
        frame[3] = static_cast<std::uint8_t>(c >> 8);
    }
    std::uint8_t Type() const { return frame[4]; }
    std::uint8_t Index() const { return frame[5]; }
    int Length() const { return Count() + 4; } // whole frame, header to checksum
};
#pragma pack(pop)

static_assert(sizeof(FrameRecord) == 4238);
static_assert(offsetof(FrameRecord, checksumCopy) == 4206 && offsetof(FrameRecord, sendPos) == 4209);
static_assert(offsetof(FrameRecord, netLastChunk) == 4211 && offsetof(FrameRecord, sequence) == 4219);
static_assert(offsetof(FrameRecord, receivePos) == 4220 && offsetof(FrameRecord, expectedCount) == 4222);
static_assert(offsetof(FrameRecord, shortPause) == 4224 && offsetof(FrameRecord, emptyPolls) == 4225);
static_assert(std::is_trivially_copyable_v<FrameRecord>);

// A record as allocated: zero-filled with the 0xFF 0x55 header.
inline void InitFrameRecord(FrameRecord& r) {
    r = FrameRecord{};
    r.frame[0] = kFrameHeader0;
    r.frame[1] = kFrameHeader1;
}

} // namespace kel
