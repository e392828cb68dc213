// The emulated processor: frame assembly, the answer to every command, faults and the meter sweep.
#include "emulator/DeviceEngine.h"

#include "model/DataConver.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kel {

namespace {

// Refusal statuses of the acknowledgements this device sends.
constexpr std::uint8_t kRefused = 1;     // bad index, slot, password or length; the refuse fault
constexpr std::uint8_t kBadChecksum = 2; // the frame arrived damaged
constexpr std::uint8_t kUnknownType = 3; // a type this device does not know
constexpr int kFirstFavouriteSlot = 17;  // slots 17..21 are shown as F1..F5

std::vector<std::uint8_t> Reply(int type, std::span<const std::uint8_t> body) {
    const int count = static_cast<int>(body.size()) + 2;
    std::vector<std::uint8_t> f(static_cast<std::size_t>(count) + 4);
    f[0] = 0xFF;
    f[1] = 0x55;
    f[2] = static_cast<std::uint8_t>(count & 0xFF);
    f[3] = static_cast<std::uint8_t>(count >> 8);
    f[4] = static_cast<std::uint8_t>(type);
    std::copy(body.begin(), body.end(), f.begin() + 5);
    f.back() = FrameSum(f.data(), count);
    return f;
}

std::vector<std::uint8_t> Ack(int type, std::uint8_t status) {
    const std::uint8_t body[1] = {status};
    return Reply(type, body);
}

template <typename T> std::span<const std::uint8_t> BytesOf(const T& v) {
    return {reinterpret_cast<const std::uint8_t*>(&v), sizeof v};
}

// Slot byte followed by a record.
template <typename T> std::vector<std::uint8_t> SlotAndRecord(int slot, const T& record) {
    std::vector<std::uint8_t> body(1 + sizeof record);
    body[0] = static_cast<std::uint8_t>(slot);
    std::memcpy(body.data() + 1, &record, sizeof record);
    return body;
}

void NameSlot(ProgramImage& program, int slot) {
    char text[24];
    if (slot >= kFirstFavouriteSlot) {
        std::snprintf(text, sizeof text, "Favourite F%d", slot - kFirstFavouriteSlot + 1);
    } else {
        std::snprintf(text, sizeof text, "Program %02d", slot);
    }
    TextToBytes(text, program.name);
}

} // namespace

DeviceEngine::DeviceEngine() {
    FillDefaultProgram(m_state.live);
    ResetSystemBlock(m_state.liveSystem);
    for (int n = 1; n <= kSlotCount; ++n) {
        ProgramImage& slot = m_state.slots[static_cast<std::size_t>(n - 1)];
        slot = m_state.live;
        NameSlot(slot, n);
        m_state.slotSystems[static_cast<std::size_t>(n - 1)] = m_state.liveSystem;
    }
    // The device starts in slot 1.
    std::memcpy(m_state.live.name, m_state.slots[0].name, sizeof m_state.live.name);
    m_state.liveSystem.currentSlot = 1;
    SweepMeters(1);
}

std::vector<std::uint8_t> DeviceEngine::Receive(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    return ReceiveLocked(m_collector, bytes);
}

std::vector<std::uint8_t> DeviceEngine::Receive(FrameCollector& collector,
                                                std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    return ReceiveLocked(collector, bytes);
}

