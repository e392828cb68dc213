// Commands that need no device: they work on files and a scratch model.
#include "cli/CliCommands.h"

#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <cstdio>

namespace kel::cli {

int Defaults(const std::string& outPath) {
    ResetModel();
    const Model& m = TheModel();
    const auto bytes = SerializeProgramBytes(m.system, m.image);
    std::string error;
    if (!WriteFileAtomically(outPath, bytes, error)) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace kel::cli
