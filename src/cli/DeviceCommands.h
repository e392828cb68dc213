// Commands of kelvane-cli that talk to the device. Each returns the exit code.
#pragma once

#include "cli/CliHooks.h"
#include "connection/Connection.h"

#include <string>

namespace kel::cli {

int Identify(LinkPorts& links, CliHooks& hooks);
int Read(LinkPorts& links, CliHooks& hooks, const std::string& outPath);
int Backup(LinkPorts& links, CliHooks& hooks, const std::string& outPath);
// The file is checked first (size, and every field's range unless `force`), before the device is opened.
int Restore(LinkPorts& links, CliHooks& hooks, const std::string& inPath, bool force = false);
int Write(LinkPorts& links, CliHooks& hooks, const std::string& inPath, bool force = false);
int Apply(LinkPorts& links, CliHooks& hooks, const std::string& inPath, bool force = false);
int Recall(LinkPorts& links, CliHooks& hooks, int slot);
int Store(LinkPorts& links, CliHooks& hooks, int slot, const std::string& name);
int Meters(LinkPorts& links, CliHooks& hooks, int count);

} // namespace kel::cli
