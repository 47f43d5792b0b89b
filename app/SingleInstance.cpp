#include "SingleInstance.h"

#include <QDir>
#include <unistd.h>

namespace lumeno {

SingleInstance::SingleInstance(const QString &lockPath) : m_lock(lockPath)
{
    // Only a dead owner makes the lock stale, however long a live program has been running.
    m_lock.setStaleLockTime(0);
}

Result SingleInstance::acquire()
{
    if (m_lock.tryLock(0))
        return {true, {}};
    if (m_lock.error() == QLockFile::LockFailedError)
        return {false, QStringLiteral("Lumeno OCR is already running.")};
    return {false, QStringLiteral("The lock file %1 cannot be written.").arg(m_lock.fileName())};
}

QString SingleInstance::defaultLockPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("lumeno-ocr.lock"));
    return QDir::temp().filePath(QStringLiteral("lumeno-ocr-%1.lock").arg(getuid()));
}

} // namespace lumeno
