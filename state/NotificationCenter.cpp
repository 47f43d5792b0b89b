#include "NotificationCenter.h"

#include <algorithm>

namespace lumeno {

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(QObject *observer, const QString &name, Handler handler)
{
    m_entries.push_back({m_nextId++, observer, name, std::move(handler)});
}

void NotificationCenter::removeObserver(QObject *observer)
{
    std::erase_if(m_entries, [observer](const Entry &e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(QObject *observer, const QString &name)
{
    std::erase_if(m_entries,
                  [&](const Entry &e) { return e.observer == observer && e.name == name; });
}

bool NotificationCenter::isRegistered(quint64 id) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [id](const Entry &e) { return e.id == id && e.observer; });
}

void NotificationCenter::post(const QString &name, const QVariant &object,
                              std::optional<QVariantMap> userInfo)
{
    std::erase_if(m_entries, [](const Entry &e) { return e.observer.isNull(); });
    const Notification notification{name, object, std::move(userInfo)};
    // Handlers may add or remove observers (a capture's end drops its controllers), so walk a
    // snapshot and skip whoever was removed meanwhile.
    std::vector<std::pair<quint64, Handler>> targets;
    for (const Entry &e : m_entries)
        if (e.name == name)
            targets.emplace_back(e.id, e.handler);
    for (const auto &[id, handler] : targets)
        if (isRegistered(id))
            handler(notification);
}

} // namespace lumeno
