#pragma once

#include "platform/Task.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace avahitest {

// An Avahi daemon of our own on a private system bus, inside a network namespace that has only
// the loopback interface: whatever the tests announce never leaves this machine. The pid
// namespace takes the daemons down with it when the sandbox ends. While it lives, the process's
// system bus is the sandbox's.
class AvahiSandbox {
public:
    AvahiSandbox();
    ~AvahiSandbox();

    // Empty when the daemon runs; else why it cannot run here.
    QString skipReason() const { return m_skipReason; }

private:
    void write(const QString& name, const QString& text);

    QTemporaryDir m_folder;
    QString m_bus;
    platform::Task m_task;
    QByteArray m_log;
    QByteArray m_saved;
    QString m_skipReason;
};

// Asks the daemon for the port under which a service name is announced (0 when unknown).
int resolvedPort(const QString& name, const char* type);

} // namespace avahitest
