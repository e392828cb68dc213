// The serial link over a pseudo-terminal: opening rules, the error box, the exchange cycle with its
// counters against stand-in devices, a device that disappears, and clean start/close cycles.
#include "LinkTestKit.h"

#include "model/Messages.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "transport/SerialPort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace kel {
namespace {

using namespace std::chrono_literals;
using test::AckDevice;
using test::PtyTestServer;
using test::RecordingHooks;

TEST(SerialPortText, PortNumberAndErrorBox) {
    struct Case {
        const char* name;
        int number;
    };
    for (const Case c : {Case{"COM3", 3}, Case{"ttyUSB0", 0}, Case{"/dev/ttyS12", 12}, Case{"/dev/pts/7", 7},
                         Case{"ttyACM", 0}, Case{"", 0}, Case{"port1234567890123", 567890123}}) {
        EXPECT_EQ(PortNumberOf(c.name), c.number) << c.name;
    }

    EXPECT_EQ(SerialErrorText("SetCommState()", EINVAL, 4),
              std::string("WARNING:  SetCommState() Failed with the following error: \n") +
                  std::strerror(EINVAL) + "\nPort: 4\n");
    const std::string longText = SerialErrorText(std::string(300, 'x'), EIO, 1);
    EXPECT_EQ(longText.size(), static_cast<std::size_t>(kSerialErrorTextMax));
    EXPECT_EQ(longText.rfind("WARNING:  xxx", 0), 0u);
}

class SerialLink : public ::testing::Test {
  protected:
    static constexpr double kScale = 0.1;
    void SetUp() override { test::PrepareLink(TRANSPORT_SERIAL, m_hooks, kScale); }
    void TearDown() override { test::ReleaseLink(); }
    std::size_t Failures() const { return m_hooks.Messages(MSG_TRANSPORT_FAILED).size(); }

    RecordingHooks m_hooks;
};

TEST_F(SerialLink, PortsThatCannotBeHadFailOpenSilently) {
    PtyTestServer server([](auto) { return std::vector<std::uint8_t>{}; });
    const std::string plainFile = "not-a-port";
    std::ofstream(plainFile) << "x";
    const int descriptors = test::OpenDescriptorCount();

    CSerialPort port;
    EXPECT_FALSE(port.Open("/dev/kelvane-no-such-port"));
    EXPECT_FALSE(port.Open(plainFile)) << "a file is not a port";
    {
        const int other = ::open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
        EXPECT_FALSE(port.Open(server.SlavePath())) << "locked by another program";
        ::close(other);
    }
    ASSERT_TRUE(port.Open(server.SlavePath()));
    CSerialPort second;
    EXPECT_FALSE(second.Open(server.SlavePath())) << "the port we hold is locked for others";
    EXPECT_EQ(port.PortNumber(), PortNumberOf(server.SlavePath()));
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(test::OpenDescriptorCount(), descriptors);
    EXPECT_TRUE(m_hooks.Boxes().empty()) << "no box for a port that is simply not there";
}

TEST_F(SerialLink, RefusedLineSettingShowsTheErrorBoxAndStillOpens) {
    PtyTestServer server([](auto) { return std::vector<std::uint8_t>{}; });
    CSerialPort port;
    EXPECT_TRUE(port.Open(server.SlavePath(), 12345)) << "a rate the port lacks";
    port.Close();
    const auto boxes = m_hooks.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, SerialErrorText("SetCommState()", EINVAL, PortNumberOf(server.SlavePath())));
    EXPECT_EQ(boxes[0].caption, "Application Error");
    EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
}

TEST_F(SerialLink, IdleLinkKeepsPollingAndWritesEachFrameWhole) {
    AckDevice device;
    PtyTestServer server([&](auto bytes) { return device.Receive(bytes); });
    CSerialPort port;
    ASSERT_TRUE(port.Open(server.SlavePath()));
    ASSERT_TRUE(port.Start());
    EXPECT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 8; }, 5s));
    port.Close();
    const std::vector<int> types = test::FrameTypes(device);
    EXPECT_TRUE(test::PollsAlternate(types)) << ::testing::PrintToString(types);
    EXPECT_EQ(std::adjacent_find(types.begin(), types.end()), types.end()) << "no exchange needed a retry";
    for (const auto& frame : device.Frames()) {
        EXPECT_EQ(frame.size(), 7u);
    }
    EXPECT_EQ(Failures(), 0u);
    for (const auto& box : m_hooks.Boxes()) {
        ADD_FAILURE() << "a pseudo-terminal takes every line setting: " << box.text;
    }
}

