// The Connect search, rescan on a failed identification, failures and Disconnect, with fake links.
#include "connection/Connection.h"
#include "model/AppHooks.h"
#include "model/Messages.h"
#include "model/Sections.h"
#include "protocol/Protocol.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kel {
namespace {

// Links whose candidates open when the test says so; records every call.
class FakeLinks : public LinkPorts {
public:
    std::vector<std::string> serial, usb;
    std::string address = "127.0.0.1";
    std::set<std::string> opens; // candidates that open
    std::vector<std::string> calls;
    int serialListings = 0;

    std::vector<std::string> SerialPortNames() override {
        ++serialListings;
        return serial;
    }
    std::vector<std::string> UsbBridgePaths() override { return usb; }
    std::string NetworkAddress() override { return address; }
    bool Open(TransportType t, const std::string& c) override {
        calls.push_back("open " + std::to_string(t) + " " + c);
        return opens.count(c) > 0;
    }
    bool Start(TransportType t) override {
        calls.push_back("start " + std::to_string(t));
        return true;
    }
    void Close(TransportType t) override { calls.push_back("close " + std::to_string(t)); }
};

class RecordingHooks : public NullHooks {
public:
    std::vector<std::string> boxes;
    int lookups = 0, hides = 0, progressTotal = -1;
    void MessageBox(const std::string& text, const std::string&, BoxIcon) override { boxes.push_back(text); }
    void ShowLookup() override { ++lookups; }
    void Hide() override { ++hides; }
    void BeginProgress(int total) override { progressTotal = total; }
};

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetModel();
        TheProtocol().Queue().Clear();
        SetAppHooks(&hooks);
    }
    void TearDown() override {
        TheProtocol().Queue().Clear();
        SetAppHooks(nullptr);
    }
    FakeLinks links;
    RecordingHooks hooks;
    CConnection conn{links};
};

TEST_F(ConnectionTest, NothingOpensShowsOneMessage) {
    links.serial = {"", "ttyS0"};
    conn.Connect();
    EXPECT_EQ(links.calls, (std::vector<std::string>{"open 1 ttyS0", "open 3 127.0.0.1"}));
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"Unable to Open Device!"}));
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(TheModel().connection.deviceLookup, 0);
    TheModel().settings.languageFlag = 1;
    conn.Connect();
    EXPECT_EQ(hooks.boxes.back(), "不能打开设备!");
}

TEST_F(ConnectionTest, SecondSerialPortFoundByRescanWithoutNewListing) {
    links.serial = {"ttyUSB0", "ttyUSB1"};
    links.usb = {"/DEV/HIDRAW0"};
    links.opens = {"ttyUSB0", "ttyUSB1"};
    TheModel().image.musicL.eq[0].gain = 100; // already on screen: must not be sent
    conn.Connect();
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(TheModel().settings.transportType, TRANSPORT_SERIAL);
    EXPECT_EQ(hooks.lookups, 1);
    EXPECT_EQ(TheModel().shadow.musicL.eq[0].gain, 100);
    ASSERT_EQ(TheProtocol().Queue().Count(), 1);
    EXPECT_EQ(TheProtocol().Queue().At(0).Record().Type(), 127);
    EXPECT_EQ(TheProtocol().Queue().At(0).Record().rescanOnFailure, 1);

    // the identification on ttyUSB0 fails for good
    conn.OnTransportFailed(TRANSPORT_SERIAL, 1);
    EXPECT_EQ(links.calls, (std::vector<std::string>{"open 1 ttyUSB0", "start 1", "close 1", "open 1 ttyUSB1",
                                                     "start 1"}));
    EXPECT_EQ(links.serialListings, 1);
    EXPECT_EQ(conn.CurrentPortName(), "ttyUSB1");
    EXPECT_EQ(hooks.hides, 0); // the lookup form stays up
    EXPECT_TRUE(hooks.boxes.empty());
    ASSERT_EQ(TheProtocol().Queue().Count(), 1);
    EXPECT_EQ(TheProtocol().Queue().At(0).Record().Type(), 127);

    // that one fails too: USB is next, then the network, then the message
    conn.OnTransportFailed(TRANSPORT_SERIAL, 1);
    EXPECT_EQ(links.calls.back(), "open 3 127.0.0.1");
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(TheModel().settings.transportType, TRANSPORT_NONE);
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"Unable to Open Device!"}));
    EXPECT_EQ(hooks.hides, 1);
}

TEST_F(ConnectionTest, NetworkOnlyDeviceShowsNoLookupForm) {
    links.opens = {"127.0.0.1"};
    conn.Connect();
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(TheModel().settings.transportType, TRANSPORT_NET);
    EXPECT_EQ(hooks.lookups, 0);
    conn.OnIdentifyReply();
    EXPECT_EQ(TheProtocol().Queue().Count(), 1 + 22 + 1 + 1); // identify still queued in this fake
    EXPECT_EQ(hooks.progressTotal, 25);
}

TEST_F(ConnectionTest, ConnectWhileConnectedDisconnectsSilently) {
    links.opens = {"127.0.0.1"};
    conn.Connect();
    TheModel().connection.transferInProgress = 1;
    conn.Connect();
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(links.calls.back(), "close 3");
    EXPECT_TRUE(hooks.boxes.empty());
    EXPECT_TRUE(TheProtocol().Queue().IsEmpty());
    EXPECT_EQ(TheModel().connection.transferInProgress, 0);
    EXPECT_EQ(hooks.hides, 1);
}

TEST_F(ConnectionTest, OrdinaryFailureEndsTheConnectionWithAMessage) {
    conn.OnTransportFailed(TRANSPORT_NET, 0); // not connected: nothing
    EXPECT_TRUE(links.calls.empty());
    links.opens = {"127.0.0.1"};
    conn.Connect();
    conn.OnTransportFailed(TRANSPORT_NET, 0);
    EXPECT_EQ(links.calls.back(), "close 3");
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"Unable to Open Device!"}));
}

} // namespace
} // namespace kel
