#pragma once

namespace lumeno::bench {

// What the screens show during a capture bench: a screen-like image at every screen's own
// pixels, as the root window's background, so that grabs and JPEG work on what a real desktop
// holds rather than on Xvfb's black, and the X server repaints it alone when an overlay goes, as
// it would leave the uncovered windows to repaint themselves in their own processes.
class ScreenContent
{
public:
    // Sets the background and returns once the X server shows it.
    ScreenContent();
};

// Waits until the X server has handled every request sent so far: what has been painted and
// flushed is then on the screen.
void syncWithServer();

} // namespace lumeno::bench
