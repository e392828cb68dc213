// kelvane-sim in a child process, for the CLI tests and the fleet benchmark.
#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace kel::testkit {

// Runs `sim ARGS` through the shell; its first output line says where it listens. Stopped (SIGTERM)
// when this goes away.
class SimProcess {
public:
    SimProcess(const std::string& sim, const std::string& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    // "127.0.0.1:PORT" or the pseudo-terminal's path; empty when it did not start.
    const std::string& Where() const { return m_where; }
    // The port of "A:PORT".
    std::string Port() const { return m_where.substr(m_where.rfind(':') + 1); }

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
    std::string m_where;
};

} // namespace kel::testkit
