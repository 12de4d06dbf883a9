#pragma once

#include "model/Types.h"

namespace lay {

class TLayout;

// Turns a whole layout into text and back: how keys travel on the clipboard. The model only
// knows this interface; the file layer provides the format (the XML layout text), so the model
// never depends on a file format. The text is kept as the bytes the format writes.
class TLayoutCodec {
public:
    virtual ~TLayoutCodec() = default;
    virtual TBytes SaveToText(TLayout& layout) = 0;
    // Reads into the given layout; bad text raises the format's error.
    virtual void LoadFromText(TLayout& layout, const TBytes& text) = 0;
};

// Copy: the clipboard text of the whole layout, its selection included.
TBytes CopyToText(const TLayout& layout, TLayoutCodec& codec);
// Cut: the same, and the selected keys cleared.
TBytes CutToText(TLayout& layout, TLayoutCodec& codec, int layer, int viewMode);
// Paste: the text is read into a fresh clip layout first, so a text the format refuses leaves
// the document untouched.
void PasteText(TLayout& layout, TLayoutCodec& codec, const TBytes& text, int layer, int viewMode);

} // namespace lay
