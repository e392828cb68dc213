// What the link benchmarks share: the idle connection's model, the application's end of a link, the
// process's CPU time, and an emulator in the process that stamps the arrival of one command type.
#pragma once

#include "emulator/DeviceEngine.h"
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "transport/LinkSettings.h"
#include "transport/NetPort.h"
#include "transport/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace kel::benchkit {

using Clock = std::chrono::steady_clock;

enum Link : int { LINK_UDP = 0, LINK_PTY = 1 };

// The idle connection the application keeps after its initial read.
inline void PrepareModel(Link link) {
    timing::SetScale(1.0);
    ImageLockGuard lock(ImageLock());
    ResetModel();
    CommitShadow(true);
    TheModel().settings.transportType = link == LINK_UDP ? TRANSPORT_NET : TRANSPORT_SERIAL;
    TheModel().connection.connected = 1;
}

// Opens the link on an emulator at `where` (a UDP port or a pseudo-terminal path).
class AppLink {
  public:
    bool Open(Link link, const std::string& where) {
        if (link == LINK_UDP) {
            return SetDevicePort(std::stoi(where)) && m_net.Open() && m_net.Start();
        }
        return m_serial.Open(where) && m_serial.Start();
    }
    void Close() {
        m_net.Close();
        m_serial.Close();
    }

  private:
    CNetPort m_net;
    CSerialPort m_serial;
};

inline double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The emulator in this process: it stamps the arrival of each frame of one command type.
class StampingEmulator {
  public:
    StampingEmulator(Link link, int type) : m_udp(m_engine), m_pty(m_engine) {
        m_engine.SetFrameObserver([this, type](int t, int index, int) {
            if (t == type) {
                std::lock_guard lock(m_mutex);
                m_arrivals.push_back({index, Clock::now()});
                m_arrived.notify_all();
            }
        });
        std::string error;
        if (link == LINK_UDP) {
            m_where = m_udp.Start("127.0.0.1", 0, &error) ? std::to_string(m_udp.Port()) : "";
        } else {
            m_where = m_pty.Start(&error) ? m_pty.Path() : "";
        }
    }
    ~StampingEmulator() {
        m_udp.Stop();
        m_pty.Stop();
    }
    const std::string& Where() const { return m_where; }
    // When the frame with this index arrived after `since`; nullopt after a 5 s wait.
    std::optional<Clock::time_point> ArrivalOf(int index, Clock::time_point since) {
        std::unique_lock lock(m_mutex);
        std::optional<Clock::time_point> found;
        m_arrived.wait_for(lock, std::chrono::seconds(5), [&] {
            for (const auto& a : m_arrivals) {
                if (a.index == index && a.when >= since) {
                    found = a.when;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

  private:
    struct Arrival {
        int index;
        Clock::time_point when;
    };
    DeviceEngine m_engine;
    UdpServer m_udp;
    PtyServer m_pty;
    std::string m_where;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Arrival> m_arrivals;
};

} // namespace kel::benchkit
