// Program files and all-presets files: formats, extension rules, links, and failures that change nothing.
#include "model/AppHooks.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"
#include "protocol/Protocol.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace kel {
namespace {

class FileHooks : public NullHooks {
public:
    std::optional<std::string> path;
    std::vector<std::string> boxes;
    int refreshes = 0;
    std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&) override { return path; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override { return path; }
    void MessageBox(const std::string& text, const std::string&, BoxIcon) override { boxes.push_back(text); }
    void RefreshAll() override { ++refreshes; }
};

template <typename T>
bool SameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::string error;
    return ReadWholeFile(path, 1u << 20, error).value_or(std::vector<std::uint8_t>{});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, bytes, error)) << error;
}

class PresetFilesTest : public ::testing::Test {
protected:
    FileHooks hooks;
    test::ProcessState state{{.hooks = &hooks}};
    Model& m = TheModel();
};

TEST_F(PresetFilesTest, ExtensionRules) {
    EXPECT_EQ(WithExtension("live", ".dia"), "live.dia");
    EXPECT_EQ(WithExtension("a.dia.bak", ".dia"), "a.dia.bak");
    hooks.path = "live";
    EXPECT_EQ(ExportProgram(), FileResult::Done);
    EXPECT_EQ(FileBytes("live.dia").size(), 2778u);
    hooks.path = "a.dia.bak";
    EXPECT_EQ(ExportProgram(), FileResult::Done);
    EXPECT_TRUE(std::filesystem::exists("a.dia.bak"));
    hooks.path = std::nullopt;
    EXPECT_EQ(ExportProgram(), FileResult::Cancelled);
}

TEST_F(PresetFilesTest, ExportThenImportChangesOnlyTheProgramSum) {
    m.image.musicL.eq[2].gain = 140;
    m.system.musicVolume = 20;
    ASSERT_EQ(ExportProgramTo("p.dia"), FileResult::Done);
    const ProgramImage exported = m.image;
    const SystemBlock system = m.system;
    ASSERT_EQ(ImportProgramFrom("p.dia"), FileResult::Done);
    ProgramImage expected = exported;
    const auto* b = reinterpret_cast<const std::uint8_t*>(&exported);
    expected.programSum = static_cast<std::uint8_t>(std::accumulate(b, b + sizeof exported, 0u));
    EXPECT_TRUE(SameBytes(m.image, expected));
    EXPECT_TRUE(SameBytes(m.shadow, expected));
    EXPECT_TRUE(SameBytes(m.system, system)); // capability 0: the working block stays
    EXPECT_EQ(hooks.refreshes, 1);
    EXPECT_TRUE(TheProtocol().Queue().IsEmpty()); // not connected: nothing sent
}

TEST_F(PresetFilesTest, ImportUsesTheFileSystemBlockOnlyWithPerSlotCapability) {
    m.system.musicVolume = 11;
    ASSERT_EQ(ExportProgramTo("p.dia"), FileResult::Done);
    m.system.musicVolume = 22;
    m.shadowSystem.currentSlot = 7;
    ASSERT_EQ(ImportProgramFrom("p.dia"), FileResult::Done);
    EXPECT_EQ(m.system.musicVolume, 22);
    EXPECT_EQ(m.shadowSystem.musicVolume, 22);
    m.settings.slotSystemCapability = 1;
    m.shadowSystem.currentSlot = 7;
    ASSERT_EQ(ImportProgramFrom("p.dia"), FileResult::Done);
    EXPECT_EQ(m.system.musicVolume, 11);
    EXPECT_EQ(m.system.currentSlot, 7); // the shadow's current slot is kept
}

TEST_F(PresetFilesTest, ExportAppliesLinks) {
    m.image.micSync = 1;
    m.image.mic1.level = 30;
    ASSERT_EQ(ExportProgramTo("linked.dia"), FileResult::Done);
    const auto bytes = FileBytes("linked.dia");
    ProgramImage written;
    std::memcpy(&written, bytes.data() + 66, sizeof written);
    EXPECT_EQ(written.mic2.level, 30);
}

