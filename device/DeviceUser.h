#pragma once

#include <string>

namespace lay {

inline constexpr const char* SAttentionTitle = "Внимание";

// The person at the keyboard, as the device operations need them: a warning box titled
// "Внимание" with Yes and No, and one with OK. The editor shows boxes, the command line asks on
// the terminal, tests answer from a script.
class TDeviceUser {
public:
    virtual ~TDeviceUser() = default;
    virtual bool Confirm(const std::string& text) = 0;
    virtual void Warning(const std::string& text) = 0;
};

} // namespace lay
