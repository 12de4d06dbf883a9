#include "driver/sim/ScriptedResponder.h"

#include <stdexcept>

namespace lay::sim {

TBytes TScriptedResponder::OnFrame(const TBytes& frame) {
    FFrames.push_back(frame);
    if (FAnswers.empty()) {
        return FFallback;
    }
    TBytes answer = std::move(FAnswers.front());
    FAnswers.pop_front();
    return answer;
}

TBytes TScriptedResponder::Frame(const TBytes& data) {
    if (data.size() > 255) {
        throw std::length_error("a frame holds at most 255 data bytes");
    }
    TBytes frame{0x02, static_cast<std::uint8_t>(data.size())};
    std::uint8_t lrc = frame[1];
    for (std::uint8_t b : data) {
        frame.push_back(b);
        lrc ^= b;
    }
    frame.push_back(lrc);
    return frame;
}

} // namespace lay::sim
