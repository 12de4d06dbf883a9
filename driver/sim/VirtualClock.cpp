#include "driver/sim/VirtualClock.h"

namespace lay::sim {

void TVirtualClock::Schedule(std::int64_t delay, TAction action) {
    FQueue.emplace(std::make_pair(FNow + (delay > 0 ? delay : 0), FSequence++), std::move(action));
}

bool TVirtualClock::RunNextDue(std::int64_t limit) {
    if (FQueue.empty() || FQueue.begin()->first.first > limit) {
        return false;
    }
    auto first = FQueue.begin();
    FNow = first->first.first;
    TAction action = std::move(first->second);
    FQueue.erase(first);
    action();
    return true;
}

void TVirtualClock::Advance(std::int64_t microseconds) {
    const std::int64_t target = FNow + (microseconds > 0 ? microseconds : 0);
    while (RunNextDue(target)) {
    }
    FNow = target;
}

bool TVirtualClock::RunUntil(const std::function<bool()>& done, std::int64_t deadline) {
    while (!done()) {
        if (!RunNextDue(deadline)) {
            if (FNow < deadline) {
                FNow = deadline;
            }
            return done();
        }
    }
    return true;
}

} // namespace lay::sim