// The shared failure counter of one exchange: silent waits and refused replies.
TEST_F(SerialLink, RetryBudget) {
    struct Case {
        const char* name;
        AckDevice::Faults faults;
        int writesOfOneFrame;
        bool failure;
    };
    const Case cases[] = {
        {"two silent waits, then an answer", {.runFrom = 3, .runLength = 2}, 3, false},
        {"three silent waits", {.runFrom = 3, .runLength = 3}, 3, true},
        {"one refused reply, then a good one", {.runFrom = 3, .runLength = 1, .runCorrupt = true}, 2, false},
        {"two refused replies", {.runFrom = 3, .runLength = 2, .runCorrupt = true}, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHooks hooks;
        test::PrepareLink(TRANSPORT_SERIAL, hooks, kScale);
        auto failures = [&] { return hooks.Messages(MSG_TRANSPORT_FAILED).size(); };
        AckDevice device(c.faults);
        PtyTestServer server([&](auto bytes) { return device.Receive(bytes); });
        CSerialPort port;
        ASSERT_TRUE(port.Open(server.SlavePath()));
        ASSERT_TRUE(port.Start());
        if (c.failure) {
            ASSERT_TRUE(test::WaitUntil([&] { return failures() > 0; }, 10s));
            const int seen = device.FrameCount();
            std::this_thread::sleep_for(timing::Scaled(3 * timing::kSerialWaitIdle));
            EXPECT_EQ(device.FrameCount(), seen) << "the thread ended with the report";
        } else {
            EXPECT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 12; }, 10s));
        }
        port.Close();

        const std::vector<int> types = test::FrameTypes(device);
        EXPECT_TRUE(test::PollsAlternate(types)) << ::testing::PrintToString(types);
        int longest = 0;
        for (std::size_t i = 0, run = 0; i < types.size(); ++i) {
            run = i > 0 && types[i] == types[i - 1] ? run + 1 : 1;
            longest = std::max(longest, static_cast<int>(run));
        }
        EXPECT_EQ(longest, c.writesOfOneFrame);
        const auto failed = hooks.Messages(MSG_TRANSPORT_FAILED);
        SetAppHooks(nullptr);
        ASSERT_EQ(failed.size(), c.failure ? 1u : 0u);
        if (c.failure) {
            EXPECT_EQ(failed[0].wParam, TRANSPORT_SERIAL);
            EXPECT_EQ(failed[0].lParam, 0);
        }
    }
}

TEST_F(SerialLink, SilentDeviceReportsTheIdentifyFramesRescanFlag) {
    AckDevice device({.silentAfter = 0});
    PtyTestServer server([&](auto bytes) { return device.Receive(bytes); });
    {
        ImageLockGuard lock(ImageLock());
        ASSERT_TRUE(TheProtocol().QueueCommand(127, 0));
    }
    CSerialPort port;
    ASSERT_TRUE(port.Open(server.SlavePath()));
    ASSERT_TRUE(port.Start());
    ASSERT_TRUE(test::WaitUntil([&] { return Failures() > 0; }, 10s));
    port.Close();
    const auto failed = m_hooks.Messages(MSG_TRANSPORT_FAILED);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].wParam, TRANSPORT_SERIAL);
    EXPECT_EQ(failed[0].lParam, 1);
    EXPECT_EQ(test::FrameTypes(device), std::vector<int>(3, 127))
        << "written three times, reported on the third";
}

TEST_F(SerialLink, UnpluggedDeviceIsReportedOnce) {
    AckDevice device;
    PtyTestServer server([&](auto bytes) { return device.Receive(bytes); });
    CSerialPort port;
    ASSERT_TRUE(port.Open(server.SlavePath()));
    ASSERT_TRUE(port.Start());
    ASSERT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 3; }, 5s));
    server.Unplug();
    ASSERT_TRUE(test::WaitUntil([&] { return Failures() > 0; }, 5s));
    std::this_thread::sleep_for(timing::Scaled(2 * timing::kSerialWaitIdle));
    port.Close();
    const auto failed = m_hooks.Messages(MSG_TRANSPORT_FAILED);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].wParam, TRANSPORT_SERIAL);
}

TEST_F(SerialLink, TwentyStartCloseCyclesLeakNothing) {
    AckDevice device;
    PtyTestServer server([&](auto bytes) { return device.Receive(bytes); });
    CSerialPort port;
    test::ExpectStartCloseCyclesLeakNothing(port, [&] { return port.Open(server.SlavePath()); }, device);
    EXPECT_EQ(Failures(), 0u);
}

} // namespace
} // namespace kel
