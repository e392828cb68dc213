// kelvane-sim in a child process.
#include "SimProcess.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace kel::testkit {

SimProcess::SimProcess(const std::string& sim, const std::string& args) {
    int out[2];
    if (::pipe(out) != 0) {
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const std::string cmd = "exec " + sim + " " + args;
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    m_out = ::fdopen(out[0], "r");
    char line[256] = {};
    if (m_out && std::fgets(line, sizeof line, m_out)) {
        m_where = line;
        while (!m_where.empty() && (m_where.back() == '\n' || m_where.back() == '\r')) {
            m_where.pop_back();
        }
    }
}

SimProcess::~SimProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out) {
        std::fclose(m_out);
    }
}

} // namespace kel::testkit
