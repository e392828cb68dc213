// kelvane-cli fleet end to end: thirty emulated rooms on loopback, some with faults, and the
// command's own usage errors.
#include "CliTestKit.h"

#include "presets/ProgramFile.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace kel {
namespace {

using namespace testkit;

std::string RoomName(int n) {
    return "room-" + std::string(n < 10 ? "0" : "") + std::to_string(n);
}

std::vector<nlohmann::json> JsonLines(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
    }
    return lines;
}

// Thirty rooms, each its own kelvane-sim holding its own presets; three drop replies now and then
// (the links retry), one falls silent from the start, one refuses the program read a backup needs.
TEST(Fleet, ThirtyRoomsBackUpWithFaults) {
    constexpr int kRooms = 30;
    const std::map<int, std::string> faults = {
        {4, "--drop-every 7"},   {11, "--drop-every 5"}, {23, "--drop-every 9"},
        {8, "--silent-after 0"}, {17, "--refuse 130"},
    };
    std::vector<std::unique_ptr<Simulator>> sims;
    std::ostringstream rooms;
    for (int n = 1; n <= kRooms; ++n) {
        const std::string name = RoomName(n);
        Save(name + ".dat", DistinctSet(n).get(), sizeof(PresetStore));
        const std::string address = n % 2 ? "127.0.0.1" : "127.0.0.2"; // rooms differ in address too
        const auto fault = faults.find(n);
        sims.push_back(std::make_unique<Simulator>("--udp " + address + ":0 --timing-scale 0.05 --load " +
                                                   name + ".dat " +
                                                   (fault == faults.end() ? "" : fault->second)));
        ASSERT_FALSE(sims.back()->Where().empty()) << name;
        rooms << "[[room]]\nname = \"" << name << "\"\naddress = \"" << address
              << "\"\nport = " << sims.back()->Port() << "\ngroups = [\"" << (n <= 15 ? "floor-1" : "floor-2")
              << "\"]\n";
    }
    std::ofstream("rooms.toml") << rooms.str();

    const CliResult r = Cli("", "fleet rooms.toml backup -o backups --json");
    EXPECT_EQ(r.code, 1);
    const auto lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRooms)) << r.out;
    std::map<std::string, nlohmann::json> byName;
    for (const auto& line : lines) {
        ASSERT_TRUE(line.is_object()) << r.out;
        byName[line["name"].get<std::string>()] = line;
    }
    ASSERT_EQ(byName.size(), static_cast<std::size_t>(kRooms));
    for (int n = 1; n <= kRooms; ++n) {
        const std::string name = RoomName(n);
        const nlohmann::json& room = byName[name];
        EXPECT_TRUE(room["seconds"].is_number()) << room;
        if (n == 8 || n == 17) {
            EXPECT_FALSE(room["ok"].get<bool>()) << room;
            EXPECT_TRUE(room["error"].is_string() && !room["error"].get<std::string>().empty()) << room;
            EXPECT_TRUE(Bytes("backups/" + name + ".dat").empty()) << name;
            continue;
        }
        EXPECT_TRUE(room["ok"].get<bool>()) << room;
        EXPECT_TRUE(room["error"].is_null()) << room;
        EXPECT_EQ(room["file"], "backups/" + name + ".dat") << room;
        // What this room's emulator holds: its own presets, its live system block at the head.
        EXPECT_EQ(Bytes("backups/" + name + ".dat"), Bytes(name + ".dat")) << name;
    }
    EXPECT_EQ(byName["room-08"]["error"], "Unable to Open Device!; no device answered") << byName["room-08"];

    // The text report of a group: one line per room as it finishes, then the table and the count.
    const CliResult floor = Cli("", "fleet rooms.toml --group floor-1 --jobs 4 identify");
    EXPECT_EQ(floor.code, 1);
    EXPECT_NE(floor.out.find("room-01  ok         "), std::string::npos) << floor.out;
    EXPECT_NE(floor.out.find("capability=1 permission=1"), std::string::npos) << floor.out;
    EXPECT_NE(floor.out.find("room-08  FAILED "), std::string::npos) << floor.out;
    EXPECT_EQ(floor.out.find("room-16"), std::string::npos) << floor.out;
    EXPECT_NE(floor.out.find("\nroom     result  seconds  detail\n"), std::string::npos) << floor.out;
    EXPECT_NE(floor.out.find("\n14 of 15 rooms succeeded\n"), std::string::npos) << floor.out;

    const CliResult chosen = Cli("", "fleet rooms.toml recall 3 --rooms room-02,room-30 --json");
    EXPECT_EQ(chosen.code, 0) << chosen.out;
    const auto recalled = JsonLines(chosen.out);
    ASSERT_EQ(recalled.size(), 2u) << chosen.out;
    for (const auto& room : recalled) {
        EXPECT_EQ(room["slot"], 3) << room;
        EXPECT_EQ(room["preset"], room["name"] == "room-02" ? "R2 set 3" : "R30 set 3") << room;
    }
}

