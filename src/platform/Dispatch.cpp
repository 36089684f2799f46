#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace platform {

void dispatchMain(std::function<void()> fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void dispatchAfter(double seconds, std::function<void()> fn)
{
    const int ms = seconds <= 0 ? 0 : int(std::llround(seconds * 1000.0));
    auto schedule = [ms, fn = std::move(fn)]() mutable {
        QTimer::singleShot(ms, QCoreApplication::instance(), std::move(fn));
    };
    if (isMainThread())
        schedule();
    else
        dispatchMain(std::move(schedule));
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace platform
