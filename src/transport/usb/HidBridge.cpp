// The hardware back-end of the bridge layer: the bridge as a hidraw device through hidapi.
#include "transport/usb/BridgeBackend.h"
#include "transport/usb/Ch9326.h"

#include <hidapi.h>

#include <algorithm>
#include <array>

namespace kel::bridge {

namespace {

// A report carries a count byte and up to 31 payload bytes; hidapi wants the report id (0) in front.
inline constexpr std::size_t kReportBytes = 1 + kReportPayload;

using HidHandle = std::unique_ptr<hid_device, decltype(&hid_close)>;

// Two opens of the same node: the background reader owns one, the callers the other, so the two
// threads never share a hid_device.
class HidBridgeDevice : public BridgeDevice {
  public:
    HidBridgeDevice(HidHandle io, HidHandle input) : m_io(std::move(io)), m_input(std::move(input)) {}

    bool GetAttributes(Attributes& out) override {
        const hid_device_info* info = hid_get_device_info(m_io.get());
        if (info == nullptr) {
            return false;
        }
        out.vendorId = info->vendor_id;
        out.productId = info->product_id;
        out.version = info->release_number;
        return true;
    }

    // The bridge keeps its own UART configuration; the codes are accepted as given.
    bool SetRate(int, int, int, int, int) override { return true; }

    bool WriteReport(std::span<const std::uint8_t> bytes) override {
        std::array<unsigned char, 1 + kReportBytes> report{};
        report[1] = static_cast<unsigned char>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), report.begin() + 2);
        return hid_write(m_io.get(), report.data(), report.size()) > 0;
    }

    int ReadPiece(std::span<std::uint8_t> out, int timeoutMs) override {
        std::array<unsigned char, 64> report{};
        const int n = hid_read_timeout(m_input.get(), report.data(), report.size(), timeoutMs);
        if (n <= 0) {
            return n;
        }
        return ReportPayload(std::span(report.data(), static_cast<std::size_t>(n)), out);
    }

  private:
    HidHandle m_io;
    HidHandle m_input;
};

class HidBackend : public BridgeBackend {
  public:
    ~HidBackend() override { hid_exit(); }

    std::vector<std::string> DevicePaths() override {
        std::vector<std::string> paths;
        hid_device_info* list = hid_enumerate(kBridgeVendorId, kBridgeProductId);
        for (const hid_device_info* d = list; d != nullptr; d = d->next) {
            if (d->path != nullptr) {
                paths.emplace_back(d->path);
            }
        }
        hid_free_enumeration(list);
        return paths;
    }

    std::unique_ptr<BridgeDevice> Open(const std::string& path) override {
        HidHandle io(hid_open_path(path.c_str()), &hid_close);
        if (!io) {
            return nullptr;
        }
        HidHandle input(hid_open_path(path.c_str()), &hid_close);
        if (!input) {
            return nullptr;
        }
        return std::make_unique<HidBridgeDevice>(std::move(io), std::move(input));
    }
};

} // namespace

std::unique_ptr<BridgeBackend> MakeHidBackend() {
    if (hid_init() != 0) {
        return nullptr;
    }
    return std::make_unique<HidBackend>();
}

} // namespace kel::bridge
