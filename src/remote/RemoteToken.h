// The remote control's listening address and its access token.
#pragma once

#include <optional>
#include <string>

namespace kel::remote {

struct ListenAddress {
    std::string address = "127.0.0.1";
    int port = 0;
};

// "[ADDR:]PORT": a dotted IPv4 address (127.0.0.1 when left out) and a port 0..65535 (0: a free one).
// nullopt with the reason in `error` otherwise.
std::optional<ListenAddress> ParseListenAddress(const std::string& text, std::string& error);

// A token is needed on every address but 127.0.0.1, where only this computer can connect.
bool NeedsToken(const std::string& address);

// A new token: 32 hexadecimal digits from the system's random source.
std::string NewToken();

// The token kept in the user's configuration ($XDG_CONFIG_HOME or ~/.config, kelvane/remote-token,
// readable by the user only), made and saved the first time. nullopt with `error` when it cannot be.
std::optional<std::string> UserToken(std::string& error);

// The token in a file given by the operator: its first line, 16..128 printable characters without
// blanks. nullopt with `error` otherwise.
std::optional<std::string> TokenFromFile(const std::string& path, std::string& error);

} // namespace kel::remote