TEST_F(PresetFilesTest, AllPresetsRoundTripWithLinksInsideStoredPrograms) {
    for (int n = 1; n <= kSlotCount; ++n) {
        FillDefaultProgram(m.presets.Slot(n));
        m.presets.Slot(n).name[0] = static_cast<std::uint8_t>('A' + n);
        ResetSystemBlock(m.presets.SlotSystem(n));
        m.presets.SlotSystem(n).musicVolume = static_cast<std::uint8_t>(n);
    }
    m.presets.Slot(4).micSync = 1;
    m.presets.Slot(4).mic1.eq[0].gain = 99;
    m.presets.SlotSystem(1).currentSlot = 4;
    ASSERT_EQ(ExportAllTo("set"), FileResult::Done);
    const auto bytes = FileBytes("set");
    ASSERT_EQ(bytes.size(), 58405u);
    EXPECT_EQ(m.presets.Slot(4).mic2.eq[0].gain, 99);

    const PresetStore saved = m.presets;
    ResetModel();
    hooks.path = "set"; // no ".dat" in the name: Import all does nothing
    EXPECT_EQ(ImportAll(), FileResult::Cancelled);
    EXPECT_EQ(m.settings.presetsLoaded, 0);
    ASSERT_EQ(ImportAllFrom("set"), FileResult::Done);
    for (int n = 1; n <= kSlotCount; ++n) {
        EXPECT_TRUE(SameBytes(m.presets.Slot(n), saved.slots[n - 1])) << n;
        EXPECT_TRUE(SameBytes(m.presets.SlotSystem(n), saved.slotSystems[n == 1 ? 3 : n - 1])) << n;
    }
    EXPECT_EQ(m.settings.presetsLoaded, 1);
    EXPECT_EQ(m.settings.perSlotSystem, 1);
    EXPECT_TRUE(SameBytes(m.image, saved.slots[3])); // slot 4 became live
    EXPECT_TRUE(SameBytes(m.shadow, m.image));
    EXPECT_EQ(m.system.musicVolume, 4);
    EXPECT_TRUE(SameBytes(m.shadowSystem, m.system));
    // capability 0: the device has one system block, kept in slot 1's place (checked above)
}

TEST_F(PresetFilesTest, OlderAllPresetsLayout) {
    m.presets.head.micVolume = 33;
    m.presets.head.currentSlot = 2;
    m.presets.Slot(2).name[0] = 'Z';
    auto bytes = SerializeAll();
    bytes.resize(57019);
    WriteBytes("old.dat", bytes);
    ResetModel();
    ASSERT_EQ(ImportAllFrom("old.dat"), FileResult::Done);
    EXPECT_EQ(m.settings.perSlotSystem, 0);
    EXPECT_EQ(m.presets.SlotSystem(1).micVolume, 33);
    EXPECT_EQ(m.image.name[0], 'Z');
}

TEST_F(PresetFilesTest, NoCurrentSlotKeepsTheLiveProgram) {
    m.presets.SlotSystem(1).currentSlot = 0;
    WriteBytes("none.dat", SerializeAll());
    m.presets.SlotSystem(1).currentSlot = 22;
    WriteBytes("beyond.dat", SerializeAll());
    ResetModel();
    m.image.musicL.eq[0].gain = 5;
    const ProgramImage live = m.image;
    // A slot beyond 21 fails the range check; sent anyway (the CLI's --force), it changes nothing live.
    EXPECT_EQ(ImportAllFrom("beyond.dat"), FileResult::OutOfRange);
    for (const char* file : {"none.dat", "beyond.dat"}) {
        ASSERT_EQ(ImportAllFrom(file, RangePolicy::Skip), FileResult::Done);
        EXPECT_TRUE(SameBytes(m.image, live)) << file;
    }
}

