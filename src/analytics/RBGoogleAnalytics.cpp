#include "analytics/RBGoogleAnalytics.h"

#include "Mixpanel/MixpanelDevice.h"
#include "analytics/AnalyticsBuildSettings.h"
#include "analytics/AnalyticsWebPage.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <algorithm>

namespace {

QJsonValue jsonOrNull(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    return QJsonValue::fromVariant(value);
}

} // namespace

RBGoogleAnalytics& RBGoogleAnalytics::sharedInstance()
{
    static RBGoogleAnalytics* shared = [] {
        auto* client = new RBGoogleAnalytics(nullptr, QStringLiteral("Analytics"));
        // The web engine must be gone before the application object is.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, client, [client] {
                client->m_webViewReady = false;
                client->m_webView.reset();
            });
        return client;
    }();
    return *shared;
}

RBGoogleAnalytics::RBGoogleAnalytics(platform::UserDefaults* defaults, const QString& storageName, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_storageName(storageName)
    , m_pageURL(AnalyticsBuildSettings::analyticsPageURL())
{
    setup();
}

RBGoogleAnalytics::~RBGoogleAnalytics() = default;

void RBGoogleAnalytics::setup()
{
    // The hidden page is made when there is something to load: a disabled client never
    // starts the web engine.
    m_queue.clear();
    m_enabled = true;
}

platform::UserDefaults& RBGoogleAnalytics::defaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standard();
}

void RBGoogleAnalytics::configureWithSiteId(const QString& siteId)
{
    m_siteId = siteId;
    reload();
}

void RBGoogleAnalytics::reload()
{
    if (!m_enabled || m_siteId.isEmpty() || !m_pageURL.isValid())
        return;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        platform::Log::warning(QStringLiteral("analytics"),
                               QStringLiteral("No web engine without a GUI application; web analytics stay queued"));
        return;
    }
    if (!m_webView) {
        m_webView = std::make_unique<AnalyticsWebPage>(m_storageName);
        connect(m_webView.get(), &AnalyticsWebPage::loadFinished, this, &RBGoogleAnalytics::webViewDidFinishLoad);
    }
    m_webViewReady = false;
    m_webView->load(m_pageURL);
}

void RBGoogleAnalytics::webViewDidFinishLoad(bool ok)
{
    if (!ok)
        return; // a page that failed to load is not ready: calls keep waiting
    m_webViewReady = true;
    sendAction(QStringLiteral("create"), QJsonArray{m_siteId, QStringLiteral("auto")});
    sendAppInfo();
    const QList<Call> waiting = m_queue;
    m_queue.clear();
    for (const Call& call : waiting)
        callMethod(call.first, call.second);
}

void RBGoogleAnalytics::sendAppInfo()
{
    QString name = QGuiApplication::applicationDisplayName();
    name.remove(QStringLiteral(".app"));
    sendAction(QStringLiteral("set"),
               QJsonArray{QJsonObject{{QStringLiteral("appId"), bundleIdentifier()},
                                      {QStringLiteral("appName"), name},
                                      {QStringLiteral("appVersion"), QCoreApplication::applicationVersion()}}});
}

void RBGoogleAnalytics::callMethod(const QString& method, const QJsonArray& arguments)
{
    if (!m_enabled)
        return;
    if (m_webViewReady && m_webView) {
        const QString json = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Indented));
        m_webView->runJavaScript(QStringLiteral("%1.apply(window, %2)").arg(method, json));
        return;
    }
    m_queue.append({method, arguments});
    // A page that never loads must not make the queue grow for the life of the process.
    while (m_queue.size() > kMaxQueuedCalls)
        m_queue.removeFirst();
}

void RBGoogleAnalytics::sendAction(const QString& action, const QJsonArray& arguments)
{
    QJsonArray all{action};
    for (const QJsonValue& argument : arguments)
        all.append(argument);
    callMethod(QStringLiteral("ga"), all);
}

void RBGoogleAnalytics::trackEventWithCategory(const QVariant& category, const QVariant& action,
                                               const QVariant& label, const QVariant& value)
{
    sendAction(QStringLiteral("send"),
               QJsonArray{QJsonObject{{QStringLiteral("hitType"), QStringLiteral("event")},
                                      {QStringLiteral("eventCategory"), jsonOrNull(category)},
                                      {QStringLiteral("eventAction"), jsonOrNull(action)},
                                      {QStringLiteral("eventLabel"), jsonOrNull(label)},
                                      {QStringLiteral("eventValue"), jsonOrNull(value)}}});
}

void RBGoogleAnalytics::trackEvent(const QString& name, const QVariant& value)
{
    const QStringList parts = name.split(u'|');
    if (parts.size() == 2)
        trackEventWithCategory(parts[0], parts[1], QVariant(), value);
    else if (parts.size() == 3)
        trackEventWithCategory(parts[0], parts[1], parts[2], value);
}

void RBGoogleAnalytics::trackEvent(const QString& name, qint64 interval, qint64 checkInterval,
                                   std::function<bool()> conditional)
{
    const QString key = QStringLiteral("RBGoogleAnalytics|%1").arg(name);
    const double last = defaults().doubleForKey(key);
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    // While disabled nothing is sent, so nothing is recorded as sent either.
    if (m_enabled && now - last > double(interval) && (!conditional || conditional())) {
        trackEvent(name, QVariant());
        defaults().setDouble(key, now);
    }
    // At least a second between checks, so that a zero interval cannot spin the main loop.
    const qint64 wait = std::max<qint64>(checkInterval, 1);
    QPointer<RBGoogleAnalytics> self(this);
    platform::dispatchAfter(double(wait), [self, name, interval, checkInterval, conditional] {
        if (self)
            self->trackEvent(name, interval, checkInterval, conditional);
    });
}

bool RBGoogleAnalytics::currentApplicationIsActive()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}
