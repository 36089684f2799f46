#pragma once

#include <QCoreApplication>

#include <functional>

class QObject;

namespace platform {

// Runs the function on the main thread, later (never synchronously), in order of calls.
// Safe from any thread.
void dispatchMain(std::function<void()> fn);

// Runs the function on the main thread after the given number of seconds. Safe from any thread.
void dispatchAfter(double seconds, std::function<void()> fn);

// The same, for a job that belongs to `context`: the job is dropped when the object is gone
// by the time it would run (it is never run after the object's destruction has begun).
void dispatchMain(const QObject* context, std::function<void()> fn);
void dispatchAfter(double seconds, const QObject* context, std::function<void()> fn);

// True on the thread of the application object.
bool isMainThread();

// States that the caller runs on the main thread (where notifications are delivered and the
// widgets, documents and compiler fronts live); checked in debug builds. Without an application
// object there is only one thread that counts.
#define ZELVOR_ASSERT_MAIN_THREAD()                                                                                    \
    Q_ASSERT_X(!QCoreApplication::instance() || ::platform::isMainThread(), Q_FUNC_INFO, "main thread only")

} // namespace platform
