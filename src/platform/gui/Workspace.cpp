#include "platform/gui/Workspace.h"

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
    // Linux file managers have no common way to select an item when asked from outside:
    // the folder that holds the first item is opened.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(paths.first()).absolutePath()));
}

} // namespace platform
