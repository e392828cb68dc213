// What a bridge back-end offers the call layer: listing, opening, and one device's reports.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kel::bridge {

struct Attributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
};

// One open bridge. The caller side (attributes, writes) is serialised by the call layer; ReadPiece
// runs on the background reader only.
class BridgeDevice {
  public:
    virtual ~BridgeDevice() = default;
    virtual bool GetAttributes(Attributes& out) = 0;
    virtual bool SetRate(int rateCode, int checkCode, int stopCode, int dataCode, int interval) = 0;
    // Whether the background reader may start.
    virtual bool CanRead() { return true; }
    // Sends one output report carrying bytes.size() (1..31) payload bytes.
    virtual bool WriteReport(std::span<const std::uint8_t> bytes) = 0;
    // Waits up to timeoutMs for one input report; its payload goes to `out`.
    // Returns the payload length, 0 after the time-out, -1 when the device is gone.
    virtual int ReadPiece(std::span<std::uint8_t> out, int timeoutMs) = 0;
    // Ends a ReadPiece wait early (the reader is being stopped).
    virtual void WakeReader() {}
};

class BridgeBackend {
  public:
    virtual ~BridgeBackend() = default;
    // Device paths of the bridges present, in enumeration order.
    virtual std::vector<std::string> DevicePaths() = 0;
    // Opens a path exactly as DevicePaths listed it; null on failure.
    virtual std::unique_ptr<BridgeDevice> Open(const std::string& path) = 0;
};

// The payload of one input report as the bridge sends it: its first byte counts the valid bytes that
// follow. Copies them to `out` and returns how many; a count beyond the report or `out` is cut to fit.
inline int ReportPayload(std::span<const std::uint8_t> report, std::span<std::uint8_t> out) {
    if (report.empty()) {
        return 0;
    }
    const std::size_t valid = std::min({static_cast<std::size_t>(report[0]), report.size() - 1, out.size()});
    std::copy_n(report.begin() + 1, valid, out.begin());
    return static_cast<int>(valid);
}

std::unique_ptr<BridgeBackend> MakeHidBackend();
std::unique_ptr<BridgeBackend> MakeSimulatedBackend();

} // namespace kel::bridge
