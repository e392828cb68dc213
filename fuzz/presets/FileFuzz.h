// The file readers under fuzzing: a valid file of the kind, patched by the input, goes through the range
// check, the import and the CLI's dump. Asserts that the check and the import agree, and that what the
// program then writes passes the check (a file we produced is never refused).
#pragma once

#include "../FuzzModel.h"
#include "cli/Dump.h"
#include "model/RangeCheck.h"
#include "presets/PresetFiles.h"
#include "protocol/Protocol.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kel::fuzz {

// Input: flags, a 16-bit offset, then the bytes written over the file at that offset (wrapping).
// Flags: bit 0 connected, bit 1 slot-system capability, bit 2 the older all-presets layout,
// bit 3 cut the file at the offset (a file of the wrong size), bit 4 dump it too (the dump costs most
// of a run: the fuzzer decides how often).
struct Patch {
    bool connected, capability, oldLayout, cut, dump;
    std::size_t offset;
    std::span<const std::uint8_t> bytes;
};

// Reads the input's patch and gets the model ready for it; false for an input too short to be one.
inline bool Begin(const std::uint8_t* data, std::size_t size, Patch& patch) {
    if (size < 3) {
        return false;
    }
    ReadyModelOnce();
    patch = {(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0, (data[0] & 8) != 0, (data[0] & 16) != 0,
             static_cast<std::size_t>(data[1] | data[2] << 8), {data + 3, size - 3}};
    Model& m = TheModel();
    m.connection.connected = patch.connected ? 1 : 0;
    m.settings.slotSystemCapability = patch.capability ? 1 : 0;
    return true;
}

inline void Apply(const Patch& patch, std::vector<std::uint8_t>& file) {
    const std::size_t at = patch.offset % file.size();
    for (std::size_t i = 0; i < patch.bytes.size(); ++i) {
        file[(at + i) % file.size()] = patch.bytes[i];
    }
    if (patch.cut) {
        file.resize(at);
    }
}

inline void Finish() {
    TheProtocol().Queue().Clear();
    TheModel().connection.connected = 0;
}

// The dump of the file must never throw out of DumpFile.
inline void Dump(std::span<const std::uint8_t> file) {
    std::string error;
    if (const auto json = cli::DumpFile(file, error)) {
        (void)json->dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    }
}

} // namespace kel::fuzz
