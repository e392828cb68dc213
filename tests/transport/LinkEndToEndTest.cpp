// Both links end to end against the emulated processor: identify, the initial read and a burst of
// edits made while polling, and the emulator's fault options.
#include "LinkTestKit.h"

#include "emulator/DeviceEngine.h"
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/Edit.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"
#include "support/ProcessState.h"
#include "transport/LinkSettings.h"
#include "transport/NetPort.h"
#include "transport/SerialPort.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

namespace kel {
namespace {

using namespace std::chrono_literals;
using test::RecordingHooks;

enum class Link { Udp, Pty };

const char* Name(Link link) {
    return link == Link::Udp ? "UDP" : "pseudo-terminal";
}

// The emulated processor behind one link, with a record of the frame types it received.
class Emulator {
  public:
    Emulator(Link link, EngineFaults faults, bool splitReplies) {
        Prepare();
        m_engine.SetFaults(faults);
        m_engine.SetFrameObserver([this](int type, int, int) {
            std::lock_guard lock(m_typesMutex);
            m_types.push_back(type);
        });
        std::string error;
        const ServerOptions options{splitReplies};
        if (link == Link::Udp) {
            m_udp = std::make_unique<UdpServer>(m_engine, options);
            m_started = m_udp->Start("127.0.0.1", 0, &error);
        } else {
            m_pty = std::make_unique<PtyServer>(m_engine, options);
            m_started = m_pty->Start(&error);
        }
        EXPECT_TRUE(m_started) << error;
    }
    ~Emulator() {
        if (m_udp) {
            m_udp->Stop();
        }
        if (m_pty) {
            m_pty->Stop();
        }
    }

    bool Started() const { return m_started; }
    int UdpPort() const { return m_udp ? m_udp->Port() : 0; }
    std::string PtyPath() const { return m_pty ? m_pty->Path() : std::string(); }
    DeviceEngine& Engine() { return m_engine; }
    std::vector<int> Types() const {
        std::lock_guard lock(m_typesMutex);
        return m_types;
    }
    int Count(int type) const {
        const std::vector<int> types = Types();
        return static_cast<int>(std::count(types.begin(), types.end(), type));
    }

  private:
    // A live program, system block and slot names unlike the application's start-up values.
    void Prepare() {
        std::lock_guard lock(m_engine.Mutex());
        DeviceState& s = m_engine.State();
        s.live.musicSync = 0;
        s.live.micSync = 0;
        std::ranges::fill(s.live.outputLink, 0);
        std::memcpy(s.live.name, "Live on the device  ", 20);
        for (int i = 0; i < 15; ++i) {
            s.live.musicL.eq[i].gain = static_cast<std::uint8_t>(90 + i);
            s.live.musicR.eq[i].q = static_cast<std::uint8_t>(20 + i);
        }
        s.live.mic1.eq[3].gain = 150;
        s.liveSystem.musicVolume = 33;
        s.liveSystem.micVolume = 44;
        for (int n = 1; n <= kSlotCount; ++n) {
            char name[21];
            std::snprintf(name, sizeof name, "Slot %02d             ", n);
            std::memcpy(s.slots[n - 1].name, name, 20);
        }
    }

    DeviceEngine m_engine;
    std::unique_ptr<UdpServer> m_udp;
    std::unique_ptr<PtyServer> m_pty;
    bool m_started = false;
    mutable std::mutex m_typesMutex;
    std::vector<int> m_types;
};

// One of the two links, opened on the emulator.
class LinkUnderTest {
  public:
    LinkUnderTest(Link link, const Emulator& emulator) : m_link(link) {
        if (link == Link::Udp) {
            EXPECT_TRUE(SetDevicePort(emulator.UdpPort()));
            m_open = m_net.Open() && m_net.Start();
        } else {
            m_open = m_serial.Open(emulator.PtyPath()) && m_serial.Start();
        }
    }
    ~LinkUnderTest() { Close(); }
    bool IsOpen() const { return m_open; }
    void Close() {
        m_net.Close();
        m_serial.Close();
    }

