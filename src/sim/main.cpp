// kelvane-sim: an emulated processor on loopback UDP and/or a pseudo-terminal.
#include "emulator/DeviceEngine.h"
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/BuildConfig.h"
#include "model/Timing.h"
#include "presets/FileIo.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// "A:P" into address and port; false when it is not of that form.
bool SplitAddress(const std::string& text, std::string& address, int& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        return false;
    }
    address = text.substr(0, colon);
    try {
        std::size_t used = 0;
        port = std::stoi(text.substr(colon + 1), &used);
        return used == text.size() - colon - 1 && port >= 0 && port <= 65535;
    } catch (const std::exception&) {
        return false;
    }
}

// "FF03..." into bytes (at most 64); false for anything else.
bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
    constexpr std::size_t kMaxNoiseBytes = 64;
    if (text.empty() || text.size() % 2 != 0 || text.size() / 2 > kMaxNoiseBytes) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        for (std::size_t k = i; k < i + 2; ++k) {
            const char c = text[k];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return false;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Kelvane emulated processor: answers the device protocol on loopback UDP or a pseudo-terminal"};
    std::string udp;
    bool serial = false;
    int capability = 1;
    int storePermission = 1;
    std::string load;
    kel::EngineFaults faults;
    bool split = false;
    bool trace = false;
    bool traceBytes = false;
    std::string noise;
    double timingScale = 1.0;
    app.add_option("--udp", udp, "serve UDP on A:P (loopback only; port 0 picks a free one)")
        ->default_str("127.0.0.1:" + std::to_string(kel::build::kDevicePort));
    app.add_flag("--serial", serial, "serve a pseudo-terminal; its path is printed on the first line");
    app.add_option("--capability", capability, "slot-system capability reported by identify")
        ->check(CLI::Range(0, 255));
    app.add_option("--store-permission", storePermission, "store permission reported by identify")
        ->check(CLI::Range(0, 255));
    app.add_option("--load", load, "all-presets file (.dat) for the 21 slots");
    app.add_option("--drop-every", faults.dropEvery, "drop every Nth reply")->check(CLI::NonNegativeNumber);
    app.add_option("--corrupt-every", faults.corruptEvery, "corrupt the checksum of every Nth reply")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--refuse", faults.refuseType, "refuse every command of this type (status 1)")
        ->check(CLI::Range(0, 255));
    app.add_flag("--split-replies", split, "send replies in small pieces");
    app.add_option("--silent-after", faults.silentAfter, "answer nothing after N frames")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--noise", noise, "send these bytes (hex, e.g. FF03) ahead of every reply");
    app.add_flag("--trace", trace, "print one line per frame received: type, index, count");
    app.add_flag("--trace-bytes", traceBytes, "print every frame received as a line of hex bytes, header to checksum");
    app.add_option("--timing-scale", timingScale, "scale of every pause")->check(CLI::PositiveNumber);
    app.set_version_flag("--version", std::string("kelvane-sim ") + kel::build::kVersion,
                         "print the version and exit");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) { // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "kelvane-sim: %s\n%s", e.what(), app.help().c_str());
        return kExitUsage;
    }
    kel::timing::SetScale(timingScale);
    if (!noise.empty() && !ParseHexBytes(noise, faults.noise)) {
        std::fprintf(stderr, "kelvane-sim: --noise wants 1 to 64 bytes in hex, got \"%s\"\n", noise.c_str());
        return kExitUsage;
    }

    // UDP is served unless only --serial was asked for.
    const bool serveUdp = !serial || app.count("--udp") > 0;
    std::string address = "127.0.0.1";
    int port = kel::build::kDevicePort;
    if (serveUdp && !udp.empty() && !SplitAddress(udp, address, port)) {
        std::fprintf(stderr, "kelvane-sim: --udp wants ADDRESS:PORT, got \"%s\"\n", udp.c_str());
        return kExitUsage;
    }
    if (serveUdp && !kel::IsLoopbackAddress(address)) {
        std::fprintf(stderr, "kelvane-sim: only loopback addresses are served, not %s\n", address.c_str());
        return kExitUsage;
    }

    auto engine = std::make_unique<kel::DeviceEngine>();
    if (!load.empty()) {
        std::string error;
        const auto bytes = kel::ReadWholeFile(load, kel::kPresetStoreSize, error);
        if (!bytes) {
            std::fprintf(stderr, "kelvane-sim: %s\n", error.c_str());
            return kExitFailed;
        }
        if (!engine->LoadAllPresets(*bytes)) {
            std::fprintf(stderr, "kelvane-sim: %s is not an all-presets file (%zu bytes)\n", load.c_str(),
                         bytes->size());
            return kExitFailed;
        }
    }
    {
        std::lock_guard lock(engine->Mutex());
        engine->State().capability = capability;
        engine->State().storePermission = storePermission;
    }
    engine->SetFaults(faults);
    if (trace) {
        engine->SetFrameObserver([](int type, int index, int count) {
            std::printf("frame type %d index %d count %d\n", type, index, count);
            std::fflush(stdout);
        });
    }

    if (traceBytes) {
        engine->SetFrameTap([](std::span<const std::uint8_t> frame) {
            std::string line = "bytes";
            for (std::uint8_t b : frame) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", b);
                line += hex;
            }
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        });
    }

    // The servers' threads inherit a mask that leaves SIGINT and SIGTERM to the wait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const kel::ServerOptions options{split};
    kel::PtyServer pty(*engine, options);
    kel::UdpServer udpServer(*engine, options);
    std::string error;
    if (serial) {
        if (!pty.Start(&error)) {
            std::fprintf(stderr, "kelvane-sim: pseudo-terminal: %s\n", error.c_str());
            return kExitFailed;
        }
        std::printf("%s\n", pty.Path().c_str());
    }
    if (serveUdp) {
        if (!udpServer.Start(address, port, &error)) {
            std::fprintf(stderr, "kelvane-sim: UDP: %s\n", error.c_str());
            return kExitFailed;
        }
        std::printf("%s:%d\n", address.c_str(), udpServer.Port());
    }
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    return 0;
}
