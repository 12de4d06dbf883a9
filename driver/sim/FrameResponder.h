#pragma once

#include "model/Types.h"

namespace lay::sim {

// What the keyboard's firmware makes of a service frame it received: the answer frame to send
// back (02h, LEN, DATA, LRC), or nothing at all. The keyboard takes care of the wire: the
// acknowledgements and the two nibble bytes per answer byte.
class TFrameResponder {
public:
    virtual ~TFrameResponder() = default;
    virtual TBytes OnFrame(const TBytes& frame) = 0;
};

} // namespace lay::sim
