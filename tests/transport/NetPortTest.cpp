// The network link: packetiser, echo test (through the socket seam and on loopback) and the exchange
// cycle against stand-in devices on 127.0.0.1.
#include "LinkTestKit.h"

#include "model/Messages.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "transport/LinkSettings.h"
#include "transport/NetPort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>

namespace kel {
namespace {

using namespace std::chrono_literals;
using test::AckDevice;
using test::RecordingHooks;
using test::UdpTestServer;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(NetPacketiser, FramesGoAsZeroPadded256ByteDatagrams) {
    struct Case {
        int length, datagrams;
    };
    for (const Case c :
         {Case{7, 1}, Case{255, 1}, Case{256, 1}, Case{257, 2}, Case{512, 2}, Case{2719, 11}}) {
        SCOPED_TRACE(c.length);
        FrameRecord tx;
        InitFrameRecord(tx);
        tx.SetCount(static_cast<std::uint16_t>(c.length - 4));
        for (int i = 4; i < c.length; ++i) {
            tx.frame[i] = static_cast<std::uint8_t>(i * 7 + 1);
        }
        std::vector<std::uint8_t> sent;
        std::array<std::uint8_t, kDatagramBytes> datagram{};
        int datagrams = 0;
        while (TakeDatagram(tx, datagram)) {
            ++datagrams;
            EXPECT_EQ(tx.netLastChunk != 0, datagrams == c.datagrams);
            sent.insert(sent.end(), datagram.begin(), datagram.end());
        }
        EXPECT_EQ(datagrams, c.datagrams);
        ASSERT_EQ(sent.size(), static_cast<std::size_t>(c.datagrams * kDatagramBytes));
        EXPECT_TRUE(std::equal(tx.frame, tx.frame + c.length, sent.begin()));
        EXPECT_TRUE(std::all_of(sent.begin() + c.length, sent.end(), [](std::uint8_t b) { return b == 0; }));
        EXPECT_FALSE(TakeDatagram(tx, datagram)) << "nothing more once the frame is taken";
    }
}

TEST(NetPing, EchoRequestLayoutAndInternetChecksum) {
    // The example of RFC 1071: the sum of 0001 f203 f4f5 f6f7 folds to ddf2.
    const std::array<std::uint8_t, 8> rfc = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(InternetChecksum(rfc), 0x220d);
    const std::array<std::uint8_t, 3> odd = {0x12, 0x34, 0x56}; // a last odd byte counts as the high half
    EXPECT_EQ(InternetChecksum(odd), static_cast<std::uint16_t>(~(0x1234 + 0x5600)));

    std::array<std::uint8_t, kEchoRequestBytes> packet{};
    BuildEchoRequest(packet, 0xBEEF, 1, 0x01020304);
    const std::array<std::uint8_t, 12> head = {8, 0, packet[2], packet[3], 0xEF, 0xBE, 1, 0, 4, 3, 2, 1};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), packet.begin()));
    EXPECT_TRUE(std::all_of(packet.begin() + 12, packet.end(), [](std::uint8_t b) { return b == 0x45; }));
    EXPECT_EQ(InternetChecksum(packet), 0) << "a packet carrying its own checksum sums to zero";
}

// Stands in for the ICMP socket; the link's UDP socket goes to the real system.
class FakeIcmp : public SocketCalls {
  public:
    enum Behaviour {
        Refused,
        NoSocket,
        NoTimeout,
        SendFails,
        ReceiveFails,
        Silent,
        Stranger,
        StrangerFirst, // another program's request and reply come in ahead of the answer
        Answers,
        DatagramAnswers
    };
    explicit FakeIcmp(Behaviour b) : m_behaviour(b) {}

