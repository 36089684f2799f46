#include "messages/NotificationName.h"

const QString& NotificationName::ZelvorRefresh()
{
    static const QString name = QStringLiteral("ZelvorRefreshNotification");
    return name;
}

const QString& NotificationName::HideActions()
{
    static const QString name = QStringLiteral("HideActionsNotification");
    return name;
}
