// The USB-HID-to-UART bridge calls the USB transport is built on, with a hidraw and a simulated back-end.
#pragma once

#include "transport/EventSet.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace kel {

namespace bridge {
// The bridge chip's USB ids: what discovery lists, what the simulated bridges report by default and
// what the USB transport insists on.
inline constexpr std::uint16_t kBridgeVendorId = 0x1A86;
inline constexpr std::uint16_t kBridgeProductId = 0xE010;
} // namespace bridge

// Signalled by CH9326WriteData when a write has finished (successfully or not).
using Ch9326Event = EventSet<1>;

// Chooses the back-end (see bridge::UseSimulatedBridge) and prepares it. 1 when ready.
int CH9326DllInt();
// Writes the device path of bridge `index` (enumeration order) into `buffer`, NUL-terminated.
// 0 when there is none; past the last bridge the last error is bridge::kErrorNoMoreItems.
int CH9326GetDevicePath(std::uint32_t index, char* buffer, std::uint32_t size);
// Opens a path as listed by CH9326GetDevicePath (letter case ignored). A handle, or -1.
int CH9326OpenDevicePath(const char* path, int shareMode);
int CH9326GetAttributes(int handle, std::uint16_t* vendorId, std::uint16_t* productId,
                        std::uint16_t* version);
// UART set-up codes of the bridge, kept with the device; 1 on success.
int CH9326SetRate(int handle, int rateCode, int checkCode, int stopCode, int dataCode, int interval);
// Payload bytes of one input and one output report.
int CH9326GetBufferLen(int handle, std::uint16_t* inputLength, std::uint16_t* outputLength);
int CH9326SetTimeOut(int handle, std::uint32_t writeTimeoutMs, std::uint32_t readTimeoutMs);
// Starts the background reader that buffers received bytes until CH9326ReadThreadData takes them.
int CH9326InitThreadData(int handle);
// Received bytes waiting in the reader's buffer.
std::uint32_t CH9326GetThreadDataLen(int handle);
// Takes up to *length waiting bytes; *length comes back as the number copied.
int CH9326ReadThreadData(int handle, std::uint8_t* buffer, std::uint32_t* length);
int CH9326ClearThreadData(int handle);
// Sends `length` bytes, 31 to an output report. 1 when all were written. `event` may be null.
int CH9326WriteData(int handle, const std::uint8_t* buffer, std::uint32_t length, Ch9326Event* event);
int CH9326StopThread(int handle);
int CH9326CloseDevice(int handle);

namespace bridge {

// The layer's last-error values (per thread, like errno). Successful calls leave it alone.
inline constexpr int kErrorNone = 0;
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorInvalidHandle = 6;
inline constexpr int kErrorGenFailure = 31;
inline constexpr int kErrorInvalidParameter = 87;
inline constexpr int kErrorNoMoreItems = 259;

void SetLastError(int error);
int GetLastError();

// The bytes a bridge carries in one report, and the reader's buffer size.
inline constexpr int kReportPayload = 31;
inline constexpr int kReaderBufferBytes = 64 * 1024;

// Back-end choice, read by CH9326DllInt: the simulated bridge when this was called with true or,
// without a call, when the environment variable KELVANE_USB_BRIDGE is "sim" (then CH9326DllInt also
// plugs in one emulated processor if no simulated bridge is plugged); hidraw otherwise.
// The choice changes only while no handle is open.
void UseSimulatedBridge(bool simulated);
// Back to the default: the environment variable decides.
void FollowBridgeEnvironment();
bool SimulatedBridgeActive();
// Whether two bridge paths name the same bridge: the layer lists them in capitals, so without case.
bool SameBridgePath(const std::string& a, const std::string& b);
// Beyond the bridge's calls: waits up to `timeout` until the background reader holds received bytes and
// returns how many it holds (0 after the time-out or for a handle that is not open). Lets a receive
// step wake when a reply arrives instead of sleeping out a fixed poll interval.
std::uint32_t WaitThreadData(int handle, std::chrono::microseconds timeout);
// Handles opened and not yet closed (leak checks).
int OpenHandleCount();

} // namespace bridge

} // namespace kel
