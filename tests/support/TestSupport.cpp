#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>

#include <sys/resource.h>

namespace testsupport {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void spin(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

QString fixturePath(const QString& relative)
{
    return QStringLiteral(ZELVOR_TEST_FIXTURES "/") + relative;
}

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool whileDiskIsFull(const std::function<void()>& work)
{
    struct rlimit before {};
    if (getrlimit(RLIMIT_FSIZE, &before) != 0)
        return false;
    struct rlimit none = before;
    none.rlim_cur = 0;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &none) != 0) {
        std::signal(SIGXFSZ, previousHandler);
        return false;
    }
    work();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);
    return true;
}

QProcessEnvironment applicationEnvironment(const QString& home)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    const QDir folder(home);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        environment.insert(QLatin1String(name), folder.filePath(QLatin1String(name)));
    environment.insert(QStringLiteral("ZELVOR_INSTANCE_SOCKET"), folder.filePath(QStringLiteral("app.socket")));
    // Untitled projects live in the temporary folder, and a run finds those of ended runs
    // there: each test's runs have a temporary folder of their own.
    QDir().mkpath(folder.filePath(QStringLiteral("tmp")));
    environment.insert(QStringLiteral("TMPDIR"), folder.filePath(QStringLiteral("tmp")));
    environment.remove(QStringLiteral("ZELVOR_USER_DEFAULTS"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ZELVOR_LOG_LEVEL"), QStringLiteral("0"));
    return environment;
}

} // namespace testsupport

