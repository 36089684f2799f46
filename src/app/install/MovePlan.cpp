#include "app/install/MovePlan.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

bool isWithin(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(folder);
    return path == clean || path.startsWith(clean + QLatin1Char('/'));
}

// Prefixes where a package manager or an administrator installs programs: a tree there is
// already in place.
bool isInstalledPrefix(const QString& tree, const MoveEnvironment& env)
{
    for (const QString& prefix : {QStringLiteral("/usr"), QStringLiteral("/opt"), env.home + QStringLiteral("/.local")}) {
        if (isWithin(tree, prefix))
            return true;
    }
    return false;
}

} // namespace

QString installTreeOf(const QString& executablePath, const std::function<bool(const QString&)>& isDir)
{
    const QFileInfo program(executablePath);
    const QString binFolder = QDir::cleanPath(program.absolutePath());
    if (QFileInfo(binFolder).fileName() != QLatin1String("bin"))
        return {};
    const QString tree = QDir::cleanPath(binFolder + QStringLiteral("/.."));
    return isDir(tree + QStringLiteral("/share/zelvor-studio/resources")) ? tree : QString();
}

MovePlan planMoveToApplications(const QString& executablePath, const MoveEnvironment& env)
{
    MovePlan plan;
    if (env.suppressed) {
        plan.why = QStringLiteral("the user asked not to be asked again");
        return plan;
    }
    plan.source = installTreeOf(executablePath, env.isDir);
    if (plan.source.isEmpty()) {
        plan.why = QStringLiteral("not running from an install tree (a build folder)");
        return plan;
    }
    const QString userApps = env.userApplications.isEmpty() ? env.home + QStringLiteral("/.local/opt") : env.userApplications;
    if (isWithin(plan.source, userApps) || isWithin(plan.source, env.systemApplications)
        || plan.source.split(QLatin1Char('/')).contains(QStringLiteral("Applications"))) {
        plan.why = QStringLiteral("already in an applications folder");
        return plan;
    }
    plan.fromDownloads = isWithin(plan.source, env.downloads);
    plan.removableDevice = env.removableDeviceOf ? env.removableDeviceOf(plan.source) : QString();
    bool temporary = false;
    for (const QString& folder : env.tempFolders)
        temporary = temporary || isWithin(plan.source, folder);
    if (!plan.fromDownloads && !temporary && plan.removableDevice.isEmpty()) {
        plan.why = isInstalledPrefix(plan.source, env) ? QStringLiteral("installed where programs are installed")
                                                       : QStringLiteral("not in Downloads, a temporary folder or on removable media");
        return plan;
    }

    // The user's own applications folder when the user keeps programs there, else the system's.
    plan.userInstall = env.isDir(userApps) && !env.entries(userApps).isEmpty();
    plan.destinationFolder = plan.userInstall ? userApps : env.systemApplications;
    plan.destination = plan.destinationFolder + QLatin1Char('/') + QFileInfo(plan.source).fileName();
    plan.needsAuthorization = !env.isWritable(plan.destinationFolder)
                              || (env.exists(plan.destination) && !env.isWritable(plan.destination));

    plan.offer = true;
    plan.title = plan.userInstall ? QStringLiteral("Move to Applications folder in your Home folder?")
                                  : QStringLiteral("Move to Applications folder?");
    plan.informativeText = QStringLiteral("I can move myself to the Applications folder if you'd like.");
    if (plan.needsAuthorization)
        plan.informativeText += QStringLiteral(" Note that this will require an administrator password.");
    else if (plan.fromDownloads)
        plan.informativeText += QStringLiteral(" This will keep your Downloads folder uncluttered.");
    return plan;
}

QString shellQuoted(const QString& path)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString relaunchScript(qint64 pid, const QString& destination)
{
    return QStringLiteral("(while /bin/kill -0 %1 >/dev/null 2>&1; do /bin/sleep 0.1; done; exec %2) &")
        .arg(pid)
        .arg(shellQuoted(destination + QStringLiteral("/bin/zelvor-studio")));
}

QStringList privilegedCopyCommand(const QString& source, const QString& destination)
{
    return {QStringLiteral("pkexec"), QStringLiteral("/bin/sh"), QStringLiteral("-c"),
            QStringLiteral("/bin/rm -rf %1 && /bin/cp -pR %2 %1").arg(shellQuoted(destination), shellQuoted(source))};
}

bool treeCopyIsComplete(const QString& source, const QString& destination)
{
    const QFileInfo top(destination);
    if (!top.isDir() || top.isSymLink())
        return false;
    QDirIterator it(source, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo from(it.next());
        const QFileInfo to(destination + QLatin1Char('/') + QDir(source).relativeFilePath(from.filePath()));
        if (from.isSymLink()) {
            if (!to.isSymLink())
                return false;
        } else if (from.isDir()) {
            if (!to.isDir() || to.isSymLink())
                return false;
        } else if (to.isSymLink() || !to.exists() || to.isDir() || (from.isFile() && to.size() != from.size())) {
            return false;
        }
    }
    return true;
}

QString desktopEntryFor(const QString& destination, const QString& shipped)
{
    // The Exec key quotes with double quotes; a double quote, backquote, dollar or backslash in
    // the path is escaped, and that escape escaped again, as the desktop entry standard asks.
    QString escaped;
    for (const QChar c : destination + QStringLiteral("/bin/zelvor-studio")) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        if (c == QLatin1Char('%'))
            escaped += c; // a field code's percent is doubled
        escaped += c;
    }
    const QString exec = QStringLiteral("Exec=\"%1\" %U").arg(escaped);
    QStringList lines = shipped.split(QLatin1Char('\n'));
    bool replaced = false;
    for (QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec="))) {
            line = exec;
            replaced = true;
        }
    }
    if (!replaced || !shipped.startsWith(QLatin1String("[Desktop Entry]")))
        lines = {QStringLiteral("[Desktop Entry]"), QStringLiteral("Type=Application"), QStringLiteral("Name=Zelvor Studio"), exec,
                 QStringLiteral("Terminal=false"), QStringLiteral("MimeType=x-scheme-handler/zelvor;"), QString()};
    return lines.join(QLatin1Char('\n'));
}
