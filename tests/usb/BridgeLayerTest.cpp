// The bridge call layer over the simulated back-end: listing, handles, reports, the background reader.
#include "model/Timing.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/SimBridge.h"
#include "usb/UsbTestSupport.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>

namespace kel {
namespace {

using namespace bridge;

// Answers each write with `size` bytes counting up from 0.
class Replier : public BridgePeer {
  public:
    explicit Replier(std::size_t size) : m_size(size) {}
    std::vector<std::uint8_t> Receive(std::span<const std::uint8_t>) override {
        std::vector<std::uint8_t> out(m_size);
        std::iota(out.begin(), out.end(), std::uint8_t{0});
        return out;
    }

  private:
    std::size_t m_size;
};

class BridgeLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        UseSimulatedBridge(true);
        ASSERT_EQ(CH9326DllInt(), 1);
        ASSERT_TRUE(SimulatedBridgeActive());
    }
    void TearDown() override {
        UnplugAllSimulatedBridges();
        EXPECT_EQ(OpenHandleCount(), 0);
    }
    test::ProcessState m_state{{.timingScale = 0.01, .resetModel = false}};
    static std::string PathAt(std::uint32_t index) {
        std::array<char, 1024> buf{};
        return CH9326GetDevicePath(index, buf.data(), buf.size()) ? std::string(buf.data()) : std::string();
    }
};

TEST_F(BridgeLayer, WalkEndsWithNoMoreItemsAndPathsOpenInAnyCase) {
    const std::string a = PlugSimulatedBridge(nullptr);
    const std::string b = PlugSimulatedBridge(nullptr, 0x1234, 0x5678);
    SetLastError(kErrorNone);
    EXPECT_EQ(PathAt(0), a);
    EXPECT_EQ(PathAt(1), b);
    EXPECT_EQ(GetLastError(), kErrorNone);
    EXPECT_EQ(PathAt(2), "");
    EXPECT_EQ(GetLastError(), kErrorNoMoreItems);

    // A buffer too small for the path is another failure, not the end of the list.
    std::array<char, 4> tiny{};
    SetLastError(kErrorNone);
    EXPECT_EQ(CH9326GetDevicePath(0, tiny.data(), tiny.size()), 0);
    EXPECT_NE(GetLastError(), kErrorNoMoreItems);

    std::string upper = b;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const int h = CH9326OpenDevicePath(upper.c_str(), 1);
    ASSERT_NE(h, -1);
    std::uint16_t vid = 0, pid = 0, ver = 0;
    ASSERT_EQ(CH9326GetAttributes(h, &vid, &pid, &ver), 1);
    EXPECT_EQ(vid, 0x1234);
    EXPECT_EQ(pid, 0x5678);
    EXPECT_EQ(CH9326CloseDevice(h), 1);

    EXPECT_EQ(CH9326OpenDevicePath("sim://nothing-here", 1), -1);
}

TEST_F(BridgeLayer, CallsOnUnknownHandlesFail) {
    std::uint16_t v = 0;
    std::uint8_t byte = 0;
    std::uint32_t len = 1;
    SetLastError(kErrorNone);
    EXPECT_EQ(CH9326GetAttributes(77, &v, &v, &v), 0);
    EXPECT_EQ(GetLastError(), kErrorInvalidHandle);
    EXPECT_EQ(CH9326WriteData(77, &byte, 1, nullptr), 0);
    EXPECT_EQ(CH9326ReadThreadData(77, &byte, &len), 0);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(CH9326GetThreadDataLen(77), 0u);
    EXPECT_EQ(CH9326InitThreadData(-1), 0);
    EXPECT_EQ(CH9326CloseDevice(77), 0);
}

