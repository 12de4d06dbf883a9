#pragma once

#include "model/KeyPicture.h"
#include "model/Notes.h"
#include "model/Notify.h"
#include "model/ScanCodes.h"

#include <cstdint>
#include <string>

namespace lay {

// Single values of the multi-key editor that remember, through their own Modified flag, whether
// the user changed them. Setting an equal value is no change.
template <class T> class TValueNotify : public TNotifyObject {
public:
    using TNotifyObject::TNotifyObject;
    const T& Value() const { return FValue; }
    void SetValue(const T& value) {
        if (value == FValue)
            return;
        FValue = value;
        Changed();
    }

private:
    T FValue{};
};

using TStringNotify = TValueNotify<std::string>;
using TKeyTypeNotify = TValueNotify<std::uint8_t>;
using TRepeatKeyNotify = TValueNotify<std::uint8_t>;

// The edit buffer of the key window and the picture window: the values of one key, or those
// all selected keys share, written back field by field to every selected key. It has a notifier
// of its own, so editing it never marks a layout modified.
class TMasterKey {
public:
    TMasterKey();
    TMasterKey(const TMasterKey&) = delete;
    TMasterKey& operator=(const TMasterKey&) = delete;

private:
    // Declared first: every field below reports into it.
    TNotifier FNotifier;

public:
    int Col = 0;
    int Row = 0;
    TNotes Notes;
    TRepeatKeyNotify RepeatKey;
    TStringNotify Text;
    // 0 when the selected keys differ in type.
    TKeyTypeNotify KeyType;
    TScanCodes PressCodes;
    TScanCodes ReleaseCodes;
    TKeyPicture Picture;
    // Zero-based layer the buffer is loaded from and written to.
    int LayerIndex = 0;

    TNotifier& Notifier() { return FNotifier; }

    // Back to an empty macro key with nothing edited; the picture stays.
    void Reset();
    bool IsModified() const { return FNotifier.Modified; }
    // Forgets which fields were edited.
    void ClearFlags();
};

} // namespace lay
