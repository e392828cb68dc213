// The network link: ICMP reachability test, then frames in 256-byte UDP datagrams to the device's port.
#pragma once

#include "protocol/FrameRecord.h"
#include "transport/EventSet.h"
#include "transport/StopSignal.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <netinet/in.h>
#include <span>
#include <string>
#include <sys/socket.h>
#include <sys/types.h>
#include <thread>

namespace kel {

// Results of CNetPort::Ping below zero; zero or more is the round trip in milliseconds.
enum PingCode : int {
    PING_NO_LIBRARY = -1,     // the sockets library could not be started (not used on this platform)
    PING_REFUSED = -2,        // the ICMP socket was refused for lack of rights
    PING_NO_SOCKET = -3,      // the ICMP socket could not be created for another reason
    PING_NO_TIMEOUT = -4,     // a socket time-out could not be set
    PING_NO_BUFFER = -5,      // a buffer could not be allocated (not used: the buffers are fixed)
    PING_SEND_FAILED = -6,    // sending failed with an error other than a time-out
    PING_RECEIVE_FAILED = -7, // receiving failed with an error other than a time-out
    PING_NO_REPLY = -8,       // no matching echo reply in two attempts
};

inline constexpr int kDatagramBytes = 256;
inline constexpr int kNetReceiveBytes = 1024;
inline constexpr int kEchoRequestBytes = 44;

// The socket calls of the network link. Tests stand in for the network with their own.
class SocketCalls {
  public:
    virtual ~SocketCalls() = default;
    virtual int Socket(int domain, int type, int protocol) = 0;
    virtual int SetOption(int fd, int level, int name, const void* value, socklen_t length) = 0;
    virtual int Connect(int fd, const sockaddr* address, socklen_t length) = 0;
    // to == nullptr: send on the connected socket.
    virtual ssize_t SendTo(int fd, const void* bytes, std::size_t n, const sockaddr* to,
                           socklen_t length) = 0;
    virtual ssize_t Receive(int fd, void* bytes, std::size_t n) = 0;
    // Receive with the sender's address (the reachability test matches it).
    virtual ssize_t ReceiveFrom(int fd, void* bytes, std::size_t n, sockaddr_in& from) = 0;
    virtual int Close(int fd) = 0;
};

// The operating system's sockets.
SocketCalls& SystemSocketCalls();

// RFC 1071 Internet checksum (one's complement of the one's-complement sum of 16-bit words).
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);
// The 44-byte echo request; identifier, sequence and time stamp least significant byte first.
void BuildEchoRequest(std::span<std::uint8_t, kEchoRequestBytes> packet, std::uint16_t identifier,
                      std::uint16_t sequence, std::uint32_t stamp);

// The packetiser: the next 256-byte datagram of the TX record's frame, zero-padded; false when the
// whole frame has been taken. Advances the send position and sets the last-chunk flag.
bool TakeDatagram(FrameRecord& tx, std::span<std::uint8_t, kDatagramBytes> datagram);

class CNetPort {
  public:
    explicit CNetPort(SocketCalls& calls = SystemSocketCalls());
    ~CNetPort();
    CNetPort(const CNetPort&) = delete;
    CNetPort& operator=(const CNetPort&) = delete;

    // ICMP echo test of a dotted-decimal IPv4 address: round trip in ms, or a PingCode. Only an echo
    // reply from that address carrying this test's identifier and one of its sequence numbers counts;
    // any other packet (another program's or another test's, the request itself) is passed over and
    // the attempt keeps waiting until its time-out. Safe to run in several threads at once.
    int Ping(const std::string& address);
    // Reachability test, then the UDP socket connected to the device address and port of the link
    // settings. Only "no echo reply" (-8) of the test stops it; a test that cannot run is skipped.
    bool Open();
    // Begins the transmit thread; the first cycle looks for a frame at once. False without an open
    // socket or when the thread cannot be started.
    bool Start();
    // Stops the thread (returns after it ended) and releases the socket. Never call with ImageLock held.
    void Close();

    bool IsOpen() const { return m_socket >= 0; }
    bool IsRunning() const { return m_thread.joinable(); }
    // True once the running thread has posted MSG_TRANSPORT_FAILED; cleared by Start and Close, so a
    // failure message still queued from an earlier run can be told apart.
    bool HasFailed() const { return m_failed.load(); }

  private:
    enum Event : std::size_t { EV_QUIT, EV_PREPARE, EV_SEND, EV_RECEIVE };

    void Run();
    bool SendStep();
    bool ReceiveStep();
    void RetryStep();
    void CloseSocket();

    SocketCalls& m_calls;
    int m_socket = -1;
    sockaddr_in m_device{};
    std::thread m_thread;
    EventSet<4> m_events;
    std::atomic<int> m_alive{0};
    std::atomic<int> m_stopRequested{0};
    std::atomic<bool> m_failed{false};
    StopSignal m_quitPauses; // wakes the thread's pauses when Close runs
    int m_sendTimeout;
    int m_receiveTimeout;
    std::array<std::uint8_t, kDatagramBytes> m_datagram{};
    std::array<std::uint8_t, kNetReceiveBytes> m_received{};
};

} // namespace kel
