#include "device/Clock.h"

#include <chrono>
#include <thread>

namespace lay {

namespace {

class TSystemClock : public TClock {
public:
    std::uint32_t TickCount() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        // Wraps like the system's own tick count; callers only ever subtract two of them.
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

} // namespace

TClock& SystemClock() {
    static TSystemClock clock;
    return clock;
}

} // namespace lay
