#include "driver/sim/I8042Controller.h"

#include "driver/sim/PosKeyboard.h"

namespace lay::sim {

namespace {
constexpr std::uint16_t DataPort = 0x60;
constexpr std::uint16_t CommandPort = 0x64;
constexpr std::uint8_t StatusOutputFull = 0x01;
constexpr std::uint8_t StatusInputFull = 0x02;
constexpr std::uint8_t StatusSystemFlag = 0x04;
} // namespace

std::uint8_t TI8042Controller::ReadPort(std::uint16_t port) {
    if (port == CommandPort) {
        std::uint8_t status = 0;
        if (FOutputFull) {
            status |= StatusOutputFull;
        }
        if (InputFull()) {
            status |= StatusInputFull;
        }
        if (FCommandByte & SystemFlag) {
            status |= StatusSystemFlag;
        }
        return status;
    }
    if (port != DataPort) {
        return 0xFF;
    }
    const std::uint8_t value = FOutput;
    if (FOutputFull) {
        FOutputFull = false;
        if (FKeyboard != nullptr) {
            FClock.Schedule(0, [this] { FKeyboard->OutputFree(); });
        }
    }
    return value;
}

void TI8042Controller::StayBusyAfterWrites(int writes, std::int64_t microseconds) {
    FBusyAfterWrites = writes;
    FBusyDuration = microseconds;
}

void TI8042Controller::TakeInput(std::int64_t busy) {
    FBusyUntil = FClock.Now() + busy;
    if (FBusyAfterWrites > 0 && --FBusyAfterWrites == 0) {
        FBusyUntil = FClock.Now() + FBusyDuration;
    }
}

void TI8042Controller::WritePort(std::uint16_t port, std::uint8_t value) {
    if (port != DataPort && port != CommandPort) {
        return;
    }
    FWrites.push_back({port, value, FClock.Now()});
    if (InputFull()) {
        ++FLostWrites;
        return;
    }
    TakeInput(InputTime);
    if (port == DataPort) {
        if (FExpectCommandByte) {
            FExpectCommandByte = false;
            FCommandByte = value;
        } else if (FKeyboard != nullptr) {
            FKeyboard->ReceiveFromHost(value);
        }
        return;
    }
    switch (value) {
    case 0x20:
        Deliver(FCommandByte, false);
        break;
    case 0x60:
        FExpectCommandByte = true;
        break;
    case 0xA7:
        FCommandByte |= MouseDisabled;
        break;
    case 0xA8:
        FCommandByte &= static_cast<std::uint8_t>(~MouseDisabled);
        break;
    case 0xAA:
        Deliver(0x55, false);
        break;
    case 0xAD:
        FCommandByte |= KeyboardDisabled;
        break;
    case 0xAE:
        FCommandByte &= static_cast<std::uint8_t>(~KeyboardDisabled);
        if (FKeyboard != nullptr) {
            FClock.Schedule(0, [this] { FKeyboard->OutputFree(); });
        }
        break;
    default:
        break;
    }
}

std::vector<std::uint8_t> TI8042Controller::CommandByteWrites() const {
    std::vector<std::uint8_t> values;
    for (std::size_t i = 0; i + 1 < FWrites.size(); ++i) {
        if (FWrites[i].Port == CommandPort && FWrites[i].Value == 0x60 && FWrites[i + 1].Port == DataPort) {
            values.push_back(FWrites[i + 1].Value);
        }
    }
    return values;
}

bool TI8042Controller::OfferKeyboardByte(std::uint8_t byte) {
    if (FOutputFull || (FCommandByte & KeyboardDisabled)) {
        return false;
    }
    if (FCommandByte & Translation) {
        // Translation folds the break prefix into bit 7 of the code that follows; the other
        // codes are left as they come, which is all that matters to the driver.
        if (byte == 0xF0) {
            FBreakPending = true;
            FClock.Schedule(0, [this] { FKeyboard->OutputFree(); });
            return true;
        }
        if (FBreakPending) {
            FBreakPending = false;
            byte |= 0x80;
        }
    }
    Deliver(byte, true);
    return true;
}

void TI8042Controller::Deliver(std::uint8_t byte, bool fromKeyboard) {
    FOutput = byte;
    FOutputFull = true;
    if (fromKeyboard && (FCommandByte & KeyboardInterrupt) && FInterrupt) {
        FInterrupt();
    }
}

} // namespace lay::sim
