// The engine's servers' shared loop.
#include "emulator/ServerLoop.h"

#include "model/Timing.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kel {

int ScaledPollMs(int baseMs) {
    const auto us = timing::Scaled(baseMs).count();
    return static_cast<int>(std::max<long long>(1, us / 1000));
}

ServerLoop::~ServerLoop() {
    Stop();
}

bool ServerLoop::Start(int fd, Handlers handlers, std::string* error) {
    if (m_thread.joinable()) {
        if (error != nullptr) {
            *error = "already serving";
        }
        return false;
    }
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error != nullptr) {
            *error = std::string("pipe: ") + std::strerror(errno);
        }
        return false;
    }
    m_fd = fd;
    m_handlers = std::move(handlers);
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void ServerLoop::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        const char b = 1;
        [[maybe_unused]] const ssize_t w = ::write(m_wake[1], &b, 1);
        m_thread.join();
    }
    for (int* fd : {&m_wake[0], &m_wake[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void ServerLoop::Run() {
    while (!m_stop) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, ScaledPollMs(timing::kSimQuietGap));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready == 0) {
            m_handlers.quiet(); // nothing for a while: a half-received frame is dropped
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            m_handlers.readable();
        } else if ((fds[0].revents & (POLLHUP | POLLERR)) != 0 && m_handlers.hangup) {
            m_handlers.hangup();
        }
    }
}

} // namespace kel
