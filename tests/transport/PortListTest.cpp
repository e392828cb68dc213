// The serial port listing (udev and --serial-port) and the link settings.
#include "transport/PortList.h"
#include "transport/LinkSettings.h"

#include "model/BuildConfig.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(PortList, FinishingPass) {
    struct Case {
        const char* registryName;
        const char* portName;
        const char* description;
        const char* finalPortName;
        const char* finalDescription;
    };
    const Case cases[] = {
        {"", "ttyUSB0", "USB Serial Port (COM5)", "ttyUSB0", "USB Serial Port"},
        {"", "ttyS0", "", "ttyS0", "ttyS0"},
        {"COM2", "", "", "COM2", "COM2"},
        {"", "ttyACM0", "(detail)", "ttyACM0", "(detail)"},             // " (" must not open the text
        {"", "ttyACM1", "Modem (v2) rev", "ttyACM1", "Modem (v2) rev"}, // does not end with ")"
        {"", "ttyUSB1", "FTDI FT232R USB UART", "ttyUSB1", "FTDI FT232R USB UART"},
    };
    for (const Case& c : cases) {
        std::vector<SerialPortEntry> ports{{"/dev/x", c.registryName, c.portName, false, c.description}};
        FinishPortEntries(ports);
        EXPECT_EQ(ports[0].portName, c.finalPortName);
        EXPECT_EQ(ports[0].description, c.finalDescription);
    }
}

TEST(PortList, SerialPortOptionReplacesTheListing) {
    SetSerialPortOverride({"/dev/pts/7", "/dev/ttyUSB3", "relative/ttyS9"});
    std::vector<SerialPortEntry> ports{{"stale", "", "stale", true, "stale"}};
    EXPECT_TRUE(ListSerialPorts(ports));
    ResetLinkSettings();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].devicePath, "/dev/pts/7");
    EXPECT_EQ(ports[0].portName, "7");
    EXPECT_EQ(ports[1].portName, "ttyUSB3");
    EXPECT_EQ(ports[2].devicePath, "relative/ttyS9");
    EXPECT_EQ(ports[2].portName, "ttyS9");
    for (const SerialPortEntry& p : ports) {
        EXPECT_FALSE(p.isUsb);
        EXPECT_EQ(p.description, p.portName);
    }
}

TEST(PortList, UdevListingHoldsOnlyRealDevicePorts) {
    std::vector<SerialPortEntry> ports{{"stale", "", "stale", true, "stale"}};
    ASSERT_TRUE(ListSerialPorts(ports));
    for (const SerialPortEntry& p : ports) {
        SCOPED_TRACE(p.devicePath);
        EXPECT_EQ(p.devicePath, "/dev/" + p.portName);
        EXPECT_NE(p.portName, "stale");
        EXPECT_FALSE(p.description.empty());
        // Consoles, virtual terminals and pseudo-terminals have no device behind them.
        EXPECT_NE(p.portName.rfind("tty", 0), std::string::npos);
        EXPECT_NE(p.portName, "tty");
        EXPECT_NE(p.portName, "console");
        EXPECT_NE(p.portName, "ptmx");
    }
}

TEST(LinkSettings, AddressAndPortDefaultsAndChecks) {
    ResetLinkSettings();
    EXPECT_EQ(DeviceAddress(), build::kDeviceAddress);
    EXPECT_EQ(DevicePort(), build::kDevicePort);
    EXPECT_EQ(DevicePort(), 8233);

    for (const char* bad : {"", "localhost", "127.0.0", "127.0.0.1.5", "256.1.1.1", "::1", "127.0.0.1 "}) {
        EXPECT_FALSE(SetDeviceAddress(bad)) << bad;
        EXPECT_EQ(DeviceAddress(), build::kDeviceAddress);
    }
    EXPECT_TRUE(SetDeviceAddress("127.0.0.2"));
    EXPECT_EQ(DeviceAddress(), "127.0.0.2");

    for (const int bad : {0, -1, 65536}) {
        EXPECT_FALSE(SetDevicePort(bad)) << bad;
    }
    EXPECT_TRUE(SetDevicePort(65535));
    EXPECT_EQ(DevicePort(), 65535);
    ResetLinkSettings();
    EXPECT_EQ(DeviceAddress(), build::kDeviceAddress);
}

} // namespace
} // namespace kel
