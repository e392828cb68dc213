// Commands of kelvane-cli that talk to the device, through the window's own Connect search,
// protocol and file code.
#include "cli/DeviceCommands.h"

#include "cli/CliCommands.h"
#include "cli/CommandResult.h"
#include "cli/DeviceSession.h"
#include "model/DataConver.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace kel::cli {

namespace {

int Fail(const char* what) {
    NoteError(what);
    return kExitFailure;
}

// The file a command is to send, checked before the device is opened, so that a bad file costs nothing
// and the message names the file and the reason.
std::optional<std::vector<std::uint8_t>> SendableFile(const std::string& path,
                                                      std::span<const std::size_t> sizes, const char* what) {
    std::string error;
    auto bytes = ReadWholeFile(path, *std::max_element(sizes.begin(), sizes.end()), error);
    if (!bytes) {
        Fail(error.c_str());
        return std::nullopt;
    }
    if (std::find(sizes.begin(), sizes.end(), bytes->size()) == sizes.end()) {
        const std::string text = path + ": not " + what + " (" + std::to_string(bytes->size()) + " bytes)";
        Fail(text.c_str());
        return std::nullopt;
    }
    return bytes;
}

constexpr std::array<std::size_t, 1> kProgramSizes = {kProgramFileSize};
constexpr std::array<std::size_t, 2> kAllPresetsSizes = {kAllPresetsFileSize, kOldAllPresetsFileSize};

// Queue numbering for commands whose end the command waits for.
void NumberQueue() {
    ImageLockGuard lock(ImageLock());
    TheProtocol().Queue().Number();
}

int WaitForAnswers(DeviceSession& session, CliHooks& hooks) {
    NumberQueue();
    if (!session.RunUntil([&] { return hooks.ProgressDone(); })) {
        return Fail("the device did not acknowledge every frame");
    }
    return kExitOk;
}

int Finish(DeviceSession& session, int code) {
    session.Close();
    return session.Failed() && code == kExitOk ? kExitFailure : code;
}

} // namespace

int Identify(LinkPorts& links, CliHooks& hooks) {
    DeviceSession session(links, hooks);
    if (!session.Open(false)) {
        return Fail("no device answered");
    }
    const GlobalSettings& s = TheModel().settings;
    PrintResult("capability=" + std::to_string(s.slotSystemCapability) +
                    " permission=" + std::to_string(s.storePermission),
                {{"capability", s.slotSystemCapability}, {"permission", s.storePermission}});
    return Finish(session, kExitOk);
}

int Read(LinkPorts& links, CliHooks& hooks, const std::string& outPath) {
    if (!WritableTarget(outPath)) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    const int code = ExportProgramTo(outPath) == FileResult::Done ? kExitOk : kExitFailure;
    return Finish(session, code);
}

int Backup(LinkPorts& links, CliHooks& hooks, const std::string& outPath) {
    if (!WritableTarget(outPath)) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    bool saved = false;
    FileResult result = FileResult::Cancelled;
    hooks.onSaveAllPresets = [&] {
        result = ExportAllTo(outPath);
        saved = true;
    };
    TheProtocol().DeviceCommand(130, 1);
    if (!session.RunUntil([&] { return saved; })) {
        return Finish(session, Fail("the device did not send all presets"));
    }
    return Finish(session, result == FileResult::Done ? kExitOk : kExitFailure);
}

int Restore(LinkPorts& links, CliHooks& hooks, const std::string& inPath) {
    if (!SendableFile(inPath, kAllPresetsSizes, "an all-presets file (58405 or 57019 bytes)")) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    if (ImportAllFrom(inPath) != FileResult::Done) {
        return Finish(session, kExitFailure);
    }
    if (!session.RunUntil([&] { return hooks.ProgressDone(); })) {
        return Finish(session, Fail("the device did not acknowledge every frame"));
    }
    return Finish(session, kExitOk);
}

int Write(LinkPorts& links, CliHooks& hooks, const std::string& inPath) {
    if (!SendableFile(inPath, kProgramSizes, "a program file (2778 bytes)")) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    if (ImportProgramFrom(inPath) != FileResult::Done) {
        return Finish(session, kExitFailure);
    }
    return Finish(session, WaitForAnswers(session, hooks));
}

int Apply(LinkPorts& links, CliHooks& hooks, const std::string& inPath) {
    const auto bytes = SendableFile(inPath, kProgramSizes, "a program file (2778 bytes)");
    if (!bytes) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    Model& m = TheModel();
    int sentBefore;
    {
        // Only the working copies change: the change detector sends exactly the differences.
        ImageLockGuard lock(ImageLock());
        if (m.settings.slotSystemCapability != 0) {
            const std::uint8_t slot = m.system.currentSlot;
            std::memcpy(&m.system, bytes->data(), kSystemBlockSize);
            m.system.currentSlot = slot;
        }
        std::memcpy(&m.image, bytes->data() + kSystemBlockSize, kProgramImageSize);
        sentBefore = ChangeFramesBuilt();
    }
    // The second level report after the edit answers a poll built after it: by then every
    // difference has been sent and acknowledged.
    const int reports = session.LevelReports();
    if (!session.RunUntil([&] { return session.LevelReports() >= reports + 2; })) {
        return Finish(session, Fail("the device did not take the changes"));
    }
    int sent;
    {
        ImageLockGuard lock(ImageLock());
        sent = ChangeFramesBuilt() - sentBefore;
    }
    PrintResult("applied " + std::to_string(sent) + " changes", {{"changes", sent}});
    return Finish(session, kExitOk);
}

int Recall(LinkPorts& links, CliHooks& hooks, int slot) {
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    TheProtocol().DeviceCommand(133, slot);
    TheProtocol().DeviceCommand(129, 0);
    const int code = WaitForAnswers(session, hooks);
    if (code == kExitOk) {
        const std::string name = BytesToText(TheModel().image.name);
        PrintResult(std::to_string(slot) + ":" + name, {{"slot", slot}, {"preset", name}});
    }
    return Finish(session, code);
}

int Store(LinkPorts& links, CliHooks& hooks, int slot, const std::string& name) {
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    Model& m = TheModel();
    if (!m.settings.storePermission) {
        return Finish(session, Fail("the device does not allow storing (No Store Allow)"));
    }
    {
        ImageLockGuard lock(ImageLock());
        // As the system page: the stored system password goes as both old and new value first.
        std::memcpy(m.passwordEntry.data() + 14, m.system.systemPassword, sizeof m.system.systemPassword);
        TheProtocol().DeviceCommand(140, 0);
        TextToBytes(name, m.image.name);
        TextToBytes(name, m.presets.Slot(slot).name);
        TheProtocol().DeviceCommand(134, slot);
    }
    return Finish(session, WaitForAnswers(session, hooks));
}

int Meters(LinkPorts& links, CliHooks& hooks, int count) {
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return Fail("no device answered");
    }
    session.onLevels = [](int type) {
        ImageLockGuard lock(ImageLock());
        const MeterState& meters = TheModel().settings.meters;
        const auto& bytes = type == 24 ? meters.signals : meters.levels;
        std::string line = std::to_string(type) + ":";
        for (std::uint8_t b : bytes) {
            line += " " + std::to_string(b);
        }
        AppendResult(line, "meters", {{"type", type}, {"levels", bytes}});
    };
    const int reports = session.LevelReports();
    if (!session.RunUntil([&] { return session.LevelReports() >= reports + count; })) {
        return Finish(session, Fail("the device stopped reporting levels"));
    }
    return Finish(session, kExitOk);
}

} // namespace kel::cli
