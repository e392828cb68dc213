// The Connect search, rescan on a failed identification, failures and Disconnect, with fake links.
#include "connection/Connection.h"
#include "model/AppHooks.h"
#include "model/Messages.h"
#include "model/Sections.h"
#include "protocol/Protocol.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace kel {
namespace {

// Links whose candidates open when the test says so; records every call.
class FakeLinks : public LinkPorts {
public:
    std::vector<std::string> serial, usb;
    std::string address = "127.0.0.1";
    std::set<std::string> opens;      // candidates that open
    std::set<std::string> startFails; // candidates whose thread cannot start
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
        if (opens.count(c) == 0) {
            return false;
        }
        opened[t] = c;
        return true;
    }
    bool Start(TransportType t) override {
        calls.push_back("start " + std::to_string(t));
        failed.erase(t);
        return startFails.count(opened[t]) == 0;
    }
    void Close(TransportType t) override {
        calls.push_back("close " + std::to_string(t));
        failed.erase(t);
    }
    bool HasFailed(TransportType t) override { return failed.count(t) > 0; }

    // What a transport thread does when it gives up: it marks itself failed and posts the message.
    void ThreadFails(TransportType t) { failed.insert(t); }

private:
    std::map<TransportType, std::string> opened;
    std::set<TransportType> failed;
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
    FakeLinks links;
    RecordingHooks hooks;
    test::ProcessState state{{.hooks = &hooks}};
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
    links.ThreadFails(TRANSPORT_SERIAL);
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
    links.ThreadFails(TRANSPORT_SERIAL);
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
    links.ThreadFails(TRANSPORT_NET);
    conn.OnTransportFailed(TRANSPORT_NET, 0);
    EXPECT_EQ(links.calls.back(), "close 3");
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"Unable to Open Device!"}));
}

// A failure message is handled only when the active transport has failed; one left in the queue by a
// transport closed since (a disconnect, a reconnect, another link) changes nothing.
TEST_F(ConnectionTest, FailureMessagesInterleavedWithDisconnectAndReconnect) {
    struct Case {
        const char* name;
        // c: Connect (the button; Disconnect when connected), f<T><rescan>: the thread of link T fails
        // and posts, p<T><rescan>: a message is posted with no failure behind it (a duplicate), d: the
        // posted messages are delivered in order
        std::vector<std::string> steps;
        bool connected;
        int transport;
        std::size_t boxes;
        long opens; // Open calls in all
    };
    const Case cases[] = {
        {"failure handled while connected", {"c", "f11", "d"}, true, TRANSPORT_SERIAL, 0, 2},
        {"failure queued, then Disconnect", {"c", "f11", "c", "d"}, false, TRANSPORT_NONE, 0, 1},
        {"ordinary failure queued, then Disconnect", {"c", "f10", "c", "d"}, false, TRANSPORT_NONE, 0, 1},
        {"Disconnect, Connect again, then the old message", {"c", "f11", "c", "c", "d"}, true, TRANSPORT_SERIAL,
         0, 2},
        {"Disconnect, Connect again, then an old ordinary failure", {"c", "f10", "c", "c", "d"}, true,
         TRANSPORT_SERIAL, 0, 2},
        {"messages of links that are not the active one", {"c", "f21", "f30", "d"}, true, TRANSPORT_SERIAL, 0, 1},
        {"the same failure delivered twice", {"c", "f11", "d", "p11", "d"}, true, TRANSPORT_SERIAL, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLinks fake;
        fake.serial = {"ttyUSB0", "ttyUSB1"};
        fake.opens = {"ttyUSB0", "ttyUSB1", "127.0.0.1"};
        CConnection connection{fake};
        hooks.boxes.clear();
        std::vector<std::pair<int, int>> posted;
        for (const std::string& step : c.steps) {
            if (step == "c") {
                connection.Connect();
            } else if (step == "d") {
                for (auto [type, rescan] : posted) {
                    connection.OnTransportFailed(type, rescan);
                }
                posted.clear();
            } else {
                const int type = step[1] - '0';
                if (step[0] == 'f' && type == TheModel().settings.transportType) {
                    fake.ThreadFails(static_cast<TransportType>(type));
                }
                posted.emplace_back(type, step[2] - '0');
            }
        }
        EXPECT_EQ(connection.Connected(), c.connected);
        EXPECT_EQ(TheModel().settings.transportType, c.transport);
        EXPECT_EQ(hooks.boxes.size(), c.boxes);
        EXPECT_EQ(std::count_if(fake.calls.begin(), fake.calls.end(),
                                [](const std::string& call) { return call.rfind("open", 0) == 0; }),
                  c.opens);
        if (connection.Connected()) {
            connection.Disconnect();
        }
    }
}

// A thread that cannot be started is a candidate that did not open: the search goes on.
TEST_F(ConnectionTest, ThreadThatCannotStartIsAFailedOpen) {
    links.serial = {"ttyUSB0"};
    links.opens = {"ttyUSB0", "127.0.0.1"};
    links.startFails = {"ttyUSB0"};
    conn.Connect();
    EXPECT_EQ(links.calls, (std::vector<std::string>{"open 1 ttyUSB0", "start 1", "close 1", "open 3 127.0.0.1",
                                                     "start 3"}));
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(TheModel().settings.transportType, TRANSPORT_NET);
    ASSERT_EQ(TheProtocol().Queue().Count(), 1); // one identify, for the network link
    EXPECT_TRUE(hooks.boxes.empty());

    // When no candidate's thread starts, the connection is not left "connected" with nothing running.
    conn.Disconnect();
    links.calls.clear();
    links.startFails = {"ttyUSB0", "127.0.0.1"};
    conn.Connect();
    EXPECT_EQ(links.calls, (std::vector<std::string>{"open 1 ttyUSB0", "start 1", "close 1", "open 3 127.0.0.1",
                                                     "start 3", "close 3"}));
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(TheModel().settings.transportType, TRANSPORT_NONE);
    EXPECT_TRUE(TheProtocol().Queue().IsEmpty());
    EXPECT_EQ(hooks.boxes, (std::vector<std::string>{"Unable to Open Device!"}));
    EXPECT_EQ(TheModel().connection.deviceLookup, 0);
}

} // namespace
} // namespace kel
