// FeedBytes: assembles a reply in the transport's RX record, validates it and applies it to the model.
#include "model/AppHooks.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/ProgressLog.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <cstring>

namespace kel {

namespace {

constexpr int kSystemPage = 9;
constexpr int kMinFrameCount = 2; // a type and a checksum

bool IsHeaderByte(std::uint8_t b) {
    return b == 0xFF || b == 0x55 || b == 0x03 || b == 0xCC;
}
bool StartsFrame(std::uint8_t b) {
    return b == 0x55 || b == 0xCC;
}

bool IsComplete(const FrameRecord& rx) {
    return rx.inFrame != 0 && rx.receivePos >= 4 && rx.receivePos == rx.expectedCount + 4;
}

// Back to hunting: the parser's own fields only, the transport's bookkeeping stays.
void Resynchronise(FrameRecord& rx) {
    std::memset(rx.frame, 0, std::min<std::size_t>(rx.receivePos, sizeof rx.frame));
    rx.receivePos = 0;
    rx.expectedCount = 0;
    rx.inFrame = 0;
    rx.checksumCopy = 0;
    rx.error = 0;
}

// One received byte. True when it completed a frame.
bool Collect(FrameRecord& rx, std::uint8_t b) {
    if (rx.inFrame == 0) {
        if (!IsHeaderByte(b)) {
            return false; // noise
        }
        if (rx.receivePos >= kFrameBytes) {
            rx.receivePos = 0; // a long run of stray header bytes never leaves the record
        }
        rx.frame[rx.receivePos++] = b;
        if (StartsFrame(b)) {
            rx.inFrame = 1;
        }
        return false;
    }
    const int pos = rx.receivePos;
    if (pos >= kFrameBytes) {
        Resynchronise(rx);
        return false;
    }
    if (pos == 2) {
        rx.expectedCount = static_cast<std::uint16_t>((rx.expectedCount & 0xFF00) | b);
    } else if (pos == 3) {
        rx.expectedCount = static_cast<std::uint16_t>((rx.expectedCount & 0x00FF) | (b << 8));
    }
    rx.frame[pos] = b;
    rx.receivePos = static_cast<std::uint16_t>(pos + 1);
    if (pos == 3 && (rx.expectedCount > kMaxFrameCount || rx.expectedCount < kMinFrameCount)) {
        Resynchronise(rx); // a count the record cannot hold: drop it and hunt for the next header
        return false;
    }
    if (rx.receivePos < 4) {
        return false;
    }
    if (rx.receivePos == rx.expectedCount + 4) {
        rx.checksumCopy = b;
        return true;
    }
    if (rx.receivePos > rx.expectedCount + 4) {
        Resynchronise(rx); // collecting began past the count field: this frame can never complete
    }
    return false;
}

// The smallest count that carries the body a reply is applied from.
int RequiredCount(int type) {
    switch (type) {
    case CMD_POLL_LEVELS:
    case CMD_POLL_SIGNALS:
        return kCountMeterReply;
    case CMD_IDENTIFY:
        return kCountIdentifyReply;
    case CMD_READ_NAME:
        return kCountNameReply;
    case CMD_READ_SYSTEM:
        return kCountSystemReply;
    case CMD_READ_PROGRAM:
    case CMD_RECALL:
        return kCountProgramReply;
    default:
        return kMinFrameCount;
    }
}

bool IsPresetSlot(int n) {
    return n >= 1 && n <= kSlotCount;
}

void PostIfWindow(int message, std::intptr_t wParam) {
    if (Hooks().HasWindow()) {
        Hooks().PostMessage(message, wParam, 0);
    }
}

void ApplyMeters(Model& m, int type, const std::uint8_t* f) {
    MeterState& meters = m.settings.meters;
    auto& target = type == CMD_POLL_LEVELS ? meters.levels : meters.signals;
    std::copy(f + 5, f + 5 + kMeterBytes, target.begin());
    // The page sets the ready flag again after drawing; without a window nobody would.
    if (m.settings.currentPage == kSystemPage && meters.ready != 0 && Hooks().HasWindow()) {
        meters.ready = 0;
        Hooks().PostMessage(MSG_LEVELS_RECEIVED, type, 0);
    }
}

void ApplyProgram(Model& m, const std::uint8_t* program) {
    std::memcpy(&m.image, program, sizeof m.image);
    CommitShadow(false);
    PostIfWindow(MSG_PROGRAM_RECEIVED, 0);
}

// Applies a validated reply by its type. False when its count is too short for its body.
bool ApplyReply(const FrameRecord& rx, const FrameRecord& request) {
    Model& m = TheModel();
    const std::uint8_t* f = rx.frame;
    const int type = f[4];
    if (rx.expectedCount < RequiredCount(type)) {
        return false;
    }
    switch (type) {
    case CMD_POLL_LEVELS:
    case CMD_POLL_SIGNALS:
        ApplyMeters(m, type, f);
        break;
    case CMD_IDENTIFY:
        m.settings.slotSystemCapability = f[5];
        m.settings.storePermission = f[6];
        Hooks().PostMessage(MSG_IDENTIFY_REPLY, 0, 0);
        break;
    case CMD_READ_NAME: {
        const int n = f[5];
        if (n == 0) {
            std::memcpy(m.image.name, f + 6, sizeof m.image.name);
        } else if (IsPresetSlot(n)) {
            std::memcpy(m.presets.Slot(n).name, f + 6, sizeof m.image.name);
        }
        break;
    }
    case CMD_READ_SYSTEM: {
        const int n = request.Index(); // the reply carries no slot
        if (n == 0) {
            std::memcpy(&m.system, f + 5, sizeof m.system);
            m.shadowSystem = m.system;
            Hooks().ReloadPasswordEntry();
            Hooks().PostMessage(MSG_SYSTEM_RECEIVED, 0, 0);
        } else if (IsPresetSlot(n)) {
            std::memcpy(&m.presets.SlotSystem(n), f + 5, sizeof(SystemBlock));
        }
        break;
    }
    case CMD_READ_PROGRAM:
        if (f[5] == 0) {
            ApplyProgram(m, f + 6);
            break;
        }
        if (IsPresetSlot(request.Index())) {
            std::memcpy(&m.presets.Slot(request.Index()), f + 6, sizeof(ProgramImage));
        }
        if (f[5] == kSlotCount) {
            PostIfWindow(MSG_ALL_PRESETS_RECEIVED, 0);
        }
        break;
    case CMD_RECALL:
        ApplyProgram(m, f + 6);
        break;
    default:
        break; // any other reply is the answer and nothing more
    }
    return true;
}

// Checksum, then acknowledgement status or the reply's content.
bool Validate(const FrameRecord& rx, const FrameRecord& request) {
    if (FrameSum(rx.frame, rx.expectedCount) != rx.checksumCopy) {
        return false;
    }
    if (rx.expectedCount == kCountPlain && rx.frame[4] == request.Type()) {
        const int status = rx.frame[5];
        return status < 1 || status > 3;
    }
    return ApplyReply(rx, request);
}

} // namespace

int CProtocol::FeedBytes(int transport, const std::uint8_t* bytes, int n) {
    Model& m = TheModel();
    if (transport != m.settings.transportType || transport < TRANSPORT_SERIAL || transport > TRANSPORT_NET ||
        bytes == nullptr || n <= 0) {
        return 0;
    }
    FrameRecord& rx = m.frames.Rx(transport);
    const FrameRecord& request = m.frames.Tx(transport);
    if (IsComplete(rx)) {
        return 0; // a refused frame stays until the transport resets the records
    }
    bool complete = false;
    for (int i = 0; i < n && !complete; ++i) {
        complete = Collect(rx, bytes[i]); // bytes after a completed frame are discarded
    }
    if (!complete) {
        return 0;
    }
    if (!Validate(rx, request)) {
        rx.error = 1;
        return 0;
    }
    if (request.transferMarker != 0) {
        m.connection.transferInProgress = 0;
    }
    if (const int s = request.sequence; s != 0) {
        Hooks().StepProgress(s);
        TheProgressLog().Line(0, m_queue.ProgressTotal(), s);
    }
    ResetRecords(transport, true);
    return 1;
}

} // namespace kel
