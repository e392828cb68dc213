// Cost and speed of the network and serial links against the emulated processor, with the real timing:
// the application's CPU while it idles (polling the meters without pause) and the delay from an edit in
// the working image to the emulator receiving its short command.
//
// The idle run lasts KELVANE_LINK_BENCH_SECONDS (default 60) per link; its emulator runs in a child
// process, so the CPU figure is the polling application's alone.
#include "LinkBenchKit.h"
#include "emulator/DeviceEngine.h"
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/AppHooks.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"
#include "transport/LinkSettings.h"
#include "transport/NetPort.h"
#include "transport/SerialPort.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace kel;
using namespace benchkit;

// Starts an emulator in a child process; its port or path comes back through a pipe. The child serves
// until it is terminated.
pid_t StartEmulatorProcess(Link link, std::string& where) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        DeviceEngine engine;
        UdpServer udp(engine);
        PtyServer pty(engine);
        std::string error;
        std::string answer;
        if (link == LINK_UDP && udp.Start("127.0.0.1", 0, &error)) {
            answer = std::to_string(udp.Port());
        } else if (link == LINK_PTY && pty.Start(&error)) {
            answer = pty.Path();
        }
        answer += '\n';
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], answer.data(), answer.size());
        ::close(pipeFds[1]);
        for (;;) {
            ::pause();
        }
    }
    ::close(pipeFds[1]);
    char buffer[256] = {};
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    where.assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!where.empty() && where.back() == '\n') {
        where.pop_back();
    }
    return child;
}

void BM_IdlePollingCpu(benchmark::State& state) {
    const auto link = static_cast<Link>(state.range(0));
    const char* env = std::getenv("KELVANE_LINK_BENCH_SECONDS");
    const int seconds = env != nullptr ? std::max(1, std::atoi(env)) : 60;
    for (auto _ : state) {
        std::string where;
        const pid_t emulator = StartEmulatorProcess(link, where);
        if (emulator <= 0 || where.empty()) {
            state.SkipWithError("no emulator");
            return;
        }
        PrepareModel(link);
        AppLink app;
        if (!app.Open(link, where)) {
            state.SkipWithError("the link did not open");
        } else {
            std::this_thread::sleep_for(std::chrono::seconds(2)); // settled into polling
            const double cpu0 = CpuSeconds();
            const auto wall0 = Clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            const double cpu = CpuSeconds() - cpu0;
            const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
            state.counters["cpu_percent"] = 100.0 * cpu / wall;
            state.counters["seconds"] = wall;
        }
        app.Close();
        ::kill(emulator, SIGTERM);
        ::waitpid(emulator, nullptr, 0);
    }
    ResetLinkSettings();
}

void BM_EditToDeviceLatency(benchmark::State& state) {
    const auto link = static_cast<Link>(state.range(0));
    constexpr int kEdits = 100;
    for (auto _ : state) {
        StampingEmulator emulator(link, CMD_EQ_BAND);
        PrepareModel(link);
        AppLink app;
        if (emulator.Where().empty() || !app.Open(link, emulator.Where())) {
            state.SkipWithError("the link did not open");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::mt19937 random(11);
        std::vector<double> latencies;
        for (int i = 0; i < kEdits; ++i) {
            // At a random point of the exchange cycle.
            std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 300));
            const int band = i % 15;
            Clock::time_point edited;
            {
                ImageLockGuard lock(ImageLock());
                EqBand& b = TheModel().image.musicL.eq[band];
                b.gain = static_cast<std::uint8_t>(b.gain == 120 ? 121 : 120);
                edited = Clock::now();
            }
            if (const auto arrived = emulator.ArrivalOf(band, edited)) {
                latencies.push_back(std::chrono::duration<double, std::milli>(*arrived - edited).count());
            }
        }
        app.Close();
        if (latencies.size() != kEdits) {
            state.SkipWithError("an edit never reached the emulator");
            return;
        }
        std::sort(latencies.begin(), latencies.end());
        state.counters["median_ms"] = latencies[kEdits / 2];
        state.counters["min_ms"] = latencies.front();
        state.counters["p90_ms"] = latencies[kEdits * 9 / 10];
        state.counters["max_ms"] = latencies.back();
    }
    ResetLinkSettings();
}

BENCHMARK(BM_IdlePollingCpu)
    ->ArgName("pty")
    ->Arg(LINK_UDP)
    ->Arg(LINK_PTY)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_EditToDeviceLatency)
    ->ArgName("pty")
    ->Arg(LINK_UDP)
    ->Arg(LINK_PTY)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
