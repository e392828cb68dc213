// The bridge call layer: handles, the per-device background reader and its buffer, back-end choice.
#include "transport/usb/Ch9326.h"

#include "model/Timing.h"
#include "transport/usb/BridgeBackend.h"
#include "transport/usb/ByteRing.h"
#include "transport/usb/SimBridge.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace kel {

namespace bridge {

namespace {

thread_local int t_lastError = kErrorNone;

// One open handle.
struct OpenDevice {
    std::unique_ptr<BridgeDevice> device;
    std::mutex callMutex; // serialises the caller side of the device

    std::mutex bufferMutex;
    std::condition_variable arrived; // bytes were added to `received`
    ByteRing<kReaderBufferBytes> received;

    std::mutex readerMutex; // start and stop of the reader
    std::thread reader;
    std::atomic<bool> stopReader{false};

    std::uint32_t writeTimeoutMs = 0;
    std::uint32_t readTimeoutMs = 0;

    ~OpenDevice();
};

enum class Preference { Unset, Hid, Simulated };

struct Library {
    std::mutex mutex;
    Preference preference = Preference::Unset;
    bool simulated = false;
    std::unique_ptr<BridgeBackend> backend;
    std::vector<std::string> listed; // the enumeration CH9326GetDevicePath walks
    std::map<int, std::shared_ptr<OpenDevice>> open;
    int nextHandle = 1;
};

Library& Lib() {
    static Library lib;
    return lib;
}

std::shared_ptr<OpenDevice> Find(int handle) {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    auto it = lib.open.find(handle);
    if (it == lib.open.end()) {
        SetLastError(kErrorInvalidHandle);
        return nullptr;
    }
    return it->second;
}

void ReaderLoop(OpenDevice& dev) {
    std::array<std::uint8_t, 4096> piece{};
    while (!dev.stopReader.load()) {
        const auto waitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(timing::Scaled(timing::kBridgeReadPoll));
        const int n = dev.device->ReadPiece(piece, std::max(1, static_cast<int>(waitMs.count())));
        if (n < 0) {
            return; // the device is gone; what was received stays readable
        }
        if (n > 0) {
            {
                std::lock_guard lock(dev.bufferMutex);
                dev.received.Push(std::span(piece.data(), static_cast<std::size_t>(n)));
            }
            dev.arrived.notify_all();
        }
    }
}

void StopReader(OpenDevice& dev) {
    std::lock_guard lock(dev.readerMutex);
    if (!dev.reader.joinable()) {
        return;
    }
    dev.stopReader.store(true);
    dev.device->WakeReader();
    dev.reader.join();
    dev.stopReader.store(false);
}

// A handle still open when the program ends: its reader stops before the device goes.
OpenDevice::~OpenDevice() {
    StopReader(*this);
}

} // namespace

void SetLastError(int error) {
    t_lastError = error;
}
int GetLastError() {
    return t_lastError;
}

void UseSimulatedBridge(bool simulated) {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    lib.preference = simulated ? Preference::Simulated : Preference::Hid;
}

void FollowBridgeEnvironment() {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    lib.preference = Preference::Unset;
}

bool SameBridgePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool SimulatedBridgeActive() {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    return lib.backend && lib.simulated;
}

std::uint32_t WaitThreadData(int handle, std::chrono::microseconds timeout) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    std::unique_lock lock(dev->bufferMutex);
    dev->arrived.wait_for(lock, timeout, [&] { return dev->received.Size() > 0; });
    return static_cast<std::uint32_t>(dev->received.Size());
}

int OpenHandleCount() {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    return static_cast<int>(lib.open.size());
}

} // namespace bridge

using namespace bridge;

int CH9326DllInt() {
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    bool simulated = lib.preference == Preference::Simulated;
    if (lib.preference == Preference::Unset) {
        const char* env = std::getenv("KELVANE_USB_BRIDGE");
        simulated = env != nullptr && std::strcmp(env, "sim") == 0;
        if (simulated) {
            // Chosen from outside the program (the command line tool): nobody plugs a device in for it.
            PlugEmulatedProcessorIfNone();
        }
    }
    if (lib.backend && (lib.simulated == simulated || !lib.open.empty())) {
        return 1; // already prepared; open handles keep the back-end they were opened with
    }
    lib.backend = simulated ? MakeSimulatedBackend() : MakeHidBackend();
    lib.simulated = simulated;
    lib.listed.clear();
    if (!lib.backend) {
        SetLastError(kErrorGenFailure);
        return 0;
    }
    return 1;
}

int CH9326GetDevicePath(std::uint32_t index, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    if (!lib.backend) {
        SetLastError(kErrorNoMoreItems);
        return 0;
    }
    // A walk starts at index 0: that is when the bridges present are listed again.
    if (index == 0 || lib.listed.empty()) {
        lib.listed = lib.backend->DevicePaths();
    }
    if (index >= lib.listed.size()) {
        SetLastError(kErrorNoMoreItems);
        return 0;
    }
    const std::string& path = lib.listed[index];
    if (path.size() + 1 > size) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return 1;
}

