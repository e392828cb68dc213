// kelvane-cli fleet: chooses the rooms, runs `kelvane-cli --json LINK COMMAND` for each through the
// process pool, and reports each room as it finishes, then a summary.
#include "cli/Fleet.h"

#include "cli/CliCommands.h"
#include "cli/ProcessPool.h"
#include "cli/RoomList.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kel::cli {

namespace {

using Json = nlohmann::ordered_json;

struct RoomResult {
    bool ok = false;
    std::string error;
    std::string detail; // what the room's command printed, or its file
    double seconds = 0;
    Json json;
};

std::string SelfPath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

// The single-room command line of one room.
std::vector<std::string> RoomCommand(const std::string& self, const FleetRequest& r, const Room& room,
                                     double timingScale) {
    char scale[32];
    std::snprintf(scale, sizeof scale, "%.17g", timingScale); // exactly the fleet's own scale
    std::vector<std::string> argv = {self, "--json", "--timing-scale", scale};
    for (std::string& a : LinkArguments(room)) {
        argv.push_back(std::move(a));
    }
    argv.push_back(r.command);
    // A name starting with '-' would read as an option of the room's command.
    const std::string path = r.path.starts_with('-') ? "./" + r.path : r.path;
    if (r.command == "backup") {
        argv.insert(argv.end(), {"-o", path + "/" + room.name + ".dat"});
    } else if (r.command == "read") {
        argv.insert(argv.end(), {"-o", path + "/" + room.name + ".dia"});
    } else if (r.command == "apply" || r.command == "restore") {
        argv.push_back(path);
    } else if (r.command == "recall") {
        argv.push_back(std::to_string(r.slot));
    } else if (r.command == "meters") {
        argv.insert(argv.end(), {"-n", std::to_string(r.count)});
    }
    return argv;
}

// The last line of stderr without the program's prefix: why a child failed that gave no result.
std::string LastMessage(const std::string& err) {
    std::string text = err;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    std::string line = text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    const std::string prefix = "kelvane-cli: ";
    if (line.rfind(prefix, 0) == 0) {
        line.erase(0, prefix.size());
    }
    return line;
}

// The room's result, from the JSON line its child printed last, or from how the child ended.
RoomResult Interpret(const ChildOutcome& c, double limit) {
    RoomResult r;
    r.seconds = c.seconds;
    Json reply = Json::object();
    std::string out = c.out;
    while (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    const std::size_t start = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
    Json parsed = Json::parse(out.substr(start), nullptr, false);
    if (!parsed.is_discarded() && parsed.is_object() && parsed.contains("ok")) {
        reply = std::move(parsed);
    }
    const bool replied = reply.contains("ok");
    if (!c.started) {
        r.error = "not started (interrupted)";
    } else if (c.timedOut) {
        char text[96];
        std::snprintf(text, sizeof text, "no result within %g s: stopped", limit);
        r.error = text;
    } else if (c.signal != 0) {
        r.error = std::string("ended by signal ") + std::to_string(c.signal) + " (" + ::strsignal(c.signal) +
                  ")" + (c.err.empty() ? "" : ": " + LastMessage(c.err));
    } else if (replied && c.exitCode >= 0) {
        r.ok = reply["ok"].is_boolean() && reply["ok"].get<bool>() && c.exitCode == 0;
        if (!r.ok) {
            r.error = reply["error"].is_string() ? reply["error"].get<std::string>() : LastMessage(c.err);
        }
    } else {
        const std::string why = LastMessage(c.err);
        r.error = why.empty() ? "exited with status " + std::to_string(c.exitCode) : why;
    }
    if (r.ok && reply.contains("output") && reply["output"].is_array()) {
        for (const Json& line : reply["output"]) {
            if (line.is_string()) {
                r.detail += (r.detail.empty() ? "" : " | ") + line.get<std::string>();
            }
        }
    }
    r.json = std::move(reply);
    return r;
}

Json RoomJson(const std::string& name, const RoomResult& r) {
    Json j;
    j["name"] = name;
    j["ok"] = r.ok;
    j["error"] = r.ok ? Json(nullptr) : Json(r.error);
    j["seconds"] = static_cast<double>(static_cast<long long>(r.seconds * 1000.0)) / 1000.0;
    for (const auto& [key, value] : r.json.items()) {
        if (key != "ok" && key != "error" && key != "seconds") {
            j[key] = value;
        }
    }
    return j;
}

// The folder that backup and read write into: made when missing, refused when not a folder.
bool OutputFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return true;
        }
        std::fprintf(stderr, "kelvane-cli: %s: not a folder\n", path.c_str());
        return false;
    }
    if (::mkdir(path.c_str(), 0777) != 0) {
        std::fprintf(stderr, "kelvane-cli: cannot create the folder %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

class Report {
  public:
    Report(const std::vector<Room>& rooms, bool json)
        : m_rooms(rooms), m_json(json), m_terminal(::isatty(STDERR_FILENO) != 0) {
        for (const Room& room : rooms) {
            m_width = std::max(m_width, static_cast<int>(room.name.size()));
        }
    }

    void Finished(std::size_t index, const RoomResult& r) {
        ClearProgress();
        if (m_json) {
            std::printf("%s\n", RoomJson(m_rooms[index].name, r)
                                    .dump(-1, ' ', false, Json::error_handler_t::replace)
                                    .c_str());
        } else {
            Line(m_rooms[index].name, r);
        }
        std::fflush(stdout);
        m_failed += r.ok ? 0 : 1;
    }

    void Progress(const std::string& command, int running, int done) {
        if (!m_terminal) {
            return;
        }
        std::fprintf(stderr, "\r\033[Kfleet %s: %d of %zu rooms done, %d running, %d failed", command.c_str(),
                     done, m_rooms.size(), running, m_failed);
        m_shown = true;
    }

    void Summary(const std::vector<RoomResult>& results) {
        ClearProgress();
        if (m_json) {
            return;
        }
        std::printf("\n%-*s  %-6s %8s  %s\n", m_width, "room", "result", "seconds", "detail");
        int ok = 0;
        for (std::size_t i = 0; i < results.size(); ++i) {
            Line(m_rooms[i].name, results[i]);
            ok += results[i].ok ? 1 : 0;
        }
        std::printf("%d of %zu rooms succeeded\n", ok, results.size());
        std::fflush(stdout);
    }

  private:
    void Line(const std::string& name, const RoomResult& r) {
        std::printf("%-*s  %-6s %8.1f  %s\n", m_width, name.c_str(), r.ok ? "ok" : "FAILED", r.seconds,
                    r.ok ? r.detail.c_str() : r.error.c_str());
    }
    void ClearProgress() {
        if (m_shown) {
            std::fprintf(stderr, "\r\033[K");
            m_shown = false;
        }
    }

    const std::vector<Room>& m_rooms;
    bool m_json;
    bool m_terminal;
    bool m_shown = false;
    int m_width = 4;
    int m_failed = 0;
};

} // namespace

int RunFleet(const FleetRequest& request, double timingScale) {
    std::string error;
    const auto all = ReadRoomList(request.roomsFile, error);
    if (!all) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    const auto rooms = ChooseRooms(*all, request.groups, request.rooms, error);
    if (!rooms) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitUsage;
    }
    if ((request.command == "backup" || request.command == "read") && !OutputFolder(request.path)) {
        return kExitFailure;
    }
    const std::string self = SelfPath();
    if (self.empty()) {
        std::fprintf(stderr, "kelvane-cli: cannot find its own program file\n");
        return kExitFailure;
    }
    const double limit = request.timeLimit > 0 ? request.timeLimit : kDefaultRoomSeconds * timingScale;
    std::vector<std::vector<std::string>> commands;
    for (const Room& room : *rooms) {
        commands.push_back(RoomCommand(self, request, room, timingScale));
    }

    Report report(*rooms, request.json);
    std::vector<RoomResult> results(rooms->size());
    ProcessPool pool(request.jobs > 0 ? request.jobs : kDefaultFleetJobs,
                     std::chrono::milliseconds(static_cast<long long>(limit * 1000.0)));
    pool.Run(
        commands,
        [&](const ChildOutcome& c) {
            RoomResult r = Interpret(c, limit);
            if (r.ok && (request.command == "backup" || request.command == "read")) {
                const std::string file = commands[c.index].back();
                r.json["file"] = file;
                r.detail = file;
            }
            report.Finished(c.index, r);
            results[c.index] = std::move(r);
        },
        [&](int running, int done) { report.Progress(request.command, running, done); });
    report.Summary(results);
    if (pool.Interrupted()) {
        std::fprintf(stderr, "kelvane-cli: fleet interrupted: the rooms still running were stopped\n");
    }
    const bool allOk = std::all_of(results.begin(), results.end(), [](const RoomResult& r) { return r.ok; });
    return allOk && !pool.Interrupted() ? kExitOk : kExitFailure;
}

} // namespace kel::cli
