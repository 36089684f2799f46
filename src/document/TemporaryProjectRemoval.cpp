#include "document/TemporaryProjectRemoval.h"

#include "document/RBDocumentServer.h"
#include "platform/Log.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kDomain = QStringLiteral("RBDocument");
}

TemporaryProjectRemoval::TemporaryProjectRemoval(const QString& folder)
    : m_folder(folder)
{
}

TemporaryProjectRemoval* TemporaryProjectRemoval::start(const QString& folder, const QString& projectPath,
                                                        RBDocumentServer* server, QObject* window)
{
    auto* removal = new TemporaryProjectRemoval(folder);
    QPointer<TemporaryProjectRemoval> guard(removal);
    if (window) {
        connect(window, &QObject::destroyed, removal, [removal] {
            removal->m_windowGone = true;
            removal->removeWhenReleased();
        });
    } else {
        removal->m_windowGone = true;
    }
    if (server) {
        server->unmount(projectPath, [guard](const QJsonObject&, const QString& error) {
            if (!guard)
                return;
            // A server that cannot be asked (stopped, say) serves nothing from the folder once
            // it is gone.
            if (!error.isEmpty())
                platform::Log::info(kDomain, QStringLiteral("Unmount error for %1: %2").arg(guard->m_folder, error));
            guard->m_unmounted = true;
            guard->removeWhenReleased();
        });
    } else {
        removal->m_unmounted = true;
    }
    removal->removeWhenReleased();
    return guard.data();
}

void TemporaryProjectRemoval::removeWhenReleased()
{
    if (m_done || !m_unmounted || !m_windowGone)
        return;
    m_done = true;
    QDir folder(m_folder);
    if (folder.exists() && !folder.removeRecursively())
        platform::Log::warning(kDomain, QStringLiteral("Could not remove the temporary folder %1").arg(m_folder));
    // The folder of all temporary projects of this run goes with its last one.
    QDir().rmdir(QFileInfo(m_folder).path());
    deleteLater();
}
