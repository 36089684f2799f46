#include "app/install/PFMoveToApplicationsFolder.h"

#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cstdlib>
#include <unistd.h>

namespace {

const QString kSuppressKey = QStringLiteral("moveToApplicationsFolderAlertSuppress");
const QString kDomain = QStringLiteral("MoveApplication");

void log(const QString& line) { platform::Log::info(kDomain, line); }

void showFailure()
{
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("Could not move to Applications folder"));
    alert.runModal();
}

bool writeDesktopEntry(const QString& destination)
{
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (applications.isEmpty() || !QDir().mkpath(applications))
        return false;
    const QString shipped = platform::readTextFile(destination + QStringLiteral("/share/applications/zelvor-studio.desktop"));
    return platform::writeTextAtomically(applications + QStringLiteral("/zelvor-studio.desktop"), desktopEntryFor(destination, shipped));
}

} // namespace

bool Trash(const QString& path)
{
    if (!platform::moveToTrash(path).isEmpty())
        return true;
    platform::Log::error(kDomain, QStringLiteral("ERROR -- Could not trash '%1'").arg(path));
    return false;
}

MoveEnvironment currentMoveEnvironment(platform::UserDefaults& defaults)
{
    MoveEnvironment env;
    env.home = QDir::homePath();
    env.downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    env.tempFolders = {QStringLiteral("/tmp"), QStringLiteral("/var/tmp"), QDir::tempPath()};
    env.suppressed = defaults.boolForKey(kSuppressKey);
    env.isDir = [](const QString& p) { return QFileInfo(p).isDir(); };
    env.exists = [](const QString& p) { return QFileInfo::exists(p); };
    env.isWritable = [](const QString& p) { return ::access(QFile::encodeName(p).constData(), W_OK) == 0; };
    env.entries = [](const QString& p) { return QDir(p).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); };
    env.removableDeviceOf = [](const QString& p) -> QString {
        const QStorageInfo volume(p);
        const QString root = volume.rootPath();
        if (volume.isValid() && !volume.isRoot() && (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/"))))
            return QString::fromLocal8Bit(volume.device());
        return {};
    };
    return env;
}

MoveActions currentMoveActions()
{
    MoveActions actions;
    actions.run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForStarted(10000))
            return -1;
        process.waitForFinished(-1); // the password question may take as long as the user needs
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    actions.copyTree = [](const QString& from, const QString& to) { return platform::copyItem(from, to); };
    actions.remove = [](const QString& path) { return QDir(path).removeRecursively(); };
    actions.startDetachedShell = [](const QString& script) {
        return QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    };
    actions.exit = [](int status) { std::exit(status); };
    actions.isRunningFrom = [](const QString& destination) {
        // Another process whose program lies inside the destination tree.
        const QDir proc(QStringLiteral("/proc"));
        for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool number = false;
            if (pid.toLongLong(&number) == QCoreApplication::applicationPid() || !number)
                continue;
            const QString program = QFileInfo(proc.filePath(pid + QStringLiteral("/exe"))).symLinkTarget();
            if (program.startsWith(destination + QLatin1Char('/')))
                return true;
        }
        return false;
    };
    return actions;
}

void PFMoveToApplicationsFolderIfNecessary(platform::UserDefaults& defaults)
{
    moveToApplicationsFolderIfNecessary(defaults, QCoreApplication::applicationFilePath(), currentMoveEnvironment(defaults),
                                        currentMoveActions());
}

void moveToApplicationsFolderIfNecessary(platform::UserDefaults& defaults, const QString& executablePath,
                                         const MoveEnvironment& environment, const MoveActions& actions)
{
    const MovePlan plan = planMoveToApplications(executablePath, environment);
    if (!plan.offer)
        return;

    platform::Alert alert;
    alert.setMessageText(plan.title);
    alert.setInformativeText(plan.informativeText);
    alert.addButton(QStringLiteral("Move to Applications Folder"));
    alert.addButton(QStringLiteral("Do Not Move"));
    alert.setShowsSuppressionButton(true);
    if (alert.runModal() != platform::Alert::kFirstButtonReturn) {
        if (alert.suppressionButtonState())
            defaults.setBool(kSuppressKey, true);
        return;
    }

    log(QStringLiteral("INFO -- Moving myself to the Applications folder"));
    if (plan.needsAuthorization) {
        if (plan.destination.trimmed().isEmpty() || plan.source.trimmed().isEmpty()) {
            showFailure();
            return;
        }
        const QStringList command = privilegedCopyCommand(plan.source, plan.destination);
        const int status = actions.run(command.first(), command.mid(1));
        // pkexec answers 126 when the user dismissed the password question.
        if (status == 126) {
            log(QStringLiteral("INFO -- Not moving because user canceled authorization"));
            return;
        }
        if (status != 0) {
            platform::Log::error(kDomain, QStringLiteral("ERROR -- Could not copy myself to %1 with authorization").arg(plan.destinationFolder));
            showFailure();
            return;
        }
    } else {
        if (environment.exists(plan.destination)) {
            if (actions.isRunningFrom(plan.destination)) {
                log(QStringLiteral("INFO -- Switching to an already running version"));
                actions.startDetachedShell(QStringLiteral("exec %1").arg(shellQuoted(plan.destination + QStringLiteral("/bin/zelvor-studio"))));
                actions.exit(0);
                return;
            }
            if (!Trash(plan.destination)) {
                showFailure();
                return;
            }
        }
        if (!actions.copyTree(plan.source, plan.destination)) {
            platform::Log::error(kDomain, QStringLiteral("ERROR -- Could not copy '%1' to '%2'").arg(plan.source, plan.destination));
            platform::Log::error(kDomain, QStringLiteral("ERROR -- Could not copy myself to %1").arg(plan.destination));
            showFailure();
            return;
        }
    }
    // A copy that came out short must not cost the program the user is running now.
    if (!treeCopyIsComplete(plan.source, plan.destination)) {
        platform::Log::error(kDomain, QStringLiteral("ERROR -- The copy in %1 is incomplete; %2 is kept").arg(plan.destination, plan.source));
        showFailure();
        return;
    }
    writeDesktopEntry(plan.destination);

    // Removable media stay as they are; anything else is removed (or, failing that, trashed).
    if (plan.removableDevice.isEmpty() && !actions.remove(plan.source)) {
        platform::Log::warning(kDomain, QStringLiteral("WARNING -- Could not delete '%1'").arg(plan.source));
        if (!Trash(plan.source))
            platform::Log::warning(kDomain, QStringLiteral("WARNING -- Could not delete application after moving it to Applications folder"));
    }
    actions.startDetachedShell(relaunchScript(actions.pid ? actions.pid : QCoreApplication::applicationPid(), plan.destination));
    actions.exit(0);
}
