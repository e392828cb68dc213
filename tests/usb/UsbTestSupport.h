// Fixtures of the USB bridge tests: recording hooks, waiting, and a small acknowledging responder.
#pragma once

#include "model/AppHooks.h"
#include "support/Wait.h"
#include "transport/usb/SimBridge.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kel::test {

struct Posted {
    int message;
    std::intptr_t wParam;
    std::intptr_t lParam;
};

// Records what the core hands to the window; never blocks.
class RecordingHooks : public NullHooks {
  public:
    void PostMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override {
        std::function<void(const Posted&)> react;
        {
            std::lock_guard lock(m_mutex);
            m_posted.push_back({message, wParam, lParam});
            react = m_onPost;
        }
        if (react) {
            react({message, wParam, lParam});
        }
    }
    bool HasWindow() const override { return true; }
    void MessageBox(const std::string& text, const std::string&, BoxIcon) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back(text);
    }
    void BeginProgress(int total) override {
        std::lock_guard lock(m_mutex);
        m_progressTotal = total;
        m_steps.clear();
    }
    void StepProgress(int position) override {
        std::lock_guard lock(m_mutex);
        m_steps.push_back(position);
    }
    int ProgressTotal() const {
        std::lock_guard lock(m_mutex);
        return m_progressTotal;
    }
    std::vector<int> Steps() const {
        std::lock_guard lock(m_mutex);
        return m_steps;
    }
    std::vector<Posted> PostedOf(int message) const {
        std::lock_guard lock(m_mutex);
        std::vector<Posted> out;
        for (const Posted& p : m_posted) {
            if (p.message == message) {
                out.push_back(p);
            }
        }
        return out;
    }
    std::vector<std::string> Boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }
    // Runs on the posting thread, like a window's handler would run later on its own.
    void OnPost(std::function<void(const Posted&)> react) {
        std::lock_guard lock(m_mutex);
        m_onPost = std::move(react);
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<Posted> m_posted;
    std::vector<std::string> m_boxes;
    int m_progressTotal = 0;
    std::vector<int> m_steps;
    std::function<void(const Posted&)> m_onPost;
};

// A device that answers every complete frame with an acknowledgement of its type (meter polls with
// twelve zero meter bytes), optionally corrupted, silent, or preceded by noise.
class Responder : public bridge::BridgePeer {
  public:
    std::vector<std::uint8_t> Receive(std::span<const std::uint8_t> bytes) override {
        std::lock_guard lock(m_mutex);
        std::vector<std::uint8_t> reply;
        for (std::uint8_t b : bytes) {
            if (m_rx.empty() && b != 0xFF) {
                continue; // padding and noise between frames
            }
            if (m_rx.size() == 1 && b != 0x55) {
                m_rx.clear();
                continue;
            }
            m_rx.push_back(b);
            if (m_rx.size() >= 4 && m_rx.size() == static_cast<std::size_t>(m_rx[2] | (m_rx[3] << 8)) + 4u) {
                ++m_frames;
                if (!silent) {
                    Answer(m_rx[4], reply);
                }
                m_rx.clear();
            }
        }
        return reply;
    }
    void QuietGap() override {
        std::lock_guard lock(m_mutex);
        m_rx.clear();
    }
    int Frames() const {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

    std::atomic<bool> silent{false};
    std::atomic<bool> corrupt{false};
    std::atomic<std::size_t> noiseBefore{0}; // noise bytes sent ahead of each reply

  private:
    void Answer(std::uint8_t type, std::vector<std::uint8_t>& out) const {
        out.insert(out.end(), noiseBefore.load(), 0x11);
        std::vector<std::uint8_t> body{type};
        if (type == 12 || type == 24) {
            body.resize(13, 0);
        } else if (type == 127) {
            body.insert(body.end(), {1, 1}); // capability, store permission
        } else {
            body.push_back(0); // status: accepted
        }
        const auto count = static_cast<std::uint16_t>(body.size() + 1);
        std::vector<std::uint8_t> frame{0xFF, 0x55, static_cast<std::uint8_t>(count & 0xFF),
                                        static_cast<std::uint8_t>(count >> 8)};
        frame.insert(frame.end(), body.begin(), body.end());
        std::uint8_t sum = 0;
        for (std::size_t i = 2; i < frame.size(); ++i) {
            sum = static_cast<std::uint8_t>(sum + frame[i]);
        }
        frame.push_back(corrupt ? static_cast<std::uint8_t>(sum + 1) : sum);
        out.insert(out.end(), frame.begin(), frame.end());
    }

    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_rx;
    int m_frames = 0;
};

} // namespace kel::test
