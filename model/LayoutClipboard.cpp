#include "model/Layout.h"
#include "model/LayoutCodec.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace lay {

namespace {

// The selected cells that can hold a key (see ApplyMasterKey).
TRect CellsInMatrix(const TRect& selection, int colCount, int rowCount) {
    return TRect{std::max(selection.Left, 1), std::max(selection.Top, 1), std::min(selection.Right, colCount),
                 std::min(selection.Bottom, rowCount)};
}

void CopyKey(const TKey* source, TKey* target, int viewMode) {
    if (!source || !target || !source->HasFunction())
        return;
    if (viewMode == vmPicture)
        target->Picture.Assign(source->Picture);
    else
        target->Assign(*source);
}

// The clip's key at a one-based cell, computed without overflow: the clip's selection comes
// from text anybody may have put on the clipboard.
const TKey* ClipKey(const TLayer& layer, long long col, long long row) {
    if (col < 1 || row < 1 || col > INT_MAX || row > INT_MAX)
        return nullptr;
    return layer.FindKey(static_cast<int>(col - 1), static_cast<int>(row - 1));
}

// The layers a paste fills: the first in picture view (pictures are shared), the shown one, or
// all of them; only those both layouts have.
std::vector<int> PasteLayers(int layer, int viewMode, int sharedCount) {
    std::vector<int> indexes;
    if (viewMode == vmPicture)
        indexes.push_back(0);
    else if (layer != 0)
        indexes.push_back(layer - 1);
    else
        for (int i = 0; i < sharedCount; ++i)
            indexes.push_back(i);
    std::erase_if(indexes, [sharedCount](int index) { return index < 0 || index >= sharedCount; });
    return indexes;
}

} // namespace

void TLayout::CopyTo(TLayout& clip) const {
    clip.Assign(*this);
}

void TLayout::CutTo(TLayout& clip, int layer, int viewMode) {
    CopyTo(clip);
    ClearKeys(Selection(), layer, viewMode);
}

void TLayout::Paste(const TLayout& clip, int layer, int viewMode) {
    if (clip.IsSingleCell())
        PasteSingle(clip, layer, viewMode);
    else
        PasteRect(clip, layer, viewMode);
}

// A layer only one of the two layouts has is skipped: a one-layer clip pasted into all layers
// of a four-layer layout fills layer 1 and leaves the others, rather than stopping half-way
// with an index error.
void TLayout::PasteSingle(const TLayout& clip, int layer, int viewMode) {
    const TRect& from = clip.Selection();
    const TRect cells = CellsInMatrix(Selection(), ColCount(), RowCount());
    for (int index : PasteLayers(layer, viewMode, std::min(Layers.Count(), clip.Layers.Count()))) {
        const TKey* source = ClipKey(clip.Layers.Items(index), from.Left, from.Top);
        const TLayer& target = Layers.Items(index);
        for (int col = cells.Left; col <= cells.Right; ++col)
            for (int row = cells.Top; row <= cells.Bottom; ++row)
                CopyKey(source, target.FindKey(col - 1, row - 1), viewMode);
    }
    Changed(lcLayout);
}

void TLayout::PasteRect(const TLayout& clip, int layer, int viewMode) {
    FitSelection(clip);
    const TRect& from = clip.Selection();
    const TRect& to = Selection();
    const TRect cells = CellsInMatrix(to, ColCount(), RowCount());
    for (int index : PasteLayers(layer, viewMode, std::min(Layers.Count(), clip.Layers.Count()))) {
        const TLayer& source = clip.Layers.Items(index);
        const TLayer& target = Layers.Items(index);
        for (int col = cells.Left; col <= cells.Right; ++col)
            for (int row = cells.Top; row <= cells.Bottom; ++row) {
                const long long fromCol = static_cast<long long>(from.Left) + (col - to.Left);
                const long long fromRow = static_cast<long long>(from.Top) + (row - to.Top);
                CopyKey(ClipKey(source, fromCol, fromRow), target.FindKey(col - 1, row - 1), viewMode);
            }
    }
    Changed(lcLayout);
}

void TLayout::FitSelection(const TLayout& clip) {
    const TRect& from = clip.Selection();
    TRect fitted = Selection();
    const long long right = static_cast<long long>(fitted.Left) + from.Right - from.Left;
    const long long bottom = static_cast<long long>(fitted.Top) + from.Bottom - from.Top;
    fitted.Right =
        static_cast<int>(std::clamp<long long>(std::min<long long>(fitted.Right, right), INT_MIN, INT_MAX));
    fitted.Bottom =
        static_cast<int>(std::clamp<long long>(std::min<long long>(fitted.Bottom, bottom), INT_MIN, INT_MAX));
    SetSelection(fitted);
}

TBytes CopyToText(const TLayout& layout, TLayoutCodec& codec) {
    TLayout clip;
    layout.CopyTo(clip);
    return codec.SaveToText(clip);
}

TBytes CutToText(TLayout& layout, TLayoutCodec& codec, int layer, int viewMode) {
    TLayout clip;
    layout.CopyTo(clip);
    TBytes text = codec.SaveToText(clip);
    // Cleared only once the text exists: a failing format must not lose the keys.
    layout.ClearKeys(layout.Selection(), layer, viewMode);
    return text;
}

void PasteText(TLayout& layout, TLayoutCodec& codec, const TBytes& text, int layer, int viewMode) {
    TLayout clip;
    codec.LoadFromText(clip, text);
    layout.Paste(clip, layer, viewMode);
}

} // namespace lay
