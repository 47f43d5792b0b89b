#pragma once

class QWindow;

namespace lumeno {

// A window that belongs to the tray icon, as its menu does: it is no task of its own, so it has
// no taskbar or pager entry and takes no part in switching windows.
namespace TransientPanel {

// Holds for every show of the window from now on; call it before the first one. Nothing happens
// where the desktop has no such notion (no X connection).
void apply(QWindow *window);

} // namespace TransientPanel

} // namespace lumeno
