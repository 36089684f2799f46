#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <atomic>

// One synchronous form POST, for the event client's own serial queue: the calling thread waits
// for the reply (or the timeout) in a local event loop.
struct MixpanelResponse {
    bool transportError = true; // no HTTP reply at all (no network, refused, timed out)
    int status = 0;             // the HTTP status when there was a reply
    QString error;

    bool delivered() const { return !transportError && status >= 200 && status < 300; }
    // The service refused the content itself; sending it again would fail again.
    bool rejected() const
    {
        return !transportError && status >= 400 && status < 500 && status != 408 && status != 429;
    }
};

// Setting `cancel` from another thread abandons the request; it then counts as a transport
// error.
MixpanelResponse apiRequest(const QUrl& url, const QByteArray& body, const std::atomic<bool>* cancel = nullptr,
                            int timeoutMs = 30000);
