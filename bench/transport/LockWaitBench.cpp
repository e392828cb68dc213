// How long a UI thread waits for ImageLock while a link runs, at the real timing table: with the link
// idle (meter polls) and while one program is written. A probe thread takes the lock every millisecond
// as the window's edits and refreshes do, and records each wait; `busy_percent` is the share of tries
// that found the lock held.
#include "LinkBenchKit.h"

#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace kel {
namespace {

using namespace benchkit;

// Takes ImageLock every millisecond until stopped.
class LockProbe {
  public:
    LockProbe() : m_thread([this] { Run(); }) {}
    ~LockProbe() { Stop(); }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    void Report(benchmark::State& state) {
        Stop();
        std::sort(m_waits.begin(), m_waits.end());
        if (m_waits.empty()) {
            return;
        }
        state.counters["max_wait_ms"] = m_waits.back();
        state.counters["p99_wait_ms"] = m_waits[m_waits.size() * 99 / 100];
        state.counters["busy_percent"] = 100.0 * m_busy / static_cast<double>(m_waits.size());
        state.counters["tries"] = static_cast<double>(m_waits.size());
    }

  private:
    void Run() {
        while (!m_stop) {
            const auto t0 = Clock::now();
            std::unique_lock lock(ImageLock(), std::try_to_lock);
            if (!lock.owns_lock()) {
                ++m_busy;
                lock.lock();
            }
            const auto t1 = Clock::now();
            lock.unlock();
            m_waits.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    std::atomic<bool> m_stop{false};
    std::vector<double> m_waits;
    long m_busy = 0;
    std::thread m_thread;
};

bool TransferDone() {
    ImageLockGuard lock(ImageLock());
    return TheProtocol().Queue().IsEmpty() && TheModel().connection.transferInProgress == 0;
}

// The link polling the meters for a few seconds.
void BM_LockWaitIdle(benchmark::State& state) {
    const auto link = static_cast<Link>(state.range(0));
    for (auto _ : state) {
        StampingEmulator emulator(link, CMD_POLL_LEVELS);
        PrepareModel(link);
        AppLink app;
        if (emulator.Where().empty() || !app.Open(link, emulator.Where())) {
            state.SkipWithError("the link did not open");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1)); // settled into polling
        LockProbe probe;
        std::this_thread::sleep_for(std::chrono::seconds(4));
        probe.Report(state);
        app.Close();
    }
    ResetLinkSettings();
}

// One program written to the device (its long pause included), as "Import" does.
void BM_LockWaitWritingProgram(benchmark::State& state) {
    const auto link = static_cast<Link>(state.range(0));
    for (auto _ : state) {
        StampingEmulator emulator(link, CMD_WRITE_PROGRAM);
        PrepareModel(link);
        AppLink app;
        if (emulator.Where().empty() || !app.Open(link, emulator.Where())) {
            state.SkipWithError("the link did not open");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        LockProbe probe;
        {
            ImageLockGuard lock(ImageLock());
            TheProtocol().DeviceCommand(CMD_WRITE_PROGRAM, 0);
        }
        const auto start = Clock::now();
        while (!TransferDone() && Clock::now() - start < std::chrono::seconds(30)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        state.counters["transfer_s"] = std::chrono::duration<double>(Clock::now() - start).count();
        probe.Report(state);
        app.Close();
    }
    ResetLinkSettings();
}

BENCHMARK(BM_LockWaitIdle)->ArgName("pty")->Arg(LINK_UDP)->Arg(LINK_PTY)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_LockWaitWritingProgram)
    ->ArgName("pty")
    ->Arg(LINK_UDP)
    ->Arg(LINK_PTY)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
} // namespace kel

BENCHMARK_MAIN();
