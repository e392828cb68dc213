// The three links against the emulated processor: stray bytes on the line, the bytes of one command
// after different frames, and received programs while the EQ graph drags a band.
#include "LinkTestKit.h"

#include "dsp/FilterBank.h"
#include "emulator/DeviceEngine.h"
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/FrameBytes.h"
#include "protocol/Protocol.h"
#include "transport/LinkSettings.h"
#include "transport/NetPort.h"
#include "transport/SerialPort.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/EnginePeer.h"
#include "transport/usb/UsbPort.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>

namespace kel {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

enum class Link { Udp, Pty, Usb };
constexpr Link kLinks[] = {Link::Udp, Link::Pty, Link::Usb};

const char* Name(Link link) {
    return link == Link::Udp ? "UDP" : link == Link::Pty ? "pseudo-terminal" : "USB bridge";
}
int TransportOf(Link link) {
    return link == Link::Udp ? TRANSPORT_NET : link == Link::Pty ? TRANSPORT_SERIAL : TRANSPORT_USB;
}

// An emulated processor behind one link, and that link's port opened and started on it. Every frame
// the processor receives is kept, byte for byte.
class LinkRig {
  public:
    LinkRig(Link link, const EngineFaults& faults, bool splitReplies) {
        m_engine->SetFaults(faults);
        m_engine->SetFrameTap([this](std::span<const std::uint8_t> frame) {
            std::lock_guard lock(m_mutex);
            m_frames.emplace_back(frame.begin(), frame.end());
        });
        std::string error;
        switch (link) {
        case Link::Udp:
            m_udp = std::make_unique<UdpServer>(*m_engine, ServerOptions{splitReplies});
            m_open = m_udp->Start("127.0.0.1", 0, &error) && SetDevicePort(m_udp->Port()) && m_net.Open() &&
                     m_net.Start();
            break;
        case Link::Pty:
            m_pty = std::make_unique<PtyServer>(*m_engine, ServerOptions{splitReplies});
            m_open = m_pty->Start(&error) && m_serial.Open(m_pty->Path()) && m_serial.Start();
            break;
        case Link::Usb: {
            bridge::UseSimulatedBridge(true);
            const std::string path = bridge::PlugEngineBridge(m_engine);
            if (splitReplies) {
                bridge::SetSimulatedBridgeFaults(path, {.pieceBytes = 7});
            }
            std::string upper = path;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            m_open = CH9326DllInt() == 1 && m_usb.Open(upper) && m_usb.Start();
            break;
        }
        }
        EXPECT_TRUE(m_open) << error;
    }
    ~LinkRig() {
        m_net.Close();
        m_serial.Close();
        m_usb.Close();
        if (m_udp) {
            m_udp->Stop();
        }
        if (m_pty) {
            m_pty->Stop();
        }
        bridge::UnplugAllSimulatedBridges();
    }

    bool Open() const { return m_open; }
    DeviceEngine& Engine() { return *m_engine; }
    std::vector<Bytes> Frames(int type) const {
        std::lock_guard lock(m_mutex);
        std::vector<Bytes> out;
        for (const Bytes& f : m_frames) {
            if (f[4] == type) {
                out.push_back(f);
            }
        }
        return out;
    }
    std::size_t Count(int type) const { return Frames(type).size(); }

  private:
    std::shared_ptr<DeviceEngine> m_engine = std::make_shared<DeviceEngine>();
    std::unique_ptr<UdpServer> m_udp;
    std::unique_ptr<PtyServer> m_pty;
    CNetPort m_net;
    CSerialPort m_serial;
    CUsbPort m_usb;
    bool m_open = false;
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_frames;
};

class ThreeLinks : public ::testing::Test {
  public:
    void TearDown() override { test::ReleaseLink(); }

    // A fresh model on the link, connected, with the identify command queued as a connection does.
    // The timing table is scaled down unless `scale` says otherwise.
    void Connect(Link link, double scale = 0) {
        auto hooks = std::make_unique<test::RecordingHooks>(); // nothing posted yet
        if (scale == 0) {
            scale = link == Link::Usb ? 0.01 : 0.1;
        }
        test::PrepareLink(TransportOf(link), *hooks, scale);
        m_hooks = std::move(hooks);
        ImageLockGuard lock(ImageLock());
        TheModel().connection.connected = 1;
        ASSERT_TRUE(TheProtocol().QueueCommand(CMD_IDENTIFY, 0));
    }
    std::size_t Posted(int message) const { return m_hooks->Messages(message).size(); }
    bool WaitPosted(int message, std::size_t count = 1) {
        return test::WaitUntil([&] { return Posted(message) >= count; }, 30s);
    }

