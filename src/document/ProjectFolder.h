#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The project folder: its entries, its creation from the template, the format number and the
// backups. Pure file logic, no widgets; RBDocument calls it.
namespace ProjectFolder {

// The project format this application writes into "zelvor/version".
inline constexpr int documentCurrentVersion = 2;
inline constexpr int maximumBackupCount = 5;
// A program far beyond what the editor and the compiler can take is not read at all.
inline constexpr qint64 maximumProgramSize = qint64(64) << 20;
inline const int touchIconSizes[] = {76, 120, 152, 180, 192};

QString documentVersionInfoPath(const QString& projectPath);
// -1 when the file is missing or unreadable, 0 when it holds no number, else the number.
int documentVersion(const QString& projectPath);
// Writes the current format number; answers success (callers may ignore it).
bool writeDocumentVersion(const QString& projectPath);
bool writeDocumentVersion(const QString& projectPath, int version, QString* error = nullptr);

// Merges the template folder into the target: items missing in the target are copied, nothing
// that exists there is replaced or removed (with replace off). Symbolic links are copied as
// links, never followed. Copy failures are appended to `errors`.
void copyFilesFrom(const QString& source, const QString& target, bool recursive, bool replace,
                   QStringList* errors);

// Makes or completes a project folder from the template and, when given, writes the program
// to "app.coffee" (atomically). `created` tells whether the folder did not exist before.
// Answers false with the reasons when anything could not be made or written.
struct Creation {
    bool ok = true;
    bool created = false;
    bool programWritten = false;
    QStringList errors;
};
Creation createProjectAtPath(const QString& path, const std::optional<QString>& content,
                             const QString& templatePath);

// Copies the five icons of one variant ("1" to "4") into "zelvor/images" as "icon-SIZE.png".
// Answers the errors.
QStringList addTouchIconsToProject(const QString& projectPath, const QString& iconsFolder,
                                   int variant);

// The name proposed for the safety copy of a project being upgraded:
// "Menu" -> "Menu-update", "Menu-update" -> "Menu-update2", "Menu-update9" -> "Menu-update10".
QString upgradeCopyName(const QString& name);

// The backup file of an application run: "backup-SECONDS.coffee".
QString backupFileName(const QDateTime& launchDate);
// Keeps the newest `keep` items of the backups folder (by modification time; hidden files
// are left alone) and removes the others. Answers the removed paths.
QStringList pruneBackups(const QString& folder, int keep = maximumBackupCount);

// Whether the folder is a project: its name ends in ".zelvor", or it holds "app.coffee".
// Any other folder is the user's own and is never made into a project unasked.
bool isProjectFolder(const QString& path);
// The path of a new project inside an ordinary folder: "<folder>/<folder's name>.zelvor", or
// with " 2", " 3"... before the extension when that name is taken by something that is no
// project folder.
QString newProjectPathInside(const QString& folder);

// Why the project at `projectPath` is not opened, or "" when it may be: its program or its
// "zelvor" folder is a link that leads out of the project, or its program is a pipe, device
// or socket (reading it would wait for good), or far too large.
QString openingProblem(const QString& projectPath);

// Whether the path lies inside the folder or is the folder itself (after resolving links).
bool isSameOrInside(const QString& path, const QString& folder);
// Whether both paths name one folder (after resolving links).
bool isSameFolder(const QString& path, const QString& other);

// Why a project cannot be saved at `target` (absolute), or an empty text when it can. `ownPath`
// is where the project is saved ("" when it never was), `workingPath` the folder it works in
// now, `openElsewhere` whether another window has `target` open.
QString saveTargetProblem(const QString& target, const QString& ownPath, const QString& workingPath,
                          bool openElsewhere);

} // namespace ProjectFolder
