#include "webview/RBWebViewPage.h"

#include "platform/Log.h"
#include "platform/gui/Alert.h"
#include "platform/gui/ModalQuestions.h"
#include "platform/gui/Workspace.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {
// Counts a dialog of the page for as long as it is open.
struct OpenDialog {
    explicit OpenDialog(int& count) : m_count(count) { ++m_count; }
    ~OpenDialog() { --m_count; }
    int& m_count;
};

QString dialogText(const QString& text)
{
    return text.size() <= RBWebViewPage::MaximumDialogText ? text
                                                           : text.left(RBWebViewPage::MaximumDialogText) + QChar(0x2026);
}
} // namespace

RBWebViewPage::RBWebViewPage(std::function<bool()> openLinksInSystemBrowser, QObject* parent, QWebEngineProfile* profile)
    : QWebEnginePage(profile ? profile : QWebEngineProfile::defaultProfile(), parent)
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
        // The page's scripts can click links too: only the user's own click opens one, once.
        if (m_takeUserGesture && m_takeUserGesture())
            platform::Workspace::sharedWorkspace().openURL(url);
        else
            platform::Log::warning(QStringLiteral("WebView"), QStringLiteral("A link the user did not click was not opened: %1")
                                                                  .arg(url.toString().left(200)));
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

QWidget* RBWebViewPage::dialogParent() const
{
    QWebEngineView* view = QWebEngineView::forPage(this);
    return view ? view->window() : nullptr;
}

bool RBWebViewPage::mayShowDialog() const
{
    // A page whose window has gone, or that runs on while the application ends, asks nobody.
    return !m_closing && !QCoreApplication::closingDown() && !platform::ModalQuestions::isCancellingEveryQuestion();
}

void RBWebViewPage::javaScriptAlert(const QUrl&, const QString& message)
{
    if (!mayShowDialog())
        return;
    const OpenDialog open(m_dialogsOpen);
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Informational);
    alert.setMessageText(dialogText(message));
    alert.runModalSheetForWindow(dialogParent());
}

bool RBWebViewPage::javaScriptConfirm(const QUrl&, const QString& message)
{
    if (!mayShowDialog())
        return false;
    const OpenDialog open(m_dialogsOpen);
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Informational);
    alert.setMessageText(dialogText(message));
    alert.addButton(QStringLiteral("OK"));
    alert.addButton(QStringLiteral("Cancel"));
    return alert.runModalSheetForWindow(dialogParent()) == platform::Alert::kFirstButtonReturn;
}

bool RBWebViewPage::javaScriptPrompt(const QUrl&, const QString& message, const QString& defaultValue, QString* result)
{
    if (!mayShowDialog())
        return false;
    const OpenDialog counted(m_dialogsOpen);
    QPointer<QInputDialog> dialog = new QInputDialog(dialogParent());
    dialog->setLabelText(dialogText(message));
    dialog->setTextValue(defaultValue.left(MaximumDialogText));
    const platform::ModalQuestions::Scope open([dialog] {
        if (dialog)
            dialog->reject();
    });
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    if (accepted && result)
        *result = dialog->textValue();
    delete dialog.data();
    return accepted;
}
