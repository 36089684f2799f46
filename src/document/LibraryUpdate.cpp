#include "document/LibraryUpdate.h"

#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QRegularExpression>
#include <QUrl>


namespace {

const QString kDomain = QStringLiteral("LibraryUpdate");
const QString kMarker = QStringLiteral("#{number}");
// The library is a few hundred kilobytes; anything far larger is not it.
constexpr qint64 kMaxFileSize = qint64(32) << 20;

QString quoted(const QString& text)
{
    return QStringLiteral("\u201C%1\u201D").arg(text);
}

} // namespace

QStringList LibraryUpdate::fileNames()
{
    return {QStringLiteral("zelvor.js"), QStringLiteral("zelvor.js.map")};
}

LibraryUpdate::LibraryUpdate(QString projectFolder, QString serverURL, QString shippedFolder, QObject* parent)
    : QObject(parent)
    , m_projectFolder(std::move(projectFolder))
    , m_serverURL(std::move(serverURL))
    , m_shippedFolder(std::move(shippedFolder))
{
    while (m_serverURL.endsWith(QLatin1Char('/')))
        m_serverURL.chop(1);
}

LibraryUpdate::~LibraryUpdate() = default;

void LibraryUpdate::start(std::function<void(const LibraryUpdateOutcome&)> done)
{
    m_done = std::move(done);
    if (m_serverURL.isEmpty()) {
        // Without a build server the newest library is the one this application ships.
        for (const QString& name : fileNames()) {
            bool ok = false;
            const QByteArray bytes = platform::readFile(m_shippedFolder + QLatin1Char('/') + name, &ok);
            if (!ok)
                return fail(QStringLiteral("The library that comes with Zelvor Studio is missing (%1).").arg(quoted(name)));
            m_files.append({name, bytes});
        }
        // Answer after the caller has shown its progress, as a download would.
        QMetaObject::invokeMethod(this, [this] { finish(QString()); }, Qt::QueuedConnection);
        return;
    }
    m_network = new QNetworkAccessManager(this);
    fetchNext();
}

void LibraryUpdate::fetchNext()
{
    const QString name = fileNames().at(m_files.size());
    QNetworkRequest request(QUrl(m_serverURL + QStringLiteral("/latest/") + name));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxFileSize) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { received(reply); });
}

void LibraryUpdate::received(QNetworkReply* reply)
{
    reply->deleteLater();
    const QString name = fileNames().at(m_files.size());
    const QString address = reply->url().toString();
    const QByteArray bytes = reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && status != 200) {
        platform::Log::error(kDomain, QStringLiteral("Download error %1: HTTP status %2").arg(address).arg(status));
        return fail(QStringLiteral("The server answered %1 with status %2 instead of the library.").arg(address).arg(status));
    }
    if (reply->error() != QNetworkReply::NoError) {
        platform::Log::error(kDomain, QStringLiteral("Download error %1: %2").arg(address, reply->errorString()));
        const QString reason = reply->property("tooLarge").toBool() ? QStringLiteral("it is far larger than the library")
                               : reply->error() == QNetworkReply::OperationCanceledError
                                   ? QStringLiteral("the server did not answer in time")
                                   : reply->errorString();
        return fail(QStringLiteral("%1 could not be downloaded from %2: %3.").arg(quoted(name), address, reason));
    }
    if (const QString problem = libraryFileProblem(name, bytes); !problem.isEmpty())
        return fail(QStringLiteral("%1 (from %2) %3").arg(quoted(name), address, problem));
    m_files.append({name, bytes});
    if (m_files.size() < fileNames().size())
        fetchNext();
    else
        finish(QString());
}

void LibraryUpdate::fail(const QString& error)
{
    finish(error.isEmpty() ? QStringLiteral("The update stopped for an unknown reason.") : error);
}

void LibraryUpdate::finish(const QString& error)
{
    LibraryUpdateOutcome outcome;
    if (!error.isEmpty()) {
        outcome.error = error;
    } else if (!platform::resolvesInside(QFileInfo(m_projectFolder).path(), m_projectFolder)) {
        // The library folder belongs to the project: through a link out of it, the update would
        // replace files of some other folder.
        outcome.error = QStringLiteral("The folder %1 is a link to a folder outside the project, so its library is not replaced.")
                            .arg(quoted(QFileInfo(m_projectFolder).fileName()));
    } else {
        // The faces come first: an old library ignores them, so a failure there leaves the
        // project with the library it had.
        QStringList fonts;
        if (const QString problem = addLibraryFonts(m_projectFolder, m_shippedFolder, &fonts); !problem.isEmpty()) {
            outcome.error = problem;
        } else {
            outcome = replaceLibraryFiles(m_projectFolder, m_files);
            if (!fonts.isEmpty() && outcome.result == LibraryUpdateOutcome::Result::UpToDate)
                outcome.result = LibraryUpdateOutcome::Result::Updated;
        }
    }
    if (outcome.result == LibraryUpdateOutcome::Result::Failed)
        platform::Log::error(kDomain, outcome.error);
    if (auto done = std::move(m_done))
        done(outcome);
    deleteLater();
}

QString pathForNonexistingFile(const QString& pathTemplate)
{
    QString plain = pathTemplate;
    plain.remove(kMarker);
    if (!QFileInfo::exists(plain) && !QFileInfo(plain).isSymLink())
        return plain;
    QString numbered = pathTemplate;
    if (!numbered.contains(kMarker))
        numbered += kMarker;
    QString candidate;
    for (int number = 1; number <= 100; ++number) {
        candidate = QString(numbered).replace(kMarker, QString::number(number));
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            break;
    }
    return candidate;
}

