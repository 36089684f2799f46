#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// One posted notification: a name, the object that posted it (may be null) and a small
// dictionary of details.
struct Notification {
    QString name;
    QObject* object = nullptr;
    QVariantMap userInfo;
};

// Application-wide notifications by name. Delivery is synchronous, on the posting thread,
// which is always the main thread. Observers may filter by the posting object; an observer
// registered with an owner is removed when the owner is destroyed.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    static NotificationCenter& defaultCenter();

    // Adds an observer of `name` (empty: every name) posted by `object` (null: any object).
    // With an owner, the observer lives at most as long as the owner.
    Token addObserver(const QString& name, const QObject* object, Handler handler,
                      QObject* owner = nullptr);
    void removeObserver(Token token);
    // Removes every observer registered with this owner (optionally only for one name).
    void removeObserver(const QObject* owner, const QString& name = QString());

    void post(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& notification);

    std::size_t observerCount() const { return m_observers.size(); }

private:
    struct Observer {
        Token token;
        QString name;
        const QObject* object;
        bool filtersObject;
        QPointer<const QObject> objectGuard;
        QPointer<QObject> owner;
        bool hasOwner;
        Handler handler;
    };
    std::vector<Observer> m_observers;
    Token m_nextToken = 1;
};

} // namespace platform
