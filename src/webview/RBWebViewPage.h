#pragma once

#include <QWebEnginePage>

#include <functional>

// The page of a wrapped web view: clicked links to other web hosts open in the user's browser
// while the page stays, once for each click or key of the user (`takeUserGesture`): a script
// that clicks links by itself opens nothing. Links, forms, scripts and redirects of the page
// that lead to other programs ("smb:", "zelvor:", "ssh:"...) go nowhere, since a page may come
// from anyone; everything else navigates inside the view. The page's alert, confirm and prompt
// are questions like the application's own: a quit answers them as Cancel.
class RBWebViewPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit RBWebViewPage(std::function<bool()> openLinksInSystemBrowser, QObject* parent = nullptr,
                           QWebEngineProfile* profile = nullptr);
    void setUserGesture(std::function<bool()> takeUserGesture) { m_takeUserGesture = std::move(takeUserGesture); }
    // Once the page's owner lets it go, its dialogs are answered as Cancel without showing.
    void setClosing() { m_closing = true; }
    // Whether one of the page's dialogs is on screen (the page waits for its answer).
    bool isShowingDialog() const { return m_dialogsOpen > 0; }
    // The longest text of the page's dialogs shown; the rest is cut.
    static constexpr qsizetype MaximumDialogText = 2000;

    // Whether a navigation goes to the system browser instead of the view.
    static bool opensInSystemBrowser(const QUrl& url, NavigationType type, bool openLinksInSystemBrowser);
    // Whether a navigation would hand its address to another program of the desktop.
    static bool isRefused(const QUrl& url, NavigationType type);

    // Receives every console message of the page (its `console.log`, `print`, errors).
    using ConsoleHandler = std::function<void(JavaScriptConsoleMessageLevel level, const QString& message)>;
    void setConsoleHandler(ConsoleHandler handler) { m_consoleHandler = std::move(handler); }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    QWidget* dialogParent() const;
    std::function<bool()> m_openLinksInSystemBrowser;
    ConsoleHandler m_consoleHandler;
    std::function<bool()> m_takeUserGesture;
    int m_dialogsOpen = 0;
    bool m_closing = false;
    bool mayShowDialog() const;
};
