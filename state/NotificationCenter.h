#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <vector>

namespace lumeno {

struct Notification
{
    QString name;
    QVariant object;
    // "No userInfo" and "an empty userInfo" are different messages: a cancelled capture posts none.
    std::optional<QVariantMap> userInfo;
};

// Synchronous, name-keyed notifications on the main thread. Observers are tied to a QObject and
// go away with it, so a destroyed window is never called.
class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    void addObserver(QObject *observer, const QString &name, Handler handler);
    void removeObserver(QObject *observer);
    void removeObserver(QObject *observer, const QString &name);

    // Calls every observer of the name, in the order they were added, before it returns.
    void post(const QString &name, const QVariant &object = {},
              std::optional<QVariantMap> userInfo = std::nullopt);

private:
    struct Entry
    {
        quint64 id;
        QPointer<QObject> observer;
        QString name;
        Handler handler;
    };
    bool isRegistered(quint64 id) const;

    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
};

} // namespace lumeno
