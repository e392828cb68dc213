// Program files and all-presets files.
#include "presets/PresetFiles.h"

#include "model/AppHooks.h"
#include "model/RangeCheck.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <cstring>
#include <numeric>

namespace kel {

namespace {

void Box(const char* text) { Hooks().MessageBox(text, "", BoxIcon::None); }

FileResult Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string error;
    if (!WriteFileAtomically(path, bytes, error, kPrivateFileMode)) { // they hold the passwords
        Box(kWriteErrorText);
        return FileResult::WriteFailed;
    }
    return FileResult::Done;
}

FileResult ReadFailed() {
    Box(ReadErrorText());
    return FileResult::ReadFailed;
}

// Reads the whole file before anything in the model changes. A file too large to be one of ours is
// refused like any file of the wrong size, without being read.
std::optional<std::vector<std::uint8_t>> Read(const std::string& path, std::size_t maxBytes,
                                              FileResult& failed) {
    std::string error;
    ReadFailure why = ReadFailure::None;
    auto bytes = ReadWholeFile(path, maxBytes, error, &why);
    if (!bytes && why == ReadFailure::TooLarge) {
        failed = ReadFailed();
    } else if (!bytes) {
        Box(kOpenErrorText);
        failed = FileResult::OpenFailed;
    }
    return bytes;
}

// The window's read error with the first field out of range.
FileResult OutOfRange(const std::string& field) {
    Hooks().MessageBox(std::string(ReadErrorText()) + "\n" + field, "", BoxIcon::None);
    return FileResult::OutOfRange;
}

void ApplyLinksInEverySlot(PresetStore& store) {
    for (ProgramImage& program : store.slots) {
        ApplyLinksInProgram(program);
    }
}

} // namespace

const char* ReadErrorText() { return TheModel().settings.languageFlag ? "音乐文件读错误" : "MusicFile read Error"; }

std::string WithExtension(const std::string& path, const std::string& ext) {
    return path.find(ext) == std::string::npos ? path + ext : path;
}

std::vector<std::uint8_t> SerializeProgram() {
    const auto bytes = SerializeProgramBytes(TheModel().system, TheModel().image);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> SerializeAll() {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&TheModel().presets);
    return std::vector<std::uint8_t>(p, p + kPresetStoreSize);
}

FileResult ExportProgram() {
    const auto path = Hooks().ChooseSaveFile(TheModel().paths.saveProgram, "*.dia");
    return path ? ExportProgramTo(WithExtension(*path, ".dia")) : FileResult::Cancelled;
}

FileResult ExportProgramTo(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    {
        ImageLockGuard lock(ImageLock());
        ApplyLinks();
        bytes = SerializeProgram();
    }
    return Write(path, bytes);
}

FileResult ImportProgram() {
    const auto path = Hooks().ChooseOpenFile(TheModel().paths.openProgram, "*.dia");
    return path ? ImportProgramFrom(*path) : FileResult::Cancelled;
}

FileResult ImportProgramFrom(const std::string& path, RangePolicy ranges) {
    FileResult failed = FileResult::Done;
    const auto bytes = Read(path, kProgramFileSize, failed);
    return bytes ? LoadProgramBytes(*bytes, ranges) : failed;
}

FileResult LoadProgramBytes(std::span<const std::uint8_t> bytes, RangePolicy ranges) {
    // A file of another length is not a program file: nothing of it is used.
    if (bytes.size() != kProgramFileSize) {
        return ReadFailed();
    }
    if (ranges == RangePolicy::Check) {
        if (const auto field = CheckProgramFile(bytes)) {
            return OutOfRange(*field);
        }
    }
    Model& m = TheModel();
    {
        ImageLockGuard lock(ImageLock());
        const std::uint8_t currentSlot = m.shadowSystem.currentSlot;
        std::memcpy(&m.shadowSystem, bytes.data(), kSystemBlockSize);
        m.shadowSystem.currentSlot = currentSlot;
        if (m.settings.slotSystemCapability != 0) {
            m.system = m.shadowSystem;
        } else {
            m.shadowSystem = m.system; // the device keeps one system block: the file's is not used
        }
        std::memcpy(&m.image, bytes.data() + kSystemBlockSize, kProgramImageSize);
        ApplyLinks();
        const auto* img = reinterpret_cast<const std::uint8_t*>(&m.image);
        m.image.programSum = static_cast<std::uint8_t>(std::accumulate(img, img + kProgramImageSize, 0u));
        CommitShadow(false);
        Hooks().RefreshAll();
        if (m.connection.connected) {
            TheProtocol().DeviceCommand(CMD_WRITE_PROGRAM, 0);
            if (m.settings.slotSystemCapability != 0) {
                TheProtocol().DeviceCommand(CMD_WRITE_SYSTEM, 0);
            }
        }
    }
    return FileResult::Done;
}

