#include "importers/RBExporterImportViewController.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Task.h"
#include "platform/CSTaskManager.h"

#include <QDir>
#include <QJsonDocument>
#include <QPointer>

namespace {
const QString kDomain = QStringLiteral("Importer");

// What an exporter needs of the environment, and nothing of the application's own.
QMap<QString, QString> exporterEnvironment()
{
    QMap<QString, QString> environment{{QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin")},
                                       {QStringLiteral("LANG"), QStringLiteral("C.UTF-8")},
                                       {QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8")},
                                       {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
                                       {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}};
    const QString home = QDir::homePath();
    if (!home.isEmpty())
        environment.insert(QStringLiteral("HOME"), home);
    return environment;
}
} // namespace

RBExporterImportViewController::RBExporterImportViewController(QWidget* parent)
    : RBImportViewController(parent)
{
}

RBExporterImportViewController::~RBExporterImportViewController()
{
    if (m_taskManager && !m_taskManager->hasEnded()) {
        m_taskManager->setTaskManagerDidEnd({});
        m_taskManager->task().terminate();
    }
    if (m_staging)
        importers::discardImportStaging(*m_staging);
}

QString RBExporterImportViewController::exporterScript() const
{
    if (!m_exporterScript.isEmpty())
        return m_exporterScript;
    return platform::Bundle::main().pathForResource(QStringLiteral("run"), QStringLiteral("py"), exporterFolder());
}

void RBExporterImportViewController::start()
{
    if (isImporting() || !isImportEnabled())
        return;
    showProgress(true);
    setImporting(true);
    m_cancelled = false;
    m_lastErrorLine.clear();
    m_folderName = importers::importFolderName(documentName(), scale());
    QString error;
    m_staging = importers::makeImportStaging(importPath(), m_folderName, &error);
    if (!m_staging) {
        setImporting(false);
        showProgress(false);
        notifyFailure(QString(), error);
        return;
    }
    if (exporterScript().isEmpty()) {
        setImporting(false);
        showProgress(false);
        importers::discardImportStaging(*m_staging);
        m_staging.reset();
        notifyFailure(QString(), QStringLiteral("The %1 exporter is missing from this installation.").arg(appName()));
        return;
    }

    m_taskManager = std::make_unique<CSTaskManager>();
    const Command command = exportCommand(m_staging->folder);
    platform::Task& task = m_taskManager->task();
    task.setLaunchPath(command.program);
    task.setArguments(command.arguments);
    task.setEnvironment(exporterEnvironment());
    if (!command.workingDirectory.isEmpty())
        task.setCurrentDirectoryPath(command.workingDirectory);
    QPointer<RBExporterImportViewController> self(this);
    m_taskManager->setTaskManagerDidReceiveOutput([self](const QString& line, bool isError) {
        if (!self)
            return;
        if (isError) {
            self->m_lastErrorLine = line.trimmed();
            return;
        }
        self->setProgressStatus(self->statusForLine(line));
        platform::Log::info(kDomain, QStringLiteral("info: %1").arg(line));
    });
    m_taskManager->setTaskManagerDidReceiveObject([](const QJsonObject& object) {
        platform::Log::info(kDomain, QStringLiteral("info: %1").arg(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))));
    });
    m_taskManager->setTaskManagerDidEnd([self](int status) {
        if (self)
            self->finish(status);
    });
    if (!m_taskManager->run() && !m_taskManager->hasEnded())
        finish(CSTaskManager::LaunchFailureStatus);
}

void RBExporterImportViewController::cancel()
{
    if (!m_taskManager || m_taskManager->hasEnded())
        return;
    m_cancelled = true;
    m_taskManager->task().terminate();
}

void RBExporterImportViewController::finish(int status)
{
    if (!isImporting())
        return;
    setImporting(false);
    const QString output = m_taskManager ? m_taskManager->output() : QString();
    std::optional<importers::ImportStaging> staging = std::move(m_staging);
    m_staging.reset();
    const QString target = importPath() + QLatin1Char('/') + m_folderName;
    if (m_cancelled) {
        if (staging)
            importers::discardImportStaging(*staging);
        showProgress(false);
        return;
    }
    QString reason;
    if (status == CSTaskManager::LaunchFailureStatus) {
        const QString why = m_taskManager ? m_taskManager->task().launchError() : QString();
        reason = QStringLiteral("The %1 exporter could not be started%2").arg(appName(), why.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + why);
    } else if (status != 0) {
        reason = m_lastErrorLine.isEmpty() ? QStringLiteral("The %1 exporter stopped with status %2.").arg(appName()).arg(status)
                                           : m_lastErrorLine;
    }
    if (staging) {
        if (reason.isEmpty())
            importers::installImport(*staging, importPath(), m_folderName,
                                     {QStringLiteral("layers.json"), QStringLiteral("layers.json.js")}, &reason);
        else
            importers::discardImportStaging(*staging);
    }
    showProgress(false);
    if (reason.isEmpty())
        notifySuccessWithPath(target, output);
    else
        notifyFailure(target, reason);
}