TEST_F(BridgeLayer, WritesGoOutAsReportsOfThirtyOneBytes) {
    const std::string path = PlugSimulatedBridge(nullptr);
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    std::vector<std::uint8_t> data(70);
    std::iota(data.begin(), data.end(), std::uint8_t{1});
    Ch9326Event done;
    ASSERT_EQ(CH9326WriteData(h, data.data(), 70, &done), 1);
    EXPECT_TRUE(done.IsSet(0));
    const auto writes = TakeSimulatedBridgeWrites(path);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], std::vector<std::uint8_t>(data.begin(), data.begin() + 31));
    EXPECT_EQ(writes[1], std::vector<std::uint8_t>(data.begin() + 31, data.begin() + 62));
    EXPECT_EQ(writes[2], std::vector<std::uint8_t>(data.begin() + 62, data.end()));

    // The second report fails: the call fails, the event still ends signalled.
    SimBridgeFaults faults;
    faults.writeFailAfter = 1;
    ASSERT_TRUE(SetSimulatedBridgeFaults(path, faults));
    EXPECT_EQ(CH9326WriteData(h, data.data(), 70, &done), 0);
    EXPECT_TRUE(done.IsSet(0));
    EXPECT_EQ(TakeSimulatedBridgeWrites(path).size(), 1u);
    EXPECT_EQ(CH9326WriteData(h, data.data(), 31, &done), 1); // only one failure was asked for

    EXPECT_EQ(CH9326CloseDevice(h), 1);
}

TEST_F(BridgeLayer, ReaderBuffersRepliesUntilTaken) {
    const std::string path = PlugSimulatedBridge(std::make_shared<Replier>(2000));
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(CH9326InitThreadData(h), 1);
    EXPECT_EQ(CH9326InitThreadData(h), 1); // a second start keeps the running reader
    const std::uint8_t ask = 0;
    ASSERT_EQ(CH9326WriteData(h, &ask, 1, nullptr), 1);
    ASSERT_TRUE(test::WaitUntil([&] { return CH9326GetThreadDataLen(h) == 2000; }));

    std::array<std::uint8_t, 500> part{};
    std::uint32_t len = part.size();
    ASSERT_EQ(CH9326ReadThreadData(h, part.data(), &len), 1);
    EXPECT_EQ(len, 500u);
    EXPECT_EQ(part[0], 0);
    EXPECT_EQ(part[499], static_cast<std::uint8_t>(499));
    EXPECT_EQ(CH9326GetThreadDataLen(h), 1500u);

    std::vector<std::uint8_t> rest(4000);
    len = static_cast<std::uint32_t>(rest.size());
    ASSERT_EQ(CH9326ReadThreadData(h, rest.data(), &len), 1);
    EXPECT_EQ(len, 1500u);
    EXPECT_EQ(rest[0], static_cast<std::uint8_t>(500));

    ASSERT_EQ(CH9326WriteData(h, &ask, 1, nullptr), 1);
    ASSERT_TRUE(test::WaitUntil([&] { return CH9326GetThreadDataLen(h) == 2000; }));
    EXPECT_EQ(CH9326ClearThreadData(h), 1);
    EXPECT_EQ(CH9326GetThreadDataLen(h), 0u);

    EXPECT_EQ(CH9326StopThread(h), 1);
    EXPECT_EQ(CH9326CloseDevice(h), 1);
}

// The receive step's wait: back as soon as the reader holds bytes (a reply never waits out the time-out;
// were it to, this test would sit for a minute), nothing after the time-out, nothing for a closed handle.
TEST_F(BridgeLayer, WaitThreadDataWakesWhenBytesArrive) {
    const std::string path = PlugSimulatedBridge(std::make_shared<Replier>(40));
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(CH9326InitThreadData(h), 1);
    EXPECT_EQ(WaitThreadData(h, std::chrono::milliseconds(1)), 0u);
    const std::uint8_t ask = 0;
    ASSERT_EQ(CH9326WriteData(h, &ask, 1, nullptr), 1);
    EXPECT_GT(WaitThreadData(h, std::chrono::minutes(1)), 0u);
    ASSERT_TRUE(test::WaitUntil([&] { return CH9326GetThreadDataLen(h) == 40; }));
    EXPECT_EQ(WaitThreadData(h, std::chrono::minutes(1)), 40u); // bytes already there: no wait at all
    EXPECT_EQ(CH9326CloseDevice(h), 1);
    EXPECT_EQ(WaitThreadData(h, std::chrono::minutes(1)), 0u);
}

TEST_F(BridgeLayer, RepliesArriveAtUartPace) {
    timing::SetScale(0.2);
    const std::size_t size = 11520; // one second at 115200 baud, 0.2 s scaled
    const std::string path = PlugSimulatedBridge(std::make_shared<Replier>(size));
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(CH9326InitThreadData(h), 1);
    const std::uint8_t ask = 0;
    ASSERT_EQ(CH9326WriteData(h, &ask, 1, nullptr), 1);
    EXPECT_LT(CH9326GetThreadDataLen(h), size);
    ASSERT_TRUE(test::WaitUntil([&] {
        const auto n = CH9326GetThreadDataLen(h);
        return n > 0 && n < size;
    }));
    ASSERT_TRUE(test::WaitUntil([&] { return CH9326GetThreadDataLen(h) == size; }));
    EXPECT_EQ(CH9326CloseDevice(h), 1);
}

