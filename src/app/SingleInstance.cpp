#include "app/SingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace {
const QString kDomain = QStringLiteral("instance");
constexpr int kReadTimeoutMs = 5000;
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString user = qEnvironmentVariable("USER", QStringLiteral("user"));
    return QDir(folder).filePath(QStringLiteral("zelvor-studio-%1.socket").arg(user));
}

bool SingleInstance::handOver(const QStringList& items, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QJsonObject message{{QStringLiteral("items"), QJsonArray::fromStringList(items)}};
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

bool SingleInstance::listen()
{
    if (isListening())
        return true;
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    }
    // Listening replaces whatever lies at the name (Qt moves a fresh socket into place), so
    // first make sure no running instance answers there; what else lies there is left by a
    // run that crashed.
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(500)) {
        probe.abort();
        platform::Log::warning(kDomain, QStringLiteral("Another instance listens on %1").arg(m_serverName));
        return false;
    }
    QLocalServer::removeServer(m_serverName);
    if (m_server->listen(m_serverName))
        return true;
    platform::Log::warning(kDomain, QStringLiteral("Cannot listen on %1: %2").arg(m_serverName, m_server->errorString()));
    return false;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        // A client that never finishes its line is dropped.
        QTimer::singleShot(kReadTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            readMessage(socket);
    }
}

void SingleInstance::readMessage(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxMessageBytes) {
            platform::Log::warning(kDomain, QStringLiteral("A launch message was too long; ignored"));
            socket->abort();
        }
        return;
    }
    const QByteArray line = socket->readLine(kMaxMessageBytes + 1);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    const QJsonValue items = document.object().value(QStringLiteral("items"));
    if (error.error != QJsonParseError::NoError || !items.isArray()) {
        platform::Log::warning(kDomain, QStringLiteral("A launch message could not be read; ignored"));
        socket->abort();
        return;
    }
    QStringList received;
    for (const QJsonValue& item : items.toArray())
        if (item.isString() && !item.toString().isEmpty())
            received << item.toString();
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT itemsReceived(received);
}
