#pragma once

#include "Result.h"

#include <QLockFile>
#include <QString>

namespace lumeno {

// One tray program per user session, so two never fight over the global hot key. The lock is a
// file that names its owner's process: a lock left by a killed program is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &lockPath = defaultLockPath());

    // Held until this object goes away. Fails when a live program holds the lock.
    Result acquire();

    // lumeno-ocr.lock in $XDG_RUNTIME_DIR (private to the user and cleared at log-out), or in
    // the temporary folder, with the user's id in the name, where the session has none.
    static QString defaultLockPath();

private:
    QLockFile m_lock;
};

} // namespace lumeno
