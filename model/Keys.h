#pragma once

#include "model/KeyPicture.h"
#include "model/Notes.h"
#include "model/Notify.h"
#include "model/ScanCodes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lay {

// What a key does when pressed.
enum : std::uint8_t {
    ktNone = 0,
    ktMacro = 1, // the only type whose sequences and repeat flag count
    ktLayerUp = 2,
    ktLayerDown = 3,
    ktLayer1 = 4,
    ktLayer2 = 5,
    ktLayer3 = 6,
    ktLayer4 = 7,
    ktTempLayer1 = 8,
    ktTempLayer2 = 9,
    ktTempLayer3 = 10,
    ktTempLayer4 = 11,
};

class TKeys;

// The caption of a key type as the key window lists it; empty for none and unknown types.
std::string KeyTypeCaption(int type);

// One key of one layer. Column and row are zero-based.
class TKey : public TNotifyObject {
public:
    TKey(TKeys* keys, TNotifier* notifier, int col, int row, int number);

    TNotes Notes;
    TKeyPicture Picture;
    TScanCodes PressCodes;
    TScanCodes ReleaseCodes;

    TKeys* Keys() const { return FKeys; }
    int Col() const { return FCol; }
    int Row() const { return FRow; }
    int Number() const { return FNumber; }
    const std::string& Text() const { return FText; }
    std::uint8_t KeyType() const { return FKeyType; }
    bool RepeatKey() const { return FRepeatKey; }

    void SetText(const std::string& value);
    void SetNumber(int value);
    void SetRepeatKey(bool value);
    // Reports a change even when the type stays the same.
    void SetKeyType(std::uint8_t value);

    // Empties the contents; the picture, position and number stay.
    void Clear();
    // Nothing but the default contents (the picture is not considered).
    bool IsEmpty() const;
    bool HasFunction() const { return FKeyType != ktNone; }
    // Copies the contents; position, number and picture stay.
    void Assign(const TKey& source);
    // The contents Assign copies, compared.
    bool Equals(const TKey& other) const;

private:
    TKeys* FKeys;
    int FCol;
    int FRow;
    int FNumber;
    std::string FText;
    std::uint8_t FKeyType = ktMacro;
    bool FRepeatKey = false;
};

// The keys of one layer, in the order of the keyboard model's definitions.
class TKeys : public TNotifyObject {
public:
    explicit TKeys(TNotifier* notifier) : TNotifyObject(notifier) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    TKey& Items(int index) const;
    void Clear();
    TKey& Add(int col, int row, int number);
    TKey* FindKey(int col, int row) const;
    TKey* FindByNumber(int number) const;
    // A full copy, pictures included.
    void Assign(const TKeys& source);
    // Contents follow the logical number; pictures and keys without a partner stay.
    void AssignByNumber(const TKeys& source);

private:
    std::vector<std::unique_ptr<TKey>> FItems;
};

} // namespace lay
