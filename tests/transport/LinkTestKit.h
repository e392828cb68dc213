// Test kit for the links: recording hooks, stand-in devices on loopback UDP and a pseudo-terminal.
#pragma once

#include "model/AppHooks.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace kel::test {

// Hooks that record what the links post and show; safe from any thread.
class RecordingHooks : public NullHooks {
  public:
    struct Posted {
        int message;
        std::intptr_t wParam, lParam;
    };
    struct Box {
        std::string text, caption;
        BoxIcon icon;
    };
    void PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;
    bool HasWindow() const override { return true; } // the parser posts the program messages only then
    void MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) override;
    std::vector<Posted> Messages(int message) const;
    std::vector<Box> Boxes() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<Posted> m_posted;
    std::vector<Box> m_boxes;
};

// Raw bytes in, reply bytes out: the shape of the emulated processor's Receive.
using DeviceFn = std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t>)>;

// Faults of the acknowledging device below.
struct AckFaults {
    int dropEvery = 0;    // no reply to every Nth frame
    int corruptEvery = 0; // a wrong checksum on every Nth reply
    int silentAfter = -1; // nothing at all after this many frames
    int runFrom = 0;      // frames runFrom .. runFrom + runLength - 1 (counted from 1) are spoilt:
    int runLength = 0;    //   no reply, or with runCorrupt a wrong checksum
    bool runCorrupt = false;
};

// A device that acknowledges every frame (count 3, the request's type, status 0), with faults.
class AckDevice {
  public:
    using Faults = AckFaults;
    explicit AckDevice(Faults faults = {}) : m_faults(faults) {}
    std::vector<std::uint8_t> Receive(std::span<const std::uint8_t> bytes);
    // The frames received so far, whole, in order.
    std::vector<std::vector<std::uint8_t>> Frames() const;
    int FrameCount() const;

  private:
    Faults m_faults;
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_partial;
    std::vector<std::vector<std::uint8_t>> m_frames;
};

// Serves a device on 127.0.0.1 over UDP; each reply goes back to the sender in one datagram.
class UdpTestServer {
  public:
    explicit UdpTestServer(DeviceFn device);
    ~UdpTestServer();
    int Port() const { return m_port; }
    // Every datagram received, as received.
    std::vector<std::vector<std::uint8_t>> Datagrams() const;

  private:
    void Run();
    DeviceFn m_device;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_datagrams;
    std::thread m_thread;
};

// Serves a device behind a pseudo-terminal; SlavePath() is the port to open.
class PtyTestServer {
  public:
    explicit PtyTestServer(DeviceFn device);
    ~PtyTestServer();
    const std::string& SlavePath() const { return m_slavePath; }
    // Every piece read from the master side, as read.
    std::vector<std::vector<std::uint8_t>> Reads() const;
    // The device disappears: the master side closes.
    void Unplug();

  private:
    void Run();
    DeviceFn m_device;
    std::atomic<int> m_master{-1};
    std::atomic<bool> m_unplug{false};
    std::string m_slavePath;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_reads;
    std::thread m_thread;
};

// A fresh model with the given link active, the hooks installed and the timing table scaled.
void PrepareLink(int transport, RecordingHooks& hooks, double scale);
// Hooks removed, timing and link settings back to their built-in values, queue emptied.
void ReleaseLink();

// The types of the frames a device received.
std::vector<int> FrameTypes(const AckDevice& device);
// Meter polls with the retries of one exchange folded together: each exchange completed when the
// folded sequence alternates 12, 24, 12, ...
bool PollsAlternate(const std::vector<int>& types);

// Open descriptors and threads of this process.
int OpenDescriptorCount();
int ThreadCount();

// Opens, starts (until the device has seen a frame) and closes a link 20 times; then no descriptor
// and no thread of the process is left over.
template <typename Port, typename OpenFn>
void ExpectStartCloseCyclesLeakNothing(Port& port, OpenFn open, const AckDevice& device) {
    using namespace std::chrono_literals;
    const int descriptors = OpenDescriptorCount();
    const int threads = ThreadCount();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(open());
        ASSERT_TRUE(port.Start());
        const int seen = device.FrameCount();
        ASSERT_TRUE(WaitUntil([&] { return device.FrameCount() > seen; }, 5s));
        port.Close();
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(ThreadCount(), threads);
}

// A frame with the given count, type and zero body, checksum built.
std::vector<std::uint8_t> MakeFrame(int count, std::uint8_t type);

} // namespace kel::test
