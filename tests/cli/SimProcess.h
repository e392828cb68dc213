// kelvane-sim in a child process, for the CLI tests and the fleet benchmark.
#pragma once

#include "support/ChildProcess.h"

#include <string>

namespace kel::testkit {

// Runs `sim ARGS` through the shell; its first output line says where it listens. Stopped (SIGTERM)
// when this goes away.
class SimProcess : public ChildProcess {
  public:
    SimProcess(const std::string& sim, const std::string& args) : ChildProcess(sim + " " + args) {}
    // "127.0.0.1:PORT" or the pseudo-terminal's path; empty when it did not start.
    const std::string& Where() const { return FirstLine(); }
    // The port of "A:PORT".
    std::string Port() const { return Where().substr(Where().rfind(':') + 1); }
};

} // namespace kel::testkit
