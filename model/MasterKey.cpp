#include "model/MasterKey.h"

#include "model/Keys.h"

namespace lay {

void TStringNotify::SetValue(const std::string& value) {
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

void TKeyTypeNotify::SetValue(std::uint8_t value) {
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

void TRepeatKeyNotify::SetValue(std::uint8_t value) {
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

TMasterKey::TMasterKey()
    : Notes(&FNotifier), RepeatKey(&FNotifier), Text(&FNotifier), KeyType(&FNotifier), PressCodes(&FNotifier),
      ReleaseCodes(&FNotifier), Picture(&FNotifier) {
    KeyType.SetValue(ktMacro);
}

void TMasterKey::Reset() {
    Col = 0;
    Row = 0;
    Text.SetValue({});
    Notes.Clear();
    PressCodes.Clear();
    ReleaseCodes.Clear();
    RepeatKey.SetValue(0);
    KeyType.SetValue(ktMacro);
    ClearFlags();
}

void TMasterKey::ClearFlags() {
    Text.ClearModified();
    KeyType.ClearModified();
    RepeatKey.ClearModified();
    Notes.ClearModified();
    PressCodes.ClearModified();
    ReleaseCodes.ClearModified();
    FNotifier.ClearModified();
    Picture.ClearFlags();
}

} // namespace lay
