// The window's core: the connection logic over the real transports, or, with --demo, over the
// simulated USB bridge with an emulated processor in this process.
#include "app/CoreFactory.h"

#include "connection/Connection.h"
#include "connection/TransportLinks.h"
#include "emulator/DeviceEngine.h"
#include "model/AppHooks.h"
#include "presets/PresetFiles.h"
#include "protocol/ProgressLog.h"
#include "protocol/Protocol.h"
#include "transport/usb/Ch9326.h"
#include "transport/usb/EnginePeer.h"

#include <cstdio>

namespace kel {

namespace {

LinkOptions LinksOf(const AppOptions& o) {
    LinkOptions links;
    links.deviceAddress = o.deviceAddress;
    links.devicePort = o.devicePort;
    links.serialPorts = o.serialPorts;
    links.noSerial = o.noSerial || o.demo; // the demo scans no port and sends nothing on the network
    links.noUsb = o.noUsb;
    links.noNetwork = o.noNetwork || o.demo;
    return links;
}

class LiveWindowCore : public WindowCore {
  public:
    explicit LiveWindowCore(const AppOptions& options) : m_demo(options.demo), m_links(LinksOf(options)) {
        std::string error;
        if (!ApplyLinkOptions(LinksOf(options), error)) {
            std::fprintf(stderr, "kelvane: %s\n", error.c_str());
        }
    }

    void Startup() override {
        TheProgressLog().Open("ss.txt");
        if (m_demo) {
            bridge::UseSimulatedBridge(true);
        }
        CH9326DllInt();
        if (m_demo) {
            m_engine = std::make_shared<DeviceEngine>();
            bridge::PlugEngineBridge(m_engine);
        }
    }
    void Connect() override { m_connection.Connect(); }
    void OnTransportFailed(int type, int rescan) override { m_connection.OnTransportFailed(type, rescan); }
    void OnIdentifyReply() override { m_connection.OnIdentifyReply(); }
    void OnAllPresetsReceived() override { m_connection.OnAllPresetsReceived(); }
    void DeviceCommand(int type, int slot) override { TheProtocol().DeviceCommand(type, slot); }
    void SaveAllPresets() override { ExportAll(); }
    void WindowOpened() override { TheProgressLog().WriteHeader(); }
    void Shutdown() override {
        if (m_connection.Connected()) {
            m_connection.Disconnect();
        }
    }

  private:
    bool m_demo;
    TransportLinks m_links;
    CConnection m_connection{m_links};
    std::shared_ptr<DeviceEngine> m_engine; // the demo's processor
};

} // namespace

std::unique_ptr<WindowCore> MakeWindowCore(const AppOptions& options) {
    return std::make_unique<LiveWindowCore>(options);
}

} // namespace kel
