#include "cli/Commands.h"

#include <iostream>

int main(int argc, char** argv) {
    return lay::cli::Run(argc, argv, std::cout, std::cerr);
}
