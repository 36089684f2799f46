#include "app/UpdateChecker.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
const QString kDomain = QStringLiteral("updates");
constexpr int kTimeoutMs = 30000;
constexpr qint64 kMaxFeedBytes = 64 * 1024;
} // namespace

const QString& UpdateChecker::LastCheckTimeKey()
{
    static const QString key = QStringLiteral("SULastCheckTime");
    return key;
}

const QString& UpdateChecker::SkippedVersionKey()
{
    static const QString key = QStringLiteral("SUSkippedVersion");
    return key;
}

UpdateChecker::UpdateChecker(const QUrl& feedURL, const QString& currentVersion, platform::UserDefaults& defaults,
                             QObject* parent)
    : QObject(parent)
    , m_feedURL(feedURL)
    , m_currentVersion(currentVersion)
    , m_defaults(defaults)
    , m_network(new QNetworkAccessManager(this))
{
    m_presenter = [this](const Result& result) { present(result); };
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply)
        m_reply->abort();
}

void UpdateChecker::setAutomaticallyChecksForUpdates(bool automatic)
{
    m_automatic = automatic;
    if (!automatic)
        m_scheduled.stop();
}

void UpdateChecker::scheduleBackgroundCheck(double seconds)
{
    if (!hasFeed())
        return;
    m_scheduled.start(seconds, [this] { checkForUpdatesInBackground(); });
}

void UpdateChecker::checkForUpdatesInBackground()
{
    startCheck(false);
}

void UpdateChecker::checkForUpdates()
{
    startCheck(true);
}

void UpdateChecker::startCheck(bool userInitiated)
{
    if (!hasFeed())
        return;
    if (m_reply) {
        // One request at a time; a menu check during a background one takes over its answer.
        m_userInitiated = m_userInitiated || userInitiated;
        return;
    }
    m_userInitiated = userInitiated;
    QNetworkRequest request(m_feedURL);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("ZelvorStudio/%1").arg(m_currentVersion));
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > kMaxFeedBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishCheck(reply); });
    Q_EMIT checkStarted(userInitiated);
}

void UpdateChecker::finishCheck(QNetworkReply* reply)
{
    reply->deleteLater();
    m_reply = nullptr;
    Result result;
    result.userInitiated = m_userInitiated;
    result.currentVersion = m_currentVersion;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError) {
        result.error = reply->bytesAvailable() > kMaxFeedBytes || reply->error() == QNetworkReply::OperationCanceledError
                           ? QStringLiteral("The update feed could not be read.")
                           : reply->errorString();
    } else if (status != 200) {
        result.error = QStringLiteral("The update feed answered with status %1.").arg(status);
    } else {
        QString error;
        if (const auto release = parseUpdateFeed(reply->read(kMaxFeedBytes + 1), &error)) {
            result.release = *release;
            result.kind = compareVersions(release->version, m_currentVersion) > 0 ? Result::UpdateAvailable
                                                                                   : Result::UpToDate;
        } else {
            result.error = error;
        }
    }
    if (result.kind == Result::Failed)
        platform::Log::warning(kDomain, QStringLiteral("Update check failed: %1").arg(result.error));
    else
        m_defaults.setObject(LastCheckTimeKey(), QDateTime::currentDateTimeUtc());

    // A background check stays silent unless there is something new the user has not skipped.
    const bool skipped = result.kind == Result::UpdateAvailable
                         && m_defaults.stringForKey(SkippedVersionKey()) == result.release.version;
    const bool show = result.userInitiated || (result.kind == Result::UpdateAvailable && !skipped);
    if (m_automatic)
        scheduleBackgroundCheck(m_interval);
    Q_EMIT checkFinished(result);
    if (show && m_presenter)
        m_presenter(result);
}

void UpdateChecker::present(const Result& result)
{
    platform::Alert alert;
    switch (result.kind) {
    case Result::UpdateAvailable: {
        alert.setAlertStyle(platform::Alert::Informational);
        alert.setMessageText(QStringLiteral("A new version of Zelvor Studio is available!"));
        QString text = QStringLiteral("Zelvor Studio %1 is now available—you have %2. Would you like to download it now?")
                           .arg(result.release.version, result.currentVersion);
        if (!result.release.notes.isEmpty())
            text += QStringLiteral("\n\n") + result.release.notes;
        alert.setInformativeText(text);
        alert.addButton(QStringLiteral("Download"));
        alert.addButton(QStringLiteral("Skip This Version"));
        alert.addButton(QStringLiteral("Remind Me Later"));
        alert.setCancelButton(2);
        const int answer = alert.runModal();
        if (answer == platform::Alert::kFirstButtonReturn)
            QDesktopServices::openUrl(result.release.url);
        else if (answer == platform::Alert::kFirstButtonReturn + 1)
            m_defaults.setString(SkippedVersionKey(), result.release.version);
        break;
    }
    case Result::UpToDate:
        alert.setAlertStyle(platform::Alert::Informational);
        alert.setMessageText(QStringLiteral("You’re up-to-date!"));
        alert.setInformativeText(QStringLiteral("Zelvor Studio %1 is currently the newest version available.")
                                     .arg(result.currentVersion));
        alert.runModal();
        break;
    case Result::Failed:
        alert.setAlertStyle(platform::Alert::Warning);
        alert.setMessageText(QStringLiteral("Update Error!"));
        alert.setInformativeText(QStringLiteral("An error occurred in retrieving update information. Please try again later.\n\n%1")
                                     .arg(result.error));
        alert.runModal();
        break;
    }
}
