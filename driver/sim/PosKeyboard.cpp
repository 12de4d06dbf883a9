#include "driver/sim/PosKeyboard.h"

#include "driver/sim/I8042Controller.h"

namespace lay::sim {

namespace {
constexpr std::uint8_t Ack = 0xFA;
constexpr std::uint8_t Resend = 0xFE;
constexpr std::uint8_t Stx = 0x02;
} // namespace

TPosKeyboard::TPosKeyboard(TVirtualClock& clock, TI8042Controller& controller,
                           std::unique_ptr<TFrameResponder> responder)
    : FClock(clock), FController(controller), FResponder(std::move(responder)) {}

void TPosKeyboard::FailAcks(int count, int forByte, std::uint8_t reply, bool drop) {
    FAckFaults.push_back({count, forByte, reply, drop});
}

void TPosKeyboard::Restart(std::int64_t pause) {
    FRestartUntil = FClock.Now() + pause;
    FInFrame = false;
    FArgumentFor = -1;
    FScanning = true;
}

void TPosKeyboard::ReceiveFromHost(std::uint8_t byte) {
    FClock.Schedule(WireTime, [this, byte] { React(byte); });
}

void TPosKeyboard::Reply(std::uint8_t byte) {
    Enqueue(byte, 0);
}

void TPosKeyboard::React(std::uint8_t byte) {
    FReceived.push_back(byte);
    if (FMute || Restarting()) {
        return;
    }
    for (auto& fault : FAckFaults) {
        if (fault.Count > 0 && (fault.ForByte < 0 || fault.ForByte == byte)) {
            --fault.Count;
            if (!fault.Drop) {
                Reply(fault.Reply);
            }
            return; // the byte was not taken: the host has to send it again
        }
    }

    if (FInFrame) {
        FFrame.push_back(byte);
        Reply(Ack);
        if (FFrame.size() >= 2 && FFrame.size() == std::size_t{FFrame[1]} + 3) {
            FInFrame = false;
            FFrames.push_back(FFrame);
            SendAnswer(FResponder ? FResponder->OnFrame(FFrame) : TBytes{});
        }
        return;
    }
    if (FArgumentFor >= 0) {
        if (FArgumentFor == 0xF3) {
            FTypematic = byte;
        } else {
            FLeds = byte;
        }
        FArgumentFor = -1;
        Reply(Ack);
        return;
    }
    switch (byte) {
    case Stx:
        FInFrame = true;
        FFrame.assign(1, byte);
        Reply(Ack);
        break;
    case 0xF5: // stop scanning, back to the default rate and delay
        FScanning = false;
        FTypematic = 0x2B;
        Reply(Ack);
        break;
    case 0xF4:
        FScanning = true;
        Reply(Ack);
        break;
    case 0xF6:
        FTypematic = 0x2B;
        Reply(Ack);
        break;
    case 0xF3:
    case 0xED:
        FArgumentFor = byte;
        Reply(Ack);
        break;
    case 0xEE:
        Reply(0xEE);
        break;
    case 0xF2:
        Reply(Ack);
        Reply(0xAB);
        Reply(0x83);
        break;
    case 0xFF:
        FScanning = true;
        Reply(Ack);
        Enqueue(0xAA, 500000);
        break;
    default:
        Reply(Resend);
        break;
    }
}

void TPosKeyboard::SendAnswer(const TBytes& answer) {
    if (answer.empty()) {
        return;
    }
    TBytes wire = FNoise;
    wire.insert(wire.end(), answer.begin(), answer.end());
    bool first = true;
    for (std::uint8_t b : wire) {
        Enqueue(static_cast<std::uint8_t>(NibbleHigh | (b & 0x0F)), first ? AnswerDelay : AnswerByteTime);
        Enqueue(static_cast<std::uint8_t>(NibbleHigh | (b >> 4)), AnswerByteTime);
        first = false;
    }
}

void TPosKeyboard::Type(const TBytes& codes) {
    if (!FScanning || FMute) {
        return;
    }
    for (std::uint8_t code : codes) {
        Enqueue(code, 0);
    }
}

void TPosKeyboard::Enqueue(std::uint8_t byte, std::int64_t gap) {
    FOutput.push_back({byte, gap});
    Pump();
}

void TPosKeyboard::Pump() {
    if (FSending || FOutput.empty()) {
        return;
    }
    FSending = true;
    // The gap counts from the moment the line became free; the byte then takes its wire time.
    FClock.Schedule(FOutput.front().Gap + WireTime, [this] {
        FBlocked = false;
        const std::uint8_t byte = FOutput.front().Byte;
        if (!FController.OfferKeyboardByte(byte)) {
            FBlocked = true; // the controller holds the clock line until its buffer is read
            return;
        }
        FSent.push_back(byte);
        FOutput.pop_front();
        FSending = false;
        Pump();
    });
}

void TPosKeyboard::OutputFree() {
    if (!FBlocked || FOutput.empty()) {
        return;
    }
    FBlocked = false;
    const std::uint8_t byte = FOutput.front().Byte;
    if (!FController.OfferKeyboardByte(byte)) {
        FBlocked = true;
        return;
    }
    FSent.push_back(byte);
    FOutput.pop_front();
    FSending = false;
    Pump();
}

} // namespace lay::sim
