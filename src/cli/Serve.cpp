// kelvane-cli serve: the remote control service and a device connection that is made again when it fails.
#include "cli/Serve.h"

#include "cli/CliCommands.h"
#include "cli/DeviceSession.h"
#include "model/Messages.h"
#include "model/Timing.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteToken.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace kel::cli {

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnStopSignal(int) {
    g_stop = true;
}

// How long one turn of the message loop runs before the loop looks at the link again; well inside the
// session's own time-out, which would count a quiet link as a failure.
constexpr auto kTurn = std::chrono::milliseconds(500);

// Waits between connection attempts (the timing scale shortens it for tests), ending early on a signal.
void PauseBeforeRetry(CliHooks& hooks, int attempt) {
    const double seconds = std::min(10.0, 1.0 * (1 << std::min(attempt, 4))) * std::min(1.0, timing::Scale());
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(std::max(seconds, 0.05)));
    while (!g_stop && std::chrono::steady_clock::now() < until) {
        // Messages left from the ended connection are of no use to the next one.
        hooks.Wait(std::min(until, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
    }
}

} // namespace

int Serve(LinkPorts& links, CliHooks& hooks, const ServeArgs& args) {
    std::string error;
    const auto listen = remote::ParseListenAddress(args.listen, error);
    if (!listen) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitUsage;
    }
    remote::RemoteOptions options;
    options.address = listen->address;
    options.port = listen->port;
    // A token is needed off 127.0.0.1; one given is used on 127.0.0.1 too.
    if (remote::NeedsToken(listen->address) || !args.tokenFile.empty()) {
        const auto token =
            args.tokenFile.empty() ? remote::UserToken(error) : remote::TokenFromFile(args.tokenFile, error);
        if (!token) {
            std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
            return kExitFailure;
        }
        options.token = *token;
    }
    remote::RemoteServer server(options);
    if (!server.Start(error)) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    std::printf("%s\n", server.PageUrl().c_str());
    std::fflush(stdout);

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    hooks.onMessage = [&server](int message) {
        switch (message) {
        case MSG_PROGRAM_RECEIVED:
            server.Notify(remote::RemoteEvent::ProgramReceived);
            break;
        case MSG_SYSTEM_RECEIVED:
            server.Notify(remote::RemoteEvent::SystemReceived);
            break;
        case MSG_LEVELS_RECEIVED:
            server.Notify(remote::RemoteEvent::LevelsReceived);
            break;
        default:
            break;
        }
    };
    for (int attempt = 0; !g_stop; ++attempt) {
        {
            DeviceSession session(links, hooks);
            if (session.Open(true)) {
                attempt = 0;
                std::fprintf(stderr, "kelvane-cli: connected\n");
                server.Notify(remote::RemoteEvent::ConnectionChanged);
                while (!g_stop) {
                    const auto turnEnd = std::chrono::steady_clock::now() + kTurn;
                    if (!session.RunUntil(
                            [&] { return g_stop || std::chrono::steady_clock::now() >= turnEnd; })) {
                        break;
                    }
                }
            }
            session.Close();
        }
        server.Notify(remote::RemoteEvent::ConnectionChanged);
        if (!g_stop) {
            std::fprintf(stderr, "kelvane-cli: no connection to the device; trying again\n");
            PauseBeforeRetry(hooks, attempt);
        }
    }
    hooks.onMessage = nullptr;
    server.Stop();
    return kExitOk;
}

} // namespace kel::cli
