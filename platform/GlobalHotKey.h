#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace lumeno {

// The one system-wide shortcut service of the program. Key codes are the virtual key codes the
// settings store (14 is E, see VirtualKeyCodes.h); modifiers are the Carbon masks that the
// hot-key text maps to (see CarbonModifiers.h).
class GlobalHotKey : public QObject
{
    Q_OBJECT

public:
    // Opaque handle of one registration; never 0.
    using Ref = quintptr;

    struct Registration
    {
        std::optional<Ref> ref; // set when the shortcut is registered
        QString why;            // the reason when it is not
    };

    using QObject::QObject;

    virtual Registration registerHotKey(quint32 keyCode, quint32 carbonModifiers, quint32 id) = 0;
    // Unknown or already released handles are ignored.
    virtual void unregisterHotKey(Ref ref) = 0;

    // The X11 service when the program runs on xcb with a display; otherwise one that refuses
    // every shortcut, so the program still runs (offscreen tests, Wayland).
    static std::unique_ptr<GlobalHotKey> create();

    // The shortcut as Qt's native text names keys (Ctrl+Shift+E), for the program's own lines; a
    // key code that names no key is given by its number.
    static QString displayName(quint32 keyCode, quint32 carbonModifiers);

signals:
    // A registered shortcut was pressed; id is the one given at registration.
    void pressed(quint32 id);
};

} // namespace lumeno
