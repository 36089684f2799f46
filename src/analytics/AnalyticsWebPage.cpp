#include "analytics/AnalyticsWebPage.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

// The page's console says nothing that the application should show or log.
class SilentPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
};

} // namespace

AnalyticsWebPage::AnalyticsWebPage(const QString& storageName, QObject* parent)
    : QObject(parent)
{
    m_profile = storageName.isEmpty() ? std::make_unique<QWebEngineProfile>()
                                      : std::make_unique<QWebEngineProfile>(storageName);
    m_page = std::make_unique<SilentPage>(m_profile.get());
    connect(m_page.get(), &QWebEnginePage::loadFinished, this, &AnalyticsWebPage::loadFinished);
}

AnalyticsWebPage::~AnalyticsWebPage()
{
    m_page.reset();
}

void AnalyticsWebPage::load(const QUrl& url)
{
    m_page->load(url);
}

QUrl AnalyticsWebPage::url() const
{
    return m_page->url();
}

void AnalyticsWebPage::runJavaScript(const QString& script, std::function<void(const QVariant&)> callback)
{
    if (callback)
        m_page->runJavaScript(script, callback);
    else
        m_page->runJavaScript(script);
}
