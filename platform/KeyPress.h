#pragma once

#include "VirtualKeyCodes.h"

#include <QtGlobal>
#include <optional>

class QKeyEvent;

namespace lumeno {

// A key press as a recorded shortcut names it.
struct KeyPress
{
    // The modifiers held, as event flags (see CarbonModifiers.h).
    quint64 modifierFlags = 0;
    // The key, or nothing for a key the key table does not hold.
    std::optional<VirtualKey> key;
    // The window system's own code of the key (the X keycode), 0 where it gives none.
    quint32 nativeKeyCode = 0;
    // Shift, Control, Alt, Super or a lock key pressed on its own: no key of a shortcut.
    bool modifierOnly = false;
};

// Reads a key event. Where the window system says which key was pressed (X11), the first of the
// key's symbols that the key table holds names it, from the unshifted one up: Shift+1 is the 1
// key, and the recorded code is one the global grab finds the same key for. Elsewhere (the
// offscreen platform, synthesised events) Qt's key does.
KeyPress readKeyPress(const QKeyEvent &event);

} // namespace lumeno