  private:
    Link m_link;
    CNetPort m_net;
    CSerialPort m_serial;
    bool m_open = false;
};

// "" when equal, else the first differing offset with both bytes.
std::string FirstDifference(const void* a, const void* b, std::size_t n) {
    const auto* x = static_cast<const std::uint8_t*>(a);
    const auto* y = static_cast<const std::uint8_t*>(b);
    for (std::size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) {
            return "byte " + std::to_string(i) + ": " + std::to_string(x[i]) + " vs " + std::to_string(y[i]);
        }
    }
    return "";
}

// The working copies against the emulator's live program and system block.
std::string ModelAgainstDevice(DeviceEngine& engine) {
    ImageLockGuard lock(ImageLock());
    std::lock_guard device(engine.Mutex());
    const Model& m = TheModel();
    const DeviceState& s = engine.State();
    const std::string image = FirstDifference(&m.image, &s.live, sizeof m.image);
    if (!image.empty()) {
        return "program " + image;
    }
    const std::string system = FirstDifference(&m.system, &s.liveSystem, sizeof m.system);
    return system.empty() ? "" : "system block " + system;
}

class LinkEndToEnd : public ::testing::Test {
  public:
    void TearDown() override { test::ReleaseLink(); }

    void Prepare(Link link, double scale) {
        test::PrepareLink(link == Link::Udp ? TRANSPORT_NET : TRANSPORT_SERIAL, m_hooks, scale);
        ImageLockGuard lock(ImageLock());
        TheModel().connection.connected = 1;
        ASSERT_TRUE(TheProtocol().QueueCommand(127, 0)); // identify, as a connection opens
    }
    std::size_t Posted(int message) const { return m_hooks.Messages(message).size(); }

    // The window's answer to the identify reply: names, live system block, live program, numbered.
    void InitialRead() {
        ASSERT_TRUE(test::WaitUntil([&] { return Posted(MSG_IDENTIFY_REPLY) > 0; }, 20s));
        {
            ImageLockGuard lock(ImageLock());
            CProtocol& protocol = TheProtocol();
            ASSERT_TRUE(protocol.QueueCommand(128, 0));
            protocol.DeviceCommand(129, 0);
            protocol.DeviceCommand(130, 0);
            EXPECT_EQ(protocol.Queue().Count(), 24);
            protocol.Queue().Number();
        }
        ASSERT_TRUE(test::WaitUntil([&] { return Posted(MSG_PROGRAM_RECEIVED) > 0; }, 60s));
    }

