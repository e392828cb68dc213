// CUsbPort: discovery, open, the transport thread and its send and receive steps.
#include "transport/usb/UsbPort.h"

#include "model/AppHooks.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "model/Timing.h"
#include "protocol/Protocol.h"
#include "transport/usb/Ch9326.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <system_error>

namespace kel {

static_assert(kUsbReportBytes == bridge::kReportPayload, "a TX piece is one report of the bridge");

namespace {

// The bridge's UART set-up as the device expects it, and the open mode.
inline constexpr std::array<int, 5> kRateCodes{13, 4, 1, 4, 48};
inline constexpr int kOpenShareMode = 1;
inline constexpr std::uint32_t kPathBufferBytes = 1024;
inline constexpr std::uint32_t kMaxBridgeIndex = 256; // a walk ends here even without "no more items"

inline constexpr int kMaxRetries = 5;     // failure steps of one exchange before it is reported
inline constexpr int kMaxEmptyPolls = 60; // the 61st empty poll ends the wait for a reply
inline constexpr std::uint32_t kBacklogWarning = 2752;
// A device that keeps sending without ever completing a reply is cut off after this many bytes.
inline constexpr std::size_t kReceiveBound = 3 * sizeof(FrameRecord);

inline constexpr const char* kTextOpenFailed = "USB打开失败！";
inline constexpr const char* kTextNoAttributes = "获取设备VID PID失败";
inline constexpr const char* kTextWrongIds = "设备VID PID不正确";
inline constexpr const char* kTextNoReader = "InitThreadData 失败！";
inline constexpr const char* kTextNotConnected = "设备未连接";
inline constexpr const char* kTextBacklog = "11";

// Plain OK boxes under the application's own title; the hooks never block this thread.
void Box(const char* text) {
    Hooks().MessageBox(text, "", BoxIcon::None);
}

FrameRecord& Tx() {
    return TheModel().frames.usbTx;
}
FrameRecord& Rx() {
    return TheModel().frames.usbRx;
}

std::uint32_t ScaledMs(int baseMs) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(timing::Scaled(baseMs)).count();
    return static_cast<std::uint32_t>(std::max<long long>(1, ms));
}

} // namespace

bool NextUsbReport(FrameRecord& tx, std::span<std::uint8_t, kUsbReportBytes> report) {
    return TakeFrameChunk(tx, report, tx.usbLastChunk);
}

CUsbPort::CUsbPort() = default;

CUsbPort::~CUsbPort() {
    if (m_nAlive.load() || m_thread.joinable() || m_events || m_hDevice != -1) {
        Close();
    }
}

