#include "ConfigDirectory.h"

#include <QDir>
#include <QFile>
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
    if (!QDir(path).exists() && !QDir().mkpath(path))
        return Result::failure(QStringLiteral("cannot create the folder %1").arg(path));
    if (!QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner))
        return Result::failure(QStringLiteral("cannot restrict the folder %1").arg(path));
    return Result::success();
}

} // namespace lumeno
