// kelvane-cli's device commands end to end against kelvane-sim, over loopback UDP and a pseudo-terminal.
#include "CliTestKit.h"

#include "model/DataConver.h"
#include "model/RangeCheck.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <cstdio>
#include <cstring>
#include <string>

namespace kel {
namespace {

using namespace testkit;

class DeviceCli : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ResetModel();
        auto set = DistinctSet();
        Save("set.dat", set.get(), sizeof(PresetStore));
        const bool serial = std::string(GetParam()) == "serial";
        sim = std::make_unique<Simulator>(std::string(serial ? "--serial" : "--udp 127.0.0.1:0") +
                                          " --load set.dat --capability 1 --store-permission 1");
        ASSERT_FALSE(sim->Where().empty());
        if (serial) {
            link = "--no-usb --no-network --serial-port " + sim->Where();
        } else {
            const std::string port = sim->Where().substr(sim->Where().rfind(':') + 1);
            link = "--no-serial --no-usb --device-port " + port;
        }
    }
    std::unique_ptr<Simulator> sim;
    std::string link;
};

TEST_P(DeviceCli, IdentifyReadBackup) {
    const CliResult id = Cli(link, "identify");
    EXPECT_EQ(id.code, 0);
    EXPECT_EQ(id.out, "capability=1 permission=1\n");

    ASSERT_EQ(Cli(link, "read -o live.dia").code, 0);
    const auto live = Bytes("live.dia");
    ASSERT_EQ(live.size(), kProgramFileSize);
    ProgramImage defaults;
    FillDefaultProgram(defaults); // the emulator's live program until something is recalled
    EXPECT_EQ(std::memcmp(live.data() + kSystemBlockSize + 20, defaults.echoA.eq, kProgramImageSize - 20), 0);

    ASSERT_EQ(Cli(link, "backup -o copy.dat").code, 0);
    // Every slot program and slot system block as the device holds them, and its live system block
    // (the emulator took the loaded file's head block as live) at the head.
    EXPECT_EQ(Bytes("copy.dat"), Bytes("set.dat"));
    // What the CLI writes from the device passes the check it runs on files to send.
    EXPECT_EQ(CheckProgramFile(live), std::nullopt);
    EXPECT_EQ(CheckAllPresetsFile(Bytes("copy.dat")), std::nullopt);
}

TEST_P(DeviceCli, RestoreAppliesLinksInsideEveryProgram) {
    auto set = DistinctSet();
    for (int n = 1; n <= kSlotCount; ++n) {
        TextToBytes("Restored " + std::to_string(n), set->Slot(n).name);
    }
    set->Slot(5).micSync = 1;
    set->Slot(5).mic1.eq[3].gain = 77;
    Save("restore.dat", set.get(), sizeof(PresetStore));
    ASSERT_EQ(Cli(link, "restore restore.dat").code, 0);
    // Without a terminal, a long transfer reports its progress in lines.
    EXPECT_NE(Stderr().find(" frames acknowledged\n"), std::string::npos) << Stderr();
    ASSERT_EQ(Cli(link, "backup -o after.dat").code, 0);
    const auto after = Bytes("after.dat");
    ASSERT_EQ(after.size(), kPresetStoreSize);
    PresetStore got;
    std::memcpy(reinterpret_cast<std::uint8_t*>(&got), after.data(), after.size());
    for (int n = 1; n <= kSlotCount; ++n) {
        EXPECT_EQ(BytesToText(got.Slot(n).name), "Restored " + std::to_string(n));
    }
    EXPECT_EQ(got.Slot(5).mic2.eq[3].gain, 77);
    EXPECT_EQ(std::memcmp(&got.Slot(5).mic2, &got.Slot(5).mic1, sizeof(MicBlock)), 0);
}

