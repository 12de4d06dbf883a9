#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "driver/sim/VirtualClock.h"

namespace lay::sim {

class TPosKeyboard;

// The keyboard side of an i8042 controller: status and data ports, the command byte, the one-byte
// output buffer that holds the keyboard back until it is read, and the keyboard interrupt. The
// mouse port is only a bit in the command byte.
class TI8042Controller {
public:
    struct TWrite {
        std::uint16_t Port;
        std::uint8_t Value;
        std::int64_t Time;
    };

    static constexpr std::uint8_t KeyboardInterrupt = 0x01;
    static constexpr std::uint8_t MouseInterrupt = 0x02;
    static constexpr std::uint8_t SystemFlag = 0x04;
    static constexpr std::uint8_t KeyboardDisabled = 0x10;
    static constexpr std::uint8_t MouseDisabled = 0x20;
    static constexpr std::uint8_t Translation = 0x40;

    explicit TI8042Controller(TVirtualClock& clock) : FClock(clock) {}

    void Attach(TPosKeyboard* keyboard) { FKeyboard = keyboard; }
    // The interrupt line: called when a keyboard byte lands in the output buffer while the
    // keyboard interrupt is enabled.
    void OnInterrupt(std::function<void()> handler) { FInterrupt = std::move(handler); }

    std::uint8_t ReadPort(std::uint16_t port);
    void WritePort(std::uint16_t port, std::uint8_t value);

    // The keyboard offers its next byte; false while the output buffer is still full or the
    // keyboard interface is off, and the keyboard tries again when told the buffer is free.
    bool OfferKeyboardByte(std::uint8_t byte);

    std::uint8_t CommandByte() const { return FCommandByte; }
    void SetCommandByte(std::uint8_t value) { FCommandByte = value; }
    bool MouseEnabled() const { return !(FCommandByte & MouseDisabled); }
    bool OutputFull() const { return FOutputFull; }
    bool InputFull() const { return FClock.Now() < FBusyUntil; }
    const std::vector<TWrite>& Writes() const { return FWrites; }
    // Values written to the command byte, in order.
    std::vector<std::uint8_t> CommandByteWrites() const;
    // Bytes written while the input buffer was still full: the controller lost them.
    int LostWrites() const { return FLostWrites; }

    // Faults. The input buffer stays full for the given time from now, or from the moment of the
    // n-th port write from now on (n = 1: the next write).
    void StayBusy(std::int64_t microseconds) { FBusyUntil = FClock.Now() + microseconds; }
    void StayBusyAfterWrites(int writes, std::int64_t microseconds);

    // How long the controller needs to take a written byte off its input buffer.
    std::int64_t InputTime = 10;

private:
    void TakeInput(std::int64_t busy);
    void Deliver(std::uint8_t byte, bool fromKeyboard);

    TVirtualClock& FClock;
    TPosKeyboard* FKeyboard = nullptr;
    std::function<void()> FInterrupt;
    std::uint8_t FCommandByte = KeyboardInterrupt | MouseInterrupt | SystemFlag | Translation;
    std::uint8_t FOutput = 0;
    bool FOutputFull = false;
    bool FExpectCommandByte = false;
    bool FBreakPending = false;
    std::int64_t FBusyUntil = 0;
    int FBusyAfterWrites = 0;
    std::int64_t FBusyDuration = 0;
    int FLostWrites = 0;
    std::vector<TWrite> FWrites;
};

} // namespace lay::sim