    RecordingHooks m_hooks;
};

// Edits of fields the change detector sends, with values the device takes, spaced at random.
void EditBurst(int edits, std::chrono::milliseconds maxGap) {
    std::mt19937 random(7);
    for (int i = 0; i < edits; ++i) {
        {
            ImageLockGuard lock(ImageLock());
            Model& m = TheModel();
            const int band = static_cast<int>(random() % 15);
            switch (random() % 5) {
            case 0:
                m.image.musicL.eq[band].gain = static_cast<std::uint8_t>(random() % 241);
                break;
            case 1:
                m.image.musicR.eq[band].q = static_cast<std::uint8_t>(random() % 101);
                break;
            case 2:
                m.image.mic2.eq[band].gain = static_cast<std::uint8_t>(random() % 241);
                break;
            case 3:
                m.system.musicVolume = static_cast<std::uint8_t>(random() % 71);
                break;
            default:
                m.system.micVolume = static_cast<std::uint8_t>(random() % 85);
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % (maxGap.count() + 1)));
    }
}

void InitialReadAndEditBurst(LinkEndToEnd& test, Link link, std::chrono::milliseconds maxGap) {
    SCOPED_TRACE(Name(link));
    Emulator emulator(link, {}, false);
    ASSERT_TRUE(emulator.Started());
    LinkUnderTest port(link, emulator);
    ASSERT_TRUE(port.IsOpen());
    test.InitialRead();
    EXPECT_EQ(emulator.Count(127), 1);
    EXPECT_EQ(emulator.Count(128), 22);
    EXPECT_EQ(emulator.Count(129), 1);
    EXPECT_EQ(emulator.Count(130), 1);
    EXPECT_EQ(ModelAgainstDevice(emulator.Engine()), "");
    {
        ImageLockGuard lock(ImageLock());
        std::lock_guard device(emulator.Engine().Mutex());
        EXPECT_EQ(0,
                  std::memcmp(TheModel().presets.Slot(7).name, emulator.Engine().State().slots[6].name, 20));
    }

    EditBurst(50, maxGap);
    EXPECT_TRUE(test::WaitUntil([&] { return ModelAgainstDevice(emulator.Engine()).empty(); }, 30s))
        << ModelAgainstDevice(emulator.Engine());
    port.Close();
    EXPECT_EQ(test.Posted(MSG_TRANSPORT_FAILED), 0u);
    const std::vector<int> types = emulator.Types();
    EXPECT_TRUE(std::count(types.begin(), types.end(), 3) > 0 &&
                std::count(types.begin(), types.end(), 1) > 0)
        << "the edits went as short commands";
}

// Edits slower than the link's cycle: each goes out on its own.
TEST_F(LinkEndToEnd, UdpInitialReadAndEditBurst) {
    Prepare(Link::Udp, test::kQuickTiming);
    InitialReadAndEditBurst(*this, Link::Udp, 40ms);
}

// Edits as fast against the link's cycle as an operator's against the real one (gaps of up to 40 ms of
// the real timing): several wait for one prepare step.
TEST_F(LinkEndToEnd, PseudoTerminalInitialReadAndEditBurst) {
    Prepare(Link::Pty, test::kQuickTiming);
    InitialReadAndEditBurst(*this, Link::Pty,
                            std::chrono::duration_cast<std::chrono::milliseconds>(timing::Scaled(40)));
}

// A 16-bit field edited as fast as the edit path goes, while the link's detector reads it on every
// prepare step: the device only ever receives the old or the new value, never a mix of the two (low byte
// of one, high byte of the other). 255 and 256 differ in both bytes; a torn value would be 0 or 511.
TEST_F(LinkEndToEnd, SixteenBitEditRacingTheDetectorNeverReachesTheDeviceTorn) {
    Prepare(Link::Udp, test::kQuickTiming);
    Emulator emulator(Link::Udp, {}, false);
    ASSERT_TRUE(emulator.Started());
    std::mutex valuesMutex;
    std::vector<int> delays; // every type-5 value the device received
    emulator.Engine().SetFrameTap([&](std::span<const std::uint8_t> frame) {
        if (frame.size() >= 8 && frame[4] == CMD_DELAY) {
            std::lock_guard lock(valuesMutex);
            delays.push_back(frame[6] | (frame[7] << 8));
        }
    });
    LinkUnderTest port(Link::Udp, emulator);
    ASSERT_TRUE(port.IsOpen());
    InitialRead();

    Model& m = TheModel();
    constexpr FieldAt kDelay = At(KEL_FIELD(ProgramImage, out[0].ch[OUT_MAIN_L].delay));
    const auto received = [&] {
        std::lock_guard lock(valuesMutex);
        return delays.size();
    };
    EditField(m, kDelay, 255);
    ASSERT_TRUE(test::WaitUntil([&] { return received() > 0; }, 10s));

    std::atomic<bool> stop{false};
    std::thread editor([&] {
        for (int i = 0; !stop; ++i) {
            EditField(m, kDelay, i % 2 == 0 ? 256 : 255);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
    const bool enough = test::WaitUntil([&] { return received() >= 150; }, 60s);
    stop = true;
    editor.join();
    ASSERT_TRUE(enough) << received() << " delay frames";
    EXPECT_TRUE(test::WaitUntil([&] { return ModelAgainstDevice(emulator.Engine()).empty(); }, 10s));
    port.Close();
    std::lock_guard lock(valuesMutex);
    for (const int value : delays) {
        ASSERT_TRUE(value == 255 || value == 256) << "the device received " << value;
    }
}

struct FaultCase {
    const char* name;
    EngineFaults faults;
    bool splitReplies;
    int failedType; // 0: the initial read completes without a failure
    int triesNet, triesSerial;
    std::intptr_t rescan;
};

const FaultCase kFaultCases[] = {
    {"DroppedReplies", {.dropEvery = 2}, false, 0, 0, 0, 0},
    {"CorruptedChecksums", {.corruptEvery = 3}, false, 0, 0, 0, 0},
    {"SplitReplies", {}, true, 0, 0, 0, 0},
    {"SilentFromTheStart", {.silentAfter = 0}, false, 127, 4, 3, 1},
    {"MeterPollsRefused", {.refuseType = 12}, false, 12, 4, 2, 0},
};

void PrintTo(Link link, std::ostream* os) {
    *os << Name(link);
}
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

// One emulator fault on one link: every 2nd reply dropped, every 3rd checksum corrupted, replies split
// into small pieces, silent from the start, meter polls refused.
class EmulatorFaults : public LinkEndToEnd,
                       public ::testing::WithParamInterface<std::tuple<Link, FaultCase>> {};

TEST_P(EmulatorFaults, InitialReadOrOneFailureReport) {
    const auto& [link, c] = GetParam();
    Prepare(link, 0.1);
    Emulator emulator(link, c.faults, c.splitReplies);
    ASSERT_TRUE(emulator.Started());
    LinkUnderTest port(link, emulator);
    ASSERT_TRUE(port.IsOpen());

    if (c.failedType == 0) {
        ASSERT_TRUE(test::WaitUntil([&] { return Posted(MSG_IDENTIFY_REPLY) > 0; }, 20s));
        {
            ImageLockGuard lock(ImageLock());
            TheProtocol().QueueCommand(128, 0);
            TheProtocol().DeviceCommand(129, 0);
            TheProtocol().DeviceCommand(130, 0);
            TheProtocol().Queue().Number();
        }
        EXPECT_TRUE(test::WaitUntil([&] { return Posted(MSG_PROGRAM_RECEIVED) > 0; }, 30s));
        EXPECT_EQ(ModelAgainstDevice(emulator.Engine()), "");
        if (c.splitReplies) {
            EXPECT_EQ(emulator.Count(128), 22);
        } else {
            EXPECT_GT(emulator.Count(128), 22) << "some name reads were tried again";
        }
        port.Close();
        EXPECT_EQ(Posted(MSG_TRANSPORT_FAILED), 0u);
        return;
    }
    ASSERT_TRUE(test::WaitUntil([&] { return Posted(MSG_TRANSPORT_FAILED) > 0; }, 20s));
    std::this_thread::sleep_for(timing::Scaled(2000)); // nothing more goes out
    port.Close();
    const auto failed = m_hooks.Messages(MSG_TRANSPORT_FAILED);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].wParam, link == Link::Udp ? TRANSPORT_NET : TRANSPORT_SERIAL);
    EXPECT_EQ(failed[0].lParam, c.rescan);
    EXPECT_EQ(emulator.Count(c.failedType), link == Link::Udp ? c.triesNet : c.triesSerial);
}

INSTANTIATE_TEST_SUITE_P(Links, EmulatorFaults,
                         ::testing::Combine(::testing::Values(Link::Udp, Link::Pty),
                                            ::testing::ValuesIn(kFaultCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Link::Udp ? "Udp" : "Pty") +
                                    std::get<1>(info.param).name;
                         });

} // namespace
} // namespace kel
