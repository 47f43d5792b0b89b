#pragma once

#include "FixedWindow.h"

namespace lumeno {

class AboutView;

// The About window: fixed in size, a title and a close button only, centred on the screen under
// the mouse. Nobody keeps it: it lives until the user closes it and then deletes itself.
class AboutWindowController : public FixedWindow
{
    Q_OBJECT

public:
    AboutWindowController();

    AboutView *aboutView() const { return m_view; }

private:
    explicit AboutWindowController(AboutView *view);

    AboutView *m_view;
};

} // namespace lumeno
