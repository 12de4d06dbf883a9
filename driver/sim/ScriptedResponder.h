#pragma once

#include <deque>
#include <vector>

#include "driver/sim/FrameResponder.h"

namespace lay::sim {

// Answers frames from a script: each received frame takes the next queued answer; when the
// script has run out, the fallback answer (empty: no answer at all) is sent.
class TScriptedResponder : public TFrameResponder {
public:
    TBytes OnFrame(const TBytes& frame) override;

    void Add(TBytes answer) { FAnswers.push_back(std::move(answer)); }
    void SetFallback(TBytes answer) { FFallback = std::move(answer); }
    const std::vector<TBytes>& Frames() const { return FFrames; }

    // A whole frame around the given data: STX, LEN, DATA and the exclusive OR of LEN and DATA.
    static TBytes Frame(const TBytes& data);

private:
    std::deque<TBytes> FAnswers;
    TBytes FFallback;
    std::vector<TBytes> FFrames;
};

} // namespace lay::sim
