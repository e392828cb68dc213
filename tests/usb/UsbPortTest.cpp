// CUsbPort against simulated bridges: discovery, open failures, reports, failure paths, clean close.
#include "transport/usb/UsbPort.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/SimBridge.h"
#include "usb/UsbTestSupport.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace kel {
namespace {

using namespace bridge;
using Bytes = std::vector<std::uint8_t>;

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

class UsbPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_state.emplace(test::ProcessSetup{
            .timingScale = 0.01, .hooks = &m_hooks, .transport = TRANSPORT_USB, .connected = true});
        UseSimulatedBridge(true);
        ASSERT_EQ(CH9326DllInt(), 1);
    }
    void TearDown() override {
        m_port.Close();
        UnplugAllSimulatedBridges();
        EXPECT_EQ(OpenHandleCount(), 0);
        m_state.reset();
    }

    // What a new connection does first: no frames left, both USB records reset.
    static void ClearQueue() {
        ImageLockGuard lock(ImageLock());
        TheProtocol().Queue().Clear();
    }
    std::string PlugResponder() { return PlugSimulatedBridge(m_device); }

    // Queues a frame of `length` bytes (type 134, body counting up) that carries the rescan flag.
    static Bytes QueueFrame(int length) {
        auto data = std::make_unique<CSendData>();
        FrameRecord& r = data->Record();
        r.SetCount(static_cast<std::uint16_t>(length - 4));
        r.frame[4] = 134;
        for (int i = 5; i < length - 1; ++i) {
            r.frame[i] = static_cast<std::uint8_t>(i);
        }
        BuildChecksum(r);
        r.rescanOnFailure = 1;
        Bytes frame(r.frame, r.frame + length);
        ImageLockGuard lock(ImageLock());
        TheProtocol().Queue().Add(std::move(data));
        return frame;
    }

    void OpenAndStart(const std::string& path) {
        ASSERT_TRUE(m_port.Open(Upper(path)));
        ASSERT_TRUE(m_port.Start());
    }
    bool WaitForFailure() {
        return test::WaitUntil([&] { return !m_hooks.PostedOf(MSG_TRANSPORT_FAILED).empty(); });
    }
    bool WaitForFrames(int n) {
        return test::WaitUntil([&] { return m_device->Frames() >= n; });
    }
    // After a failure report: the thread ends by itself and nothing more is reported.
    void ExpectReportedOnce() {
        ASSERT_TRUE(test::WaitUntil([&] { return !m_port.IsAlive(); }));
        const auto failed = m_hooks.PostedOf(MSG_TRANSPORT_FAILED);
        ASSERT_EQ(failed.size(), 1u);
        EXPECT_EQ(failed[0].wParam, TRANSPORT_USB);
        EXPECT_EQ(failed[0].lParam, 1); // the failed frame's rescan flag
    }

    test::RecordingHooks m_hooks;
    std::optional<test::ProcessState> m_state;
    std::shared_ptr<test::Responder> m_device = std::make_shared<test::Responder>();
    CUsbPort m_port;
};

TEST_F(UsbPortTest, DiscoveryListsOnlyMatchingBridgesUpperCased) {
    for (int matching = 0; matching <= 2; ++matching) {
        UnplugAllSimulatedBridges();
        std::vector<std::string> expected;
        PlugSimulatedBridge(nullptr, 0x046D, 0xC077); // a foreign HID device
        for (int i = 0; i < matching; ++i) {
            expected.push_back(Upper(PlugSimulatedBridge(nullptr)));
            PlugSimulatedBridge(nullptr, kBridgeVendorId, 0xE011); // right maker, other product
        }
        std::vector<std::string> list{"stale entry"};
        EXPECT_EQ(CUsbPort::FindBridges(list), matching > 0);
        EXPECT_EQ(list, expected) << matching << " matching bridges";
        EXPECT_EQ(OpenHandleCount(), 0);
    }
}

TEST_F(UsbPortTest, OpenShowsWhyItFailed) {
    struct Case {
        const char* name;
        SimBridgeFaults faults;
        std::uint16_t productId;
        bool plugged;
        const char* box;
    };
    SimBridgeFaults openFails, noAttributes, noReader;
    openFails.failOpen = true;
    noAttributes.failAttributes = true;
    noReader.failInitThread = true;
    const Case cases[] = {
        {"absent", {}, kBridgeProductId, false, "USB打开失败！"},
        {"refused", openFails, kBridgeProductId, true, "USB打开失败！"},
        {"attributes", noAttributes, kBridgeProductId, true, "获取设备VID PID失败"},
        {"other product", {}, 0x1234, true, "设备VID PID不正确"},
        {"reader", noReader, kBridgeProductId, true, "InitThreadData 失败！"},
    };
    for (const Case& c : cases) {
        test::RecordingHooks hooks;
        SetAppHooks(&hooks);
        std::string path = "sim://bridge-never-plugged";
        if (c.plugged) {
            path = PlugSimulatedBridge(nullptr, kBridgeVendorId, c.productId);
            SetSimulatedBridgeFaults(path, c.faults);
        }
        CUsbPort port;
        EXPECT_FALSE(port.Open(Upper(path))) << c.name;
        EXPECT_FALSE(port.IsOpen()) << c.name;
        EXPECT_FALSE(port.Start()) << c.name;
        EXPECT_EQ(hooks.Boxes(), std::vector<std::string>{c.box}) << c.name;
        EXPECT_EQ(OpenHandleCount(), 0) << c.name;
        SetAppHooks(&m_hooks);
    }
}

