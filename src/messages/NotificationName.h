#pragma once

#include <QString>

// The names of the two application-wide notifications.
// "ZelvorRefreshNotification": the preview starts loading a project page (object nil).
// "HideActionsNotification": link overlays of the editor should hide (saving, a window losing
// key status, a paste).
class NotificationName {
public:
    static const QString& ZelvorRefresh();
    static const QString& HideActions();
};
