#include "FakeHttpServer.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

QByteArray reasonFor(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace

FakeHttpServer::FakeHttpServer()
{
    m_context.moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            m_server = new QTcpServer();
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
                while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                    auto buffer = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                        buffer->append(socket->readAll());
                        for (;;) {
                            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
                            if (headerEnd < 0)
                                return;
                            Request request;
                            const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
                            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                            request.method = QString::fromLatin1(first.value(0));
                            request.path = QString::fromLatin1(first.value(1));
                            for (qsizetype i = 1; i < lines.size(); ++i) {
                                const qsizetype colon = lines[i].indexOf(':');
                                if (colon > 0)
                                    request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                                           lines[i].mid(colon + 1).trimmed());
                            }
                            const qsizetype length = request.headers.value("content-length", "0").toLongLong();
                            if (buffer->size() < headerEnd + 4 + length)
                                return;
                            request.body = buffer->mid(headerEnd + 4, length);
                            buffer->remove(0, headerEnd + 4 + length);
                            Reply reply;
                            handle(request, &reply);
                            if (reply.hang)
                                continue;
                            QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
                                + reasonFor(reply.status) + "\r\nContent-Type: " + reply.contentType
                                + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
                                + "\r\n" + reply.extraHeaders + "Connection: keep-alive\r\n\r\n" + reply.body;
                            socket->write(response);
                        }
                    });
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

FakeHttpServer::~FakeHttpServer()
{
    QMetaObject::invokeMethod(
        &m_context, [this] { delete m_server; },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString FakeHttpServer::baseURL() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void FakeHttpServer::setResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

QList<FakeHttpServer::Request> FakeHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

qsizetype FakeHttpServer::requestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

void FakeHttpServer::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void FakeHttpServer::handle(const Request& request, Reply* reply)
{
    Responder responder;
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(request);
        responder = m_responder;
    }
    if (responder)
        *reply = responder(request);
}

QList<QVariantMap> decodeUploadBody(const QByteArray& body)
{
    QList<QVariantMap> records;
    if (!body.startsWith("ip=1&data="))
        return records;
    const QByteArray base64 = QUrl::fromPercentEncoding(body.mid(10)).toLatin1();
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromBase64(base64));
    for (const QJsonValue& value : document.array())
        records.append(value.toObject().toVariantMap());
    return records;
}
