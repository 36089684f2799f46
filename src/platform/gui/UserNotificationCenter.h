#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

namespace platform {

// Desktop notifications (the freedesktop notification service on the session bus). A click on a
// delivered notification runs its click action. Where no notification service runs, nothing is
// shown and deliver() answers false. Tests replace the desktop with a recorder.
class UserNotificationCenter : public QObject {
    Q_OBJECT
public:
    struct Notification {
        QString title;
        QString informativeText;
        bool playsDefaultSound = true;
        std::function<void()> clickAction;
    };

    static UserNotificationCenter& defaultCenter();

    // Shows the notification now; answers whether the desktop took it.
    bool deliver(const Notification& notification);

    // Gets every notification in place of the desktop; answers as deliver() would. Empty
    // restores the desktop.
    using Handler = std::function<bool(const Notification&)>;
    static void setTestHandler(Handler handler);

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void closed(uint id, uint reason);

private:
    UserNotificationCenter();

    bool m_connected = false;
    QHash<uint, std::function<void()>> m_clickActions;
};

} // namespace platform
