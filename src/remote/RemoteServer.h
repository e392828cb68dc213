// The remote control service: the JSON API, the live stream (WebSocket /api/live) and the embedded
// page, served over HTTP on a thread of its own. It reaches the model only as a page does (see
// RemoteModel.h); it hears every edit of the model (the window's and its own phones'), and the host tells
// it of received programs, system blocks and level reports (Notify).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kel::remote {

struct RemoteOptions {
    std::string address = "127.0.0.1";
    int port = 0;                 // 0: a free one
    std::string token;            // required when not empty (NeedsToken)
    std::size_t maxBody = 1024;   // bytes of a request body; larger ones get 413
    std::size_t maxHeader = 8192; // bytes of a request head; larger ones get 431
    int requestsPerSecond = 50;   // per client address, with bursts of twice as many; then 429
    int maxConnections = 64;      // open connections, pages included
    int maxLive = 32;             // live streams
    int liveIntervalMs = 100;     // at most one live message per stream in this time (10 a second)
};

enum class RemoteEvent { ProgramReceived, SystemReceived, LevelsReceived, ConnectionChanged, Edited };

class RemoteServer {
  public:
    explicit RemoteServer(RemoteOptions options);
    ~RemoteServer(); // stops
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Binds and starts the thread. False with the reason in `error`.
    bool Start(std::string& error);
    void Stop();
    // The bound port (after Start).
    int Port() const;
    // The page's address, with ?token= when a token is required.
    std::string PageUrl() const;
    // From any thread: something the page shows has changed; the live streams are told at once
    // (within their message rate) instead of at the next regular look.
    void Notify(RemoteEvent event);
    // Live streams open now (any thread).
    int LiveCount() const;

    struct Impl; // the Boost.Beast side, in RemoteServer.cpp only

  private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace kel::remote
