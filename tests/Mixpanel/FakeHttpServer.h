#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>

class QTcpServer;

// A small HTTP/1.1 server on 127.0.0.1 for tests, running on a thread of its own so that the
// test may block while a client waits for its answer. It records every request and answers
// with the status (and body) that the responder chooses.
class FakeHttpServer {
public:
    struct Request {
        QString method;
        QString path;
        QMap<QByteArray, QByteArray> headers; // lower-case names
        QByteArray body;
    };
    struct Reply {
        int status = 200;
        QByteArray body = "1";
        QByteArray contentType = "text/plain";
        QByteArray extraHeaders; // whole lines, each ending in "\r\n" (such as a Location)
        bool hang = false;       // answer nothing, keeping the connection open
    };
    using Responder = std::function<Reply(const Request&)>;

    FakeHttpServer();
    ~FakeHttpServer();

    // "http://127.0.0.1:<port>"
    QString baseURL() const;
    void setResponder(Responder responder);
    QList<Request> requests() const;
    qsizetype requestCount() const;
    void clearRequests();

private:
    void handle(const Request& request, Reply* reply);

    QThread m_thread;
    QObject m_context; // lives on m_thread
    QTcpServer* m_server = nullptr; // lives on m_thread
    quint16 m_port = 0;
    mutable std::mutex m_mutex;
    Responder m_responder;
    QList<Request> m_requests;
};

// The records of an upload body "ip=1&data=<percent-encoded base64 JSON>".
QList<QVariantMap> decodeUploadBody(const QByteArray& body);
