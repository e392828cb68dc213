// Commands of kelvane-cli that talk to the device, through the window's own Connect search,
// protocol and file code.
#include "cli/DeviceCommands.h"

#include "cli/CliCommands.h"
#include "cli/CommandResult.h"
#include "cli/DeviceSession.h"
#include "model/DataConver.h"
#include "model/RangeCheck.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"
#include "protocol/CommandTables.h"
#include "protocol/DeviceWorkflows.h"
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

// A step that failed once the device had answered: what the command was doing, and what went wrong.
int StepFailed(const DeviceSession& session, const char* doing) {
    const std::string text = std::string(doing) + " failed: " + session.FailureText();
    return Fail(text.c_str());
}

// Open failed: either nothing answered, or the device answered and its initial read failed.
int OpenFailed(const DeviceSession& session) {
    return session.Identified() ? StepFailed(session, "reading the device's programs") : Fail("no device answered");
}

enum class FileKind { Program, AllPresets };

// The file a command is to send, checked before the device is opened, so that a bad file costs nothing
// and the message names the file and the reason.
std::optional<std::vector<std::uint8_t>> SendableFile(const std::string& path, FileKind kind, bool force) {
    static constexpr std::array<std::size_t, 1> kProgramSizes = {kProgramFileSize};
    static constexpr std::array<std::size_t, 2> kAllPresetsSizes = {kAllPresetsFileSize, kOldAllPresetsFileSize};
    const bool program = kind == FileKind::Program;
    const std::span<const std::size_t> sizes = program ? std::span<const std::size_t>(kProgramSizes)
                                                       : std::span<const std::size_t>(kAllPresetsSizes);
    const char* what = program ? "a program file (2778 bytes)" : "an all-presets file (58405 or 57019 bytes)";
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
    if (!force) {
        if (const auto field = program ? CheckProgramFile(*bytes) : CheckAllPresetsFile(*bytes)) {
            const std::string text = path + ": " + *field + " (--force sends it anyway)";
            Fail(text.c_str());
            return std::nullopt;
        }
    }
    return bytes;
}

RangePolicy Ranges(bool force) { return force ? RangePolicy::Skip : RangePolicy::Check; }

// Queue numbering for commands whose end the command waits for.
void NumberQueue() {
    ImageLockGuard lock(ImageLock());
    TheProtocol().Queue().Number();
}

int WaitForAnswers(DeviceSession& session, CliHooks& hooks, const char* doing) {
    NumberQueue();
    if (!session.RunUntil([&] { return hooks.ProgressDone(); })) {
        return StepFailed(session, doing);
    }
    return kExitOk;
}

// The workflows' commands go straight to the protocol's command entry.
void Send(int type, int slot) {
    TheProtocol().DeviceCommand(type, slot);
}

int Finish(DeviceSession& session, int code) {
    session.Close();
    return session.Failed() && code == kExitOk ? kExitFailure : code;
}

} // namespace

int Identify(LinkPorts& links, CliHooks& hooks) {
    DeviceSession session(links, hooks);
    if (!session.Open(false)) {
        return OpenFailed(session);
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
        return OpenFailed(session);
    }
    const int code = ExportProgramTo(outPath) == FileResult::Done ? kExitOk : kExitFailure;
    return Finish(session, code);
}

int Backup(LinkPorts& links, CliHooks& hooks, const std::string& outPath) {
    if (!WritableTarget(outPath)) {
        return kExitFailure;
    }
    // The file needs the identification (one system block or one per slot), the live system block (the
    // file's head) and the slots: no names and no live program.
    DeviceSession session(links, hooks);
    if (!session.Open(false)) {
        return OpenFailed(session);
    }
    bool saved = false;
    FileResult result = FileResult::Cancelled;
    hooks.onSaveAllPresets = [&] {
        result = ExportAllTo(outPath);
        saved = true;
    };
    Send(CMD_READ_SYSTEM, 0);
    Send(CMD_READ_PROGRAM, 1); // every slot's system block, then every slot's program
    if (!session.RunUntil([&] { return saved; })) {
        return Finish(session, StepFailed(session, "reading all presets"));
    }
    return Finish(session, result == FileResult::Done ? kExitOk : kExitFailure);
}

