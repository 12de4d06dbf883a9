#include "model/KeyLock.h"

#include "model/Errors.h"
#include "model/Utils.h"

#include <algorithm>
#include <iterator>

namespace lay {

namespace {
const char* const kPositionTypeCaptions[] = {
    "Макрос", "Переход на 1 cлой", "Переход на 2 cлой", "Переход на 3 cлой", "Переход на 4 cлой",
};
} // namespace

std::string PositionTypeCaption(int type) {
    if (type < 0 || type >= static_cast<int>(std::size(kPositionTypeCaptions)))
        return {};
    return kPositionTypeCaptions[type];
}

TKeyPosition::TKeyPosition(TKeyLock* keyLock, TNotifier* notifier)
    : TNotifyObject(notifier), Notes(notifier), ScanCodes(notifier), FKeyLock(keyLock) {}

void TKeyPosition::SetPositionType(std::uint8_t value) {
    if (value == FPositionType)
        return;
    FPositionType = value;
    Changed();
}

void TKeyPosition::SetLock(bool value) {
    if (value == FLock)
        return;
    FLock = value;
    Changed();
}

void TKeyPosition::Assign(const TKeyPosition& source) {
    SetPositionType(source.FPositionType);
    Notes.Assign(source.Notes);
    ScanCodes.Assign(source.ScanCodes);
    FLock = source.FLock;
    Changed();
}

bool TKeyPosition::Equals(const TKeyPosition& other) const {
    return FPositionType == other.FPositionType && FLock == other.FLock && Notes.Equals(other.Notes) &&
           ScanCodes.Equals(other.ScanCodes);
}

TKeyPosition& TKeyLock::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

void TKeyLock::Clear() {
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

TKeyPosition& TKeyLock::Add() {
    if (Count() >= MaxPositions)
        throw Exception(STooManyKeyPositions);
    FItems.push_back(std::make_unique<TKeyPosition>(this, Notifier()));
    Changed();
    return *FItems.back();
}

void TKeyLock::SetCount(int count) {
    count = std::max(count, 0);
    while (Count() < count)
        Add();
    while (Count() > count)
        FItems.pop_back();
    Changed();
}

void TKeyLock::Assign(const TKeyLock& source) {
    if (&source == this)
        return;
    Clear();
    for (const auto& position : source.FItems)
        Add().Assign(*position);
    Changed();
}

bool TKeyLock::Equals(const TKeyLock& other) const {
    return ItemsEqual(FItems, other.FItems);
}

bool TKeyLock::Check() {
    for (int i = 0; i < Count(); ++i) {
        TKeyPosition& position = Items(i);
        if (!position.Check()) {
            ErrorText = "Ключ. Положение " + std::to_string(i + 1) + ". " + position.ScanCodes.ErrorText;
            return false;
        }
    }
    return true;
}

} // namespace lay
