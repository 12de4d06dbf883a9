#include "model/Keys.h"

#include "model/Errors.h"

#include <iterator>

namespace lay {

namespace {
// The "c" of "cлой" is a Latin letter in these captions, as the keyboards' tooling has always shown them.
const char* const kKeyTypeCaptions[] = {
    "",
    "Макрос",
    "Переход на cлой вверх",
    "Переход на cлой вниз",
    "Переход на 1 cлой",
    "Переход на 2 cлой",
    "Переход на 3 cлой",
    "Переход на 4 cлой",
    "Временный переход на 1 cлой",
    "Временный переход на 2 cлой",
    "Временный переход на 3 cлой",
    "Временный переход на 4 cлой",
};
} // namespace

std::string KeyTypeCaption(int type) {
    if (type < 0 || type >= static_cast<int>(std::size(kKeyTypeCaptions)))
        return {};
    return kKeyTypeCaptions[type];
}

TKey::TKey(TKeys* keys, TNotifier* notifier, int col, int row, int number)
    : TNotifyObject(notifier), Notes(notifier), Picture(notifier), PressCodes(notifier),
      ReleaseCodes(notifier), FKeys(keys), FCol(col), FRow(row), FNumber(number) {}

void TKey::SetText(const std::string& value) {
    if (value == FText)
        return;
    FText = value;
    Changed();
}

void TKey::SetNumber(int value) {
    if (value == FNumber)
        return;
    FNumber = value;
    Changed();
}

void TKey::SetRepeatKey(bool value) {
    if (value == FRepeatKey)
        return;
    FRepeatKey = value;
    Changed();
}

void TKey::SetKeyType(std::uint8_t value) {
    FKeyType = value;
    Changed();
}

void TKey::Clear() {
    FText.clear();
    FKeyType = ktMacro;
    FRepeatKey = false;
    PressCodes.Clear();
    ReleaseCodes.Clear();
    Notes.Clear();
    Changed();
}

bool TKey::IsEmpty() const {
    return Notes.IsEmpty() && PressCodes.IsEmpty() && ReleaseCodes.IsEmpty() && FText.empty() &&
           FKeyType == ktMacro && !FRepeatKey;
}

void TKey::Assign(const TKey& source) {
    if (&source == this)
        return;
    FText = source.FText;
    FKeyType = source.FKeyType;
    FRepeatKey = source.FRepeatKey;
    Notes.Assign(source.Notes);
    PressCodes.Assign(source.PressCodes);
    ReleaseCodes.Assign(source.ReleaseCodes);
    Changed();
}

bool TKey::Equals(const TKey& other) const {
    return FText == other.FText && FKeyType == other.FKeyType && FRepeatKey == other.FRepeatKey &&
           Notes.Equals(other.Notes) && PressCodes.Equals(other.PressCodes) &&
           ReleaseCodes.Equals(other.ReleaseCodes);
}

TKey& TKeys::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

void TKeys::Clear() {
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

TKey& TKeys::Add(int col, int row, int number) {
    FItems.push_back(std::make_unique<TKey>(this, Notifier(), col, row, number));
    Changed();
    return *FItems.back();
}

TKey* TKeys::FindKey(int col, int row) const {
    for (const auto& key : FItems)
        if (key->Col() == col && key->Row() == row)
            return key.get();
    return nullptr;
}

TKey* TKeys::FindByNumber(int number) const {
    for (const auto& key : FItems)
        if (key->Number() == number)
            return key.get();
    return nullptr;
}

void TKeys::Assign(const TKeys& source) {
    if (&source == this)
        return;
    Clear();
    for (const auto& key : source.FItems) {
        TKey& copy = Add(key->Col(), key->Row(), key->Number());
        copy.Assign(*key);
        copy.Picture.Assign(key->Picture);
    }
}

void TKeys::AssignByNumber(const TKeys& source) {
    for (const auto& key : FItems)
        if (const TKey* partner = source.FindByNumber(key->Number()))
            key->Assign(*partner);
}

} // namespace lay
