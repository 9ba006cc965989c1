// How writing a timer's period acts on the running system timer.
#pragma once

#include <algorithm>

namespace timelock {

struct TimerPlan {
    bool changes = false;  // false: the timer keeps running on its old schedule
    bool stop = false;     // KillTimer first
    bool start = false;    // then SetTimer with `period`
    int period = 0;
};

constexpr TimerPlan PlanPeriodWrite(int current, int requested) noexcept {
    const int period = std::max(requested, 0);
    if (period == current) return {};
    return {true, current > 0, period > 0, period};
}

}  // namespace timelock
