// The engine's UDP server: one datagram in, the reply out in datagrams of at most 256 bytes.
#include "emulator/UdpServer.h"

#include "model/Timing.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace kel {

namespace {

int Milliseconds(int baseMs) {
    const auto us = timing::Scaled(baseMs).count();
    return static_cast<int>(std::max<long long>(1, us / 1000));
}

} // namespace

bool IsLoopbackAddress(const std::string& address) {
    if (address == "localhost") {
        return true;
    }
    in_addr a{};
    return inet_pton(AF_INET, address.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

UdpServer::UdpServer(DeviceEngine& engine, ServerOptions options) : m_engine(engine), m_options(options) {}

UdpServer::~UdpServer() {
    Stop();
}

bool UdpServer::Start(const std::string& address, int port, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) {
            *error = why;
        }
        Stop();
        return false;
    };
    if (m_thread.joinable()) {
        return fail("already serving");
    }
    if (!IsLoopbackAddress(address)) {
        return fail("only loopback addresses are served: " + address);
    }
    if (port < 0 || port > 65535) {
        return fail("bad port " + std::to_string(port));
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address == "localhost" ? "127.0.0.1" : address.c_str(), &sa.sin_addr);
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        return fail(std::string("socket: ") + std::strerror(errno));
    }
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        return fail("bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno));
    }
    socklen_t len = sizeof sa;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len);
    m_port = ntohs(sa.sin_port);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return fail(std::string("pipe: ") + std::strerror(errno));
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void UdpServer::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        const char b = 1;
        [[maybe_unused]] const ssize_t w = ::write(m_wake[1], &b, 1);
        m_thread.join();
    }
    for (int* fd : {&m_fd, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void UdpServer::Run() {
    std::vector<std::uint8_t> buffer(65536);
    while (!m_stop) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, Milliseconds(timing::kSimQuietGap));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready == 0) {
            m_engine.QuietGap(); // nothing for a while: a half-received frame is dropped
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n =
            ::recvfrom(m_fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n <= 0) {
            continue;
        }
        const std::vector<std::uint8_t> reply =
            m_engine.Receive(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
        const std::size_t piece = m_options.splitReplies ? kSplitPieceBytes : kReplyDatagramMax;
        for (std::size_t pos = 0; pos < reply.size(); pos += piece) {
            const std::size_t len = std::min(piece, reply.size() - pos);
            ::sendto(m_fd, reply.data() + pos, len, 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        }
    }
}

} // namespace kel
