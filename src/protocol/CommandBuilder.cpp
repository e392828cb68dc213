// QueueCommand: the frames of the bulk commands; DeviceCommand: the window's command entry.
#include "model/AppHooks.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/DeviceWorkflows.h"
#include "protocol/Protocol.h"

#include <cstring>

namespace kel {

namespace {

// Frame flags of the builder rules.
constexpr unsigned FLAG_LONG = 1u << 0;     // L
constexpr unsigned FLAG_SHORT = 1u << 1;    // S
constexpr unsigned FLAG_BUSY = 1u << 2;     // B
constexpr unsigned FLAG_TRANSFER = 1u << 3; // T: also sets the transfer-in-progress flag
constexpr unsigned FLAG_RESCAN = 1u << 4;   // R

bool IsSlot(int slot) {
    return slot >= 0 && slot <= kSlotCount;
}

class FrameAppender {
  public:
    explicit FrameAppender(CSendDataQueue& queue) : m_queue(queue) {}

    // One frame with an index byte and an optional body after it.
    void Add(int type, int index, const void* body, std::size_t size, unsigned flags) {
        auto data = std::make_unique<CSendData>();
        FrameRecord& r = data->Record();
        r.SetCount(static_cast<std::uint16_t>(kCountPlain + size));
        r.frame[4] = static_cast<std::uint8_t>(type);
        r.frame[kFrameOffsetIndex] = static_cast<std::uint8_t>(index);
        if (size > 0) {
            std::memcpy(r.frame + kFrameOffsetPayload, body, size);
        }
        Finish(std::move(data), flags);
    }
    // A password frame: no index byte, old value then new value.
    void AddPassword(int type, const std::uint8_t* oldValue, const std::uint8_t* newValue, std::size_t size) {
        auto data = std::make_unique<CSendData>();
        FrameRecord& r = data->Record();
        r.SetCount(static_cast<std::uint16_t>(2 + 2 * size));
        r.frame[4] = static_cast<std::uint8_t>(type);
        std::memcpy(r.frame + kFrameOffsetIndex, oldValue, size);
        std::memcpy(r.frame + kFrameOffsetIndex + size, newValue, size);
        Finish(std::move(data), 0);
    }

  private:
    void Finish(std::unique_ptr<CSendData> data, unsigned flags) {
        FrameRecord& r = data->Record();
        r.longPause = (flags & FLAG_LONG) ? 1 : 0;
        r.shortPause = (flags & FLAG_SHORT) ? 1 : 0;
        r.busy = (flags & FLAG_BUSY) ? 1 : 0;
        r.transferMarker = (flags & FLAG_TRANSFER) ? 1 : 0;
        r.rescanOnFailure = (flags & FLAG_RESCAN) ? 1 : 0;
        if (flags & FLAG_TRANSFER) {
            TheModel().connection.transferInProgress = 1;
        }
        BuildChecksum(r);
        m_queue.Add(std::move(data));
    }

