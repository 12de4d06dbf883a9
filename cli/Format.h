#pragma once

#include "model/Types.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace lay::cli {

// Columns aligned by characters (not bytes), so Cyrillic headings line up.
class TTable {
public:
    explicit TTable(std::vector<std::string> header) : FHeader(std::move(header)) {}
    void AddRow(std::vector<std::string> row) { FRows.push_back(std::move(row)); }
    void Print(std::ostream& out) const;

private:
    std::vector<std::string> FHeader;
    std::vector<std::vector<std::string>> FRows;
};

// "E0 F0 14"
std::string HexSpaced(const TBytes& bytes);
// Hexadecimal bytes typed on a command line: pairs of digits in either case, spaces anywhere.
// Anything else is a usage error naming the offending text.
TBytes ParseHexArgument(const std::string& text);

} // namespace lay::cli
