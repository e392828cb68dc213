// Serves a DeviceEngine over UDP on a loopback address, in a thread of its own.
#pragma once

#include "emulator/DeviceEngine.h"

#include <atomic>
#include <string>
#include <thread>

namespace kel {

// Options shared by the engine's servers.
struct ServerOptions {
    bool splitReplies = false; // send each reply in small pieces
};

// Largest reply datagram, and the piece size of split replies.
inline constexpr int kReplyDatagramMax = 256;
inline constexpr int kSplitPieceBytes = 7;

class UdpServer {
  public:
    explicit UdpServer(DeviceEngine& engine, ServerOptions options = {});
    ~UdpServer();
    UdpServer(const UdpServer&) = delete;
    UdpServer& operator=(const UdpServer&) = delete;

    // Binds address:port (port 0: a free one) and starts serving. Only loopback addresses are served.
    // False with a reason in *error.
    bool Start(const std::string& address, int port, std::string* error);
    void Stop();
    // The bound port (after Start).
    int Port() const { return m_port; }

  private:
    void Run();

    DeviceEngine& m_engine;
    ServerOptions m_options;
    int m_fd = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Whether a dotted address (or "localhost") is a loopback address.
bool IsLoopbackAddress(const std::string& address);

} // namespace kel
