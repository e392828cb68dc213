// The loop the engine's servers share: a thread waiting for its descriptor, quiet gaps and stopping.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>

namespace kel {

class ServerLoop {
  public:
    struct Handlers {
        std::function<void()> readable; // the descriptor has bytes
        std::function<void()> quiet;    // nothing arrived for the quiet gap
        std::function<void()> hangup;   // no reader on the other side (a pseudo-terminal's)
    };

    ServerLoop() = default;
    ~ServerLoop();
    ServerLoop(const ServerLoop&) = delete;
    ServerLoop& operator=(const ServerLoop&) = delete;

    // Starts the thread on `fd` (which the server keeps owning). False with a reason in *error.
    bool Start(int fd, Handlers handlers, std::string* error);
    // Ends the thread; returns after it ended.
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    bool Stopping() const { return m_stop.load(); }

  private:
    void Run();

    int m_fd = -1;
    int m_wake[2] = {-1, -1};
    Handlers m_handlers;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Hands `bytes` to `send` in pieces of at most `piece` bytes, in order.
template <class Send> void ForEachPiece(std::span<const std::uint8_t> bytes, std::size_t piece, Send send) {
    for (std::size_t pos = 0; pos < bytes.size(); pos += piece) {
        send(bytes.subspan(pos, std::min(piece, bytes.size() - pos)));
    }
}

// Milliseconds of a scaled base duration, at least 1 (a poll time-out).
int ScaledPollMs(int baseMs);

} // namespace kel
