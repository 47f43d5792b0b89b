#include "ConfigDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace lumeno {

QString configDirectory()
{
    const QString overridden = qEnvironmentVariable("LUMENO_CONFIG_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumeno-ocr");
}

Result ensureConfigDirectory(const QString &path)
{
    const QFileInfo folder(path);
    if (folder.isDir())
        return Result::success();
    if (folder.exists())
        return Result::failure(QStringLiteral("%1 is not a folder").arg(path));
    // QDir::mkpath would give the levels it makes the umask's mode.
    QStringList missing;
    for (QString level = folder.absoluteFilePath(); !QFileInfo::exists(level);) {
        missing.prepend(level);
        const QString parent = QFileInfo(level).absolutePath();
        if (parent == level)
            break;
        level = parent;
    }
    for (const QString &level : missing)
        if (!QDir().mkdir(level,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            return Result::failure(QStringLiteral("cannot create the folder %1").arg(level));
    return Result::success();
}

Result checkConfigDirectoryPrivate(const QString &path)
{
    const QFileInfo folder(path);
    if (!folder.isDir())
        return Result::success();
    if (folder.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        return Result::failure(
            QStringLiteral("the settings folder %1 can be read by other users, and the settings "
                           "in it can hold an API key")
                .arg(path));
    return Result::success();
}

} // namespace lumeno
