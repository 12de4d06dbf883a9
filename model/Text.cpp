#include "model/Text.h"

#include "model/Errors.h"

#include <array>
#include <cstdio>
#include <utility>

namespace lay {

namespace {

// Bytes 80h to BFh; C0h to FFh are the 64 Russian letters U+0410 to U+044F. 98h has no
// character in the code page and is carried as U+0098 so that every byte survives a round trip.
constexpr std::array<char32_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

std::string Describe(char32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

} // namespace

char32_t Cp1251ToUnicode(std::uint8_t byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return kHigh[byte - 0x80];
}

int UnicodeToCp1251(char32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<int>(cp - 0x0410 + 0xC0);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t Utf8CharLength(std::string_view text, std::size_t at, char32_t& cp) {
    const auto b0 = static_cast<std::uint8_t>(text[at]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + len > text.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<std::uint8_t>(text[at + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

namespace {

// Decodes one character at text[i]; returns false for a malformed sequence (i then moves by one).
bool NextCodePoint(std::string_view text, std::size_t& i, char32_t& cp) {
    const std::size_t len = Utf8CharLength(text, i, cp);
    i += len == 0 ? 1 : len;
    return len != 0;
}

} // namespace

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        out += NextCodePoint(text, i, cp) ? cp : char32_t(0xFFFD);
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text)
        AppendUtf8(out, cp);
    return out;
}

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
        AppendUtf8(out, Cp1251ToUnicode(static_cast<std::uint8_t>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = i;
        char32_t cp = 0;
        if (!NextCodePoint(text, i, cp)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%02X",
                          static_cast<unsigned>(static_cast<std::uint8_t>(text[at])));
            throw EConvertError(std::string("Неверная последовательность UTF-8: байт ") + buf);
        }
        const int b = UnicodeToCp1251(cp);
        if (b < 0) {
            std::string ch;
            AppendUtf8(ch, cp);
            throw EConvertError("Символ «" + ch + "» (" + Describe(cp) +
                                ") нельзя записать в кодировке Windows-1251");
        }
        out += static_cast<char>(b);
    }
    return out;
}

namespace {

// Pairs of (lower, upper) outside the regular a-z and а-я ranges.
constexpr std::array<std::pair<char32_t, char32_t>, 15> kCasePairs = {{
    {0x0451, 0x0401}, // ё Ё
    {0x0452, 0x0402}, // ђ Ђ
    {0x0453, 0x0403}, // ѓ Ѓ
    {0x0454, 0x0404}, // є Є
    {0x0455, 0x0405}, // ѕ Ѕ
    {0x0456, 0x0406}, // і І
    {0x0457, 0x0407}, // ї Ї
    {0x0458, 0x0408}, // ј Ј
    {0x0459, 0x0409}, // љ Љ
    {0x045A, 0x040A}, // њ Њ
    {0x045B, 0x040B}, // ћ Ћ
    {0x045C, 0x040C}, // ќ Ќ
    {0x045E, 0x040E}, // ў Ў
    {0x045F, 0x040F}, // џ Џ
    {0x0491, 0x0490}, // ґ Ґ
}};

} // namespace

char32_t UpperChar(char32_t cp) {
    if (cp >= 'a' && cp <= 'z')
        return cp - 0x20;
    if (cp >= 0x0430 && cp <= 0x044F)
        return cp - 0x20;
    for (const auto& [lower, upper] : kCasePairs)
        if (cp == lower)
            return upper;
    return cp;
}

char32_t LowerChar(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 0x20;
    if (cp >= 0x0410 && cp <= 0x042F)
        return cp + 0x20;
    for (const auto& [lower, upper] : kCasePairs)
        if (cp == upper)
            return lower;
    return cp;
}

std::string AnsiUpperCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : DecodeUtf8(text))
        AppendUtf8(out, UpperChar(cp));
    return out;
}

std::string AnsiLowerCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : DecodeUtf8(text))
        AppendUtf8(out, LowerChar(cp));
    return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    const std::u32string ua = DecodeUtf8(a);
    const std::u32string ub = DecodeUtf8(b);
    const std::size_t n = ua.size() < ub.size() ? ua.size() : ub.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t x = UpperChar(ua[i]);
        const char32_t y = UpperChar(ub[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (ua.size() == ub.size())
        return 0;
    return ua.size() < ub.size() ? -1 : 1;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return AnsiCompareText(a, b) == 0;
}

} // namespace lay
