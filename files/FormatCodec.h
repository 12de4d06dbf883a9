#pragma once

#include "files/LayoutFormat.h"
#include "model/LayoutCodec.h"

namespace lay {

// A layout format seen as the model's clipboard codec. The clipboard carries the text of the
// save registry's XML layout format (place sfXML); the format, and the catalogue it reads
// models from, must outlive the codec.
class TFormatCodec : public TLayoutCodec {
public:
    explicit TFormatCodec(TLayoutFormat& format) : FFormat(&format) {}

    TBytes SaveToText(TLayout& layout) override { return FFormat->SaveToString(layout); }
    void LoadFromText(TLayout& layout, const TBytes& text) override { FFormat->LoadFromString(layout, text); }

private:
    TLayoutFormat* FFormat;
};

} // namespace lay
