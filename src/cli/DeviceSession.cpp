// One connection of the command line to the device.
#include "cli/DeviceSession.h"

#include "model/Messages.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"

#include <algorithm>

namespace kel::cli {

DeviceSession::DeviceSession(LinkPorts& links, CliHooks& hooks) : m_hooks(hooks), m_connection(links) {}

DeviceSession::~DeviceSession() {
    Close();
}

std::chrono::steady_clock::duration DeviceSession::FrameBudget() const {
    const auto scaled = timing::Scaled(timing::kFrameBudget);
    return std::max<std::chrono::steady_clock::duration>(scaled, std::chrono::milliseconds(timing::kMinStallWait));
}

int DeviceSession::ProgressMark() const {
    int changes;
    {
        ImageLockGuard lock(ImageLock());
        changes = ChangeFramesBuilt();
    }
    return m_hooks.ProgressPosition() + changes + m_levelReports + (m_identified ? 1 : 0);
}

std::string DeviceSession::FailureText(bool frames) const {
    std::string text = m_stalled ? "the device stopped answering" : "the link to the device failed";
    if (const int total = m_hooks.ProgressTotal(); frames && total > 0) {
        text += " (" + std::to_string(std::min(m_hooks.ProgressPosition(), total)) + " of " +
                std::to_string(total) + " frames acknowledged)";
    }
    return text;
}

bool DeviceSession::Open(bool initialRead) {
    m_wantInitialRead = initialRead;
    {
        ImageLockGuard lock(ImageLock());
        TheModel().settings.meters.wanted = true; // level reports are posted to the session
    }
    m_connection.Connect();
    if (!m_connection.Connected()) {
        return false;
    }
    if (!RunUntil([&] { return m_identified; })) {
        return false;
    }
    return !initialRead || RunUntil([&] { return m_hooks.ProgressDone(); });
}

bool DeviceSession::RunUntil(const std::function<bool()>& done) {
    using clock = std::chrono::steady_clock;
    int mark = ProgressMark();
    auto deadline = clock::now() + FrameBudget();
    while (!done()) {
        if (m_failed || !m_connection.Connected()) {
            m_failed = true;
            return false;
        }
        const auto now = clock::now();
        if (const int moved = ProgressMark(); moved != mark) {
            mark = moved;
            deadline = now + FrameBudget();
        }
        if (now >= deadline) {
            m_failed = true;
            m_stalled = true;
            return false;
        }
        if (auto msg = m_hooks.Wait(std::min(deadline, now + std::chrono::milliseconds(20)))) {
            Dispatch(*msg);
        }
    }
    return true;
}

void DeviceSession::Dispatch(const PostedMessage& msg) {
    switch (msg.message) {
    case MSG_TRANSPORT_FAILED:
        m_connection.OnTransportFailed(static_cast<int>(msg.wParam), static_cast<int>(msg.lParam));
        if (!m_connection.Connected()) {
            m_failed = true;
        }
        break;
    case MSG_IDENTIFY_REPLY:
        m_identified = true;
        m_hooks.SetDeviceOpen(true);
        if (m_wantInitialRead) {
            m_connection.OnIdentifyReply();
        }
        break;
    case MSG_ALL_PRESETS_RECEIVED:
        m_connection.OnAllPresetsReceived();
        break;
    case MSG_PROGRAM_RECEIVED:
        ReloadFilters(); // as the window does: the filter objects belong to this thread
        break;
    case MSG_LEVELS_RECEIVED: {
        ++m_levelReports;
        if (onLevels) {
            onLevels(static_cast<int>(msg.wParam));
        }
        ImageLockGuard lock(ImageLock());
        TheModel().settings.meters.ready = 1;
        break;
    }
    default:
        break;
    }
}

void DeviceSession::Close() {
    if (m_connection.Connected()) {
        m_connection.Disconnect();
    }
}

} // namespace kel::cli
