#include "app/links/RBDocumentURLManager.h"

#include "app/links/LinkGrammar.h"
#include "document/RBProgressWindowController.h"
#include "platform/Dispatch.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/SafeUnzip.h"
#include "platform/SerialQueue.h"
#include "platform/StringExtras.h"
#include "platform/gui/Alert.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressBar>
#include <QPushButton>
#include <QStringDecoder>
#include <QUuid>
#include <QVBoxLayout>

namespace {

const QString kDomain = QStringLiteral("RBDocumentURLManager");
const QString kNoProject = QStringLiteral("The zip archive did not contain a zelvor project.");

QString quoted(const QString& text)
{
    return QStringLiteral("\u201C%1\u201D").arg(text);
}

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 0, QLocale::DataSizeSIFormat);
}

// The project folders in an unpacked archive, in a stable order: folders named "*.zelvor" that
// are real folders (never a link, which could lead anywhere), outside the resource-fork copies
// some archivers add, and not inside another project (an example kept in a project is not what
// the link shares).
QStringList projectFolders(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        if (info.isSymLink() || info.suffix() != QLatin1String("zelvor"))
            continue;
        const QString relative = QDir(root).relativeFilePath(path);
        if (relative.startsWith(QStringLiteral("__MACOSX/")))
            continue;
        found << path;
    }
    found.sort();
    QStringList outermost;
    for (const QString& path : found) {
        const bool nested = std::any_of(found.cbegin(), found.cend(), [&path](const QString& other) {
            return path.startsWith(other + QLatin1Char('/'));
        });
        if (!nested)
            outermost << path;
    }
    return outermost;
}

// Why a finished request failed, in words for the user; empty when it did not. Our own reason
// for aborting it comes first, then the server's status, then the transfer's error (a transfer
// time-out reads as an abort too).
QString failureOf(QNetworkReply* reply, const QString& abortReason, const QString& what)
{
    if (!abortReason.isEmpty())
        return abortReason;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && status != 200)
        return QStringLiteral("The server answered with status %1 instead of %2.").arg(status).arg(what);
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("The server at %1 stopped answering.").arg(reply->url().host());
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    return {};
}

// A link that stays inside the unpacked archive can still reach the user's own files once the
// project sits in Downloads ("../notes.txt" then names the notes beside it): every link of the
// project that does not lead to a file inside the project itself is dropped before it moves.
void removeLinksLeadingOutside(const QString& project)
{
    const QString inside = QFileInfo(project).canonicalFilePath() + QLatin1Char('/');
    QDirIterator it(project, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo link(it.next());
        if (!link.isSymLink())
            continue;
        const QString target = link.canonicalFilePath(); // empty when it leads nowhere
        if (target.isEmpty() || !target.startsWith(inside))
            QFile::remove(link.filePath());
    }
}

struct UnpackResult {
    QString project; // the copy in Downloads
    QString title;
    QString error;
};

UnpackResult unpackProject(const QString& zipPath, const QString& downloads, const QString& linkDigest,
                           const std::atomic<bool>& cancel)
{
    UnpackResult result;
    const QString folder = QDir::tempPath() + QLatin1Char('/')
                           + QUuid::createUuid().toString(QUuid::WithoutBraces) + linkDigest;
    QDir(folder).removeRecursively();
    const platform::UnzipResult unzipped = platform::safeUnzip(zipPath, folder, {}, &cancel);
    if (!unzipped.ok()) {
        result.title = QStringLiteral("Unzip Error");
        result.error = unzipped.message;
    } else {
        platform::Log::info(kDomain, QStringLiteral("Successfully unzipped to %1").arg(folder));
        const QStringList projects = projectFolders(folder);
        if (projects.isEmpty()) {
            result.title = QStringLiteral("Unzip Error");
            result.error = kNoProject;
        } else {
            const QString source = projects.last();
            removeLinksLeadingOutside(source);
            const QString target = platform::suggestFilenameAtPath(downloads + QLatin1Char('/') + QFileInfo(source).fileName());
            // The unpacked folder is removed next, so moving it out is as good as copying it,
            // and much faster when both folders are on one file system.
            if (QDir().rename(source, target) || platform::copyItem(source, target, false, platform::LinksInCopy::Keep)) {
                result.project = target;
            } else {
                QDir(target).removeRecursively();
                result.title = QStringLiteral("Unzip Error");
                result.error = QStringLiteral("The project could not be copied to %1.").arg(quoted(target));
            }
        }
    }
    QDir(folder).removeRecursively();
    return result;
}

} // namespace

