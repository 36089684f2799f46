#include "app/SingleInstance.h"

#include "platform/Log.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QString kDomain = QStringLiteral("instance");
constexpr int kReadTimeoutMs = 5000;
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
{
}

SingleInstance::~SingleInstance()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

bool SingleInstance::claim()
{
    if (m_lock >= 0)
        return true;
    const QString name = QFileInfo(m_serverName).isAbsolute() ? m_serverName : QDir(QDir::tempPath()).filePath(m_serverName);
    const QByteArray path = QFile::encodeName(name + QStringLiteral(".lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Without a lock nothing tells two launches apart: this one runs, as it always could.
        platform::Log::warning(kDomain, QStringLiteral("Cannot open the launch lock %1").arg(QString::fromLocal8Bit(path)));
        m_lock = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lock = fd; // released by the system when this process ends, however it ends
    return true;
}

SingleInstance::Start SingleInstance::runOrHandOver(const QStringList& items, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (true) {
        if (handOver(items, 1000))
            return Start::HandedOver;
        if (claim())
            return Start::Run;
        // Another launch holds the lock and is still starting up: it listens soon.
        if (waited.elapsed() > timeoutMs) {
            platform::Log::warning(kDomain, QStringLiteral("The running application does not answer; starting another one"));
            return Start::Run;
        }
        QThread::msleep(100);
    }
}

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
