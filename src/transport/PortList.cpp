// Serial port listing over libudev's tty subsystem.
#include "transport/PortList.h"

#include "transport/LinkSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <libudev.h>
#include <memory>

namespace kel {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string Text(const char* value) {
    return value != nullptr ? value : "";
}

// udev's plain ID_MODEL/ID_VENDOR values use '_' for blanks.
std::string Blanks(std::string value) {
    for (char& c : value) {
        if (c == '_') {
            c = ' ';
        }
    }
    return value;
}

std::string Property(udev_device* device, const char* fromDatabase, const char* plain) {
    std::string value = Text(udev_device_get_property_value(device, fromDatabase));
    return value.empty() ? Blanks(Text(udev_device_get_property_value(device, plain))) : value;
}

// "Vendor Model" from udev's properties, else from the USB device's own strings.
std::string Describe(udev_device* device, udev_device* usbDevice) {
    std::string vendor = Property(device, "ID_VENDOR_FROM_DATABASE", "ID_VENDOR");
    std::string model = Property(device, "ID_MODEL_FROM_DATABASE", "ID_MODEL");
    if (usbDevice != nullptr) {
        if (vendor.empty()) {
            vendor = Text(udev_device_get_sysattr_value(usbDevice, "manufacturer"));
        }
        if (model.empty()) {
            model = Text(udev_device_get_sysattr_value(usbDevice, "product"));
        }
    }
    if (vendor.empty() || model.empty()) {
        return vendor + model;
    }
    return vendor + " " + model;
}

bool Fail(std::vector<SerialPortEntry>& ports, const char* what, int error) {
    ports.clear();
    std::fprintf(stderr, "%s failed. (err=%x)\n", what, static_cast<unsigned>(error));
    return false;
}

} // namespace

std::vector<SerialPortEntry> PortEntriesFromPaths(const std::vector<std::string>& paths) {
    std::vector<SerialPortEntry> ports;
    ports.reserve(paths.size());
    for (const std::string& path : paths) {
        SerialPortEntry entry;
        entry.devicePath = path;
        const std::size_t slash = path.find_last_of('/');
        entry.portName = slash == std::string::npos ? path : path.substr(slash + 1);
        ports.push_back(std::move(entry));
    }
    return ports;
}

void FinishPortEntries(std::vector<SerialPortEntry>& ports) {
    for (SerialPortEntry& entry : ports) {
        if (entry.portName.empty()) {
            entry.portName = entry.registryPortName;
        }
        if (entry.description.empty()) {
            entry.description = entry.portName;
        }
        const std::size_t open = entry.description.find(" (");
        if (open != std::string::npos && open > 0 && entry.description.back() == ')') {
            entry.description.erase(open);
        }
    }
}

bool ListSerialPorts(std::vector<SerialPortEntry>& ports) {
    ports.clear();
    if (const std::vector<std::string> named = SerialPortOverride(); !named.empty()) {
        ports = PortEntriesFromPaths(named);
        FinishPortEntries(ports);
        return true;
    }

    UdevPtr<udev> context(udev_new());
    if (!context) {
        return Fail(ports, "udev_new", errno);
    }
    UdevPtr<udev_enumerate> scan(udev_enumerate_new(context.get()));
    if (!scan) {
        return Fail(ports, "udev_enumerate_new", errno);
    }
    if (const int rc = udev_enumerate_add_match_subsystem(scan.get(), "tty"); rc < 0) {
        return Fail(ports, "udev_enumerate_add_match_subsystem", -rc);
    }
    if (const int rc = udev_enumerate_scan_devices(scan.get()); rc < 0) {
        return Fail(ports, "udev_enumerate_scan_devices", -rc);
    }

    udev_list_entry* item = nullptr;
    udev_list_entry_foreach(item, udev_enumerate_get_list_entry(scan.get())) {
        UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(item)));
        if (!device) {
            continue;
        }
        const char* node = udev_device_get_devnode(device.get());
        // Virtual consoles and pseudo-terminals have no device behind them.
        if (node == nullptr || udev_device_get_parent(device.get()) == nullptr) {
            continue;
        }
        // A serial-core port whose UART was not found reports type 0.
        if (const char* type = udev_device_get_sysattr_value(device.get(), "type");
            type != nullptr && std::strcmp(type, "0") == 0) {
            continue;
        }
        // Borrowed from the device: released with it.
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
        SerialPortEntry entry;
        entry.devicePath = node;
        entry.portName = Text(udev_device_get_sysname(device.get()));
        entry.isUsb = usb != nullptr;
        entry.description = Describe(device.get(), usb);
        ports.push_back(std::move(entry));
    }
    FinishPortEntries(ports);
    return true;
}

} // namespace kel
