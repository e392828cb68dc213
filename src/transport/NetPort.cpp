// The network link's reachability test, socket set-up and transmit thread.
#include "transport/NetPort.h"

#include "model/AppHooks.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "transport/LinkSettings.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <sys/time.h>
#include <system_error>
#include <unistd.h>

namespace kel {

namespace {

constexpr int kPingAttempts = 2;
constexpr int kMaxNetFailures = 3; // retries of one exchange; the fourth failure is reported
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kEchoReply = 0;
// Room for the longest reply even when it arrives in tiny datagrams (each costs far more than its bytes).
constexpr int kReceiveBufferBytes = 1 << 20;

class PosixSocketCalls final : public SocketCalls {
  public:
    int Socket(int domain, int type, int protocol) override { return ::socket(domain, type, protocol); }
    int SetOption(int fd, int level, int name, const void* value, socklen_t length) override {
        return ::setsockopt(fd, level, name, value, length);
    }
    int Connect(int fd, const sockaddr* address, socklen_t length) override {
        return ::connect(fd, address, length);
    }
    ssize_t SendTo(int fd, const void* bytes, std::size_t n, const sockaddr* to, socklen_t length) override {
        return to != nullptr ? ::sendto(fd, bytes, n, MSG_NOSIGNAL, to, length)
                             : ::send(fd, bytes, n, MSG_NOSIGNAL);
    }
    ssize_t Receive(int fd, void* bytes, std::size_t n) override { return ::recv(fd, bytes, n, 0); }
    ssize_t ReceiveFrom(int fd, void* bytes, std::size_t n, sockaddr_in& from) override {
        socklen_t length = sizeof from;
        return ::recvfrom(fd, bytes, n, 0, reinterpret_cast<sockaddr*>(&from), &length);
    }
    int Close(int fd) override { return ::close(fd); }
};

// Closes a socket on every exit of the reachability test.
class SocketGuard {
  public:
    SocketGuard(SocketCalls& calls, int fd) : m_calls(calls), m_fd(fd) {}
    ~SocketGuard() { m_calls.Close(m_fd); }
    SocketGuard(const SocketGuard&) = delete;
    SocketGuard& operator=(const SocketGuard&) = delete;

  private:
    SocketCalls& m_calls;
    int m_fd;
};

// The millisecond tick count stamped into echo requests.
std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// A time-out of the timing table as a socket option; never zero, which would mean "wait for ever".
timeval SocketTimeout(int baseMs) {
    const auto us = std::max<long long>(timing::Scaled(baseMs).count(), 1);
    return timeval{static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
}

bool SetTimeouts(SocketCalls& calls, int fd, int receiveMs, int sendMs, bool receiveFirst) {
    const timeval receive = SocketTimeout(receiveMs);
    const timeval send = SocketTimeout(sendMs);
    auto set = [&](int name, const timeval& t) {
        return calls.SetOption(fd, SOL_SOCKET, name, &t, sizeof t) == 0;
    };
    return receiveFirst ? set(SO_RCVTIMEO, receive) && set(SO_SNDTIMEO, send)
                        : set(SO_SNDTIMEO, send) && set(SO_RCVTIMEO, receive);
}

bool IsTimeout(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == ETIMEDOUT;
}

std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

SocketCalls& SystemSocketCalls() {
    static PosixSocketCalls calls;
    return calls;
}

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    }
    if (i < bytes.size()) {
        sum += static_cast<std::uint32_t>(bytes[i] << 8);
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

void BuildEchoRequest(std::span<std::uint8_t, kEchoRequestBytes> packet, std::uint16_t identifier,
                      std::uint16_t sequence, std::uint32_t stamp) {
    std::ranges::fill(packet, 0);
    packet[0] = kEchoRequest;
    packet[1] = 0;
    packet[4] = static_cast<std::uint8_t>(identifier);
    packet[5] = static_cast<std::uint8_t>(identifier >> 8);
    packet[6] = static_cast<std::uint8_t>(sequence);
    packet[7] = static_cast<std::uint8_t>(sequence >> 8);
    for (int i = 0; i < 4; ++i) {
        packet[8 + i] = static_cast<std::uint8_t>(stamp >> (8 * i));
    }
    std::fill(packet.begin() + 12, packet.end(), std::uint8_t{0x45});
    const std::uint16_t sum = InternetChecksum(packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum & 0xFF);
}

bool TakeDatagram(FrameRecord& tx, std::span<std::uint8_t, kDatagramBytes> datagram) {
    return TakeFrameChunk(tx, datagram, tx.netLastChunk);
}

CNetPort::CNetPort(SocketCalls& calls)
    : m_calls(calls), m_sendTimeout(timing::kNetSocketTimeout), m_receiveTimeout(timing::kNetSocketTimeout) {}

CNetPort::~CNetPort() {
    Close();
}

int CNetPort::Ping(const std::string& address) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = 0;
    if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) {
        return PING_SEND_FAILED;
    }

