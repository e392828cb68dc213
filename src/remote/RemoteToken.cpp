// The remote control's listening address and its access token.
#include "remote/RemoteToken.h"

#include "presets/FileIo.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace kel::remote {

namespace {

constexpr std::size_t kMinToken = 16;
constexpr std::size_t kMaxToken = 128;

bool GoodToken(const std::string& t) {
    if (t.size() < kMinToken || t.size() > kMaxToken) {
        return false;
    }
    for (unsigned char c : t) {
        if (c <= 0x20 || c >= 0x7F) {
            return false;
        }
    }
    return true;
}

std::string ConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        return std::string(xdg) + "/kelvane";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/kelvane";
}

bool MakeFolders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

std::optional<ListenAddress> ParseListenAddress(const std::string& text, std::string& error) {
    ListenAddress result;
    std::string port = text;
    if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        result.address = text.substr(0, colon);
        port = text.substr(colon + 1);
        in_addr a{};
        if (inet_pton(AF_INET, result.address.c_str(), &a) != 1) {
            error = "not a dotted IPv4 address: " + result.address;
            return std::nullopt;
        }
    }
    char* end = nullptr;
    errno = 0;
    const long n = port.empty() ? -1 : std::strtol(port.c_str(), &end, 10);
    if (port.empty() || errno != 0 || *end != '\0' || n < 0 || n > 65535) {
        error = "not a port 0..65535: " + port;
        return std::nullopt;
    }
    result.port = static_cast<int>(n);
    return result;
}

bool NeedsToken(const std::string& address) {
    return address != "127.0.0.1";
}

std::string NewToken() {
    std::random_device source; // /dev/urandom
    std::string token;
    constexpr char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 4; ++i) { // 128 bits
        std::uint32_t word = source();
        for (int k = 0; k < 4; ++k, word >>= 8) {
            token.push_back(kHex[(word >> 4) & 0xF]);
            token.push_back(kHex[word & 0xF]);
        }
    }
    return token;
}

std::optional<std::string> TokenFromFile(const std::string& path, std::string& error) {
    std::string why;
    const auto bytes = ReadWholeFile(path, 4096, why);
    if (!bytes) {
        error = why.empty() ? path + ": cannot be read" : why;
        return std::nullopt;
    }
    std::string token(bytes->begin(), bytes->end());
    token = token.substr(0, token.find('\n'));
    while (!token.empty() && (token.back() == '\r' || token.back() == ' ')) {
        token.pop_back();
    }
    if (!GoodToken(token)) {
        error = path + ": the token's first line must be 16..128 printable characters without blanks";
        return std::nullopt;
    }
    return token;
}

std::optional<std::string> UserToken(std::string& error) {
    const std::string folder = ConfigFolder();
    const std::string path = folder + "/remote-token";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return TokenFromFile(path, error);
    }
    if (!MakeFolders(folder)) {
        error = folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // Written to a file only the user can read, then renamed into place.
    const std::string token = NewToken();
    const std::string line = token + "\n";
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data()); // mode 0600
    bool written = fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    written = fd >= 0 && ::fsync(fd) == 0 && written;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": cannot be written (" + std::strerror(errno) + ")";
        if (fd >= 0) {
            ::unlink(temp.c_str());
        }
        return std::nullopt;
    }
    return token;
}

} // namespace kel::remote
