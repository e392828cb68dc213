// Program files and all-presets files as JSON, every field under the name the code uses.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>

namespace kel::cli {

// The JSON of a 2778-byte program file or a 58405/57019-byte all-presets file; nullopt for another size.
std::optional<nlohmann::ordered_json> DumpFile(std::span<const std::uint8_t> bytes, std::string& error);

int Dump(const std::string& path);

} // namespace kel::cli
