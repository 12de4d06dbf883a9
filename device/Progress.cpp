#include "device/Progress.h"

#include "device/Clock.h"

namespace lay {

TProgress::TProgress() : FClock(&SystemClock()) {}

void TProgress::Notify() {
    if (OnProgress)
        OnProgress(*this);
}

void TProgress::Start(int max, const std::string& caption) {
    Max = max;
    Caption = caption;
    Cancelled = false;
    StartTick = FClock->TickCount();
    Position = 0;
    State = psStarted;
    Notify();
}

void TProgress::Step(int position) {
    const std::uint32_t ms = FClock->TickCount() - StartTick;
    std::uint32_t seconds = ms / 1000;
    const std::uint32_t rest = ms % 1000;
    if (rest > 500 || (rest == 500 && seconds % 2 == 1))
        ++seconds;
    Elapsed = static_cast<int>(seconds);
    Position = position;
    State = psStep;
    Notify();
}

void TProgress::Finish() {
    State = psFinished;
    Notify();
}

} // namespace lay