    int Socket(int domain, int type, int protocol) override {
        if (protocol != IPPROTO_ICMP) {
            return SystemSocketCalls().Socket(domain, type, protocol);
        }
        const bool datagram = (type & 0xF) == SOCK_DGRAM;
        if (m_behaviour == Refused || (datagram && m_behaviour != DatagramAnswers)) {
            errno = datagram ? EACCES : EPERM;
            return -1;
        }
        if (m_behaviour == NoSocket) {
            errno = EMFILE;
            return -1;
        }
        m_raw = !datagram;
        ++m_open;
        return kFd;
    }
    int SetOption(int fd, int level, int name, const void* value, socklen_t length) override {
        if (fd != kFd) {
            return SystemSocketCalls().SetOption(fd, level, name, value, length);
        }
        return m_behaviour == NoTimeout ? (errno = ENOPROTOOPT, -1) : 0;
    }
    int Connect(int fd, const sockaddr* address, socklen_t length) override {
        return SystemSocketCalls().Connect(fd, address, length);
    }
    ssize_t SendTo(int fd, const void* bytes, std::size_t n, const sockaddr* to, socklen_t length) override {
        if (fd != kFd) {
            return SystemSocketCalls().SendTo(fd, bytes, n, to, length);
        }
        ++m_sent;
        if (m_behaviour == SendFails) {
            errno = ENETUNREACH;
            return -1;
        }
        m_request.assign(static_cast<const std::uint8_t*>(bytes),
                         static_cast<const std::uint8_t*>(bytes) + n);
        m_ownRequestPending = m_raw; // a raw socket on loopback reads its own request first
        return static_cast<ssize_t>(n);
    }
    ssize_t Receive(int fd, void* bytes, std::size_t n) override {
        if (fd != kFd) {
            return SystemSocketCalls().Receive(fd, bytes, n);
        }
        switch (m_behaviour) {
        case ReceiveFails:
            errno = ECONNREFUSED;
            return -1;
        case Silent:
            std::this_thread::sleep_for(timing::Scaled(timing::kPingTimeout));
            errno = EAGAIN;
            return -1;
        default:
            break;
        }
        std::vector<std::uint8_t> packet;
        if (m_raw) {
            packet.assign(20, 0);
            packet[0] = 0x45; // IPv4, five-word header
        }
        packet.insert(packet.end(), m_request.begin(), m_request.end());
        std::uint8_t* icmp = packet.data() + (m_raw ? 20 : 0);
        if (m_ownRequestPending) {
            m_ownRequestPending = false;
        } else {
            icmp[0] = 0; // echo reply
        }
        if (m_behaviour == Stranger || (m_behaviour == StrangerFirst && m_strangers++ < 2)) {
            icmp[4] ^= 0xFF; // another program's identifier
        }
        const std::size_t size = std::min(n, packet.size());
        std::memcpy(bytes, packet.data(), size);
        return static_cast<ssize_t>(size);
    }
    int Close(int fd) override {
        if (fd != kFd) {
            return SystemSocketCalls().Close(fd);
        }
        --m_open;
        return 0;
    }

    int OpenIcmpSockets() const { return m_open; }
    int Sent() const { return m_sent; }

  private:
    static constexpr int kFd = 100000; // never a real descriptor
    Behaviour m_behaviour;
    bool m_raw = false;
    bool m_ownRequestPending = false;
    int m_strangers = 0;
    int m_open = 0;
    int m_sent = 0;
    std::vector<std::uint8_t> m_request;
};

TEST(NetPing, CodesThroughTheSocketSeam) {
    timing::SetScale(1.0); // the real pauses: the no-answer paths are timed
    struct Case {
        const char* name;
        FakeIcmp::Behaviour behaviour;
        int code;
        double minSeconds, maxSeconds;
    };
    const Case cases[] = {
        {"refused for lack of rights", FakeIcmp::Refused, PING_REFUSED, 0, 0.05},
        {"no socket for another reason", FakeIcmp::NoSocket, PING_NO_SOCKET, 0, 0.05},
        {"time-out option refused", FakeIcmp::NoTimeout, PING_NO_TIMEOUT, 0, 0.05},
        {"send error", FakeIcmp::SendFails, PING_SEND_FAILED, 0, 0.05},
        {"receive error", FakeIcmp::ReceiveFails, PING_RECEIVE_FAILED, 0, 0.05},
        {"no answer: two receive time-outs", FakeIcmp::Silent, PING_NO_REPLY, 0.19, 0.5},
        {"only other programs' echo traffic: two receive time-outs", FakeIcmp::Stranger, PING_NO_REPLY, 0.19, 0.5},
        {"raw socket answer after its own request", FakeIcmp::Answers, 0, 0, 0.05},
        {"raw socket answer after other programs' echo traffic", FakeIcmp::StrangerFirst, 0, 0, 0.05},
        {"ICMP datagram socket answer", FakeIcmp::DatagramAnswers, 0, 0, 0.05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeIcmp icmp(c.behaviour);
        CNetPort port(icmp);
        const auto start = std::chrono::steady_clock::now();
        const int result = port.Ping("127.0.0.1");
        const double took = Seconds(start);
        if (c.code == 0) {
            EXPECT_GE(result, 0);
        } else {
            EXPECT_EQ(result, c.code);
        }
        EXPECT_GE(took, c.minSeconds);
        EXPECT_LE(took, c.maxSeconds);
        EXPECT_EQ(icmp.OpenIcmpSockets(), 0) << "the socket is closed on every exit";
        EXPECT_LE(icmp.Sent(), 2);
    }
    EXPECT_EQ(CNetPort().Ping("not.an.address"), PING_SEND_FAILED);
}

TEST(NetPing, LoopbackAnswersWhereEchoRequestsAreAllowed) {
    CNetPort port;
    const int result = port.Ping("127.0.0.1");
    if (result == PING_REFUSED) {
        GTEST_SKIP() << "this machine refuses ICMP sockets to this user";
    }
    EXPECT_GE(result, 0);
}

class NetLink : public ::testing::Test {
  protected:
    static constexpr double kScale = 0.1; // 100 ms receive time-out
    void SetUp() override { test::PrepareLink(TRANSPORT_NET, m_hooks, kScale); }
    void TearDown() override { test::ReleaseLink(); }

    // A port connected to the server (echo test on loopback, skipped where refused).
    void Connect(CNetPort& port, const UdpTestServer& server) {
        ASSERT_TRUE(SetDevicePort(server.Port()));
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.Start());
    }
    std::size_t Failures() const { return m_hooks.Messages(MSG_TRANSPORT_FAILED).size(); }

    RecordingHooks m_hooks;
};