std::vector<std::uint8_t> DeviceEngine::ReceiveLocked(FrameCollector& collector,
                                                      std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    for (std::uint8_t b : bytes) {
        if (!collector.Add(b)) {
            continue;
        }
        const std::vector<std::uint8_t> frame = collector.Take();
        ++m_framesReceived;
        if (m_observer) {
            m_observer(frame[4], frame.size() > 6 ? frame[5] : 0, static_cast<int>(frame.size()) - 4);
        }
        if (m_tap) {
            m_tap(frame);
        }
        if (m_faults.silentAfter >= 0 && m_framesReceived > m_faults.silentAfter) {
            continue;
        }
        std::vector<std::uint8_t> reply = Answer(frame);
        ++m_replies;
        if (m_faults.dropEvery > 0 && m_replies % m_faults.dropEvery == 0) {
            continue;
        }
        if (m_faults.corruptEvery > 0 && m_replies % m_faults.corruptEvery == 0) {
            reply.back() = static_cast<std::uint8_t>(reply.back() ^ 0x5A);
        }
        out.insert(out.end(), m_faults.noise.begin(), m_faults.noise.end());
        out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
}

std::vector<std::uint8_t> DeviceEngine::HandleFrame(std::span<const std::uint8_t> frame) {
    std::lock_guard lock(m_mutex);
    if (frame.size() < 6 || frame[0] != 0xFF || frame[1] != 0x55) {
        return {};
    }
    const int count = frame[2] | (frame[3] << 8);
    if (count < 2 || count > kMaxFrameCount || static_cast<std::size_t>(count) + 4 != frame.size()) {
        return {};
    }
    return Answer(std::vector<std::uint8_t>(frame.begin(), frame.end()));
}

void DeviceEngine::QuietGap() {
    std::lock_guard lock(m_mutex);
    m_collector.Clear();
}

bool DeviceEngine::HasPartialFrame() const {
    std::lock_guard lock(m_mutex);
    return m_collector.HasPartialFrame();
}

void DeviceEngine::SetFaults(const EngineFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
    m_replies = 0;
}

void DeviceEngine::SetFrameObserver(FrameObserver observer) {
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

void DeviceEngine::SetFrameTap(FrameTap tap) {
    std::lock_guard lock(m_mutex);
    m_tap = std::move(tap);
}

bool DeviceEngine::LoadAllPresets(std::span<const std::uint8_t> file) {
    if (file.size() != kPresetHeadSize && file.size() != kPresetStoreSize) {
        return false;
    }
    auto store = std::make_unique<PresetStore>();
    std::memcpy(store.get(), file.data(), file.size());
    std::lock_guard lock(m_mutex);
    m_state.liveSystem = store->head; // the live block at the time of the export
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - 1);
        m_state.slots[i] = store->Slot(n);
        // The older file keeps one block for the whole set.
        m_state.slotSystems[i] = file.size() == kPresetStoreSize ? store->SlotSystem(n) : store->head;
    }
    return true;
}

int DeviceEngine::OutputBlock() const {
    return OutputBlockOfMode(m_state.live.outputMode);
}

bool FrameCollector::Add(std::uint8_t b) {
    const std::size_t n = m_frame.size();
    if (n == 0) {
        if (b == 0xFF) {
            m_frame.push_back(b);
        }
        return false;
    }
    if (n == 1) {
        if (b == 0x55) {
            m_frame.push_back(b);
        } else if (b != 0xFF) {
            m_frame.clear(); // FF FF 55 still starts a frame at the second FF
        }
        return false;
    }
    m_frame.push_back(b);
    if (m_frame.size() < 4) {
        return false;
    }
    const int count = m_frame[2] | (m_frame[3] << 8);
    if (m_frame.size() == 4 && (count < 2 || count > kMaxFrameCount)) {
        m_frame.clear(); // no such frame: hunt for the next header
        return false;
    }
    return m_frame.size() == static_cast<std::size_t>(count) + 4;
}

std::vector<std::uint8_t> FrameCollector::Take() {
    std::vector<std::uint8_t> frame = std::move(m_frame);
    m_frame.clear();
    return frame;
}