TEST_F(BridgeLayer, ReaderHoldsAtLeast64KiBAndDropsBeyond) {
    timing::SetScale(0.0005);
    const std::string path = PlugSimulatedBridge(nullptr);
    SimBridgeFaults faults;
    faults.babble = true;
    ASSERT_TRUE(SetSimulatedBridgeFaults(path, faults));
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(CH9326InitThreadData(h), 1);
    ASSERT_TRUE(test::WaitUntil([&] { return CH9326GetThreadDataLen(h) >= 64u * 1024; }));
    EXPECT_EQ(CH9326StopThread(h), 1);
    EXPECT_EQ(CH9326GetThreadDataLen(h), static_cast<std::uint32_t>(kReaderBufferBytes));
    EXPECT_EQ(CH9326CloseDevice(h), 1);
}

TEST_F(BridgeLayer, UnpluggedBridgeFailsItsHandle) {
    const std::string path = PlugSimulatedBridge(std::make_shared<Replier>(10));
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(CH9326InitThreadData(h), 1);
    ASSERT_TRUE(UnplugSimulatedBridge(path));
    const std::uint8_t ask = 0;
    EXPECT_EQ(CH9326WriteData(h, &ask, 1, nullptr), 0);
    std::uint16_t v = 0;
    EXPECT_EQ(CH9326GetAttributes(h, &v, &v, &v), 0);
    EXPECT_EQ(PathAt(0), "");
    EXPECT_EQ(CH9326CloseDevice(h), 1);
}

TEST_F(BridgeLayer, ProgramMayEndWithAHandleStillReading) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string path = PlugSimulatedBridge(std::make_shared<Replier>(10));
            const int h = CH9326OpenDevicePath(path.c_str(), 1);
            CH9326InitThreadData(h);
            std::exit(h == -1 ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BridgeLayer, ReaderRefusesToStartWhenTheBridgeSaysSo) {
    const std::string path = PlugSimulatedBridge(nullptr);
    SimBridgeFaults faults;
    faults.failInitThread = true;
    ASSERT_TRUE(SetSimulatedBridgeFaults(path, faults));
    const int h = CH9326OpenDevicePath(path.c_str(), 1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(CH9326InitThreadData(h), 0);
    EXPECT_EQ(CH9326CloseDevice(h), 1);
}

TEST_F(BridgeLayer, EnvironmentChoosesTheBackEndUnlessTheProgramDid) {
    // Chosen from outside, the simulated bridge comes with an emulated processor plugged in.
    FollowBridgeEnvironment();
    ::setenv("KELVANE_USB_BRIDGE", "sim", 1);
    EXPECT_EQ(CH9326DllInt(), 1);
    EXPECT_TRUE(SimulatedBridgeActive());
    const std::string plugged = PathAt(0);
    ASSERT_NE(plugged, "");
    EXPECT_EQ(PathAt(1), "");
    const int h = CH9326OpenDevicePath(plugged.c_str(), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(CH9326InitThreadData(h), 1);
    const std::uint8_t identify[] = {0xFF, 0x55, 0x03, 0x00, 0x7F, 0x00, 0x82};
    ASSERT_EQ(CH9326WriteData(h, identify, sizeof identify, nullptr), 1);
    EXPECT_TRUE(test::WaitUntil([&] { return CH9326GetThreadDataLen(h) > 0; }));
    EXPECT_EQ(CH9326CloseDevice(h), 1);

    // Anything else means the hardware: no bridge is plugged into these machines.
    ::setenv("KELVANE_USB_BRIDGE", "hid", 1);
    CH9326DllInt();
    EXPECT_FALSE(SimulatedBridgeActive());
    SetLastError(kErrorNone);
    EXPECT_EQ(PathAt(0), "");
    EXPECT_EQ(GetLastError(), kErrorNoMoreItems);

    UseSimulatedBridge(true); // the program's choice wins over the environment
    EXPECT_EQ(CH9326DllInt(), 1);
    EXPECT_TRUE(SimulatedBridgeActive());
    ::unsetenv("KELVANE_USB_BRIDGE");
}

} // namespace
} // namespace kel
