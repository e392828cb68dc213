// A fixed set of manual-reset events that one thread waits on together, the first set one winning.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kel {

template <std::size_t N>
class EventSet {
public:
    void Set(std::size_t i) {
        {
            std::lock_guard lock(m_mutex);
            m_signalled[i] = true;
        }
        m_changed.notify_all();
    }
    void Reset(std::size_t i) {
        std::lock_guard lock(m_mutex);
        m_signalled[i] = false;
    }
    void ResetAll() {
        std::lock_guard lock(m_mutex);
        m_signalled.fill(false);
    }
    bool IsSet(std::size_t i) const {
        std::lock_guard lock(m_mutex);
        return m_signalled[i];
    }
    // Waits until any event is set; returns the lowest set index, or -1 after the time-out.
    // Manual reset: the event stays set until Reset.
    int WaitAny(std::chrono::microseconds timeout) {
        std::unique_lock lock(m_mutex);
        int found = -1;
        m_changed.wait_for(lock, timeout, [&] {
            found = FirstSet();
            return found >= 0;
        });
        return found;
    }

private:
    int FirstSet() const {
        for (std::size_t i = 0; i < N; ++i) {
            if (m_signalled[i]) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<bool, N> m_signalled{};
};

} // namespace kel
