#include "UserDefaults.h"

#include "ConfigDirectory.h"
#include "StandardOutput.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

namespace lumeno {

UserDefaults::UserDefaults(QString filePath) : m_filePath(std::move(filePath))
{
    load();
}

UserDefaults &UserDefaults::standard()
{
    static UserDefaults defaults(configDirectory() + QStringLiteral("/defaults.json"));
    return defaults;
}

void UserDefaults::load()
{
    if (const Result folder = checkConfigDirectoryPrivate(QFileInfo(m_filePath).absolutePath());
        !folder)
        printLine(QStringLiteral("Warning: ") + folder.why);
    QFile file(m_filePath);
    if (!file.exists())
        return;
    // A file that cannot be read may be perfectly good: keep it for when it can be read again.
    if (!file.open(QIODevice::ReadOnly)) {
        m_readOnly = true;
        printLine(QStringLiteral("Settings file %1 could not be read (%2); started from defaults "
                                 "for this run and will not write it")
                      .arg(m_filePath, file.errorString()));
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        moveAside(error.errorString());
        return;
    }
    if (!document.isObject()) {
        moveAside(QStringLiteral("not a JSON object"));
        return;
    }
    m_values = document.object();
}

void UserDefaults::moveAside(const QString &reason)
{
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_filePath + QStringLiteral(".damaged-") + stamp;
    for (int n = 1; QFileInfo::exists(aside); ++n)
        aside = m_filePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(m_filePath, aside)) {
        m_readOnly = true;
        printLine(QStringLiteral("Settings file %1 could not be read (%2) nor moved aside; "
                                 "started from defaults and will not write it")
                      .arg(m_filePath, reason));
        return;
    }
    // The copy may hold the API key, whatever mode the damaged file had.
    QFile::setPermissions(aside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    printLine(QStringLiteral("Settings file %1 could not be read (%2); moved it to %3 and "
                             "started from defaults")
                  .arg(m_filePath, reason, aside));
}

std::optional<QString> UserDefaults::stringForKey(const QString &key) const
{
    const auto value = objectForKey(key);
    if (!value)
        return std::nullopt;
    if (value->isString())
        return value->toString();
    if (value->isDouble())
        return value->toVariant().toString();
    return std::nullopt;
}

std::optional<QJsonValue> UserDefaults::objectForKey(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return it.value();
}

Result UserDefaults::setValue(const QString &key, const QJsonValue &value)
{
    m_values.insert(key, value);
    return save();
}

Result UserDefaults::removeObject(const QString &key)
{
    m_values.remove(key);
    return save();
}

Result UserDefaults::save()
{
    if (m_readOnly)
        return Result::failure(
            QStringLiteral("the settings file could not be read and was kept as it is"));
    if (const Result folder = ensureConfigDirectory(QFileInfo(m_filePath).absolutePath()); !folder)
        return folder;
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return Result::failure(file.errorString());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return Result::failure(file.errorString());
    return Result::success();
}

} // namespace lumeno
