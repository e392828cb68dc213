// The emulated processor: answers every command of the device protocol from its own live state.
#pragma once

#include "model/Model.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace kel {

// Faults a test or the demo can ask the emulated processor for.
struct EngineFaults {
    int dropEvery = 0;    // drop every Nth reply (0 = never)
    int corruptEvery = 0; // corrupt the checksum of every Nth reply
    int refuseType = -1;  // answer this command type with a refusal (status 1)
    int silentAfter = -1; // answer nothing after this many frames (-1 = never)
};

// Everything the processor holds. Independent of the application's model (both live in one process
// in the demo): the engine never touches TheModel().
struct DeviceState {
    ProgramImage live{};
    SystemBlock liveSystem{};
    std::array<ProgramImage, kSlotCount> slots{};        // slot n at [n - 1]
    std::array<SystemBlock, kSlotCount> slotSystems{};
    int capability = 1;       // slot-system capability reported by identify
    int storePermission = 1;  // store permission reported by identify
    std::array<std::uint8_t, 12> levels{};
    std::array<std::uint8_t, 12> signals{};
};

class DeviceEngine {
public:
    DeviceEngine(); // start-up defaults as live program and in every slot

    // Bytes as they arrive from the link, in any pieces. Returns the reply bytes of every frame
    // completed by them (empty when none). Never fails, whatever arrives.
    std::vector<std::uint8_t> Receive(std::span<const std::uint8_t> bytes);
    // The link was quiet for a while (about 500 ms): drop a half-received frame.
    void QuietGap();

    void SetFaults(const EngineFaults& faults);
    // Load an all-presets file image (57019 or 58405 bytes). False for another size.
    bool LoadAllPresets(std::span<const std::uint8_t> file);

    // The engine's state; lock Mutex() around access while another thread feeds the engine.
    DeviceState& State() { return m_state; }
    std::mutex& Mutex() { return m_mutex; }
    // Frames received so far (for traces and faults).
    int FramesReceived() const { return m_framesReceived; }

private:
    DeviceState m_state;
    EngineFaults m_faults;
    std::mutex m_mutex;
    int m_framesReceived = 0;
    std::vector<std::uint8_t> m_rx; // the frame being received
};

} // namespace kel
