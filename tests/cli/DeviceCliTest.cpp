// kelvane-cli's device commands end to end against kelvane-sim, over loopback UDP and a pseudo-terminal.
#include "model/DataConver.h"
#include "model/Sections.h"
#include "presets/FileIo.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kel {
namespace {

// kelvane-sim in a child process; its first output line says where it listens.
class Simulator : public testkit::ChildProcess {
  public:
    explicit Simulator(const std::string& args) : ChildProcess(std::string(KELVANE_SIM) + " " + args) {}
    // "127.0.0.1:PORT" or the pseudo-terminal's path.
    const std::string& Where() const { return FirstLine(); }
};

struct Result {
    int code;
    std::string out;
};

Result Cli(const std::string& link, const std::string& args) {
    const std::string cmd =
        std::string(KELVANE_CLI) + " " + link + " --timing-scale 0.05 " + args + " 2>>cli-stderr.txt";
    Result r{-1, {}};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) {
        return r;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        r.out.append(buf, n);
    }
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::string error;
    return ReadWholeFile(path, 1u << 20, error).value_or(std::vector<std::uint8_t>{});
}

void Save(const std::string& path, const void* data, std::size_t size) {
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, std::span(static_cast<const std::uint8_t*>(data), size), error));
}

// An all-presets set whose every slot is told apart by its name and a few values.
std::unique_ptr<PresetStore> DistinctSet() {
    auto store = std::make_unique<PresetStore>();
    ResetSystemBlock(store->head);
    for (int n = 1; n <= kSlotCount; ++n) {
        ProgramImage& p = store->Slot(n);
        FillDefaultProgram(p);
        TextToBytes("Set " + std::to_string(n), p.name);
        p.musicL.eq[n % 15].gain = static_cast<std::uint8_t>(100 + n);
        p.out[1].ch[n % 8].delay = static_cast<std::uint16_t>(10 * n);
        ResetSystemBlock(store->SlotSystem(n));
        store->SlotSystem(n).musicVolume = static_cast<std::uint8_t>(n);
    }
    store->SlotSystem(1).currentSlot = 1;
    return store;
}

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
    const Result id = Cli(link, "identify");
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
    const Result applied = Cli(link, "apply changed.dia");
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

    const Result recalled = Cli(link, "recall 3");
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
    const Result r = Cli(link, "meters -n 4");
    ASSERT_EQ(r.code, 0);
    int lines = 0;
    for (std::size_t pos = 0; (pos = r.out.find('\n', pos)) != std::string::npos; ++pos) {
        ++lines;
    }
    EXPECT_EQ(lines, 4);
    EXPECT_TRUE(r.out.rfind("12:", 0) == 0 || r.out.rfind("24:", 0) == 0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Links, DeviceCli, ::testing::Values("udp", "serial"));

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
