// The computer's serial ports: udev's tty devices that have a real device behind them, or --serial-port.
#pragma once

#include <string>
#include <vector>

namespace kel {

struct SerialPortEntry {
    std::string devicePath;       // what CSerialPort::Open opens, e.g. /dev/ttyUSB0
    std::string registryPortName; // no registry here: empty, kept for the finishing pass
    std::string portName;         // device node name, e.g. ttyUSB0
    bool isUsb = false;           // the port sits on a USB bus
    std::string description;
};

// Empties the list, then fills it in the order the system reports the ports. The ports named with
// SetSerialPortOverride replace the listing. On an error the list is empty, one line goes to stderr
// and the result is false.
bool ListSerialPorts(std::vector<SerialPortEntry>& ports);

// Entries for explicitly named ports: the path as device path, its last component as port name.
std::vector<SerialPortEntry> PortEntriesFromPaths(const std::vector<std::string>& paths);

// The finishing pass: an empty port name takes the registry port name, an empty description the port
// name, and a description "Name (detail)" is cut to "Name".
void FinishPortEntries(std::vector<SerialPortEntry>& ports);

} // namespace kel
