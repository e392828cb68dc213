// CUsbPort end to end: a simulated bridge whose device is the emulated processor engine.
#include "emulator/DeviceEngine.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/EnginePeer.h"
#include "transport/usb/UsbPort.h"
#include "usb/UsbTestSupport.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <optional>
#include <random>

namespace kel {
namespace {

using namespace bridge;

class UsbEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_state.emplace(test::ProcessSetup{
            .timingScale = 0.01, .hooks = &m_hooks, .transport = TRANSPORT_USB, .connected = true});
        UseSimulatedBridge(true);
        ASSERT_EQ(CH9326DllInt(), 1);
        m_path = PlugEngineBridge(m_engine);
    }
    void TearDown() override {
        m_port.Close();
        UnplugAllSimulatedBridges();
        EXPECT_EQ(OpenHandleCount(), 0);
        m_state.reset();
    }

    // What the connection does once the bridge is open: identify, then start the thread.
    void Connect() {
        {
            ImageLockGuard lock(ImageLock());
            CommitShadow(true);
            ASSERT_TRUE(TheProtocol().QueueCommand(127, 0));
        }
        std::string upper = m_path;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        ASSERT_TRUE(m_port.Open(upper));
        ASSERT_TRUE(m_port.Start());
    }
    bool Posted(int message) {
        return test::WaitUntil([&] { return !m_hooks.PostedOf(message).empty(); });
    }
    bool InStep() {
        std::scoped_lock lock(ImageLock(), m_engine->Mutex());
        const DeviceState& d = m_engine->State();
        return std::memcmp(&d.live, &TheModel().image, sizeof(ProgramImage)) == 0 &&
               std::memcmp(&d.liveSystem, &TheModel().system, sizeof(SystemBlock)) == 0;
    }

    test::RecordingHooks m_hooks;
    std::optional<test::ProcessState> m_state;
    std::shared_ptr<DeviceEngine> m_engine = std::make_shared<DeviceEngine>();
    std::string m_path;
    CUsbPort m_port;
};

TEST_F(UsbEngineTest, InitialReadAndEditsConvergeOnTheDevice) {
    {
        std::lock_guard lock(m_engine->Mutex());
        DeviceState& d = m_engine->State();
        d.live.musicL.eq[3].gain = 150;
        std::memcpy(d.live.name, "Party               ", 20);
        d.liveSystem.musicVolume = 33;
    }
    Connect();
    ASSERT_TRUE(Posted(MSG_IDENTIFY_REPLY));
    {
        ImageLockGuard lock(ImageLock());
        CSendDataQueue& queue = TheProtocol().Queue();
        ASSERT_TRUE(TheProtocol().QueueCommand(128, 0));
        ASSERT_TRUE(TheProtocol().QueueCommand(129, 0));
        ASSERT_TRUE(TheProtocol().QueueCommand(130, 0));
        queue.Number();
        EXPECT_EQ(queue.Count(), 24);
    }
    ASSERT_TRUE(Posted(MSG_PROGRAM_RECEIVED));
    std::vector<int> steps(24);
    std::iota(steps.begin(), steps.end(), 1);
    EXPECT_EQ(m_hooks.Steps(), steps);
    {
        ImageLockGuard lock(ImageLock());
        EXPECT_EQ(TheModel().image.musicL.eq[3].gain, 150);
        EXPECT_EQ(TheModel().system.musicVolume, 33);
    }
    EXPECT_TRUE(InStep());

    // A burst of edits as pages make them, some while frames are on their way.
    std::mt19937 rng(8);
    for (int burst = 0; burst < 4; ++burst) {
        {
            ImageLockGuard lock(ImageLock());
            ProgramImage& img = TheModel().image;
            for (int i = 0; i < 10; ++i) {
                img.musicL.eq[rng() % 15].gain = static_cast<std::uint8_t>(rng() % 181);
                img.mic1.eq[rng() % 20].gain = static_cast<std::uint8_t>(rng() % 181);
                img.echoA.eq[rng() % 7].q = static_cast<std::uint8_t>(rng() % 101);
            }
            TheModel().system.micVolume = static_cast<std::uint8_t>(rng() % 85);
        }
        timing::Sleep(200);
    }
    EXPECT_TRUE(test::WaitUntil([&] { return InStep(); }));
    EXPECT_TRUE(m_hooks.PostedOf(MSG_TRANSPORT_FAILED).empty());
}

TEST_F(UsbEngineTest, EngineFaultsReachTheDeviceThroughTheBridge) {
    EngineFaults faults;
    faults.silentAfter = 0;
    ASSERT_TRUE(SetSimulatedEngineFaults(m_path, faults));
    Connect();
    ASSERT_TRUE(Posted(MSG_TRANSPORT_FAILED));
    const auto failed = m_hooks.PostedOf(MSG_TRANSPORT_FAILED);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].wParam, TRANSPORT_USB);
    EXPECT_EQ(failed[0].lParam, 1); // the identify frame asks for a rescan
    EXPECT_TRUE(m_hooks.PostedOf(MSG_IDENTIFY_REPLY).empty());
}

} // namespace
} // namespace kel
