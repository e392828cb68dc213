// The rooms of a venue, read from a TOML file with toml++.
#include "cli/RoomList.h"

#include "presets/FileIo.h"

#include <toml++/toml.h>

#include <algorithm>
#include <arpa/inet.h>
#include <map>
#include <set>

namespace kel::cli {

namespace {

constexpr std::size_t kMaxRoomFileSize = 1u << 20;

bool PlainName(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_';
    });
}

// Reads one room's table; false with `error` (no file name) for anything wrong in it.
bool ReadRoom(const toml::table& table, Room& room, std::string& error) {
    room.line = static_cast<int>(table.source().begin.line);
    auto at = [](const toml::node& node) { return std::to_string(node.source().begin.line) + ": "; };
    auto text = [&](const toml::node& node, const std::string& key, std::string& out) {
        if (!node.is_string() || node.value<std::string>()->empty()) {
            error = at(node) + key + " must be a non-empty string";
            return false;
        }
        out = *node.value<std::string>();
        return true;
    };
    for (const auto& [key, node] : table) {
        const std::string k(key.str());
        if (k == "name") {
            if (!text(node, k, room.name)) {
                return false;
            }
            if (!PlainName(room.name)) {
                error =
                    at(node) + "room name \"" + room.name + "\" may hold only letters, digits, '-' and '_'";
                return false;
            }
        } else if (k == "address") {
            if (!text(node, k, room.address)) {
                return false;
            }
            in_addr parsed{};
            if (::inet_pton(AF_INET, room.address.c_str(), &parsed) != 1) {
                error = at(node) + "not a dotted-decimal IPv4 address: " + room.address;
                return false;
            }
        } else if (k == "port") {
            const auto port = node.value<std::int64_t>();
            if (!node.is_integer() || !port || *port < 1 || *port > 65535) {
                error = at(node) + "port must be a whole number from 1 to 65535";
                return false;
            }
            room.port = static_cast<int>(*port);
        } else if (k == "serial") {
            if (!text(node, k, room.serial)) {
                return false;
            }
        } else if (k == "usb") {
            if (!text(node, k, room.usb)) {
                return false;
            }
        } else if (k == "groups") {
            const toml::array* groups = node.as_array();
            if (!groups) {
                error = at(node) + "groups must be an array of names";
                return false;
            }
            for (const toml::node& g : *groups) {
                std::string group;
                if (!g.is_string() || !PlainName(group = *g.value<std::string>())) {
                    error = at(g) + "a group name may hold only letters, digits, '-' and '_'";
                    return false;
                }
                room.groups.push_back(group);
            }
        } else {
            error = at(node) + "unknown key \"" + k + "\" (name, address, port, serial, usb, groups)";
            return false;
        }
    }
    const std::string here = std::to_string(room.line) + ": ";
    if (room.name.empty()) {
        error = here + "a room needs a name";
        return false;
    }
    const int links = !room.address.empty() + !room.serial.empty() + !room.usb.empty();
    if (links != 1) {
        error = here + "room " + room.name + " needs exactly one of address, serial and usb";
        return false;
    }
    if (room.port && room.address.empty()) {
        error = here + "room " + room.name + ": a port goes only with an address";
        return false;
    }
    return true;
}

} // namespace

std::optional<std::vector<Room>> ReadRoomList(const std::string& path, std::string& error) {
    const auto bytes = ReadWholeFile(path, kMaxRoomFileSize, error);
    if (!bytes) {
        return std::nullopt;
    }
    const std::string_view source(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    toml::table document;
    try {
        document = toml::parse(source, path);
    } catch (const toml::parse_error& e) {
        error = path + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return std::nullopt;
    }
    for (const auto& [key, node] : document) {
        if (key.str() != "room") {
            error = path + ":" + std::to_string(node.source().begin.line) + ": unknown key \"" +
                    std::string(key.str()) + "\" (rooms are [[room]] tables)";
            return std::nullopt;
        }
    }
    const toml::array* tables = document["room"].as_array();
    if (!tables || tables->empty()) {
        error = path + ": no rooms (each is a [[room]] table)";
        return std::nullopt;
    }
    std::vector<Room> rooms;
    std::map<std::string, int> lines;
    for (const toml::node& node : *tables) {
        const toml::table* table = node.as_table();
        Room room;
        if (!table) {
            error = path + ":" + std::to_string(node.source().begin.line) + ": a room is a table";
            return std::nullopt;
        }
        if (!ReadRoom(*table, room, error)) {
            error = path + ":" + error;
            return std::nullopt;
        }
        if (const auto [it, fresh] = lines.emplace(room.name, room.line); !fresh) {
            error = path + ":" + std::to_string(room.line) + ": room " + room.name + " is already on line " +
                    std::to_string(it->second);
            return std::nullopt;
        }
        rooms.push_back(std::move(room));
    }
    return rooms;
}

std::optional<std::vector<Room>> ChooseRooms(const std::vector<Room>& rooms,
                                             const std::vector<std::string>& groups,
                                             const std::vector<std::string>& names, std::string& error) {
    std::set<std::string> knownGroups, knownNames;
    for (const Room& room : rooms) {
        knownNames.insert(room.name);
        knownGroups.insert(room.groups.begin(), room.groups.end());
    }
    for (const std::string& g : groups) {
        if (!knownGroups.count(g)) {
            error = "no room is in the group " + g;
            return std::nullopt;
        }
    }
    for (const std::string& n : names) {
        if (!knownNames.count(n)) {
            error = "no room is named " + n;
            return std::nullopt;
        }
    }
    std::vector<Room> chosen;
    for (const Room& room : rooms) {
        const bool inGroup =
            groups.empty() || std::any_of(groups.begin(), groups.end(), [&](const auto& g) {
                return std::find(room.groups.begin(), room.groups.end(), g) != room.groups.end();
            });
        const bool named = names.empty() || std::find(names.begin(), names.end(), room.name) != names.end();
        if (inGroup && named) {
            chosen.push_back(room);
        }
    }
    if (chosen.empty()) {
        error = "no room is both in the groups and among the rooms given";
        return std::nullopt;
    }
    return chosen;
}

std::vector<std::string> LinkArguments(const Room& room) {
    if (!room.serial.empty()) {
        return {"--no-usb", "--no-network", "--serial-port", room.serial};
    }
    if (!room.usb.empty()) {
        return {"--no-serial", "--no-network", "--usb-bridge", room.usb};
    }
    std::vector<std::string> args = {"--no-serial", "--no-usb", "--device-address", room.address};
    if (room.port) {
        args.insert(args.end(), {"--device-port", std::to_string(*room.port)});
    }
    return args;
}

} // namespace kel::cli
