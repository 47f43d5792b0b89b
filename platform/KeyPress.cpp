#include "KeyPress.h"

#include "CarbonModifiers.h"
#include "x11/X11Keyboard.h"

#include <QKeyEvent>

namespace lumeno {

namespace {

bool isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

KeyPress readKeyPress(const QKeyEvent &event)
{
    KeyPress press;
    press.modifierFlags = eventFlagsFromQt(event.modifiers());
    press.nativeKeyCode = event.nativeScanCode();
    press.modifierOnly = isModifierKey(event.key());
    if (press.modifierOnly)
        return press;
    const std::vector<quint32> keysyms = X11Keyboard::keysymsOf(press.nativeKeyCode);
    if (keysyms.empty()) {
        press.key =
            VirtualKeyCodes::forQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
        return press;
    }
    // The unshifted symbol names the key; a keypad key names its digit one level up.
    for (const quint32 keysym : keysyms)
        if ((press.key = VirtualKeyCodes::forKeysym(keysym)))
            break;
    return press;
}

} // namespace lumeno
