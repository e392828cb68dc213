// Test kit for the links: recording hooks, stand-in devices on loopback UDP and a pseudo-terminal.
#include "LinkTestKit.h"

#include "model/Model.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "support/ProcessState.h"
#include "transport/LinkSettings.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kel::test {

namespace {

int CountEntries(const char* folder) {
    int n = 0;
    if (DIR* dir = ::opendir(folder)) {
        while (const dirent* e = ::readdir(dir)) {
            n += e->d_name[0] != '.';
        }
        ::closedir(dir);
    }
    return n;
}

std::uint8_t Sum(const std::vector<std::uint8_t>& frame) {
    unsigned sum = 0;
    for (std::size_t i = 2; i + 1 < frame.size(); ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint8_t>(sum);
}

} // namespace

void RecordingHooks::PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    std::lock_guard lock(m_mutex);
    m_posted.push_back({message, wParam, lParam});
}

void RecordingHooks::MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) {
    std::lock_guard lock(m_mutex);
    m_boxes.push_back({text, caption, icon});
}

std::vector<RecordingHooks::Posted> RecordingHooks::Messages(int message) const {
    std::lock_guard lock(m_mutex);
    std::vector<Posted> found;
    for (const Posted& p : m_posted) {
        if (p.message == message) {
            found.push_back(p);
        }
    }
    return found;
}

std::vector<RecordingHooks::Box> RecordingHooks::Boxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::vector<std::uint8_t> MakeFrame(int count, std::uint8_t type) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(count) + 4, 0);
    frame[0] = 0xFF;
    frame[1] = 0x55;
    frame[2] = static_cast<std::uint8_t>(count & 0xFF);
    frame[3] = static_cast<std::uint8_t>(count >> 8);
    frame[4] = type;
    frame.back() = Sum(frame);
    return frame;
}

std::vector<std::uint8_t> AckDevice::Receive(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint8_t> replies;
    for (const std::uint8_t b : bytes) {
        // Hunt for the header; the zero padding of datagrams falls away here.
        if (m_partial.empty() && b != 0xFF) {
            continue;
        }
        if (m_partial.size() == 1 && b != 0x55) {
            m_partial.clear();
            if (b == 0xFF) {
                m_partial.push_back(b);
            }
            continue;
        }
        m_partial.push_back(b);
        if (m_partial.size() < 4) {
            continue;
        }
        const std::size_t count = m_partial[2] | (m_partial[3] << 8);
        if (count < 1 || count > 4202) {
            m_partial.clear();
            continue;
        }
        if (m_partial.size() < count + 4) {
            continue;
        }
        m_frames.push_back(m_partial);
        const int n = static_cast<int>(m_frames.size());
        const std::uint8_t type = m_partial[4];
        m_partial.clear();
        const bool inRun = n >= m_faults.runFrom && n < m_faults.runFrom + m_faults.runLength;
        if ((m_faults.silentAfter >= 0 && n > m_faults.silentAfter) ||
            (m_faults.dropEvery > 0 && n % m_faults.dropEvery == 0) || (inRun && !m_faults.runCorrupt)) {
            continue;
        }
        std::vector<std::uint8_t> ack = MakeFrame(3, type);
        if ((m_faults.corruptEvery > 0 && n % m_faults.corruptEvery == 0) || (inRun && m_faults.runCorrupt)) {
            ack.back() ^= 0x5A;
        }
        replies.insert(replies.end(), ack.begin(), ack.end());
    }
    return replies;
}

std::vector<std::vector<std::uint8_t>> AckDevice::Frames() const {
    std::lock_guard lock(m_mutex);
    return m_frames;
}

int AckDevice::FrameCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_frames.size());
}

UdpTestServer::UdpTestServer(DeviceFn device) : m_device(std::move(device)) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("no loopback UDP socket");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&UdpTestServer::Run, this);
}

UdpTestServer::~UdpTestServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_fd);
}

std::vector<std::vector<std::uint8_t>> UdpTestServer::Datagrams() const {
    std::lock_guard lock(m_mutex);
    return m_datagrams;
}

void UdpTestServer::Run() {
    std::vector<std::uint8_t> buffer(65536);
    while (!m_stop) {
        pollfd in{m_fd, POLLIN, 0};
        if (::poll(&in, 1, 20) <= 0) {
            continue;
        }
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n =
            ::recvfrom(m_fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n <= 0) {
            continue;
        }
        const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(n));
        {
            std::lock_guard lock(m_mutex);
            m_datagrams.emplace_back(bytes.begin(), bytes.end());
        }
        const std::vector<std::uint8_t> reply = m_device(bytes);
        if (!reply.empty()) {
            ::sendto(m_fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }
}

PtyTestServer::PtyTestServer(DeviceFn device) : m_device(std::move(device)) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    m_master = master;
    m_slavePath = name;
    m_thread = std::thread(&PtyTestServer::Run, this);
}

PtyTestServer::~PtyTestServer() {
    m_stop = true;
    m_thread.join();
    if (m_master >= 0) {
        ::close(m_master);
    }
}

std::vector<std::vector<std::uint8_t>> PtyTestServer::Reads() const {
    std::lock_guard lock(m_mutex);
    return m_reads;
}

void PtyTestServer::Unplug() {
    // The serving thread closes the master itself, so that it never polls a reused descriptor.
    m_unplug = true;
    WaitUntil([this] { return m_master < 0; }, std::chrono::seconds(5));
}

void PtyTestServer::Run() {
    std::vector<std::uint8_t> buffer(8192);
    while (!m_stop) {
        if (m_unplug && m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
        const int master = m_master;
        if (master < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd in{master, POLLIN, 0};
        if (::poll(&in, 1, 20) <= 0) {
            continue;
        }
        if (!(in.revents & POLLIN)) {
            // No slave open yet (or any more): the master reports a hang-up until one opens.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const ssize_t n = ::read(master, buffer.data(), buffer.size());
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(n));
        {
            std::lock_guard lock(m_mutex);
            m_reads.emplace_back(bytes.begin(), bytes.end());
        }
        const std::vector<std::uint8_t> reply = m_device(bytes);
        if (!reply.empty()) {
            [[maybe_unused]] const ssize_t written = ::write(master, reply.data(), reply.size());
        }
    }
}

namespace {
std::optional<ProcessState> g_linkState; // the state of the link test running now
}

void PrepareLink(int transport, RecordingHooks& hooks, double scale) {
    g_linkState.reset();
    g_linkState.emplace(ProcessSetup{.timingScale = scale,
                                     .hooks = &hooks,
                                     .transport = static_cast<TransportType>(transport),
                                     .shadowInStep = true});
}

void ReleaseLink() {
    g_linkState.reset();
    ResetLinkSettings();
}

std::vector<int> FrameTypes(const AckDevice& device) {
    std::vector<int> types;
    for (const auto& frame : device.Frames()) {
        types.push_back(frame[4]);
    }
    return types;
}

bool PollsAlternate(const std::vector<int>& types) {
    int expected = 12;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (i > 0 && types[i] == types[i - 1]) {
            continue; // a retry of the same exchange
        }
        if (types[i] != expected) {
            return false;
        }
        expected = expected == 12 ? 24 : 12;
    }
    return true;
}

int OpenDescriptorCount() {
    return CountEntries("/proc/self/fd");
}
int ThreadCount() {
    return CountEntries("/proc/self/task");
}

} // namespace kel::test
