#include "platform/gui/UserNotificationCenter.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace platform {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

UserNotificationCenter::Handler& testHandler()
{
    static UserNotificationCenter::Handler handler;
    return handler;
}
} // namespace

UserNotificationCenter& UserNotificationCenter::defaultCenter()
{
    static UserNotificationCenter* center = new UserNotificationCenter;
    return *center;
}

void UserNotificationCenter::setTestHandler(Handler handler)
{
    testHandler() = std::move(handler);
}

UserNotificationCenter::UserNotificationCenter() = default;

bool UserNotificationCenter::deliver(const Notification& notification)
{
    if (testHandler())
        return testHandler()(notification);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kService).value()) {
        Log::info(QStringLiteral("UserNotificationCenter"), QStringLiteral("no notification service; not shown: %1").arg(notification.title));
        return false;
    }
    if (!m_connected) {
        m_connected = true;
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(closed(uint, uint)));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    if (notification.playsDefaultSound)
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    const QStringList actions = notification.clickAction ? QStringList{QStringLiteral("default"), QStringLiteral("View")} : QStringList();
    // The text is shown as markup by some servers: plain text only.
    QString body = notification.informativeText.toHtmlEscaped();
    call << QCoreApplication::applicationName() << uint(0) << QString() << notification.title << body << actions << hints << int(-1);
    const QDBusReply<uint> reply = bus.call(call, QDBus::Block, 2000);
    if (!reply.isValid()) {
        Log::warning(QStringLiteral("UserNotificationCenter"), reply.error().message());
        return false;
    }
    if (notification.clickAction)
        m_clickActions.insert(reply.value(), notification.clickAction);
    return true;
}

void UserNotificationCenter::actionInvoked(uint id, const QString& action)
{
    const auto click = m_clickActions.take(id);
    if (click && action == QLatin1String("default"))
        click();
}

void UserNotificationCenter::closed(uint id, uint)
{
    m_clickActions.remove(id);
}

} // namespace platform
