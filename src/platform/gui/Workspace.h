#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace platform {

// The desktop's shell: opens links and files with the user's default applications and shows
// files in the file manager. Tests replace the desktop with a recorder so nothing is launched.
class Workspace {
public:
    static Workspace& sharedWorkspace();

    // Opens a web link or a file URL; answers whether the desktop took it.
    bool openURL(const QUrl& url);
    bool openFile(const QString& path) { return openURL(QUrl::fromLocalFile(path)); }
    // Shows the items selected in the file manager, through the desktop's common file-manager
    // interface (org.freedesktop.FileManager1 on the session bus); where no file manager
    // answers it, opens the folder that holds the first item. Never waits for the answer.
    void activateFileViewerSelectingURLs(const QStringList& paths);

    // Replaces the desktop: the handler gets every URL that would be opened, and the items
    // shown by activateFileViewerSelectingURLs as file URLs. An empty handler restores it.
    using Handler = std::function<bool(const QUrl&)>;
    static void setTestHandler(Handler handler);

private:
    Workspace() = default;
};

} // namespace platform
