#pragma once

#include <QWebEnginePage>

#include <functional>

// The page of a wrapped web view: clicked links to other hosts open in the user's browser
// while the page stays; everything else navigates inside the view.
class RBWebViewPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit RBWebViewPage(std::function<bool()> openLinksInSystemBrowser, QObject* parent = nullptr);

    // Whether a navigation goes to the system browser instead of the view.
    static bool opensInSystemBrowser(const QUrl& url, NavigationType type, bool openLinksInSystemBrowser);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    std::function<bool()> m_openLinksInSystemBrowser;
};