TEST_F(NetLink, OpenFailsWithoutEchoReplyAndGoesOnWhenTheTestCannotRun) {
    timing::SetScale(1.0);
    UdpTestServer server([](auto) { return std::vector<std::uint8_t>{}; });
    ASSERT_TRUE(SetDevicePort(server.Port()));
    const int descriptors = test::OpenDescriptorCount();
    {
        FakeIcmp silent(FakeIcmp::Silent);
        CNetPort port(silent);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(port.Open());
        const double took = Seconds(start);
        EXPECT_GE(took, 0.2);
        EXPECT_LE(took, 0.7);
        EXPECT_FALSE(port.IsOpen());
    }
    {
        FakeIcmp refused(FakeIcmp::Refused);
        CNetPort port(refused);
        EXPECT_TRUE(port.Open()) << "a user without ICMP rights still connects";
        EXPECT_TRUE(port.IsOpen());
        port.Close();
        EXPECT_FALSE(port.IsOpen()) << "an opened, never started socket is released too";
    }
    EXPECT_EQ(test::OpenDescriptorCount(), descriptors);
}

TEST_F(NetLink, IdleLinkKeepsPollingTheMeters) {
    AckDevice device;
    UdpTestServer server([&](auto bytes) { return device.Receive(bytes); });
    CNetPort port;
    Connect(port, server);
    EXPECT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 8; }, 5s));
    port.Close();
    const std::vector<int> types = test::FrameTypes(device);
    ASSERT_GE(types.size(), 8u);
    EXPECT_TRUE(test::PollsAlternate(types)) << ::testing::PrintToString(types);
    EXPECT_EQ(std::adjacent_find(types.begin(), types.end()), types.end()) << "no exchange needed a retry";
    for (const auto& datagram : server.Datagrams()) {
        EXPECT_EQ(datagram.size(), static_cast<std::size_t>(kDatagramBytes));
    }
    EXPECT_EQ(Failures(), 0u);
}

// The retry budget of one exchange (the emulator's own faults run end to end elsewhere).
TEST_F(NetLink, RetryBudget) {
    struct Case {
        const char* name;
        AckDevice::Faults faults;
        int sendsOfOneFrame; // longest run of one frame on the wire
        bool failure;
    };
    const Case cases[] = {
        {"three failed tries, then an answer", {.runFrom = 3, .runLength = 3}, 4, false},
        {"three refused replies, then a good one",
         {.runFrom = 3, .runLength = 3, .runCorrupt = true},
         4,
         false},
        {"four failed tries", {.runFrom = 3, .runLength = 4}, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHooks hooks;
        test::PrepareLink(TRANSPORT_NET, hooks, kScale);
        auto failures = [&] { return hooks.Messages(MSG_TRANSPORT_FAILED).size(); };
        AckDevice device(c.faults);
        UdpTestServer server([&](auto bytes) { return device.Receive(bytes); });
        CNetPort port;
        Connect(port, server);
        if (c.failure) {
            ASSERT_TRUE(test::WaitUntil([&] { return failures() > 0; }, 10s));
            const int seen = device.FrameCount();
            std::this_thread::sleep_for(timing::Scaled(3 * timing::kNetSocketTimeout));
            EXPECT_EQ(device.FrameCount(), seen) << "the failed link idles";
        } else {
            EXPECT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 14; }, 10s));
        }
        port.Close();

        const std::vector<int> types = test::FrameTypes(device);
        EXPECT_TRUE(test::PollsAlternate(types)) << "each exchange completes before the next";
        int longest = 0;
        for (std::size_t i = 0, run = 0; i < types.size(); ++i) {
            run = i > 0 && types[i] == types[i - 1] ? run + 1 : 1;
            longest = std::max(longest, static_cast<int>(run));
        }
        EXPECT_EQ(longest, c.sendsOfOneFrame);
        const auto failed = hooks.Messages(MSG_TRANSPORT_FAILED);
        SetAppHooks(nullptr);
        ASSERT_EQ(failed.size(), c.failure ? 1u : 0u);
        if (c.failure) {
            EXPECT_EQ(failed[0].wParam, TRANSPORT_NET);
            EXPECT_EQ(failed[0].lParam, 0) << "a meter poll carries no rescan flag";
        }
    }
}

