#include "model/Canvas.h"

#include "model/Text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace lay {

namespace {

constexpr TColor RGB(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

struct TNamedColor {
    std::string_view Name;
    TColor Color;
};

constexpr std::array<TNamedColor, 18> kNamedColors = {{
    {"clBlack", clBlack},
    {"clWhite", clWhite},
    {"clRed", clRed},
    {"clSilver", clSilver},
    {"clGray", RGB(128, 128, 128)},
    {"clGreen", RGB(0, 128, 0)},
    {"clBlue", RGB(0, 0, 255)},
    {"clYellow", RGB(255, 255, 0)},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clWindowText", clWindowText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clBtnHighlight", clBtnHighlight},
}};

std::uint32_t Le16(const TBytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t Le32(const TBytes& b, std::size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16);
}
std::int32_t LeInt32(const TBytes& b, std::size_t at) {
    return static_cast<std::int32_t>(Le32(b, at));
}

int Abs32(std::int32_t value) {
    return value == INT32_MIN ? INT32_MAX : std::abs(value);
}

TSize BitmapSize(const TBytes& f) {
    if (f.size() < 26)
        return {};
    if (Le32(f, 14) == 12) // the old core header: 16-bit sizes
        return {static_cast<int>(Le16(f, 18)), static_cast<int>(Le16(f, 20))};
    return {Abs32(LeInt32(f, 18)), Abs32(LeInt32(f, 22))};
}

TSize IconSize(const TBytes& f) {
    if (f.size() < 6 + 16 || Le16(f, 4) == 0)
        return {};
    // A size byte of 0 stands for 256.
    return {f[6] == 0 ? 256 : f[6], f[7] == 0 ? 256 : f[7]};
}

TSize JpegSize(const TBytes& f) {
    std::size_t at = 2;
    while (at + 4 <= f.size()) {
        if (f[at] != 0xFF)
            return {};
        const std::uint8_t marker = f[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const std::size_t length = (f[at + 2] << 8) | f[at + 3];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > f.size())
                return {};
            return {(f[at + 7] << 8) | f[at + 8], (f[at + 5] << 8) | f[at + 6]};
        }
        if (length < 2)
            return {};
        at += 2 + length;
    }
    return {};
}

// Metafiles measure themselves in physical units; a screen of 96 pixels per inch turns them
// into pixels.
TSize MetafileSize(const TBytes& f) {
    if (f.size() >= 22 && Le32(f, 0) == 0x9AC6CDD7u) {
        const int inch = static_cast<int>(Le16(f, 14));
        if (inch == 0)
            return {};
        const int width = static_cast<std::int16_t>(Le16(f, 10)) - static_cast<std::int16_t>(Le16(f, 6));
        const int height = static_cast<std::int16_t>(Le16(f, 12)) - static_cast<std::int16_t>(Le16(f, 8));
        return {std::abs(width) * 96 / inch, std::abs(height) * 96 / inch};
    }
    if (f.size() >= 44 && Le32(f, 0) == 1 && Le32(f, 40) == 0x464D4520u) {
        const long long width = static_cast<long long>(LeInt32(f, 32)) - LeInt32(f, 24);
        const long long height = static_cast<long long>(LeInt32(f, 36)) - LeInt32(f, 28);
        return {static_cast<int>(std::min<long long>(std::llabs(width) * 96 / 2540, INT32_MAX)),
                static_cast<int>(std::min<long long>(std::llabs(height) * 96 / 2540, INT32_MAX))};
    }
    return {};
}

bool IsNarrow(char32_t ch) {
    return std::u32string_view(U" .,:;!|'`ijlIftr()[]{}\"-").find(ch) != std::u32string_view::npos;
}

bool IsWide(char32_t ch) {
    return std::u32string_view(U"mwMW@%ШЩЖЮФЫМшщжюфым").find(ch) != std::u32string_view::npos;
}

bool IsCapital(char32_t ch) {
    return UpperChar(ch) == ch && LowerChar(ch) != ch;
}

bool IsFixedPitch(const TFont& font) {
    const std::string name = AnsiLowerCase(font.Name);
    return name.find("courier") != std::string::npos || name.find("mono") != std::string::npos ||
           name.find("consol") != std::string::npos || name.find("fixed") != std::string::npos;
}

// The height of the characters without the internal leading, which is what a negative font
// height gives and what a positive one includes.
double CharHeight(const TFont& font) {
    const double height = font.Height() == INT32_MIN ? 1e6 : std::abs(font.Height());
    return std::clamp(font.Height() < 0 ? height : height * 0.85, 1.0, 1e6);
}

} // namespace

std::optional<TColor> ColorByName(std::string_view name) {
    for (const TNamedColor& named : kNamedColors)
        if (AnsiSameText(named.Name, name))
            return named.Color;
    return std::nullopt;
}

