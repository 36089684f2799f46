#include "analytics/RBMetrics.h"

#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelDevice.h"
#include "Mixpanel/MixpanelPeople.h"
#include "analytics/AnalyticsBuildSettings.h"
#include "analytics/RBGoogleAnalytics.h"
#include "compiler/CodeTranspiler.h"
#include "platform/Bundle.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringExtras.h"
#include "platform/Task.h"
#include "platform/UserDefaults.h"

#include <QDateTime>

namespace {

const QString kDataCollectionDisabled = QStringLiteral("RBDataCollectionDisabled");
const QString kDownloadIdKey = QStringLiteral("RBMixPanelDownloadId");
const QString kMinutesKey = QStringLiteral("RBIntervalMinutesActive");
const QString kTensKey = QStringLiteral("RBIntervalMinutesActive10");
const QString kHoursKey = QStringLiteral("RBIntervalMinutesActive60");

QString call(const std::function<QString()>& fn)
{
    return fn ? fn() : QString();
}

} // namespace

RBMetrics::RBMetrics(platform::UserDefaults& defaults, Host host)
    : m_defaults(defaults)
    , m_host(std::move(host))
{
}

void RBMetrics::setClients(Mixpanel* mixpanel, RBGoogleAnalytics* web)
{
    m_mixpanel = mixpanel;
    m_web = web;
}

Mixpanel* RBMetrics::eventClient() const
{
    return m_mixpanel ? m_mixpanel : Mixpanel::sharedInstance();
}

RBGoogleAnalytics& RBMetrics::webClient() const
{
    return m_web ? *m_web : RBGoogleAnalytics::sharedInstance();
}

void RBMetrics::setUpMetrics()
{
    RBGoogleAnalytics& web = webClient();
    // Every editor's compile times go to the web client, which drops them while it is disabled.
    CodeTranspiler::setCompileTimeTracker([](const QString& event, float milliseconds) {
        RBGoogleAnalytics::sharedInstance().trackEvent(event, milliseconds);
    });
    if (m_defaults.boolForKey(kDataCollectionDisabled)) {
        web.setEnabled(false);
        platform::Log::info(QStringLiteral("analytics"), QStringLiteral("Data collection disabled"));
        return;
    }

    web.configureWithSiteId(AnalyticsBuildSettings::analyticsSiteId());
    web.trackEvent(QStringLiteral("interval|daily"), 86400, 3600, nullptr);
    web.trackEvent(QStringLiteral("interval|weekly"), 604800, 86400, nullptr);
    web.trackEvent(QStringLiteral("interval|monthly"), 18144000, 604800, nullptr);
    web.trackEvent(QStringLiteral("interval.foreground|hour"), 3600, 600,
                   [] { return RBGoogleAnalytics::currentApplicationIsActive(); });
    web.trackEvent(QStringLiteral("app|start"), QVariant());

    Mixpanel::Options service;
    service.serverURL = AnalyticsBuildSettings::mixpanelServerURL();
    Mixpanel* client = m_mixpanel ? m_mixpanel : Mixpanel::sharedInstanceWithToken(AnalyticsBuildSettings::mixpanelToken(), service);
    // The block runs on the client's queue: read the defaults here, on the main thread.
    const QString stored = m_defaults.stringForKey(kDownloadIdKey);
    // The block may outlive this object: it keeps copies of what it needs.
    client->identifyWithBlock([host = m_host, defaults = &m_defaults, client, stored] {
        return resolveIdentity(host, *defaults, *client, stored);
    });

    MixpanelPeople* people = client->people();
    people->set({{QStringLiteral("User Agent"), call(m_host.userAgent)}, {QStringLiteral("Launched"), true}});
    people->setOnce({{QStringLiteral("First Launch"), QDateTime::currentDateTimeUtc()}});
    people->increment(QStringLiteral("Launches"), 1);

    if (m_host.runOnceForKey) {
        m_host.runOnceForKey(QStringLiteral("firstlaunch"), [client, &web] {
            client->track(QStringLiteral("app.launch.first"));
            web.trackEvent(QStringLiteral("app.launch.first"), QVariant());
            return true;
        });
    }
    client->track(QStringLiteral("app.launch"));
    web.trackEvent(QStringLiteral("app.launch"), QVariant());
}

