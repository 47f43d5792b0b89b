#include "AboutWindowController.h"

#include "AboutView.h"
#include "WindowPlacement.h"

namespace lumeno {

AboutWindowController::AboutWindowController() : AboutWindowController(new AboutView) {}

AboutWindowController::AboutWindowController(AboutView *view)
    : FixedWindow(QStringLiteral("About"), view), m_view(view)
{
    centreOnScreenUnderMouse(this);
}

} // namespace lumeno
