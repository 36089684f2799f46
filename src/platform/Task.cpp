#include "platform/Task.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

namespace platform {

Task::Task(QObject* parent)
    : QObject(parent)
{
}

Task::~Task()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    if (m_process->state() == QProcess::NotRunning) {
        delete m_process;
        return;
    }
    // The child outlives its task: the process object stays until the child ends, so that the
    // child is reaped, and nobody hears of its end.
    QProcess* orphan = m_process;
    m_process = nullptr;
    QObject::connect(orphan, &QProcess::finished, orphan, &QObject::deleteLater);
}

bool Task::launch()
{
    if (m_launched) {
        m_launchError = QStringLiteral("the task was launched before");
        return false;
    }
    m_launched = true;
    if (m_launchPath.isEmpty()) {
        m_launchError = QStringLiteral("no launch path");
        return false;
    }
    // A thread that Qt did not start has no event dispatcher until an event loop is made;
    // the process needs one for its pipe notifiers.
    if (!QAbstractEventDispatcher::instance())
        QEventLoop ensureDispatcher;

    QProcessEnvironment environment; // empty: the child gets exactly the variables below
    for (auto it = m_environment.cbegin(); it != m_environment.cend(); ++it)
        environment.insert(it.key(), it.value());

    m_process = new QProcess;
    m_process->setProgram(m_launchPath);
    m_process->setArguments(m_arguments);
    m_process->setProcessEnvironment(environment);
    if (!m_currentDirectory.isEmpty())
        m_process->setWorkingDirectory(m_currentDirectory);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &Task::outputAvailable);
    connect(m_process, &QProcess::readyReadStandardError, this, &Task::errorAvailable);
    connect(m_process, &QProcess::finished, this, &Task::handleFinished);

    m_process->start(QIODevice::ReadWrite);
    if (!m_process->waitForStarted(-1)) {
        m_launchError = m_process->errorString();
        m_process->disconnect(this);
        delete m_process;
        m_process = nullptr;
        return false;
    }
    m_pid = m_process->processId();
    return true;
}

bool Task::isRunning() const
{
    return m_process && !m_exited && m_process->state() != QProcess::NotRunning;
}

void Task::terminate()
{
    if (isRunning())
        m_process->terminate();
}

void Task::kill()
{
    if (isRunning())
        m_process->kill();
}

bool Task::waitUntilExit(int timeoutMs)
{
    if (!m_process)
        return m_exited;
    if (m_exited)
        return true;
    if (!QAbstractEventDispatcher::instance()) {
        m_process->waitForFinished(timeoutMs);
        return m_exited;
    }
    QEventLoop loop;
    connect(this, &Task::terminated, &loop, &QEventLoop::quit);
    QTimer timer;
    if (timeoutMs >= 0) {
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
    }
    if (!m_exited)
        loop.exec();
    return m_exited;
}

void Task::writeInput(const QByteArray& bytes)
{
    if (isRunning())
        m_process->write(bytes);
}

void Task::closeInput()
{
    if (m_process)
        m_process->closeWriteChannel();
}

QByteArray Task::readAvailableOutput()
{
    return m_process ? m_process->readAllStandardOutput() : QByteArray();
}

QByteArray Task::readAvailableError()
{
    return m_process ? m_process->readAllStandardError() : QByteArray();
}

void Task::handleFinished()
{
    if (m_exited)
        return;
    m_exited = true;
    m_terminationStatus = m_process->exitCode();
    m_terminationReason = m_process->exitStatus() == QProcess::CrashExit ? TerminationReason::UncaughtSignal
                                                                         : TerminationReason::Exit;
    QPointer<Task> self(this);
    if (m_terminationHandler)
        m_terminationHandler(*this);
    if (self)
        Q_EMIT terminated();
}

} // namespace platform
