// Serves a DeviceEngine over a pseudo-terminal, in a thread of its own; the slave path is the port.
#pragma once

#include "emulator/DeviceEngine.h"
#include "emulator/ServerLoop.h"
#include "emulator/UdpServer.h"

#include <string>

namespace kel {

class PtyServer {
  public:
    explicit PtyServer(DeviceEngine& engine, ServerOptions options = {});
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens a pseudo-terminal in raw mode and starts serving. False with a reason in *error.
    bool Start(std::string* error);
    void Stop();
    // The path a serial port opens (after Start), such as /dev/pts/5.
    const std::string& Path() const { return m_path; }

  private:
    void OnReadable();
    void Write(const std::uint8_t* data, std::size_t size);

    DeviceEngine& m_engine;
    ServerOptions m_options;
    int m_master = -1;
    int m_slave = -1; // kept open so that the link survives clients coming and going
    std::string m_path;
    ServerLoop m_loop;
};

} // namespace kel