TEST_F(UsbPortTest, OpenSetsTheBridgeUpAndCloseReleasesIt) {
    const std::string path = PlugResponder();
    ASSERT_TRUE(m_port.Open(Upper(path)));
    EXPECT_TRUE(m_port.IsOpen());
    EXPECT_EQ(OpenHandleCount(), 1);
    EXPECT_EQ(SimulatedBridgeRate(path), (std::array<int, 5>{13, 4, 1, 4, 48}));
    EXPECT_TRUE(m_hooks.Boxes().empty());
    m_port.Close();
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(OpenHandleCount(), 0);
}

TEST(UsbReports, FrameIsCutIntoZeroPaddedReports) {
    struct Case {
        int length;
        int reports;
        int lastBytes; // frame bytes in the last report
    };
    for (const Case c : {Case{7, 1, 7}, Case{31, 1, 31}, Case{32, 2, 1}, Case{62, 2, 31}, Case{63, 3, 1},
                         Case{2719, 88, 22}}) {
        FrameRecord tx;
        InitFrameRecord(tx);
        tx.SetCount(static_cast<std::uint16_t>(c.length - 4));
        for (int i = 4; i < c.length; ++i) {
            tx.frame[i] = static_cast<std::uint8_t>(i | 1); // never zero
        }
        std::array<std::uint8_t, kUsbReportBytes> report{};
        int reports = 0;
        while (NextUsbReport(tx, report)) {
            ++reports;
            const bool last = reports == c.reports;
            EXPECT_EQ(tx.usbLastChunk, last ? 1 : 0) << c.length;
            const int bytes = last ? c.lastBytes : kUsbReportBytes;
            const int first = (reports - 1) * kUsbReportBytes;
            EXPECT_TRUE(std::equal(report.begin(), report.begin() + bytes, tx.frame + first)) << c.length;
            EXPECT_TRUE(std::all_of(report.begin() + bytes, report.end(), [](auto b) { return b == 0; }))
                << c.length;
        }
        EXPECT_EQ(reports, c.reports) << c.length;
    }
}

TEST_F(UsbPortTest, QueuedFramesGoOutAsReports) {
    for (int length : {31, 32}) {
        UnplugAllSimulatedBridges();
        ClearQueue();
        m_device = std::make_shared<test::Responder>();
        const Bytes frame = QueueFrame(length);
        const std::string path = PlugResponder();
        OpenAndStart(path);
        ASSERT_TRUE(WaitForFrames(2)); // the queued frame and one more after its reply
        const auto writes = TakeSimulatedBridgeWrites(path);
        ASSERT_GE(writes.size(), 2u);
        if (length == 31) {
            EXPECT_EQ(writes[0], frame);
            EXPECT_NE(writes[1][4], 134); // the next exchange began with the next frame
        } else {
            EXPECT_EQ(writes[0], Bytes(frame.begin(), frame.begin() + 31));
            Bytes second(31, 0);
            second[0] = frame[31];
            EXPECT_EQ(writes[1], second);
        }
        m_port.Close();
    }
    EXPECT_TRUE(m_hooks.PostedOf(MSG_TRANSPORT_FAILED).empty());
}

TEST_F(UsbPortTest, FailedWriteResendsTheWholeFrame) {
    const Bytes frame = QueueFrame(73); // three reports
    const std::string path = PlugResponder();
    SimBridgeFaults faults;
    faults.writeFailAfter = 1; // the second report fails once
    SetSimulatedBridgeFaults(path, faults);
    OpenAndStart(path);
    ASSERT_TRUE(WaitForFrames(2));
    const auto writes = TakeSimulatedBridgeWrites(path);
    ASSERT_GE(writes.size(), 4u);
    const Bytes first(frame.begin(), frame.begin() + 31);
    EXPECT_EQ(writes[0], first);
    EXPECT_EQ(writes[1], first); // the retry starts at the frame's first byte
    EXPECT_EQ(writes[2], Bytes(frame.begin() + 31, frame.begin() + 62));
    EXPECT_TRUE(m_hooks.PostedOf(MSG_TRANSPORT_FAILED).empty());
}

