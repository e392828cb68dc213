// The real ways to the device behind the connection logic: the serial, USB and network transports,
// limited by the command-line link options.
#pragma once

#include "connection/Connection.h"
#include "transport/NetPort.h"
#include "transport/SerialPort.h"
#include "transport/usb/UsbPort.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kel {

// Link options shared by kelvane and kelvane-cli.
struct LinkOptions {
    std::optional<std::string> deviceAddress;
    std::optional<int> devicePort;
    std::vector<std::string> serialPorts; // replace the system's port listing
    std::vector<std::string> usbBridges;  // only these of the bridges found (hidraw paths)
    bool noSerial = false;
    bool noUsb = false;
    bool noNetwork = false;
};

// Applies the address, port and serial-port options; false with `error` for a bad value.
bool ApplyLinkOptions(const LinkOptions& options, std::string& error);

class TransportLinks : public LinkPorts {
public:
    explicit TransportLinks(LinkOptions options) : m_options(std::move(options)) {}
    ~TransportLinks() override;

    std::vector<std::string> SerialPortNames() override;
    std::vector<std::string> UsbBridgePaths() override;
    std::string NetworkAddress() override;
    bool Open(TransportType type, const std::string& candidate) override;
    bool Start(TransportType type) override;
    void Close(TransportType type) override;
    bool HasFailed(TransportType type) override;

private:
    LinkOptions m_options;
    // Port name → device paths, in listing order (two named ports may share a name, e.g. /dev/pts/3, /tmp/3).
    std::map<std::string, std::deque<std::string>> m_serialPaths;
    CSerialPort m_serial;
    CUsbPort m_usb;
    CNetPort m_net;
};

} // namespace kel
