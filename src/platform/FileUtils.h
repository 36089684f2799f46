#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Writes the bytes to a temporary file beside the path and renames it over the path, so that
// the file holds either its old or its new content, never a part. Answers success; on failure
// `error` gets the system's reason (such as a full disk).
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
bool writeTextAtomically(const QString& path, const QString& text, QString* error = nullptr); // UTF-8

// Reads a whole file; `ok` tells whether it could be read.
QByteArray readFile(const QString& path, bool* ok = nullptr);
QString readTextFile(const QString& path, bool* ok = nullptr); // UTF-8

// What a copy does with symbolic links inside a folder: copy what they point to, or make the
// same link in the copy (a tree from a stranger may hold links that loop back into it).
enum class LinksInCopy { Follow, Keep };

// Copies a file or, recursively, a folder. Existing destination files are replaced only when
// `overwrite` is set. Answers whether everything was copied.
bool copyItem(const QString& from, const QString& to, bool overwrite = false, LinksInCopy links = LinksInCopy::Follow);

// Moves a file or folder to the user's trash as the freedesktop.org trash standard lays down
// ($XDG_DATA_HOME/Trash with a .trashinfo record; on another file system the ".Trash-$uid"
// folder at the top of that file system). Answers the path in the trash, or empty.
QString moveToTrash(const QString& path);

// The path with its links resolved; a path that is not there stays as given, made absolute.
QString resolvedPath(const QString& path);

// MD5 of a file's content as 32 lower-case hexadecimal digits; empty when unreadable.
QString md5OfFile(const QString& path);

// A path in the same folder that names no existing file: the path itself, else
// "name (1).ext", "name (2).ext" and so on, up to "name (512).ext" (returned untested).
QString suggestFilenameAtPath(const QString& path);

} // namespace platform
