#include "platform/SafeUnzip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace platform {

namespace {

const QString kUnzip = QStringLiteral("/usr/bin/unzip");

// An archive may be a few megabytes larger on disk than its entries (folders, block rounding)
// before the watch over the free space calls it a bomb.
constexpr qint64 kDiskSlack = qint64(256) << 20;

QString quoted(const QString& text)
{
    return QStringLiteral("\u201C%1\u201D").arg(text);
}

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 0, QLocale::DataSizeSIFormat);
}

QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

qint64 freeBytes(const QString& path)
{
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(path).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

UnzipResult fail(UnzipError error, QString message)
{
    return UnzipResult{error, std::move(message)};
}

// Empties the destination after a refusal. QDir::removeRecursively removes links, never what
// they point to.
void clear(const QString& destination)
{
    QDir(destination).removeRecursively();
    QDir().mkpath(destination);
}

// Whether a file under the folder has grown to the size limit unzip ran with: an entry that
// unpacks larger than the archive says stops there.
bool holdsFileOfSize(const QString& folder, qint64 size)
{
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink() && it.fileInfo().size() >= size)
            return true;
    }
    return false;
}

// Checks what unzip left: every link resolves inside the folder and not to a folder that holds
// it (a loop for anyone copying the tree), and the files together stay within the limits.
UnzipResult checkUnpacked(const QString& destination, const UnzipLimits& limits, const QString& archiveName)
{
    const QString root = QFileInfo(destination).canonicalFilePath();
    qint64 total = 0;
    int count = 0;
    QDirIterator it(destination, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        ++count;
        if (S_ISLNK(st.st_mode)) {
            const QString target = QFileInfo(path).canonicalFilePath();
            const QString parent = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
            const bool inside = !target.isEmpty() && target.startsWith(root + QLatin1Char('/'));
            const bool loops = QFileInfo(target).isDir() && (parent == target || parent.startsWith(target + QLatin1Char('/')));
            if (!inside || loops)
                return fail(UnzipError::UnsafeLink,
                            QStringLiteral("The zip archive %1 holds a link that points outside its own files: %2.")
                                .arg(quoted(archiveName), quoted(QDir(destination).relativeFilePath(path))));
        } else if (S_ISREG(st.st_mode)) {
            total += st.st_size;
        }
    }
    if (count > limits.maxEntries)
        return fail(UnzipError::TooManyEntries, QStringLiteral("The zip archive %1 holds more than %2 entries.")
                                                    .arg(quoted(archiveName), QLocale::system().toString(limits.maxEntries)));
    if (total > limits.maxUnpackedBytes)
        return fail(UnzipError::TooLarge, QStringLiteral("The zip archive %1 unpacks to more than %2.")
                                              .arg(quoted(archiveName), sizeText(limits.maxUnpackedBytes)));
    return {};
}

} // namespace

std::optional<QList<ZipEntry>> parseZipListing(const QString& listing)
{
    static const QRegularExpression header(QStringLiteral("number of entries: (\\d+)"));
    // permissions, version, system, size, text/binary flag, method, yyyymmdd.hhmmss, name
    static const QRegularExpression line(
        QStringLiteral("^(\\S)\\S*\\s+\\S+\\s+\\S+\\s+(\\d+)\\s+\\S+\\s+\\S+\\s+\\d{8}\\.\\d{6} (.*)$"));
    const QStringList lines = listing.split(QLatin1Char('\n'));
    qint64 expected = -1;
    QList<ZipEntry> entries;
    for (const QString& text : lines) {
        if (expected < 0) {
            const auto match = header.match(text);
            if (match.hasMatch())
                expected = match.captured(1).toLongLong();
            continue;
        }
        const auto match = line.match(text);
        if (!match.hasMatch())
            continue;
        ZipEntry entry;
        entry.name = match.captured(3);
        entry.size = match.captured(2).toLongLong();
        const QChar kind = match.captured(1).at(0);
        entry.isDirectory = kind == QLatin1Char('d') || entry.name.endsWith(QLatin1Char('/'));
        entry.isSymlink = kind == QLatin1Char('l');
        entries.append(entry);
    }
    if (expected < 0 || entries.size() != expected)
        return std::nullopt;
    return entries;
}

bool isUnsafeEntryName(const QString& name)
{
    static const QRegularExpression driveLetter(QStringLiteral("^[A-Za-z]:"));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QChar(0)) || driveLetter.match(name).hasMatch())
        return true;
    const QStringList parts = name.split(QLatin1Char('/'));
    return parts.contains(QStringLiteral(".."));
}

UnzipError checkZipEntries(const QList<ZipEntry>& entries, const UnzipLimits& limits, const QString& archiveName,
                           QString* message)
{
    auto refuse = [&](UnzipError error, const QString& text) {
        if (message)
            *message = text;
        return error;
    };
    if (entries.size() > limits.maxEntries)
        return refuse(UnzipError::TooManyEntries, QStringLiteral("The zip archive %1 holds more than %2 entries.")
                                                      .arg(quoted(archiveName), QLocale::system().toString(limits.maxEntries)));
    qint64 total = 0;
    for (const ZipEntry& entry : entries) {
        if (isUnsafeEntryName(entry.name))
            return refuse(UnzipError::UnsafeEntry,
                          QStringLiteral("The zip archive %1 holds an entry that would be written outside its folder: %2.")
                              .arg(quoted(archiveName), quoted(entry.name)));
        total += entry.size;
        if (entry.size < 0 || total > limits.maxUnpackedBytes)
            return refuse(UnzipError::TooLarge, QStringLiteral("The zip archive %1 unpacks to more than %2.")
                                                    .arg(quoted(archiveName), sizeText(limits.maxUnpackedBytes)));
    }
    return UnzipError::None;
}

