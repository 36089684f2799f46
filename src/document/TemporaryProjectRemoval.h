#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class RBDocumentServer;

// Removes the temporary folder of an untitled project that was closed, once nothing uses it any
// more: the local server has stopped serving the project and the window that showed it is gone.
// It lives until then and deletes itself.
class TemporaryProjectRemoval : public QObject {
    Q_OBJECT
public:
    // `folder` is removed with everything in it, and its parent too when that is left empty.
    // `projectPath` is what was mounted on the server. `window` (may be null) holds the folder
    // until it is destroyed.
    static TemporaryProjectRemoval* start(const QString& folder, const QString& projectPath, RBDocumentServer* server,
                                          QObject* window);

    bool isDone() const { return m_done; }

private:
    explicit TemporaryProjectRemoval(const QString& folder);
    void removeWhenReleased();

    QString m_folder;
    bool m_unmounted = false;
    bool m_windowGone = false;
    bool m_done = false;
};
