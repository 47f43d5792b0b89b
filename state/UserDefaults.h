#pragma once

#include "Result.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace lumeno {

// The user-defaults store: one JSON object in a file, so text and numbers keep their types.
// Every write replaces the file atomically. A file that cannot be read as a JSON object is moved
// aside (never deleted) and the store starts empty.
class UserDefaults
{
public:
    explicit UserDefaults(QString filePath);

    // The store of the running program: defaults.json in configDirectory(), loaded on first use.
    static UserDefaults &standard();

    QString filePath() const { return m_filePath; }

    // A stored text, or a stored number given as its text; nothing for other values.
    std::optional<QString> stringForKey(const QString &key) const;
    // The stored value as it is, or nothing when the key is absent.
    std::optional<QJsonValue> objectForKey(const QString &key) const;

    Result setValue(const QString &key, const QJsonValue &value);
    // A number that reads back as the same unsigned value: a JSON integer up to 2^63 - 1, above
    // that the double it was read from.
    Result setUnsigned(const QString &key, quint64 value);
    Result removeObject(const QString &key);

private:
    void load();
    void moveAside(const QString &reason);
    Result save();

    QString m_filePath;
    QJsonObject m_values;
    // Set when a damaged file could not be moved aside: writing would destroy it.
    bool m_readOnly = false;
};

} // namespace lumeno
