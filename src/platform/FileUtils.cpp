#include "platform/FileUtils.h"

#include "platform/ContainedFiles.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    // A link of the user's own (a settings file kept elsewhere) is written through, as the
    // user meant; only files of a project are written without following links.
    const QFileInfo info(path);
    const QString resolved = info.isSymLink() ? info.canonicalFilePath() : QString();
    return replaceFileAtomically(resolved.isEmpty() ? path : resolved, bytes, error);
}

bool writeTextAtomically(const QString& path, const QString& text, QString* error)
{
    return writeFileAtomically(path, text.toUtf8(), error);
}

QByteArray readFile(const QString& path, bool* ok)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? file.readAll() : QByteArray();
}

QString readTextFile(const QString& path, bool* ok)
{
    return QString::fromUtf8(readFile(path, ok));
}

bool copyItem(const QString& from, const QString& to, bool overwrite, LinksInCopy links)
{
    const QFileInfo source(from);
    if (links == LinksInCopy::Keep && source.isSymLink()) {
        if (QFileInfo(to).isSymLink() || QFileInfo::exists(to)) {
            if (!overwrite)
                return false;
            QFile::remove(to);
        }
        char target[4096];
        const ssize_t length = ::readlink(QFile::encodeName(from).constData(), target, sizeof target);
        return length > 0 && size_t(length) < sizeof target
               && ::symlink(QByteArray(target, int(length)).constData(), QFile::encodeName(to).constData()) == 0;
    }
    if (!source.exists())
        return false;
    if (!source.isDir()) {
        if (QFileInfo::exists(to)) {
            if (!overwrite)
                return false;
            QFile::remove(to);
        }
        QDir().mkpath(QFileInfo(to).absolutePath());
        return QFile::copy(from, to);
    }
    bool ok = QDir().mkpath(to);
    const QDir dir(from);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (!entry.isDir() && QFileInfo::exists(target) && !overwrite)
            continue; // keep what is there
        ok = copyItem(entry.filePath(), target, overwrite, links) && ok;
    }
    return ok;
}

namespace {
QString trashHome()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/Trash");
}

// The device of the path, or of its nearest existing parent folder.
bool deviceOf(QString path, dev_t* device)
{
    struct stat st {};
    while (!path.isEmpty()) {
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
            *device = st.st_dev;
            return true;
        }
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    return false;
}

// The trash for an item: the home trash when the item lies on the home trash's file system,
// else "$topdir/.Trash-$uid" at the top of the item's own mount, as the freedesktop.org trash
// standard lays down; an item is never copied across file systems to be trashed.
QString trashFor(const QString& absolutePath)
{
    const QString home = trashHome();
    dev_t homeDevice = 0, itemDevice = 0;
    const QString parent = QFileInfo(absolutePath).path();
    if (!deviceOf(home, &homeDevice) || !deviceOf(parent, &itemDevice) || homeDevice == itemDevice)
        return home;
    QString top = parent;
    for (;;) {
        const QString up = QFileInfo(top).path();
        dev_t upDevice = 0;
        if (up == top || !deviceOf(up, &upDevice) || upDevice != itemDevice)
            break;
        top = up;
    }
    const QString trash = (top == QStringLiteral("/") ? QString() : top) + QStringLiteral("/.Trash-%1").arg(::getuid());
    if (!QFileInfo(trash).isDir() && ::mkdir(QFile::encodeName(trash).constData(), 0700) != 0)
        return home;
    return trash;
}
} // namespace

QString moveToTrash(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    const QString trash = trashFor(info.absoluteFilePath());
    if (!QDir().mkpath(trash + QStringLiteral("/files")) || !QDir().mkpath(trash + QStringLiteral("/info")))
        return {};

    // The name in the trash must be unique; the .trashinfo file is created first and exclusively
    // so that two programs never pick the same name.
    const QString baseName = info.fileName();
    for (int n = 0; n < 10000; ++n) {
        const QString name = n == 0 ? baseName : QStringLiteral("%1.%2").arg(baseName).arg(n);
        const QString infoPath = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        const QString filesPath = trash + QStringLiteral("/files/") + name;
        if (QFileInfo::exists(filesPath))
            continue;
        QFile record(infoPath);
        if (!record.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            continue;
        const QByteArray encodedPath = QUrl::toPercentEncoding(info.absoluteFilePath(), "/");
        record.write("[Trash Info]\nPath=" + encodedPath + "\nDeletionDate="
                     + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() + "\n");
        record.close();
        if (QFile::rename(info.absoluteFilePath(), filesPath) || QDir().rename(info.absoluteFilePath(), filesPath))
            return filesPath;
        QFile::remove(infoPath);
        return {};
    }
    return {};
}

QString resolvedPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QString md5OfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

QString suggestFilenameAtPath(const QString& path)
{
    if (!QFileInfo::exists(path))
        return path;
    const QFileInfo info(path);
    const QString folder = info.path();
    const QString extension = info.suffix();
    const QString stem = extension.isEmpty() ? info.fileName() : info.completeBaseName();
    auto numbered = [&](int n) {
        QString name = QStringLiteral("%1 (%2)").arg(stem).arg(n);
        if (!extension.isEmpty())
            name += QLatin1Char('.') + extension;
        return folder + QLatin1Char('/') + name;
    };
    for (int n = 1; n < 512; ++n) {
        const QString candidate = numbered(n);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return numbered(512);
}

} // namespace platform
