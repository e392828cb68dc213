// libFuzzer target: all-presets files (.dat, both layouts) through the range check, the import and the dump.
#include "FileFuzz.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel;
    fuzz::Patch patch;
    if (!fuzz::Begin(data, size, patch)) {
        return 0;
    }
    static const std::vector<std::uint8_t> valid = [] {
        auto store = std::make_unique<PresetStore>();
        ResetSystemBlock(store->head);
        store->head.currentSlot = 1;
        for (int n = 1; n <= kSlotCount; ++n) {
            FillDefaultProgram(store->Slot(n));
            ResetSystemBlock(store->SlotSystem(n));
        }
        const auto* p = reinterpret_cast<const std::uint8_t*>(store.get());
        return std::vector<std::uint8_t>(p, p + kPresetStoreSize);
    }();
    std::vector<std::uint8_t> file = valid;
    if (patch.oldLayout) {
        file.resize(kPresetHeadSize);
    }
    fuzz::Apply(patch, file);

    const bool inRange = !CheckAllPresetsFile(file).has_value();
    const FileResult loaded = LoadAllPresetsBytes(file);
    if ((loaded == FileResult::Done) != inRange) {
        __builtin_trap(); // the import and the check disagree
    }
    if (loaded == FileResult::Done && (CheckAllPresetsFile(SerializeAll()) || CheckProgram(TheModel().image))) {
        __builtin_trap(); // the program would write a file it refuses
    }
    if (patch.dump) {
        fuzz::Dump(file);
    }
    fuzz::Finish();
    return 0;
}
