// Wall time of `kelvane-cli fleet ... backup` for 1, 10 and 30 rooms at the real timing (scale 1),
// each room its own kelvane-sim process on loopback, with the CPU and memory the fleet and its room
// processes used. The links' pauses are the bottleneck: 30 rooms should take about as long as one.
//
// Slow by nature (about 45 s per run): one iteration each.
#include "SimProcess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

void BM_FleetBackup(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto scratch =
        std::filesystem::temp_directory_path() / ("kelvane-fleet-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    std::vector<std::unique_ptr<kel::testkit::SimProcess>> rooms;
    {
        std::ofstream toml(scratch / "rooms.toml");
        for (int n = 0; n < count; ++n) {
            rooms.push_back(std::make_unique<kel::testkit::SimProcess>(KELVANE_SIM, "--udp 127.0.0.1:0"));
            toml << "[[room]]\nname = \"room-" << n
                 << "\"\naddress = \"127.0.0.1\"\nport = " << rooms.back()->Port() << "\n";
        }
    }
    const std::string toml = (scratch / "rooms.toml").string();
    const std::string out = (scratch / "backups").string();
    bool failed = false;
    for (auto _ : state) {
        rusage before{};
        ::getrusage(RUSAGE_CHILDREN, &before);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(KELVANE_CLI, KELVANE_CLI, "fleet", toml.c_str(), "backup", "-o", out.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage fleet{};
        ::wait4(pid, &status, 0, &fleet);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage after{};
        ::getrusage(RUSAGE_CHILDREN, &after); // the fleet and, through it, every room process
        failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        state.SetIterationTime(wall);
        state.counters["cpu_s"] = Seconds(after.ru_utime) + Seconds(after.ru_stime) -
                                  Seconds(before.ru_utime) - Seconds(before.ru_stime);
        state.counters["fleet_rss_MiB"] = fleet.ru_maxrss / 1024.0;
        state.counters["largest_rss_MiB"] = after.ru_maxrss / 1024.0;
    }
    if (failed) {
        state.SkipWithError("a room's backup failed");
    }
    rooms.clear();
    std::filesystem::remove_all(scratch);
}

BENCHMARK(BM_FleetBackup)->Arg(1)->Arg(10)->Arg(30)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