    std::unique_ptr<test::RecordingHooks> m_hooks;
};

// One stray byte ahead of a reply must not make the parser read the reply's header as its count:
// every exchange completes the first time, with the noise before each reply, in one piece with it
// or in small pieces of its own. Split replies arrive piece by piece with pauses between them; they
// are kept to the short replies, at half the real timing, so that a busy machine cannot make a
// link's reply time-out run out between two pieces.
// Stray bytes ahead of every reply, on each link, with replies whole or split into small pieces.
class StrayBytes : public ThreeLinks, public ::testing::WithParamInterface<std::tuple<Link, Bytes, bool>> {};

TEST_P(StrayBytes, CostNoReply) {
    const auto& [link, noise, split] = GetParam();
    Connect(link, split ? 0.5 : 0);
    LinkRig rig(link, {.noise = noise}, split);
    ASSERT_TRUE(rig.Open());
    ASSERT_TRUE(WaitPosted(MSG_IDENTIFY_REPLY));
    {
        ImageLockGuard lock(ImageLock());
        TheProtocol().DeviceCommand(CMD_READ_SYSTEM, 0);
        if (!split) {
            TheProtocol().DeviceCommand(CMD_READ_PROGRAM, 0);
        }
    }
    ASSERT_TRUE(WaitPosted(MSG_SYSTEM_RECEIVED));
    EXPECT_EQ(rig.Count(CMD_IDENTIFY), 1u);
    EXPECT_EQ(rig.Count(CMD_READ_SYSTEM), 1u);
    if (!split) {
        ASSERT_TRUE(WaitPosted(MSG_PROGRAM_RECEIVED));
        EXPECT_EQ(rig.Count(CMD_READ_PROGRAM), 1u);
        ImageLockGuard lock(ImageLock());
        std::lock_guard device(rig.Engine().Mutex());
        EXPECT_EQ(std::memcmp(&TheModel().image, &rig.Engine().State().live, sizeof(ProgramImage)), 0);
    }
    EXPECT_EQ(Posted(MSG_TRANSPORT_FAILED), 0u);
}

void PrintTo(Link link, std::ostream* os) {
    *os << Name(link);
}

const Bytes kNoises[] = {{0xFF}, {0x03}, {0xFF, 0x55, 0xFF}, {0x00, 0xFF, 0x03, 0xCC, 0x55, 0xAA, 0xFF}};

std::string StrayBytesName(const ::testing::TestParamInfo<StrayBytes::ParamType>& info) {
    const auto& [link, noise, split] = info.param;
    std::string name = link == Link::Udp ? "Udp" : link == Link::Pty ? "Pty" : "Usb";
    for (const std::uint8_t b : noise) {
        name += "0123456789ABCDEF"[b >> 4];
        name += "0123456789ABCDEF"[b & 15];
    }
    return name + (split ? "Split" : "Whole");
}

INSTANTIATE_TEST_SUITE_P(Noise, StrayBytes,
                         ::testing::Combine(::testing::ValuesIn(kLinks), ::testing::ValuesIn(kNoises),
                                            ::testing::Bool()),
                         StrayBytesName);

// The key-control frame (type 9) leaves body byte 7 unassigned. Built after a gain frame (whose
// checksum sits at 7), after an EQ band frame, or after polls only, every link sends it the same.
TEST_F(ThreeLinks, UnassignedBodyBytesTravelAsZeroAfterAnyFrame) {
    struct Before {
        const char* name;
        int type; // 0: polls only
        void (*edit)(Model&);
    };
    const Before befores[] = {
        {"a gain frame", CMD_GAIN,
         [](Model& m) { m.system.keySen = static_cast<u8>((m.system.keySen & 0xF0) | 0x0B); }},
        {"an EQ band frame", CMD_EQ_BAND, [](Model& m) { m.image.musicL.eq[2].gain = 0xEE; }},
        {"polls only", 0, nullptr},
    };
    for (const Link link : kLinks) {
        SCOPED_TRACE(Name(link));
        Connect(link);
        LinkRig rig(link, {}, false);
        ASSERT_TRUE(rig.Open());
        ASSERT_TRUE(WaitPosted(MSG_IDENTIFY_REPLY));
        std::uint8_t high = 1;
        for (const Before& before : befores) {
            SCOPED_TRACE(before.name);
            if (before.edit) {
                const std::size_t seen = rig.Count(before.type);
                {
                    ImageLockGuard lock(ImageLock());
                    before.edit(TheModel());
                }
                ASSERT_TRUE(test::WaitUntil([&] { return rig.Count(before.type) > seen; }, 10s));
            }
            const std::size_t seen = rig.Count(CMD_KEY_CONTROL);
            {
                ImageLockGuard lock(ImageLock());
                u8& keySen = TheModel().system.keySen;
                keySen = static_cast<u8>((high << 4) | (keySen & 0x0F));
            }
            ASSERT_TRUE(test::WaitUntil([&] { return rig.Count(CMD_KEY_CONTROL) > seen; }, 10s));
            // count 5: type, the high nibble as index, 0, the unassigned byte, checksum
            const Bytes expected = {0xFF, 0x55, 0x05,
                                    0x00, 0x09, high,
                                    0x00, 0x00, static_cast<std::uint8_t>(0x05 + 0x09 + high)};
            EXPECT_EQ(test::Hex(rig.Frames(CMD_KEY_CONTROL).back()), test::Hex(expected));
            ++high;
        }
        EXPECT_EQ(Posted(MSG_TRANSPORT_FAILED), 0u);
    }
}

// Programs arrive (recalls, on the transport thread) while the window drags a band of the Music Left
// curve and paints every curve. The filter objects are only ever touched on this thread: reloaded
// here on MSG_PROGRAM_RECEIVED. Under ThreadSanitizer this test must stay clean.
// The drag writes its band record under ImageLock here: this test is about the filter objects, not
// about the single-field page edits the change detector reads without a lock.
TEST_F(ThreeLinks, ProgramsArriveWhileABandIsDragged) {
    InstallFilterBank();
    Connect(Link::Usb);
    LinkRig rig(Link::Usb, {}, false);
    ASSERT_TRUE(rig.Open());
    {
        std::lock_guard lock(rig.Engine().Mutex());
        DeviceState& d = rig.Engine().State();
        for (int n = 1; n <= kSlotCount; ++n) {
            for (int b = 0; b < kMusicBands; ++b) {
                d.slots[n - 1].musicL.eq[b].gain = static_cast<u8>(60 + (n * 7 + b * 5) % 120);
            }
        }
    }
    ASSERT_TRUE(WaitPosted(MSG_IDENTIFY_REPLY));
    CKTVEQ& music = Collection(EQ_MUSIC_L, 0);
    {
        ImageLockGuard lock(ImageLock());
        for (CKTVEQ* c : TheFilterBank().All()) {
            c->SetPlotRect({0, 0, 400, 200});
        }
    }
    constexpr int kPrograms = 20;
    for (int n = 1; n <= kPrograms; ++n) {
        TheProtocol().DeviceCommand(CMD_RECALL, 1 + n % kSlotCount);
    }
    CFilter& band = music.At(3);
    band.BeginDrag(band.MarkerRect().Center());
    std::size_t handled = 0;
    double painted = 0;
    for (int step = 0; handled < kPrograms; ++step) {
        ASSERT_LT(step, 200000) << "the programs did not arrive";
        {
            ImageLockGuard lock(ImageLock());
            band.DragBand({kPlotLeft + 50 + step % 300, kPlotTop + 20 + step % 150});
        }
        music.SumCurve();
        for (CKTVEQ* c : TheFilterBank().All()) {
            for (int i = 0; i < c->GetSize(); ++i) {
                painted += c->At(i).Curve()[10].y;
            }
            painted += c->SumDb()[100];
        }
        // The window's handler of MSG_PROGRAM_RECEIVED.
        for (std::size_t posted = Posted(MSG_PROGRAM_RECEIVED); handled < posted; ++handled) {
            ReloadFilters();
        }
    }
    EXPECT_NE(painted, 0);
    // The curve follows the last program received (and the drag): as if built afresh on those records.
    ProgramImage last;
    {
        ImageLockGuard lock(ImageLock());
        last = TheModel().image;
    }
    CKTVEQ fresh;
    fresh.Build(kMusicBands, last.musicL.eq, &last.musicL.hpf, &last.musicL.lpf);
    fresh.SetPlotRect({0, 0, 400, 200});
    EXPECT_TRUE(fresh.SumDb() == music.SumDb());
    EXPECT_EQ(Posted(MSG_TRANSPORT_FAILED), 0u);
    SetFilterSeam(nullptr);
}

} // namespace
} // namespace kel
