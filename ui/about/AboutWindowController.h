#pragma once

#include <QWidget>

namespace lumeno {

class AboutView;

// The About window: fixed in size, a title and a close button only, centred on the screen under
// the mouse. Nobody keeps it: it lives until the user closes it and then deletes itself.
class AboutWindowController : public QWidget
{
    Q_OBJECT

public:
    AboutWindowController();

    AboutView *aboutView() const { return m_view; }

private:
    AboutView *m_view;
};

} // namespace lumeno
