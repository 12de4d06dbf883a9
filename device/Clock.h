#pragma once

#include <cstdint>

namespace lay {

// Where the device code gets its time: a millisecond tick count and a pause. The program uses
// the system's clock; the simulator and the tests hand in a virtual one, so that a three-second
// time-out passes in microseconds of real time.
class TClock {
public:
    virtual ~TClock() = default;
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

TClock& SystemClock();

} // namespace lay
