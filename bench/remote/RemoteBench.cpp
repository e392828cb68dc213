// The remote control's cost and speed, with the real timing of the links:
// - BM_FaderToFrame: a fader move from a phone (PUT /api/volume/music over loopback HTTP) until the
//   emulated processor has the master-volume frame, against the same edit written straight into the
//   model (the link's floor), each 100 times at random points of the exchange cycle;
// - BM_LiveStreamsCpu: the CPU of the process serving 20 pages that stream the meters, the meters
//   changing ten times a second (every look finds news, so every stream gets every message). The pages
//   run in a child process, so the figure is the service's alone.
#include "emulator/DeviceEngine.h"
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/CommandTables.h"
#include "remote/RemoteServer.h"
#include "transport/LinkBenchKit.h"
#include "transport/LinkSettings.h"
#include "transport/NetPort.h"
#include "transport/SerialPort.h"

#include <benchmark/benchmark.h>
#include <utility> // ahead of Boost.Asio 1.74 (std::exchange)

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace kel;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

using namespace benchkit;

// One phone: a kept-alive HTTP connection.
class Phone {
  public:
    explicit Phone(int port) : m_socket(m_ioc) {
        m_socket.connect(
            tcp::endpoint(net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)));
        m_host = "127.0.0.1:" + std::to_string(port);
    }
    int Put(const std::string& target, const std::string& body) {
        http::request<http::string_body> req{http::verb::put, target, 11};
        req.set(http::field::host, m_host);
        req.set(http::field::content_type, "application/json");
        req.body() = body;
        req.prepare_payload();
        http::write(m_socket, req);
        http::response<http::string_body> res;
        http::read(m_socket, m_buffer, res);
        return static_cast<int>(res.result_int());
    }

  private:
    net::io_context m_ioc;
    tcp::socket m_socket;
    beast::flat_buffer m_buffer;
    std::string m_host;
};

void BM_FaderToFrame(benchmark::State& state) {
    const auto link = static_cast<Link>(state.range(0));
    constexpr int kEdits = 100;
    for (auto _ : state) {
        StampingEmulator emulator(link, CMD_MASTER_VOLUME);
        PrepareModel(link);
        remote::RemoteServer server(remote::RemoteOptions{});
        std::string error;
        AppLink app;
        if (emulator.Where().empty() || !server.Start(error) || !app.Open(link, emulator.Where())) {
            state.SkipWithError("the link or the service did not open");
            return;
        }
        Phone phone(server.Port());
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::mt19937 random(11);
        std::vector<double> http, direct;
        for (int i = 0; i < 2 * kEdits; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 300));
            const int value = 10 + i % 2;
            const bool viaHttp = i % 2 == 0;
            const Clock::time_point edited = Clock::now();
            if (viaHttp) {
                if (phone.Put("/api/volume/music", "{\"value\":" + std::to_string(value) + "}") != 200) {
                    state.SkipWithError("the service refused the edit");
                    return;
                }
            } else {
                ImageLockGuard lock(ImageLock());
                TheModel().system.musicVolume = static_cast<std::uint8_t>(value);
            }
            if (const auto arrived = emulator.ArrivalOf(0, edited)) {
                (viaHttp ? http : direct)
                    .push_back(std::chrono::duration<double, std::milli>(*arrived - edited).count());
            }
        }
        app.Close();
        server.Stop();
        if (http.size() != kEdits || direct.size() != kEdits) {
            state.SkipWithError("an edit never reached the emulator");
            return;
        }
        std::sort(http.begin(), http.end());
        std::sort(direct.begin(), direct.end());
        state.counters["http_median_ms"] = http[kEdits / 2];
        state.counters["http_p90_ms"] = http[kEdits * 9 / 10];
        state.counters["http_max_ms"] = http.back();
        state.counters["floor_median_ms"] = direct[kEdits / 2];
        state.counters["floor_p90_ms"] = direct[kEdits * 9 / 10];
        state.counters["floor_max_ms"] = direct.back();
    }
    ResetLinkSettings();
}

// The pages: `count` live streams in a child process, reading until terminated; the number of messages
// they received comes back on `report` at the end.
pid_t StartPages(int port, int count, int report) {
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    static std::atomic<bool> stop{false};
    std::signal(SIGTERM, [](int) { stop = true; });
    net::io_context ioc;
    std::vector<std::unique_ptr<websocket::stream<tcp::socket>>> pages;
    std::vector<beast::flat_buffer> buffers(static_cast<std::size_t>(count));
    long messages = 0;
    std::function<void(std::size_t)> read = [&](std::size_t i) {
        pages[i]->async_read(buffers[i], [&, i](beast::error_code ec, std::size_t) {
            if (!ec) {
                ++messages;
                buffers[i].consume(buffers[i].size());
                read(i);
            }
        });
    };
    for (int i = 0; i < count; ++i) {
        auto ws = std::make_unique<websocket::stream<tcp::socket>>(ioc);
        ws->next_layer().connect(
            tcp::endpoint(net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)));
        ws->handshake("127.0.0.1:" + std::to_string(port), "/api/live");
        pages.push_back(std::move(ws));
        read(static_cast<std::size_t>(i));
    }
    while (!stop) {
        ioc.run_for(std::chrono::milliseconds(100));
    }
    [[maybe_unused]] const ssize_t n = ::write(report, &messages, sizeof messages);
    ::_exit(0);
}

void BM_LiveStreamsCpu(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    const char* env = std::getenv("KELVANE_REMOTE_BENCH_SECONDS");
    const int seconds = env != nullptr ? std::max(1, std::atoi(env)) : 30;
    for (auto _ : state) {
        int report[2];
        if (::pipe(report) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        PrepareModel(LINK_UDP);
        remote::RemoteServer server(remote::RemoteOptions{});
        std::string error;
        if (!server.Start(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const pid_t child = StartPages(server.Port(), pages, report[1]);
        ::close(report[1]);
        while (server.LiveCount() < pages) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // Level reports arriving ten times a second.
        std::atomic<bool> stop{false};
        std::thread meters([&] {
            int tick = 0;
            while (!stop) {
                {
                    ImageLockGuard lock(ImageLock());
                    auto& m = TheModel().settings.meters;
                    for (std::size_t i = 0; i < m.levels.size(); ++i) {
                        m.levels[i] = static_cast<std::uint8_t>(110 + (tick * 7 + i * 11) % 90);
                    }
                }
                server.Notify(remote::RemoteEvent::LevelsReceived);
                ++tick;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double cpu0 = CpuSeconds();
        const auto wall0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double cpu = CpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        stop = true;
        meters.join();
        ::kill(child, SIGTERM);
        long messages = 0;
        [[maybe_unused]] const ssize_t n = ::read(report[0], &messages, sizeof messages);
        ::close(report[0]);
        ::waitpid(child, nullptr, 0);
        server.Stop();
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["messages_per_page_per_s"] = static_cast<double>(messages) / pages / (wall + 1.0);
    }
}

BENCHMARK(BM_FaderToFrame)
    ->ArgName("pty")
    ->Arg(LINK_UDP)
    ->Arg(LINK_PTY)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_LiveStreamsCpu)->ArgName("pages")->Arg(20)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
