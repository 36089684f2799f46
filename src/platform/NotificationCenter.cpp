#include "platform/NotificationCenter.h"

#include "platform/Dispatch.h"

#include <algorithm>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, const QObject* object, Handler handler,
                                                          QObject* owner)
{
    const Token token = m_nextToken++;
    m_observers.push_back(Observer{token, name, object, object != nullptr, QPointer<const QObject>(object),
                                   QPointer<QObject>(owner), owner != nullptr, std::move(handler)});
    if (owner) {
        QObject::connect(owner, &QObject::destroyed, [this, token] { removeObserver(token); });
    }
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::erase_if(m_observers, [token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::removeObserver(const QObject* owner, const QString& name)
{
    std::erase_if(m_observers, [&](const Observer& o) {
        return o.hasOwner && o.owner == owner && (name.isEmpty() || o.name == name);
    });
}

void NotificationCenter::post(const QString& name, QObject* object, const QVariantMap& userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& notification)
{
    // Observers are widgets and documents: they are only ever told on their own thread.
    ZELVOR_ASSERT_MAIN_THREAD();
    // Observers may add or remove observers while being notified: deliver to a snapshot of
    // tokens and skip any that were removed in the meantime.
    std::vector<Token> targets;
    for (const Observer& o : m_observers) {
        if (!o.name.isEmpty() && o.name != notification.name)
            continue;
        // An observed object that was destroyed matches nothing, even a new object at its address.
        if (o.filtersObject && (!o.objectGuard || o.object != notification.object))
            continue;
        if (o.hasOwner && !o.owner)
            continue;
        targets.push_back(o.token);
    }
    for (Token token : targets) {
        auto it = std::find_if(m_observers.begin(), m_observers.end(),
                               [token](const Observer& o) { return o.token == token; });
        if (it == m_observers.end())
            continue;
        Handler handler = it->handler; // the observer may remove itself while running
        handler(notification);
    }
}

} // namespace platform
