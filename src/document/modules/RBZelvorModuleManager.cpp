#include "document/modules/RBZelvorModuleManager.h"

#include "document/modules/ModuleBuilderCommand.h"
#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/Task.h"
#include "platform/CSTaskManager.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>

namespace {
const QString kDomain = QStringLiteral("RBZelvorModuleManager");
// How much of the builder's standard error a failure message quotes.
constexpr int kErrorTailLines = 3;
// How long a builder that was told to stop may take before the build gives up on it.
constexpr int kStopGraceMs = 5000;

bool isModuleFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    return extension == QLatin1String("coffee") || extension == QLatin1String("js");
}
} // namespace

RBZelvorModuleManager::RBZelvorModuleManager(const QString& modulesPath)
    : m_modulesPath(modulesPath)
{
}

RBZelvorModuleManager::~RBZelvorModuleManager()
{
    *m_alive = false;
}

RBPreviewModuleBuilderFactory RBZelvorModuleManager::factory()
{
    return [](const QString& modulesFolder) -> std::unique_ptr<RBPreviewModuleBuilder> {
        return std::make_unique<RBZelvorModuleManager>(modulesFolder);
    };
}

QString RBZelvorModuleManager::hashPathForPath(const QString& outputPath)
{
    const QFileInfo output(outputPath);
    return QStringLiteral("%1/.%2.hash").arg(output.path(), output.fileName());
}

QString RBZelvorModuleManager::hashForPath(const QString& folder)
{
    // Links to folders are listed but not entered, so a link loop cannot make this endless.
    QStringList paths;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (isModuleFile(path))
            paths << path;
    }
    std::sort(paths.begin(), paths.end());
    // Only the project's own files are read: a link out of it or a pipe is never opened.
    const QString project = QFileInfo(folder).path();
    QString text;
    for (const QString& path : paths) {
        const bool own = platform::entryKindInside(project, path) == platform::EntryKind::File;
        text += QStringLiteral("%1:%2").arg(own ? platform::md5OfFile(path) : QStringLiteral("-"), path);
    }
    return text;
}

QString RBZelvorModuleManager::modulesProblem(const QString& outputPath) const
{
    const QString project = QFileInfo(m_modulesPath).path();
    if (!platform::resolvesInside(project, m_modulesPath))
        return QStringLiteral("The folder \u201Cmodules\u201D is a link to a folder outside the project, so its modules are not built.");
    if (!platform::resolvesInside(project, QFileInfo(outputPath).path()))
        return QStringLiteral("The module bundle would be written outside the project, so the modules are not built.");
    QDirIterator it(m_modulesPath, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (isModuleFile(path))
            if (const QString problem = platform::entryProblemInside(project, path); !problem.isEmpty())
                return problem;
    }
    return {};
}

bool RBZelvorModuleManager::buildForPath(const QString& outputPath)
{
    const QString project = QFileInfo(m_modulesPath).path();
    if (const QString problem = modulesProblem(outputPath); !problem.isEmpty()) {
        // The builder would read what lies outside the project (or wait on a pipe for good)
        // and the bundle is served to every device.
        m_lastError = problem;
        return false;
    }
    const QString fingerprint = hashForPath(m_modulesPath);
    const QString hashPath = hashPathForPath(outputPath);
    const std::optional<QByteArray> stored = platform::readFileInside(project, hashPath, nullptr, 16 << 20);
    // A bundle that went away is built again even when the modules did not change.
    if (stored && QString::fromUtf8(*stored) == fingerprint && QFileInfo::exists(outputPath))
        return true;

    if (platform::resolvesInside(project, QFileInfo(hashPath).path()))
        QFile::remove(hashPath);
    m_lastError.clear();
    const std::shared_ptr<bool> alive = m_alive;
    const bool built = runBuilder(outputPath);
    if (!*alive)
        return false; // the manager went while the builder ran
    if (!built)
        return false;
    QString reason;
    if (!platform::writeFileInside(project, hashPath, fingerprint.toUtf8(), &reason))
        platform::Log::error(kDomain, QStringLiteral("cannot write %1: %2").arg(hashPath, reason));
    return true;
}

bool RBZelvorModuleManager::runBuilder(const QString& outputPath)
{
    const QString script = m_builderScriptPath.isEmpty() ? modulebuilder::builderScriptPath() : m_builderScriptPath;
    if (script.isEmpty()) {
        m_lastError = QStringLiteral("The module builder is missing from the application's resources.");
        return false;
    }

    const std::shared_ptr<CSTaskManager> runner = std::make_shared<CSTaskManager>();
    m_taskManager = runner;
    platform::Task& task = runner->task();
    task.setLaunchPath(platform::Task::pythonPath());
    task.setArguments(modulebuilder::builderArguments(script, m_modulesPath, outputPath));
    task.setEnvironment(modulebuilder::builderEnvironment());

    // The callbacks hold the manager weakly: it may go while the event loop turns.
    const std::shared_ptr<bool> alive = m_alive;
    auto errorTail = std::make_shared<QStringList>();
    auto status = std::make_shared<int>(0);
    runner->setTaskManagerDidReceiveObject([this, alive](const QJsonObject& object) {
        if (!*alive || object.value(QStringLiteral("type")).toString() != QLatin1String("error"))
            return;
        const QString message = object.value(QStringLiteral("message")).toString();
        m_lastError = message.isEmpty() ? QStringLiteral("The module builder reported an error without a message.") : message;
    });
    runner->setTaskManagerDidReceiveOutput([errorTail](const QString& line, bool isError) {
        if (!isError)
            return;
        errorTail->append(line);
        if (errorTail->size() > kErrorTailLines)
            errorTail->removeFirst();
    });
    runner->setTaskManagerDidEnd([status](int code) { *status = code; });

    const int timeout = m_buildTimeoutMs;
    if (runner->run() && !runner->waitUntilEnd(timeout)) {
        task.kill();
        runner->waitUntilEnd(kStopGraceMs);
        if (!*alive)
            return false;
        m_lastError = QStringLiteral("The module builder did not finish within %1 seconds and was stopped.").arg(timeout / 1000.0);
        return false;
    }
    if (!*alive)
        return false;
    if (!m_lastError.isEmpty())
        return false;
    if (*status == CSTaskManager::LaunchFailureStatus) {
        m_lastError = QStringLiteral("The module builder could not start: %1").arg(task.launchError());
        return false;
    }
    if (*status != 0 || task.terminationReason() != platform::Task::TerminationReason::Exit) {
        // An exit without an error object is still a failure: the bundle may be missing or stale.
        const QString how = task.terminationReason() == platform::Task::TerminationReason::Exit
            ? QStringLiteral("failed with exit status %1").arg(*status)
            : QStringLiteral("was ended by signal %1").arg(*status);
        m_lastError = QStringLiteral("The module builder %1%2").arg(how, errorTail->isEmpty()
            ? QStringLiteral(".") : QStringLiteral(": ") + errorTail->join(QLatin1Char(' ')));
        return false;
    }
    return true;
}
