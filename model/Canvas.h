#pragma once

#include "model/KeyPicture.h"
#include "model/Types.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lay {

// System colours: the top byte FF marks a colour the platform chooses, the low byte is the
// index of the platform's colour table. Layout files store them this way too.
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index & 0xFF));
}
constexpr bool IsSystemColor(TColor color) {
    return (static_cast<std::uint32_t>(color) & 0xFF000000u) == 0xFF000000u;
}

enum : int {
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_WINDOWTEXT = 8,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_BTNHIGHLIGHT = 20,
};

constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
static_assert(clWindowText == SystemColor(COLOR_WINDOWTEXT));
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor clSilver = 0xC0C0C0;

// The system colour named as layout files and settings name colours ("clBtnFace"), or any of
// the plain colours above; nullopt for a name it does not know.
std::optional<TColor> ColorByName(std::string_view name);
// The palette of a standard desktop, for surfaces that have no platform to ask.
TColor DefaultSystemColorRGB(int index);

// DrawText's format bits; their values are the platform's.
enum : unsigned {
    dtLeft = 0x0,
    dtCenter = 0x1,
    dtRight = 0x2,
    dtWordBreak = 0x10,
    dtSingleLine = 0x20,
    dtCalcRect = 0x400,
};

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    bool operator==(const TPen&) const = default;
};

struct TBrush {
    TColor Color = clWhite;
    bool operator==(const TBrush&) const = default;
};

// A drawing surface: the printer, the screen, a metafile, or a recorder in tests. A surface
// provides the few primitives below; text layout (word wrap, centring) is built on them here,
// so every surface breaks lines the same way for the same metrics.
class TCanvas {
public:
    TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    virtual ~TCanvas() = default;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    // Text leaves what is under it visible instead of filling its box with the brush.
    bool TransparentText = false;

    // The rectangle in the brush's colour, its right and bottom edges excluded.
    virtual void FillRect(const TRect& rect) = 0;
    // Connected lines in the pen; the last point itself is not drawn.
    virtual void Polyline(std::span<const TPoint> points) = 0;
    // One line of text in the font, its top-left corner at (x, y), cut at the clip rectangle.
    virtual void TextRect(const TRect& clip, int x, int y, std::string_view text) = 0;
    // One line of text in the font: its advance and the font's line height.
    virtual TSize TextExtent(std::string_view text) = 0;
    // The graphic scaled into the rectangle.
    virtual void StretchDraw(const TRect& rect, const TGraphic& graphic) = 0;
    // Pixels of the graphic; the headers of its file by default.
    virtual TSize GraphicSize(const TGraphic& graphic);
    // The RGB value of a system colour; a standard desktop's by default.
    virtual TColor SystemColorRGB(int index) { return DefaultSystemColorRGB(index); }

    TColor ColorToRGB(TColor color);
    TPoint PenPos() const { return FPenPos; }
    void MoveTo(int x, int y) { FPenPos = {x, y}; }
    void LineTo(int x, int y);
    int TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int TextHeight(std::string_view text) { return TextExtent(text).cy; }

    // Text in a rectangle as the platform's DrawText lays it out: line breaks, with dtWordBreak
    // lines broken between words (a word wider than the rectangle keeps a line of its own), each
    // line aligned by dtCenter or dtRight and cut at the rectangle. dtCalcRect draws nothing and
    // sets the rectangle's bottom, and its right to the widest line. Returns the text's height.
    virtual int DrawText(std::string_view text, TRect& rect, unsigned format);

    // The lines DrawText would draw.
    std::vector<std::string> WrapText(std::string_view text, int width, unsigned format);

private:
    TPoint FPenPos;
};

// Pixels an image file declares: bitmap, icon (its first image), JPEG, placeable Windows or
// enhanced metafile (at 96 pixels per inch). 0 × 0 when the file does not tell.
TSize GraphicSize(const TGraphic& graphic);

// Font metrics for surfaces that cannot measure text themselves (a metafile written without a
// screen). The editor passes real metrics; otherwise TApproxTextMetrics stands in.
class TTextMetrics {
public:
    virtual ~TTextMetrics() = default;
    // One line of text: its advance and the font's line height, in pixels.
    virtual TSize TextExtent(const TFont& font, std::string_view text) = 0;
};

// Widths by classes of letters of a typical proportional sans-serif font (or of a fixed-pitch
// one, by its name): narrow letters 0.3 of the character height, wide ones 0.85, capitals 0.65,
// the rest 0.55; bold a tenth wider; the line 1.2 character heights. Within a few pixels of the
// real font at the sizes keys use, which is what centring and line breaks need.
class TApproxTextMetrics : public TTextMetrics {
public:
    TSize TextExtent(const TFont& font, std::string_view text) override;
    // The advance of one character.
    static int CharWidth(const TFont& font, char32_t ch);
    static int LineHeight(const TFont& font);
};

} // namespace lay
