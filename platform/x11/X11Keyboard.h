#pragma once

#include <QtGlobal>
#include <vector>

namespace lumeno::X11Keyboard {

// The keysyms of the key with this X keycode, by level from the unshifted one up, from the
// keyboard mapping of the application's X connection. Empty when the program does not run on
// X11, for keycode 0 and for a keycode the mapping leaves empty.
std::vector<quint32> keysymsOf(quint32 keycode);

} // namespace lumeno::X11Keyboard
