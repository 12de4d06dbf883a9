#include "model/MasterKey.h"

#include "model/Keys.h"

namespace lay {

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
