#include "model/Layout.h"

#include "model/Errors.h"

#include <algorithm>

namespace lay {

namespace {
int gLayoutCounter = 0;
} // namespace

TLayout::TLayout() : Groups(&FNotifier), Layers(&FNotifier), FID(++gLayoutCounter) {}

TLayout::~TLayout() {
    Changed(lcDestroying);
}

void TLayout::SetFileName(const std::string& fileName) {
    FileName = fileName;
    ClearModified();
}

void TLayout::Changed(std::uint8_t kind) {
    if (kind == lcKeys || kind == lcLayout)
        FNotifier.Changed();
    FLastChange = kind;
    FLinks.Notify(this);
}

std::unique_ptr<TNotifyLink> TLayout::AddLink(std::function<void(TObject*)> handler) {
    return FLinks.AddLink(std::move(handler));
}

void TLayout::ApplyParams(const TKeyboardModel& model) {
    const int oldLayerCount = Layers.Count();
    KeyboardID = model.ID;
    SetColCount(model.Width);
    SetRowCount(model.Height);
    Layers.SetCount(model.Layers);
    SetKeyPosCount(model.KeyPos);
    // Layers added just now have no key-lock positions when the count itself did not change;
    // their device image would then lack the records the keyboard reads for every layer.
    for (int i = oldLayerCount; i < Layers.Count(); ++i)
        if (Layers.Items(i).KeyLock.Count() != FKeyPosCount)
            Layers.Items(i).KeyLock.SetCount(FKeyPosCount);
    Track1 = model.Track1;
    Track2 = model.Track2;
    Track3 = model.Track3;
    HasKey = model.HasKey;
    HasReader = model.HasReader;
    KeyCount = static_cast<int>(model.Keys.size());
}

void TLayout::LoadKeyboard(const TKeyboardModel& model) {
    ApplyParams(model);
    for (int i = 0; i < Layers.Count(); ++i) {
        TLayer& layer = Layers.Items(i);
        layer.Keys.Clear();
        for (const TKeyDefinition& def : model.Keys)
            layer.Keys.Add(def.Left - 1, def.Top - 1, def.LogicalNumber);
        if (HasReader) {
            layer.MSR.Tracks(0).SetEnabled(Track1);
            layer.MSR.Tracks(1).SetEnabled(Track2);
            layer.MSR.Tracks(2).SetEnabled(Track3);
        }
    }
}

void TLayout::SetKeyboard(const TKeyboardModel& model) {
    if (model.ID == KeyboardID)
        return;
    TLayout old;
    old.Assign(*this);
    LoadKeyboard(model);
    const int common = std::min(Layers.Count(), old.Layers.Count());
    for (int i = 0; i < common; ++i)
        Layers.Items(i).Keys.AssignByNumber(old.Layers.Items(i).Keys);
    Changed(lcLayout);
}

void TLayout::SetColCount(int value) {
    if (value == FColCount)
        return;
    if (value < 1)
        throw Exception("Неверное значение количества колонок: " + std::to_string(value) +
                        "\r\nКоличество колонок раскладки должно быть больше 0.");
    FColCount = value;
}

void TLayout::SetRowCount(int value) {
    if (value == FRowCount)
        return;
    if (value < 1)
        throw Exception("Неверное значение количества рядов: " + std::to_string(value) +
                        "\r\nКоличество рядов раскладки должно быть больше 0.");
    FRowCount = value;
}

void TLayout::SetKeyPosCount(int value) {
    if (value == FKeyPosCount)
        return;
    // A model without a key lock has no positions; more than eight no key lock can hold.
    if (value < 0 || value > TKeyLock::MaxPositions)
        throw Exception("Неверное значение количества положений ключа: " + std::to_string(value) +
                        "\r\nКоличество положений ключа должно быть от 1 до 8.");
    for (int i = 0; i < Layers.Count(); ++i)
        Layers.Items(i).KeyLock.SetCount(value);
    FKeyPosCount = value;
}

void TLayout::SetKeyType(int col, int row, std::uint8_t type) {
    for (int i = 0; i < Layers.Count(); ++i)
        Layers.Items(i).KeyAt(col, row).SetKeyType(type);
}

void TLayout::SetSelection(const TRect& selection) {
    if (selection == FSelection)
        return;
    FSelection = selection;
    Changed(lcSelection);
}

bool TLayout::IsSingleCell() const {
    return FSelection.Left == FSelection.Right && FSelection.Top == FSelection.Bottom;
}

TRect TLayout::SearchArea() const {
    return IsSingleCell() ? TRect{1, 1, FColCount, FRowCount} : FSelection;
}

bool TLayout::Group(const TRect& rect) {
    if ((rect.Left == rect.Right && rect.Top == rect.Bottom) || IntersectsGroup(rect))
        return false;
    Groups.Add().SetRect(rect);
    Changed(lcLayout);
    return true;
}

void TLayout::Ungroup(const TRect& rect) {
    bool removed = false;
    for (int i = Groups.Count() - 1; i >= 0; --i)
        if (Groups.Items(i).Intersects(rect)) {
            Groups.Delete(i);
            removed = true;
        }
    if (removed)
        Changed(lcLayout);
}

bool TLayout::IntersectsGroup(const TRect& rect) const {
    for (int i = 0; i < Groups.Count(); ++i)
        if (Groups.Items(i).Intersects(rect))
            return true;
    return false;
}

std::vector<int> TLayout::LayersFor(int layer) const {
    std::vector<int> result;
    if (layer == 0) {
        for (int i = 0; i < Layers.Count(); ++i)
            result.push_back(i);
    } else {
        (void)Layers.Items(layer - 1); // a layer the layout lacks is a list-index error
        result.push_back(layer - 1);
    }
    return result;
}

void TLayout::ClearKey(int col, int row, int viewMode, int layer) {
    if (viewMode == vmPicture) {
        if (Layers.Count() > 0)
            if (TKey* key = Layers.Items(0).FindKey(col, row))
                key->Picture.Clear();
        return;
    }
    for (int i : LayersFor(layer))
        if (TKey* key = Layers.Items(i).FindKey(col, row))
            key->Clear();
}

void TLayout::ClearKeys(const TRect& rect, int layer, int viewMode) {
    for (int col = rect.Left; col <= rect.Right; ++col)
        for (int row = rect.Top; row <= rect.Bottom; ++row)
            ClearKey(col - 1, row - 1, viewMode, layer);
    Changed(lcKeys);
}

void TLayout::ClearNonMacroCodes() {
    for (int i = 0; i < Layers.Count(); ++i) {
        TKeys& keys = Layers.Items(i).Keys;
        for (int k = 0; k < keys.Count(); ++k) {
            TKey& key = keys.Items(k);
            if (key.KeyType() != ktMacro) {
                key.PressCodes.Clear();
                key.ReleaseCodes.Clear();
            }
        }
    }
}

void TLayout::Assign(const TLayout& source) {
    if (&source == this)
        return;
    KeyboardID = source.KeyboardID;
    FileName = source.FileName;
    FKeyPosCount = source.FKeyPosCount;
    HasKey = source.HasKey;
    HasReader = source.HasReader;
    KeyCount = source.KeyCount;
    Version = source.Version;
    Track1 = source.Track1;
    Track2 = source.Track2;
    Track3 = source.Track3;
    FColCount = source.FColCount;
    FRowCount = source.FRowCount;
    FSelection = source.FSelection;
    Layers.Assign(source.Layers);
    Groups.Assign(source.Groups);
    Changed(lcLayout);
}

void TLayout::AssignMSR(const TLayout& source) {
    if (source.Layers.Count() != Layers.Count())
        throw Exception("Различное количество слоев.");
    for (int i = 0; i < Layers.Count(); ++i)
        Layers.Items(i).MSR.Assign(source.Layers.Items(i).MSR);
    Changed(lcLayout);
}

void TLayout::AssignKeyLock(const TLayout& source) {
    if (source.Layers.Count() != Layers.Count())
        return;
    for (int i = 0; i < Layers.Count(); ++i)
        Layers.Items(i).KeyLock.Assign(source.Layers.Items(i).KeyLock);
    Changed(lcLayout);
}

void TLayout::Report(const std::string& line) const {
    if (MessageSink)
        MessageSink(line, FID);
}

} // namespace lay