TEST_F(NetLink, SilentDeviceReportsTheIdentifyFramesRescanFlag) {
    AckDevice device({.silentAfter = 0});
    UdpTestServer server([&](auto bytes) { return device.Receive(bytes); });
    {
        ImageLockGuard lock(ImageLock());
        ASSERT_TRUE(TheProtocol().QueueCommand(127, 0));
    }
    CNetPort port;
    Connect(port, server);
    ASSERT_TRUE(test::WaitUntil([&] { return Failures() > 0; }, 10s));
    port.Close();
    const auto failed = m_hooks.Messages(MSG_TRANSPORT_FAILED);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].wParam, TRANSPORT_NET);
    EXPECT_EQ(failed[0].lParam, 1);
    EXPECT_EQ(test::FrameTypes(device), std::vector<int>(4, 127)) << "tried four times, nothing else sent";
}

TEST_F(NetLink, A257ByteFrameGoesAsTwoDatagrams) {
    AckDevice device;
    UdpTestServer server([&](auto bytes) { return device.Receive(bytes); });
    std::vector<std::uint8_t> expected;
    {
        ImageLockGuard lock(ImageLock());
        auto data = std::make_unique<CSendData>();
        FrameRecord& r = data->Record();
        r.SetCount(253);
        r.frame[4] = 200; // answered by an acknowledgement of its own type
        for (int i = 5; i < 256; ++i) {
            r.frame[i] = static_cast<std::uint8_t>(i);
        }
        BuildChecksum(r);
        expected.assign(r.frame, r.frame + 257);
        TheProtocol().Queue().Add(std::move(data));
    }
    CNetPort port;
    Connect(port, server);
    ASSERT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 2; }, 5s));
    port.Close();
    const auto datagrams = server.Datagrams();
    ASSERT_GE(datagrams.size(), 2u);
    ASSERT_EQ(datagrams[0].size(), 256u);
    ASSERT_EQ(datagrams[1].size(), 256u);
    EXPECT_TRUE(std::equal(datagrams[0].begin(), datagrams[0].end(), expected.begin()));
    EXPECT_EQ(datagrams[1][0], expected[256]);
    EXPECT_TRUE(
        std::all_of(datagrams[1].begin() + 1, datagrams[1].end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(device.Frames().at(0), expected);
    EXPECT_EQ(Failures(), 0u);
}

TEST_F(NetLink, CloseWhileReceivingReturnsWithinAboutOneReceiveTimeout) {
    timing::SetScale(1.0);
    AckDevice device({.silentAfter = 0});
    UdpTestServer server([&](auto bytes) { return device.Receive(bytes); });
    CNetPort port;
    Connect(port, server);
    ASSERT_TRUE(test::WaitUntil([&] { return device.FrameCount() >= 1; }, 5s));
    std::this_thread::sleep_for(400ms); // past the 100 ms datagram pause and the 60 ms cycle: receiving
    const auto start = std::chrono::steady_clock::now();
    port.Close();
    const double took = Seconds(start);
    EXPECT_FALSE(port.IsRunning());
    EXPECT_GE(took, 0.4) << "the receive step runs to its end first";
    // At most the rest of one 1000 ms receive, then four 50 ms event resets.
    EXPECT_LE(took, 1.0 + 0.2 + 0.3);
}

TEST_F(NetLink, TwentyStartCloseCyclesLeakNothing) {
    AckDevice device;
    UdpTestServer server([&](auto bytes) { return device.Receive(bytes); });
    ASSERT_TRUE(SetDevicePort(server.Port()));
    CNetPort port;
    test::ExpectStartCloseCyclesLeakNothing(port, [&] { return port.Open(); }, device);
    EXPECT_EQ(Failures(), 0u);
}

} // namespace
} // namespace kel
