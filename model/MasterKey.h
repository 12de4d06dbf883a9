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
class TStringNotify : public TNotifyObject {
public:
    using TNotifyObject::TNotifyObject;
    const std::string& Value() const { return FValue; }
    void SetValue(const std::string& value);

private:
    std::string FValue;
};

class TKeyTypeNotify : public TNotifyObject {
public:
    using TNotifyObject::TNotifyObject;
    std::uint8_t Value() const { return FValue; }
    void SetValue(std::uint8_t value);

private:
    std::uint8_t FValue = 0;
};

class TRepeatKeyNotify : public TNotifyObject {
public:
    using TNotifyObject::TNotifyObject;
    std::uint8_t Value() const { return FValue; }
    void SetValue(std::uint8_t value);

private:
    std::uint8_t FValue = 0;
};

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
