#include "document/ProjectFolder.h"

#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <unistd.h>

namespace ProjectFolder {

namespace {
QString join(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

bool existsOrIsLink(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Copies one item without following a symbolic link at its top: a link is re-created with
// its own target text, so a link loop in a project is copied as the loop it is.
bool copyOne(const QString& from, const QString& to, QString* error)
{
    const QFileInfo info(from);
    if (info.isSymLink()) {
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink(QFile::encodeName(from).constData(), target.data(), size_t(target.size()));
        if (length < 0 || ::symlink(QByteArray(target.constData(), length).constData(), QFile::encodeName(to).constData()) != 0) {
            *error = QStringLiteral("Could not copy the link \u201C%1\u201D to \u201C%2\u201D: %3")
                         .arg(from, to, QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        return true;
    }
    if (!platform::copyItem(from, to, false)) {
        *error = QStringLiteral("Could not copy \u201C%1\u201D to \u201C%2\u201D").arg(from, to);
        return false;
    }
    return true;
}

} // namespace

QString documentVersionInfoPath(const QString& projectPath)
{
    return join(projectPath, QStringLiteral("zelvor/version"));
}

int documentVersion(const QString& projectPath)
{
    // A few digits; a file far larger, or one that is no file of the project, is no version.
    const std::optional<QByteArray> bytes = platform::readFileInside(projectPath, documentVersionInfoPath(projectPath), nullptr, 4096);
    if (!bytes)
        return -1;
    const QString text = QString::fromUtf8(*bytes).trimmed();
    bool isNumber = false;
    const int version = text.toInt(&isNumber, 10);
    return isNumber ? version : 0;
}

bool writeDocumentVersion(const QString& projectPath)
{
    return writeDocumentVersion(projectPath, documentCurrentVersion);
}

bool writeDocumentVersion(const QString& projectPath, int version, QString* error)
{
    // Written whole or not at all: a version file cut short by a full disk would read as an
    // old project and offer an upgrade it does not need.
    return platform::writeFileInside(projectPath, documentVersionInfoPath(projectPath), QByteArray::number(version), error);
}

void copyFilesFrom(const QString& source, const QString& target, bool recursive, bool replace,
                   QStringList* errors)
{
    // A link where a folder is expected is left alone: what it points at is not the project's.
    if (QFileInfo(target).isSymLink())
        return;
    if (!existsOrIsLink(target))
        QDir().mkdir(target);
    const QDir dir(source);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::NoSort);
    for (const QString& name : names) {
        const QString from = join(source, name);
        const QString to = join(target, name);
        const QFileInfo info(from);
        if (!info.isSymLink() && !info.isDir() && !info.isFile()) {
            // A pipe would block the copy for good, and a device is nothing to copy.
            platform::Log::warning(QStringLiteral("ProjectFolder"), QStringLiteral("%1 is not a regular file; it is not copied").arg(from));
            continue;
        }
        if (recursive && info.isDir() && !info.isSymLink()) {
            // A file (or a link) standing where the template has a folder is left alone.
            if (existsOrIsLink(to) && (!QFileInfo(to).isDir() || QFileInfo(to).isSymLink()))
                continue;
            copyFilesFrom(from, to, recursive, replace, errors);
            continue;
        }
        if (existsOrIsLink(to)) {
            if (!replace)
                continue;
            if (QFileInfo(to).isDir() && !QFileInfo(to).isSymLink())
                continue; // a replace never removes a folder
            QFile::remove(to);
        }
        QString error;
        if (!copyOne(from, to, &error) && errors)
            errors->append(error);
    }
}

Creation createProjectAtPath(const QString& path, const std::optional<QString>& content,
                             const QString& templatePath)
{
    Creation result;
    result.created = !existsOrIsLink(path);
    if (result.created && !QDir().mkpath(path))
        result.errors.append(QStringLiteral("Could not create the folder \u201C%1\u201D").arg(path));
    if (existsOrIsLink(path) && !QFileInfo(path).isDir())
        result.errors.append(QStringLiteral("\u201C%1\u201D is not a folder").arg(path));

    if (templatePath.isEmpty() || !QFileInfo(templatePath).isDir())
        result.errors.append(QStringLiteral("The project template is missing (\u201C%1\u201D)")
                                 .arg(templatePath.isEmpty() ? QStringLiteral("ZelvorTemplate") : templatePath));
    else if (QFileInfo(path).isDir())
        copyFilesFrom(templatePath, path, true, false, &result.errors);

    if (content && QFileInfo(path).isDir()) {
        const QString program = join(path, QStringLiteral("app.coffee"));
        QString reason;
        if (platform::writeFileInside(path, program, content->toUtf8(), &reason)) {
            result.programWritten = true;
        } else {
            const bool writable = QFileInfo(path).isWritable();
            result.errors.append(QStringLiteral("Could not write \u201C%1\u201D: %2")
                                     .arg(program, !writable ? QStringLiteral("the folder is not writable") : reason));
        }
    } else if (content) {
        result.errors.append(QStringLiteral("Could not write \u201C%1/app.coffee\u201D: no project folder").arg(path));
    }
    result.ok = result.errors.isEmpty();
    return result;
}

QStringList addTouchIconsToProject(const QString& projectPath, const QString& iconsFolder, int variant)
{
    QStringList errors;
    for (const int size : touchIconSizes) {
        const QString source = join(iconsFolder, QStringLiteral("%1-%2.png").arg(size).arg(variant));
        const QString target = join(projectPath, QStringLiteral("zelvor/images/icon-%1.png").arg(size));
        if (!platform::resolvesInside(projectPath, QFileInfo(target).path())) {
            errors.append(QStringLiteral("\u201Czelvor/images\u201D leads out of the project; no icons are put there"));
            break;
        }
        if (existsOrIsLink(target))
            QFile::remove(target);
        if (!QFile::copy(source, target))
            errors.append(QStringLiteral("Could not copy the icon \u201C%1\u201D to \u201C%2\u201D").arg(source, target));
    }
    return errors;
}

QString upgradeCopyName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("-update([0-9]*)$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return name + QStringLiteral("-update");
    const QString digits = match.captured(1);
    if (digits.isEmpty())
        return name + QStringLiteral("2");
    bool ok = false;
    const qlonglong number = digits.toLongLong(&ok);
    return name.left(match.capturedStart(1)) + QString::number((ok ? number : 1) + 1);
}

QString backupFileName(const QDateTime& launchDate)
{
    return QStringLiteral("backup-%1.coffee").arg(launchDate.toSecsSinceEpoch());
}

QStringList pruneBackups(const QString& folder, int keep)
{
    // Only a folder of the project's own: through a link, the oldest files of any folder would go.
    if (QFileInfo(folder).isSymLink())
        return {};
    QFileInfoList items = QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    // Oldest first; Linux file systems often keep no creation date, the modification time is
    // what tells the backups apart. Equal times fall back to the name, for a stable order.
    std::sort(items.begin(), items.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime ta = a.lastModified(), tb = b.lastModified();
        return ta != tb ? ta < tb : a.fileName() < b.fileName();
    });
    QStringList removed;
    for (qsizetype i = 0; i + keep < items.size(); ++i) {
        const QString path = items.at(i).filePath();
        const bool gone = items.at(i).isDir() && !items.at(i).isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
        if (gone)
            removed.append(path);
    }
    return removed;
}

QString openingProblem(const QString& projectPath)
{
    const QString name = QFileInfo(projectPath).fileName();
    switch (platform::entryKindInside(projectPath, join(projectPath, QStringLiteral("app.coffee")))) {
    case platform::EntryKind::Outside:
        return QStringLiteral("The program \u201Capp.coffee\u201D of \u201C%1\u201D is a link to a file outside the project. "
                              "The project is not opened, so that nothing outside it is shown or overwritten.").arg(name);
    case platform::EntryKind::Special:
        return QStringLiteral("The program \u201Capp.coffee\u201D of \u201C%1\u201D is not a regular file (it is a pipe, device "
                              "or socket), so the project is not opened.").arg(name);
    case platform::EntryKind::File:
        if (QFileInfo(join(projectPath, QStringLiteral("app.coffee"))).size() > maximumProgramSize)
            return QStringLiteral("The program \u201Capp.coffee\u201D of \u201C%1\u201D is larger than %2 MB, far too large for the editor, "
                                  "so the project is not opened.").arg(name).arg(maximumProgramSize >> 20);
        break;
    default:
        break;
    }
    if (platform::entryKindInside(projectPath, join(projectPath, QStringLiteral("zelvor"))) == platform::EntryKind::Outside)
        return QStringLiteral("The folder \u201Czelvor\u201D of \u201C%1\u201D is a link to a folder outside the project. "
                              "The project is not opened, so that nothing outside it is overwritten.").arg(name);
    return {};
}

bool isSameOrInside(const QString& path, const QString& folder)
{
    const QString a = platform::resolvedPath(path), b = platform::resolvedPath(folder);
    return a == b || a.startsWith(b + QLatin1Char('/'));
}

bool isSameFolder(const QString& path, const QString& other)
{
    return platform::resolvedPath(path) == platform::resolvedPath(other);
}

bool isProjectFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && (info.suffix() == QLatin1String("zelvor") || existsOrIsLink(join(path, QStringLiteral("app.coffee"))));
}

QString newProjectPathInside(const QString& folder)
{
    QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    if (name.isEmpty())
        name = QStringLiteral("Untitled");
    for (int number = 1;; ++number) {
        const QString candidate = join(folder, (number == 1 ? name : QStringLiteral("%1 %2").arg(name).arg(number)) + QStringLiteral(".zelvor"));
        if (!existsOrIsLink(candidate) || isProjectFolder(candidate))
            return candidate;
    }
}

QString saveTargetProblem(const QString& target, const QString& ownPath, const QString& workingPath,
                          bool openElsewhere)
{
    if (target == ownPath)
        return {};
    if (!ownPath.isEmpty() && isSameOrInside(target, ownPath))
        return QStringLiteral("A project cannot be saved inside its own folder.");
    // Making room would move the project itself to the Trash, before it is copied.
    if (isSameOrInside(workingPath, target))
        return QStringLiteral("A project cannot be saved over a folder that holds it.");
    // Two windows would then write one folder, each over the other's work.
    if (openElsewhere)
        return QStringLiteral("\u201C%1\u201D is open in another window. Close that window first, or choose another name.")
            .arg(QFileInfo(target).fileName());
    return {};
}

} // namespace ProjectFolder
