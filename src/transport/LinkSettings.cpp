// The link settings, set once at start-up from the command line and read when a link opens.
#include "transport/LinkSettings.h"

#include "model/BuildConfig.h"

#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>

namespace kel {

namespace {

struct Settings {
    std::string address = build::kDeviceAddress;
    int port = build::kDevicePort;
    std::vector<std::string> serialPorts;
};

std::mutex g_mutex;
Settings g_settings;

} // namespace

std::string DeviceAddress() {
    std::lock_guard lock(g_mutex);
    return g_settings.address;
}

int DevicePort() {
    std::lock_guard lock(g_mutex);
    return g_settings.port;
}

bool SetDeviceAddress(const std::string& dotted) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, dotted.c_str(), &parsed) != 1) {
        return false;
    }
    std::lock_guard lock(g_mutex);
    g_settings.address = dotted;
    return true;
}

bool SetDevicePort(int port) {
    if (port < 1 || port > 65535) {
        return false;
    }
    std::lock_guard lock(g_mutex);
    g_settings.port = port;
    return true;
}

std::vector<std::string> SerialPortOverride() {
    std::lock_guard lock(g_mutex);
    return g_settings.serialPorts;
}

void SetSerialPortOverride(std::vector<std::string> paths) {
    std::lock_guard lock(g_mutex);
    g_settings.serialPorts = std::move(paths);
}

void ResetLinkSettings() {
    std::lock_guard lock(g_mutex);
    g_settings = Settings{};
}

} // namespace kel