// Every kind of link: a serial room on kelvane-sim's pseudo-terminal, and USB rooms on the simulated
// bridge, where a room names the one bridge it may use.
TEST(Fleet, SerialAndUsbRooms) {
    Simulator serial("--serial --timing-scale 0.05 --capability 0");
    ASSERT_FALSE(serial.Where().empty());
    std::ofstream("rooms.toml") << "[[room]]\nname = \"pty\"\nserial = \"" << serial.Where()
                                << "\"\n[[room]]\nname = \"usb\"\nusb = \"sim://bridge0\"\n"
                                << "[[room]]\nname = \"elsewhere\"\nusb = \"sim://bridge7\"\n";
    ::setenv("KELVANE_USB_BRIDGE", "sim", 1); // each room's process plugs in its own emulated processor
    const CliResult r = Cli("", "fleet rooms.toml identify --json");
    ::unsetenv("KELVANE_USB_BRIDGE");
    EXPECT_EQ(r.code, 1);
    std::map<std::string, nlohmann::json> byName;
    for (const auto& line : JsonLines(r.out)) {
        byName[line.value("name", "")] = line;
    }
    ASSERT_EQ(byName.size(), 3u) << r.out;
    EXPECT_EQ(byName["pty"]["capability"], 0) << byName["pty"];
    EXPECT_EQ(byName["usb"]["capability"], 1) << byName["usb"];
    EXPECT_EQ(byName["usb"]["permission"], 1) << byName["usb"];
    EXPECT_EQ(byName["elsewhere"]["ok"], false) << byName["elsewhere"];

    // Each command reaches each room with its own arguments.
    ::setenv("KELVANE_USB_BRIDGE", "sim", 1);
    EXPECT_EQ(Cli("", "fleet rooms.toml --rooms pty,usb read -o programs").code, 0);
    EXPECT_EQ(Bytes("programs/pty.dia").size(), kProgramFileSize);
    EXPECT_EQ(Bytes("programs/usb.dia").size(), kProgramFileSize);
    const CliResult applied = Cli("", "fleet rooms.toml --rooms pty apply programs/pty.dia --json");
    EXPECT_EQ(applied.code, 0);
    EXPECT_EQ(JsonLines(applied.out).at(0)["changes"], 0) << applied.out;
    // A file whose name starts with '-' reaches the room as a file, not as an option.
    std::filesystem::copy_file("programs/pty.dia", "-pty.dia", std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Cli("", "fleet rooms.toml --rooms pty apply -- -pty.dia").code, 0);
    const CliResult meters = Cli("", "fleet rooms.toml --rooms usb meters -n 2 --json");
    ::unsetenv("KELVANE_USB_BRIDGE");
    EXPECT_EQ(meters.code, 0);
    EXPECT_EQ(JsonLines(meters.out).at(0)["meters"].size(), 2u) << meters.out;
}

// A room still working at its time limit is stopped and reported: the silent room's own protocol
// pauses keep it going far longer than the limit.
TEST(Fleet, RoomPastItsTimeLimitIsStopped) {
    Simulator silent("--udp 127.0.0.1:0 --timing-scale 0.05 --silent-after 0");
    ASSERT_FALSE(silent.Where().empty());
    std::ofstream("rooms.toml") << "[[room]]\nname = \"silent\"\naddress = \"127.0.0.1\"\nport = "
                                << silent.Port() << "\n";
    const CliResult r = Cli("", "fleet rooms.toml identify --time-limit 0.05 --json");
    EXPECT_EQ(r.code, 1);
    std::map<std::string, nlohmann::json> byName;
    for (const auto& line : JsonLines(r.out)) {
        byName[line.value("name", "")] = line;
    }
    EXPECT_EQ(byName["silent"]["error"], "no result within 0.05 s: stopped") << r.out;
    // The single-room command's own JSON result, for a room that answers nothing.
    const CliResult one = Cli("--no-serial --no-usb --device-port " + silent.Port() + " --json", "identify");
    EXPECT_EQ(one.code, 1);
    const auto result = nlohmann::json::parse(one.out, nullptr, false);
    EXPECT_EQ(result["ok"], false) << one.out;
    EXPECT_EQ(result["error"], "Unable to Open Device!; no device answered") << one.out;
}

TEST(Fleet, UsageAndRoomsFileErrors) {
    std::ofstream("rooms.toml") << "[[room]]\nname = \"a\"\naddress = \"127.0.0.1\"\nport = 9\n";
    std::ofstream("bad.toml") << "[[room]]\nname = \"a\"\nadress = \"127.0.0.1\"\n";
    EXPECT_EQ(Cli("", "fleet rooms.toml --group none identify").code, 2);
    EXPECT_EQ(Cli("", "fleet rooms.toml --rooms a,b identify").code, 2);
    EXPECT_EQ(Cli("--device-address 127.0.0.1", "fleet rooms.toml identify").code, 2);
    EXPECT_EQ(Cli("", "fleet rooms.toml recall 22").code, 2);
    EXPECT_EQ(Cli("", "fleet rooms.toml").code, 2); // no command
    EXPECT_EQ(Cli("", "fleet bad.toml identify").code, 1);
    std::ofstream("file") << "x";
    EXPECT_EQ(Cli("", "fleet rooms.toml backup -o file").code, 1); // not a folder
    std::ifstream err("cli-stderr.txt");
    const std::string messages((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    EXPECT_NE(messages.find("bad.toml:3: unknown key \"adress\""), std::string::npos) << messages;
    EXPECT_NE(messages.find("file: not a folder"), std::string::npos) << messages;
}

} // namespace
} // namespace kel
