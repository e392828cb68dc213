// A stop request that a link thread's pauses wake up for, so that closing a link never waits out a pause.
#pragma once

#include "model/Timing.h"

#include <condition_variable>
#include <mutex>

namespace kel {

class StopSignal {
  public:
    void Request() {
        {
            std::lock_guard lock(m_mutex);
            m_requested = true;
        }
        m_changed.notify_all();
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_requested = false;
    }
    bool IsRequested() const {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }
    // Sleeps a base duration of the timing table; returns early (false) once a stop is requested.
    bool Pause(int baseMs) {
        std::unique_lock lock(m_mutex);
        return !m_changed.wait_for(lock, timing::Scaled(baseMs), [this] { return m_requested; });
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_requested = false;
};

} // namespace kel
