#include "ui/KeyMessage.h"

#include <QKeyEvent>
#include <QString>

namespace lay {

namespace {

constexpr std::uint32_t kExtended = 0x100;

// Set-1 codes, with kExtended for the E0-prefixed keys, of the Linux key codes; 0 for none.
std::uint32_t LinuxKeyToSet1(std::uint32_t key) {
    switch (key) {
    // Num Lock and Pause share 45: Windows reports Num Lock as the extended one.
    case 69: // KEY_NUMLOCK
        return kExtended | 0x45;
    case 119: // KEY_PAUSE
        return 0x45;
    case 96: // KEY_KPENTER
        return kExtended | 0x1C;
    case 97: // KEY_RIGHTCTRL
        return kExtended | 0x1D;
    case 98: // KEY_KPSLASH
        return kExtended | 0x35;
    case 99: // KEY_SYSRQ (Print Screen)
        return kExtended | 0x37;
    case 100: // KEY_RIGHTALT
        return kExtended | 0x38;
    case 102: // KEY_HOME
        return kExtended | 0x47;
    case 103: // KEY_UP
        return kExtended | 0x48;
    case 104: // KEY_PAGEUP
        return kExtended | 0x49;
    case 105: // KEY_LEFT
        return kExtended | 0x4B;
    case 106: // KEY_RIGHT
        return kExtended | 0x4D;
    case 107: // KEY_END
        return kExtended | 0x4F;
    case 108: // KEY_DOWN
        return kExtended | 0x50;
    case 109: // KEY_PAGEDOWN
        return kExtended | 0x51;
    case 110: // KEY_INSERT
        return kExtended | 0x52;
    case 111: // KEY_DELETE
        return kExtended | 0x53;
    case 125: // KEY_LEFTMETA
        return kExtended | 0x5B;
    case 126: // KEY_RIGHTMETA
        return kExtended | 0x5C;
    case 127: // KEY_COMPOSE (the menu key)
        return kExtended | 0x5D;
    default:
        // KEY_ESC (1) to KEY_F12 (88) are the set-1 codes themselves.
        return key >= 1 && key <= 88 ? key : 0;
    }
}

} // namespace

std::optional<TKeyMessage> KeyMessageFromEvent(const QKeyEvent& event, const QString& platform) {
    const bool release = event.type() == QEvent::KeyRelease;
    if (!release && event.type() != QEvent::KeyPress)
        return std::nullopt;
    if (release && event.isAutoRepeat())
        return std::nullopt;

    const std::uint32_t native = event.nativeScanCode();
    std::uint32_t code = 0;
    if (platform == QLatin1String("windows"))
        code = native & (kExtended | 0xFF);
    else if (native > 8)
        code = LinuxKeyToSet1(native - 8);
    const std::uint32_t scan = code & 0xFF;
    if (scan == 0)
        return std::nullopt;
    const bool extended = (code & kExtended) != 0;

    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool alt = modifiers.testFlag(Qt::AltModifier) && !modifiers.testFlag(Qt::ControlModifier);
    const bool altKey = scan == 0x38;
    const bool f10 = scan == 0x44 && !extended;

    TKeyMessage message;
    const bool system = alt || altKey || f10;
    message.Msg = release ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
    message.LParam = 1 | (scan << 16);
    if (extended)
        message.LParam |= 1u << 24;
    // A release always has the key down before it; a repeated press too.
    if (release || event.isAutoRepeat())
        message.LParam |= 1u << 30;
    if (release)
        message.LParam |= 1u << 31;
    return message;
}

} // namespace lay
