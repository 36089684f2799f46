#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Where the application runs from and where "moving it to the applications folder" would put
// it. On Linux an application that moves itself is a self-contained install tree (the layout
// that `cmake --install` makes: bin/zelvor-studio, share/zelvor-studio/resources, its private
// libraries under lib/, all found relative to the program).
struct MoveEnvironment {
    QString home;
    QString downloads;       // the user's Downloads folder (XDG)
    QStringList tempFolders; // e.g. /tmp and $TMPDIR
    QString userApplications = {};            // default: home + "/.local/opt"
    QString systemApplications = QStringLiteral("/opt");
    bool suppressed = false; // "moveToApplicationsFolderAlertSuppress"
    std::function<bool(const QString&)> isDir;
    std::function<bool(const QString&)> exists;
    std::function<bool(const QString&)> isWritable;
    std::function<QStringList(const QString&)> entries; // names in a folder
    // The block device a path lies on when that is removable media mounted under /media or
    // /run/media ("" otherwise).
    std::function<QString(const QString&)> removableDeviceOf;
};

struct MovePlan {
    bool offer = false;
    QString why;                 // why no offer is made
    QString source;              // the install tree the program runs from
    QString destinationFolder;
    QString destination;         // destinationFolder + the tree's folder name
    bool userInstall = false;    // into the user's own applications folder
    bool needsAuthorization = false;
    bool fromDownloads = false;
    QString removableDevice;     // when running from removable media
    QString title;
    QString informativeText;
};

// The install tree an executable belongs to ("" when it runs from a build folder or a bare
// binary): the folder above its bin/ that holds share/zelvor-studio/resources.
QString installTreeOf(const QString& executablePath, const std::function<bool(const QString&)>& isDir);

// Whether to offer the move and where to; pure, all facts about the machine come from `env`.
MovePlan planMoveToApplications(const QString& executablePath, const MoveEnvironment& env);

// A path quoted for the shell: in single quotes, every "'" written as '\''.
QString shellQuoted(const QString& path);

// The script that waits until the process `pid` has ended and starts the moved program.
QString relaunchScript(qint64 pid, const QString& destination);

// The command that removes an old copy and copies the tree in with an administrator's rights
// (pkexec asks for the password): program and arguments. The copy runs only when the removal
// succeeded, so that it never lands inside an old copy that is still there.
QStringList privilegedCopyCommand(const QString& source, const QString& destination);

// Whether `destination` holds every folder, file and link of the tree at `source`, each file
// with the same size: what must be true before the source is removed.
bool treeCopyIsComplete(const QString& source, const QString& destination);

// The desktop entry of the moved program, so that the desktop starts it and hands it
// "zelvor://" links: the tree's own entry (`shipped`, may be empty) with its Exec line pointing
// at the program in `destination`.
QString desktopEntryFor(const QString& destination, const QString& shipped);
