#include "preview/PageWatchdog.h"

#include "webview/RBWebViewController.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>

PageWatchdog::PageWatchdog(RBWebViewController* webViewController, QObject* parent)
    : QObject(parent)
    , m_webViewController(webViewController)
{
    setTimeoutMs(DefaultTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &PageWatchdog::tick);
    if (webViewController && webViewController->webView() && webViewController->webView()->page())
        connect(webViewController->webView()->page(), &QWebEnginePage::loadStarted, this, &PageWatchdog::stop);
}

void PageWatchdog::setTimeoutMs(int timeoutMs)
{
    m_timeoutMs = std::max(timeoutMs, 10);
    // Several probes per time-out, so that an overdue answer is seen soon after it is due.
    m_timer.setInterval(std::clamp(m_timeoutMs / 4, 5, 1000));
}

void PageWatchdog::start()
{
    ++m_generation;
    m_waiting = false;
    m_timer.start();
}

void PageWatchdog::stop()
{
    ++m_generation;
    m_waiting = false;
    m_timer.stop();
}

void PageWatchdog::tick()
{
    if (!m_webViewController) {
        stop();
        return;
    }
    if (m_waiting) {
        // A page paused in the developer tools (at a breakpoint), or waiting for the answer to
        // its alert, is not hung.
        if (m_webViewController->isInspectorOpen() || m_webViewController->isPageDialogOpen()) {
            m_waitingSince.start();
            return;
        }
        if (m_waitingSince.elapsed() > m_timeoutMs) {
            stop();
            Q_EMIT pageStoppedResponding();
        }
        return;
    }
    m_waiting = true;
    m_waitingSince.start();
    QPointer<PageWatchdog> self(this);
    const quint64 generation = m_generation;
    m_webViewController->evaluateJavaScript(QStringLiteral("1"), [self, generation](const QVariant&, const QVariant&) {
        if (self && self->m_generation == generation)
            self->m_waiting = false;
    });
}