TEST_F(UsbPortTest, FiveFailedWritesAreRetriedTheSixthIsReported) {
    for (int failures : {5, 6}) {
        UnplugAllSimulatedBridges();
        ClearQueue();
        m_device = std::make_shared<test::Responder>();
        test::RecordingHooks hooks;
        SetAppHooks(&hooks);
        QueueFrame(40);
        const std::string path = PlugResponder();
        SimBridgeFaults faults;
        faults.writeFailAfter = 0;
        faults.writeFailCount = failures;
        SetSimulatedBridgeFaults(path, faults);
        OpenAndStart(path);
        if (failures == 5) {
            ASSERT_TRUE(WaitForFrames(2)) << "the sixth attempt gets through";
            EXPECT_TRUE(hooks.PostedOf(MSG_TRANSPORT_FAILED).empty());
        } else {
            ASSERT_TRUE(test::WaitUntil([&] { return !m_port.IsAlive(); }));
            const auto failed = hooks.PostedOf(MSG_TRANSPORT_FAILED);
            ASSERT_EQ(failed.size(), 1u);
            EXPECT_EQ(failed[0].lParam, 1);
            EXPECT_EQ(m_device->Frames(), 0);
        }
        m_port.Close();
        SetAppHooks(&m_hooks);
    }
}

TEST_F(UsbPortTest, SilentDeviceIsReportedOnceWithoutResending) {
    m_device->silent = true;
    QueueFrame(40);
    const std::string path = PlugResponder();
    OpenAndStart(path);
    ASSERT_TRUE(WaitForFailure());
    ExpectReportedOnce();
    EXPECT_EQ(TakeSimulatedBridgeWrites(path).size(), 2u); // the frame went out once
}

TEST_F(UsbPortTest, CorruptReplyIsReportedAtOnce) {
    m_device->corrupt = true;
    QueueFrame(40);
    const std::string path = PlugResponder();
    OpenAndStart(path);
    ASSERT_TRUE(WaitForFailure());
    ExpectReportedOnce();
    EXPECT_EQ(m_device->Frames(), 1);
}

TEST_F(UsbPortTest, BabblingDeviceIsCutOff) {
    timing::SetScale(0.002);
    QueueFrame(40);
    const std::string path = PlugResponder();
    SimBridgeFaults faults;
    faults.babble = true; // never quiet, so the empty-poll limit never comes
    SetSimulatedBridgeFaults(path, faults);
    OpenAndStart(path);
    ASSERT_TRUE(WaitForFailure());
    ExpectReportedOnce();
    EXPECT_EQ(m_device->Frames(), 1);
}

TEST_F(UsbPortTest, RepliesInSmallPiecesAndLongBacklogsStillComplete) {
    struct Case {
        const char* name;
        int pieceBytes;
        int pieceGapMs;
        std::size_t noise;
        bool box11;
    };
    for (const Case c : {Case{"split", 3, 300, 0, false}, Case{"backlog", 4000, 0, 2800, true}}) {
        UnplugAllSimulatedBridges();
        ClearQueue();
        test::RecordingHooks hooks;
        SetAppHooks(&hooks);
        m_device = std::make_shared<test::Responder>();
        m_device->noiseBefore = c.noise;
        const std::string path = PlugResponder();
        SimBridgeFaults faults;
        faults.pieceBytes = c.pieceBytes;
        faults.pieceGapMs = c.pieceGapMs;
        SetSimulatedBridgeFaults(path, faults);
        OpenAndStart(path);
        ASSERT_TRUE(WaitForFrames(3)) << c.name;
        m_port.Close();
        EXPECT_TRUE(hooks.PostedOf(MSG_TRANSPORT_FAILED).empty()) << c.name;
        const auto boxes = hooks.Boxes();
        EXPECT_EQ(!boxes.empty() && boxes.front() == "11", c.box11) << c.name;
        SetAppHooks(&m_hooks);
    }
}

int CountEntries(const char* dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

TEST_F(UsbPortTest, OpenStartCloseCyclesLeaveNothingBehind) {
    const std::string path = PlugResponder();
    OpenAndStart(path);
    m_port.Close();
    const int threads = CountEntries("/proc/self/task");
    const int fds = CountEntries("/proc/self/fd");
    for (int i = 0; i < 20; ++i) {
        OpenAndStart(path);
        if (i % 4 == 0) {
            ASSERT_TRUE(WaitForFrames(i / 4 + 1));
        }
        m_port.Close();
        ASSERT_FALSE(m_port.IsAlive());
        ASSERT_EQ(OpenHandleCount(), 0);
    }
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_TRUE(m_hooks.PostedOf(MSG_TRANSPORT_FAILED).empty());
}

} // namespace
} // namespace kel
