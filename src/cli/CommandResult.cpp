// The result of one device command, as text or as one JSON object.
#include "cli/CommandResult.h"

#include <cstdio>

namespace kel::cli {

namespace {

struct Pending {
    bool json = false;
    std::string error;
    nlohmann::ordered_json output = nlohmann::ordered_json::array();
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
};

Pending& State() {
    static Pending pending;
    return pending;
}

void Line(const std::string& line) {
    if (State().json) {
        State().output.push_back(line);
    } else {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout); // meters are read as they come
    }
}

} // namespace

void SetJsonResult(bool on) {
    State().json = on;
}

bool JsonResult() {
    return State().json;
}

void PrintResult(const std::string& line, const nlohmann::ordered_json& fields) {
    Line(line);
    State().fields.update(fields);
}

void AppendResult(const std::string& line, const std::string& key, nlohmann::ordered_json item) {
    Line(line);
    State().fields[key].push_back(std::move(item));
}

void NoteError(const std::string& what) {
    std::fprintf(stderr, "kelvane-cli: %s\n", what.c_str());
    std::string& error = State().error;
    error += (error.empty() ? "" : "; ") + what;
}

void FinishResult(int code, double seconds) {
    const Pending& p = State();
    if (!p.json) {
        return;
    }
    nlohmann::ordered_json result;
    result["ok"] = code == 0;
    result["error"] = code == 0 ? nullptr : nlohmann::ordered_json(p.error.empty() ? "failed" : p.error);
    result["seconds"] = static_cast<double>(static_cast<long long>(seconds * 1000.0)) / 1000.0;
    result["output"] = p.output;
    for (const auto& [key, value] : p.fields.items()) {
        result[key] = value;
    }
    // Names from the device may hold any byte: never let one stop the line from being written.
    std::printf("%s\n",
                result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    std::fflush(stdout);
}

} // namespace kel::cli
