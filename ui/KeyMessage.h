#pragma once

#include "model/CodeSet.h"

#include <optional>

class QKeyEvent;
class QString;

namespace lay {

// The key message a Qt key event stands for, in the Windows form the code table reads: WM_KEYDOWN
// or WM_KEYUP (the WM_SYS variants with Alt held and no Ctrl, for Alt itself and for F10), the
// set-1 scan code in bits 16-23 of LParam, bit 24 for the E0-prefixed keys, bit 30 for a repeated
// press and for every release, bit 31 for a release, a repeat count of 1.
// platform is QGuiApplication::platformName(): "windows" delivers the scan code with the extended
// flag as 0x100; "xcb", "wayland" and anything else deliver the Linux key code plus 8.
// Nothing for other events, for keys without a set-1 code, and for the repeated releases X11 sends
// while a key is held.
std::optional<TKeyMessage> KeyMessageFromEvent(const QKeyEvent& event, const QString& platform);

} // namespace lay