RBDocumentURLManager::RBDocumentURLManager(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_network(new QNetworkAccessManager(this))
{
    // Nothing is kept between links: each link is fetched afresh.
    m_network->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

RBDocumentURLManager::~RBDocumentURLManager()
{
    // Stop unzip first: the queue's destructor waits for the job.
    m_cancelUnpack->store(true);
    if (m_operation) {
        m_cancelled = true;
        m_operation->abort();
    }
    m_unpackQueue.reset();
}

void RBDocumentURLManager::openUrl(const QString& link)
{
    m_link = link;
    m_progress = new RBProgressWindowController(this);
    m_progress->window()->setWindowTitle(QStringLiteral("Opening Link"));
    m_urlTextField = new QLineEdit(m_progress->window());
    m_urlTextField->setObjectName(QStringLiteral("urlTextField"));
    m_urlTextField->setReadOnly(true);
    m_urlTextField->setText(link.left(LinkGrammar::kMaxLinkLength));
    m_urlTextField->setCursorPosition(0);
    if (auto* layout = qobject_cast<QVBoxLayout*>(m_progress->window()->layout()))
        layout->insertWidget(0, m_urlTextField);
    connect(m_progress, &RBProgressWindowController::cancelled, this, &RBDocumentURLManager::cancel);
    m_progress->show();

    const LinkGrammar::Link parsed = LinkGrammar::parse(link, m_options.gistHost);
    switch (parsed.kind) {
    case LinkGrammar::Kind::Zip:
        return downloadZip(parsed.address);
    case LinkGrammar::Kind::Gist:
        if (LinkGrammar::isShortGistId(parsed.gistId) || !LinkGrammar::isPlainGistPart(parsed.gistId)
            || !LinkGrammar::isPlainGistPart(parsed.gistUser))
            return fail(QStringLiteral("Not a valid gist url"),
                        QStringLiteral("This does not look like a valid gist url. It should be in the form of ")
                            + LinkGrammar::exampleGistLink(m_options.gistHost));
        return fetchGist(LinkGrammar::gistRawAddress(m_options.gistRawURL, parsed.gistUser, parsed.gistId));
    case LinkGrammar::Kind::Invalid:
        return fail(QStringLiteral("Link Error"),
                    QStringLiteral("Zelvor Studio cannot process the link. Make sure the link points to a zip file or a "
                                   "GitHub gist link."),
                    QStringLiteral("Cancel"));
    }
}

void RBDocumentURLManager::guardRedirects(QNetworkReply* reply)
{
    // Only on to other web addresses: a link must not lead the application to files or other
    // protocols.
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& url) {
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
            Q_EMIT reply->redirectAllowed();
            return;
        }
        m_abortReason = QStringLiteral("The link leads on to %1, which is not a web address.").arg(quoted(url.toString()));
        reply->abort();
    });
}