TEST_P(DeviceCli, WriteApplyRecallStore) {
    ASSERT_EQ(Cli(link, "read -o live.dia").code, 0);
    auto bytes = Bytes("live.dia");
    ProgramImage img;
    std::memcpy(&img, bytes.data() + kSystemBlockSize, sizeof img);
    // five fields, each carried by one short frame
    img.musicL.eq[0].gain = 150;
    img.musicL.eq[0].q = 30; // same band: the same frame
    img.mic1.level = 12;
    img.echoA.delay = 400;
    img.out[0].ch[OUT_SUB].mute = 1;
    img.reverb.wet = 55;
    img.musicR.limiter.level = 9; // no short command: only in whole programs
    std::memcpy(bytes.data() + kSystemBlockSize, &img, sizeof img);
    Save("changed.dia", bytes.data(), bytes.size());
    const CliResult applied = Cli(link, "apply changed.dia");
    EXPECT_EQ(applied.code, 0);
    EXPECT_EQ(applied.out, "applied 5 changes\n");
    ASSERT_EQ(Cli(link, "read -o again.dia").code, 0);
    const auto again = Bytes("again.dia");
    ProgramImage got;
    std::memcpy(&got, again.data() + kSystemBlockSize, sizeof got);
    EXPECT_EQ(got.musicL.eq[0].gain, 150);
    EXPECT_EQ(got.echoA.delay.get(), 400);
    EXPECT_EQ(got.musicR.limiter.level, 0); // no short command carries it

    ASSERT_EQ(Cli(link, "write changed.dia").code, 0); // whole program: now the limiter too
    ASSERT_EQ(Cli(link, "read -o written.dia").code, 0);
    std::memcpy(&got, Bytes("written.dia").data() + kSystemBlockSize, sizeof got);
    EXPECT_EQ(got.musicR.limiter.level, 9);

    const CliResult recalled = Cli(link, "recall 3");
    EXPECT_EQ(recalled.code, 0);
    EXPECT_EQ(recalled.out, "3:Set 3\n");
    ASSERT_EQ(Cli(link, "read -o three.dia").code, 0);
    EXPECT_EQ(std::memcmp(Bytes("three.dia").data() + kSystemBlockSize, &DistinctSet()->Slot(3), 20), 0);

    ASSERT_EQ(Cli(link, "store 2 Friday").code, 0);
    ASSERT_EQ(Cli(link, "backup -o stored.dat").code, 0);
    PresetStore stored;
    const auto s = Bytes("stored.dat");
    ASSERT_EQ(s.size(), kPresetStoreSize);
    std::memcpy(reinterpret_cast<std::uint8_t*>(&stored), s.data(), s.size());
    EXPECT_EQ(BytesToText(stored.Slot(2).name), "Friday");
    EXPECT_EQ(stored.Slot(2).musicL.eq[3].gain, DistinctSet()->Slot(3).musicL.eq[3].gain); // slot 3 was live
}

TEST_P(DeviceCli, Meters) {
    const CliResult r = Cli(link, "meters -n 4");
    ASSERT_EQ(r.code, 0);
    int lines = 0;
    for (std::size_t pos = 0; (pos = r.out.find('\n', pos)) != std::string::npos; ++pos) {
        ++lines;
    }
    EXPECT_EQ(lines, 4);
    EXPECT_TRUE(r.out.rfind("12:", 0) == 0 || r.out.rfind("24:", 0) == 0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Links, DeviceCli, ::testing::Values("udp", "serial"));

// A transfer that fails after the device answered says what failed and how far it got, never "Unable to
// Open Device!" (which is for a device that could not be opened at all).
TEST(DeviceCliFaults, FailuresAfterOpeningSayWhatFailed) {
    ResetModel();
    auto set = DistinctSet();
    Save("set.dat", set.get(), sizeof(PresetStore));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically("start.dia", SerializeProgramBytes(TheModel().system, TheModel().image), error));
    struct Case {
        const char* faults;
        const char* command;
        const char* says;
        bool partWay; // some of the frames were acknowledged, not all
    };
    // write opens with the identification and the initial read; restore and backup with the
    // identification only, so backup's refused program reads fail part-way through its own step.
    const Case cases[] = {
        {"--refuse 132", "write start.dia", "sending the program failed: the link to the device failed (0 of ",
         false},
        {"--silent-after 40", "restore set.dat", "sending all presets failed: the link to the device failed (",
         true},
        {"--refuse 130", "backup -o b.dat", "reading all presets failed: the link to the device failed (", true},
    };
    for (const Case& c : cases) {
        Simulator sim(std::string("--udp 127.0.0.1:0 --timing-scale 0.05 ") + c.faults);
        ASSERT_FALSE(sim.Where().empty());
        const std::string port = sim.Where().substr(sim.Where().rfind(':') + 1);
        std::remove("cli-stderr.txt");
        EXPECT_EQ(Cli("--no-serial --no-usb --device-port " + port, c.command).code, 1) << c.command;
        const std::string said = Stderr();
        EXPECT_NE(said.find(c.says), std::string::npos) << c.command << ": " << said;
        EXPECT_EQ(said.find("Unable to Open Device!"), std::string::npos) << c.command << ": " << said;
        int done = 0, total = 0;
        const auto at = said.find(" frames acknowledged)");
        if (c.partWay && at != std::string::npos) {
            const auto open = said.rfind('(', at);
            ASSERT_EQ(std::sscanf(said.c_str() + open, "(%d of %d", &done, &total), 2) << said;
            EXPECT_GT(done, 0) << said;
            EXPECT_LT(done, total) << said;
        }
        EXPECT_EQ(c.partWay, at != std::string::npos && done > 0) << said;
    }
    EXPECT_FALSE(std::filesystem::exists("b.dat"));
}

TEST(DeviceCliUsage, BadArgumentsAndNoDevice) {
    const std::string noLinks = "--no-serial --no-usb --device-port 9";
    EXPECT_EQ(Cli(noLinks, "recall 22").code, 2);
    EXPECT_EQ(Cli(noLinks, "store 17 X").code, 2);
    EXPECT_EQ(Cli(noLinks, "store 1 abcdefghijklmnopqrstu").code, 2);
    EXPECT_EQ(Cli(noLinks, "--device-address 300.1.2.3 identify").code, 2);
    EXPECT_EQ(Cli("--no-serial --no-usb --no-network", "identify").code, 1);
    EXPECT_EQ(Cli(noLinks, "apply missing.dia").code, 1);
}

} // namespace
} // namespace kel