bool CUsbPort::FindBridges(std::vector<std::string>& candidates) {
    candidates.clear();
    bridge::SetLastError(bridge::kErrorNone);
    for (std::uint32_t index = 0; index < kMaxBridgeIndex; ++index) {
        std::array<char, kPathBufferBytes> buffer{};
        if (!CH9326GetDevicePath(index, buffer.data(), kPathBufferBytes)) {
            if (bridge::GetLastError() == bridge::kErrorNoMoreItems) {
                break;
            }
            continue;
        }
        std::string path(buffer.data(), strnlen(buffer.data(), buffer.size()));
        std::transform(path.begin(), path.end(), path.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const int handle = CH9326OpenDevicePath(path.c_str(), kOpenShareMode);
        if (handle == -1) {
            continue;
        }
        std::uint16_t vendor = 0, product = 0, version = 0;
        if (CH9326GetAttributes(handle, &vendor, &product, &version) && vendor == bridge::kBridgeVendorId &&
            product == bridge::kBridgeProductId) {
            candidates.push_back(path);
        }
        CH9326CloseDevice(handle);
    }
    return !candidates.empty();
}

bool CUsbPort::Open(const std::string& path) {
    if (m_nAlive.load()) {
        return false; // a running transport is closed first
    }
    if (m_hDevice != -1) {
        CH9326StopThread(m_hDevice);
        CH9326CloseDevice(m_hDevice);
        m_hDevice = -1;
    }
    const int handle = CH9326OpenDevicePath(path.c_str(), kOpenShareMode);
    if (handle == -1) {
        Box(kTextOpenFailed);
        return false;
    }
    m_hDevice = handle;
    m_strDevicePath = path;
    const auto fail = [this](const char* text) {
        Box(text);
        CH9326CloseDevice(m_hDevice);
        m_hDevice = -1;
        return false;
    };
    if (!CH9326GetAttributes(m_hDevice, &m_wVendorId, &m_wProductId, &m_wVersion)) {
        return fail(kTextNoAttributes);
    }
    if (m_wVendorId != bridge::kBridgeVendorId || m_wProductId != bridge::kBridgeProductId) {
        return fail(kTextWrongIds);
    }
    CH9326SetRate(m_hDevice, kRateCodes[0], kRateCodes[1], kRateCodes[2], kRateCodes[3], kRateCodes[4]);
    std::uint16_t inputLength = 0, outputLength = 0;
    CH9326GetBufferLen(m_hDevice, &inputLength, &outputLength);
    CH9326SetTimeOut(m_hDevice, ScaledMs(timing::kUsbBridgeTimeout), ScaledMs(timing::kUsbBridgeTimeout));
    if (!CH9326InitThreadData(m_hDevice)) {
        return fail(kTextNoReader);
    }
    m_events = std::make_unique<EventSet<4>>(); // replaces (closes) an older set
    return true;
}

bool CUsbPort::Start() {
    if (m_nAlive.load() || !m_events) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join(); // a thread that ended by itself after reporting a failure
    }
    // Set before the thread exists, so that a Close right after Start always waits for it.
    m_nStopRequested.store(0);
    m_failed.store(false);
    m_nAlive.store(1);
    try {
        m_thread = std::thread(&CUsbPort::Run, this);
    } catch (const std::system_error&) {
        m_nAlive.store(0);
        return false;
    }
    m_events->Reset(kSend);
    m_events->Reset(kReceive);
    m_events->Set(kPrepare);
    return true;
}

void CUsbPort::Close() {
    m_nStopRequested.store(1);
    if (m_events) {
        m_events->Set(kQuit);
    }
    // The thread ends at its next wait, or at the end of the step it is in (which may hold ImageLock).
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_nAlive.store(0);
    m_nStopRequested.store(0);
    m_failed.store(false);
    m_events.reset();
    if (m_hDevice != -1) {
        CH9326StopThread(m_hDevice);
        CH9326CloseDevice(m_hDevice);
        m_hDevice = -1;
        timing::Sleep(timing::kUsbCloseEnd); // only a bridge that was open settles after its reader stops
    }
}

void CUsbPort::Run() {
    int waitMs = timing::kUsbWait;
    {
        ImageLockGuard lock(ImageLock());
        waitMs = Tx().replyPending ? timing::kUsbWaitReplyPending : timing::kUsbWait;
    }
    FrameRecord& tx = Tx(); // this thread's own while it runs
    while (true) {
        if (m_nStopRequested.load()) {
            m_nAlive.store(0);
            return;
        }
        const int event = m_events->WaitAny(timing::Scaled(waitMs));
        if (event == kQuit) {
            m_nAlive.store(0);
            return;
        }
        // ImageLock only while the queue, the shadow or the records are touched; the bridge calls and
        // the pauses run without it, so the window never waits for the link.
        switch (event) {
        case kPrepare: {
            ImageLockGuard lock(ImageLock());
            PrepareNextFrame(TheModel(), tx);
            m_events->Reset(kPrepare);
            m_events->Set(kSend);
            break;
        }
        case kSend:
            if (SendStep()) {
                m_events->Reset(kSend);
                m_events->Set(kReceive);
            } else {
                FailureStep(kSend);
            }
            break;
        case kReceive:
            if (ReceiveStep()) {
                m_events->Reset(kReceive);
                m_events->Set(kPrepare);
            } else {
                FailureStep(kReceive);
            }
            break;
        default:
            break; // time-out
        }
        int sleepMs = 0;
        {
            ImageLockGuard lock(ImageLock()); // the queue belongs to the lock
            if (TheProtocol().Queue().IsEmpty()) {
                sleepMs = timing::kUsbIdleSleep;
            } else if (tx.busy) {
                sleepMs = timing::kUsbBusySleep;
            }
            waitMs = tx.replyPending ? timing::kUsbWaitReplyPending : timing::kUsbWait;
        }
        if (sleepMs > 0) {
            timing::Sleep(sleepMs);
        }
    }
}

