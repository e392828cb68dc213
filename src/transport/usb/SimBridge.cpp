// The simulated back-end: bridges whose UART ends in an in-process peer, replies paced like 115200 baud.
#include "transport/usb/SimBridge.h"

#include "model/Timing.h"
#include "transport/usb/BridgeBackend.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/EnginePeer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace kel::bridge {

namespace {

using Clock = std::chrono::steady_clock;

inline constexpr std::size_t kWriteLogLimit = 20000;
inline constexpr int kBitsPerByte = 10; // start bit, 8 data bits, stop bit
inline constexpr std::uint16_t kSimVersion = 0x0100;
inline constexpr std::array<std::uint8_t, 2> kNoise{0xA5, 0x5A}; // never a frame header

// A plugged-in bridge: identity, peer, faults and what was written to it.
struct SimBridge {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::shared_ptr<BridgePeer> peer;

    std::mutex mutex; // everything below, and the peer
    SimBridgeFaults faults;
    int writesLeftBeforeFailure = -1;
    int failuresLeft = 0;
    bool unplugged = false;
    bool lineBroken = true; // nothing sent yet, or a write broke off
    Clock::time_point lastWrite{};
    std::deque<std::vector<std::uint8_t>> writes;
    std::optional<std::array<int, 5>> rate;

    void ApplyFaults(const SimBridgeFaults& f) {
        faults = f;
        writesLeftBeforeFailure = f.writeFailAfter;
        failuresLeft = f.writeFailCount;
    }
    // Counts a report write against the write-failure knobs; true when this one fails.
    bool NextWriteFails() {
        if (writesLeftBeforeFailure < 0) {
            return false;
        }
        if (writesLeftBeforeFailure > 0) {
            --writesLeftBeforeFailure;
            return false;
        }
        if (failuresLeft > 0) {
            --failuresLeft;
            return true;
        }
        return false;
    }
};

struct Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<SimBridge>> bridges; // plug order = enumeration order
    int nextId = 0;
};

Registry& Reg() {
    static Registry reg;
    return reg;
}

std::shared_ptr<SimBridge> FindBridge(const std::string& path) {
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    for (const auto& b : reg.bridges) {
        if (SameBridgePath(b->path, path)) {
            return b;
        }
    }
    return nullptr;
}

// The time a UART takes for n bytes, plus the piece gap, both scaled.
Clock::duration PieceTime(std::size_t n, int gapMs) {
    const double seconds = static_cast<double>(n) * kBitsPerByte / timing::kSimBridgeBaud;
    const auto uart = std::chrono::microseconds(static_cast<long long>(seconds * 1e6 * timing::Scale()));
    return uart + timing::Scaled(gapMs);
}

// One open handle of a simulated bridge: the replies on their way back.
class SimBridgeDevice : public BridgeDevice {
  public:
    explicit SimBridgeDevice(std::shared_ptr<SimBridge> bridge) : m_bridge(std::move(bridge)) {}

    bool GetAttributes(Attributes& out) override {
        std::lock_guard lock(m_bridge->mutex);
        if (m_bridge->unplugged || m_bridge->faults.failAttributes) {
            return false;
        }
        out = {m_bridge->vendorId, m_bridge->productId, kSimVersion};
        return true;
    }

    bool SetRate(int rateCode, int checkCode, int stopCode, int dataCode, int interval) override {
        std::lock_guard lock(m_bridge->mutex);
        m_bridge->rate = std::array{rateCode, checkCode, stopCode, dataCode, interval};
        return !m_bridge->unplugged;
    }

    bool CanRead() override {
        std::lock_guard lock(m_bridge->mutex);
        return !m_bridge->unplugged && !m_bridge->faults.failInitThread;
    }

    bool WriteReport(std::span<const std::uint8_t> bytes) override {
        std::vector<std::uint8_t> reply;
        {
            std::lock_guard lock(m_bridge->mutex);
            SimBridge& b = *m_bridge;
            if (b.unplugged) {
                return false;
            }
            if (b.NextWriteFails()) {
                b.lineBroken = true;
                return false;
            }
            const auto now = Clock::now();
            const bool quiet = b.lineBroken || now - b.lastWrite > timing::Scaled(timing::kSimBridgeQuietGap);
            if (quiet && b.peer) {
                b.peer->QuietGap();
            }
            b.lineBroken = false;
            b.lastWrite = now;
            if (b.writes.size() == kWriteLogLimit) {
                b.writes.pop_front();
            }
            b.writes.emplace_back(bytes.begin(), bytes.end());
            if (b.peer) {
                reply = b.peer->Receive(bytes);
            }
        }
        if (!reply.empty()) {
            {
                std::lock_guard lock(m_mutex);
                m_pending.insert(m_pending.end(), reply.begin(), reply.end());
            }
            m_changed.notify_all();
        }
        return true;
    }

