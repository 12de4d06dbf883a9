#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/KeyboardDriver.h"

namespace lay {

class TKeyboards;

struct TDeviceInfoRow {
    std::string Caption;
    std::string Value;
    bool Alarm = false; // shown with the warning picture
};

// What the device-information window shows, read from the keyboard.
struct TDeviceInfoReport {
    TDeviceInfo Program; // all zeros when the program is damaged
    TDeviceInfo Loader;
    std::uint32_t Status = 0; // PackStatus
    bool LayoutValid = false;
    std::vector<TDeviceInfoRow> Rows;
    std::string StateText;
};

inline constexpr const char* SLayoutWorks = "Загруженная раскладка работает нормально.";
inline constexpr const char* SLayoutBroken =
    "Раскладка клавиатуры повреждена\n\rили предназначается для другой версии прошивки.";

// Reads the status, the loader's information and, with a working program, the program's, then
// the rows in the window's order; scans the matrix when the loader can. The keyboard is back in
// work mode at the end, unless its program is damaged (then the program's rows are empty).
TDeviceInfoReport ReadDeviceInfo(TKeyboardDriver& driver, const TKeyboards& keyboards);

} // namespace lay
