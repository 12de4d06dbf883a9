#pragma once

#include "cli/Commands.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

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

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The layout fixtures and the shipped catalogue.
inline const std::string kLayouts = std::string(LAYOMATIC_TEST_DATA) + "/layouts/";
inline const std::string kCatalogue = std::string(LAYOMATIC_DATA) + "/Клавиатуры";

// A command-line test with a temporary folder of its own for the files it writes.
class TCliTest : public ::testing::Test {
protected:
    std::string Temp(const std::string& name) const { return FDir / name; }

    TTempDir FDir;
};

} // namespace lay::test
