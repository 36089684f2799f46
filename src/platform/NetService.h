#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace platform {

// Announces one network service on the local network over multicast DNS, through the Avahi
// daemon. The announcement lasts as long as the object (or until the daemon goes away); when
// the name is taken on the network another one is chosen ("name #2", ...).
//
// Without a running daemon publish() fails at once with a reason; nothing else happens.
class NetService : public QObject {
    Q_OBJECT
public:
    // `domain` empty: the default domain. `type` such as "_http._tcp." (a trailing dot is
    // allowed). `name` empty: the host name.
    NetService(const QString& domain, const QString& type, const QString& name, int port,
               QObject* parent = nullptr);
    ~NetService() override;

    QString domain() const { return m_domain; }
    QString type() const { return m_type; }
    QString name() const { return m_name; }
    int port() const { return m_port; }

    // Starts the announcement. Answers false, with the reason in lastError(), when the daemon
    // cannot be reached. The outcome arrives later as didPublish or didNotPublish.
    bool publish();
    // Withdraws the announcement.
    void stop();

    bool isPublished() const { return m_published; }
    // The name under which the service is announced (it changes after a collision).
    QString publishedName() const { return m_publishedName; }
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    void didPublish();
    void didNotPublish(const QString& reason);

private:
    struct Avahi;
    void reportPublished(const QString& name);
    void reportFailure(const QString& reason);

    QString m_domain;
    QString m_type;
    QString m_name;
    int m_port;
    bool m_published = false;
    QString m_publishedName;
    QString m_lastError;
    std::unique_ptr<Avahi> m_avahi;
};

} // namespace platform
