#include "document/RunLeftovers.h"

#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace RunLeftovers {

QString runFolderName(qint64 pid)
{
    return QStringLiteral("zelvor-studio-%1").arg(pid);
}

bool isProcessRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    // Another user's process answers EPERM: it runs.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QStringList deadRunFolders(const QString& temporaryFolder, const std::function<bool(qint64)>& isRunning)
{
    static const QRegularExpression name(QStringLiteral("^zelvor-studio-(\\d+)$"));
    QStringList dead;
    const QDir folder(temporaryFolder);
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name)) {
        const QRegularExpressionMatch match = name.match(entry.fileName());
        // Only this user's own runs: the temporary folder is shared, and a folder another user
        // made there (or, for root, any user's) would offer a stranger's program as lost work.
        if (match.hasMatch() && entry.ownerId() == ::getuid() && entry.isWritable()
            && !isRunning(match.captured(1).toLongLong()))
            dead << entry.absoluteFilePath();
    }
    return dead;
}

QList<UntitledProject> editedUntitledProjects(const QString& runFolder, const QString& starterProgram)
{
    QList<UntitledProject> projects;
    const QDir run(runFolder);
    for (const QFileInfo& unique : run.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name)) {
        const QDir holder(unique.absoluteFilePath());
        for (const QFileInfo& project : holder.entryInfoList({QStringLiteral("*.zelvor")}, QDir::Dirs | QDir::NoSymLinks)) {
            const QString programPath = QDir(project.absoluteFilePath()).filePath(QStringLiteral("app.coffee"));
            const std::optional<QByteArray> bytes = platform::readFileInside(project.absoluteFilePath(), programPath);
            const QString program = QString::fromUtf8(bytes.value_or(QByteArray()));
            if (!bytes || program.trimmed().isEmpty() || program.trimmed() == starterProgram.trimmed())
                continue;
            projects.append({project.absoluteFilePath(), project.completeBaseName(), program, QFileInfo(programPath).lastModified()});
        }
    }
    return projects;
}

QString unsavedBackup(const QString& projectPath)
{
    const QDir backups(QDir(projectPath).filePath(QStringLiteral("zelvor/backups")));
    const QFileInfoList files = backups.entryInfoList({QStringLiteral("backup-*.coffee")}, QDir::Files, QDir::Time);
    if (files.isEmpty())
        return {};
    const QFileInfo newest = files.first();
    const QFileInfo program(QDir(projectPath).filePath(QStringLiteral("app.coffee")));
    if (program.exists() && newest.lastModified() <= program.lastModified())
        return {};
    // The project's own files only: a backup that is a link out of it (or a pipe) is no backup.
    const std::optional<QByteArray> backup = platform::readFileInside(projectPath, newest.absoluteFilePath());
    if (!backup || *backup == platform::readFileInside(projectPath, program.absoluteFilePath()).value_or(QByteArray()))
        return {};
    return newest.absoluteFilePath();
}

bool setBackupAside(const QString& backupPath)
{
    const QFileInfo info(backupPath);
    if (!info.exists())
        return false;
    return QFile::rename(backupPath, info.dir().filePath(QStringLiteral("kept-") + info.fileName()));
}

} // namespace RunLeftovers
