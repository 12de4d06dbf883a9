#include "files/LayoutFormat.h"

#include "files/FileUtils.h"
#include "files/Keyboards.h"
#include "model/Errors.h"

namespace lay {

const TKeyboards& TLayoutFormat::Keyboards() const {
    return FOwner->Keyboards();
}

void TLayoutFormat::SaveToStream(TLayout&, TBinStream&) {}

void TLayoutFormat::LoadFromStream(TLayout&, TBinStream&) {}

void TLayoutFormat::SaveToFile(TLayout& layout, const std::string& fileName) {
    TBinStream stream;
    SaveToStream(layout, stream);
    const TBytes& bytes = stream.Bytes();
    WriteFileAtomically(fileName,
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    layout.SetFileName(fileName);
}

void TLayoutFormat::LoadFromFile(TLayout& layout, const std::string& fileName) {
    const std::string bytes = ReadFileBytes(fileName);
    TBinStream stream(TBytes(bytes.begin(), bytes.end()));
    LoadFromStream(layout, stream);
    layout.SetFileName(fileName);
}

TBytes TLayoutFormat::SaveToString(TLayout& layout) {
    TBinStream stream;
    SaveToStream(layout, stream);
    return stream.Bytes();
}

void TLayoutFormat::LoadFromString(TLayout& layout, const TBytes& data) {
    if (data.empty())
        throw Exception(SNoLayoutData);
    TBinStream stream(data);
    LoadFromStream(layout, stream);
}

TLayoutFormat& TLayoutFormats::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

std::string TLayoutFormats::Filter() const {
    std::string filter;
    for (const auto& format : FItems) {
        if (!filter.empty())
            filter += '|';
        filter += format->GetFilter();
    }
    return filter;
}

TKeyboardModel KeyboardModel(const TKeyboard& keyboard) {
    TKeyboardModel model;
    model.ID = keyboard.ID;
    model.Width = keyboard.Width;
    model.Height = keyboard.Height;
    model.Layers = keyboard.Layers;
    model.KeyPos = keyboard.KeyPos;
    model.Track1 = keyboard.Track1 != 0;
    model.Track2 = keyboard.Track2 != 0;
    model.Track3 = keyboard.Track3 != 0;
    model.HasKey = keyboard.HasKey != 0;
    model.HasReader = keyboard.HasReader != 0;
    for (int i = 0; i < keyboard.KeyDefs.Count(); ++i) {
        const TKeyDef& def = keyboard.KeyDefs.Items(i);
        model.Keys.push_back({def.Left, def.Top, def.LogicalNumber});
    }
    return model;
}

} // namespace lay
