// Simulated bridges: plug in-process "devices" into the bridge layer, with faults for tests and the demo.
#pragma once

#include "transport/usb/Ch9326.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kel {

struct EngineFaults;

namespace bridge {

// The far end of a simulated bridge's UART: bytes in, reply bytes out.
class BridgePeer {
  public:
    virtual ~BridgePeer() = default;
    // Bytes written to the bridge, in report-sized pieces; returns the bytes the device sends back.
    virtual std::vector<std::uint8_t> Receive(std::span<const std::uint8_t> bytes) = 0;
    // The line was quiet (or a write broke off): the device drops a half-received frame.
    virtual void QuietGap() {}
    // The device's own faults (drop, corrupt, refuse, silent), where it has them.
    virtual void SetFaults(const EngineFaults& /*faults*/) {}
};

// Faults of the bridge itself.
struct SimBridgeFaults {
    bool failOpen = false;       // the path does not open
    bool failAttributes = false; // the attributes cannot be read
    bool failInitThread = false; // the background reader does not start
    int writeFailAfter = -1;     // reports that still go through before writes fail (-1: none fail)
    int writeFailCount = 1;      // how many report writes then fail
    int pieceBytes = 31;         // reply bytes per delivered piece, like one input report (split: fewer)
    int pieceGapMs = 0;          // extra pause before each piece, base milliseconds (scaled)
    bool babble = false;         // the device sends noise without end, whatever it is asked
};

// Plugs a bridge in; returns its device path (lower case, as the enumeration lists it).
std::string PlugSimulatedBridge(std::shared_ptr<BridgePeer> peer, std::uint16_t vendorId = kBridgeVendorId,
                                std::uint16_t productId = kBridgeProductId);
// Pulls a bridge out (letter case ignored); open handles then fail their writes and reads.
bool UnplugSimulatedBridge(const std::string& path);
void UnplugAllSimulatedBridges();
// Replaces the bridge's faults; the write-failure count starts again.
bool SetSimulatedBridgeFaults(const std::string& path, const SimBridgeFaults& faults);
// Hands faults to the bridge's peer.
bool SetSimulatedEngineFaults(const std::string& path, const EngineFaults& faults);
// The payload of every report written so far (oldest first), and forgets them.
std::vector<std::vector<std::uint8_t>> TakeSimulatedBridgeWrites(const std::string& path);
// Plugs in one bridge with a fresh emulated processor behind it unless a bridge is plugged already;
// the path of the first bridge either way.
std::string PlugEmulatedProcessorIfNone();
// The UART codes of the last CH9326SetRate on the bridge.
std::optional<std::array<int, 5>> SimulatedBridgeRate(const std::string& path);

} // namespace bridge
} // namespace kel
