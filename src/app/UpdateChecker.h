#pragma once

#include "app/UpdateFeed.h"
#include "platform/Timer.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
namespace platform {
class UserDefaults;
}

// Checks the update feed for a newer release: in the background on a schedule (silent unless
// there is something new that the user has not skipped) and at once from the menu (always
// answers). Without a feed address it checks nothing. Main thread only.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    struct Result {
        enum Kind { UpdateAvailable, UpToDate, Failed };
        Kind kind = Failed;
        bool userInitiated = false;
        QString currentVersion;
        UpdateRelease release; // UpdateAvailable and UpToDate
        QString error;         // Failed
    };
    // Shows a result to the user; the default presents the alerts described in present().
    using Presenter = std::function<void(const Result&)>;

    UpdateChecker(const QUrl& feedURL, const QString& currentVersion, platform::UserDefaults& defaults,
                  QObject* parent = nullptr);
    ~UpdateChecker() override;

    bool hasFeed() const { return m_feedURL.isValid() && !m_feedURL.isEmpty(); }
    QUrl feedURL() const { return m_feedURL; }

    // Seconds between background checks; automatic checks repeat after each one.
    void setUpdateCheckInterval(double seconds) { m_interval = seconds; }
    double updateCheckInterval() const { return m_interval; }
    void setAutomaticallyChecksForUpdates(bool automatic);
    bool automaticallyChecksForUpdates() const { return m_automatic; }

    // A background check after the delay (replacing one already waiting).
    void scheduleBackgroundCheck(double seconds);
    bool isBackgroundCheckScheduled() const { return m_scheduled.isActive(); }
    void checkForUpdatesInBackground();
    // The menu's "Check for Updates…": always tells the outcome.
    void checkForUpdates();
    bool isChecking() const { return m_reply != nullptr; }

    void setPresenter(Presenter presenter) { m_presenter = std::move(presenter); }
    // The default presentation: alerts, "Download" opens the release's address in the browser,
    // "Skip This Version" stops background checks from offering that version again.
    void present(const Result& result);

    // The user default that keeps the time of the last finished check.
    static const QString& LastCheckTimeKey(); // "SULastCheckTime"
    static const QString& SkippedVersionKey(); // "SUSkippedVersion"

Q_SIGNALS:
    void checkStarted(bool userInitiated);
    void checkFinished(const UpdateChecker::Result& result);

private:
    void startCheck(bool userInitiated);
    void finishCheck(QNetworkReply* reply);

    QUrl m_feedURL;
    QString m_currentVersion;
    platform::UserDefaults& m_defaults;
    double m_interval = 14400;
    bool m_automatic = false;
    bool m_userInitiated = false;
    platform::Timer m_scheduled;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    Presenter m_presenter;
};
