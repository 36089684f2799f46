#include "platform/gui/Workspace.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace platform {

namespace {
Workspace::Handler& testHandler()
{
    static Workspace::Handler handler;
    return handler;
}
} // namespace

Workspace& Workspace::sharedWorkspace()
{
    static Workspace workspace;
    return workspace;
}

void Workspace::setTestHandler(Handler handler)
{
    testHandler() = std::move(handler);
}

bool Workspace::openURL(const QUrl& url)
{
    if (!url.isValid())
        return false;
    if (testHandler())
        return testHandler()(url);
    return QDesktopServices::openUrl(url);
}

void Workspace::activateFileViewerSelectingURLs(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (testHandler()) {
        for (const QString& path : paths)
            testHandler()(QUrl::fromLocalFile(path));
        return;
    }
    const QString folder = QFileInfo(paths.first()).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        return;
    }
    QStringList uris;
    for (const QString& path : paths)
        uris << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    call << uris << QString();
    // Starting a file manager can take a while: the answer is handled when it comes.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<> reply = *finished;
        if (reply.isError()) {
            Log::info(QStringLiteral("workspace"),
                      QStringLiteral("No file manager selects items (%1); opening the folder").arg(reply.error().name()));
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        }
        finished->deleteLater();
    });
}

} // namespace platform
