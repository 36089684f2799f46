#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny HTTP service on 127.0.0.1 standing in for the mailing-list service: it records each
// request and answers with the status and body set for the request's path (200 "{}" unless set).
class FakeMailingListService : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray authorization;
        QByteArray body;
    };
    struct Answer {
        int status = 200;
        QByteArray body = "{}";
    };

    FakeMailingListService()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    void answer(const QByteArray& path, int status, const QByteArray& body) { m_answers[path] = {status, body}; }
    const QList<Request>& requests() const { return m_requests; }

private:
    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        qsizetype length = 0;
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                length = value.toLongLong();
            else if (name == "authorization")
                request.authorization = value;
        }
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        m_buffers.remove(socket);
        m_requests.append(request);
        const Answer answer = m_answers.value(request.path, Answer());
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " Status\r\nContent-Type: application/json\r\n"
                      "Connection: close\r\nContent-Length: " + QByteArray::number(answer.body.size()) + "\r\n\r\n"
                      + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QHash<QByteArray, Answer> m_answers;
    QList<Request> m_requests;
};
