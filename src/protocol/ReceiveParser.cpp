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

constexpr int kMinFrameCount = 2; // a type and a checksum

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

// The four header bytes held give no count a frame can have. Whatever header starts among them is
// kept: "FF 55" in the count field, or a last "FF" that the next byte may turn into one.
void Rehunt(FrameRecord& rx) {
    const std::uint8_t low = rx.frame[2];
    const std::uint8_t high = rx.frame[3];
    Resynchronise(rx);
    rx.frame[0] = kFrameHeader0;
    if (low == kFrameHeader0 && high == kFrameHeader1) {
        rx.frame[1] = kFrameHeader1;
        rx.receivePos = 2;
        rx.inFrame = 1;
    } else if (high == kFrameHeader0) {
        rx.receivePos = 1;
    } else {
        rx.frame[0] = 0;
    }
}

// One received byte. True when it completed a frame. A frame starts at an FF 55 pair; any other
// byte before it is noise, and until the count is known a new pair starts the frame afresh, so a
// stray byte ahead of a reply never becomes part of its count. At most the four header bytes are
// held without a count the record can take.
bool Collect(FrameRecord& rx, std::uint8_t b) {
    const int pos = rx.receivePos;
    if (pos == 0) {
        if (b == kFrameHeader0) {
            rx.frame[0] = b;
            rx.receivePos = 1;
        }
        return false;
    }
    if (pos == 1) {
        if (b == kFrameHeader1) {
            rx.frame[1] = b;
            rx.receivePos = 2;
            rx.inFrame = 1;
        } else if (b != kFrameHeader0) {
            Resynchronise(rx); // FF FF 55 still starts a frame at the second FF
        }
        return false;
    }
    if (pos >= kFrameBytes) {
        Resynchronise(rx);
        return false;
    }
    rx.frame[pos] = b;
    rx.receivePos = static_cast<std::uint16_t>(pos + 1);
    if (pos == 2) {
        return false;
    }
    if (pos == 3) {
        rx.expectedCount = static_cast<std::uint16_t>(rx.frame[2] | (b << 8));
        if (rx.expectedCount > kMaxFrameCount || rx.expectedCount < kMinFrameCount) {
            Rehunt(rx); // a count the record cannot hold: no frame starts here
        }
        return false;
    }
    if (rx.receivePos == rx.expectedCount + 4) {
        rx.checksumCopy = b;
        return true;
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
    if (meters.wanted && meters.ready != 0 && Hooks().HasWindow()) {
        meters.ready = 0;
        Hooks().PostMessage(MSG_LEVELS_RECEIVED, type, 0);
    }
}

// The live program: image and shadow. The filter objects belong to the UI thread, which reloads
// them on MSG_PROGRAM_RECEIVED (ReloadFilters); this runs on a transport thread.
void ApplyProgram(Model& m, const std::uint8_t* program) {
    std::memcpy(&m.image, program, sizeof m.image);
    m.shadow = m.image; // the filter objects follow on the UI thread
    PostIfWindow(MSG_PROGRAM_RECEIVED, 0);
}

// A name or program reply carries its slot: it answers only a request of its type for that slot.
bool AnswersRequest(const FrameRecord& request, int type, int slotByte) {
    return request.Type() == type && request.Index() == slotByte;
}

// Applies a validated reply by its type. False when its count is too short for its body.
bool ApplyReply(Model& m, const FrameRecord& rx, const FrameRecord& request) {
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
        if (!AnswersRequest(request, type, n)) {
            return false;
        }
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
        if (!AnswersRequest(request, type, f[5])) {
            return false; // never the live program in place of the slot asked for, nor the reverse
        }
        if (f[5] == 0) {
            ApplyProgram(m, f + 6);
            break;
        }
        if (IsPresetSlot(f[5])) {
            std::memcpy(&m.presets.Slot(f[5]), f + 6, sizeof(ProgramImage));
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
bool Validate(Model& m, const FrameRecord& rx, const FrameRecord& request) {
    if (FrameSum(rx.frame, rx.expectedCount) != rx.checksumCopy) {
        return false;
    }
    if (rx.expectedCount == kCountPlain && rx.frame[4] == request.Type()) {
        const int status = rx.frame[5];
        return status < 1 || status > 3;
    }
    return ApplyReply(m, rx, request);
}

} // namespace

int CProtocol::FeedBytes(Model& m, int transport, const std::uint8_t* bytes, int n) {
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
    if (!Validate(m, rx, request)) {
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
