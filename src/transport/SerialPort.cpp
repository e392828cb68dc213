// The serial link's port set-up and its exchange thread, on a non-blocking termios descriptor.
#include "transport/SerialPort.h"

#include "model/AppHooks.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace kel {

namespace {

constexpr int kMaxEmptyPolls = 5;     // the sixth empty poll of one exchange counts as a failure
constexpr int kMaxSilentFailures = 2; // the third silent wait is reported
constexpr int kMaxReadFailures = 1;   // the second read error or refused reply is reported
constexpr const char* kErrorFormat = "WARNING:  %s Failed with the following error: \n%s\nPort: %d\n";
constexpr const char* kErrorCaption = "Application Error";

// Errors that mean the port or the device behind it is gone.
bool IsDeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EACCES;
}

timespec ToTimespec(std::chrono::nanoseconds d) {
    if (d.count() < 0) {
        d = std::chrono::nanoseconds(0);
    }
    return timespec{static_cast<time_t>(d.count() / 1000000000), static_cast<long>(d.count() % 1000000000)};
}

tcflag_t DataBitsFlag(int bits) {
    switch (bits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

tcflag_t ParityFlags(char letter) {
    switch (letter) {
    case 'E':
    case 'e':
        return PARENB;
    case 'O':
    case 'o':
        return PARENB | PARODD;
    case 'M':
    case 'm':
        return PARENB | PARODD | CMSPAR;
    case 'S':
    case 's':
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

// The line speed constant of a baud rate; B0 (refused by the port set-up) for a rate termios lacks.
speed_t SpeedOf(int baud) {
    struct Rate {
        int baud;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},
                                      {9600, B9600},     {19200, B19200},   {38400, B38400},
                                      {57600, B57600},   {115200, B115200}, {230400, B230400},
                                      {460800, B460800}, {921600, B921600}};
    for (const Rate& r : kRates) {
        if (r.baud == baud) {
            return r.speed;
        }
    }
    return B0;
}

std::uint8_t Saturated(int n) {
    return static_cast<std::uint8_t>(std::min(n, 255));
}

} // namespace

int PortNumberOf(const std::string& portName) {
    std::size_t start = portName.size();
    while (start > 0 && portName[start - 1] >= '0' && portName[start - 1] <= '9') {
        --start;
    }
    // Nine digits at most: the number only labels the error box.
    const std::size_t first = std::max(start, portName.size() >= 9 ? portName.size() - 9 : std::size_t{0});
    int number = 0;
    for (std::size_t i = first; i < portName.size(); ++i) {
        number = number * 10 + (portName[i] - '0');
    }
    return number;
}

std::string SerialErrorText(const std::string& operation, int error, int portNumber) {
    char reason[256];
    const char* text = ::strerror_r(error, reason, sizeof reason);
    char box[kSerialErrorTextMax + 1];
    std::snprintf(box, sizeof box, kErrorFormat, operation.c_str(), text, portNumber);
    return box;
}

CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::Open(const std::string& path, int baud, char parity, int dataBits, int stopBits,
                       int eventMask, int bufferSize) {
    Close();
    m_bufferSize = bufferSize > 0 ? bufferSize : kSerialBufferSize;
    m_readBuffer.assign(static_cast<std::size_t>(m_bufferSize), 0);
    m_eventMask = eventMask;
    m_events.ResetAll();
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        return false;
    }

    std::lock_guard port(m_portLock);
    m_portNumber = PortNumberOf(path);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    // Absent, not a device, or held by another program: silently not this port.
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        ::close(m_wakeFd);
        m_wakeFd = -1;
        return false;
    }
    ::ioctl(fd, TIOCEXCL); // keeps other programs from opening the port while we hold it
    m_fd = fd;

    termios line{};
    if (::tcgetattr(fd, &line) != 0) {
        ShowError("GetCommState()", errno);
    } else {
        ::cfmakeraw(&line);
        line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        line.c_cflag |= CLOCAL | CREAD | DataBitsFlag(dataBits) | ParityFlags(parity);
        if (stopBits == 1 || stopBits == 2) {
            line.c_cflag |= CSTOPB; // one and a half stop bits do not exist here: two
        }
        line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        line.c_cc[VMIN] = 0;
        line.c_cc[VTIME] = 0;
        const speed_t speed = SpeedOf(baud);
        if (speed == B0) {
            ShowError("SetCommState()", EINVAL);
        } else if (::cfsetispeed(&line, speed) != 0 || ::cfsetospeed(&line, speed) != 0 ||
                   ::tcsetattr(fd, TCSANOW, &line) != 0) {
            ShowError("SetCommState()", errno);
        }
        int rts = TIOCM_RTS;
        ::ioctl(fd, TIOCMBIS, &rts); // a pseudo-terminal has no modem lines: no error for that
    }
    Purge();
    return true;
}

