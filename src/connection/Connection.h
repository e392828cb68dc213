// The connection lifecycle: the Connect search over serial, USB and network, identification,
// the initial read, transport failures with rescan, and Disconnect.
#pragma once

#include "model/Model.h"

#include <deque>
#include <string>
#include <vector>

namespace kel {

// The ways to the device as the connection logic sees them; the transports stand behind it.
class LinkPorts {
public:
    virtual ~LinkPorts() = default;
    // The serial port listing in the system's order (a name may be empty).
    virtual std::vector<std::string> SerialPortNames() = 0;
    // Bridge discovery: the matching bridges' upper-cased device paths.
    virtual std::vector<std::string> UsbBridgePaths() = 0;
    // The device address of the network link.
    virtual std::string NetworkAddress() = 0;
    virtual bool Open(TransportType type, const std::string& candidate) = 0;
    virtual bool Start(TransportType type) = 0;
    // Stops the transport's thread and releases it; called without ImageLock.
    virtual void Close(TransportType type) = 0;
    // Whether the transport's thread has reported a failure since it was last started; false once
    // it is closed. Tells a failure message of the running transport from one left over.
    virtual bool HasFailed(TransportType type) = 0;
};

inline constexpr const char* kUnableToOpenZh = "不能打开设备!";
inline constexpr const char* kUnableToOpenEn = "Unable to Open Device!";

class CConnection {
public:
    explicit CConnection(LinkPorts& ports) : m_ports(ports) {}

    // The Connect button and MSG_CONNECT: disconnects when connected, else searches.
    void Connect();
    // MSG_TRANSPORT_FAILED. Ignored unless it comes from the active transport, which has failed:
    // a message left in the queue by a transport closed since then changes nothing.
    void OnTransportFailed(int type, int rescan);
    // MSG_IDENTIFY_REPLY: queue the initial read with the progress bar.
    void OnIdentifyReply();
    // MSG_ALL_PRESETS_RECEIVED: the end of "Export all".
    void OnAllPresetsReceived();
    void Disconnect();

    bool Connected() const { return TheModel().connection.connected != 0; }
    const std::string& CurrentPortName() const { return m_currentPort; }
    const std::string& CurrentBridgePath() const { return m_currentBridge; }
    const std::string& DeviceAddress() const { return m_deviceAddress; }

private:
    bool TryCandidate(TransportType type, const std::string& candidate);
    // Opens the next untried candidate from `from` on and starts its thread; false when none is left.
    bool OpenNext(TransportType from, bool firstOpen);
    // Closes an opened candidate and leaves the model unconnected, its queue empty.
    void Abandon(TransportType type);
    std::deque<std::string>& List(TransportType type);
    void ConnectedSteps(TransportType type);
    void EndConnection(bool closeActive);
    void ShowUnableToOpen();

    LinkPorts& m_ports;
    std::deque<std::string> m_serial, m_usb, m_net;
    std::string m_currentPort, m_currentBridge, m_deviceAddress;
};

} // namespace kel
