// AppHooks of the command line.
#include "cli/CliHooks.h"

#include "cli/CommandResult.h"
#include "connection/Connection.h"

#include <cstdio>
#include <unistd.h>

namespace kel::cli {

CliHooks::CliHooks() : m_terminal(::isatty(STDERR_FILENO) != 0) {}

void CliHooks::PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({message, wParam, lParam});
    }
    m_posted.notify_all();
    if (onMessage) {
        onMessage(message);
    }
}

void CliHooks::MessageBox(const std::string& text, const std::string&, BoxIcon) {
    {
        std::lock_guard lock(m_mutex);
        ++m_boxes;
        if (m_deviceOpen && (text == kUnableToOpenEn || text == kUnableToOpenZh)) {
            return;
        }
    }
    NoteError(text);
}

void CliHooks::ShowLookup() {
    std::fprintf(stderr, "Device lookup\n");
}

void CliHooks::BeginProgress(int total) {
    std::lock_guard lock(m_mutex);
    m_total = total;
    m_position = 0;
    m_reportedTenths = 0;
}

void CliHooks::StepProgress(int position) {
    int total;
    bool report = false;
    {
        std::lock_guard lock(m_mutex);
        m_position = position;
        total = m_total;
        // Without a terminal, a line at every tenth of a long transfer (scripts and logs see it move).
        const int tenths = total > 0 ? position * 10 / total : 0;
        if (!m_terminal && total >= 20 && tenths > m_reportedTenths && position < total) {
            m_reportedTenths = tenths;
            report = true;
        }
    }
    if (m_terminal && total > 0) {
        const int width = 40;
        const int filled = position * width / total;
        std::fprintf(stderr, "\r[%.*s%*s] %d/%d", filled, "########################################",
                     width - filled, "", position, total);
        if (position == total) {
            std::fputc('\n', stderr);
        }
    } else if (position == total) {
        std::fprintf(stderr, "%d frames transferred\n", total);
    } else if (report) {
        std::fprintf(stderr, "%d of %d frames acknowledged\n", position, total);
    }
    m_posted.notify_all();
}

void CliHooks::SaveAllPresets() {
    if (onSaveAllPresets) {
        onSaveAllPresets();
    }
}

std::optional<PostedMessage> CliHooks::Wait(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    if (!m_posted.wait_until(lock, deadline, [&] { return !m_queue.empty(); })) {
        return std::nullopt;
    }
    PostedMessage msg = m_queue.front();
    m_queue.pop_front();
    return msg;
}

bool CliHooks::ProgressDone() {
    std::lock_guard lock(m_mutex);
    return m_total > 0 && m_position >= m_total;
}

int CliHooks::ProgressTotal() {
    std::lock_guard lock(m_mutex);
    return m_total;
}

int CliHooks::ProgressPosition() {
    std::lock_guard lock(m_mutex);
    return m_position;
}

void CliHooks::SetDeviceOpen(bool open) {
    std::lock_guard lock(m_mutex);
    m_deviceOpen = open;
}

int CliHooks::Boxes() {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

} // namespace kel::cli