bool CSerialPort::Start() {
    if (m_fd < 0 || m_thread.joinable()) {
        return false;
    }
    m_stopRequested = 0;
    m_failed = false;
    m_quitPauses.Clear();
    m_alive = 1;
    try {
        m_thread = std::thread(&CSerialPort::Run, this);
    } catch (const std::system_error&) {
        m_alive = 0;
        return false;
    }
    m_events.Reset(EV_SEND);
    Signal(EV_PREPARE);
    return true;
}

void CSerialPort::Close() {
    if (m_thread.joinable()) {
        m_quitPauses.Request();
        Signal(EV_QUIT);
        m_thread.join();
    }
    m_events.ResetAll();
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
    m_stopRequested = 0;
    m_alive = 0;
    m_failed = false;
    m_quitPauses.Clear();
}

void CSerialPort::Signal(Event e) {
    m_events.Set(e);
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

int CSerialPort::Wait(int baseMs) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + timing::Scaled(baseMs);
    for (;;) {
        // The events come first, in their order; the port only while none is set.
        const int event = m_events.WaitAny(std::chrono::microseconds(0));
        if (event >= 0) {
            return event;
        }
        const auto remaining = deadline - clock::now();
        if (remaining <= clock::duration::zero()) {
            return WAKE_TIMEOUT;
        }
        pollfd watched[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const timespec limit = ToTimespec(remaining);
        const int ready = ::ppoll(watched, 2, &limit, nullptr);
        if (ready < 0 && errno != EINTR) {
            return WAKE_TIMEOUT;
        }
        if (watched[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
            continue;
        }
        if (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            return WAKE_PORT_GONE;
        }
        if (watched[0].revents & POLLIN) {
            return WAKE_PORT;
        }
    }
}

void CSerialPort::Run() {
    Model& model = TheModel();
    {
        std::lock_guard port(m_portLock);
        Purge();
    }
    for (;;) {
        m_alive = 1;
        if (m_stopRequested) {
            break;
        }
        int waitMs = timing::kSerialWaitIdle;
        {
            ImageLockGuard lock(ImageLock());
            const FrameRecord& tx = model.frames.serialTx;
            if (tx.replyPending) {
                waitMs = tx.shortPause ? timing::kSerialWaitShortPause : timing::kSerialWaitReply;
            }
        }
        const int wake = Wait(waitMs);
        if (wake == EV_QUIT) {
            break;
        }
        // ImageLock only while the queue, the shadow or the records are touched; the port's writes,
        // reads and waits and the pauses run without it, so the window never waits for the link.
        switch (wake) {
        case EV_SEND:
            WriteStep();
            break;
        case EV_PREPARE: {
            ImageLockGuard lock(ImageLock());
            PrepareNextFrame(model, model.frames.serialTx);
            m_events.Reset(EV_PREPARE);
            Signal(EV_SEND);
            break;
        }
        case WAKE_PORT:
            ReceiveStep();
            break;
        case WAKE_PORT_GONE:
            ReportFailure();
            break;
        default: // time-out
        {
            std::lock_guard port(m_portLock);
            BytesWaiting();
        }
            ReceiveStep();
            break;
        }
        m_quitPauses.Pause(timing::kSerialLoopSleep);
    }
    m_alive = 0;
}

void CSerialPort::WriteStep() {
    using clock = std::chrono::steady_clock;
    Model& model = TheModel();
    FrameRecord& tx = model.frames.serialTx;
    std::lock_guard port(m_portLock);
    m_events.Reset(EV_SEND);
    Purge(); // drops what arrived after the last reply was accepted

    const std::uint8_t* next = tx.frame;
    auto left = static_cast<std::size_t>(std::clamp(tx.Length(), 0, kFrameBytes));
    const auto deadline = clock::now() + timing::Scaled(timing::kSerialWriteWait);
    while (left > 0) {
        const ssize_t n = ::write(m_fd, next, left);
        if (n > 0) {
            next += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const auto remaining = deadline - clock::now();
            if (remaining <= clock::duration::zero()) {
                ShowError("GetOverlappedResults() in WriteFile()", ETIMEDOUT);
                break;
            }
            pollfd out{m_fd, POLLOUT, 0};
            const timespec limit = ToTimespec(remaining);
            ::ppoll(&out, 1, &limit, nullptr);
            continue;
        }
        ReportFailure(); // the port refused the write: gone or broken
        return;
    }
    // The written frame stays in the driver; a purge here could cut it off or discard a fast reply.
    {
        ImageLockGuard lock(ImageLock());
        tx.replyPending = 1;
        model.frames.serialRx.replyPending = 1;
    }
    if (tx.shortPause) {
        m_quitPauses.Pause(timing::kSerialShortPause);
    }
    if (tx.longPause) {
        m_quitPauses.Pause(timing::kSerialLongPause);
    }
}

void CSerialPort::ReceiveStep() {
    FrameRecord& rx = TheModel().frames.serialRx;
    // A read error or a refused reply: resend once, report the second time. Called with ImageLock held.
    auto readFailure = [&] {
        const int failures = rx.failureCounter + 1;
        if (failures > kMaxReadFailures) {
            rx.failureCounter = Saturated(failures);
            ReportFailure();
            return;
        }
        ResetRecords(TRANSPORT_SERIAL, false);
        rx.failureCounter = Saturated(failures);
        Signal(EV_SEND);
    };

    for (;;) {
        if (m_events.IsSet(EV_QUIT)) {
            return;
        }
        int waiting = 0;
        {
            std::lock_guard port(m_portLock);
            waiting = BytesWaiting();
        }
        if (waiting < 0) {
            return;
        }
        if (waiting == 0) {
            bool retried = false;
            {
                ImageLockGuard lock(ImageLock());
                rx.emptyPolls = Saturated(rx.emptyPolls + 1);
                if (rx.emptyPolls > kMaxEmptyPolls) {
                    const int failures = rx.failureCounter + 1;
                    if (failures > kMaxSilentFailures) {
                        ReportFailure();
                        ResetRecords(TRANSPORT_SERIAL, true);
                    } else {
                        ResetRecords(TRANSPORT_SERIAL, false);
                        rx.failureCounter = Saturated(failures);
                        Signal(EV_SEND); // the whole frame is written again
                    }
                    retried = true;
                }
            }
            if (retried) {
                return;
            }
            m_quitPauses.Pause(timing::kSerialEmptyPollSleep);
        }

        ssize_t n = 0;
        int readError = 0;
        {
            std::lock_guard port(m_portLock);
            n = ::read(m_fd, m_readBuffer.data(), m_readBuffer.size());
            readError = n < 0 ? errno : 0;
        }
        if (n < 0) {
            if (IsDeviceGone(readError)) {
                ImageLockGuard lock(ImageLock());
                readFailure();
                return;
            }
            n = 0; // nothing there yet
        }
        // Only the bytes actually read go to the parser.
        int accepted = 0;
        {
            ImageLockGuard lock(ImageLock()); // applying a reply changes the model
            accepted = n > 0 ? TheProtocol().FeedBytes(TheModel(), TRANSPORT_SERIAL, m_readBuffer.data(),
                                                       static_cast<int>(n))
                             : 0;
            if (!accepted && rx.error) {
                readFailure();
                return;
            }
        }
        if (accepted) {
            std::lock_guard port(m_portLock);
            BytesWaiting();
            Signal(EV_PREPARE);
            Purge();
            return;
        }
    }
}

int CSerialPort::BytesWaiting() {
    int waiting = 0;
    return ::ioctl(m_fd, FIONREAD, &waiting) == 0 ? waiting : -1;
}

void CSerialPort::Purge() {
    ::tcflush(m_fd, TCIOFLUSH);
}

void CSerialPort::ReportFailure() {
    m_stopRequested = 1;
    m_failed = true;
    ImageLockGuard lock(ImageLock());
    Hooks().PostMessage(MSG_TRANSPORT_FAILED, TRANSPORT_SERIAL, TheModel().frames.serialTx.rescanOnFailure);
}

void CSerialPort::ShowError(const char* operation, int error) const {
    // Handed to the window's thread by the hooks; never waits for the user.
    Hooks().MessageBox(SerialErrorText(operation, error, m_portNumber), kErrorCaption, BoxIcon::Error);
}

} // namespace kel
