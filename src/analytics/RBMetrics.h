#pragma once

#include <QString>

#include <functional>

class Mixpanel;
class RBGoogleAnalytics;
namespace platform {
class UserDefaults;
}

// The application's analytics wiring: sets both clients up at start-up (unless the user has
// switched data collection off with "RBDataCollectionDisabled"), identifies the installation
// and counts active minutes. The application object makes one at start-up, calls
// setUpMetrics() once, and handleMinuteInterval() from its 60 s activity timer; the clients'
// lifecycle hooks it calls directly on Mixpanel::sharedInstance() when that is not null.
class RBMetrics {
public:
    // What the application tells about itself.
    struct Host {
        std::function<QString()> userAgent;
        std::function<QString()> osVersion;
        std::function<QString()> appVersion;
        std::function<QString()> webkitVersion;
        std::function<QString()> bundleIdentifier;
        // The identifier the installation was downloaded with; runs on the event client's
        // queue and may block it. Empty: the bundled "mpid" script (getDownloadId()).
        std::function<QString()> downloadId;
        // Runs the block unless it has answered true under the key before, remembering a true
        // answer. Without it, the first-launch events are not sent.
        std::function<void(const QString& key, std::function<bool()> block)> runOnceForKey;
    };

    // The defaults must outlive the event client's queued work (the standard store does).
    RBMetrics(platform::UserDefaults& defaults, Host host);

    // Clients to use instead of the shared ones (tests). Null keeps the shared one.
    void setClients(Mixpanel* mixpanel, RBGoogleAnalytics* web);

    // Start-up: configures the web client with its interval events, makes the shared event
    // client, identifies the user, updates the profile and reports the launch. With data
    // collection off it only disables the web client; no event client is ever made.
    void setUpMetrics();

    // Every 60 s: counts the minutes the application was active (across launches) and reports
    // every tenth minute and every sixtieth.
    void handleMinuteInterval(bool applicationIsActive);

    // The identity block: the stored or downloaded identifier when it looks valid, else the
    // client's own; registers the super properties that describe this installation.
    QString identity(Mixpanel& client, const QString& storedDownloadId);

    // 5 to 100 characters, no surrounding white space, and nothing that looks like an error
    // ("error", "traceback" or "{" in any letter case).
    static bool looksLikeValidMixpanelId(const QString& identifier);

    // Runs the bundled identifier script and answers what it printed, trimmed (empty when it
    // is missing, fails or takes more than 10 s).
    static QString getDownloadId();

private:
    static QString resolveIdentity(const Host& host, platform::UserDefaults& defaults, Mixpanel& client,
                                   const QString& storedDownloadId);
    Mixpanel* eventClient() const;
    RBGoogleAnalytics& webClient() const;

    platform::UserDefaults& m_defaults;
    Host m_host;
    Mixpanel* m_mixpanel = nullptr;
    RBGoogleAnalytics* m_web = nullptr;
};
