#pragma once

#include <QJsonObject>
#include <QString>

class CSTaskManager;

// What a starter may hear from its child-process runner; every method is optional.
class CSTaskManagerDelegate {
public:
    virtual ~CSTaskManagerDelegate() = default;
    virtual void taskManagerDidReceiveObject(CSTaskManager* manager, const QJsonObject& object)
    {
        (void)manager;
        (void)object;
    }
    virtual void taskManagerDidReceiveOutput(CSTaskManager* manager, const QString& line, bool isError)
    {
        (void)manager;
        (void)line;
        (void)isError;
    }
    virtual void taskManagerDidEndWithStatus(CSTaskManager* manager, int status)
    {
        (void)manager;
        (void)status;
    }
};
