#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading and writing the files of a folder that may come from anyone (a project received by
// link or archive) without ever reaching outside it. A symbolic link is followed only while it
// stays inside the folder; a pipe, device or socket is never opened (opening a pipe blocks the
// reader until someone writes into it, which may be never).
namespace platform {

enum class EntryKind {
    Missing, // nothing there, or a link that leads nowhere
    File,    // a regular file inside the folder (perhaps reached through links that stay inside)
    Folder,  // a folder inside the folder
    Outside, // the path, or a link on the way to it, leads out of the folder
    Special, // a pipe, device or socket
};

// What stands at `path`, judged from inside `root`. A path that does not lie under `root` by
// its very spelling is Outside.
EntryKind entryKindInside(const QString& root, const QString& path);

// Whether `path` (which need not exist) lies inside `root` once the links on the way are
// followed; the root itself counts as inside.
bool resolvesInside(const QString& root, const QString& path);

// A sentence saying why the entry cannot be read as a file of the folder, naming it by its
// path relative to `root` ("" for a regular file inside).
QString entryProblemInside(const QString& root, const QString& path);

// The bytes of a regular file inside `root`; anything else (a link out of the folder, a pipe, a
// folder, a file larger than `maxBytes` when that is not negative) is refused unopened, with
// the reason in `error`.
std::optional<QByteArray> readFileInside(const QString& root, const QString& path, QString* error = nullptr,
                                         qint64 maxBytes = -1);

// Writes the bytes whole (a temporary file beside the target, renamed over it) at `path`
// inside `root`. A link there that leads to a regular file inside the folder is written
// through; any other link (out of the folder, or to nothing) is replaced by the file, never
// followed. Nothing is written when the folder that holds the file is missing or lies outside
// `root`, or when a folder stands at the path. Answers success; `error` gets the reason.
bool writeFileInside(const QString& root, const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Makes the folder at `path` and its missing parents, all inside `root`; refuses when an
// existing part of the path leads out of it or is no folder.
bool makeFolderInside(const QString& root, const QString& path, QString* error = nullptr);

// The writing step both writers share: a temporary file in the target's own folder, synced,
// then renamed over `target` (which is never opened itself, whatever it is). Keeps the
// permissions of a regular file it replaces.
bool replaceFileAtomically(const QString& target, const QByteArray& bytes, QString* error = nullptr);

// The reason for a failed file operation, in the user's words: "The disk is full" for a disk
// or quota without room, else the system's own text.
QString fileErrorText(int errorNumber);

} // namespace platform
