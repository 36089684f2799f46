#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What a run of the application that ended without closing its projects (a crash, a kill, a
// power cut) left behind: the temporary folders of its untitled projects, and backups of a
// saved project newer than its program. Plain file logic, no widgets.
namespace RunLeftovers {

// The name of the temporary folder of the run with that process id: "zelvor-studio-PID".
QString runFolderName(qint64 pid);

// Whether a process with that id runs now (on this machine, as any user).
bool isProcessRunning(qint64 pid);

// The run folders under `temporaryFolder` whose process no longer runs.
QStringList deadRunFolders(const QString& temporaryFolder,
                           const std::function<bool(qint64)>& isRunning = isProcessRunning);

// An untitled project found in a run folder.
struct UntitledProject {
    QString projectPath; // ".../zelvor-studio-PID/UUID/NAME.zelvor"
    QString name;        // "NAME"
    QString program;     // the text of its "app.coffee"
    QDateTime lastEdit;  // when it was last edited (its modification time)
};
// The untitled projects of a run folder whose program holds more than the text every new
// project starts with (`starterProgram`): the user's work. Others are of no interest.
QList<UntitledProject> editedUntitledProjects(const QString& runFolder, const QString& starterProgram);

// The newest backup of a saved project ("zelvor/backups/backup-*.coffee") when it is newer than
// the program and holds another text: the edits of a run that ended before they were saved.
// Empty otherwise.
QString unsavedBackup(const QString& projectPath);

// Renames a backup so that it is no longer offered ("backup-N.coffee" -> "kept-backup-N.coffee"):
// the user declined it or chose not to save those edits. It stays among the backups.
bool setBackupAside(const QString& backupPath);

} // namespace RunLeftovers
