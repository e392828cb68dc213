// AppHooks of the command line: posted messages go into a queue the command loop waits on,
// message boxes and progress go to stderr.
#pragma once

#include "model/AppHooks.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace kel::cli {

struct PostedMessage {
    int message;
    std::intptr_t wParam;
    std::intptr_t lParam;
};

class CliHooks : public AppHooks {
  public:
    CliHooks();

    void PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;
    bool HasWindow() const override { return true; }
    void MessageBox(const std::string& text, const std::string& caption, BoxIcon icon) override;
    std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&) override {
        return m_path;
    }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return m_path;
    }
    void ShowLookup() override;
    void EndLookup() override {}
    void BeginProgress(int total) override;
    void StepProgress(int position) override;
    void ShowBusy() override {}
    void Hide() override {}
    void SaveAllPresets() override;

    // The path the file dialogs answer with.
    void SetPath(std::string path) { m_path = std::move(path); }
    // Waits for the next posted message until the deadline.
    std::optional<PostedMessage> Wait(std::chrono::steady_clock::time_point deadline);
    // Whether the last numbered run of frames has been answered completely.
    bool ProgressDone();
    int ProgressTotal();
    int ProgressPosition();
    // Once the device is open, a failing link is the command's to report (it knows what failed):
    // the window's "Unable to Open Device!" is not printed then.
    void SetDeviceOpen(bool open);
    // The message boxes shown so far.
    int Boxes();
    std::function<void()> onSaveAllPresets;
    // Told of every posted message, on the posting thread (kelvane-cli serve passes them on).
    std::function<void(int message)> onMessage;

  private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<PostedMessage> m_queue;
    std::optional<std::string> m_path;
    int m_total = 0;
    int m_position = 0;
    int m_boxes = 0;
    int m_reportedTenths = 0;
    bool m_terminal = false;
    bool m_deviceOpen = false;
};

} // namespace kel::cli
