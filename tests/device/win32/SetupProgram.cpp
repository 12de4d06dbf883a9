// Linked for Windows only, to prove that the installation code builds and binds the Setup API by
// name: the image must not import setupapi.dll.
#include <string>
#include <vector>

#include "device/DriverSetup.h"

int main(int argc, char** argv) {
    const std::vector<std::string> params(argv + 1, argv + argc);
    return lay::InitialCheck(params) ? 0 : 1;
}