QString RBMetrics::identity(Mixpanel& client, const QString& storedDownloadId)
{
    return resolveIdentity(m_host, m_defaults, client, storedDownloadId);
}

QString RBMetrics::resolveIdentity(const Host& host, platform::UserDefaults& defaultsStore, Mixpanel& client,
                                   const QString& storedDownloadId)
{
    QString identifier = storedDownloadId;
    if (identifier.isEmpty() || !looksLikeValidMixpanelId(identifier)) {
        identifier = host.downloadId ? host.downloadId() : getDownloadId();
        if (looksLikeValidMixpanelId(identifier)) {
            platform::UserDefaults* defaults = &defaultsStore;
            platform::dispatchMain([defaults, identifier] {
                defaults->setString(kDownloadIdKey, identifier);
                defaults->synchronize();
            });
        }
    }
    bool connected = !identifier.isEmpty();
    if (identifier.isEmpty()) {
        identifier = client.distinctId();
        connected = false;
    }
    if (!looksLikeValidMixpanelId(identifier)) {
        identifier = client.defaultDistinctId();
        connected = false;
    }
    client.registerSuperProperties({
        {QStringLiteral("OS Version"), call(host.osVersion)},
        {QStringLiteral("App Version"), call(host.appVersion)},
        {QStringLiteral("WebKit Version"), call(host.webkitVersion)},
        {QStringLiteral("Identifier"), host.bundleIdentifier ? host.bundleIdentifier() : bundleIdentifier()},
        {QStringLiteral("App Mixpanel Connected"), connected},
    });
    return platform::trim(identifier);
}

void RBMetrics::handleMinuteInterval(bool applicationIsActive)
{
    m_defaults.registerDefaults({{kMinutesKey, 0}, {kTensKey, 0}, {kHoursKey, 0}});
    qint64 minutes = m_defaults.integerForKey(kMinutesKey);
    qint64 tens = m_defaults.integerForKey(kTensKey);
    qint64 hours = m_defaults.integerForKey(kHoursKey);
    if (applicationIsActive)
        ++minutes;
    Mixpanel* client = eventClient();
    // Whole tens and sixties: each is reported once, at the 11th, 20th, 30th… minute and the
    // 61st, 120th, 180th… (a fractional quotient would report the 12th and 62nd again).
    if (minutes > 10 && minutes / 10 > tens) {
        ++tens;
        if (client) {
            client->track(QStringLiteral("app.interval.10minute.active"));
            client->people()->set({{QStringLiteral("Active Minutes"), minutes}});
        }
    }
    if (minutes > 60 && minutes / 60 > hours) {
        ++hours;
        if (client) {
            client->track(QStringLiteral("app.interval.hour.active"));
            client->people()->set({{QStringLiteral("Active Hours"), hours}});
        }
    }
    m_defaults.setInteger(kMinutesKey, minutes);
    m_defaults.setInteger(kTensKey, tens);
    m_defaults.setInteger(kHoursKey, hours);
}

bool RBMetrics::looksLikeValidMixpanelId(const QString& identifier)
{
    const QString lower = identifier.toLower();
    if (lower.contains(QStringLiteral("error")) || lower.contains(QStringLiteral("traceback"))
        || lower.contains(u'{'))
        return false;
    if (identifier.size() <= 4 || identifier.size() >= 101)
        return false;
    return platform::trim(identifier) == identifier;
}

QString RBMetrics::getDownloadId()
{
    const QString script = platform::Bundle::main().pathForResource(QStringLiteral("mpid"), QStringLiteral("py"),
                                                                    QStringLiteral("python"));
    if (script.isEmpty())
        return QString();
    platform::Task task;
    task.setLaunchPath(platform::Task::pythonPath());
    task.setArguments({script});
    task.setEnvironment({{QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1")},
                         {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")}});
    if (!task.launch()) {
        platform::Log::warning(QStringLiteral("analytics"), task.launchError());
        return QString();
    }
    if (!task.waitUntilExit(10000)) {
        task.kill();
        task.waitUntilExit(1000);
        return QString();
    }
    return platform::trim(QString::fromUtf8(task.readAvailableOutput()));
}
