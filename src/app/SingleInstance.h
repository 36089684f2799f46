#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running application per user: the first launch listens on a local socket in the user's
// runtime folder; a later launch hands its items (links and folders, see launchItems) to it
// and exits. The message is one JSON line {"items": [...]} answered by "ok".
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket's name; the default lives in the user's runtime folder.
    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultServerName();
    QString serverName() const { return m_serverName; }

    // Hands the items to a running instance; answers true once it has confirmed them.
    bool handOver(const QStringList& items, int timeoutMs = 3000);

    // Makes this launch the one that runs, or hands the items to the one that does. Launches at
    // the same moment agree through a lock beside the socket: the first to take it runs (and
    // holds it until it ends), every other one waits for it to listen and hands over. A holder
    // that does not listen within `timeoutMs` is given up on and this launch runs after all.
    enum class Start { Run, HandedOver };
    Start runOrHandOver(const QStringList& items, int timeoutMs = 20000);
    // Takes the lock without waiting; answers whether this process holds it.
    bool claim();

    // Starts listening for later launches (removing a socket left by a crashed run); answers
    // whether it listens.
    bool listen();
    bool isListening() const;

    // The largest message accepted, in bytes.
    static constexpr qint64 kMaxMessageBytes = 256 * 1024;

Q_SIGNALS:
    // A later launch asked for these items (possibly none: it was started plainly).
    void itemsReceived(const QStringList& items);

private:
    void acceptConnection();
    void readMessage(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
    int m_lock = -1;
};
