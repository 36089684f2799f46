#include "platform/NetService.h"

#include <QMetaObject>
#include <QSysInfo>

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

namespace platform {

// The Avahi side. Its callbacks run on Avahi's own poll thread (or inside avahi_client_new on
// the caller's); they touch only this struct and hand results to the service's thread.
struct NetService::Avahi {
    NetService* owner = nullptr;
    QByteArray domain;
    QByteArray type;
    int port = 0;
    char* name = nullptr;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;

    ~Avahi()
    {
        if (poll)
            avahi_threaded_poll_stop(poll); // joins the thread: no callback runs after this
        if (client)
            avahi_client_free(client); // also frees the entry group, withdrawing the service
        if (poll)
            avahi_threaded_poll_free(poll);
        avahi_free(name);
    }

    void report(bool published, const QString& text)
    {
        NetService* target = owner;
        // Posted to the service's thread; dropped if the service is gone by then.
        QMetaObject::invokeMethod(target, [target, published, text] {
            if (published)
                target->reportPublished(text);
            else
                target->reportFailure(text);
        }, Qt::QueuedConnection);
    }

    void renameAfterCollision()
    {
        char* next = avahi_alternative_service_name(name);
        avahi_free(name);
        name = next;
    }

    void addService(AvahiClient* c)
    {
        if (!group) {
            group = avahi_entry_group_new(c, &Avahi::groupChanged, this);
            if (!group) {
                report(false, QString::fromUtf8(avahi_strerror(avahi_client_errno(c))));
                return;
            }
        }
        if (!avahi_entry_group_is_empty(group))
            return;
        for (;;) {
            const int result = avahi_entry_group_add_service(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name,
                                                             type.constData(), domain.isEmpty() ? nullptr : domain.constData(),
                                                             nullptr, uint16_t(port), nullptr);
            if (result == AVAHI_ERR_COLLISION) {
                renameAfterCollision();
                avahi_entry_group_reset(group);
                continue;
            }
            if (result < 0) {
                report(false, QString::fromUtf8(avahi_strerror(result)));
                return;
            }
            break;
        }
        const int committed = avahi_entry_group_commit(group);
        if (committed < 0)
            report(false, QString::fromUtf8(avahi_strerror(committed)));
    }

    static void groupChanged(AvahiEntryGroup* g, AvahiEntryGroupState state, void* data)
    {
        auto* self = static_cast<Avahi*>(data);
        self->group = g;
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED:
            self->report(true, QString::fromUtf8(self->name));
            break;
        case AVAHI_ENTRY_GROUP_COLLISION:
            self->renameAfterCollision();
            avahi_entry_group_reset(g);
            self->addService(avahi_entry_group_get_client(g));
            break;
        case AVAHI_ENTRY_GROUP_FAILURE:
            self->report(false, QString::fromUtf8(avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(g)))));
            break;
        default:
            break;
        }
    }

    static void clientChanged(AvahiClient* c, AvahiClientState state, void* data)
    {
        auto* self = static_cast<Avahi*>(data);
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->addService(c);
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            // The host name changes: announce again once the daemon is running.
            if (self->group)
                avahi_entry_group_reset(self->group);
            break;
        case AVAHI_CLIENT_FAILURE:
            self->report(false, QString::fromUtf8(avahi_strerror(avahi_client_errno(c))));
            break;
        default:
            break;
        }
    }
};

NetService::NetService(const QString& domain, const QString& type, const QString& name, int port, QObject* parent)
    : QObject(parent)
    , m_domain(domain)
    , m_type(type)
    , m_name(name)
    , m_port(port)
{
}

NetService::~NetService() = default;

bool NetService::publish()
{
    stop();
    auto avahi = std::make_unique<Avahi>();
    avahi->owner = this;
    avahi->domain = m_domain.toUtf8();
    QString type = m_type;
    if (type.endsWith(QLatin1Char('.')))
        type.chop(1);
    avahi->type = type.toUtf8();
    avahi->port = m_port;
    const QString name = m_name.isEmpty() ? QSysInfo::machineHostName() : m_name;
    avahi->name = avahi_strdup(name.toUtf8().constData());

    avahi->poll = avahi_threaded_poll_new();
    if (!avahi->poll) {
        m_lastError = QStringLiteral("cannot make the Avahi poll thread");
        return false;
    }
    int error = 0;
    avahi->client = avahi_client_new(avahi_threaded_poll_get(avahi->poll), AvahiClientFlags(0), &Avahi::clientChanged,
                                     avahi.get(), &error);
    if (!avahi->client) {
        m_lastError = QString::fromUtf8(avahi_strerror(error));
        return false;
    }
    if (avahi_threaded_poll_start(avahi->poll) < 0) {
        m_lastError = QStringLiteral("cannot start the Avahi poll thread");
        return false;
    }
    m_avahi = std::move(avahi);
    return true;
}

void NetService::stop()
{
    m_avahi.reset();
    m_published = false;
    m_publishedName.clear();
}

void NetService::reportPublished(const QString& name)
{
    if (!m_avahi)
        return;
    m_published = true;
    m_publishedName = name;
    Q_EMIT didPublish();
}

void NetService::reportFailure(const QString& reason)
{
    if (!m_avahi)
        return;
    m_published = false;
    m_lastError = reason;
    Q_EMIT didNotPublish(reason);
}

} // namespace platform
