// Where the links go: the device's network address and port, and serial ports named on the command line.
#pragma once

#include <string>
#include <vector>

namespace kel {

// The device address in dotted-decimal form; the built-in value until SetDeviceAddress.
std::string DeviceAddress();
// UDP port of the device; the built-in value until SetDevicePort.
int DevicePort();
// False (and nothing changed) when the text is not a dotted-decimal IPv4 address.
bool SetDeviceAddress(const std::string& dotted);
// False (and nothing changed) outside 1..65535.
bool SetDevicePort(int port);

// Serial ports given by --serial-port: when not empty they replace the system's port listing.
std::vector<std::string> SerialPortOverride();
void SetSerialPortOverride(std::vector<std::string> paths);

// Built-in address and port, no serial override.
void ResetLinkSettings();

} // namespace kel
