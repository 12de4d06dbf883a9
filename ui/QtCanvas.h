#pragma once

#include "model/Canvas.h"

#include <QColor>
#include <QFont>
#include <QImage>

class QPainter;
class QPalette;

namespace lay {

// A colour of the model as the platform draws it; system colours come from the palette.
QColor ToQColor(TColor color, const QPalette& palette);
// The model's font at the given number of logical units per inch.
QFont ToQFont(const TFont& font, double unitsPerInch);
// The graphic's pixels, decoded from its image file; a null image for a graphic the platform
// cannot decode (metafiles).
QImage DecodeGraphic(const TGraphic& graphic);
// What stands in for a graphic that cannot be decoded: a framed box with a cross.
void DrawGraphicPlaceholder(QPainter& painter, const QRect& rect);

// Font metrics of the platform, in pixels at 96 dots per inch, for surfaces that cannot measure
// text themselves (the metafile export).
class TQtTextMetrics : public TTextMetrics {
public:
    TSize TextExtent(const TFont& font, std::string_view text) override;
};

// The model's drawing surface on a painter. Coordinates are the painter's logical units;
// unitsPerInch tells how large a point is in them (0.1 mm units for the printer: 254).
class TQtCanvas : public TCanvas {
public:
    TQtCanvas(QPainter& painter, double unitsPerInch);

    void FillRect(const TRect& rect) override;
    void Polyline(std::span<const TPoint> points) override;
    void TextRect(const TRect& clip, int x, int y, std::string_view text) override;
    TSize TextExtent(std::string_view text) override;
    void StretchDraw(const TRect& rect, const TGraphic& graphic) override;
    TSize GraphicSize(const TGraphic& graphic) override;

private:
    void ApplyFont();

    QPainter& FPainter;
    double FUnitsPerInch;
};

} // namespace lay
