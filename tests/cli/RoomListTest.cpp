// The fleet's rooms file: what it accepts, what it refuses and where, and the choice of rooms.
#include "cli/RoomList.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kel::cli {
namespace {

std::optional<std::vector<Room>> Read(const std::string& text, std::string& error) {
    std::ofstream("rooms.toml") << text;
    return ReadRoomList("rooms.toml", error);
}

TEST(RoomList, ReadsEachKindOfLinkAndItsArguments) {
    std::string error;
    const auto good = Read(R"(
[[room]]
name = "room-101"
address = "127.0.0.1"
port = 8233
groups = ["small", "floor-1"]
[[room]]
name = "room_102"
serial = "/dev/ttyUSB0"
[[room]]
name = "Bar3"
usb = "/dev/hidraw3"
[[room]]
name = "lobby"
address = "127.0.0.2"
)",
                           error);
    ASSERT_TRUE(good) << error;
    ASSERT_EQ(good->size(), 4u);
    EXPECT_EQ((*good)[0].groups, (std::vector<std::string>{"small", "floor-1"}));
    EXPECT_EQ((*good)[0].line, 2);
    using Args = std::vector<std::string>;
    EXPECT_EQ(LinkArguments((*good)[0]),
              (Args{"--no-serial", "--no-usb", "--device-address", "127.0.0.1", "--device-port", "8233"}));
    EXPECT_EQ(LinkArguments((*good)[1]), (Args{"--no-usb", "--no-network", "--serial-port", "/dev/ttyUSB0"}));
    EXPECT_EQ(LinkArguments((*good)[2]),
              (Args{"--no-serial", "--no-network", "--usb-bridge", "/dev/hidraw3"}));
    EXPECT_EQ(LinkArguments((*good)[3]), (Args{"--no-serial", "--no-usb", "--device-address", "127.0.0.2"}));
}

TEST(RoomList, RefusesBadFilesNamingTheLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"[[room]]\nname = \"a\"\naddress = \"127.0.0.1\n", "rooms.toml:3: "}, // TOML syntax: toml++'s words
        {"[[room]]\nname = \"a b\"\naddress = \"127.0.0.1\"\n",
         "rooms.toml:2: room name \"a b\" may hold only letters, digits, '-' and '_'"},
        {"[[room]]\nname = \"a\"\naddres = \"127.0.0.1\"\n",
         "rooms.toml:3: unknown key \"addres\" (name, address, port, serial, usb, groups)"},
        {"[[room]]\nname = \"a\"\naddress = \"127.1\"\n",
         "rooms.toml:3: not a dotted-decimal IPv4 address: 127.1"},
        {"[[room]]\nname = \"a\"\naddress = \"127.0.0.1\"\nport = 70000\n",
         "rooms.toml:4: port must be a whole number from 1 to 65535"},
        {"[[room]]\nname = \"a\"\naddress = \"127.0.0.1\"\nport = \"8233\"\n",
         "rooms.toml:4: port must be a whole number from 1 to 65535"},
        {"[[room]]\nname = \"a\"\nserial = \"/dev/ttyS0\"\nport = 1\n",
         "rooms.toml:1: room a: a port goes only with an address"},
        {"[[room]]\naddress = \"127.0.0.1\"\n", "rooms.toml:1: a room needs a name"},
        {"[[room]]\nname = \"a\"\n", "rooms.toml:1: room a needs exactly one of address, serial and usb"},
        {"[[room]]\nname = \"a\"\nusb = \"/dev/hidraw3\"\naddress = \"127.0.0.9\"\n",
         "rooms.toml:1: room a needs exactly one of address, serial and usb"},
        {"[[room]]\nname = \"a\"\nusb = \"/dev/hidraw0\"\ngroups = \"small\"\n",
         "rooms.toml:4: groups must be an array of names"},
        {"[[room]]\nname = \"a\"\nusb = \"/dev/hidraw0\"\ngroups = [\"ok\", 3]\n",
         "rooms.toml:4: a group name may hold only letters, digits, '-' and '_'"},
        {"[[room]]\nname = \"a\"\nusb = \"/dev/hidraw0\"\n[[room]]\nname = \"a\"\nusb = \"/dev/hidraw1\"\n",
         "rooms.toml:4: room a is already on line 1"},
        {"rooms = 3\n", "rooms.toml:1: unknown key \"rooms\" (rooms are [[room]] tables)"},
        {"# nothing yet\n", "rooms.toml: no rooms (each is a [[room]] table)"},
        {"room = [1, 2]\n", "rooms.toml:1: a room is a table"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Read(c.text, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << "\ngot: " << error;
    }
    std::string error;
    EXPECT_FALSE(ReadRoomList("missing.toml", error));
    EXPECT_NE(error.find("missing.toml"), std::string::npos) << error;
}

TEST(RoomList, ChoosesByGroupAndName) {
    std::vector<Room> rooms(4);
    rooms[0] = {.name = "a", .groups = {"small", "floor-1"}};
    rooms[1] = {.name = "b", .groups = {"small"}};
    rooms[2] = {.name = "c", .groups = {"large", "floor-1"}};
    rooms[3] = {.name = "d"};
    auto names = [](const std::optional<std::vector<Room>>& chosen) {
        std::string text;
        for (const Room& r : chosen.value_or(std::vector<Room>{})) {
            text += r.name;
        }
        return text;
    };
    std::string error;
    EXPECT_EQ(names(ChooseRooms(rooms, {}, {}, error)), "abcd");
    EXPECT_EQ(names(ChooseRooms(rooms, {"small"}, {}, error)), "ab");
    EXPECT_EQ(names(ChooseRooms(rooms, {"small", "large"}, {}, error)), "abc"); // any of the groups
    EXPECT_EQ(names(ChooseRooms(rooms, {}, {"d", "a"}, error)), "ad");          // in file order
    EXPECT_EQ(names(ChooseRooms(rooms, {"floor-1"}, {"a", "b"}, error)), "a");  // both choices hold

    EXPECT_FALSE(ChooseRooms(rooms, {"smal"}, {}, error));
    EXPECT_EQ(error, "no room is in the group smal");
    EXPECT_FALSE(ChooseRooms(rooms, {}, {"e"}, error));
    EXPECT_EQ(error, "no room is named e");
    EXPECT_FALSE(ChooseRooms(rooms, {"large"}, {"a"}, error));
}

} // namespace
} // namespace kel::cli
