#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

namespace platform {

// One child process: a program, its arguments, an exact environment and a working folder,
// with its standard input, output and error on pipes of its own (the child never shares the
// application's streams).
//
// The environment is exactly what was set: a new task has none at all, so nothing of the
// application's own environment reaches the child unless the starter passes it on.
//
// A task belongs to the thread that made it; its signals and its termination handler arrive
// there, through that thread's event loop (or during waitUntilExit). A task is launched once.
// Destroying a task whose child still runs does not stop the child: it runs on unobserved and
// is reaped when it ends.
class Task : public QObject {
    Q_OBJECT
public:
    enum class TerminationReason { Exit, UncaughtSignal };

    explicit Task(QObject* parent = nullptr);
    ~Task() override;

    // The interpreter that runs the application's Python programs.
    static QString pythonPath() { return QStringLiteral("/usr/bin/python3"); }

    QString launchPath() const { return m_launchPath; }
    void setLaunchPath(const QString& path) { m_launchPath = path; }
    QStringList arguments() const { return m_arguments; }
    void setArguments(const QStringList& arguments) { m_arguments = arguments; }
    QMap<QString, QString> environment() const { return m_environment; }
    void setEnvironment(const QMap<QString, QString>& environment) { m_environment = environment; }
    QString currentDirectoryPath() const { return m_currentDirectory; }
    void setCurrentDirectoryPath(const QString& path) { m_currentDirectory = path; }

    // Starts the child. Answers false, with the reason in launchError(), when the program
    // cannot be started (missing, not executable, a task launched before).
    bool launch();
    QString launchError() const { return m_launchError; }

    bool isRunning() const;
    bool hasLaunched() const { return m_launched; }
    qint64 processIdentifier() const { return m_pid; }

    // Asks the child to end (SIGTERM); kill() ends it at once (SIGKILL).
    void terminate();
    void kill();

    // Waits until the child has exited and the termination handler has run. On a thread with
    // an event loop, that loop keeps turning meanwhile, so output is delivered as it comes.
    // A negative timeout waits for ever. Answers whether the child has exited.
    bool waitUntilExit(int timeoutMs = -1);

    // Valid after the child has exited: the exit code, or the signal number when the child
    // was ended by a signal.
    int terminationStatus() const { return m_terminationStatus; }
    TerminationReason terminationReason() const { return m_terminationReason; }

    // Standard input: writes the bytes as they are; closeInput() sends end of file.
    void writeInput(const QByteArray& bytes);
    void closeInput();

    // What has arrived on standard output or standard error and not been read yet.
    QByteArray readAvailableOutput();
    QByteArray readAvailableError();

    // Called once on the task's thread after the child has exited and both pipes were read to
    // their end (the readers have had every byte through the signals below).
    void setTerminationHandler(std::function<void(Task&)> handler) { m_terminationHandler = std::move(handler); }

Q_SIGNALS:
    void outputAvailable();
    void errorAvailable();
    void terminated();

private:
    void handleFinished();

    QProcess* m_process = nullptr;
    QString m_launchPath;
    QStringList m_arguments;
    QMap<QString, QString> m_environment;
    QString m_currentDirectory;
    QString m_launchError;
    bool m_launched = false;
    bool m_exited = false;
    qint64 m_pid = 0;
    int m_terminationStatus = 0;
    TerminationReason m_terminationReason = TerminationReason::Exit;
    std::function<void(Task&)> m_terminationHandler;
};

} // namespace platform
