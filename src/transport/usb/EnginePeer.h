// A simulated bridge's peer that is an emulated processor engine (the demo and the end-to-end tests).
#pragma once

#include "emulator/DeviceEngine.h"
#include "transport/usb/SimBridge.h"

#include <memory>

namespace kel::bridge {

class EnginePeer : public BridgePeer {
  public:
    explicit EnginePeer(std::shared_ptr<DeviceEngine> engine) : m_engine(std::move(engine)) {}

    std::vector<std::uint8_t> Receive(std::span<const std::uint8_t> bytes) override {
        return m_engine->Receive(bytes);
    }
    void QuietGap() override { m_engine->QuietGap(); }
    void SetFaults(const EngineFaults& faults) override { m_engine->SetFaults(faults); }

    DeviceEngine& Engine() { return *m_engine; }

  private:
    std::shared_ptr<DeviceEngine> m_engine;
};

// Plugs in a bridge whose device is `engine`; returns its path.
inline std::string PlugEngineBridge(std::shared_ptr<DeviceEngine> engine) {
    return PlugSimulatedBridge(std::make_shared<EnginePeer>(std::move(engine)));
}

} // namespace kel::bridge
