#pragma once

#include "NotificationCenter.h"

#include <QObject>
#include <QStringList>
#include <vector>

namespace lumeno::test {

// Records, in order, every post of the given names for as long as it lives.
class NotificationRecorder
{
public:
    explicit NotificationRecorder(const QStringList &names)
    {
        for (const QString &name : names)
            NotificationCenter::defaultCenter().addObserver(
                &m_observer, name, [this](const Notification &n) { posts.push_back(n); });
    }

    QStringList names() const
    {
        QStringList result;
        for (const Notification &n : posts)
            result << n.name;
        return result;
    }

    std::vector<Notification> posts;

private:
    QObject m_observer;
};

} // namespace lumeno::test