// shareMode is accepted for the caller's sake: a bridge may be open more than once.
int CH9326OpenDevicePath(const char* path, int /*shareMode*/) {
    if (path == nullptr) {
        SetLastError(kErrorInvalidParameter);
        return -1;
    }
    Library& lib = Lib();
    std::lock_guard lock(lib.mutex);
    if (!lib.backend) {
        SetLastError(kErrorFileNotFound);
        return -1;
    }
    // Callers keep paths upper-cased; device nodes are not, so the listed spelling is opened.
    std::string actual = path;
    for (const std::string& listed : lib.backend->DevicePaths()) {
        if (SameBridgePath(listed, actual)) {
            actual = listed;
            break;
        }
    }
    std::unique_ptr<BridgeDevice> device = lib.backend->Open(actual);
    if (!device) {
        SetLastError(kErrorFileNotFound);
        return -1;
    }
    auto dev = std::make_shared<OpenDevice>();
    dev->device = std::move(device);
    const int handle = lib.nextHandle++;
    lib.open.emplace(handle, std::move(dev));
    return handle;
}

int CH9326GetAttributes(int handle, std::uint16_t* vendorId, std::uint16_t* productId,
                        std::uint16_t* version) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    Attributes attr;
    {
        std::lock_guard lock(dev->callMutex);
        if (!dev->device->GetAttributes(attr)) {
            SetLastError(kErrorGenFailure);
            return 0;
        }
    }
    if (vendorId) {
        *vendorId = attr.vendorId;
    }
    if (productId) {
        *productId = attr.productId;
    }
    if (version) {
        *version = attr.version;
    }
    return 1;
}

int CH9326SetRate(int handle, int rateCode, int checkCode, int stopCode, int dataCode, int interval) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    std::lock_guard lock(dev->callMutex);
    if (!dev->device->SetRate(rateCode, checkCode, stopCode, dataCode, interval)) {
        SetLastError(kErrorGenFailure);
        return 0;
    }
    return 1;
}

int CH9326GetBufferLen(int handle, std::uint16_t* inputLength, std::uint16_t* outputLength) {
    if (!Find(handle)) {
        return 0;
    }
    if (inputLength) {
        *inputLength = kReportPayload;
    }
    if (outputLength) {
        *outputLength = kReportPayload;
    }
    return 1;
}

// Kept with the device: reads never block (they take what the reader holds) and a report write is
// bounded by the device itself.
int CH9326SetTimeOut(int handle, std::uint32_t writeTimeoutMs, std::uint32_t readTimeoutMs) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    std::lock_guard lock(dev->callMutex);
    dev->writeTimeoutMs = writeTimeoutMs;
    dev->readTimeoutMs = readTimeoutMs;
    return 1;
}

int CH9326InitThreadData(int handle) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    std::lock_guard lock(dev->readerMutex);
    if (dev->reader.joinable()) {
        return 1;
    }
    if (!dev->device->CanRead()) {
        SetLastError(kErrorGenFailure);
        return 0;
    }
    try {
        dev->reader = std::thread(ReaderLoop, std::ref(*dev));
    } catch (const std::system_error&) {
        SetLastError(kErrorGenFailure);
        return 0;
    }
    return 1;
}

std::uint32_t CH9326GetThreadDataLen(int handle) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    std::lock_guard lock(dev->bufferMutex);
    return static_cast<std::uint32_t>(dev->received.Size());
}

int CH9326ReadThreadData(int handle, std::uint8_t* buffer, std::uint32_t* length) {
    if (buffer == nullptr || length == nullptr) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    auto dev = Find(handle);
    if (!dev) {
        *length = 0;
        return 0;
    }
    std::lock_guard lock(dev->bufferMutex);
    *length = static_cast<std::uint32_t>(dev->received.Pop(std::span(buffer, *length)));
    return 1;
}

int CH9326ClearThreadData(int handle) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    std::lock_guard lock(dev->bufferMutex);
    dev->received.Clear();
    return 1;
}

int CH9326WriteData(int handle, const std::uint8_t* buffer, std::uint32_t length, Ch9326Event* event) {
    if (event) {
        event->Reset(0);
    }
    int result = 1;
    auto dev = Find(handle);
    if (!dev) {
        result = 0;
    } else if (buffer == nullptr && length > 0) {
        SetLastError(kErrorInvalidParameter);
        result = 0;
    } else {
        std::lock_guard lock(dev->callMutex);
        for (std::uint32_t pos = 0; pos < length; pos += kReportPayload) {
            const std::uint32_t n = std::min<std::uint32_t>(kReportPayload, length - pos);
            if (!dev->device->WriteReport(std::span(buffer + pos, n))) {
                SetLastError(kErrorGenFailure);
                result = 0;
                break;
            }
        }
    }
    if (event) {
        event->Set(0);
    }
    return result;
}

int CH9326StopThread(int handle) {
    auto dev = Find(handle);
    if (!dev) {
        return 0;
    }
    StopReader(*dev);
    return 1;
}

int CH9326CloseDevice(int handle) {
    std::shared_ptr<OpenDevice> dev;
    {
        Library& lib = Lib();
        std::lock_guard lock(lib.mutex);
        auto it = lib.open.find(handle);
        if (it == lib.open.end()) {
            SetLastError(kErrorInvalidHandle);
            return 0;
        }
        dev = std::move(it->second);
        lib.open.erase(it);
    }
    StopReader(*dev);
    return 1; // the device closes with the last reference
}

} // namespace kel
