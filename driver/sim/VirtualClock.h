#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace lay::sim {

// Time of the simulated machine in microseconds. Nothing in the simulator sleeps: time moves
// only when the code under test stalls or waits, and everything that was due meanwhile (a byte
// on the wire, an interrupt, a DPC) happens in order of its time, ties in order of scheduling.
class TVirtualClock {
public:
    using TAction = std::function<void()>;

    std::int64_t Now() const { return FNow; }
    void Schedule(std::int64_t delay, TAction action);
    // Moves time forward by the given amount, running what falls due.
    void Advance(std::int64_t microseconds);
    // Runs due actions until done() is true or the deadline is reached; time stops at the
    // moment done() became true, or at the deadline. Returns done().
    bool RunUntil(const std::function<bool()>& done, std::int64_t deadline);
    bool HasPending() const { return !FQueue.empty(); }

private:
    bool RunNextDue(std::int64_t limit);

    std::int64_t FNow = 0;
    std::uint64_t FSequence = 0;
    std::map<std::pair<std::int64_t, std::uint64_t>, TAction> FQueue;
};

} // namespace lay::sim