bool CUsbPort::SendStep() {
    Ch9326Event written; // manual-reset, initially signalled
    written.Set(0);
    if (m_hDevice == -1) {
        return false;
    }
    FrameRecord& tx = Tx();
    if (tx.Length() > kFrameBytes) {
        return false; // a count the record cannot hold
    }
    while (NextUsbReport(tx, m_report)) {
        if (!CH9326WriteData(m_hDevice, m_report.data(), kUsbReportBytes, &written)) {
            // The retry sends the whole frame again from its first byte.
            tx.sendPos = 0;
            tx.usbLastChunk = 0;
            return false;
        }
    }
    {
        ImageLockGuard lock(ImageLock());
        tx.replyPending = 1;
    }
    if (tx.shortPause) {
        timing::Sleep(timing::kUsbShortPause);
    }
    if (tx.longPause) {
        timing::Sleep(timing::kUsbLongPause);
    }
    if (tx.busy) {
        timing::Sleep(timing::kUsbBusyPause);
    }
    return true;
}

bool CUsbPort::ReceiveStep() {
    if (m_hDevice == -1) {
        Box(kTextNotConnected);
        return false;
    }
    FrameRecord& tx = Tx();
    int emptyPolls = 0;
    std::size_t fed = 0;
    while (true) {
        const std::uint32_t waiting = CH9326GetThreadDataLen(m_hDevice);
        if (waiting >= kBacklogWarning) {
            Box(kTextBacklog);
        }
        if (waiting == 0) {
            if (++emptyPolls > kMaxEmptyPolls) {
                tx.failureCounter = kMaxRetries + 1; // the failure step reports at once
                return false;
            }
            // Up to one poll interval, cut short when bytes arrive: the interval still bounds the wait
            // (61 empty polls), but a reply is taken as soon as it is there.
            bridge::WaitThreadData(m_hDevice, timing::Scaled(tx.busy ? timing::kUsbEmptyPollSleepBusy
                                                                     : timing::kUsbEmptyPollSleep));
            continue;
        }
        emptyPolls = 0;
        std::uint32_t length = std::min<std::uint32_t>(waiting, m_receiveBuffer.size());
        if (!CH9326ReadThreadData(m_hDevice, m_receiveBuffer.data(), &length) || length == 0) {
            timing::Sleep(timing::kUsbReadRetrySleep);
            continue;
        }
        int accepted = 0;
        bool refused = false;
        {
            ImageLockGuard lock(ImageLock()); // applying a reply changes the model
            accepted = TheProtocol().FeedBytes(TheModel(), TRANSPORT_USB, m_receiveBuffer.data(),
                                               static_cast<int>(length));
            refused = Rx().error != 0;
        }
        fed += length;
        if (refused) {
            // A reply with a bad checksum or a refusal ends the transport at once.
            ReportFailure();
            return true;
        }
        if (!accepted) {
            if (fed >= kReceiveBound) {
                ImageLockGuard lock(ImageLock());
                ResetRecords(TRANSPORT_USB, false); // the parser hunts afresh on the retry
                return false;
            }
            bridge::WaitThreadData(m_hDevice,
                                   timing::Scaled(timing::kUsbPartialSleep)); // the rest of the reply
            continue;
        }
        m_events->Set(kPrepare);
        CH9326ClearThreadData(m_hDevice);
        timing::Sleep(timing::kUsbAcceptedSleep);
        ImageLockGuard lock(ImageLock());
        tx.replyPending = 0;
        return true;
    }
}

void CUsbPort::FailureStep(Event failed) {
    ImageLockGuard lock(ImageLock());
    FrameRecord& tx = Tx();
    tx.failureCounter = static_cast<std::uint8_t>(tx.failureCounter + 1);
    if (tx.failureCounter > kMaxRetries) {
        ReportFailure();
        return;
    }
    m_events->Set(failed);
}

void CUsbPort::ReportFailure() {
    m_nStopRequested.store(1);
    m_failed.store(true);
    ImageLockGuard lock(ImageLock());
    Hooks().PostMessage(MSG_TRANSPORT_FAILED, TRANSPORT_USB, Tx().rescanOnFailure);
}

} // namespace kel