    // An unprivileged ICMP datagram socket where the kernel allows it (it carries no IP header and the
    // kernel picks the identifier and filters the replies), else a raw socket.
    bool rawSocket = false;
    int fd = m_calls.Socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        fd = m_calls.Socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd < 0) {
            return errno == EPERM || errno == EACCES ? PING_REFUSED : PING_NO_SOCKET;
        }
        rawSocket = true;
    }
    SocketGuard guard(m_calls, fd);
    if (!SetTimeouts(m_calls, fd, timing::kPingTimeout, timing::kPingTimeout, true)) {
        return PING_NO_TIMEOUT;
    }

    std::array<std::uint8_t, kNetReceiveBytes> request{};
    std::array<std::uint8_t, kNetReceiveBytes> reply{};
    // Every test gets its own identifier and sequence numbers: a raw socket sees the ICMP traffic of
    // every program and thread of the machine. (A datagram socket's identifier is the kernel's, which
    // also hands it only its own replies.)
    static std::atomic<std::uint16_t> tests{0};
    const std::uint16_t test = tests.fetch_add(1);
    const auto identifier = static_cast<std::uint16_t>(::getpid() ^ (test * 0x9E37u));
    const auto firstSequence = static_cast<std::uint16_t>(test * kPingAttempts);
    auto echo = std::span(request).first<kEchoRequestBytes>();

    for (int attempt = 0; attempt < kPingAttempts; ++attempt) {
        const auto sequence = static_cast<std::uint16_t>(firstSequence + attempt);
        BuildEchoRequest(echo, identifier, sequence, TickCount());
        if (m_calls.SendTo(fd, echo.data(), echo.size(), reinterpret_cast<const sockaddr*>(&to), sizeof to) <
            0) {
            if (IsTimeout(errno)) {
                continue;
            }
            return PING_SEND_FAILED;
        }
        const auto deadline = std::chrono::steady_clock::now() + timing::Scaled(timing::kPingTimeout);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break; // next attempt
            }
            const timeval wait{static_cast<time_t>(left.count() / 1000000),
                               static_cast<suseconds_t>(left.count() % 1000000)};
            if (m_calls.SetOption(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0) {
                return PING_NO_TIMEOUT;
            }
            sockaddr_in from{};
            const ssize_t n = m_calls.ReceiveFrom(fd, reply.data(), reply.size(), from);
            if (n < 0) {
                if (IsTimeout(errno) || errno == EINTR) {
                    continue; // the deadline decides
                }
                return PING_RECEIVE_FAILED;
            }
            const int header = rawSocket ? (reply[0] & 0x0F) * 4 : 0;
            if (n < header + 8 || from.sin_addr.s_addr != to.sin_addr.s_addr) {
                continue;
            }
            const std::uint8_t* icmp = reply.data() + header;
            const auto replySequence = static_cast<std::uint16_t>(ReadLe16(icmp + 6) - firstSequence);
            if (icmp[0] != kEchoReply || (rawSocket && ReadLe16(icmp + 4) != identifier) ||
                replySequence > attempt) {
                continue; // not the answer to this test (a late one to its first attempt counts)
            }
            // A reply too short to carry the stamp counts from this attempt's own stamp.
            const std::uint32_t stamp = n >= header + 12 ? ReadLe32(icmp + 8) : ReadLe32(echo.data() + 8);
            const std::uint32_t elapsed = TickCount() - stamp;
            return elapsed > INT_MAX ? 0 : static_cast<int>(elapsed);
        }
    }
    return PING_NO_REPLY;
}

bool CNetPort::Open() {
    Close();
    const std::string address = DeviceAddress();
    if (Ping(address) == PING_NO_REPLY) {
        return false;
    }
    sockaddr_in device{};
    device.sin_family = AF_INET;
    device.sin_port = htons(static_cast<std::uint16_t>(DevicePort()));
    if (::inet_pton(AF_INET, address.c_str(), &device.sin_addr) != 1) {
        return false;
    }
    const int fd = m_calls.Socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        return false;
    }
    if (m_calls.Connect(fd, reinterpret_cast<const sockaddr*>(&device), sizeof device) != 0 ||
        !SetTimeouts(m_calls, fd, m_receiveTimeout, m_sendTimeout, false)) {
        m_calls.Close(fd);
        return false;
    }
    // Best effort: the system may cap it, and the link works with less.
    m_calls.SetOption(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    m_device = device;
    m_socket = fd;
    return true;
}

bool CNetPort::Start() {
    if (m_socket < 0 || m_thread.joinable()) {
        return false;
    }
    m_stopRequested = 0;
    m_failed = false;
    m_quitPauses.Clear();
    m_events.ResetAll();
    m_alive = 1; // set before the thread runs, so that an early Close still waits for it
    try {
        m_thread = std::thread(&CNetPort::Run, this);
    } catch (const std::system_error&) {
        m_alive = 0;
        return false;
    }
    m_events.Set(EV_PREPARE);
    return true;
}

