#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "driver/sim/FrameResponder.h"
#include "driver/sim/VirtualClock.h"

namespace lay::sim {

class TI8042Controller;

// A PS/2 POS keyboard as the controller sees it, byte by byte: it acknowledges with FAh, stops
// and starts scanning on F5h and F4h, takes F3h and EDh with their argument, collects a service
// frame that starts with 02h and, once the frame is complete, sends the answer its responder
// gives, every answer byte as two bytes, low nibble first. Faults can be ordered in advance.
class TPosKeyboard {
public:
    TPosKeyboard(TVirtualClock& clock, TI8042Controller& controller,
                 std::unique_ptr<TFrameResponder> responder);

    // A byte from the controller; the keyboard reacts once it has come over the wire.
    void ReceiveFromHost(std::uint8_t byte);
    // The controller's output buffer has been read: the next byte may go.
    void OutputFree();

    // Key presses and releases while scanning; dropped while the keyboard is silenced.
    void Type(const TBytes& codes);

    TFrameResponder& Responder() { return *FResponder; }
    void SetResponder(std::unique_ptr<TFrameResponder> responder) { FResponder = std::move(responder); }

    bool Scanning() const { return FScanning; }
    std::uint8_t TypematicByte() const { return FTypematic; }
    std::uint8_t Leds() const { return FLeds; }
    // Every byte the keyboard received, in order.
    const std::vector<std::uint8_t>& Received() const { return FReceived; }
    const std::vector<TBytes>& Frames() const { return FFrames; }
    // Bytes sent to the controller, in order.
    const std::vector<std::uint8_t>& Sent() const { return FSent; }

    // Faults.
    // Never answers anything, not even an acknowledgement.
    void SetMute(bool mute) { FMute = mute; }
    // The next count acknowledgements of the given byte (any byte for -1) are replaced by reply,
    // or left out entirely when drop is set.
    void FailAcks(int count, int forByte = -1, std::uint8_t reply = 0xFE, bool drop = false);
    // Whole bytes sent, nibble coded, ahead of every answer frame.
    void SetNoiseBeforeAnswer(TBytes noise) { FNoise = std::move(noise); }

    // The keyboard's processor starts over, as its firmware does after a mode switch: whatever
    // arrives during the pause is lost unacknowledged, a half-received frame is forgotten, and it
    // comes back scanning. Bytes already queued for sending (the answer that ordered the
    // restart) still go out.
    void Restart(std::int64_t pause);
    bool Restarting() const { return FClock.Now() < FRestartUntil; }

    // Timing, in microseconds. A byte takes WireTime on its way in either direction.
    std::int64_t WireTime = 1000;
    // From the end of a frame to the first answer byte.
    std::int64_t AnswerDelay = 2000;
    // Between two bytes of an answer: the keyboard's speed at sending, slow or in a burst.
    std::int64_t AnswerByteTime = 1000;
    // What the keyboard puts in the upper half of each nibble byte.
    std::uint8_t NibbleHigh = 0x00;

private:
    struct TPending {
        std::uint8_t Byte;
        std::int64_t Gap; // wait before this byte goes
    };

    void React(std::uint8_t byte);
    void Reply(std::uint8_t byte);
    void Enqueue(std::uint8_t byte, std::int64_t gap);
    void Pump();
    void SendAnswer(const TBytes& answer);

    TVirtualClock& FClock;
    TI8042Controller& FController;
    std::unique_ptr<TFrameResponder> FResponder;

    bool FScanning = true;
    bool FMute = false;
    std::int64_t FRestartUntil = 0;
    int FArgumentFor = -1;
    TBytes FFrame;
    bool FInFrame = false;
    std::uint8_t FTypematic = 0x2B;
    std::uint8_t FLeds = 0;

    struct TAckFault {
        int Count;
        int ForByte;
        std::uint8_t Reply;
        bool Drop;
    };
    std::vector<TAckFault> FAckFaults;
    TBytes FNoise;

    std::deque<TPending> FOutput;
    bool FSending = false; // a byte is on the wire or waiting for the output buffer
    bool FBlocked = false;

    std::vector<std::uint8_t> FReceived;
    std::vector<TBytes> FFrames;
    std::vector<std::uint8_t> FSent;
};

} // namespace lay::sim
