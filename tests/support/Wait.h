// Waiting on observable state: poll a condition until it holds or a real-time limit passes.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace kel::test {

inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20),
                      std::chrono::milliseconds poll = std::chrono::milliseconds(2)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(poll);
    }
    return true;
}

} // namespace kel::test