void RBDocumentURLManager::downloadZip(const QUrl& address)
{
    const QString folder = m_options.downloadsFolder;
    QDir().mkpath(folder);
    const QString name = LinkGrammar::downloadFileName(address);
    // Never over an existing file: take a free name, and let the file system refuse a name
    // that was taken in the meantime.
    m_file = std::make_unique<QFile>();
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_file->setFileName(platform::suggestFilenameAtPath(folder + QLatin1Char('/') + name));
        if (m_file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
    }
    if (!m_file->isOpen())
        return fail(QStringLiteral("Download Error"),
                    QStringLiteral("The archive cannot be saved in %1: %2").arg(quoted(folder), m_file->errorString()));
    m_downloadPath = m_file->fileName();
    platform::Log::info(kDomain, QStringLiteral("Downloading to %1").arg(m_downloadPath));

    QNetworkRequest request(address);
    request.setTransferTimeout(m_options.timeoutMs);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = m_network->get(request);
    m_operation = reply;
    m_received = 0;
    guardRedirects(reply);
    auto tooLarge = [this] {
        return QStringLiteral("The linked archive is larger than %1.").arg(sizeText(m_options.maxDownloadBytes));
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply, tooLarge] {
        bool known = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > m_options.maxDownloadBytes) {
            m_abortReason = tooLarge();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, tooLarge] {
        const QByteArray bytes = reply->readAll();
        m_received += bytes.size();
        if (m_received > m_options.maxDownloadBytes) {
            m_abortReason = tooLarge();
            reply->abort();
        } else if (m_file->write(bytes) != bytes.size()) {
            m_abortReason = QStringLiteral("The archive cannot be written to %1: %2").arg(quoted(m_downloadPath), m_file->errorString());
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            updateProgress(double(received) / double(total));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { zipDownloaded(reply); });
}

void RBDocumentURLManager::zipDownloaded(QNetworkReply* reply)
{
    reply->deleteLater();
    m_operation = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = reply->error() == QNetworkReply::NoError && m_abortReason.isEmpty();
    if (ok && m_file->isOpen()) {
        const QByteArray rest = reply->readAll();
        if (m_file->write(rest) != rest.size())
            m_abortReason = QStringLiteral("The archive cannot be written to %1: %2").arg(quoted(m_downloadPath), m_file->errorString());
    }
    const bool flushed = m_file->flush();
    m_file->close();
    if (m_cancelled || !ok || !flushed || !m_abortReason.isEmpty() || status != 200) {
        // Nothing half downloaded or an error page stays behind in Downloads.
        QFile::remove(m_downloadPath);
        if (m_cancelled)
            return;
        QString message = failureOf(reply, m_abortReason, QStringLiteral("the archive"));
        if (message.isEmpty())
            message = QStringLiteral("The archive cannot be written to %1.").arg(quoted(m_downloadPath));
        m_downloadPath.clear();
        return fail(QStringLiteral("Download Error"), message);
    }
    platform::Log::info(kDomain, QStringLiteral("Successfully downloaded file to %1").arg(m_downloadPath));
    if (m_progress)
        m_progress->setIndeterminate();
    unpack();
}

void RBDocumentURLManager::unpack()
{
    if (!m_unpackQueue)
        m_unpackQueue = std::make_unique<platform::SerialQueue>(QStringLiteral("link.unpack"));
    const QString zipPath = m_downloadPath;
    const QString downloads = m_options.downloadsFolder;
    const QString digest = platform::MD5String(QString(m_link).replace(QStringLiteral("zelvor://"), QStringLiteral("http://"), Qt::CaseInsensitive));
    auto cancel = m_cancelUnpack;
    QPointer<RBDocumentURLManager> self(this);
    m_unpackQueue->async([=] {
        const UnpackResult result = unpackProject(zipPath, downloads, digest, *cancel);
        platform::dispatchMain([self, result, cancel] {
            if (!self || cancel->load()) {
                if (!result.project.isEmpty() && cancel->load())
                    QDir(result.project).removeRecursively();
                return;
            }
            if (!result.error.isEmpty())
                return self->fail(result.title, result.error);
            if (self->m_progress)
                self->m_progress->close();
            if (self->m_options.openProject)
                self->m_options.openProject(result.project);
            self->succeed();
        });
    });
}

void RBDocumentURLManager::fetchGist(const QUrl& address)
{
    QNetworkRequest request(address);
    request.setTransferTimeout(m_options.timeoutMs);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = m_network->get(request);
    m_operation = reply;
    guardRedirects(reply);
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (received > m_options.maxGistBytes || total > m_options.maxGistBytes) {
            m_abortReason = QStringLiteral("The gist is larger than %1, too large for a program.").arg(sizeText(m_options.maxGistBytes));
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { gistFetched(reply); });
}

void RBDocumentURLManager::gistFetched(QNetworkReply* reply)
{
    reply->deleteLater();
    m_operation = nullptr;
    if (m_cancelled)
        return;
    QString message = failureOf(reply, m_abortReason, QStringLiteral("the gist"));
    QString text;
    if (message.isEmpty()) {
        const QByteArray bytes = reply->readAll();
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder(bytes);
        if (bytes.contains('\0') || decoder.hasError())
            message = QStringLiteral("The gist is not text, so it cannot be a program.");
    }
    if (!message.isEmpty()) {
        platform::Log::error(kDomain, QStringLiteral("Error: %1").arg(message));
        return fail(QStringLiteral("The gist could not be opened."), message);
    }
    if (m_progress)
        m_progress->close();
    if (m_options.openProgram)
        m_options.openProgram(text);
    succeed();
}

void RBDocumentURLManager::cancel()
{
    m_cancelled = true;
    m_cancelUnpack->store(true);
    if (m_operation) {
        m_abortReason = QStringLiteral("cancelled");
        m_operation->abort();
    }
    if (m_progress)
        m_progress->close();
    Q_EMIT closed();
}

void RBDocumentURLManager::updateProgress(double fraction)
{
    if (m_progress)
        m_progress->setProgress(fraction);
}

void RBDocumentURLManager::fail(const QString& title, const QString& message, const QString& button)
{
    platform::Log::error(kDomain, QStringLiteral("%1: %2 (%3)").arg(title, message, m_link.left(200)));
    if (m_progress) {
        // The window says what went wrong behind the alert, and goes with it.
        m_progress->setMessage(title + QStringLiteral(": ") + message);
        m_progress->progressIndicator()->setRange(0, 1);
        m_progress->progressIndicator()->setValue(0);
        m_progress->cancelButton()->setText(QStringLiteral("Close"));
    }
    platform::Alert alert;
    alert.setMessageText(title);
    alert.setInformativeText(message);
    alert.addButton(button);
    alert.runModal();
    if (m_progress)
        m_progress->close();
    Q_EMIT finished(message);
    Q_EMIT closed();
}

void RBDocumentURLManager::succeed()
{
    Q_EMIT finished(QString());
    Q_EMIT closed();
}
