#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class RBWebViewController;

// Notices a page that stops answering: a script that never ends (an endless loop in the user's
// program) holds the page's only thread, so nothing of the page runs any more. While it
// watches, the watchdog asks the page for a trivial value every interval and reports once when
// an answer is overdue by more than the time-out, unless the page's developer tools are open
// (a script paused at a breakpoint does not answer either) or the page waits for the answer to
// its alert, confirm or prompt. A page that starts loading is no longer
// watched (its pending answer may never come); the owner starts watching again once the new
// page is ready.
//
// Main thread only.
class PageWatchdog : public QObject {
    Q_OBJECT
public:
    // Long enough that a busy machine or a heavy but finite program is not taken for a hang.
    static constexpr int DefaultTimeoutMs = 8000;

    explicit PageWatchdog(RBWebViewController* webViewController, QObject* parent = nullptr);

    void start();
    void stop();
    bool isWatching() const { return m_timer.isActive(); }
    int timeoutMs() const { return m_timeoutMs; }
    void setTimeoutMs(int timeoutMs);

Q_SIGNALS:
    // The page has not answered for longer than the time-out; watching has stopped.
    void pageStoppedResponding();

private:
    void tick();

    QPointer<RBWebViewController> m_webViewController;
    QTimer m_timer;
    QElapsedTimer m_waitingSince;
    int m_timeoutMs = DefaultTimeoutMs;
    // Answers to the probes of an earlier watch are ignored.
    quint64 m_generation = 0;
    bool m_waiting = false;
};
