#pragma once

#include <QWebEnginePage>

#include <functional>

// The page of a wrapped web view: clicked links to other web hosts open in the user's browser
// while the page stays; links, forms, scripts and redirects of the page that lead to other
// programs ("smb:", "zelvor:", "ssh:"...) go nowhere, since a page may come from anyone;
// everything else navigates inside the view.
class RBWebViewPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit RBWebViewPage(std::function<bool()> openLinksInSystemBrowser, QObject* parent = nullptr);

    // Whether a navigation goes to the system browser instead of the view.
    static bool opensInSystemBrowser(const QUrl& url, NavigationType type, bool openLinksInSystemBrowser);
    // Whether a navigation would hand its address to another program of the desktop.
    static bool isRefused(const QUrl& url, NavigationType type);

    // Receives every console message of the page (its `console.log`, `print`, errors).
    using ConsoleHandler = std::function<void(JavaScriptConsoleMessageLevel level, const QString& message)>;
    void setConsoleHandler(ConsoleHandler handler) { m_consoleHandler = std::move(handler); }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    std::function<bool()> m_openLinksInSystemBrowser;
    ConsoleHandler m_consoleHandler;
};
