#include "model/Utils.h"

#include "model/Errors.h"
#include "model/Text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace lay {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int UpperHexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int AnyHexDigit(char c) {
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return UpperHexDigit(c);
}

// Upper case that keeps every character at its byte offset, so that a match found in the
// upper-cased copy marks the same bytes in the original text. Malformed bytes stay as they are.
std::string UpperKeepingOffsets(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t len = Utf8CharLength(text, i, cp);
        if (len == 0) {
            out += text[i++];
            continue;
        }
        std::string upper;
        AppendUtf8(upper, UpperChar(cp));
        if (upper.size() == len)
            out += upper;
        else
            out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

int RoundToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(std::lround(value));
}

int ClampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

TBytes HexToBytes(std::string_view text) {
    TBytes bytes;
    bytes.reserve(text.size() / 2 + 1);
    int pending = -1;
    for (char c : text) {
        const int digit = UpperHexDigit(c);
        if (digit < 0) {
            if (pending >= 0)
                bytes.push_back(static_cast<std::uint8_t>(pending));
            pending = -1;
        } else if (pending < 0) {
            pending = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
            pending = -1;
        }
    }
    if (pending >= 0)
        bytes.push_back(static_cast<std::uint8_t>(pending));
    return bytes;
}

std::string BytesToHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += kHexDigits[b >> 4];
        text += kHexDigits[b & 0x0F];
    }
    return text;
}

std::string BytesToHexSpaced(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        text += kHexDigits[b >> 4];
        text += kHexDigits[b & 0x0F];
        text += ' ';
    }
    return text;
}

std::int32_t HexToInt(std::string_view text) {
    if (text.empty())
        RaiseConvertError(std::string(text));
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = AnyHexDigit(c);
        if (digit < 0)
            RaiseConvertError(std::string(text));
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu)
            RaiseConvertError(std::string(text));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

int StrToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        RaiseConvertError(std::string(text));
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            RaiseConvertError(std::string(text));
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            RaiseConvertError(std::string(text));
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        RaiseConvertError(std::string(text));
    return static_cast<int>(value);
}

TReplaceResult ReplaceText(std::string_view text, std::string_view find, std::string_view replacement,
                           int flags) {
    TReplaceResult result;
    if (find.empty()) {
        result.Text = std::string(text);
        return result;
    }
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    const std::string haystack = ignoreCase ? UpperKeepingOffsets(text) : std::string(text);
    const std::string needle = ignoreCase ? UpperKeepingOffsets(find) : std::string(find);
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = haystack.find(needle, from);
        if (at == std::string::npos)
            break;
        result.Text.append(text.substr(from, at - from));
        result.Text.append(replacement);
        from = at + needle.size();
        ++result.Count;
        if ((flags & rfReplaceAll) == 0)
            break;
    }
    result.Text.append(text.substr(from));
    return result;
}

int ScanText(std::string_view text, std::string_view pattern, std::span<int> destinations) {
    const std::u32string t = DecodeUtf8(text);
    const std::u32string p = DecodeUtf8(pattern);
    std::size_t ti = 0;
    std::size_t pi = 0;
    std::size_t stored = 0;
    while (pi + 1 < p.size() && stored < destinations.size()) {
        if (p[pi] == U' ') {
            ++pi;
            continue;
        }
        if (p[pi] == U'%' && p[pi + 1] == U'd') {
            while (ti < t.size() && t[ti] == U' ')
                ++ti;
            std::string run;
            while (ti < t.size() && (t[ti] == U'+' || t[ti] == U'-' || (t[ti] >= U'0' && t[ti] <= U'9')))
                run += static_cast<char>(t[ti++]);
            if (run.empty())
                break;
            destinations[stored++] = StrToInt(run);
            pi += 2;
            continue;
        }
        const std::size_t at = t.find(p[pi], ti);
        if (at == std::u32string::npos || at + 1 >= t.size())
            break;
        ti = at + 1;
        ++pi;
    }
    return static_cast<int>(stored);
}

TRect FitGraphic(TSize graphic, const TRect& cell) {
    const long long left = static_cast<long long>(cell.Left) + 10;
    const long long top = static_cast<long long>(cell.Top) + 10;
    const long long areaWidth = static_cast<long long>(cell.Right) - 10 - left;
    const long long areaHeight = static_cast<long long>(cell.Bottom) - 10 - top;
    long long width = graphic.cx;
    long long height = graphic.cy;
    if (graphic.cx > areaWidth || graphic.cy > areaHeight) {
        width = areaWidth;
        height = areaHeight;
        const double ratio = static_cast<double>(graphic.cx) / static_cast<double>(graphic.cy);
        if (graphic.cx - areaWidth > graphic.cy - areaHeight)
            height = RoundToInt(static_cast<double>(areaWidth) / ratio);
        else
            width = RoundToInt(static_cast<double>(areaHeight) * ratio);
    }
    const long long x = left + (areaWidth - width) / 2;
    const long long y = top + (areaHeight - height) / 2;
    return Rect(ClampToInt(x), ClampToInt(y), ClampToInt(x + width), ClampToInt(y + height));
}

std::string FileNameWithoutExt(std::string_view fileName) {
    // "/" counts as a folder separator too: the command-line tool passes POSIX paths.
    const std::size_t at = fileName.find_last_of(".\\:/");
    if (at == std::string_view::npos || fileName[at] != '.')
        return {};
    return std::string(fileName.substr(0, at));
}

std::string GraphicExtension(std::string_view graphicClass) {
    if (graphicClass == "TBitmap")
        return "bmp";
    if (graphicClass == "TIcon")
        return "ico";
    if (graphicClass == "TMetafile")
        return "wmf";
    return {};
}

std::string LayerCaption(int index) {
    return "Слой " + std::to_string(static_cast<long long>(index) + 1);
}

bool TestBit(std::uint32_t value, int bit) {
    if (bit < 0 || bit > 31)
        return false;
    return (value >> bit) & 1u;
}

std::uint32_t SetBit(std::uint32_t value, int bit, bool state) {
    if (bit < 0 || bit > 31)
        return value;
    const std::uint32_t mask = 1u << bit;
    return state ? (value | mask) : (value & ~mask);
}

std::uint32_t GetSetValue(const void* set, int size) {
    switch (size) {
    case 1: {
        std::uint8_t v;
        std::memcpy(&v, set, 1);
        return v;
    }
    case 2: {
        std::uint16_t v;
        std::memcpy(&v, set, 2);
        return v;
    }
    case 4: {
        std::uint32_t v;
        std::memcpy(&v, set, 4);
        return v;
    }
    default:
        throw EInvalidOperation("Invalid size of set");
    }
}

void SetSetValue(void* set, int size, std::uint32_t value) {
    switch (size) {
    case 1: {
        const auto v = static_cast<std::uint8_t>(value);
        std::memcpy(set, &v, 1);
        return;
    }
    case 2: {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(set, &v, 2);
        return;
    }
    case 4:
        std::memcpy(set, &value, 4);
        return;
    default:
        throw EInvalidOperation("Invalid size of set");
    }
}

} // namespace lay