void CNetPort::Close() {
    if (m_thread.joinable()) {
        m_stopRequested = 1;
        m_quitPauses.Request();
        while (m_alive) {
            m_events.Set(EV_QUIT);
            timing::Sleep(timing::kNetClosePoll);
        }
        m_thread.join();
        for (std::size_t e = EV_QUIT; e <= EV_RECEIVE; ++e) {
            m_events.Reset(e);
            timing::Sleep(timing::kNetCloseEventPause);
        }
    }
    // Also a socket that was opened but never started is released.
    CloseSocket();
    m_failed = false;
    m_stopRequested = 0;
    m_quitPauses.Clear();
}

void CNetPort::CloseSocket() {
    if (m_socket >= 0) {
        m_calls.Close(m_socket);
        m_socket = -1;
    }
}

void CNetPort::Run() {
    Model& model = TheModel();
    CSendDataQueue& queue = TheProtocol().Queue();
    FrameRecord& tx = model.frames.netTx; // this thread's own while it runs
    for (;;) {
        m_alive = 1;
        if (m_stopRequested) {
            break;
        }
        const int event = m_events.WaitAny(timing::Scaled(timing::kNetEventWait));
        if (event == EV_QUIT) {
            break;
        }
        // ImageLock only while the queue, the shadow or the records are touched; the socket calls and
        // the pauses run without it, so the window never waits for the link.
        switch (event) {
        case EV_PREPARE: {
            ImageLockGuard lock(ImageLock());
            PrepareNextFrame(model, tx);
            m_events.Reset(EV_PREPARE);
            m_events.Set(EV_SEND);
            break;
        }
        case EV_SEND:
            if (SendStep()) {
                m_events.Reset(EV_SEND);
                m_events.Set(EV_RECEIVE);
            } else {
                RetryStep();
            }
            break;
        case EV_RECEIVE:
            if (ReceiveStep()) {
                m_events.Set(EV_PREPARE);
            } else {
                m_events.Reset(EV_RECEIVE);
                RetryStep();
            }
            break;
        default: // time-out
            break;
        }
        bool backOff = false;
        {
            ImageLockGuard lock(ImageLock()); // the queue belongs to the lock
            backOff = !queue.IsEmpty() && tx.busy != 0;
        }
        if (backOff) {
            m_quitPauses.Pause(timing::kNetBusyBackoff);
        }
        m_quitPauses.Pause(timing::kNetCycleSleep);
    }
    m_alive = 0;
}

bool CNetPort::SendStep() {
    FrameRecord& tx = TheModel().frames.netTx;
    while (TakeDatagram(tx, m_datagram)) {
        if (m_calls.SendTo(m_socket, m_datagram.data(), m_datagram.size(), nullptr, 0) != kDatagramBytes) {
            return false;
        }
        m_quitPauses.Pause(timing::kNetDatagramPause);
    }
    if (tx.shortPause) {
        m_quitPauses.Pause(timing::kNetShortPause);
    }
    if (tx.longPause) {
        m_quitPauses.Pause(timing::kNetLongPause);
    }
    if (tx.busy) {
        m_quitPauses.Pause(timing::kNetBusyPause);
    }
    return true;
}

bool CNetPort::ReceiveStep() {
    const FrameRecord& rx = TheModel().frames.netRx;
    for (;;) {
        const ssize_t n = m_calls.Receive(m_socket, m_received.data(), m_received.size());
        if (n <= 0 || m_stopRequested) {
            return false;
        }
        int accepted = 0;
        bool refused = false;
        {
            ImageLockGuard lock(ImageLock()); // applying a reply changes the model
            accepted = TheProtocol().FeedBytes(TheModel(), TRANSPORT_NET, m_received.data(), static_cast<int>(n));
            refused = rx.error != 0;
        }
        if (refused) {
            return false;
        }
        if (accepted) {
            m_events.Reset(EV_RECEIVE);
            return true;
        }
    }
}

void CNetPort::RetryStep() {
    Model& model = TheModel();
    ImageLockGuard lock(ImageLock());
    const int failures = model.frames.netRx.failureCounter + 1;
    if (failures > kMaxNetFailures) {
        model.frames.netRx.failureCounter = static_cast<std::uint8_t>(std::min(failures, 255));
        m_events.Reset(EV_SEND);
        m_failed = true;
        Hooks().PostMessage(MSG_TRANSPORT_FAILED, TRANSPORT_NET, model.frames.netTx.rescanOnFailure);
        return;
    }
    ResetRecords(TRANSPORT_NET, false);
    model.frames.netRx.failureCounter = static_cast<std::uint8_t>(failures);
    m_events.Set(EV_SEND);
}

} // namespace kel
