#pragma once

#include "files/LayoutFormat.h"

namespace lay {

class TTextMetrics;

// Cell and gap sizes of the exported picture for a surface's resolution: cells half an inch
// square, gaps 0.3 inch, each rounded to the nearest unit (ties to even).
struct TEMFCellSizes {
    int CellWidth = 0;
    int CellHeight = 0;
    int HorzGap = 0;
    int VertGap = 0;
};
TEMFCellSizes EMFCellSizes(int pixelsPerInchX, int pixelsPerInchY);

// The picture of a layout (layer 1's key pictures, as printed) as an enhanced metafile. It only
// writes; the open registry does not list it.
class TEMFLayout : public TLayoutFormat {
public:
    using TLayoutFormat::TLayoutFormat;

    // Real font metrics, set by the editor, which has them; without them text is measured by
    // TApproxTextMetrics. Not owned.
    TTextMetrics* TextMetrics = nullptr;

    std::string GetFilter() const override { return "Раскладка в формате EMF (*.emf)|*.emf"; }
    void SaveToStream(TLayout& layout, TBinStream& stream) override;
};

} // namespace lay
