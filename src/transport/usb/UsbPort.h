// CUsbPort: the USB bridge transport, running the device exchange cycle over 31-byte reports.
#pragma once

#include "protocol/FrameRecord.h"
#include "transport/EventSet.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace kel {

inline constexpr int kUsbReportBytes = 31;

// Takes the next 31-byte piece of the TX record's frame into `report` (zero-padded), advancing the
// send position and setting the last-chunk flag on the final piece. False when the frame is all sent.
bool NextUsbReport(FrameRecord& tx, std::span<std::uint8_t, kUsbReportBytes> report);

class CUsbPort {
  public:
    CUsbPort();
    virtual ~CUsbPort();
    CUsbPort(const CUsbPort&) = delete;
    CUsbPort& operator=(const CUsbPort&) = delete;

    // Bridge discovery: the upper-cased paths of the bridges with the bridge's vendor and product id,
    // in enumeration order. Every handle opened on the way is closed. True when any was found.
    static bool FindBridges(std::vector<std::string>& candidates);

    // Opens and configures the bridge at `path`; failures are shown in a message box.
    bool Open(const std::string& path);
    // Begins the transport thread. False when one runs already or nothing is open.
    bool Start();
    // Stops the thread and closes the bridge. Never call it holding ImageLock.
    void Close();

    bool IsOpen() const { return m_hDevice != -1; }
    bool IsAlive() const { return m_nAlive.load() != 0; }
    const std::string& DevicePath() const { return m_strDevicePath; }
    // True once the running thread has posted MSG_TRANSPORT_FAILED; cleared by Start and Close, so a
    // failure message still queued from an earlier run can be told apart.
    bool HasFailed() const { return m_failed.load(); }

  private:
    enum Event : std::size_t { kQuit = 0, kPrepare = 1, kSend = 2, kReceive = 3 }; // wait order

    void Run();
    bool SendStep();
    bool ReceiveStep();
    void FailureStep(Event failed);
    void ReportFailure();

    std::atomic<int> m_nStopRequested{0};
    std::atomic<int> m_nAlive{0};
    std::atomic<bool> m_failed{false};
    std::thread m_thread;
    std::unique_ptr<EventSet<4>> m_events;
    int m_hDevice = -1;
    std::string m_strDevicePath;
    std::uint16_t m_wVendorId = 0;
    std::uint16_t m_wProductId = 0;
    std::uint16_t m_wVersion = 0;
    std::array<std::uint8_t, 3100> m_receiveBuffer{};
    std::array<std::uint8_t, kUsbReportBytes> m_report{};
};

} // namespace kel
