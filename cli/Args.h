#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lay::cli {

// The words of one command: positional arguments and "--name", "--name=value" or
// "--name value" options. Every option a command accepts is named when it is parsed, so an
// unknown option is an error rather than a silently ignored word.
class TArgs {
public:
    // valued: options that take a value; flags: options that take none. An option in both lists
    // takes a value only when it is written with "=" (as "--simulator" and "--simulator=STATE").
    TArgs(const std::vector<std::string>& words, const std::vector<std::string>& valued,
          const std::vector<std::string>& flags);

    const std::vector<std::string>& Positional() const { return FPositional; }
    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    std::string ValueOr(const std::string& name, const std::string& fallback) const;
    // The option's value as a decimal integer; an error names the option when it is not one.
    std::optional<int> IntValue(const std::string& name) const;

private:
    std::vector<std::string> FPositional;
    std::vector<std::pair<std::string, std::optional<std::string>>> FOptions;
};

// A command-line mistake: printed with the command's usage, exit status 2.
struct EUsage {
    std::string Message;
};

} // namespace lay::cli
