// The serial link: frames written whole to a termios port at 115200 8N1, replies collected as they arrive.
#pragma once

#include "transport/EventSet.h"
#include "transport/StopSignal.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kel {

inline constexpr int kSerialBaud = 115200;
inline constexpr int kSerialEventMask = 9; // received character and CTS change
inline constexpr int kSerialBufferSize = 115200;
inline constexpr int kSerialErrorTextMax = 199;

// The number at the end of a port name or path (3 for ttyS3 or /dev/pts/3); 0 when there is none.
int PortNumberOf(const std::string& portName);
// The error box text for a failed port operation, at most 199 characters.
std::string SerialErrorText(const std::string& operation, int error, int portNumber);

class CSerialPort {
  public:
    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens and configures a port by its device path. A port that is absent, not a character device or
    // locked by another program fails silently; a configuration step the port refuses shows the error
    // box but does not make Open fail. Stop-bits code 1 is one and a half (two on this platform), 2 two.
    bool Open(const std::string& path, int baud = kSerialBaud, char parity = 'N', int dataBits = 8,
              int stopBits = 0, int eventMask = kSerialEventMask, int bufferSize = kSerialBufferSize);
    // Begins the exchange thread; false without an open port or when the thread cannot start.
    bool Start();
    // Ends the thread (returns after it ended) and releases the port. Never call with ImageLock held.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    bool IsRunning() const { return m_thread.joinable(); }
    int PortNumber() const { return m_portNumber; }
    // True once the running thread has posted MSG_TRANSPORT_FAILED; cleared by Start and Close, so a
    // failure message still queued from an earlier run can be told apart.
    bool HasFailed() const { return m_failed.load(); }

  private:
    enum Event : std::size_t { EV_QUIT, EV_SEND, EV_PREPARE };
    enum Wake : int { WAKE_TIMEOUT = -1, WAKE_PORT = 3, WAKE_PORT_GONE = 4 };

    void Run();
    int Wait(int baseMs);
    void Signal(Event e);
    void WriteStep();
    void ReceiveStep();
    int BytesWaiting(); // -1 when the query fails
    void Purge();
    void ReportFailure();
    void ShowError(const char* operation, int error) const;

    int m_fd = -1;
    int m_wakeFd = -1; // eventfd that makes the port wait notice the events
    int m_portNumber = 0;
    bool m_portFailed = false;
    std::mutex m_portLock;
    EventSet<3> m_events;
    StopSignal m_quitPauses; // wakes the thread's pauses when Close runs
    std::atomic<int> m_stopRequested{0};
    std::atomic<int> m_alive{0};
    std::atomic<bool> m_failed{false};
    std::thread m_thread;
    std::vector<std::uint8_t> m_readBuffer;
    int m_bufferSize = 0;
    int m_eventMask = 0;
};

} // namespace kel
