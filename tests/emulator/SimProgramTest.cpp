// The kelvane-sim program: it prints where it listens and answers there.
#include "protocol/FrameBytes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace kel {
namespace {

using test::Bytes;
using test::MakeFrame;

// A kelvane-sim child with its stdout on a pipe; stopped with SIGTERM at the end.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), KELVANE_SIM_PATH);
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
    }
    ~SimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
    }
    // One line of its stdout, waiting up to 5 seconds.
    std::string Line() {
        std::string line;
        char c = 0;
        while (true) {
            pollfd p = {m_out, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0 || ::read(m_out, &c, 1) != 1 || c == '\n') {
                return line;
            }
            line += c;
        }
    }
    bool Running() const { return m_pid > 0; }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
};

Bytes ReadFrom(int fd, std::size_t total, int timeoutMs) {
    Bytes got;
    while (got.size() < total) {
        pollfd p = {fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) {
            break;
        }
        std::uint8_t buf[1024];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

TEST(SimProgram, AnswersAnIdentifyDatagram) {
    SimProcess sim(
        {"--udp", "127.0.0.1:0", "--capability", "0", "--store-permission", "1", "--noise", "ff03"});
    ASSERT_TRUE(sim.Running());
    const std::string where = sim.Line();
    ASSERT_EQ(where.rfind("127.0.0.1:", 0), 0u) << where;
    const int port = std::stoi(where.substr(10));

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &sa.sin_addr);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    Bytes datagram = MakeFrame(127, {0});
    datagram.resize(256, 0);
    ASSERT_EQ(::send(fd, datagram.data(), datagram.size(), 0), 256);
    Bytes expected = {0xFF, 0x03}; // the noise asked for, ahead of the reply
    const Bytes reply = MakeFrame(127, {0, 1});
    expected.insert(expected.end(), reply.begin(), reply.end());
    EXPECT_EQ(ReadFrom(fd, 9, 2000), expected);
    ::close(fd);
}

TEST(SimProgram, SerialPrintsAUsablePseudoTerminal) {
    SimProcess sim({"--serial", "--trace"});
    ASSERT_TRUE(sim.Running());
    const std::string path = sim.Line();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const Bytes identify = MakeFrame(127, {0});
    ASSERT_EQ(::write(fd, identify.data(), identify.size()), static_cast<ssize_t>(identify.size()));
    EXPECT_EQ(ReadFrom(fd, 7, 2000), MakeFrame(127, {1, 1}));
    EXPECT_EQ(sim.Line(), "frame type 127 index 0 count 3");
    ::close(fd);
}

TEST(SimProgram, RefusesWrongUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--udp", "192.0.2.1:8233"},
                                                 {"--udp", "nonsense"},
                                                 {"--bogus"},
                                                 {"--noise", "F"},
                                                 {"--noise", "zz"}}) {
        std::vector<std::string> all = args;
        all.insert(all.begin(), KELVANE_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << args[0];
        EXPECT_EQ(WEXITSTATUS(status), 2) << args[0];
    }
}

} // namespace
} // namespace kel
