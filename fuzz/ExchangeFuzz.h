// Shared by the link fuzz targets: a run of real requests, each answered by fuzzed bytes that a
// transport's receive step hands to the parser in the pieces it would.
#pragma once

#include "FuzzModel.h"
#include "model/Model.h"
#include "protocol/Protocol.h"

#include <array>
#include <cstdint>

namespace kel::fuzz {

// The requests the program sends and waits on: identify, program and all-presets reads, system
// block and program writes, recall, store, a password and a meter poll (type 12, built by DetectChange).
inline constexpr std::array<int, 9> kRequests = {127, 129, 130, 131, 132, 133, 134, 140, 12};

inline void ReadyModel(int transport) {
    ReadyModelOnce();
    Model& m = TheModel();
    m.settings.transportType = static_cast<TransportType>(transport);
    m.connection.connected = 1;
    m.settings.meters.ready = 1;
}

// Puts the next request into the transport's TX record, as its prepare step does; the record is
// then waiting for its reply.
inline void NextRequest(int transport, std::uint8_t choice) {
    ImageLockGuard lock(ImageLock());
    Model& m = TheModel();
    CSendDataQueue& queue = TheProtocol().Queue();
    queue.Clear();
    const int type = kRequests[choice % kRequests.size()];
    FrameRecord& tx = m.frames.Tx(transport);
    if (type == 12) {
        m.settings.meters.wanted = (choice & 0x80) != 0;
        DetectChange(m);
        tx = m.frames.Build();
    } else {
        TheProtocol().QueueCommand(type, 1 + (choice >> 4) % kSlotCount);
        queue.Number();
        if (queue.IsEmpty()) {
            return;
        }
        queue.PopInto(tx);
    }
    ResetRecords(transport, false);
    tx.replyPending = 1;
    m.frames.Rx(transport).replyPending = 1;
}

inline void EndRun() {
    TheProtocol().Queue().Clear();
}

} // namespace kel::fuzz
