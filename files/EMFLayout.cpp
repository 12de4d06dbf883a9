#include "files/EMFLayout.h"

#include "files/EMFCanvas.h"

#include <cmath>

namespace lay {

TEMFCellSizes EMFCellSizes(int pixelsPerInchX, int pixelsPerInchY) {
    // nearbyint rounds ties to even in the default rounding mode.
    auto part = [](int pixelsPerInch, double inches) {
        return static_cast<int>(std::nearbyint(pixelsPerInch * inches));
    };
    return {part(pixelsPerInchX, 0.5), part(pixelsPerInchY, 0.5), part(pixelsPerInchX, 0.3),
            part(pixelsPerInchY, 0.3)};
}

void TEMFLayout::SaveToStream(TLayout& layout, TBinStream& stream) {
    TEMFCanvas canvas(TextMetrics);
    const TEMFCellSizes sizes = EMFCellSizes(canvas.PixelsPerInchX(), canvas.PixelsPerInchY());
    layout.Draw(canvas, sizes.CellWidth, canvas.ClipRect(), sizes.VertGap, sizes.HorzGap, sizes.CellHeight);
    const TBytes metafile = canvas.Finish();
    stream.WriteBytes(metafile);
}

} // namespace lay
