// Serves a DeviceEngine over UDP on a loopback address, in a thread of its own.
#pragma once

#include "emulator/DeviceEngine.h"
#include "emulator/ServerLoop.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace kel {

// Options shared by the engine's servers.
struct ServerOptions {
    bool splitReplies = false; // send each reply in small pieces
};

// Largest reply datagram, and the piece size of split replies.
inline constexpr int kReplyDatagramMax = 256;
inline constexpr int kSplitPieceBytes = 7;
// Senders with a half-received frame the server keeps apart at most; past that the oldest is dropped.
inline constexpr std::size_t kMaxPartialSenders = 64;

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
    // Senders whose frame has begun and not yet completed (each sender's bytes are collected apart).
    std::size_t PartialSenders() const;

  private:
    struct Peer {
        FrameCollector collector;
        std::chrono::steady_clock::time_point last;
    };
    void OnReadable();
    void DropQuietPeers(bool all);

    DeviceEngine& m_engine;
    ServerOptions m_options;
    int m_fd = -1;
    int m_port = 0;
    mutable std::mutex m_peersMutex;
    std::map<std::uint64_t, Peer> m_peers; // by address and port
    ServerLoop m_loop;
};

// Whether a dotted address (or "localhost") is a loopback address.
bool IsLoopbackAddress(const std::string& address);

} // namespace kel
