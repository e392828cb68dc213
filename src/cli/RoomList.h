// The rooms of a venue, read from a TOML file of [[room]] tables, and the choice of rooms a fleet
// command works on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

struct Room {
    std::string name;
    // Exactly one link: a network address (with an optional port), a serial port or a USB bridge.
    std::string address;
    std::optional<int> port;
    std::string serial;
    std::string usb;
    std::vector<std::string> groups;
    int line = 0; // where the room's table starts in the file
};

// Reads and checks the file; nullopt with `error` ("FILE:LINE: what") for anything wrong in it.
std::optional<std::vector<Room>> ReadRoomList(const std::string& path, std::string& error);

// The rooms in any of `groups` (all when empty) and named in `names` (all when empty), in file order.
// Nullopt with `error` for a group or name no room has, or when nothing is left.
std::optional<std::vector<Room>> ChooseRooms(const std::vector<Room>& rooms,
                                             const std::vector<std::string>& groups,
                                             const std::vector<std::string>& names, std::string& error);

// The link options of the single-room command line that reach this room.
std::vector<std::string> LinkArguments(const Room& room);

} // namespace kel::cli
