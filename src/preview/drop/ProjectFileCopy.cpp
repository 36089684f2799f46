#include "preview/drop/ProjectFileCopy.h"

#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace projectfilecopy {

namespace {
Result failure(const QString& target, const QString& message)
{
    return {Outcome::Failed, target, message};
}

// Streams the file so that a large video is not held in memory at once.
bool copyContent(QFile& from, QFile& to)
{
    QByteArray buffer;
    while (!from.atEnd()) {
        buffer = from.read(1 << 20);
        if (buffer.isEmpty() && from.error() != QFile::NoError)
            return false;
        if (to.write(buffer) != buffer.size())
            return false;
    }
    return to.flush();
}
} // namespace

Result copyIntoFolder(const QString& source, const QString& folder, const ReplaceQuestion& mayReplace)
{
    const QFileInfo sourceInfo(source);
    const QString name = sourceInfo.fileName();
    const QString target = QDir(folder).filePath(name);
    if (!sourceInfo.exists())
        return failure(target, QStringLiteral("The file “%1” can no longer be found.").arg(name));
    if (sourceInfo.isDir())
        return failure(target, QStringLiteral("“%1” is a folder, not a file.").arg(name));
    if (!sourceInfo.isFile())
        return failure(target, QStringLiteral("“%1” is not a regular file (it is a pipe, device or socket), so it is not copied.").arg(name));

    // The folder belongs to the project (the folder above it): never one that a link leads to.
    const QFileInfo folderInfo(folder);
    if (!platform::resolvesInside(folderInfo.path(), folder))
        return failure(target, QStringLiteral("The project's “%1” is a link to a folder outside the project, so nothing is copied into it.")
                                   .arg(folderInfo.fileName()));
    if (folderInfo.exists() && !folderInfo.isDir())
        return failure(target, QStringLiteral("The project's “%1” is a file, not a folder.").arg(folderInfo.fileName()));
    if (!folderInfo.exists() && !QDir().mkdir(folder))
        return failure(target, QStringLiteral("The folder “%1” cannot be made in the project.").arg(folderInfo.fileName()));

    const QFileInfo targetInfo(target);
    const bool targetExists = targetInfo.exists() || targetInfo.isSymLink();
    if (targetExists && targetInfo.canonicalFilePath() == sourceInfo.canonicalFilePath())
        return {Outcome::AlreadyThere, target, {}};
    if (targetExists) {
        const QString sourceDigest = platform::md5OfFile(source);
        if (!sourceDigest.isEmpty() && targetInfo.isFile() && sourceDigest == platform::md5OfFile(target))
            return {Outcome::AlreadyThere, target, {}};
        if (!mayReplace || !mayReplace(name))
            return {Outcome::Cancelled, target, {}};
    }

    QFile from(source);
    if (!from.open(QIODevice::ReadOnly))
        return failure(target, QStringLiteral("The file “%1” cannot be read: %2").arg(name, from.errorString()));
    QTemporaryFile temporary(QDir(folder).filePath(QStringLiteral(".%1.XXXXXX").arg(name)));
    if (!temporary.open())
        return failure(target, QStringLiteral("“%1” cannot be copied into the project: %2").arg(name, temporary.errorString()));
    if (!copyContent(from, temporary))
        return failure(target, QStringLiteral("“%1” could not be copied completely into the project.").arg(name));
    temporary.setPermissions(sourceInfo.permissions() | QFile::ReadOwner | QFile::WriteOwner);
    temporary.close();

    if (targetExists && platform::moveToTrash(target).isEmpty())
        return failure(target, QStringLiteral("The project's “%1” could not be moved to the Trash, so it was kept.").arg(name));
    if (!temporary.rename(target)) {
        return failure(target, targetExists
            ? QStringLiteral("“%1” could not be put in place; the project's previous file is in the Trash.").arg(name)
            : QStringLiteral("“%1” could not be put in place: %2").arg(name, temporary.errorString()));
    }
    temporary.setAutoRemove(false);
    return {Outcome::Copied, target, {}};
}

} // namespace projectfilecopy
