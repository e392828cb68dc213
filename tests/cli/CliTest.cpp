// kelvane-cli run as a user runs it.
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace kel {
namespace {

int RunCli(const std::string& args) {
    const std::string cmd = std::string(KELVANE_CLI) + " " + args + " 2>cli-stderr.txt";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Stderr() {
    std::string error;
    auto bytes = ReadWholeFile("cli-stderr.txt", error);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(Cli, DefaultsWritesTheStartUpProgram) {
    ASSERT_EQ(RunCli("defaults -o start.dia"), 0) << Stderr();
    std::string error;
    const auto bytes = ReadWholeFile("start.dia", error);
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

TEST(Cli, WrongUsageExitsWithTwo) {
    EXPECT_EQ(RunCli(""), 2);
    EXPECT_EQ(RunCli("defaults"), 2);
    EXPECT_EQ(RunCli("no-such-command"), 2);
}

} // namespace
} // namespace kel
