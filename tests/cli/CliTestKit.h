// Shared by the CLI tests: kelvane-sim in a child process, kelvane-cli runs, files and a preset set
// whose every slot can be told apart.
#pragma once

#include "SimProcess.h"

#include "model/Model.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kel::testkit {

// kelvane-sim with these arguments.
class Simulator : public SimProcess {
public:
    explicit Simulator(const std::string& args) : SimProcess(KELVANE_SIM, args) {}
};

struct CliResult {
    int code;
    std::string out;
};

// kelvane-cli LINK --timing-scale 0.05 ARGS; stderr is appended to cli-stderr.txt.
CliResult Cli(const std::string& link, const std::string& args);

// What the kelvane-cli runs wrote to stderr.
std::string Stderr();

std::vector<std::uint8_t> Bytes(const std::string& path);
void Save(const std::string& path, const void* data, std::size_t size);

// An all-presets set whose every slot is told apart by its name and a few values; `variant` makes
// sets that differ from each other (variant 0: slot names "Set N").
std::unique_ptr<PresetStore> DistinctSet(int variant = 0);

} // namespace kel::testkit
