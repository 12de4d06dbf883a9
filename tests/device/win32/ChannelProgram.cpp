// Linked for Windows only, to prove that the driver channel builds there: opens the control
// device through the PS/2 port and prints the driver's version, or the port's message.
#include <cstdio>
#include <exception>

#include "device/PortPS2.h"

int main() {
    lay::TPortPS2 port;
    try {
        std::printf("%s\n", port.GetDriverVersion().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}
