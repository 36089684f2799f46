#include "preview/RBSharingUploadManager.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Task.h"
#include "platform/CSTaskManager.h"
#include "preview/ShareBuildSettings.h"

#include <QJsonObject>
#include <QPointer>
#include <QUrl>

namespace {
const QString kDomain = QStringLiteral("RBSharingUploadManager");
}

RBSharingUploadManager::RBSharingUploadManager(QObject* parent)
    : QObject(parent)
    , m_serviceURL(ShareBuildSettings::shareServiceURL())
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] { timedOut(m_upload); });
}

RBSharingUploadManager::~RBSharingUploadManager()
{
    stopProgram();
}

void RBSharingUploadManager::setProgram(const QString& launchPath, const QStringList& leadingArguments)
{
    m_launchPath = launchPath;
    m_leadingArguments = leadingArguments;
}

bool RBSharingUploadManager::isShareLink(const QString& text)
{
    if (text.isEmpty() || text.size() > 2048)
        return false;
    for (const QChar c : text)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        && !url.host().isEmpty() && url.userInfo().isEmpty();
}

bool RBSharingUploadManager::uploadWithPath(const QString& path, const QString& email)
{
    if (m_uploading) {
        platform::Log::warning(kDomain, QStringLiteral("an upload runs already; another is not started beside it"));
        return false;
    }
    stopProgram();
    const quint64 upload = ++m_upload;
    m_uploading = true;

    m_taskManager = std::make_unique<CSTaskManager>();
    platform::Task& task = m_taskManager->task();
    if (m_launchPath.isEmpty()) {
        task.setLaunchPath(platform::Task::pythonPath());
        QStringList arguments{platform::Bundle::main().pathForResource(QStringLiteral("upload"), QStringLiteral("py"), QStringLiteral("python"))};
        arguments << QStringLiteral("--service") << m_serviceURL;
        task.setArguments(arguments << email << path);
    } else {
        task.setLaunchPath(m_launchPath);
        task.setArguments(QStringList(m_leadingArguments) << email << path);
    }
    // Exactly these: nothing of the application's own environment reaches the program.
    task.setEnvironment({
        {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
        {QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1")},
        {QStringLiteral("DESKTOPAPP"), QStringLiteral("1")},
    });

    QPointer<RBSharingUploadManager> self(this);
    m_taskManager->setTaskManagerDidReceiveObject([self, upload](const QJsonObject& object) {
        if (self)
            self->handleObject(upload, object);
    });
    m_taskManager->setTaskManagerDidReceiveOutput([](const QString& line, bool) {
        platform::Log::info(kDomain, QStringLiteral(">>> %1").arg(line.trimmed()));
    });
    m_taskManager->setTaskManagerDidEnd([self, upload](int status) {
        if (self)
            self->handleEnd(upload, status);
    });
    m_timeout.start(m_timeoutMs);
    m_taskManager->run();
    return true;
}

void RBSharingUploadManager::handleObject(quint64 upload, const QJsonObject& object)
{
    // An object with both an error and "done" is a failure: one upload has one outcome.
    const QJsonValue error = object.value(QStringLiteral("error"));
    if (!error.isUndefined()) {
        const QString message = error.isString() ? error.toString() : QStringLiteral("The upload failed.");
        platform::Log::info(kDomain, QStringLiteral(">>> %1").arg(message));
        finish(upload, false, message);
        return;
    }
    if (object.value(QStringLiteral("action")).toString() != QLatin1String("done"))
        return;
    const QString url = object.value(QStringLiteral("url")).toString();
    if (!isShareLink(url)) {
        platform::Log::error(kDomain, QStringLiteral("the share service answered with a link that is no web address: %1").arg(url.left(200)));
        finish(upload, false, QStringLiteral("The share service did not answer with a web link."));
        return;
    }
    finish(upload, true, url);
}

void RBSharingUploadManager::handleEnd(quint64 upload, int status)
{
    if (upload != m_upload || !m_uploading)
        return;
    if (status == CSTaskManager::LaunchFailureStatus)
        finish(upload, false, QStringLiteral("The upload program could not be started. Check that Python 3 is installed (%1).")
                                  .arg(platform::Task::pythonPath()));
    else
        finish(upload, false, QStringLiteral("The upload program ended without an answer (status %1).").arg(status));
}

void RBSharingUploadManager::timedOut(quint64 upload)
{
    if (upload != m_upload || !m_uploading)
        return;
    platform::Log::warning(kDomain, QStringLiteral("the upload gave no answer in time; it is stopped"));
    finish(upload, false, timeoutMessage());
}

void RBSharingUploadManager::finish(quint64 upload, bool success, const QString& text)
{
    if (upload != m_upload || !m_uploading)
        return;
    m_uploading = false;
    m_timeout.stop();
    // A program that answered may still be packing up; one that did not is stopped, so that a
    // late answer cannot follow the reported outcome.
    stopProgram();
    QPointer<RBSharingUploadManager> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, success, text] {
            if (!self)
                return;
            if (success && self->m_uploadSuccess)
                self->m_uploadSuccess(text);
            else if (!success && self->m_uploadError)
                self->m_uploadError(text);
        },
        Qt::QueuedConnection);
}

void RBSharingUploadManager::stopProgram()
{
    if (!m_taskManager)
        return;
    // Its later reports carry an upload number that is no longer current and are dropped (the
    // blocks are not cleared: this may run inside one of them).
    if (m_taskManager->task().isRunning())
        m_taskManager->task().kill();
}
