#include "AvahiSandbox.h"

#include "support/TestSupport.h"

#include <QFile>

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/thread-watch.h>

#include <atomic>
#include <unistd.h>

namespace avahitest {

AvahiSandbox::AvahiSandbox()
{
    if (geteuid() != 0) {
        m_skipReason = QStringLiteral("needs root to make a network namespace");
        return;
    }
    for (const char* program : {"/usr/bin/unshare", "/usr/bin/dbus-daemon", "/usr/sbin/avahi-daemon", "/usr/sbin/ip"}) {
        if (!QFile::exists(QString::fromLatin1(program))) {
            m_skipReason = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(program));
            return;
        }
    }
    m_bus = m_folder.filePath(QStringLiteral("bus"));
    write(QStringLiteral("bus.conf"), QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
<allow user="*"/>
<allow own="*"/>
<allow send_type="method_call"/><allow send_type="signal"/><allow send_type="method_return"/><allow send_type="error"/>
<allow receive_type="method_call"/><allow receive_type="signal"/><allow receive_type="method_return"/><allow receive_type="error"/>
  </policy>
</busconfig>
)").arg(m_bus));
    write(QStringLiteral("avahi.conf"), QStringLiteral("[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\nenable-dbus=yes\n"
                                                      "[wide-area]\nenable-wide-area=no\n"
                                                      "[publish]\npublish-hinfo=no\npublish-workstation=no\n"));
    write(QStringLiteral("run.sh"), QStringLiteral(
        "set -e\n"
        "ip link set lo up\n"
        "mount -t tmpfs tmpfs /run\n"
        "mkdir -p /run/avahi-daemon\n"
        "dbus-daemon --config-file=%1/bus.conf --nofork --nopidfile &\n"
        "for i in $(seq 100); do [ -S %2 ] && break; sleep 0.05; done\n"
        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=%2 avahi-daemon --no-drop-root --no-chroot --no-rlimits -f %1/avahi.conf &\n"
        "wait\n").arg(m_folder.path(), m_bus));

    m_task.setLaunchPath(QStringLiteral("/usr/bin/unshare"));
    m_task.setArguments({QStringLiteral("--net"), QStringLiteral("--mount"), QStringLiteral("--pid"), QStringLiteral("--fork"),
                         QStringLiteral("--kill-child"), QStringLiteral("--propagation"), QStringLiteral("private"),
                         QStringLiteral("/bin/sh"), m_folder.filePath(QStringLiteral("run.sh"))});
    m_task.setEnvironment({{QStringLiteral("PATH"), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin")}});
    QObject::connect(&m_task, &platform::Task::outputAvailable, [this] { m_log += m_task.readAvailableOutput(); });
    QObject::connect(&m_task, &platform::Task::errorAvailable, [this] { m_log += m_task.readAvailableError(); });
    if (!m_task.launch()) {
        m_skipReason = QStringLiteral("cannot run unshare: %1").arg(m_task.launchError());
        return;
    }
    if (!testsupport::waitUntil([this] { return m_log.contains("Server startup complete") || !m_task.isRunning(); }, 10000)
        || !m_log.contains("Server startup complete")) {
        m_skipReason = QStringLiteral("the sandboxed avahi-daemon did not start: %1").arg(QString::fromUtf8(m_log.right(400)));
        return;
    }
    m_saved = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_bus.toUtf8());
}

AvahiSandbox::~AvahiSandbox()
{
    if (m_skipReason.isEmpty())
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_saved);
    if (m_task.isRunning()) {
        m_task.kill();
        m_task.waitUntilExit(5000);
    }
}

void AvahiSandbox::write(const QString& name, const QString& text)
{
    QFile file(m_folder.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
}


// Asks the daemon for the port under which a service name is announced (0 when unknown).
int resolvedPort(const QString& name, const char* type)
{
    struct Result {
        std::atomic<int> port{0};
        std::atomic<bool> done{false};
    } result;
    AvahiThreadedPoll* poll = avahi_threaded_poll_new();
    int error = 0;
    AvahiClient* client = avahi_client_new(avahi_threaded_poll_get(poll), AvahiClientFlags(0), nullptr, nullptr, &error);
    if (!client) {
        avahi_threaded_poll_free(poll);
        return 0;
    }
    avahi_service_resolver_new(
        client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, name.toUtf8().constData(), type, nullptr, AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0),
        [](AvahiServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event, const char*, const char*, const char*,
           const char*, const AvahiAddress*, uint16_t port, AvahiStringList*, AvahiLookupResultFlags, void* data) {
            auto* r = static_cast<Result*>(data);
            if (event == AVAHI_RESOLVER_FOUND)
                r->port = port;
            r->done = true;
        },
        &result);
    avahi_threaded_poll_start(poll);
    testsupport::waitUntil([&] { return result.done.load(); }, 5000);
    avahi_threaded_poll_stop(poll);
    avahi_client_free(client);
    avahi_threaded_poll_free(poll);
    return result.port;
}

} // namespace avahitest
