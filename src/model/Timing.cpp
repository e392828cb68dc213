// The timing scale.
#include "model/Timing.h"

#include <atomic>
#include <thread>

namespace kel::timing {

namespace {
std::atomic<double> g_scale{1.0};
}

double Scale() { return g_scale.load(std::memory_order_relaxed); }

void SetScale(double scale) { g_scale.store(scale > 0 ? scale : 1.0, std::memory_order_relaxed); }

std::chrono::microseconds Scaled(int baseMs) {
    return std::chrono::microseconds(static_cast<long long>(baseMs * 1000.0 * Scale()));
}

void Sleep(int baseMs) { std::this_thread::sleep_for(Scaled(baseMs)); }

} // namespace kel::timing
