#include "webview/RBWebViewPage.h"

#include "platform/Log.h"

#include <QDesktopServices>

RBWebViewPage::RBWebViewPage(std::function<bool()> openLinksInSystemBrowser, QObject* parent)
    : QWebEnginePage(parent)
    , m_openLinksInSystemBrowser(std::move(openLinksInSystemBrowser))
{
}

bool RBWebViewPage::opensInSystemBrowser(const QUrl& url, NavigationType type, bool openLinksInSystemBrowser)
{
    if (!openLinksInSystemBrowser || type != NavigationTypeLinkClicked)
        return false;
    const QString host = url.host();
    return !host.isEmpty() && !host.contains(QLatin1String("localhost")) && !host.contains(QLatin1String("127.0.0.1"));
}

bool RBWebViewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (opensInSystemBrowser(url, type, m_openLinksInSystemBrowser && m_openLinksInSystemBrowser())) {
        QDesktopServices::openUrl(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void RBWebViewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                             const QString& source)
{
    if (level == ErrorMessageLevel)
        platform::Log::write(QStringLiteral("WebView"), platform::Log::Debug,
                             QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(message));
}
