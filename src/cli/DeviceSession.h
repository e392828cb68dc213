// One connection of the command line to the device: the window's Connect search and message
// handling, driven by a loop that waits for what a command needs.
#pragma once

#include "cli/CliHooks.h"
#include "connection/Connection.h"

#include <chrono>
#include <functional>
#include <string>

namespace kel::cli {

class DeviceSession {
  public:
    DeviceSession(LinkPorts& links, CliHooks& hooks);
    ~DeviceSession();

    // Connects and waits for the identification; with initialRead also for the initial read.
    bool Open(bool initialRead);
    // Handles posted messages until done() holds (true) or the connection failed or stalled (false).
    // The wait follows the work: it lasts as long as frames keep being acknowledged, each giving the
    // next one the per-frame budget of the timing table.
    bool RunUntil(const std::function<bool()>& done);
    void Close();

    bool Failed() const { return m_failed; }
    bool Identified() const { return m_identified; }
    // What went wrong, for the command's message: the link failed or the device stopped answering, and
    // how far the numbered transfer got ("12 of 439 frames acknowledged").
    // Without `frames` the count is left out (a transfer that is not a numbered run, such as apply's).
    std::string FailureText(bool frames = true) const;
    int LevelReports() const { return m_levelReports; }
    // Called for every level report with its type (12 or 24).
    std::function<void(int)> onLevels;

  private:
    void Dispatch(const PostedMessage& msg);
    std::chrono::steady_clock::duration FrameBudget() const;
    // Grows with every acknowledged frame, change sent and level report.
    int ProgressMark() const;

    CliHooks& m_hooks;
    CConnection m_connection;
    bool m_wantInitialRead = false;
    bool m_identified = false;
    bool m_failed = false;
    bool m_stalled = false;
    int m_levelReports = 0;
};

} // namespace kel::cli
