// The connection lifecycle.
#include "connection/Connection.h"

#include "model/AppHooks.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <array>

namespace kel {

namespace {
// The order in which the links are tried.
constexpr std::array<TransportType, 3> kSearchOrder = {TRANSPORT_SERIAL, TRANSPORT_USB, TRANSPORT_NET};
} // namespace

std::deque<std::string>& CConnection::List(TransportType type) {
    return type == TRANSPORT_SERIAL ? m_serial : type == TRANSPORT_USB ? m_usb : m_net;
}

void CConnection::ShowUnableToOpen() {
    Hooks().MessageBox(TheModel().settings.languageFlag ? kUnableToOpenZh : kUnableToOpenEn, "", BoxIcon::None);
}

bool CConnection::TryCandidate(TransportType type, const std::string& candidate) {
    (type == TRANSPORT_SERIAL ? m_currentPort : type == TRANSPORT_USB ? m_currentBridge : m_deviceAddress) =
        candidate;
    if (!m_ports.Open(type, candidate)) {
        return false;
    }
    Model& m = TheModel();
    ImageLockGuard lock(ImageLock());
    m.settings.transportType = type;
    m.connection.connected = 1;
    TheProtocol().Queue().Clear();
    return true;
}

void CConnection::ConnectedSteps(TransportType type) {
    Model& m = TheModel();
    m.connection.deviceLookup = 1;
    if (type != TRANSPORT_NET) {
        Hooks().ShowLookup();
    }
    ImageLockGuard lock(ImageLock());
    CommitShadow(true); // what is already on screen is not sent
    TheProtocol().QueueCommand(CMD_IDENTIFY, 0);
}

void CConnection::Connect() {
    if (Connected()) {
        Disconnect();
        return;
    }
    Model& m = TheModel();
    m_serial.clear();
    for (std::string& name : m_ports.SerialPortNames()) {
        if (!name.empty()) {
            m_serial.push_back(std::move(name));
        }
    }
    if (!m_serial.empty()) {
        m.connection.deviceLookup = 1;
    }
    const auto usb = m_ports.UsbBridgePaths();
    m_usb.assign(usb.begin(), usb.end());
    m_net = {m_ports.NetworkAddress()};

    if (OpenNext(kSearchOrder.front(), true)) {
        Hooks().ConnectionChanged();
        return;
    }
    m.connection.deviceLookup = 0;
    m.connection.connected = 0;
    Hooks().Hide(); // a lookup form shown for a candidate whose thread did not start
    ShowUnableToOpen();
}

bool CConnection::OpenNext(TransportType from, bool firstOpen) {
    const auto start = std::find(kSearchOrder.begin(), kSearchOrder.end(), from);
    for (auto it = start; it != kSearchOrder.end(); ++it) {
        auto& list = List(*it);
        while (!list.empty()) {
            const std::string candidate = list.front();
            list.pop_front();
            if (!TryCandidate(*it, candidate)) {
                continue;
            }
            if (firstOpen) {
                ConnectedSteps(*it);
            } else {
                ImageLockGuard lock(ImageLock());
                TheProtocol().QueueCommand(CMD_IDENTIFY, 0); // the lookup form stays up
            }
            if (m_ports.Start(*it)) {
                return true;
            }
            // A thread that cannot start is a candidate that cannot be opened.
            Abandon(*it);
        }
    }
    return false;
}

void CConnection::Abandon(TransportType type) {
    m_ports.Close(type);
    Model& m = TheModel();
    ImageLockGuard lock(ImageLock());
    TheProtocol().Queue().Clear();
    m.settings.transportType = TRANSPORT_NONE;
    m.connection.connected = 0;
}

void CConnection::OnIdentifyReply() {
    ImageLockGuard lock(ImageLock());
    CProtocol& protocol = TheProtocol();
    protocol.QueueCommand(CMD_READ_NAME, 0);
    protocol.DeviceCommand(CMD_READ_SYSTEM, 0);
    protocol.DeviceCommand(CMD_READ_PROGRAM, 0);
    protocol.Queue().Number();
}

void CConnection::OnTransportFailed(int type, int rescan) {
    Model& m = TheModel();
    const auto failed = static_cast<TransportType>(type);
    if (!m.connection.connected || failed != m.settings.transportType || !m_ports.HasFailed(failed)) {
        return; // left over from a transport closed since: a disconnect or an earlier candidate
    }
    if (rescan) {
        // The identification failed: the device is not on that candidate. Go on with the untried ones.
        Abandon(failed);
        if (OpenNext(failed, false)) {
            return;
        }
        EndConnection(false);
        ShowUnableToOpen();
        return;
    }
    EndConnection(true);
    ShowUnableToOpen();
}

void CConnection::EndConnection(bool closeActive) {
    Model& m = TheModel();
    if (closeActive && m.settings.transportType != TRANSPORT_NONE) {
        m_ports.Close(m.settings.transportType);
    }
    {
        ImageLockGuard lock(ImageLock());
        m.settings.transportType = TRANSPORT_NONE;
        m.connection.connected = 0;
        m.connection.transferInProgress = 0;
    }
    Hooks().Hide();
    Hooks().ConnectionChanged();
}

void CConnection::Disconnect() {
    Model& m = TheModel();
    if (m.settings.transportType != TRANSPORT_NONE) {
        m_ports.Close(m.settings.transportType);
    }
    {
        ImageLockGuard lock(ImageLock());
        TheProtocol().Queue().Clear();
    }
    EndConnection(false);
}

void CConnection::OnAllPresetsReceived() {
    Model& m = TheModel();
    Hooks().Hide();
    {
        ImageLockGuard lock(ImageLock());
        // A device with one system block keeps it in slot 1's place. The head block is the live
        // block in either case, as in an off-line "Export all", so no file carries an empty head.
        if (m.settings.slotSystemCapability == 0) {
            m.presets.SlotSystem(1) = m.system;
        }
        m.presets.head = m.system;
        m.settings.presetsLoaded = 1;
    }
    Hooks().SaveAllPresets();
}

} // namespace kel
