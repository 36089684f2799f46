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
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return false;
    const QString host = url.host();
    return !host.isEmpty() && !host.contains(QLatin1String("localhost")) && !host.contains(QLatin1String("127.0.0.1"));
}

bool RBWebViewPage::isRefused(const QUrl& url, NavigationType type)
{
    static const QStringList inView{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file"),
                                    QStringLiteral("qrc"),  QStringLiteral("data"),  QStringLiteral("about"),
                                    QStringLiteral("blob"), QStringLiteral("javascript")};
    // Only the application's own loads are typed; a click, a form, a script or a redirect of the
    // page's own may lead to another program.
    return type != NavigationTypeTyped && !inView.contains(url.scheme().toLower());
}

bool RBWebViewPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (isRefused(url, type)) {
        platform::Log::warning(QStringLiteral("WebView"), QStringLiteral("A link to another program was not followed: %1").arg(url.toString().left(200)));
        return false;
    }
    if (opensInSystemBrowser(url, type, m_openLinksInSystemBrowser && m_openLinksInSystemBrowser())) {
        QDesktopServices::openUrl(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void RBWebViewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                             const QString& source)
{
    if (m_consoleHandler)
        m_consoleHandler(level, message);
    if (level == ErrorMessageLevel)
        platform::Log::write(QStringLiteral("WebView"), platform::Log::Debug,
                             QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(message));
}
