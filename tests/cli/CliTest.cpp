// kelvane-cli run as a user runs it.
#include "model/Model.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace kel {
namespace {

int RunCli(const std::string& args) {
    const std::string cmd = std::string(KELVANE_CLI) + " " + args + " 2>cli-stderr.txt";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Stderr() {
    std::string error;
    auto bytes = ReadWholeFile("cli-stderr.txt", 1u << 20, error);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(Cli, DefaultsWritesTheStartUpProgram) {
    ASSERT_EQ(RunCli("defaults -o start.dia"), 0) << Stderr();
    std::string error;
    const auto bytes = ReadWholeFile("start.dia", 1u << 20, error);
    ASSERT_TRUE(bytes);
    ResetModel();
    const auto expected = SerializeProgramBytes(TheModel().system, TheModel().image);
    ASSERT_EQ(bytes->size(), 2778u);
    EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), expected.begin()));
}

TEST(Cli, DefaultsRefusesAnUnwritablePath) {
    std::string error;
    const std::uint8_t old[] = {1, 2, 3};
    ASSERT_TRUE(WriteFileAtomically("plain-file", old, error));
    std::filesystem::create_directory("a-folder");

    EXPECT_EQ(RunCli("defaults -o plain-file/x.dia"), 1); // the folder is a file
    EXPECT_NE(Stderr().find("plain-file"), std::string::npos);
    EXPECT_EQ(RunCli("defaults -o a-folder"), 1); // the target is a folder
    EXPECT_TRUE(std::filesystem::is_directory("a-folder"));
    EXPECT_TRUE(std::filesystem::is_empty("a-folder")); // no temporary file left behind
    EXPECT_EQ(RunCli("defaults -o no-such-folder/x.dia"), 1);
    EXPECT_FALSE(std::filesystem::exists("no-such-folder"));
    EXPECT_EQ(std::filesystem::file_size("plain-file"), 3u);
}

// Names are bytes: dumped as text where they are UTF-8, as their byte values otherwise; never an abort.
TEST(Cli, DumpWritesEveryNameWithoutLosingAByte) {
    struct Case {
        std::string name;
        nlohmann::json expected;
    };
    const std::vector<Case> cases = {
        {"Room 1", "Room 1"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                       // UTF-8
        {"Caf\xE9", nlohmann::json({67, 97, 102, 0xE9})},     // Latin-1
        {"\xE4\xB8", nlohmann::json({0xE4, 0xB8})},           // cut short
        {"\xC0\xAF", nlohmann::json({0xC0, 0xAF})},           // overlong
        {"\xED\xA0\x80", nlohmann::json({0xED, 0xA0, 0x80})}, // a surrogate
    };
    for (const Case& c : cases) {
        ResetModel();
        Model& m = TheModel();
        std::fill(std::begin(m.image.name), std::end(m.image.name), ' ');
        std::copy(c.name.begin(), c.name.end(), std::begin(m.image.name));
        const auto bytes = SerializeProgramBytes(m.system, m.image);
        std::string error;
        ASSERT_TRUE(WriteFileAtomically("named.dia", bytes, error)) << error;
        ASSERT_EQ(RunCli("dump named.dia >dump.json"), 0) << Stderr();
        const auto out = ReadWholeFile("dump.json", 1u << 24, error);
        ASSERT_TRUE(out);
        const auto json = nlohmann::json::parse(out->begin(), out->end());
        EXPECT_EQ(json["program"]["name"], c.expected) << c.name;
    }
}

// The path given is the path written: no extension added, and no device node or folder replaced — also
// not by the commands that first read the device (refused before any port is opened).
TEST(Cli, OutputGoesExactlyWhereItIsNamed) {
    ASSERT_EQ(RunCli("defaults -o plain-name"), 0) << Stderr();
    EXPECT_TRUE(std::filesystem::is_regular_file("plain-name"));
    EXPECT_FALSE(std::filesystem::exists("plain-name.dia"));
    // A named pipe stands for /dev/full and its kind: the test never risks a real device node.
    ASSERT_EQ(::mkfifo("a-pipe", 0600), 0);
    for (const char* command : {"defaults", "read", "backup"}) {
        const std::string args = std::string("--no-serial --no-usb --no-network ") + command + " -o a-pipe";
        EXPECT_EQ(RunCli(args), 1) << command;
        EXPECT_NE(Stderr().find("a-pipe: not a regular file"), std::string::npos) << command << Stderr();
        EXPECT_TRUE(std::filesystem::is_fifo("a-pipe"));
        EXPECT_FALSE(std::filesystem::exists("a-pipe.dat") || std::filesystem::exists("a-pipe.dia"));
    }
}

// A file to send is checked before any port is opened: a missing or wrong-sized file says which and why,
// not "no device answered".
TEST(Cli, FileToSendIsCheckedFirst) {
    const std::vector<std::uint8_t> small(100, 0);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically("small.bin", small, error)) << error;
    // Files of the right size with a field out of range: random bytes, and one band's gain.
    std::vector<std::uint8_t> random(kPresetStoreSize);
    std::uint32_t state = 12345;
    for (std::uint8_t& b : random) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    ASSERT_TRUE(WriteFileAtomically("random.dat", random, error)) << error;
    random.resize(kProgramFileSize);
    ASSERT_TRUE(WriteFileAtomically("random.dia", random, error)) << error;
    ResetModel();
    TheModel().image.musicL.eq[3].gain = 181;
    ASSERT_TRUE(WriteFileAtomically("loud.dia", SerializeProgramBytes(TheModel().system, TheModel().image), error));

    struct Case {
        const char* command;
        const char* expected;
    };
    const Case cases[] = {
        {"write missing.dia", "missing.dia"},
        {"apply small.bin", "small.bin: not a program file (2778 bytes) (100 bytes)"},
        {"restore small.bin", "small.bin: not an all-presets file"},
        {"write .", "not a regular file: ."},
        {"write random.dia", "random.dia: system."},
        {"apply random.dia", "(--force sends it anyway)"},
        {"restore random.dat", "random.dat: system."},
        {"apply loud.dia", "loud.dia: musicL.eq[3].gain is 181, outside 0..180"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunCli(std::string("--no-serial --no-usb --no-network ") + c.command), 1) << c.command;
        const std::string said = Stderr();
        EXPECT_NE(said.find(c.expected), std::string::npos) << c.command << ": " << said;
        EXPECT_EQ(said.find("no device answered"), std::string::npos) << c.command;
    }
    // --force goes on to the device with the same files.
    for (const char* command : {"write --force random.dia", "apply loud.dia --force", "restore --force random.dat"}) {
        EXPECT_EQ(RunCli(std::string("--no-serial --no-usb --no-network ") + command), 1) << command;
        EXPECT_NE(Stderr().find("no device answered"), std::string::npos) << command << ": " << Stderr();
    }
}

TEST(Cli, WrongUsageExitsWithTwo) {
    EXPECT_EQ(RunCli(""), 2);
    EXPECT_EQ(RunCli("defaults"), 2);
    EXPECT_EQ(RunCli("no-such-command"), 2);
}

} // namespace
} // namespace kel
