// Child processes in their own process groups, watched with poll(2): their output through pipes, the
// stop signals through a signalfd, the time limits through the poll time-out.
#include "cli/ProcessPool.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kel::cli {

namespace {

using Clock = std::chrono::steady_clock;

// What is kept of each stream: its end, where a room's result line and last message are.
constexpr std::size_t kOutTail = 16u << 20; // a result is one line; long meter runs make it long
constexpr std::size_t kErrTail = 4096;
constexpr auto kProgressEvery = std::chrono::milliseconds(200);

struct Child {
    std::size_t index;
    pid_t pid;
    std::array<int, 2> fds; // stdout, stderr; -1 once at end
    Clock::time_point start;
    bool killed = false;
    ChildOutcome outcome;
};

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Forks and execs one command line in a new process group; stdout and stderr into pipes, stdin from
// /dev/null. A child that cannot exec says so on stderr and exits 127.
bool Start(const std::vector<std::string>& argv, const sigset_t& childMask, Child& child) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the fleet
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::sigprocmask(SIG_SETMASK, &childMask, nullptr);
        ::execv(args[0], args.data());
        const std::string why = std::string("cannot run ") + args[0] + ": " + std::strerror(errno) + "\n";
        [[maybe_unused]] const auto n = ::write(STDERR_FILENO, why.data(), why.size());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        ::close(out[0]);
        ::close(err[0]);
        return false;
    }
    ::setpgid(pid, pid); // also here, so that a kill never races the child's own call
    child.pid = pid;
    child.fds = {out[0], err[0]};
    child.start = Clock::now();
    child.outcome.started = true;
    return true;
}

void Drain(Child& child, int which) {
    std::array<char, 8192> buffer;
    const ssize_t n = ::read(child.fds[which], buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (n <= 0) {
        CloseFd(child.fds[which]);
        return;
    }
    std::string& text = which == 0 ? child.outcome.out : child.outcome.err;
    const std::size_t keep = which == 0 ? kOutTail : kErrTail;
    text.append(buffer.data(), static_cast<std::size_t>(n));
    if (text.size() > keep) {
        text.erase(0, text.size() - keep);
    }
}

// True once the child has been reaped (its outcome complete).
bool Reap(Child& child) {
    if (child.fds[0] >= 0 || child.fds[1] >= 0) {
        return false;
    }
    int status = 0;
    const pid_t got = ::waitpid(child.pid, &status, WNOHANG);
    if (got == 0 || (got < 0 && errno == EINTR)) {
        return false;
    }
    if (got == child.pid) {
        if (WIFEXITED(status)) {
            child.outcome.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            child.outcome.signal = WTERMSIG(status);
        }
    }
    child.outcome.seconds = std::chrono::duration<double>(Clock::now() - child.start).count();
    return true;
}

} // namespace

void ProcessPool::Run(const std::vector<std::vector<std::string>>& commands,
                      const std::function<void(const ChildOutcome&)>& onDone,
                      const std::function<void(int running, int done)>& onProgress) {
    // The stop signals arrive through a descriptor; the children get the mask the fleet started with.
    sigset_t stops, previous;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &stops, &previous);
    const int signals = ::signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0) {
        ::sigprocmask(SIG_SETMASK, &previous, nullptr); // no descriptor: leave the signals as they were
    }

    std::list<Child> running;
    std::size_t next = 0;
    int done = 0;
    auto finish = [&](ChildOutcome outcome) {
        ++done;
        onDone(outcome);
    };
    auto lastProgress = Clock::now() - kProgressEvery;
    int reported = -1;
    while (next < commands.size() || !running.empty()) {
        while (!m_interrupted && next < commands.size() && static_cast<int>(running.size()) < m_jobs) {
            Child child{next, -1, {-1, -1}, {}, false, {}};
            child.outcome.index = next;
            if (Start(commands[next], previous, child)) {
                running.push_back(std::move(child));
            } else {
                child.outcome.err = std::string("cannot start a process: ") + std::strerror(errno);
                finish(child.outcome);
            }
            ++next;
        }
        if (m_interrupted) {
            for (; next < commands.size(); ++next) {
                ChildOutcome never;
                never.index = next;
                finish(never);
            }
        }
        if (Clock::now() - lastProgress >= kProgressEvery || done != reported) {
            onProgress(static_cast<int>(running.size()), done);
            lastProgress = Clock::now();
            reported = done;
        }

        std::vector<pollfd> fds;
        std::vector<std::pair<Child*, int>> owners;
        if (signals >= 0) {
            fds.push_back({signals, POLLIN, 0});
            owners.emplace_back(nullptr, 0);
        }
        auto wait = kProgressEvery;
        const auto now = Clock::now();
        for (Child& c : running) {
            for (int which = 0; which < 2; ++which) {
                if (c.fds[which] >= 0) {
                    fds.push_back({c.fds[which], POLLIN, 0});
                    owners.emplace_back(&c, which);
                }
            }
            if (c.fds[0] < 0 && c.fds[1] < 0) {
                wait = std::chrono::milliseconds(20); // output closed, not yet exited
            }
            if (!c.killed) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(c.start + m_limit - now);
                wait = std::clamp(left + std::chrono::milliseconds(1), std::chrono::milliseconds(0), wait);
            }
        }
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
        for (std::size_t i = 0; ready > 0 && i < fds.size(); ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            if (owners[i].first == nullptr) {
                signalfd_siginfo info{};
                while (::read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                    m_interrupted = true;
                }
            } else {
                Drain(*owners[i].first, owners[i].second);
            }
        }

        const auto after = Clock::now();
        for (auto it = running.begin(); it != running.end();) {
            Child& c = *it;
            if (!c.killed && (m_interrupted || after >= c.start + m_limit)) {
                ::kill(-c.pid, SIGKILL); // the whole group: anything the room's process started too
                c.killed = true;
                c.outcome.timedOut = !m_interrupted;
            }
            if (Reap(c)) {
                finish(c.outcome);
                it = running.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (signals >= 0) {
        ::close(signals);
    }
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
}

} // namespace kel::cli