std::vector<std::uint8_t> DeviceEngine::Answer(const std::vector<std::uint8_t>& f) {
    const int count = f[2] | (f[3] << 8);
    const int type = f[4];
    if (FrameSum(f.data(), count) != f.back()) {
        return Ack(type, kBadChecksum);
    }
    if (type == m_faults.refuseType) {
        return Ack(type, kRefused);
    }
    const int index = count >= 3 ? f[kFrameOffsetIndex] : -1;
    const bool slotOk = index >= 0 && index <= kSlotCount;
    DeviceState& s = m_state;
    switch (type) {
    case CMD_POLL_LEVELS:
    case CMD_POLL_SIGNALS:
        SweepMeters(index);
        return Reply(type, type == CMD_POLL_LEVELS ? s.levels : s.signals);
    case CMD_IDENTIFY: {
        const std::uint8_t body[2] = {static_cast<std::uint8_t>(s.capability),
                                      static_cast<std::uint8_t>(s.storePermission)};
        return Reply(type, body);
    }
    case CMD_READ_NAME: {
        if (!slotOk) {
            return Ack(type, kRefused);
        }
        const ProgramImage& p = index == 0 ? s.live : Slot(index);
        std::vector<std::uint8_t> body(1 + sizeof p.name);
        body[0] = static_cast<std::uint8_t>(index);
        std::memcpy(body.data() + 1, p.name, sizeof p.name);
        return Reply(type, body);
    }
    case CMD_READ_SYSTEM:
        if (!slotOk) {
            return Ack(type, kRefused);
        }
        return Reply(type, BytesOf(index == 0 ? s.liveSystem : SlotSystem(index)));
    case CMD_READ_PROGRAM:
        if (!slotOk) {
            return Ack(type, kRefused);
        }
        return Reply(type, SlotAndRecord(index, index == 0 ? s.live : Slot(index)));
    case CMD_WRITE_SYSTEM:
        if (!slotOk || count != kCountWriteSystem) {
            return Ack(type, kRefused);
        }
        std::memcpy(index == 0 ? &s.liveSystem : &SlotSystem(index), f.data() + kFrameOffsetPayload,
                    sizeof(SystemBlock));
        return Ack(type, 0);
    case CMD_WRITE_PROGRAM:
        if (!slotOk || count != kCountWriteProgram) {
            return Ack(type, kRefused);
        }
        std::memcpy(index == 0 ? &s.live : &Slot(index), f.data() + kFrameOffsetPayload,
                    sizeof(ProgramImage));
        return Ack(type, 0);
    case CMD_RECALL:
        if (!slotOk) {
            return Ack(type, kRefused);
        }
        if (index != 0) {
            Recall(index);
        }
        return Reply(type, SlotAndRecord(index, s.live));
    case CMD_STORE:
        if (count != kCountStore || !MayStore(index)) {
            return Ack(type, kRefused);
        }
        Store(index, f.data() + kFrameOffsetPayload);
        return Ack(type, 0);
    case CMD_SYSTEM_PASSWORD:
    case CMD_PANEL_PASSWORD: {
        const bool system = type == CMD_SYSTEM_PASSWORD;
        std::uint8_t* held = system ? s.liveSystem.systemPassword : s.liveSystem.panelPassword;
        const std::size_t size =
            system ? sizeof s.liveSystem.systemPassword : sizeof s.liveSystem.panelPassword;
        if (static_cast<std::size_t>(count) != 2 + 2 * size ||
            std::memcmp(held, f.data() + kFrameOffsetIndex, size) != 0) {
            return Ack(type, kRefused);
        }
        std::memcpy(held, f.data() + kFrameOffsetIndex + size, size);
        return Ack(type, 0);
    }
    default:
        break;
    }
    const ShortCommand* cmd = FindShortCommand(type, index, count > 3 ? f[kFrameOffsetPayload] : -1);
    if (cmd == nullptr) {
        // Either a type this device does not know or an index outside the type's table.
        const bool knownType = std::any_of(ShortCommands().begin(), ShortCommands().end(),
                                           [type](const ShortCommand& c) { return c.type == type; });
        return Ack(type, knownType ? kRefused : kUnknownType);
    }
    if (count != cmd->count) {
        return Ack(type, kRefused);
    }
    ApplyShortFrame(f.data(), *cmd, FieldBytes(*cmd, s.live, s.liveSystem, OutputBlock()));
    return Ack(type, 0);
}

bool DeviceEngine::MayStore(int slot) const {
    if (slot < 1 || slot > kSlotCount) {
        return false; // there is no slot 0 to store into
    }
    return slot < kFirstFavouriteSlot || m_state.storePermission != 0;
}

void DeviceEngine::Store(int slot, const std::uint8_t* name) {
    DeviceState& s = m_state;
    std::memcpy(s.live.name, name, sizeof s.live.name); // the live program now carries that name
    Slot(slot) = s.live;
    if (s.capability != 0) {
        SlotSystem(slot) = s.liveSystem;
        SlotSystem(slot).currentSlot = static_cast<std::uint8_t>(slot);
    }
    s.liveSystem.currentSlot = static_cast<std::uint8_t>(slot);
}

void DeviceEngine::Recall(int slot) {
    DeviceState& s = m_state;
    s.live = Slot(slot);
    if (s.capability != 0) {
        // The slot's own block, but the passwords belong to the device, not to a preset.
        SystemBlock next = SlotSystem(slot);
        std::memcpy(next.panelPassword, s.liveSystem.panelPassword, sizeof next.panelPassword);
        std::memcpy(next.systemPassword, s.liveSystem.systemPassword, sizeof next.systemPassword);
        s.liveSystem = next;
    }
    s.liveSystem.currentSlot = static_cast<std::uint8_t>(slot);
}

void DeviceEngine::SweepMeters(int modeIndex) {
    // A slow triangle sweep between 110 (the first lit segment) and 200 (all lit), shifted per meter
    // and per output mode so that a mode switch visibly changes the pattern.
    const int mode = modeIndex < 0 ? 0 : modeIndex & 3;
    ++m_sweep;
    for (int i = 0; i < kMeterBytes; ++i) {
        const int t = (m_sweep * 2 + i * 11 + mode * 37) % 180;
        const int v = t < 90 ? t : 180 - t;
        m_state.levels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(110 + v);
        // Signal lamps blink slowly, a different one for each mode.
        const bool signal = ((m_sweep / 8 + i + mode) % 4) == 0;
        m_state.signals[static_cast<std::size_t>(i)] = signal ? 100 : 200;
    }
}

ProgramImage& DeviceEngine::Slot(int n) {
    return m_state.slots[static_cast<std::size_t>(n - 1)];
}
SystemBlock& DeviceEngine::SlotSystem(int n) {
    return m_state.slotSystems[static_cast<std::size_t>(n - 1)];
}

} // namespace kel