FileResult ExportAll() {
    const auto path = Hooks().ChooseSaveFile(TheModel().paths.saveAll, "*.dat");
    return path ? ExportAllTo(WithExtension(*path, ".dat")) : FileResult::Cancelled;
}

FileResult ExportAllTo(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    {
        ImageLockGuard lock(ImageLock());
        ApplyLinksInEverySlot(TheModel().presets);
        TheModel().presets.spare = 0;
        bytes = SerializeAll();
    }
    return Write(path, bytes);
}

FileResult ImportAll() {
    const auto path = Hooks().ChooseOpenFile(TheModel().paths.openAll, "*.dat");
    if (!path) {
        return FileResult::Cancelled;
    }
    if (path->find(".dat") == std::string::npos) {
        return FileResult::Cancelled; // not an all-presets file name: nothing happens
    }
    return ImportAllFrom(*path);
}

FileResult ImportAllFrom(const std::string& path, RangePolicy ranges) {
    FileResult failed = FileResult::Done;
    const auto bytes = Read(path, kAllPresetsFileSize, failed);
    return bytes ? LoadAllPresetsBytes(*bytes, ranges) : failed;
}

FileResult LoadAllPresetsBytes(std::span<const std::uint8_t> bytes, RangePolicy ranges) {
    const bool oldLayout = bytes.size() == kOldAllPresetsFileSize;
    if (!oldLayout && bytes.size() != kAllPresetsFileSize) {
        return ReadFailed();
    }
    if (ranges == RangePolicy::Check) {
        if (const auto field = CheckAllPresetsFile(bytes)) {
            return OutOfRange(*field);
        }
    }
    Model& m = TheModel();
    ImageLockGuard lock(ImageLock());
    PresetStore& store = m.presets;
    std::memcpy(reinterpret_cast<std::uint8_t*>(&store), bytes.data(), kPresetHeadSize); // the head part
    if (oldLayout) {
        store.SlotSystem(1) = store.head;
        m.settings.perSlotSystem = 0;
    } else {
        std::memcpy(store.slotSystems, bytes.data() + kPresetHeadSize, kPresetStoreSize - kPresetHeadSize);
        m.settings.perSlotSystem = 1;
    }
    ApplyLinksInEverySlot(store);
    m.settings.presetsLoaded = 1;

    // The slot the set was saved on becomes live; without a valid one the live program stays.
    const int n = store.SlotSystem(1).currentSlot;
    if (n >= 1 && n <= kSlotCount) {
        m.system = m.settings.perSlotSystem == 1 ? store.SlotSystem(n) : store.SlotSystem(1);
        if (m.settings.slotSystemCapability == 0 && m.settings.perSlotSystem == 1) {
            store.SlotSystem(1) = m.system;
        }
        m.shadowSystem = m.system;
        m.image = store.Slot(n);
        CommitShadow(false);
    }
    Hooks().RefreshAll();
    if (m.connection.connected) {
        TheProtocol().DeviceCommand(CMD_WRITE_PROGRAM, 1);
        TheProtocol().DeviceCommand(CMD_WRITE_SYSTEM, 1);
        m.settings.perSlotSystem = 1;
        TheProtocol().Queue().Number();
    }
    return FileResult::Done;
}

} // namespace kel
