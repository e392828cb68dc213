// libFuzzer target: program files (.dia) through the range check, the import and the dump.
#include "FileFuzz.h"

#include "presets/ProgramFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel;
    fuzz::Patch patch;
    if (!fuzz::Begin(data, size, patch)) {
        return 0;
    }
    std::vector<std::uint8_t> file = [] {
        ProgramImage image;
        FillDefaultProgram(image);
        SystemBlock system;
        ResetSystemBlock(system);
        const auto bytes = SerializeProgramBytes(system, image);
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }();
    fuzz::Apply(patch, file);

    const bool inRange = !CheckProgramFile(file).has_value();
    const FileResult loaded = LoadProgramBytes(file);
    if ((loaded == FileResult::Done) != inRange) {
        __builtin_trap(); // the import and the check disagree
    }
    if (loaded == FileResult::Done && CheckProgramFile(SerializeProgram())) {
        __builtin_trap(); // the program would write a file it refuses
    }
    if (patch.dump) {
        fuzz::Dump(file);
    }
    fuzz::Finish();
    return 0;
}