// Files that cannot be read, that end early or that are too long change nothing and send nothing.
TEST_F(PresetFilesTest, BadFilesChangeNothing) {
    ASSERT_EQ(ExportProgramTo("good.dia"), FileResult::Done);
    auto good = FileBytes("good.dia");
    auto shortFile = good;
    shortFile.resize(2000);
    WriteBytes("short.dia", shortFile);
    auto longFile = good;
    longFile.push_back(0);
    WriteBytes("long.dia", longFile);
    std::vector<std::uint8_t> set(58405 - 1, 0);
    WriteBytes("short.dat", set);
    set.resize(60000);
    WriteBytes("long.dat", set);
    // Not regular files, and one far too large to be read into memory (sparse: it takes no disk).
    std::filesystem::remove("fifo.dia");
    ASSERT_EQ(::mkfifo("fifo.dia", 0600), 0); // opening it for reading would wait for a writer
    std::filesystem::create_directories("folder.dat");
    WriteBytes("huge.dat", {});
    std::filesystem::resize_file("huge.dat", std::uintmax_t{64} << 30);

    m.image.musicL.eq[0].gain = 1;
    m.connection.connected = 1; // would send, if anything were loaded
    const ProgramImage image = m.image;
    const SystemBlock system = m.system;
    const PresetStore presets = m.presets;

    struct Case {
        const char* path;
        bool all;
        FileResult result;
        const char* box;
    };
    const Case cases[] = {
        {"missing.dia", false, FileResult::OpenFailed, "File read Error"},
        {"short.dia", false, FileResult::ReadFailed, "MusicFile read Error"},
        {"long.dia", false, FileResult::ReadFailed, "MusicFile read Error"},
        {"missing.dat", true, FileResult::OpenFailed, "File read Error"},
        {"short.dat", true, FileResult::ReadFailed, "MusicFile read Error"},
        {"long.dat", true, FileResult::ReadFailed, "MusicFile read Error"},
        {"huge.dat", true, FileResult::ReadFailed, "MusicFile read Error"},
        {"fifo.dia", false, FileResult::OpenFailed, "File read Error"},
        {"folder.dat", true, FileResult::OpenFailed, "File read Error"},
    };
    for (const Case& c : cases) {
        hooks.boxes.clear();
        EXPECT_EQ(c.all ? ImportAllFrom(c.path) : ImportProgramFrom(c.path), c.result) << c.path;
        EXPECT_EQ(hooks.boxes, std::vector<std::string>{c.box}) << c.path;
        EXPECT_TRUE(SameBytes(m.image, image)) << c.path;
        EXPECT_TRUE(SameBytes(m.system, system)) << c.path;
        EXPECT_TRUE(SameBytes(m.presets, presets)) << c.path;
        EXPECT_TRUE(TheProtocol().Queue().IsEmpty()) << c.path;
    }
    m.connection.connected = 0;
    m.settings.languageFlag = 1;
    hooks.boxes.clear();
    ImportProgramFrom("short.dia");
    EXPECT_EQ(hooks.boxes, std::vector<std::string>{"音乐文件读错误"});
}

