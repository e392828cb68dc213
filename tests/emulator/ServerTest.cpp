// The engine's servers run in-process on loopback UDP and a pseudo-terminal.
#include "emulator/PtyServer.h"
#include "emulator/UdpServer.h"
#include "model/Timing.h"
#include "protocol/FrameBytes.h"
#include "support/ProcessState.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace kel {
namespace {

using test::Bytes;
using test::MakeFrame;

// A UDP client socket on loopback.
class UdpClient {
  public:
    explicit UdpClient(int port) {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, "127.0.0.1", &sa.sin_addr);
        ::connect(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    }
    ~UdpClient() { ::close(m_fd); }
    // Sends the bytes as one datagram, zero-padded to 256 like the network link.
    void Send(Bytes b, bool pad = true) {
        if (pad) {
            b.resize(std::max<std::size_t>(b.size(), 256), 0);
        }
        ASSERT_EQ(::send(m_fd, b.data(), b.size(), 0), static_cast<ssize_t>(b.size()));
    }
    // Datagrams until `total` bytes arrived or a second passed.
    std::vector<Bytes> Receive(std::size_t total) {
        std::vector<Bytes> out;
        std::size_t got = 0;
        while (got < total) {
            pollfd p = {m_fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) {
                break;
            }
            Bytes d(2048);
            const ssize_t n = ::recv(m_fd, d.data(), d.size(), 0);
            if (n <= 0) {
                break;
            }
            d.resize(static_cast<std::size_t>(n));
            got += d.size();
            out.push_back(std::move(d));
        }
        return out;
    }

  private:
    int m_fd = -1;
};

Bytes Join(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

class ServerTest : public ::testing::Test {
  protected:
    test::ProcessState state{{.timingScale = 0.05, .resetModel = false}}; // quiet gap 25 ms
    DeviceEngine engine;
};

TEST_F(ServerTest, UdpAnswersInDatagramsOfAtMost256Bytes) {
    UdpServer server(engine);
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, &error)) << error;
    ASSERT_GT(server.Port(), 0);
    UdpClient client(server.Port());

    client.Send(MakeFrame(127, {0}));
    EXPECT_EQ(Join(client.Receive(7)), MakeFrame(127, {1, 1}));

    client.Send(MakeFrame(130, {5}));
    const std::vector<Bytes> parts = client.Receive(2719);
    const Bytes all = Join(parts);
    ASSERT_EQ(all.size(), 2719u);
    EXPECT_EQ(parts.size(), 11u);
    for (const Bytes& p : parts) {
        EXPECT_LE(p.size(), 256u);
    }
    EXPECT_EQ(all[5], 5);
}

TEST_F(ServerTest, UdpDropsAHalfFrameAfterAQuietGap) {
    UdpServer server(engine);
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, &error)) << error;
    UdpClient client(server.Port());
    const Bytes identify = MakeFrame(127, {0});
    client.Send(Bytes(identify.begin(), identify.begin() + 5), false);
    ASSERT_TRUE(test::WaitUntil([&] { return server.PartialSenders() == 1; }));
    ASSERT_TRUE(test::WaitUntil([&] { return server.PartialSenders() == 0; })); // the quiet gap dropped it
    client.Send(identify);
    EXPECT_EQ(Join(client.Receive(7)), MakeFrame(127, {1, 1}));
}

// Each sender's bytes are collected apart: two frames sent in interleaved pieces are both answered.
TEST_F(ServerTest, UdpCollectsEachSendersFrameApart) {
    UdpServer server(engine);
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, &error)) << error;
    UdpClient first(server.Port());
    UdpClient second(server.Port());
    const Bytes identify = MakeFrame(127, {0});
    const Bytes nameRead = MakeFrame(128, {2});
    first.Send(Bytes(identify.begin(), identify.begin() + 3), false);
    second.Send(Bytes(nameRead.begin(), nameRead.begin() + 4), false);
    first.Send(Bytes(identify.begin() + 3, identify.end()), false);
    second.Send(Bytes(nameRead.begin() + 4, nameRead.end()), false);
    EXPECT_EQ(Join(first.Receive(7)), MakeFrame(127, {1, 1}));
    const Bytes name = Join(second.Receive(27));
    ASSERT_EQ(name.size(), 27u);
    EXPECT_EQ(name[4], 128);
    EXPECT_EQ(name[5], 2);
    EXPECT_EQ(server.PartialSenders(), 0u);
}

TEST_F(ServerTest, SplitRepliesComeInSmallPieces) {
    UdpServer server(engine, ServerOptions{true});
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, &error)) << error;
    UdpClient client(server.Port());
    client.Send(MakeFrame(128, {2}));
    const std::vector<Bytes> parts = client.Receive(27);
    EXPECT_EQ(parts.size(), 4u);
    EXPECT_EQ(Join(parts).size(), 27u);
}

TEST_F(ServerTest, OnlyLoopbackIsServed) {
    UdpServer server(engine);
    std::string error;
    EXPECT_FALSE(server.Start("192.0.2.1", 0, &error));
    EXPECT_NE(error.find("loopback"), std::string::npos);
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.2"));
    EXPECT_FALSE(IsLoopbackAddress("0.0.0.0"));
}

TEST_F(ServerTest, PseudoTerminalAnswersWhateverThePieces) {
    PtyServer server(engine, ServerOptions{true});
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    ASSERT_EQ(server.Path().rfind("/dev/pts/", 0), 0u) << server.Path();
    const int fd = ::open(server.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);

    const Bytes frame = MakeFrame(129, {0});
    for (std::uint8_t b : frame) { // one byte at a time
        ASSERT_EQ(::write(fd, &b, 1), 1);
    }
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (got.size() < 72 && std::chrono::steady_clock::now() < deadline) {
        pollfd p = {fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            std::uint8_t buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                got.insert(got.end(), buf, buf + n);
            }
        }
    }
    ::close(fd);
    ASSERT_EQ(got.size(), 72u);
    EXPECT_EQ(got[4], 129);
    EXPECT_EQ(got[2], 68);
}

} // namespace
} // namespace kel
