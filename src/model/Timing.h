// Every pause and time-out of the transports and the progress dialog, in the system's own milliseconds.
// A process-wide scale shortens them all for tests and emulator runs (default 1).
#pragma once

#include <chrono>

namespace kel::timing {

// Network link.
inline constexpr int kNetCycleSleep = 60;
inline constexpr int kNetDatagramPause = 100;
inline constexpr int kNetShortPause = 1000;
inline constexpr int kNetLongPause = 3000;
inline constexpr int kNetBusyPause = 3000;
inline constexpr int kNetBusyBackoff = 4000;
inline constexpr int kNetSocketTimeout = 1000;
inline constexpr int kNetEventWait = 5000;
inline constexpr int kPingTimeout = 100;
inline constexpr int kNetClosePoll = 20;
inline constexpr int kNetCloseEventPause = 50;

// USB bridge link.
inline constexpr int kUsbWait = 100;
inline constexpr int kUsbWaitReplyPending = 200;
inline constexpr int kUsbIdleSleep = 100;
inline constexpr int kUsbBusySleep = 3000;
inline constexpr int kUsbEmptyPollSleep = 100;     // one empty poll of a reply wait, cut short by arrival
inline constexpr int kUsbEmptyPollSleepBusy = 500; // the same for a frame with the busy flag
inline constexpr int kUsbReadRetrySleep = 100;
inline constexpr int kUsbShortPause = 1000;
inline constexpr int kUsbLongPause = 3000;
inline constexpr int kUsbBusyPause = 3000;
inline constexpr int kUsbCloseEnd = 200; // after closing a bridge that was open
inline constexpr int kUsbPartialSleep = 100;   // after part of a reply, cut short by arrival
inline constexpr int kUsbAcceptedSleep = 100;  // after a reply was accepted
inline constexpr int kUsbBridgeTimeout = 10000; // write and read time-outs handed to the bridge

// The USB bridge layer and its simulated bridge.
inline constexpr int kBridgeReadPoll = 50;      // background reader's wait for one input report
inline constexpr int kSimBridgeQuietGap = 500;  // link idle this long: the device drops a partial frame
inline constexpr int kSimBridgeBaud = 115200;   // UART rate the simulated replies arrive at (8N1: 10 bits a byte)

// Serial link.
inline constexpr int kSerialWaitShortPause = 2000;
inline constexpr int kSerialWaitReply = 500;
inline constexpr int kSerialWaitIdle = 1000;
inline constexpr int kSerialLoopSleep = 20;
inline constexpr int kSerialEmptyPollSleep = 100;
inline constexpr int kSerialWriteWait = 1000;
inline constexpr int kSerialShortPause = 1000;
inline constexpr int kSerialLongPause = 4000;

// Emulated processor (kelvane-sim): its UDP and pseudo-terminal servers.
inline constexpr int kSimQuietGap = 500;    // no byte for this long: a half-received frame is dropped
inline constexpr int kSimPiecePause = 5;    // between the pieces of a split reply on the pseudo-terminal
inline constexpr int kSimWriteWait = 1000;  // a reader that takes nothing for this long loses the reply

// The command line's waits: a transfer may take as long as it keeps moving. Each frame acknowledged
// gives the next one this long: a network frame's longest pauses, its busy back-off and four tries
// (the other links give up on a frame sooner). Never less than kMinStallWait, whatever the scale.
inline constexpr int kFrameBudget =
    kNetShortPause + kNetLongPause + kNetBusyPause + kNetBusyBackoff + 4 * kNetSocketTimeout; // 15 s
inline constexpr int kMinStallWait = 10000; // not scaled: a loaded machine's own delays

// Progress dialog.
inline constexpr int kBusyTimer = 200;        // timer 8
inline constexpr int kLookupTimer = 10;       // timer 9
inline constexpr int kBusyHideDelay = 500;
inline constexpr int kLookupEndDelay = 1000;

// Skinned controls.
inline constexpr int kSliderReportTimer = 50; // slider timer 5: at most one MSG_SLIDER_MOVING per tick

double Scale();
void SetScale(double scale);
// A base duration in milliseconds after scaling.
std::chrono::microseconds Scaled(int baseMs);
// Sleep for a scaled base duration.
void Sleep(int baseMs);

} // namespace kel::timing
