// Shared by the CLI tests.
#include "CliTestKit.h"

#include "model/DataConver.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace kel::testkit {

CliResult Cli(const std::string& link, const std::string& args) {
    const std::string cmd =
        std::string(KELVANE_CLI) + " " + link + " --timing-scale 0.05 " + args + " 2>>cli-stderr.txt";
    CliResult r{-1, {}};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) {
        return r;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        r.out.append(buf, n);
    }
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Stderr() {
    std::string error;
    auto bytes = ReadWholeFile("cli-stderr.txt", 1u << 20, error);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::string error;
    return ReadWholeFile(path, 1u << 20, error).value_or(std::vector<std::uint8_t>{});
}

void Save(const std::string& path, const void* data, std::size_t size) {
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, std::span(static_cast<const std::uint8_t*>(data), size), error));
}

std::unique_ptr<PresetStore> DistinctSet(int variant) {
    auto store = std::make_unique<PresetStore>();
    ResetSystemBlock(store->head);
    for (int n = 1; n <= kSlotCount; ++n) {
        ProgramImage& p = store->Slot(n);
        FillDefaultProgram(p);
        const std::string prefix = variant == 0 ? "Set " : "R" + std::to_string(variant) + " set ";
        TextToBytes(prefix + std::to_string(n), p.name);
        p.musicL.eq[n % 15].gain = static_cast<std::uint8_t>(100 + n + variant);
        p.out[1].ch[n % 8].delay = static_cast<std::uint16_t>(10 * n + variant);
        ResetSystemBlock(store->SlotSystem(n));
        store->SlotSystem(n).musicVolume = static_cast<std::uint8_t>(n + variant);
    }
    store->SlotSystem(1).currentSlot = 1;
    return store;
}

} // namespace kel::testkit
