// A timing-table duration as a Qt timer interval in whole milliseconds (never 0, which would spin).
#pragma once

#include "model/Timing.h"

#include <algorithm>

namespace kel {

inline int TimerMs(int baseMs) {
    const long long us = timing::Scaled(baseMs).count();
    return static_cast<int>(std::max<long long>(1, (us + 999) / 1000));
}

} // namespace kel
