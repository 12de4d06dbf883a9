#pragma once

#include "cli/Commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace lay::test {

struct TCliResult {
    int Status;
    std::string Out;
    std::string Err;
};

inline TCliResult RunCli(const std::vector<std::string>& words) {
    std::ostringstream out, err;
    const int status = cli::Run(words, out, err);
    return {status, out.str(), err.str()};
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace lay::test
