// The engine's pseudo-terminal server: bytes in any pieces, replies written back whole or split.
#include "emulator/PtyServer.h"

#include "model/Timing.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
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

bool MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return false;
    }
    ::cfmakeraw(&t);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

PtyServer::PtyServer(DeviceEngine& engine, ServerOptions options) : m_engine(engine), m_options(options) {}

PtyServer::~PtyServer() {
    Stop();
}

bool PtyServer::Start(std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) {
            *error = why + ": " + std::strerror(errno);
        }
        Stop();
        return false;
    };
    if (m_thread.joinable()) {
        errno = EBUSY;
        return fail("already serving");
    }
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        return fail("posix_openpt");
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        return fail("grantpt/unlockpt");
    }
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        return fail("ptsname");
    }
    m_path = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        return fail("open " + m_path);
    }
    if (!MakeRaw(m_slave)) {
        return fail("raw mode");
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return fail("pipe");
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void PtyServer::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        const char b = 1;
        [[maybe_unused]] const ssize_t w = ::write(m_wake[1], &b, 1);
        m_thread.join();
    }
    for (int* fd : {&m_master, &m_slave, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void PtyServer::Write(const std::uint8_t* data, std::size_t size) {
    const auto deadline = std::chrono::steady_clock::now() + timing::Scaled(timing::kSimWriteWait);
    std::size_t pos = 0;
    while (pos < size && !m_stop) {
        const ssize_t n = ::write(m_master, data + pos, size - pos);
        if (n > 0) {
            pos += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return; // nobody reads: the reply is lost, as on a real line
        }
        pollfd p = {m_master, POLLOUT, 0};
        ::poll(&p, 1, Milliseconds(timing::kSimPiecePause));
    }
}

void PtyServer::Run() {
    std::vector<std::uint8_t> buffer(4096);
    while (!m_stop) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, Milliseconds(timing::kSimQuietGap));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready == 0) {
            m_engine.QuietGap(); // nothing for a while: a half-received frame is dropped
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
                timing::Sleep(timing::kSimPiecePause); // no reader on the other side yet
            }
            continue;
        }
        const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
        if (n <= 0) {
            continue;
        }
        const std::vector<std::uint8_t> reply =
            m_engine.Receive(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
        if (!m_options.splitReplies) {
            Write(reply.data(), reply.size());
            continue;
        }
        for (std::size_t pos = 0; pos < reply.size(); pos += kSplitPieceBytes) {
            Write(reply.data() + pos, std::min<std::size_t>(kSplitPieceBytes, reply.size() - pos));
            timing::Sleep(timing::kSimPiecePause);
        }
    }
}

} // namespace kel
