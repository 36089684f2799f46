#pragma once

#include <QEasingCurve>
#include <QPoint>

#include <functional>

class QWidget;

namespace welcome {

// The welcome window's entrances and exits. Each runs on the main thread, starts after `delay`
// seconds and stops quietly when the widget is destroyed first.

// Shows the widget at opacity 0 now, then fades it to 1 over `duration` seconds.
void fadeIn(QWidget* widget, double delay, double duration,
            QEasingCurve curve = QEasingCurve(QEasingCurve::InOutQuad));
// Fades the widget out over `duration` seconds, then deletes it.
void fadeOutAndDelete(QWidget* widget, double duration, QEasingCurve curve = QEasingCurve(QEasingCurve::InQuad));
// Moves the widget to `from` now and slides it to where it was over `duration` seconds.
void slideIn(QWidget* widget, QPoint from, double duration, std::function<void()> finished = {});
// Runs `step` after `seconds` while `context` lives.
void afterDelay(QWidget* context, double seconds, std::function<void()> step);

} // namespace welcome
