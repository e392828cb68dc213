// The JSON API of the remote control.
#include "remote/RemoteApi.h"

#include <nlohmann/json.hpp>

#include <array>

namespace kel::remote {

namespace {

using nlohmann::json;

ApiReply Error(int status, std::string_view text) {
    return {status, json{{"error", text}}.dump(), false};
}

ApiReply Refused(EditResult r) {
    return r == EditResult::Busy ? Error(409, "the processor is busy with a transfer; try again shortly")
                                 : Error(503, "no processor is connected");
}

json StateObject(const RemoteState& s) {
    json volumes = json::object();
    for (int i = 0; i < kStripCount; ++i) {
        const StripState& strip = s.strips[static_cast<std::size_t>(i)];
        volumes[std::string(StripName(static_cast<Strip>(i)))] = {
            {"value", strip.value},
            {"muted", strip.muted},
            {"max", strip.max},
            {"range", StripRange(static_cast<Strip>(i))}};
    }
    return {{"connected", s.connected}, {"busy", s.busy},     {"slot", s.slot},      {"program", s.program},
            {"mode", ModeName(s.mode)}, {"volumes", volumes}, {"presets", s.presets}};
}

// The body as a JSON object holding exactly `key`, or the reason why not.
std::optional<json> Member(const ApiRequest& r, std::string_view key, std::string& why) {
    json body = json::parse(r.body, nullptr, false);
    if (body.is_discarded()) {
        why = "the body is not JSON";
        return std::nullopt;
    }
    if (!body.is_object() || body.size() != 1 || !body.contains(key)) {
        why = "the body must be a JSON object with the one member \"" + std::string(key) + "\"";
        return std::nullopt;
    }
    return body[std::string(key)];
}

bool JsonContent(const ApiRequest& r) {
    // Only JSON: a form or plain-text post from another web site cannot reach an edit without asking first.
    const std::string_view type = r.contentType.substr(0, r.contentType.find(';'));
    return type == "application/json";
}

ApiReply Volume(const ApiRequest& r, Strip strip) {
    std::string why;
    const auto value = Member(r, "value", why);
    if (!value) {
        return Error(400, why);
    }
    const int range = StripRange(strip);
    if (!value->is_number_integer() || value->get<long long>() < 0 || value->get<long long>() > range) {
        return Error(400, "\"value\" must be a whole number 0.." + std::to_string(range));
    }
    int stored = 0;
    const EditResult result = SetVolume(strip, value->get<int>(), &stored);
    if (result != EditResult::Done) {
        return Refused(result);
    }
    return {200, json{{"value", stored}, {"muted", false}}.dump(), true};
}

ApiReply Mute(const ApiRequest& r, Strip strip) {
    std::string why;
    const auto muted = Member(r, "muted", why);
    if (!muted) {
        return Error(400, why);
    }
    if (!muted->is_boolean()) {
        return Error(400, "\"muted\" must be true or false");
    }
    const EditResult result = SetMute(strip, muted->get<bool>());
    if (result != EditResult::Done) {
        return Refused(result);
    }
    return {200, json{{"muted", muted->get<bool>()}}.dump(), true};
}

ApiReply RecallSlot(const ApiRequest& r) {
    std::string why;
    const auto slot = Member(r, "slot", why);
    if (!slot) {
        return Error(400, why);
    }
    if (!slot->is_number_integer() || slot->get<long long>() < 1 || slot->get<long long>() > kSlotCount) {
        return Error(400, "\"slot\" must be a whole number 1.." + std::to_string(kSlotCount));
    }
    const EditResult result = Recall(slot->get<int>());
    if (result != EditResult::Done) {
        return Refused(result);
    }
    return {200, json{{"slot", slot->get<int>()}}.dump(), true};
}

} // namespace

std::string_view ModeName(int mode) {
    constexpr std::array<std::string_view, 4> kNames = {"auto", "sing", "disco", "decode"};
    return mode >= 0 && mode < 4 ? kNames[static_cast<std::size_t>(mode)] : "unknown";
}

std::string StateJson(const RemoteState& state) {
    return StateObject(state).dump();
}

std::string LiveMessage(const RemoteState* state, const Levels* levels) {
    json message = json::object();
    if (state) {
        message["state"] = StateObject(*state);
    }
    if (levels) {
        message["levels"] = levels->levels;
        message["signals"] = levels->signals;
    }
    return message.dump();
}

ApiReply HandleApi(const ApiRequest& r) {
    if (r.path == "/api/state") {
        if (r.method != "GET") {
            return Error(405, "use GET");
        }
        RemoteState state;
        {
            ImageLockGuard lock(ImageLock());
            state = ReadState(TheModel());
        }
        return {200, StateJson(state), false};
    }
    const bool volume = r.path.starts_with("/api/volume/");
    const bool mute = r.path.starts_with("/api/mute/");
    if (volume || mute) {
        const auto strip =
            StripNamed(r.path.substr(volume ? sizeof "/api/volume/" - 1 : sizeof "/api/mute/" - 1));
        if (!strip) {
            return Error(404, "no such volume; use music, mic or effect");
        }
        if (r.method != "PUT") {
            return Error(405, "use PUT");
        }
        if (!JsonContent(r)) {
            return Error(415, "send Content-Type: application/json");
        }
        return volume ? Volume(r, *strip) : Mute(r, *strip);
    }
    if (r.path == "/api/recall") {
        if (r.method != "POST") {
            return Error(405, "use POST");
        }
        if (!JsonContent(r)) {
            return Error(415, "send Content-Type: application/json");
        }
        return RecallSlot(r);
    }
    return Error(404, "no such resource");
}

} // namespace kel::remote
