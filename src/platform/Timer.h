#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace platform {

// A one-shot or repeating timer on the main thread that calls a function. Starting it again
// restarts the wait; destroying it cancels it.
class Timer {
public:
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void start(double seconds, std::function<void()> fn, bool repeats = false);
    void stop();
    bool isActive() const;

private:
    QTimer m_timer;
    std::function<void()> m_fn;
};

} // namespace platform