TEST(FileIoTest, ReadsOnlyRegularFilesUpToTheirLimit) {
    std::filesystem::remove("pipe");
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    std::filesystem::create_directories("folder");
    {
        std::string error;
        ASSERT_TRUE(WriteFileAtomically("ten", std::vector<std::uint8_t>(10, 7), error));
        ASSERT_TRUE(WriteFileAtomically("sparse", {}, error));
    }
    std::filesystem::resize_file("sparse", std::uintmax_t{64} << 30);
    struct Case {
        const char* path;
        std::size_t limit;
        ReadFailure why;
        std::size_t size;
    };
    const Case cases[] = {
        {"ten", 10, ReadFailure::None, 10},          {"ten", 11, ReadFailure::None, 10},
        {"ten", 9, ReadFailure::TooLarge, 0},        {"sparse", 58405, ReadFailure::TooLarge, 0},
        {"pipe", 58405, ReadFailure::NotRegular, 0}, {"folder", 58405, ReadFailure::NotRegular, 0},
        {"missing", 58405, ReadFailure::Open, 0},
    };
    for (const Case& c : cases) {
        std::string error;
        ReadFailure why = ReadFailure::None;
        const auto bytes = ReadWholeFile(c.path, c.limit, error, &why);
        EXPECT_EQ(why, c.why) << c.path << " " << c.limit;
        EXPECT_EQ(bytes.has_value(), c.why == ReadFailure::None) << c.path;
        EXPECT_EQ(bytes ? bytes->size() : 0u, c.size) << c.path;
        EXPECT_EQ(error.empty(), c.why == ReadFailure::None) << c.path;
    }
}

TEST_F(PresetFilesTest, FailedWriteKeepsTheOldFile) {
    ASSERT_EQ(ExportProgramTo("keep.dia"), FileResult::Done);
    const auto before = FileBytes("keep.dia");
    std::filesystem::create_directory("folder.dia");
    EXPECT_EQ(ExportProgramTo("folder.dia"), FileResult::WriteFailed);
    EXPECT_EQ(ExportAllTo("no-such-folder/x.dat"), FileResult::WriteFailed);
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"MusicFile Write Error", "MusicFile Write Error"}));
    EXPECT_EQ(FileBytes("keep.dia"), before);
    EXPECT_TRUE(std::filesystem::is_empty("folder.dia"));
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(PresetFilesTest, WritesKeepModeOwnerAndLinks) {
    for (const char* name : {"new.dia", "new.dat", "kept.dia", "target.dia", "link.dia", "sub/far.dat",
                             "far-link.dat", "dangling.dia", "made.dia"}) {
        std::filesystem::remove(name);
    }
    std::filesystem::create_directories("sub");
    // New files hold the passwords: the owner's only.
    ASSERT_EQ(ExportProgramTo("new.dia"), FileResult::Done);
    ASSERT_EQ(ExportAllTo("new.dat"), FileResult::Done);
    EXPECT_EQ(ModeOf("new.dia"), 0600u);
    EXPECT_EQ(ModeOf("new.dat"), 0600u);

    // An existing file keeps its mode, and its owner where this process may give files away.
    WriteBytes("kept.dia", {1});
    ASSERT_EQ(::chmod("kept.dia", 0640), 0);
    const bool mayChown = ::geteuid() == 0 && ::chown("kept.dia", 4321, 4322) == 0;
    ASSERT_EQ(ExportProgramTo("kept.dia"), FileResult::Done);
    EXPECT_EQ(ModeOf("kept.dia"), 0640u);
    EXPECT_EQ(FileBytes("kept.dia").size(), kProgramFileSize);
    if (mayChown) {
        struct stat st {};
        ASSERT_EQ(::stat("kept.dia", &st), 0);
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }

    // Symlinks are written through, relative ones from their own folder; a dangling one makes its target.
    WriteBytes("target.dia", {1});
    ASSERT_EQ(::chmod("target.dia", 0604), 0);
    std::filesystem::create_symlink("target.dia", "link.dia");
    WriteBytes("sub/far.dat", {1});
    std::filesystem::create_symlink("sub/far.dat", "far-link.dat");
    std::filesystem::create_symlink("made.dia", "dangling.dia");
    ASSERT_EQ(ExportProgramTo("link.dia"), FileResult::Done);
    ASSERT_EQ(ExportAllTo("far-link.dat"), FileResult::Done);
    ASSERT_EQ(ExportProgramTo("dangling.dia"), FileResult::Done);
    for (const char* link : {"link.dia", "far-link.dat", "dangling.dia"}) {
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << link;
    }
    EXPECT_EQ(FileBytes("target.dia").size(), kProgramFileSize);
    EXPECT_EQ(ModeOf("target.dia"), 0604u);
    EXPECT_EQ(FileBytes("sub/far.dat").size(), kAllPresetsFileSize);
    EXPECT_EQ(FileBytes("made.dia").size(), kProgramFileSize);
    EXPECT_EQ(ModeOf("made.dia"), 0600u);
    // No temporary file is left in either folder.
    for (const char* folder : {".", "sub"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            EXPECT_NE(entry.path().filename().string().rfind(".", 0), 0u) << entry.path();
        }
    }

    // A link loop is an error that changes nothing.
    std::filesystem::remove("loop.dia");
    std::filesystem::create_symlink("loop.dia", "loop.dia");
    EXPECT_EQ(ExportProgramTo("loop.dia"), FileResult::WriteFailed);
    EXPECT_TRUE(std::filesystem::is_symlink("loop.dia"));
}

