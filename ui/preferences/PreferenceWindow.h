#pragma once

#include "FixedWindow.h"
#include "PreferenceView.h"

namespace lumeno {

// The preferences window: a fixed-size window with a title and a close button only, hosting one
// PreferenceView. It deletes itself once closed. However it closes, by "OK" or by its close
// button, it asks for the global hot key to be registered again from the shared state object.
class PreferenceWindow : public FixedWindow
{
    Q_OBJECT

public:
    // Takes the view over.
    explicit PreferenceWindow(PreferenceView *view);

    PreferenceView *preferenceView() const { return m_view; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void windowWillClose();

    PreferenceView *m_view;
};

// A new preferences window over the shell's state object, centred on the screen under the mouse,
// with the General page on screen and working copies read from the store; the caller shows it.
PreferenceWindow *makePreferenceWindow(LumenoObject &lumenoObject,
                                       const PreferenceServices &services);

} // namespace lumeno
