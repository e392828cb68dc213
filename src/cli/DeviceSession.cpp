// One connection of the command line to the device.
#include "cli/DeviceSession.h"

#include "model/Messages.h"
#include "model/Sections.h"
#include "model/Timing.h"

#include <algorithm>

namespace kel::cli {

DeviceSession::DeviceSession(LinkPorts& links, CliHooks& hooks) : m_hooks(hooks), m_connection(links) {}

DeviceSession::~DeviceSession() {
    Close();
}

std::chrono::steady_clock::duration DeviceSession::Timeout() const {
    // Long enough for every retry of the slowest link at the current timing scale.
    const double seconds = std::max(10.0, 180.0 * timing::Scale());
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
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
    const auto deadline = std::chrono::steady_clock::now() + Timeout();
    while (!done()) {
        if (m_failed || !m_connection.Connected()) {
            m_failed = true;
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            m_hooks.MessageBox("the device did not answer in time", "", BoxIcon::Error);
            m_failed = true;
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
