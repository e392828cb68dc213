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

#include <array>
#include <chrono>
#include <vector>

namespace kel {

namespace {

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
    if (m_loop.Running()) {
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
    const auto noReader = [] { timing::Sleep(timing::kSimPiecePause); }; // no reader on the other side yet
    std::string why;
    if (!m_loop.Start(m_master, {[this] { OnReadable(); }, [this] { m_engine.QuietGap(); }, noReader},
                      &why)) {
        errno = EAGAIN;
        return fail(why);
    }
    return true;
}

void PtyServer::Stop() {
    m_loop.Stop();
    for (int* fd : {&m_master, &m_slave}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void PtyServer::Write(const std::uint8_t* data, std::size_t size) {
    const auto deadline = std::chrono::steady_clock::now() + timing::Scaled(timing::kSimWriteWait);
    std::size_t pos = 0;
    while (pos < size && !m_loop.Stopping()) {
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
        ::poll(&p, 1, ScaledPollMs(timing::kSimPiecePause));
    }
}

void PtyServer::OnReadable() {
    std::array<std::uint8_t, 4096> buffer;
    const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
    if (n <= 0) {
        return;
    }
    const std::vector<std::uint8_t> reply =
        m_engine.Receive(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
    if (!m_options.splitReplies) {
        Write(reply.data(), reply.size());
        return;
    }
    ForEachPiece(reply, kSplitPieceBytes, [&](std::span<const std::uint8_t> piece) {
        Write(piece.data(), piece.size());
        timing::Sleep(timing::kSimPiecePause);
    });
}

} // namespace kel
