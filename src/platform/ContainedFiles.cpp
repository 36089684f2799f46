#include "platform/ContainedFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString clean(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The path with every link resolved, or nothing when some part of it is not there.
std::optional<QString> realPath(const QString& path)
{
    char* resolved = ::realpath(encoded(path).constData(), nullptr);
    if (!resolved)
        return std::nullopt;
    QString result = QFile::decodeName(resolved);
    std::free(resolved);
    return result;
}

bool isUnder(const QString& folder, const QString& path)
{
    return path == folder || path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
}

// Whether `path` lies under `root` by its spelling alone, before any link is looked at.
bool spelledInside(const QString& root, const QString& path)
{
    return isUnder(clean(root), clean(path));
}

// How the user sees the entry: its path inside the folder.
QString shownName(const QString& root, const QString& path)
{
    const QString relative = QDir(clean(root)).relativeFilePath(clean(path));
    return relative.isEmpty() || relative == QLatin1String(".") ? QFileInfo(path).fileName() : relative;
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

QString fileErrorText(int errorNumber)
{
    if (errorNumber == ENOSPC || errorNumber == EDQUOT)
        return QStringLiteral("The disk is full");
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

EntryKind entryKindInside(const QString& root, const QString& path)
{
    if (!spelledInside(root, path))
        return EntryKind::Outside;
    const std::optional<QString> realRoot = realPath(root);
    struct stat link {};
    if (!realRoot || ::lstat(encoded(path).constData(), &link) != 0)
        return EntryKind::Missing;
    const std::optional<QString> real = realPath(path);
    if (!real)
        return EntryKind::Missing; // a link to nothing, or a loop of links
    if (!isUnder(*realRoot, *real))
        return EntryKind::Outside;
    struct stat target {};
    if (::stat(encoded(*real).constData(), &target) != 0)
        return EntryKind::Missing;
    if (S_ISREG(target.st_mode))
        return EntryKind::File;
    if (S_ISDIR(target.st_mode))
        return EntryKind::Folder;
    return EntryKind::Special;
}

bool resolvesInside(const QString& root, const QString& path)
{
    if (!spelledInside(root, path))
        return false;
    const std::optional<QString> realRoot = realPath(root);
    if (!realRoot)
        return false;
    // The nearest part of the path that exists decides: what is missing below it would be made
    // there. A part that exists but does not resolve is a link to nothing, and making the rest
    // of the path through it would make it wherever the link points.
    QString current = clean(path);
    const QString top = clean(root);
    for (;;) {
        if (const std::optional<QString> real = realPath(current))
            return isUnder(*realRoot, *real);
        struct stat link {};
        if (::lstat(encoded(current).constData(), &link) == 0 || current == top)
            return false;
        current = QFileInfo(current).path();
    }
}

QString entryProblemInside(const QString& root, const QString& path)
{
    const QString name = shownName(root, path);
    switch (entryKindInside(root, path)) {
    case EntryKind::File:
        return {};
    case EntryKind::Missing:
        return QStringLiteral("\u201C%1\u201D is missing.").arg(name);
    case EntryKind::Folder:
        return QStringLiteral("\u201C%1\u201D is a folder, not a file.").arg(name);
    case EntryKind::Outside:
        return QStringLiteral("\u201C%1\u201D is a link to a file outside the project, so it is not used.").arg(name);
    case EntryKind::Special:
        return QStringLiteral("\u201C%1\u201D is not a regular file (it is a pipe, device or socket), so it is not read.").arg(name);
    }
    return {};
}

std::optional<QByteArray> readFileInside(const QString& root, const QString& path, QString* error, qint64 maxBytes)
{
    if (const QString problem = entryProblemInside(root, path); !problem.isEmpty()) {
        setError(error, problem);
        return std::nullopt;
    }
    const std::optional<QString> real = realPath(path);
    // The resolved path has no links left; a pipe put there meanwhile is not waited for.
    const int fd = real ? ::open(encoded(*real).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK) : -1;
    if (fd < 0) {
        setError(error, QStringLiteral("\u201C%1\u201D cannot be read: %2").arg(shownName(root, path), fileErrorText(errno)));
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        setError(error, QStringLiteral("\u201C%1\u201D is not a regular file, so it is not read.").arg(shownName(root, path)));
        return std::nullopt;
    }
    if (maxBytes >= 0 && info.st_size > maxBytes) {
        ::close(fd);
        setError(error, QStringLiteral("\u201C%1\u201D is too large (%2 MB) to be read.")
                            .arg(shownName(root, path)).arg(double(info.st_size) / (1 << 20), 0, 'f', 1));
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int reason = errno;
            ::close(fd);
            setError(error, QStringLiteral("\u201C%1\u201D cannot be read: %2").arg(shownName(root, path), fileErrorText(reason)));
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
        if (maxBytes >= 0 && bytes.size() > maxBytes)
            break; // grew while being read: the limit holds all the same
    }
    ::close(fd);
    return maxBytes >= 0 ? bytes.left(maxBytes) : bytes;
}

bool writeFileInside(const QString& root, const QString& path, const QByteArray& bytes, QString* error)
{
    const QString name = shownName(root, path);
    if (!spelledInside(root, path)) {
        setError(error, QStringLiteral("\u201C%1\u201D lies outside the project, so it is not written.").arg(path));
        return false;
    }
    const std::optional<QString> realRoot = realPath(root);
    const QString parent = QFileInfo(clean(path)).path();
    const std::optional<QString> realParent = realPath(parent);
    if (!realRoot || !realParent) {
        setError(error, QStringLiteral("The folder of \u201C%1\u201D is missing.").arg(name));
        return false;
    }
    if (!isUnder(*realRoot, *realParent)) {
        setError(error, QStringLiteral("The folder of \u201C%1\u201D is a link to a folder outside the project, so nothing is written into it.")
                            .arg(name));
        return false;
    }
    QString target = *realParent + QLatin1Char('/') + QFileInfo(path).fileName();
    struct stat entry {};
    if (::lstat(encoded(target).constData(), &entry) == 0) {
        if (S_ISDIR(entry.st_mode)) {
            setError(error, QStringLiteral("\u201C%1\u201D is a folder, not a file.").arg(name));
            return false;
        }
        if (S_ISLNK(entry.st_mode)) {
            // A link to a file of the project stays a link; any other is replaced, not followed.
            struct stat pointed {};
            const std::optional<QString> real = realPath(target);
            if (real && isUnder(*realRoot, *real) && ::stat(encoded(*real).constData(), &pointed) == 0) {
                if (S_ISDIR(pointed.st_mode)) {
                    setError(error, QStringLiteral("\u201C%1\u201D is a folder, not a file.").arg(name));
                    return false;
                }
                if (S_ISREG(pointed.st_mode))
                    target = *real;
            }
        }
    }
    QString reason;
    if (!replaceFileAtomically(target, bytes, &reason)) {
        setError(error, QStringLiteral("\u201C%1\u201D could not be written: %2.").arg(name, reason));
        return false;
    }
    return true;
}

bool makeFolderInside(const QString& root, const QString& path, QString* error)
{
    if (!resolvesInside(root, path)) {
        setError(error, QStringLiteral("\u201C%1\u201D leads out of the project, so nothing is made there.").arg(shownName(root, path)));
        return false;
    }
    const EntryKind kind = entryKindInside(root, path);
    if (kind == EntryKind::Folder)
        return true;
    if (kind != EntryKind::Missing) {
        setError(error, QStringLiteral("\u201C%1\u201D is not a folder.").arg(shownName(root, path)));
        return false;
    }
    // Every part that exists resolves inside; what is missing is made one folder at a time,
    // so that a part made meanwhile as a link is not gone through.
    const std::optional<QString> realRoot = realPath(root);
    QStringList missing;
    QString current = clean(path);
    while (!realPath(current)) {
        missing.prepend(QFileInfo(current).fileName());
        current = QFileInfo(current).path();
    }
    QString made = *realPath(current);
    for (const QString& part : missing) {
        made += QLatin1Char('/') + part;
        if (::mkdir(encoded(made).constData(), 0777) != 0 && errno != EEXIST) {
            setError(error, QStringLiteral("\u201C%1\u201D could not be made: %2.").arg(shownName(root, path), fileErrorText(errno)));
            return false;
        }
        const std::optional<QString> real = realPath(made);
        if (!real || !realRoot || !isUnder(*realRoot, *real) || entryKindInside(root, *real) != EntryKind::Folder) {
            setError(error, QStringLiteral("\u201C%1\u201D leads out of the project, so nothing is made there.").arg(shownName(root, path)));
            return false;
        }
    }
    return true;
}

bool replaceFileAtomically(const QString& target, const QByteArray& bytes, QString* error)
{
    const QFileInfo info(target);
    const QString folder = info.path();
    struct stat existing {};
    const bool keepMode = ::lstat(encoded(target).constData(), &existing) == 0 && S_ISREG(existing.st_mode);

    QString temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = QStringLiteral("%1/.%2.%3").arg(folder, info.fileName())
                        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        fd = ::open(encoded(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        setError(error, fileErrorText(errno));
        return false;
    }
    auto fail = [&](int reason) {
        ::close(fd);
        ::unlink(encoded(temporary).constData());
        setError(error, fileErrorText(reason));
        return false;
    };
    // A disk that is full may accept the writes and refuse only the sync: both are checked
    // before the old file is touched, so a failure leaves it as it was.
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        return fail(errno);
    if (keepMode && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int reason = errno;
        ::unlink(encoded(temporary).constData());
        setError(error, fileErrorText(reason));
        return false;
    }
    if (::rename(encoded(temporary).constData(), encoded(target).constData()) != 0) {
        const int reason = errno;
        ::unlink(encoded(temporary).constData());
        setError(error, fileErrorText(reason));
        return false;
    }
    return true;
}

} // namespace platform
