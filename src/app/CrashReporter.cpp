#include "app/CrashReporter.h"

#include "platform/Log.h"
#include "platform/gui/Alert.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

#include <csignal>
#include <cstring>

#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kDomain = QStringLiteral("crash");
constexpr int kSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

// Everything the handler needs is made ahead of time: a signal handler may not allocate.
struct CrashState {
    char path[4096] = {};
    char header[2048] = {};
    size_t headerLength = 0;
    bool installed = false;
};
CrashState g_state;
char g_alternateStack[64 * 1024];

void writeText(int fd, const char* text)
{
    ssize_t written = ::write(fd, text, std::strlen(text));
    (void)written;
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGSEGV: return "SIGSEGV (segmentation fault)";
    case SIGABRT: return "SIGABRT (abort)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    }
    return "fatal signal";
}

void handleFatalSignal(int signal)
{
    const int fd = ::open(g_state.path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ssize_t written = ::write(fd, g_state.header, g_state.headerLength);
        (void)written;
        writeText(fd, "Signal: ");
        writeText(fd, signalName(signal));
        writeText(fd, "\n\nBacktrace:\n");
        void* frames[128];
        const int count = backtrace(frames, 128);
        backtrace_symbols_fd(frames, count, fd);
        writeText(fd, "\nLast log lines:\n");
        platform::Log::writeRecentLines(fd);
        ::close(fd);
    }
    const char notice[] = "zelvor-studio: crashed; a report was written to the crash folder\n";
    ssize_t written = ::write(STDERR_FILENO, notice, sizeof notice - 1);
    (void)written;
    // The handler was reset on entry: the signal now does what it would have done.
    ::raise(signal);
}

QString stateHome()
{
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

} // namespace

QString CrashReporter::defaultDirectory()
{
    return stateHome() + QStringLiteral("/ZelvorStudio/crashes");
}

bool CrashReporter::install(const QString& directory, const QString& version)
{
    if (!QDir().mkpath(directory)) {
        platform::Log::warning(kDomain, QStringLiteral("Cannot make the crash report folder %1").arg(directory));
        return false;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray path = QFile::encodeName(QDir(directory).filePath(
        QStringLiteral("crash-%1-%2.crash").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss"))).arg(QCoreApplication::applicationPid())));
    const QByteArray header = QStringLiteral("Zelvor Studio crash report\n"
                                             "Version: %1\n"
                                             "Started: %2\n"
                                             "Process: %3\n"
                                             "System: %4 (%5, Qt %6)\n")
                                  .arg(version, now.toString(Qt::ISODate))
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(), QLatin1String(qVersion()))
                                  .toUtf8();
    if (size_t(path.size()) >= sizeof g_state.path || size_t(header.size()) >= sizeof g_state.header) {
        platform::Log::warning(kDomain, QStringLiteral("The crash report path is too long"));
        return false;
    }
    std::memcpy(g_state.path, path.constData(), size_t(path.size()) + 1);
    std::memcpy(g_state.header, header.constData(), size_t(header.size()) + 1);
    g_state.headerLength = size_t(header.size());
    if (g_state.installed)
        return true;

    // backtrace() loads its unwinder on first use, which allocates: do it now, not in the handler.
    void* warmUp[2];
    backtrace(warmUp, 2);

    // Its own stack, so that a stack overflow can still be reported.
    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = sizeof g_alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_handler = handleFatalSignal;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
    g_state.installed = true;
    return true;
}

QStringList CrashReporter::pendingReports(const QString& directory)
{
    const QFileInfoList entries = QDir(directory).entryInfoList({QStringLiteral("*.crash")}, QDir::Files, QDir::Time);
    QStringList reports;
    for (const QFileInfo& entry : entries)
        reports << entry.absoluteFilePath();
    return reports;
}

QString CrashReporter::markOffered(const QString& reportPath)
{
    QString target = reportPath;
    if (target.endsWith(QLatin1String(".crash")))
        target.chop(6);
    target += QStringLiteral(".txt");
    QFile::remove(target);
    if (!QFile::rename(reportPath, target)) {
        platform::Log::warning(kDomain, QStringLiteral("Cannot rename the crash report %1").arg(reportPath));
        return reportPath;
    }
    return target;
}

bool CrashReporter::offerPendingReports(const QString& directory, const std::function<void(const QString&)>& show)
{
    const QStringList reports = pendingReports(directory);
    if (reports.isEmpty())
        return false;
    QStringList offered;
    for (const QString& report : reports)
        offered << markOffered(report);
    const QString newest = offered.first();

    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(QStringLiteral("Zelvor Studio quit unexpectedly the last time it ran."));
    alert.setInformativeText(QStringLiteral("A crash report was written to %1. It stays on this computer: nothing "
                                            "was sent anywhere. Would you like to see it?")
                                 .arg(newest));
    alert.addButton(QStringLiteral("Show Report"));
    alert.addButton(QStringLiteral("Not Now"));
    alert.setCancelButton(1);
    if (alert.runModal() == platform::Alert::kFirstButtonReturn) {
        if (show)
            show(newest);
        else
            QDesktopServices::openUrl(QUrl::fromLocalFile(newest));
    }
    return true;
}
