#pragma once

#include "Result.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace lumeno {

// The user-defaults store: one JSON object in a file, so text and numbers keep their types.
// Every write replaces the file atomically. A file that is not a JSON object is moved aside (never
// deleted, mode 0600) and the store starts empty; a file that cannot be opened is left in place,
// and the store starts empty and refuses every write. Each case prints one line.
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
    Result removeObject(const QString &key);

private:
    void load();
    void moveAside(const QString &reason);
    Result save();

    QString m_filePath;
    QJsonObject m_values;
    // Set when a file could not be read nor moved aside: writing would destroy it.
    bool m_readOnly = false;
};

} // namespace lumeno
