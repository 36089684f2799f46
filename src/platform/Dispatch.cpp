#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QPointer>
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

namespace {

std::function<void()> whileAlive(const QObject* context, std::function<void()> fn)
{
    return [guard = QPointer<const QObject>(context), fn = std::move(fn)] {
        if (guard)
            fn();
    };
}

} // namespace

void dispatchMain(const QObject* context, std::function<void()> fn)
{
    dispatchMain(whileAlive(context, std::move(fn)));
}

void dispatchAfter(double seconds, const QObject* context, std::function<void()> fn)
{
    dispatchAfter(seconds, whileAlive(context, std::move(fn)));
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace platform
