// A program run in a child process (through /bin/sh, so the command may redirect), whose first line on
// standard output says where it serves. The child is terminated (SIGTERM) and waited for at the end.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kel::testkit {

class ChildProcess {
  public:
    explicit ChildProcess(const std::string& command) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const std::string cmd = "exec " + command;
            ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = ::fdopen(out[0], "r");
        char line[512] = {};
        if (m_out && std::fgets(line, sizeof line, m_out)) {
            m_firstLine = line;
            while (!m_firstLine.empty() && (m_firstLine.back() == '\n' || m_firstLine.back() == '\r')) {
                m_firstLine.pop_back();
            }
        }
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out) {
            std::fclose(m_out);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    const std::string& FirstLine() const { return m_firstLine; }

  private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
    std::string m_firstLine;
};

} // namespace kel::testkit
