#include "platform/Timer.h"

#include <cmath>

namespace platform {

Timer::Timer()
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_fn) {
            auto fn = m_fn; // the call may restart or stop this timer
            fn();
        }
    });
}

Timer::~Timer() = default;

void Timer::start(double seconds, std::function<void()> fn, bool repeats)
{
    m_fn = std::move(fn);
    m_timer.setSingleShot(!repeats);
    m_timer.start(seconds <= 0 ? 0 : int(std::llround(seconds * 1000.0)));
}

void Timer::stop()
{
    m_timer.stop();
}

bool Timer::isActive() const
{
    return m_timer.isActive();
}

} // namespace platform
