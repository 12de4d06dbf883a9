#include "model/Layers.h"

#include "model/Errors.h"

namespace lay {

TKey& TLayer::KeyAt(int col, int row) const {
    if (TKey* key = Keys.FindKey(col, row))
        return *key;
    throw Exception("Клавиша с координатами (" + std::to_string(col) + ", " + std::to_string(row) +
                    ") не найдена.");
}

void TLayer::Assign(const TLayer& source) {
    MSR.Assign(source.MSR);
    Keys.Assign(source.Keys);
    KeyLock.Assign(source.KeyLock);
}

TLayer& TLayers::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

void TLayers::Clear() {
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

TLayer& TLayers::Add() {
    FItems.push_back(std::make_unique<TLayer>(this, Notifier()));
    Changed();
    return *FItems.back();
}

void TLayers::SetCount(int count) {
    if (count < 1)
        throw Exception("Неверное значение количества слоев: " + std::to_string(count) +
                        "\r\nКоличество слоев должно быть больше 0.");
    while (Count() < count)
        Add();
    if (Count() > count) {
        FItems.resize(static_cast<std::size_t>(count));
        Changed();
    }
}

void TLayers::Assign(const TLayers& source) {
    if (&source == this)
        return;
    Clear();
    for (const auto& layer : source.FItems)
        Add().Assign(*layer);
}

} // namespace lay