UnzipResult safeUnzip(const QString& zipPath, const QString& destination, const UnzipLimits& limits,
                      const std::atomic<bool>* cancel)
{
    const QString archiveName = QFileInfo(zipPath).fileName();
    const QString notAZip = QStringLiteral("The file %1 is not a zip archive.").arg(quoted(archiveName));
    if (!QFileInfo(zipPath).isFile())
        return fail(UnzipError::NotAZip, notAZip);
    QDir dest(destination);
    if (dest.exists() && !dest.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return fail(UnzipError::Failed, QStringLiteral("The folder %1 to unpack into is not empty.").arg(quoted(destination)));
    if (!QDir().mkpath(destination))
        return fail(UnzipError::Failed, QStringLiteral("The folder %1 to unpack into cannot be made.").arg(quoted(destination)));

    // List first: the names and sizes decide whether unzip may write anything at all.
    QProcess list;
    list.setProcessEnvironment(toolEnvironment());
    list.start(kUnzip, {QStringLiteral("-Z"), QStringLiteral("-s"), QStringLiteral("-T"), QStringLiteral("--"), zipPath});
    if (!list.waitForStarted())
        return fail(UnzipError::Failed, QStringLiteral("%1 cannot be started to read %2.").arg(kUnzip, quoted(archiveName)));
    QByteArray listing;
    while (!list.waitForFinished(100)) {
        listing += list.readAllStandardOutput();
        if (cancel && cancel->load()) {
            list.kill();
            list.waitForFinished();
            return fail(UnzipError::Cancelled, QStringLiteral("Unpacking %1 was cancelled.").arg(quoted(archiveName)));
        }
    }
    listing += list.readAllStandardOutput();
    // zipinfo answers 1 for warnings (such as extra bytes before the archive) and still lists it.
    if (list.exitStatus() != QProcess::NormalExit || list.exitCode() > 1)
        return fail(UnzipError::NotAZip, notAZip);
    const auto entries = parseZipListing(QString::fromUtf8(listing));
    if (!entries)
        return fail(UnzipError::NotAZip, notAZip);
    QString message;
    if (const UnzipError error = checkZipEntries(*entries, limits, archiveName, &message); error != UnzipError::None)
        return fail(error, message);

    // No single file may grow beyond the largest size the listing claims: a lying entry is cut
    // off by the kernel (SIGXFSZ) instead of filling the disk.
    qint64 largest = 1;
    for (const ZipEntry& entry : *entries)
        largest = std::max(largest, entry.size);

    QProcess unzip;
    unzip.setProcessEnvironment(toolEnvironment());
    unzip.setProcessChannelMode(QProcess::MergedChannels);
    unzip.setStandardInputFile(QProcess::nullDevice());
    unzip.setChildProcessModifier([largest] {
        struct rlimit limit {};
        limit.rlim_cur = limit.rlim_max = rlim_t(largest);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        // An ignored SIGXFSZ is inherited: without the default action unzip would only see a
        // failed write and ask on its closed input whether to go on.
        ::signal(SIGXFSZ, SIG_DFL);
    });
    // -n: never overwrite (an archive naming a file twice keeps the first); unzip itself also
    // creates links only after every file, so no file is written through a link it unpacked.
    unzip.start(kUnzip, {QStringLiteral("-qq"), QStringLiteral("-n"), QStringLiteral("--"), zipPath,
                         QStringLiteral("-d"), destination});
    if (!unzip.waitForStarted()) {
        clear(destination);
        return fail(UnzipError::Failed, QStringLiteral("%1 cannot be started to unpack %2.").arg(kUnzip, quoted(archiveName)));
    }
    const qint64 freeAtStart = freeBytes(destination);
    QByteArray output;
    while (!unzip.waitForFinished(100)) {
        const QByteArray chunk = unzip.readAll(); // only the first lines are shown
        if (output.size() < 65536)
            output += chunk;
        if (cancel && cancel->load()) {
            unzip.kill();
            unzip.waitForFinished();
            clear(destination);
            return fail(UnzipError::Cancelled, QStringLiteral("Unpacking %1 was cancelled.").arg(quoted(archiveName)));
        }
        const qint64 freeNow = freeBytes(destination);
        if (freeAtStart > 0 && freeNow >= 0 && freeAtStart - freeNow > limits.maxUnpackedBytes + kDiskSlack) {
            unzip.kill();
            unzip.waitForFinished();
            clear(destination);
            return fail(UnzipError::TooLarge, QStringLiteral("The zip archive %1 unpacks to more than %2.")
                                                  .arg(quoted(archiveName), sizeText(limits.maxUnpackedBytes)));
        }
    }
    output += unzip.readAll();
    if (unzip.exitStatus() != QProcess::NormalExit
        || (unzip.exitCode() > 1 && output.contains("write error") && holdsFileOfSize(destination, largest))) {
        clear(destination);
        return fail(UnzipError::TooLarge,
                    QStringLiteral("The zip archive %1 holds an entry larger than it claims; it was not unpacked.")
                        .arg(quoted(archiveName)));
    }
    // 1: warnings only (unzip still unpacked everything it could); above: an error.
    if (unzip.exitCode() > 1) {
        clear(destination);
        const QString reason = QString::fromUtf8(output).trimmed().section(QLatin1Char('\n'), 0, 2);
        return fail(UnzipError::Failed, QStringLiteral("The zip archive %1 could not be unpacked: %2")
                                            .arg(quoted(archiveName), reason.isEmpty() ? QStringLiteral("unzip failed.") : reason));
    }
    UnzipResult result = checkUnpacked(destination, limits, archiveName);
    if (!result.ok())
        clear(destination);
    return result;
}

} // namespace platform
