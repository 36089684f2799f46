#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <optional>

namespace platform {

// Unpacks zip archives that come from strangers (links, imported design files) with
// /usr/bin/unzip, after listing them with its zipinfo mode and refusing anything unsafe.
//
// What safeUnzip() guarantees:
// - Nothing is written outside `destination`. Entries named with an absolute path, a ".."
//   component, a backslash or a drive letter refuse the whole archive before anything is
//   unpacked. Symbolic links are kept only when they resolve to an existing file or folder
//   inside `destination`; one that points elsewhere (or nowhere) refuses the archive.
// - An archive listing more than `maxEntries` entries or more than `maxUnpackedBytes` bytes is
//   refused before unpacking; an archive whose entries unpack larger than they claim is stopped
//   while it unpacks (and refused), so a zip bomb cannot fill the disk.
// - A file that is not a zip archive is refused with a message that says so.
// - On any refusal, failure or cancellation, what was unpacked is removed again: `destination`
//   is left empty. On success it holds the archive's entries.
// - Every message is a sentence for the user, naming the archive by its file name.
//
// It blocks until unzip has finished; call it from a worker thread (never the GUI thread), as
// it touches no Qt object but those it makes itself. `cancel`, when given, is polled while
// unzip runs; setting it stops unzip and refuses with UnzipError::Cancelled.
struct UnzipLimits {
    qint64 maxUnpackedBytes = qint64(1) << 30; // 1 GB
    int maxEntries = 100000;
};

enum class UnzipError { None, NotAZip, UnsafeEntry, TooLarge, TooManyEntries, UnsafeLink, Cancelled, Failed };

struct UnzipResult {
    UnzipError error = UnzipError::None;
    QString message; // empty on success
    bool ok() const { return error == UnzipError::None; }
};

// `destination` must be an empty folder or not exist yet (it is then made).
UnzipResult safeUnzip(const QString& zipPath, const QString& destination, const UnzipLimits& limits = {},
                      const std::atomic<bool>* cancel = nullptr);

// ---- the pure decisions behind safeUnzip, exposed for tests ----

struct ZipEntry {
    QString name;
    qint64 size = 0;
    bool isDirectory = false;
    bool isSymlink = false;
};

// Parses the output of `zipinfo -s -T` (header, one line per entry, totals line). Answers
// nothing when the lines do not add up to the entry count in the header.
std::optional<QList<ZipEntry>> parseZipListing(const QString& listing);

// Whether unpacking an entry of this name could write outside the destination folder.
bool isUnsafeEntryName(const QString& name);

// The first reason to refuse the listed archive, or UnzipError::None. `message` gets the
// sentence for the user.
UnzipError checkZipEntries(const QList<ZipEntry>& entries, const UnzipLimits& limits, const QString& archiveName,
                           QString* message = nullptr);

} // namespace platform
