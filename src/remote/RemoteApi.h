// The JSON API of the remote control, apart from the network: a request in, a status and a body out.
#pragma once

#include "remote/RemoteModel.h"

#include <string>
#include <string_view>

namespace kel::remote {

struct ApiRequest {
    std::string_view method; // "GET", "PUT", "POST", ...
    std::string_view path;   // without the query
    std::string_view contentType;
    std::string_view body;
};

struct ApiReply {
    int status = 200;
    std::string body;    // JSON
    bool edited = false; // the model was changed (the edit path told its listeners)
};

// Serves GET /api/state, PUT /api/volume/{strip}, PUT /api/mute/{strip} and POST /api/recall. Every
// refusal is a JSON object {"error": "..."} with 400 (bad request), 404, 405, 409 (busy), 415 or 503
// (no device connected); a refused request changes nothing.
ApiReply HandleApi(const ApiRequest& request);

// {"connected": ..., "slot": ..., "program": ..., "mode": ..., "volumes": {...}, "presets": [...]}
std::string StateJson(const RemoteState& state);
// One message of the live stream: {"state": {...}} and/or {"levels": [...], "signals": [...]}.
std::string LiveMessage(const RemoteState* state, const Levels* levels);
// "auto", "sing", "disco", "decode" (or "unknown" for a damaged byte).
std::string_view ModeName(int mode);

} // namespace kel::remote