// A file with a field out of range is refused before anything changes or is sent, its first such field
// named after the read error; the CLI's --force loads it as it is.
TEST_F(PresetFilesTest, ImportRefusesAFileOutOfRangeUnlessTold) {
    ProgramImage spoilt = m.image;
    spoilt.echoA.repeat = 91;
    const auto program = SerializeProgramBytes(m.system, spoilt);
    WriteBytes("spoilt.dia", {program.begin(), program.end()});
    auto store = std::make_unique<PresetStore>(m.presets);
    ResetSystemBlock(store->head);
    store->Slot(2).echoA.repeat = 91;
    const auto* set = reinterpret_cast<const std::uint8_t*>(store.get());
    WriteBytes("spoilt.dat", {set, set + kPresetStoreSize});

    m.connection.connected = 1; // would send, if anything were loaded
    const ProgramImage image = m.image;
    const auto presets = std::make_unique<PresetStore>(m.presets);
    EXPECT_EQ(ImportProgramFrom("spoilt.dia"), FileResult::OutOfRange);
    EXPECT_EQ(ImportAllFrom("spoilt.dat"), FileResult::OutOfRange);
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"MusicFile read Error\nechoA.repeat is 91, outside 0..90",
                                                     "MusicFile read Error\nslot 2.echoA.repeat is 91, outside 0..90"}));
    EXPECT_TRUE(SameBytes(m.image, image));
    EXPECT_TRUE(SameBytes(m.presets, *presets));
    EXPECT_TRUE(TheProtocol().Queue().IsEmpty());

    EXPECT_EQ(ImportProgramFrom("spoilt.dia", RangePolicy::Skip), FileResult::Done);
    EXPECT_EQ(m.image.echoA.repeat, 91);
    EXPECT_FALSE(TheProtocol().Queue().IsEmpty());
}

TEST_F(PresetFilesTest, ImportWhileConnectedSendsProgramAndSystem) {
    ASSERT_EQ(ExportProgramTo("p.dia"), FileResult::Done);
    m.connection.connected = 1;
    m.settings.slotSystemCapability = 1;
    ASSERT_EQ(ImportProgramFrom("p.dia"), FileResult::Done);
    ASSERT_EQ(TheProtocol().Queue().Count(), 2);
    EXPECT_EQ(TheProtocol().Queue().At(0).Record().Type(), 132);
    EXPECT_EQ(TheProtocol().Queue().At(1).Record().Type(), 131);
    TheProtocol().Queue().Clear();

    ASSERT_EQ(ExportAllTo("all.dat"), FileResult::Done);
    ASSERT_EQ(ImportAllFrom("all.dat"), FileResult::Done);
    const CSendDataQueue& q = TheProtocol().Queue();
    ASSERT_EQ(q.Count(), 42);
    EXPECT_EQ(q.At(0).Record().Type(), 132);
    EXPECT_EQ(q.At(41).Record().Type(), 131);
    EXPECT_EQ(q.At(41).Record().sequence, 42);
    m.connection.connected = 0;
}

} // namespace
} // namespace kel
