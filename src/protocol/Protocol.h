// The protocol object: transmit queue, command builder, device command entry and receive parser.
#pragma once

#include "protocol/FrameRecord.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kel {

struct Model;

// Frame rules.
// Low 8 bits of the sum of frame offsets 2 .. count + 2 (count bytes, type, body).
std::uint8_t FrameSum(const std::uint8_t* frame, int count);
// Writes the checksum at offset count + 3 and into the checksum-copy field.
void BuildChecksum(FrameRecord& record);
// Sums offsets 2 .. count + 2 of a received frame and compares with the checksum-copy field.
bool VerifyChecksum(const FrameRecord& record);
// The next piece of the TX record's frame for a link that sends it in fixed-size pieces (256-byte
// datagrams, 31-byte reports), zero-padded; false once the whole frame has been taken. Advances the send
// position and sets `lastChunk` (the link's last-chunk flag) with the last piece. A count beyond the
// record never leaves it: the frame area bounds what is sent.
bool TakeFrameChunk(FrameRecord& tx, std::span<std::uint8_t> chunk, std::uint8_t& lastChunk);
// Zeroes the RX record of a transport; with both also the TX record from byte 4 on.
// Network with both false: also the TX send position and network last-chunk flag.
void ResetRecords(int transport, bool both);

// Compares the model's working and shadow copies in the fixed scanning order and builds exactly one
// frame (a meter poll when nothing differs) into its build record. The caller holds ImageLock. Returns 1.
int DetectChange(Model& model);
// The prepare step of every link: the queue's head, or else the change detector's frame (a change or a
// poll), into the link's TX record. The caller holds ImageLock.
void PrepareNextFrame(Model& model, FrameRecord& tx);
// Short frames DetectChange has built for differences so far (polls not counted); read under ImageLock.
int ChangeFramesBuilt();

// One queued frame; owns its FrameRecord.
class CSendData {
public:
    CSendData();
    FrameRecord& Record() { return *m_record; }
    const FrameRecord& Record() const { return *m_record; }

private:
    std::unique_ptr<FrameRecord> m_record;
};

// First-in first-out queue of frames; owns them.
class CSendDataQueue {
public:
    void Add(std::unique_ptr<CSendData> frame);
    // Copies the head's whole record into `tx`, deletes the head; 0 when empty.
    int PopInto(FrameRecord& tx);
    bool IsEmpty() const { return m_frames.empty(); }
    int Count() const { return static_cast<int>(m_frames.size()); }
    const CSendData& At(int i) const { return *m_frames[static_cast<std::size_t>(i)]; }
    // Deletes every frame, then resets both records of the active transport.
    void Clear();
    // Sequence numbers 1..Count, then BeginProgress(Count).
    void Number();
    // The total of the last BeginProgress issued by Number (the progress bar's upper bound).
    int ProgressTotal() const { return m_progressTotal; }

private:
    std::vector<std::unique_ptr<CSendData>> m_frames;
    int m_progressTotal = 0;
};

class CProtocol {
public:
    CSendDataQueue& Queue() { return m_queue; }
    // Builds the frames of one bulk command (types 127..141) and appends them. False when refused
    // (a type without bulk frames, a slot outside 0..21, or a store into slot 0).
    bool QueueCommand(int type, int slot);
    // The main window's command entry: queued under ImageLock when connected, off-line rules otherwise.
    void DeviceCommand(int type, int slot);
    // Feeds received bytes of a transport to the model's RX record; 1 when a whole frame was received,
    // validated and applied to the model.
    int FeedBytes(Model& model, int transport, const std::uint8_t* bytes, int n);

private:
    CSendDataQueue m_queue;
};

// The single protocol object.
CProtocol& TheProtocol();

} // namespace kel
