#pragma once

#include "model/Canvas.h"

#include <cstdint>
#include <optional>

namespace lay {

// A drawing surface that records into an enhanced metafile, in memory. Logical units are the
// pixels of a reference screen of PixelsPerInch; the metafile's frame tells readers the
// physical size. Text is measured with the metrics given (an approximation without them): the
// metafile keeps each character's advance, so a reader places the glyphs where the measurement
// put them, and centring and line breaks hold whatever font the reader finds.
class TEMFCanvas : public TCanvas {
public:
    static constexpr int ReferencePixelsPerInch = 96;
    // 20 × 15 inches: larger than any layout drawing, and whole millimetres at 96 pixels per inch.
    static constexpr TSize ReferenceDevice{1920, 1440};

    explicit TEMFCanvas(TTextMetrics* metrics = nullptr);
    ~TEMFCanvas() override;

    int PixelsPerInchX() const { return ReferencePixelsPerInch; }
    int PixelsPerInchY() const { return ReferencePixelsPerInch; }
    // The area a fresh surface offers: the reference screen.
    TRect ClipRect() const { return {0, 0, ReferenceDevice.cx, ReferenceDevice.cy}; }

    void FillRect(const TRect& rect) override;
    void Polyline(std::span<const TPoint> points) override;
    void TextRect(const TRect& clip, int x, int y, std::string_view text) override;
    TSize TextExtent(std::string_view text) override;
    // Bitmaps, icons and JPEG images; a graphic it cannot read is left out.
    void StretchDraw(const TRect& rect, const TGraphic& graphic) override;

    // Ends the recording: the whole metafile, header first. The canvas records nothing after.
    TBytes Finish();

private:
    // Takes a record made by the metafile library (which allocates it) into the body.
    void Append(char* record);
    void AppendBytes(const TBytes& record);
    void Extend(const TRect& inclusive);
    void UsePen();
    std::uint32_t UseBrush();
    void UseFont();
    void UseTextColor(TColor rgb);
    void UseBackgroundMode(bool transparent);
    // Each kind of object (pen, brush, font) takes turns between two slots: the new object is
    // made in the free one and selected before the old one is deleted, as the platform does it.
    std::uint32_t FreeSlot(int kind) const;
    void TakeSlot(int kind, std::uint32_t slot, bool select);
    bool StretchDib(const TRect& rect, const TBytes& info, const TBytes& bits, int width, int height,
                    std::uint32_t rop);

    TTextMetrics* FMetrics;
    TApproxTextMetrics FApprox;
    TBytes FBody;
    std::uint32_t FRecords = 0;
    bool FFinished = false;
    std::optional<TRect> FBounds;
    std::optional<TPen> FPen;
    std::optional<TColor> FBrush;
    std::optional<TFont> FFont;
    std::optional<TColor> FTextColor;
    std::optional<bool> FTransparent;
    // Per kind (pen, brush, font): the slot in use, 0 for none.
    std::uint32_t FSlot[3] = {0, 0, 0};
};

} // namespace lay
