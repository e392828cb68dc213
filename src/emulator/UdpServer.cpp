// The engine's UDP server: datagrams in, collected per sender; the reply out in datagrams of at most 256
// bytes.
#include "emulator/UdpServer.h"

#include "model/Timing.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <vector>

namespace kel {

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
    if (m_loop.Running()) {
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
    std::string why;
    if (!m_loop.Start(m_fd, {[this] { OnReadable(); }, [this] { DropQuietPeers(true); }, nullptr}, &why)) {
        return fail(why);
    }
    return true;
}

void UdpServer::Stop() {
    m_loop.Stop();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    std::lock_guard lock(m_peersMutex);
    m_peers.clear();
}

std::size_t UdpServer::PartialSenders() const {
    std::lock_guard lock(m_peersMutex);
    return m_peers.size();
}

void UdpServer::OnReadable() {
    static thread_local std::array<std::uint8_t, 65536> buffer;
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n =
        ::recvfrom(m_fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n <= 0) {
        return;
    }
    const std::uint64_t key = (std::uint64_t{ntohl(from.sin_addr.s_addr)} << 16) | ntohs(from.sin_port);
    std::vector<std::uint8_t> reply;
    {
        std::lock_guard lock(m_peersMutex);
        Peer& peer = m_peers[key];
        reply = m_engine.Receive(peer.collector,
                                 std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
        peer.last = std::chrono::steady_clock::now();
        if (!peer.collector.HasPartialFrame()) {
            m_peers.erase(key); // only senders in the middle of a frame are kept
        }
    }
    DropQuietPeers(false);
    const std::size_t piece = m_options.splitReplies ? kSplitPieceBytes : kReplyDatagramMax;
    ForEachPiece(reply, piece, [&](std::span<const std::uint8_t> bytes) {
        ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
    });
}

void UdpServer::DropQuietPeers(bool all) {
    std::lock_guard lock(m_peersMutex);
    const auto now = std::chrono::steady_clock::now();
    const auto gap = timing::Scaled(timing::kSimQuietGap);
    std::erase_if(m_peers, [&](const auto& entry) { return all || now - entry.second.last > gap; });
    while (m_peers.size() > kMaxPartialSenders) {
        auto oldest = m_peers.begin();
        for (auto it = m_peers.begin(); it != m_peers.end(); ++it) {
            if (it->second.last < oldest->second.last) {
                oldest = it;
            }
        }
        m_peers.erase(oldest);
    }
}

} // namespace kel
