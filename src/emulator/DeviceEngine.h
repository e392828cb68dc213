// The emulated processor: answers every command of the device protocol from its own live state.
#pragma once

#include "model/Model.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
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
    std::vector<std::uint8_t> noise = {}; // stray bytes the line adds ahead of every reply
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

// Assembles the bytes of one sender into frames: a frame starts at FF 55, and a header whose count no
// frame can have is dropped while hunting for the next.
class FrameCollector {
public:
    // Takes one byte; true when it completed a frame, which Take() then hands over.
    bool Add(std::uint8_t b);
    std::vector<std::uint8_t> Take();
    void Clear() { m_frame.clear(); }
    bool HasPartialFrame() const { return !m_frame.empty(); }

private:
    std::vector<std::uint8_t> m_frame;
};

// Store (134) takes slots 1..16 always and the favourite slots F1..F5 (17..21) only with store
// permission; slot 0 is refused (status 1). With a slot-system capability the live system block is
// stored with the program, and a recall brings the slot's block back (the passwords stay the device's).
class DeviceEngine {
public:
    DeviceEngine(); // start-up defaults as live program and in every slot

    // Bytes as they arrive from the link, in any pieces. Returns the reply bytes of every frame
    // completed by them (empty when none). Never fails, whatever arrives.
    std::vector<std::uint8_t> Receive(std::span<const std::uint8_t> bytes);
    // The same for one of several senders, whose bytes the caller collects apart (a UDP peer). The
    // collector belongs to the caller's thread.
    std::vector<std::uint8_t> Receive(FrameCollector& collector, std::span<const std::uint8_t> bytes);
    // The link was quiet for a while (about 500 ms): drop a half-received frame.
    void QuietGap();

    void SetFaults(const EngineFaults& faults);
    // Load an all-presets file image (57019 or 58405 bytes). False for another size.
    bool LoadAllPresets(std::span<const std::uint8_t> file);

    // The engine's state; lock Mutex() around access while another thread feeds the engine.
    // Receive, QuietGap, SetFaults, LoadAllPresets and the calls below take Mutex() themselves.
    DeviceState& State() { return m_state; }
    std::mutex& Mutex() { return m_mutex; }
    // Frames received so far (for traces and faults).
    int FramesReceived() const { return m_framesReceived.load(std::memory_order_relaxed); }

    // The reply to one whole frame (FF 55 .. checksum), without faults; empty for a malformed frame.
    std::vector<std::uint8_t> HandleFrame(std::span<const std::uint8_t> frame);
    // Whether a frame has begun and not yet completed.
    bool HasPartialFrame() const;
    // Called for every completed frame with its type, index byte and count, with Mutex() held:
    // the observer must not call back into the engine.
    using FrameObserver = std::function<void(int type, int index, int count)>;
    void SetFrameObserver(FrameObserver observer);
    // Called for every completed frame with its bytes, header to checksum, with Mutex() held.
    using FrameTap = std::function<void(std::span<const std::uint8_t> frame)>;
    void SetFrameTap(FrameTap tap);
    // The output block that output-channel commands address: the live OutputMode's, Sing while Auto.
    // Call with Mutex() held when another thread feeds the engine.
    int OutputBlock() const;

private:
    std::vector<std::uint8_t> ReceiveLocked(FrameCollector& collector, std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& frame);
    bool MayStore(int slot) const;
    void Store(int slot, const std::uint8_t* name);
    void Recall(int slot);
    void SweepMeters(int modeIndex);
    ProgramImage& Slot(int n);
    SystemBlock& SlotSystem(int n);

    DeviceState m_state;
    EngineFaults m_faults;
    mutable std::mutex m_mutex;
    std::atomic<int> m_framesReceived{0}; // read by other threads without the mutex
    FrameCollector m_collector; // the frame being received on the engine's one link
    int m_replies = 0;              // replies built, for the drop and corrupt faults
    int m_sweep = 0;                // phase of the meter animation
    FrameObserver m_observer;
    FrameTap m_tap;
};

} // namespace kel
