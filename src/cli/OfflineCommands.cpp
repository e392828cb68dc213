// Commands that need no device: they work on files and a scratch model.
#include "cli/CliCommands.h"
#include "cli/CommandResult.h"

#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <cstdio>
#include <sys/stat.h>

namespace kel::cli {

bool WritableTarget(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        NoteError(path + ": not a regular file");
        return false;
    }
    return true;
}

int Defaults(const std::string& outPath) {
    if (!WritableTarget(outPath)) {
        return kExitFailure;
    }
    ResetModel();
    const Model& m = TheModel();
    const auto bytes = SerializeProgramBytes(m.system, m.image);
    std::string error;
    if (!WriteFileAtomically(outPath, bytes, error, kPrivateFileMode)) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace kel::cli
