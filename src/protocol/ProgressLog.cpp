// The "ss.txt" progress log.
#include "protocol/ProgressLog.h"

namespace kel {

bool ProgressLog::Open(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_file.reset(std::fopen(path.c_str(), "w+b"));
    return m_file != nullptr;
}

void ProgressLog::Close() {
    std::lock_guard lock(m_mutex);
    m_file.reset();
}

bool ProgressLog::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_file != nullptr;
}

void ProgressLog::WriteHeader() {
    std::lock_guard lock(m_mutex);
    if (!m_file) {
        return;
    }
    std::fseek(m_file.get(), 0, SEEK_SET);
    std::fputs("11", m_file.get());
    std::fflush(m_file.get());
}

void ProgressLog::Line(int minimum, int maximum, int position) {
    std::lock_guard lock(m_mutex);
    if (!m_file) {
        return;
    }
    std::fseek(m_file.get(), 0, SEEK_END);
    std::fprintf(m_file.get(), "最小%d,最大%d,当前Pos为%d\n", minimum, maximum, position); // UTF-8 source
    std::fflush(m_file.get());
}

ProgressLog& TheProgressLog() {
    static ProgressLog log;
    return log;
}

} // namespace kel
