#pragma once

#include <QObject>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>

class QWebEngineProfile;
class QWebEnginePage;

// A web page that is never shown: it loads one address and runs scripts in its main world.
// Console output and script errors of the page are ignored. Main thread only.
class AnalyticsWebPage : public QObject {
    Q_OBJECT
public:
    // An empty storage name keeps cookies and caches in memory only; a name keeps them on disk
    // under that name, so that the hosted page sees the same visitor across launches.
    explicit AnalyticsWebPage(const QString& storageName = QString(), QObject* parent = nullptr);
    ~AnalyticsWebPage() override;

    void load(const QUrl& url);
    QUrl url() const;
    void runJavaScript(const QString& script,
                       std::function<void(const QVariant&)> callback = std::function<void(const QVariant&)>());

Q_SIGNALS:
    // The main frame finished loading (`ok` false when it failed).
    void loadFinished(bool ok);

private:
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<QWebEnginePage> m_page; // destroyed before its profile
};
