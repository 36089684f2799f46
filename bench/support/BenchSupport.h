#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace benchsupport {

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

} // namespace benchsupport