TColor DefaultSystemColorRGB(int index) {
    switch (index) {
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_BTNHIGHLIGHT:
        return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT:
        return RGB(0, 120, 215);
    case COLOR_BTNFACE:
        return RGB(240, 240, 240);
    case COLOR_BTNSHADOW:
        return RGB(160, 160, 160);
    case COLOR_GRAYTEXT:
        return RGB(109, 109, 109);
    default:
        return RGB(0, 0, 0);
    }
}

TColor TCanvas::ColorToRGB(TColor color) {
    return IsSystemColor(color) ? SystemColorRGB(color & 0xFF) : (color & 0xFFFFFF);
}

void TCanvas::LineTo(int x, int y) {
    const TPoint points[2] = {FPenPos, {x, y}};
    Polyline(points);
    FPenPos = {x, y};
}

TSize TCanvas::GraphicSize(const TGraphic& graphic) {
    return lay::GraphicSize(graphic);
}

std::vector<std::string> TCanvas::WrapText(std::string_view text, int width, unsigned format) {
    std::vector<std::string> paragraphs;
    if (format & dtSingleLine) {
        paragraphs.emplace_back(text);
    } else {
        std::string current;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
                paragraphs.push_back(std::move(current));
                current.clear();
            } else {
                current += text[i];
            }
        }
        paragraphs.push_back(std::move(current));
    }
    if (!(format & dtWordBreak) || (format & dtSingleLine))
        return paragraphs;

    std::vector<std::string> lines;
    for (const std::string& paragraph : paragraphs) {
        std::string line;
        bool lineStarted = false;
        std::size_t at = 0;
        while (at < paragraph.size()) {
            const std::size_t wordStart = paragraph.find_first_not_of(' ', at);
            if (wordStart == std::string::npos)
                break; // spaces at the end of a line take no room
            std::size_t wordEnd = paragraph.find(' ', wordStart);
            if (wordEnd == std::string::npos)
                wordEnd = paragraph.size();
            const std::string_view gap(paragraph.data() + at, wordStart - at);
            const std::string_view word(paragraph.data() + wordStart, wordEnd - wordStart);
            std::string candidate = line;
            candidate += gap;
            candidate += word;
            if (lineStarted && TextWidth(candidate) > width) {
                lines.push_back(std::move(line));
                line = std::string(word);
            } else {
                line = std::move(candidate);
            }
            lineStarted = true;
            at = wordEnd;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

int TCanvas::DrawText(std::string_view text, TRect& rect, unsigned format) {
    const std::vector<std::string> lines = WrapText(text, RectWidth(rect), format);
    const int lineHeight = TextHeight("Ag");
    const int height = static_cast<int>(lines.size()) * lineHeight;
    if (format & dtCalcRect) {
        int widest = 0;
        for (const std::string& line : lines)
            widest = std::max(widest, TextWidth(line));
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + height;
        return height;
    }
    int y = rect.Top;
    for (const std::string& line : lines) {
        // Lines wholly outside the rectangle would be cut away entirely.
        if (y >= rect.Bottom)
            break;
        if (y + lineHeight > rect.Top && !line.empty()) {
            const int width = TextWidth(line);
            int x = rect.Left;
            if (format & dtCenter)
                x = rect.Left + (RectWidth(rect) - width) / 2;
            else if (format & dtRight)
                x = rect.Right - width;
            TextRect(rect, x, y, line);
        }
        y += lineHeight;
    }
    return height;
}

TSize GraphicSize(const TGraphic& graphic) {
    const TBytes file = graphic.FileBytes();
    if (graphic.ClassName == gcBitmap)
        return BitmapSize(file);
    if (graphic.ClassName == gcIcon)
        return IconSize(file);
    if (graphic.ClassName == gcJPEGImage)
        return JpegSize(file);
    if (graphic.ClassName == gcMetafile)
        return MetafileSize(file);
    return {};
}

int TApproxTextMetrics::LineHeight(const TFont& font) {
    return static_cast<int>(std::lround(CharHeight(font) * 1.2));
}

int TApproxTextMetrics::CharWidth(const TFont& font, char32_t ch) {
    double factor = 0.55;
    if (IsFixedPitch(font))
        factor = 0.6;
    else if (IsNarrow(ch))
        factor = 0.3;
    else if (IsWide(ch))
        factor = 0.85;
    else if (IsCapital(ch))
        factor = 0.65;
    if (font.Style & fsBold)
        factor *= 1.1;
    return std::max(1, static_cast<int>(std::lround(CharHeight(font) * factor)));
}

TSize TApproxTextMetrics::TextExtent(const TFont& font, std::string_view text) {
    long long width = 0;
    for (char32_t ch : DecodeUtf8(text))
        width += CharWidth(font, ch);
    return {static_cast<int>(std::min<long long>(width, INT32_MAX)), LineHeight(font)};
}

} // namespace lay
