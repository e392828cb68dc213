// The core pieces the main window drives: connection, device commands and the log, behind one interface.
#pragma once

namespace kel {

// The window calls these; the default is a window that stays off line. The application wires the live
// connection, the protocol object and the log by overriding them.
class WindowCore {
  public:
    virtual ~WindowCore() = default;

    // Before the window exists: bring up the links' libraries (the USB bridge layer).
    virtual void Startup() {}
    // The Connect action: button 3831 and MSG_CONNECT. Disconnects when connected.
    virtual void Connect() {}
    // MSG_TRANSPORT_FAILED: transport type, rescan-on-failure flag.
    virtual void OnTransportFailed(int /*type*/, int /*rescan*/) {}
    // MSG_IDENTIFY_REPLY: queue the initial read.
    virtual void OnIdentifyReply() {}
    // MSG_ALL_PRESETS_RECEIVED: the end of "Export all" (the window has hidden the progress dialog).
    virtual void OnAllPresetsReceived() {}
    // The command entry of the pages and the window.
    virtual void DeviceCommand(int /*type*/, int /*slot*/) {}
    // The file step of "Export all".
    virtual void SaveAllPresets() {}
    // The window has opened: "11" at the start of the log.
    virtual void WindowOpened() {}
    // The window is closing: stop the transports' threads (no message reaches the window afterwards).
    virtual void Shutdown() {}
};

} // namespace kel
