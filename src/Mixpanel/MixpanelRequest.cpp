#include "Mixpanel/MixpanelRequest.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

MixpanelResponse apiRequest(const QUrl& url, const QByteArray& body, const std::atomic<bool>* cancel,
                            int timeoutMs)
{
    MixpanelResponse response;
    // A manager per request: it belongs to the calling thread and is gone when this returns.
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setRawHeader("Accept-Encoding", "gzip");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = manager.post(request, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    if (cancel) {
        QObject::connect(&poll, &QTimer::timeout, reply, [reply, cancel] {
            if (cancel->load())
                reply->abort();
        });
        poll.start(20);
    }
    if (!reply->isFinished() && !(cancel && cancel->load()))
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!reply->isFinished())
        reply->abort();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        response.transportError = false;
        response.status = status.toInt();
    }
    response.error = reply->errorString();
    delete reply;
    return response;
}
