// What a device command tells its caller: result lines on stdout and failures on stderr, or, with
// --json, also one JSON object at the end (the line the fleet reads from each room's child process).
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace kel::cli {

void SetJsonResult(bool on);
bool JsonResult();

// A result line: printed as it is in text mode; in JSON mode kept in "output" and its fields merged
// into the object.
void PrintResult(const std::string& line, const nlohmann::ordered_json& fields);
// As PrintResult, but `item` is appended to the array `key` (one level report of several).
void AppendResult(const std::string& line, const std::string& key, nlohmann::ordered_json item);
// A failure: "kelvane-cli: what" on stderr; in JSON mode also the object's "error" (several are joined).
void NoteError(const std::string& what);
// In JSON mode, prints the object: ok, error, seconds, output and the command's fields.
void FinishResult(int code, double seconds);

} // namespace kel::cli