QString libraryFileProblem(const QString& name, const QByteArray& bytes)
{
    if (bytes.trimmed().isEmpty())
        return QStringLiteral("is empty.");
    if (bytes.size() > kMaxFileSize)
        return QStringLiteral("is far larger than the library.");
    if (bytes.contains('\0'))
        return QStringLiteral("is not text.");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return QStringLiteral("is not UTF-8 text.");
    if (name.endsWith(QStringLiteral(".map"))) {
        const QJsonObject map = QJsonDocument::fromJson(bytes).object();
        if (!map.value(QStringLiteral("mappings")).isString())
            return QStringLiteral("is not a source map.");
        return {};
    }
    // An error page (HTML) is what a misconfigured server most often sends in its place.
    if (text.trimmed().startsWith(QLatin1Char('<')) || !text.contains(QStringLiteral("Zelvor")))
        return QStringLiteral("does not look like the Zelvor library.");
    return {};
}

QString libraryVersion(const QByteArray& library)
{
    static const QRegularExpression pattern(QStringLiteral("ZELVOR_VERSION\\s*=\\s*[\"']([^\"'\\n]{1,40})[\"']"));
    return pattern.match(QString::fromUtf8(library)).captured(1).trimmed();
}

LibraryUpdateOutcome replaceLibraryFiles(const QString& folder, const QList<QPair<QString, QByteArray>>& files)
{
    LibraryUpdateOutcome outcome;
    for (const auto& [name, bytes] : files)
        if (name == QStringLiteral("zelvor.js"))
            outcome.version = libraryVersion(bytes);
    if (!QDir().mkpath(folder)) {
        outcome.error = QStringLiteral("The folder %1 cannot be made.").arg(quoted(folder));
        return outcome;
    }
    // Only a plain file is compared: a link is replaced by the file itself, never read through.
    auto holds = [](const QString& path, const QByteArray& bytes) {
        const QFileInfo info(path);
        if (info.isSymLink() || !info.isFile() || info.size() != bytes.size())
            return false;
        bool ok = false;
        const QByteArray current = platform::readFile(path, &ok);
        return ok && current == bytes;
    };
    struct Step {
        QString target;
        QString aside; // empty when nothing stood there
    };
    QList<Step> done;
    // Undoes the steps taken so far, newest first: the project keeps the library it had.
    auto rollBack = [&done] {
        for (qsizetype i = done.size() - 1; i >= 0; --i) {
            QFile::remove(done[i].target);
            if (!done[i].aside.isEmpty() && !QFile::rename(done[i].aside, done[i].target))
                platform::Log::error(kDomain, QStringLiteral("%1 could not be put back").arg(done[i].target));
        }
    };
    for (const auto& [name, bytes] : files) {
        const QString target = folder + QLatin1Char('/') + name;
        if (holds(target, bytes))
            continue;
        Step step{target, QString()};
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            step.aside = pathForNonexistingFile(target + QStringLiteral(".old") + kMarker);
            if (QFileInfo::exists(step.aside) || !QFile::rename(target, step.aside)) {
                rollBack();
                outcome.error = QStringLiteral("%1 could not be moved aside to %2.").arg(quoted(target), quoted(QFileInfo(step.aside).fileName()));
                return outcome;
            }
        }
        QString reason;
        if (!platform::writeFileAtomically(target, bytes, &reason)) {
            if (!step.aside.isEmpty())
                QFile::rename(step.aside, target);
            rollBack();
            outcome.error = QStringLiteral("%1 could not be written in %2: %3").arg(quoted(name), quoted(folder), reason);
            return outcome;
        }
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        done.append(step);
    }
    outcome.result = done.isEmpty() ? LibraryUpdateOutcome::Result::UpToDate : LibraryUpdateOutcome::Result::Updated;
    for (const Step& step : done)
        if (!step.aside.isEmpty())
            outcome.keptCopies << QFileInfo(step.aside).fileName();
    return outcome;
}

QString addLibraryFonts(const QString& libraryFolder, const QString& shippedFolder, QStringList* written)
{
    const QString shippedFonts = shippedFolder + QStringLiteral("/fonts");
    const QStringList names = QDir(shippedFonts).entryList(QDir::Files, QDir::Name);
    if (names.isEmpty())
        return {}; // a build without them: the page's text uses the system's face
    const QString project = QFileInfo(libraryFolder).path();
    const QString target = libraryFolder + QStringLiteral("/fonts");
    QString reason;
    if (!platform::makeFolderInside(project, target, &reason))
        return QStringLiteral("The folder %1 cannot be made: %2").arg(quoted(target), reason);
    for (const QString& name : names) {
        bool ok = false;
        const QByteArray bytes = platform::readFile(shippedFonts + QLatin1Char('/') + name, &ok);
        if (!ok)
            return QStringLiteral("The font %1 that comes with Zelvor Studio cannot be read.").arg(quoted(name));
        const QString path = target + QLatin1Char('/') + name;
        if (platform::readFileInside(project, path, nullptr, bytes.size()) == bytes)
            continue;
        if (!platform::writeFileInside(project, path, bytes, &reason))
            return QStringLiteral("%1 could not be written in %2: %3").arg(quoted(name), quoted(target), reason);
        if (written)
            written->append(name);
    }
    return {};
}
