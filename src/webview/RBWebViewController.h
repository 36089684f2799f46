#pragma once

#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

class QWebChannel;
class QWebEngineView;
class RBWebViewBridge;
class RBWebViewPage;

// One web view and the two-way message channel between its page and the application.
// The page calls window._bridge(method, args); the application calls the page's
// window._receive(method, args); every message travels as JSON text. The channel script is
// injected at document creation into every page the view loads; messages sent before the
// channel is up are queued in the page and delivered in order.
class RBWebViewController : public QObject {
    Q_OBJECT
public:
    // The completion of an evaluation: the value of the script, or an error (a map with
    // "message", and "name", "line", "column", "stack" when the page knows them).
    using EvaluationHandler = std::function<void(const QVariant& result, const QVariant& error)>;
    using DictionaryHandler = std::function<void(const QVariantMap&)>;
    using ValueHandler = std::function<void(const QVariant&)>;
    using BridgeHandler = std::function<void(const QString& method, const QVariant& arguments)>;

    // Shared: the storage (cookies, local storage...) of the application's own pages. Private: a
    // storage of this view's own, which no other page can read or reach, for a project's page.
    enum class Storage { Shared, Private };
    explicit RBWebViewController(QObject* parent = nullptr, Storage storage = Storage::Shared);
    ~RBWebViewController() override;

    QWebEngineView* webView() const;

    void setUserAgent(const QString& userAgent);
    void setAllowScrolling(bool allow); // kept for callers; the view always scrolls
    void loadURL(const QString& url);
    void loadFile(const QString& path);
    // Writes the text to ".temp.html" in the base URL's folder and loads that file.
    void loadHTMLString(const QString& html, const QUrl& baseURL);
    void evaluateJavaScript(const QString& script, EvaluationHandler completion = nullptr);
    void evaluateCoffeeScript(const QString& source, EvaluationHandler completion = nullptr);
    void compileCoffeeScript(const QString& source, EvaluationHandler completion = nullptr);
    // Evaluates window._receive(method, arguments) in the page.
    void sendBridgeMethod(const QString& method, const QVariant& arguments = QVariant());
    void sendBridgeJson(const QString& method, const QJsonValue& arguments);
    // Opens the developer tools of the page in their own window.
    void showInspector(bool ignored = true);
    // Opens them on a tool: the console, or the picker that selects an element by pointing.
    enum class InspectorTool { Console, ElementPicker };
    void showInspectorTool(InspectorTool tool);
    // Whether the developer tools of the page are shown (a script paused there does not answer).
    bool isInspectorOpen() const;
    // Whether the page waits for the answer to its alert, confirm or prompt.
    bool isPageDialogOpen() const;
    // Detaches the page channel; owners call it before letting the wrapper go.
    void cleanup();
    // Ends the page's process at once: a page whose script never ends cannot be asked to stop.
    // renderProcessEnded follows. Answers false when the page has no process.
    bool terminateRenderProcess();

    // The entry point of page-to-application messages (JSON {"method", "arguments"}).
    void webViewBridge(const QString& json);

    bool isWebKit2() const { return true; }
    bool supportsWebKit2LocalFileLoading() const { return true; }
    bool isLoadingReady() const { return m_isLoadingReady; }
    bool isDocumentReady() const { return m_isDocumentReady; }
    bool logConsoleOutput() const { return m_logConsoleOutput; }
    void setLogConsoleOutput(bool log) { m_logConsoleOutput = log; }
    bool openLinksInSystemBrowser() const { return m_openLinksInSystemBrowser; }
    void setOpenLinksInSystemBrowser(bool open) { m_openLinksInSystemBrowser = open; }
    bool showGraphicsDebug() const { return m_showGraphicsDebug; }
    void setShowGraphicsDebug(bool show) { m_showGraphicsDebug = show; }

    void setDocumentReadyHandler(DictionaryHandler handler) { m_documentReadyHandler = std::move(handler); }
    void setErrorHandler(ValueHandler handler) { m_errorHandler = std::move(handler); }
    void setBridgeHandler(BridgeHandler handler) { m_bridgeHandler = std::move(handler); }
    // Every console message of the page, with whether it is an error or a warning.
    using ConsoleHandler = std::function<void(const QString& message, bool isErrorOrWarning)>;
    void setConsoleHandler(ConsoleHandler handler);
    // Messages whose method starts with `prefix` go as they came to the page of the wrapper that
    // `target` answers, instead of to the bridge handler (which gets them when it answers none):
    // a relay reads nothing of them, so a large one (a layer tree) costs no conversion.
    using RelayTarget = std::function<RBWebViewController*()>;
    void setRelay(const QString& prefix, RelayTarget target)
    {
        m_relayPrefix = prefix;
        m_relayTarget = std::move(target);
        installBridgeScript();
    }

    // What a page may send. A message longer than maximumLength characters (maximumRelayLength
    // for those of the relay's prefix) is dropped unread, as are the messages beyond
    // maximumPerSecond or maximumCharactersPerSecond in one second (0: no limit). The page's own
    // process drops them, so the application neither copies nor converts them; it logs each kind
    // once per page load and tells the handler the length of one too long.
    struct MessageLimits {
        qsizetype maximumLength = 0;
        qsizetype maximumRelayLength = 0;
        int maximumPerSecond = 0;
        qsizetype maximumCharactersPerSecond = 0;
    };
    using OversizeHandler = std::function<void(qsizetype length)>;
    void setMessageLimits(const MessageLimits& limits, OversizeHandler handler = {})
    {
        m_limits = limits;
        m_oversizeHandler = std::move(handler);
        installBridgeScript();
    }
    const MessageLimits& messageLimits() const { return m_limits; }
    void setMaximumMessageLength(qsizetype length, OversizeHandler handler)
    {
        MessageLimits limits = m_limits;
        limits.maximumLength = length;
        limits.maximumRelayLength = length;
        setMessageLimits(limits, std::move(handler));
    }

    // The scripts injected into every page (exposed for tests and the inspector): the page's
    // window._bridge, and the end of the channel in a world of its own, with the limits.
    static QString bridgeUserScript();
    static QString bridgeChannelScript(const MessageLimits& limits, const QString& relayPrefix);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The page's process has ended (crashed, killed, out of memory, or as asked); the view
    // shows nothing of the page until the next load.
    void renderProcessEnded(bool abnormal);

private:
    void runCoffeeScriptAction(const QString& action, const QString& source, EvaluationHandler completion);
    void installBridgeScript();
    void droppedMessage(const QString& reason, qsizetype length);
    // Makes sure a page that finished loading has the bridge.
    void checkBridge();
    static constexpr int kMaxBridgeReloads = 3;

    QPointer<QWebEngineView> m_view;
    QPointer<RBWebViewPage> m_page;
    QWebChannel* m_channel = nullptr;
    RBWebViewBridge* m_bridge = nullptr;
    QPointer<QWebEngineView> m_inspector;
    bool m_inspectorLoaded = false;
    QString m_inspectorCall; // run in the tools once they have loaded
    bool m_isLoadingReady = false;
    bool m_isDocumentReady = false;
    bool m_logConsoleOutput = false;
    bool m_openLinksInSystemBrowser = true;
    bool m_showGraphicsDebug = false;
    // Reloads of the page last asked for because it came without the bridge.
    int m_bridgeReloads = 0;
    DictionaryHandler m_documentReadyHandler;
    ValueHandler m_errorHandler;
    BridgeHandler m_bridgeHandler;
    QString m_relayPrefix;
    RelayTarget m_relayTarget;
    MessageLimits m_limits;
    OversizeHandler m_oversizeHandler;
};
