#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <vector>

#include <functional>

#include <unistd.h>

namespace benchsupport {

// The 1,000-line benchmark program (tests/fixtures/compiler/app1000.coffee); empty when unreadable.
inline QString benchmarkProgram()
{
    QFile file(QStringLiteral(ZELVOR_SOURCE_DIR "/tests/fixtures/compiler/app1000.coffee"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

inline double ms(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Runs the event loop until the condition holds; false when the timeout (ms) passed first.
inline bool spinUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Runs the event loop for about `ms` milliseconds.
inline void spinFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// What a benchmark with a web view needs before the application object exists: no system bus
// to announce on, the web engine's sandbox off for root, an offscreen display unless one is
// chosen, and the source tree's resources unless others are named.
inline void prepareWebEnvironment()
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zelvor-bench-bus");
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        if (qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").isEmpty())
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    }
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("ZELVOR_RESOURCES").isEmpty())
        qputenv("ZELVOR_RESOURCES", ZELVOR_SOURCE_DIR "/resources");
}

} // namespace benchsupport
