#include "ServerTestSupport.h"

#include "platform/Bundle.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

namespace servertest {

TemporaryProject::TemporaryProject()
{
    QDir().mkpath(path());
}

QString TemporaryProject::path() const
{
    return m_parent.filePath(QStringLiteral("Project.zelvor"));
}

void isolateFromTheSystemBus()
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zelvor-test-bus");
}

Response rawRequest(const QString& baseUrl, const QByteArray& method, const QByteArray& path, const QByteArray& body,
                    const QByteArray& contentType, const QString& from)
{
    const QUrl url(baseUrl);
    QByteArray request = method + ' ' + path + " HTTP/1.1\r\nHost: " + url.host().toUtf8() + "\r\nConnection: close\r\n";
    if (!contentType.isEmpty())
        request += "Content-Type: " + contentType + "\r\n";
    if (!body.isEmpty() || method == "POST")
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    request += "\r\n" + body;
    return sendRaw(baseUrl, request, from);
}

Response sendRaw(const QString& baseUrl, const QByteArray& request, const QString& from)
{
    const QUrl url(baseUrl);
    QTcpSocket socket;
    if (!from.isEmpty())
        socket.bind(QHostAddress(from));
    socket.connectToHost(url.host(), quint16(url.port()));
    Response response;
    if (!socket.waitForConnected(5000))
        return response;
    socket.write(request);
    QByteArray all;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        all += socket.readAll();
    all += socket.readAll();
    const qsizetype split = all.indexOf("\r\n\r\n");
    if (split < 0)
        return response;
    response.headers = all.left(split);
    response.body = all.mid(split + 4);
    const QList<QByteArray> statusLine = response.headers.left(response.headers.indexOf("\r\n")).split(' ');
    if (statusLine.size() > 1)
        response.status = statusLine[1].toInt();
    return response;
}

void startWithScript(RBServerController& controller, const QString& resourceFolder, const QByteArray& script)
{
    QDir().mkpath(resourceFolder + QStringLiteral("/python"));
    QFile file(resourceFolder + QStringLiteral("/python/run.py"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(script);
    file.close();
    const QByteArray saved = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", resourceFolder.toUtf8());
    platform::Bundle::main().reload();
    controller.start();
    qputenv("ZELVOR_RESOURCES", saved);
    platform::Bundle::main().reload();
}

bool startAndWait(RBServerController& controller)
{
    controller.start();
    return testsupport::waitUntil([&] { return controller.isRunning(); }, 10000);
}

QString mountAndWait(RBServerController& controller, const QString& folder, QString* error)
{
    // The controller keeps the handler, and calls it again when the server comes back after an
    // unexpected end: it holds nothing of this frame.
    struct State {
        bool done = false;
        QString served;
        QString failure;
    };
    auto state = std::make_shared<State>();
    controller.mount(folder, [state](const QJsonObject& reply, const QString& failure) {
        state->done = true;
        state->served = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
        state->failure = failure;
    });
    testsupport::waitUntil([state] { return state->done; }, 10000);
    if (error)
        *error = state->failure;
    return state->served;
}

bool evalUntilTaken(RBServerController& controller, const QString& script, int timeoutMs)
{
    int clients = 0;
    return testsupport::waitUntil([&] {
        auto answered = std::make_shared<bool>(false);
        controller.eval(script, [&clients, answered](const QJsonObject& reply, const QString&) {
            clients = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("clients")).toInt();
            *answered = true;
        });
        testsupport::waitUntil([answered] { return *answered; }, 5000);
        return clients > 0;
    }, timeoutMs);
}

} // namespace servertest
