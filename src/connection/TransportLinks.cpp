// The real transports behind the connection logic.
#include "connection/TransportLinks.h"

#include "transport/LinkSettings.h"
#include "transport/PortList.h"

#include "transport/usb/Ch9326.h"

#include <algorithm>

namespace kel {

bool ApplyLinkOptions(const LinkOptions& options, std::string& error) {
    if (options.deviceAddress && !SetDeviceAddress(*options.deviceAddress)) {
        error = "not a dotted-decimal IPv4 address: " + *options.deviceAddress;
        return false;
    }
    if (options.devicePort && !SetDevicePort(*options.devicePort)) {
        error = "not a port number: " + std::to_string(*options.devicePort);
        return false;
    }
    SetSerialPortOverride(options.serialPorts);
    return true;
}

TransportLinks::~TransportLinks() {
    m_serial.Close();
    m_usb.Close();
    m_net.Close();
}

std::vector<std::string> TransportLinks::SerialPortNames() {
    m_serialPaths.clear();
    std::vector<std::string> names;
    if (m_options.noSerial) {
        return names;
    }
    std::vector<SerialPortEntry> entries;
    ListSerialPorts(entries); // an error leaves the list empty: the search goes on with USB
    for (const SerialPortEntry& e : entries) {
        names.push_back(e.portName);
        m_serialPaths[e.portName].push_back(e.devicePath);
    }
    return names;
}

std::vector<std::string> TransportLinks::UsbBridgePaths() {
    std::vector<std::string> paths;
    if (!m_options.noUsb) {
        CUsbPort::FindBridges(paths);
    }
    if (!m_options.usbBridges.empty()) {
        const auto& wanted = m_options.usbBridges;
        std::erase_if(paths, [&](const std::string& path) {
            return std::none_of(wanted.begin(), wanted.end(),
                                [&](const std::string& w) { return bridge::SameBridgePath(path, w); });
        });
    }
    return paths;
}

std::string TransportLinks::NetworkAddress() { return DeviceAddress(); }

bool TransportLinks::Open(TransportType type, const std::string& candidate) {
    switch (type) {
    case TRANSPORT_SERIAL: {
        // The candidates are tried in listing order: each try takes the next path of that name.
        auto it = m_serialPaths.find(candidate);
        std::string path = "/dev/" + candidate;
        if (it != m_serialPaths.end() && !it->second.empty()) {
            path = it->second.front();
            it->second.pop_front();
        }
        return m_serial.Open(path);
    }
    case TRANSPORT_USB:
        return !m_options.noUsb && m_usb.Open(candidate);
    case TRANSPORT_NET:
        return !m_options.noNetwork && m_net.Open();
    default:
        return false;
    }
}

bool TransportLinks::Start(TransportType type) {
    switch (type) {
    case TRANSPORT_SERIAL:
        return m_serial.Start();
    case TRANSPORT_USB:
        return m_usb.Start();
    case TRANSPORT_NET:
        return m_net.Start();
    default:
        return false;
    }
}

void TransportLinks::Close(TransportType type) {
    switch (type) {
    case TRANSPORT_SERIAL:
        m_serial.Close();
        break;
    case TRANSPORT_USB:
        m_usb.Close();
        break;
    case TRANSPORT_NET:
        m_net.Close();
        break;
    default:
        break;
    }
}

bool TransportLinks::HasFailed(TransportType type) {
    switch (type) {
    case TRANSPORT_SERIAL:
        return m_serial.HasFailed();
    case TRANSPORT_USB:
        return m_usb.HasFailed();
    case TRANSPORT_NET:
        return m_net.HasFailed();
    default:
        return false;
    }
}

} // namespace kel
