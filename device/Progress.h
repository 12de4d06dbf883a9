#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace lay {

class TClock;

enum : std::uint8_t { psStarted = 0, psFinished = 1, psStep = 2 };

// Progress and cancellation of the running device operation. Whoever shows it sets OnProgress;
// cancelling takes effect after the block being transferred.
class TProgress {
public:
    TProgress();

    int Max = 0;
    std::string Caption;
    int Elapsed = 0; // whole seconds since Start, as of the last Step
    std::uint32_t StartTick = 0;
    int Position = 0;
    bool Cancelled = false;
    std::uint8_t State = psFinished;
    std::function<void(TProgress&)> OnProgress;

    void Start(int max, const std::string& caption);
    void Step(int position);
    void Finish();
    void Cancel() { Cancelled = true; }

    void SetClock(TClock& clock) { FClock = &clock; }

private:
    void Notify();
    TClock* FClock;
};

} // namespace lay