    int ReadPiece(std::span<std::uint8_t> out, int timeoutMs) override {
        SimBridgeFaults faults;
        {
            std::lock_guard lock(m_bridge->mutex);
            if (m_bridge->unplugged) {
                return -1;
            }
            faults = m_bridge->faults;
        }
        const std::size_t pieceLimit = std::min<std::size_t>(std::max(1, faults.pieceBytes), out.size());
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::unique_lock lock(m_mutex);
        while (true) {
            if (m_woken) {
                m_woken = false;
                return 0;
            }
            const auto now = Clock::now();
            const std::size_t n = faults.babble ? pieceLimit : std::min(pieceLimit, m_pending.size());
            if (n > 0) {
                // The piece is on the line from when the reader first sees it until its last byte is in.
                if (!m_pieceStarted) {
                    m_pieceDue = now + PieceTime(n, faults.pieceGapMs);
                    m_pieceStarted = true;
                }
                if (now >= m_pieceDue) {
                    m_pieceStarted = false;
                    for (std::size_t i = 0; i < n; ++i) {
                        if (faults.babble) {
                            out[i] = kNoise[(m_noisePhase++) % kNoise.size()];
                        } else {
                            out[i] = m_pending.front();
                            m_pending.pop_front();
                        }
                    }
                    return static_cast<int>(n);
                }
            }
            if (now >= deadline) {
                return 0;
            }
            const auto until = n > 0 ? std::min(deadline, m_pieceDue) : deadline;
            m_changed.wait_until(lock, until);
        }
    }

    void WakeReader() override {
        {
            std::lock_guard lock(m_mutex);
            m_woken = true;
        }
        m_changed.notify_all();
    }

  private:
    std::shared_ptr<SimBridge> m_bridge;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::uint8_t> m_pending; // reply bytes not yet delivered
    bool m_pieceStarted = false;
    Clock::time_point m_pieceDue{};
    bool m_woken = false;
    std::size_t m_noisePhase = 0;
};

class SimBackend : public BridgeBackend {
  public:
    std::vector<std::string> DevicePaths() override {
        Registry& reg = Reg();
        std::lock_guard lock(reg.mutex);
        std::vector<std::string> paths;
        for (const auto& b : reg.bridges) {
            paths.push_back(b->path);
        }
        return paths;
    }

    std::unique_ptr<BridgeDevice> Open(const std::string& path) override {
        std::shared_ptr<SimBridge> bridge = FindBridge(path);
        if (!bridge) {
            return nullptr;
        }
        {
            std::lock_guard lock(bridge->mutex);
            if (bridge->faults.failOpen) {
                return nullptr;
            }
        }
        return std::make_unique<SimBridgeDevice>(std::move(bridge));
    }
};

} // namespace

std::unique_ptr<BridgeBackend> MakeSimulatedBackend() {
    return std::make_unique<SimBackend>();
}

std::string PlugSimulatedBridge(std::shared_ptr<BridgePeer> peer, std::uint16_t vendorId,
                                std::uint16_t productId) {
    auto bridge = std::make_shared<SimBridge>();
    bridge->vendorId = vendorId;
    bridge->productId = productId;
    bridge->peer = std::move(peer);
    Registry& reg = Reg();
    std::lock_guard lock(reg.mutex);
    bridge->path = "sim://bridge" + std::to_string(reg.nextId++);
    reg.bridges.push_back(bridge);
    return bridge->path;
}

bool UnplugSimulatedBridge(const std::string& path) {
    std::shared_ptr<SimBridge> bridge;
    {
        Registry& reg = Reg();
        std::lock_guard lock(reg.mutex);
        auto it = std::find_if(reg.bridges.begin(), reg.bridges.end(),
                               [&](const auto& b) { return SameBridgePath(b->path, path); });
        if (it == reg.bridges.end()) {
            return false;
        }
        bridge = *it;
        reg.bridges.erase(it);
    }
    std::lock_guard lock(bridge->mutex);
    bridge->unplugged = true;
    return true;
}

void UnplugAllSimulatedBridges() {
    std::vector<std::shared_ptr<SimBridge>> bridges;
    {
        Registry& reg = Reg();
        std::lock_guard lock(reg.mutex);
        bridges.swap(reg.bridges);
    }
    for (const auto& b : bridges) {
        std::lock_guard lock(b->mutex);
        b->unplugged = true;
    }
}

bool SetSimulatedBridgeFaults(const std::string& path, const SimBridgeFaults& faults) {
    auto bridge = FindBridge(path);
    if (!bridge) {
        return false;
    }
    std::lock_guard lock(bridge->mutex);
    bridge->ApplyFaults(faults);
    return true;
}

bool SetSimulatedEngineFaults(const std::string& path, const EngineFaults& faults) {
    auto bridge = FindBridge(path);
    if (!bridge) {
        return false;
    }
    std::lock_guard lock(bridge->mutex);
    if (bridge->peer) {
        bridge->peer->SetFaults(faults);
    }
    return true;
}

std::vector<std::vector<std::uint8_t>> TakeSimulatedBridgeWrites(const std::string& path) {
    auto bridge = FindBridge(path);
    if (!bridge) {
        return {};
    }
    std::lock_guard lock(bridge->mutex);
    std::vector<std::vector<std::uint8_t>> writes(std::make_move_iterator(bridge->writes.begin()),
                                                  std::make_move_iterator(bridge->writes.end()));
    bridge->writes.clear();
    return writes;
}

std::string PlugEmulatedProcessorIfNone() {
    {
        Registry& reg = Reg();
        std::lock_guard lock(reg.mutex);
        if (!reg.bridges.empty()) {
            return reg.bridges.front()->path;
        }
    }
    return PlugEngineBridge(std::make_shared<DeviceEngine>());
}

std::optional<std::array<int, 5>> SimulatedBridgeRate(const std::string& path) {
    auto bridge = FindBridge(path);
    if (!bridge) {
        return std::nullopt;
    }
    std::lock_guard lock(bridge->mutex);
    return bridge->rate;
}

} // namespace kel::bridge
