#include "model/Layout.h"
#include "model/MasterKey.h"

#include <algorithm>

namespace lay {

namespace {

// The selected cells that can hold a key. A selection read from a file may reach far beyond the
// matrix; walking all of it would hang the editor for nothing.
TRect CellsInMatrix(const TRect& selection, int colCount, int rowCount) {
    return TRect{std::max(selection.Left, 1), std::max(selection.Top, 1), std::min(selection.Right, colCount),
                 std::min(selection.Bottom, rowCount)};
}

} // namespace

void TLayout::LoadMasterKey(TMasterKey& masterKey) const {
    masterKey.Reset();
    // A layer the layout lacks (a layout without a model) shows nothing, like a cell without a key.
    if (masterKey.LayerIndex < 0 || masterKey.LayerIndex >= Layers.Count())
        return;
    const TLayer& layer = Layers.Items(masterKey.LayerIndex);
    const TRect& sel = Selection();
    int visited = 0;
    // Stops at the first cell without a key, so a selection beyond the matrix ends the walk at once.
    for (int col = sel.Left; col <= sel.Right; ++col)
        for (int row = sel.Top; row <= sel.Bottom; ++row, ++visited) {
            const TKey* key = layer.FindKey(col - 1, row - 1);
            if (!key) {
                masterKey.Reset();
                return;
            }
            if (visited == 0) {
                masterKey.Col = key->Col();
                masterKey.Row = key->Row();
                masterKey.Text.SetValue(key->Text());
                masterKey.KeyType.SetValue(key->KeyType());
                masterKey.RepeatKey.SetValue(key->RepeatKey() ? 1 : 0);
                masterKey.Notes.Assign(key->Notes);
                masterKey.PressCodes.Assign(key->PressCodes);
                masterKey.ReleaseCodes.Assign(key->ReleaseCodes);
                masterKey.Picture.Assign(key->Picture);
                continue;
            }
            if (!masterKey.Notes.Equals(key->Notes))
                masterKey.Notes.Clear();
            if (masterKey.Text.Value() != key->Text())
                masterKey.Text.SetValue({});
            if (masterKey.RepeatKey.Value() != (key->RepeatKey() ? 1 : 0))
                masterKey.RepeatKey.SetValue(0);
            if (!masterKey.PressCodes.Equals(key->PressCodes))
                masterKey.PressCodes.Clear();
            if (!masterKey.ReleaseCodes.Equals(key->ReleaseCodes))
                masterKey.ReleaseCodes.Clear();
            if (masterKey.KeyType.Value() != key->KeyType()) {
                // Keys of different kinds share no fields worth showing. The type set here stays
                // marked as edited: that is what tells the key window the types differ.
                masterKey.Reset();
                masterKey.KeyType.SetValue(ktNone);
                return;
            }
        }
    masterKey.ClearFlags();
}

void TLayout::ApplyMasterKey(TMasterKey& masterKey, bool pictureOnly) {
    if (!masterKey.IsModified())
        return;
    std::vector<int> layers;
    if (pictureOnly) {
        masterKey.LayerIndex = 0;
        layers.push_back(0);
    } else if (masterKey.KeyType.Value() == ktMacro) {
        layers.push_back(masterKey.LayerIndex);
    } else {
        for (int i = 0; i < Layers.Count(); ++i)
            layers.push_back(i);
    }
    const TRect cells = CellsInMatrix(Selection(), ColCount(), RowCount());
    for (int index : layers) {
        if (index < 0 || index >= Layers.Count())
            continue;
        masterKey.LayerIndex = index;
        const TLayer& layer = Layers.Items(index);
        for (int col = cells.Left; col <= cells.Right; ++col)
            for (int row = cells.Top; row <= cells.Bottom; ++row) {
                TKey* key = layer.FindKey(col - 1, row - 1);
                if (!key)
                    continue;
                if (masterKey.Text.Modified())
                    key->SetText(masterKey.Text.Value());
                if (masterKey.KeyType.Value() != ktNone)
                    SetKeyType(key->Col(), key->Row(), masterKey.KeyType.Value());
                if (masterKey.RepeatKey.Modified())
                    key->SetRepeatKey(masterKey.RepeatKey.Value() != 0);
                if (masterKey.PressCodes.Modified())
                    key->PressCodes.Assign(masterKey.PressCodes);
                if (masterKey.ReleaseCodes.Modified())
                    key->ReleaseCodes.Assign(masterKey.ReleaseCodes);
                if (masterKey.Notes.Modified())
                    key->Notes.Assign(masterKey.Notes);
                const TKeyPicture& picture = masterKey.Picture;
                if (picture.AnyModified()) {
                    if (picture.PictureModified())
                        key->Picture.SetPicture(picture.Picture());
                    if (picture.TextModified())
                        key->Picture.SetText(picture.Text());
                    if (picture.FontModified())
                        key->Picture.SetFont(picture.Font());
                    if (picture.OrientationModified())
                        key->Picture.SetTextOrientation(picture.TextOrientation());
                    if (picture.ColorModified())
                        key->Picture.SetBackgroundColor(picture.BackgroundColor());
                }
            }
    }
    Changed(lcLayout);
}

} // namespace lay
