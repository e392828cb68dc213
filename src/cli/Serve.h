// kelvane-cli serve: the remote control service without a window, for a small computer in the rack.
#pragma once

#include "cli/CliHooks.h"
#include "connection/Connection.h"

#include <string>

namespace kel::cli {

struct ServeArgs {
    std::string listen;    // "[ADDR:]PORT"
    std::string tokenFile; // empty: the user's token (when a token is needed)
};

// Checks the address and the token first (2 for a bad address, 1 for a token that cannot be had),
// serves until SIGINT or SIGTERM, and keeps connecting to the device: at start, and again whenever
// the link fails. Returns 0 after a signal.
int Serve(LinkPorts& links, CliHooks& hooks, const ServeArgs& args);

} // namespace kel::cli