int Restore(LinkPorts& links, CliHooks& hooks, const std::string& inPath, bool force) {
    if (!SendableFile(inPath, FileKind::AllPresets, force)) {
        return kExitFailure;
    }
    // The file brings every program and system block the device takes: only the identification is
    // needed (whether the device keeps a system block per slot).
    DeviceSession session(links, hooks);
    if (!session.Open(false)) {
        return OpenFailed(session);
    }
    if (ImportAllFrom(inPath, Ranges(force)) != FileResult::Done) {
        return Finish(session, kExitFailure);
    }
    if (!session.RunUntil([&] { return hooks.ProgressDone(); })) {
        return Finish(session, StepFailed(session, "sending all presets"));
    }
    return Finish(session, kExitOk);
}

int Write(LinkPorts& links, CliHooks& hooks, const std::string& inPath, bool force) {
    if (!SendableFile(inPath, FileKind::Program, force)) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return OpenFailed(session);
    }
    if (ImportProgramFrom(inPath, Ranges(force)) != FileResult::Done) {
        return Finish(session, kExitFailure);
    }
    return Finish(session, WaitForAnswers(session, hooks, "sending the program"));
}

int Apply(LinkPorts& links, CliHooks& hooks, const std::string& inPath, bool force) {
    const auto bytes = SendableFile(inPath, FileKind::Program, force);
    if (!bytes) {
        return kExitFailure;
    }
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return OpenFailed(session);
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
        int sent;
        {
            ImageLockGuard lock(ImageLock());
            sent = ChangeFramesBuilt() - sentBefore;
        }
        // The changes are no numbered run: say how many went out instead.
        const std::string text = "sending the changes failed: " + session.FailureText(false) + " (" +
                                 std::to_string(sent) + " changes sent)";
        return Finish(session, Fail(text.c_str()));
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
        return OpenFailed(session);
    }
    RecallSlot(Send, slot);
    const int code = WaitForAnswers(session, hooks, "recalling the preset");
    if (code == kExitOk) {
        const std::string name = BytesToText(TheModel().image.name);
        PrintResult(std::to_string(slot) + ":" + name, {{"slot", slot}, {"preset", name}});
    }
    return Finish(session, code);
}

int Store(LinkPorts& links, CliHooks& hooks, int slot, const std::string& name) {
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return OpenFailed(session);
    }
    Model& m = TheModel();
    if (!m.settings.storePermission) {
        return Finish(session, Fail("the device does not allow storing (No Store Allow)"));
    }
    StoreSlot(Send, slot, name);
    return Finish(session, WaitForAnswers(session, hooks, "storing the preset"));
}

int Meters(LinkPorts& links, CliHooks& hooks, int count) {
    DeviceSession session(links, hooks);
    if (!session.Open(true)) {
        return OpenFailed(session);
    }
    session.onLevels = [](int type) {
        ImageLockGuard lock(ImageLock());
        const MeterState& meters = TheModel().settings.meters;
        const auto& bytes = type == CMD_POLL_SIGNALS ? meters.signals : meters.levels;
        std::string line = std::to_string(type) + ":";
        for (std::uint8_t b : bytes) {
            line += " " + std::to_string(b);
        }
        AppendResult(line, "meters", {{"type", type}, {"levels", bytes}});
    };
    const int reports = session.LevelReports();
    if (!session.RunUntil([&] { return session.LevelReports() >= reports + count; })) {
        return Finish(session, StepFailed(session, "reading the levels"));
    }
    return Finish(session, kExitOk);
}

} // namespace kel::cli
