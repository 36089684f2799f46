#pragma once

#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>

class AnalyticsWebPage;
namespace platform {
class UserDefaults;
}

// Reports events to the web-analytics service by driving its hosted page: a hidden page
// loads "/analytics.html", which defines the command function `ga`, and the client calls it.
// Calls made before the page has loaded wait in a queue and are replayed in order once it
// has. Event names are "category|action" or "category|action|label"; other names are
// dropped. Main thread only.
class RBGoogleAnalytics : public QObject {
    Q_OBJECT
public:
    using Call = QPair<QString, QJsonArray>; // method name, arguments

    // The one shared client, made on first use; never null.
    static RBGoogleAnalytics& sharedInstance();

    // `defaults` keeps the last send time of interval events (the standard store when null).
    // `storageName` as for AnalyticsWebPage.
    explicit RBGoogleAnalytics(platform::UserDefaults* defaults = nullptr,
                               const QString& storageName = QString(), QObject* parent = nullptr);
    ~RBGoogleAnalytics() override;

    // Stores the tracking identifier and (re)loads the page.
    void configureWithSiteId(const QString& siteId);
    QString siteId() const { return m_siteId; }

    // The hosted page; by default the build's analytics host. Without one nothing is loaded
    // and calls wait in the queue.
    QUrl pageURL() const { return m_pageURL; }
    void setPageURL(const QUrl& url) { m_pageURL = url; }

    bool isEnabled() const { return m_enabled; }
    // While disabled nothing is loaded and every call is dropped.
    void setEnabled(bool enabled) { m_enabled = enabled; }

    bool isWebViewReady() const { return m_webViewReady; }
    QList<Call> queuedCalls() const { return m_queue; }

    void trackEventWithCategory(const QVariant& category, const QVariant& action, const QVariant& label,
                                const QVariant& value);
    void trackEvent(const QString& name, const QVariant& value = QVariant());
    // Sends the event when more than `interval` seconds have passed since it was last sent
    // (across launches) and the condition, if any, holds; checks again every `checkInterval`
    // seconds for the rest of the process's life.
    void trackEvent(const QString& name, qint64 interval, qint64 checkInterval,
                    std::function<bool()> conditional);

    // Whether this application is the active one (a condition for interval events).
    static bool currentApplicationIsActive();

    // The hidden page, once loading has begun (null before).
    AnalyticsWebPage* webView() const { return m_webView.get(); }

    // At most this many calls wait for the page; older ones are dropped first.
    static constexpr qsizetype kMaxQueuedCalls = 500;

private:
    void setup();
    void reload();
    void callMethod(const QString& method, const QJsonArray& arguments);
    void sendAction(const QString& action, const QJsonArray& arguments);
    void sendAppInfo();
    void webViewDidFinishLoad(bool ok);
    platform::UserDefaults& defaults() const;

    platform::UserDefaults* m_defaults;
    QString m_storageName;
    std::unique_ptr<AnalyticsWebPage> m_webView;
    QString m_siteId;
    QUrl m_pageURL;
    QList<Call> m_queue;
    bool m_webViewReady = false;
    bool m_enabled = false;
};
