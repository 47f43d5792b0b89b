#pragma once

#include "GlobalHotKey.h"

namespace lumeno {

// Used where no global shortcut can be had: every registration is refused with a reason.
class NullGlobalHotKey : public GlobalHotKey
{
    Q_OBJECT

public:
    using GlobalHotKey::GlobalHotKey;

    Registration registerHotKey(quint32 keyCode, quint32 carbonModifiers, quint32 id) override;
    void unregisterHotKey(Ref ref) override;
};

} // namespace lumeno