    CSendDataQueue& m_queue;
};

// The forms of the write-system command, by the per-slot-system flag and the slot-system capability.
void QueueWriteSystem(FrameAppender& out, int slot) {
    Model& m = TheModel();
    const bool perSlot = m.settings.perSlotSystem != 0;
    const bool capable = m.settings.slotSystemCapability != 0;
    const SystemBlock& working = m.system;
    const SystemBlock& slotOne = m.presets.SlotSystem(1); // the set's only block when the device keeps one
    auto add = [&](int index, const SystemBlock& block) {
        out.Add(CMD_WRITE_SYSTEM, index, &block, sizeof block, FLAG_LONG);
    };
    if (perSlot) {
        if (slot != 0 && capable) {
            for (int n = 1; n <= kSlotCount; ++n) {
                out.Add(CMD_WRITE_SYSTEM, n, &m.presets.SlotSystem(n), sizeof(SystemBlock),
                        n == kSlotCount ? FLAG_LONG : 0u);
            }
        } else if (slot != 0) {
            add(slot, slotOne);
        } else {
            add(0, capable ? working : slotOne);
        }
    } else if (slot != 0 && capable) {
        add(slot, working);
        add(kSlotCount, working);
    } else {
        add(slot, working);
    }
}

} // namespace

bool CProtocol::QueueCommand(int type, int slot) {
    Model& m = TheModel();
    FrameAppender out(m_queue);
    const bool slotIgnored = type == CMD_IDENTIFY || type == CMD_READ_NAME || type == CMD_SYSTEM_PASSWORD ||
                             type == CMD_PANEL_PASSWORD;
    if (!slotIgnored && !IsSlot(slot)) {
        return false;
    }
    switch (type) {
    case CMD_IDENTIFY:
        out.Add(type, 0, nullptr, 0, FLAG_RESCAN);
        return true;
    case CMD_READ_NAME:
        for (int n = 0; n <= kSlotCount; ++n) {
            out.Add(type, n, nullptr, 0, 0);
        }
        return true;
    case CMD_READ_SYSTEM:
    case CMD_READ_PROGRAM: {
        const unsigned flags = type == CMD_READ_PROGRAM ? (slot == 0 ? FLAG_LONG : FLAG_SHORT) : 0u;
        if (slot == 0) {
            out.Add(type, 0, nullptr, 0, flags);
        } else {
            for (int n = 1; n <= kSlotCount; ++n) {
                out.Add(type, n, nullptr, 0, flags);
            }
        }
        return true;
    }
    case CMD_WRITE_SYSTEM:
        QueueWriteSystem(out, slot);
        return true;
    case CMD_WRITE_PROGRAM:
        if (slot == 0) {
            out.Add(type, 0, &m.image, sizeof m.image, FLAG_LONG | FLAG_TRANSFER);
        } else {
            for (int n = 1; n <= kSlotCount; ++n) {
                out.Add(type, n, &m.presets.Slot(n), sizeof(ProgramImage), FLAG_SHORT);
            }
        }
        return true;
    case CMD_RECALL:
        out.Add(type, slot, nullptr, 0, slot != 0 ? FLAG_TRANSFER | FLAG_BUSY : 0u);
        return true;
    case CMD_STORE:
        if (slot == 0) {
            return false; // there is no name before the first slot
        }
        out.Add(type, slot, m.presets.Slot(slot).name, sizeof(ProgramImage::name), FLAG_TRANSFER);
        return true;
    case CMD_SYSTEM_PASSWORD: {
        SystemBlock& s = m.system;
        const std::uint8_t* entry = PasswordEntry(PasswordKind::System).data();
        out.AddPassword(type, s.systemPassword, entry, sizeof s.systemPassword);
        std::memcpy(s.systemPassword, entry, sizeof s.systemPassword);
        return true;
    }
    case CMD_PANEL_PASSWORD: {
        SystemBlock& s = m.system;
        const std::uint8_t* entry = PasswordEntry(PasswordKind::Panel).data();
        out.AddPassword(type, s.panelPassword, entry, sizeof s.panelPassword);
        std::memcpy(s.panelPassword, entry, sizeof s.panelPassword);
        return true;
    }
    default:
        return false; // short commands go through the change detector
    }
}

void CProtocol::DeviceCommand(int type, int slot) {
    Model& m = TheModel();
    if (m.connection.connected) {
        ImageLockGuard lock(ImageLock());
        if (type == CMD_READ_PROGRAM && slot != 0) {
            QueueCommand(CMD_READ_SYSTEM, slot); // reading all programs reads all system blocks first
        }
        const bool queued = QueueCommand(type, slot);
        if (queued && type == CMD_READ_PROGRAM && slot != 0) {
            m_queue.Number();
        } else if (queued && type == CMD_RECALL) {
            m.system.currentSlot = static_cast<std::uint8_t>(slot);
        } else if (queued && type == CMD_STORE) {
            m.system.currentSlot = static_cast<std::uint8_t>(slot);
            Hooks().UpdateStatus(true);
        }
        if (m.connection.transferInProgress) {
            Hooks().ShowBusy();
        }
        return;
    }

    // Off line: a recall from the loaded presets, or the file step of "Export all".
    if (m.settings.presetsLoaded == 0) {
        return;
    }
    if (type == CMD_RECALL && slot >= 1 && slot <= kSlotCount) {
        ImageLockGuard lock(ImageLock());
        m.image = m.presets.Slot(slot);
        m.system.currentSlot = static_cast<std::uint8_t>(slot);
        CommitShadow(false);
    } else if (type == CMD_READ_PROGRAM && slot != 0) {
        {
            ImageLockGuard lock(ImageLock());
            m.presets.head = m.system;
        }
        Hooks().SaveAllPresets();
    }
}

CProtocol& TheProtocol() {
    static CProtocol protocol;
    return protocol;
}

} // namespace kel
