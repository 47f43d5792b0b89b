#pragma once

class QWidget;

namespace lumeno {

// Moves a window that is not shown yet to the middle of the available area of the screen under
// the mouse, where the user's attention is (the primary screen when the mouse is on none).
void centreOnScreenUnderMouse(QWidget *window);

} // namespace lumeno
