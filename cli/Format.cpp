#include "cli/Format.h"

#include "cli/Args.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <algorithm>
#include <cctype>
#include <ostream>

namespace lay::cli {

namespace {
std::size_t Width(const std::string& s) {
    return DecodeUtf8(s).size();
}
} // namespace

void TTable::Print(std::ostream& out) const {
    std::vector<std::size_t> widths(FHeader.size(), 0);
    auto measure = [&](const std::vector<std::string>& row) {
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], Width(row[i]));
    };
    measure(FHeader);
    for (const auto& row : FRows)
        measure(row);
    auto print = [&](const std::vector<std::string>& row) {
        std::string line;
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - Width(row[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << '\n';
    };
    print(FHeader);
    for (const auto& row : FRows)
        print(row);
}

std::string HexSpaced(const TBytes& bytes) {
    std::string out = BytesToHexSpaced(bytes);
    if (!out.empty())
        out.pop_back();
    return out;
}

TBytes ParseHexArgument(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == ',')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            throw EUsage{"Не шестнадцатеричная цифра «" + std::string(1, c) + "» в «" + text + "»"};
        digits += c;
    }
    if (digits.size() % 2 != 0)
        throw EUsage{"Нечётное число шестнадцатеричных цифр в «" + text + "»"};
    TBytes bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace lay::cli
