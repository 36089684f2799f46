#include "webview/RBWebViewController.h"

#include "platform/Bundle.h"
#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/gui/WindowPlacement.h"
#include "webview/BridgeJson.h"
#include "webview/RBWebViewBridge.h"
#include "webview/RBWebViewPage.h"
#include "webview/UserGesture.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <csignal>

namespace {
const QString kDomain = QStringLiteral("RBWebViewController");

// Runs the script in the page's global scope and answers {ok, value} or {ok: false, error},
// because the web engine reports no exceptions of evaluated scripts by itself.
QString evaluationBody(const QString& script)
{
    return QStringLiteral(
               "(function () {"
               "  function plain(v) {"
               "    if (v === undefined || typeof v === 'function' || typeof v === 'symbol') return null;"
               "    if (v === null || typeof v !== 'object') return v;"
               "    try { return JSON.parse(JSON.stringify(v)); } catch (e) { return null; }"
               "  }"
               "  try {"
               "    return {ok: true, value: plain((0, eval)(%1))};"
               "  } catch (e) {"
               "    var error = {message: String(e && e.message !== undefined ? e.message : e)};"
               "    if (e && e.name) error.name = String(e.name);"
               "    if (e && e.stack) {"
               "      error.stack = String(e.stack);"
               "      var m = /:(\\d+):(\\d+)\\)?\\s*(\\n|$)/.exec(error.stack);"
               "      if (m) { error.line = Number(m[1]); error.column = Number(m[2]); }"
               "    }"
               "    return {ok: false, error: error};"
               "  }"
               "})()")
        .arg(bridgeToJson(script));
}

// Scripts run by the engine directly count as foreign to the page, so errors thrown later by
// functions they define reach window.onerror only as "Script error.". Running the evaluation
// from an inline script element of the page keeps those errors whole; without a document the
// script runs directly.
QString wrapForEvaluation(const QString& script)
{
    const QString body = evaluationBody(script);
    return QStringLiteral(
               "(function () {"
               "  var root = document.head || document.documentElement;"
               "  if (root) {"
               "    var element = document.createElement('script');"
               "    element.textContent = 'window.__rbEvaluation = ' + %1 + ';';"
               "    root.appendChild(element);"
               "    root.removeChild(element);"
               "    var result = window.__rbEvaluation;"
               "    delete window.__rbEvaluation;"
               "    if (result) return result;"
               "  }"
               "  return %2;"
               "})()")
        .arg(bridgeToJson(body), body);
}
} // namespace

QString RBWebViewController::bridgeUserScript()
{
    // The page's side: window._bridge hands each message as text to the channel's world by an
    // event, which runs its listeners at once, so messages keep their order.
    static const QString script = QStringLiteral(
        ";(function () {"
        "  if (window._webkit && window._webkit.__channel) return;"
        "  var dispatch = document.dispatchEvent.bind(document), Message = CustomEvent;"
        "  window._webkit = {__channel: true};"
        "  window._webkit.webViewBridge_ = function (data) {"
        "    dispatch(new Message('zelvor-bridge', {detail: String(data)}));"
        "  };"
        "  window._bridge = function (method, args) {"
        "    window._webkit.webViewBridge_(JSON.stringify({method: method, arguments: args}));"
        "  };"
        "  document.addEventListener('DOMContentLoaded', function () { window._bridge('DOMContentLoaded'); });"
        "  window.addEventListener('error', function (event) {"
        "    window._bridge('error', {message: event.message, filename: event.filename,"
        "                             lineno: event.lineno, colno: event.colno});"
        "  });"
        "})();");
    return script;
}

QString RBWebViewController::bridgeChannelScript(const MessageLimits& limits, const QString& relayPrefix)
{
    // The channel library of the web engine, then the channel's end of the bridge. Both run in
    // a world of their own: the page's scripts never reach the channel, so every message passes
    // the limits here, in the page's process, before the application reads any of it. Messages
    // wait in a queue until the channel to the application is up, so nothing sent early is lost.
    static const QString library = [] {
        QFile channelLibrary(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        if (channelLibrary.open(QIODevice::ReadOnly))
            return QString::fromUtf8(channelLibrary.readAll());
        platform::Log::error(kDomain, QStringLiteral("the web channel library is missing"));
        return QString();
    }();
    const QJsonObject settings{{QStringLiteral("length"), double(limits.maximumLength)},
                               {QStringLiteral("relayLength"), double(limits.maximumRelayLength)},
                               {QStringLiteral("relayStart"), relayPrefix.isEmpty() ? QString()
                                                                : QStringLiteral("{\"method\":\"") + relayPrefix},
                               {QStringLiteral("perSecond"), limits.maximumPerSecond},
                               {QStringLiteral("charactersPerSecond"), double(limits.maximumCharactersPerSecond)}};
    return library + QStringLiteral(
        "\n;(function () {"
        "  if (window.__zelvorChannel) return;"
        "  window.__zelvorChannel = true;"
        "  var limits = %1;"
        "  var queue = [], target = null, connecting = false, second = -1, count = 0, characters = 0, reported = {};"
        "  function connect() {"
        "    if (target || connecting || typeof qt === 'undefined' || !qt.webChannelTransport) return;"
        "    connecting = true;"
        "    new QWebChannel(qt.webChannelTransport, function (channel) {"
        "      target = channel.objects._webkit;"
        "      var pending = queue; queue = [];"
        "      pending.forEach(function (data) { target.webViewBridge_(data); });"
        "    });"
        "  }"
        "  function deliver(data) { if (target) target.webViewBridge_(data); else { queue.push(data); connect(); } }"
        "  function drop(reason, length) {"
        "    if (reported[reason]) return;"
        "    reported[reason] = true;"
        "    deliver(JSON.stringify({method: '_bridge:dropped', arguments: {reason: reason, length: length}}));"
        "  }"
        "  document.addEventListener('zelvor-bridge', function (event) {"
        "    var data = event.detail;"
        "    if (typeof data !== 'string') return;"
        "    var relay = limits.relayStart && data.lastIndexOf(limits.relayStart, 0) === 0;"
        "    var longest = relay && limits.relayLength > 0 ? limits.relayLength : limits.length;"
        "    if (longest > 0 && data.length > longest) { drop('size', data.length); return; }"
        "    var now = Math.floor(performance.now() / 1000);"
        "    if (now !== second) { second = now; count = 0; characters = 0; }"
        "    count += 1; characters += data.length;"
        "    if ((limits.perSecond > 0 && count > limits.perSecond)"
        "        || (limits.charactersPerSecond > 0 && characters > limits.charactersPerSecond)) {"
        "      drop('rate', data.length); return;"
        "    }"
        "    deliver(data);"
        "  }, true);"
        "  document.addEventListener('DOMContentLoaded', connect);"
        "  connect();"
        "  if (!target) setTimeout(connect, 0);"
        "})();")
        .arg(QString::fromUtf8(QJsonDocument(settings).toJson(QJsonDocument::Compact)));
}

RBWebViewController::RBWebViewController(QObject* parent, Storage storage)
    : QObject(parent)
    , m_view(new QWebEngineView)
{
    // A storage of its own: cookies, local storage, caches and the channels between pages of one
    // address are those of this view alone. It is kept in memory, as the shared one is, and goes
    // with the page (its child, so it outlives the page's own teardown).
    QWebEngineProfile* ownProfile = storage == Storage::Private ? new QWebEngineProfile : nullptr;
    m_page = new RBWebViewPage([this] { return m_openLinksInSystemBrowser; }, m_view, ownProfile);
    if (ownProfile)
        ownProfile->setParent(m_page);
    auto* gesture = new UserGesture(m_view, this);
    m_page->setUserGesture([gesture] { return gesture->take(); });
    m_view->setPage(m_page);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);

    m_bridge = new RBWebViewBridge([this](const QString& data) { webViewBridge(data); }, this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("_webkit"), m_bridge);
    m_page->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);

    installBridgeScript();
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        const QString scheme = m_page->url().scheme();
        // Only documents of the web and of files get the bridge (not "about:blank").
        if (ok && (scheme.startsWith(QLatin1String("http")) || scheme == QLatin1String("file")))
            checkBridge();
    });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                platform::Log::warning(kDomain, QStringLiteral("the page's process ended (status %1, exit code %2)")
                                                    .arg(int(status)).arg(exitCode));
                Q_EMIT renderProcessEnded(status != QWebEnginePage::NormalTerminationStatus);
            });

    platform::Log::write(kDomain, platform::Log::Debug,
                         QStringLiteral("RBWebViewController %1 using WebKit2: 1")
                             .arg(QString::number(reinterpret_cast<quintptr>(this), 16)));
}

RBWebViewController::~RBWebViewController()
{
    cleanup();
    if (m_inspector)
        delete m_inspector.data();
    // The owner may have placed the view in its window, which then deletes it.
    if (m_view && !m_view->parent())
        delete m_view.data();
}

QWebEngineView* RBWebViewController::webView() const
{
    return m_view.data();
}

void RBWebViewController::setUserAgent(const QString& userAgent)
{
    if (!m_page)
        return;
    m_page->profile()->setHttpUserAgent(userAgent);
}

void RBWebViewController::setAllowScrolling(bool)
{
}

void RBWebViewController::loadURL(const QString& url)
{
    if (!m_view)
        return;
    m_bridgeReloads = 0;
    m_view->load(QUrl(url));
}

void RBWebViewController::loadFile(const QString& path)
{
    if (!m_view)
        return;
    m_bridgeReloads = 0;
    m_view->load(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void RBWebViewController::loadHTMLString(const QString& html, const QUrl& baseURL)
{
    if (!m_view)
        return;
    const QString folder = baseURL.isLocalFile() ? baseURL.toLocalFile() : baseURL.path();
    const QString path = QDir(folder).filePath(QStringLiteral(".temp.html"));
    // The folder may be a project's: a link standing in the page's place is replaced, not
    // written through.
    QString reason;
    if (!platform::writeFileInside(folder, path, html.toUtf8(), &reason)) {
        platform::Log::warning(kDomain, QStringLiteral("cannot write %1: %2").arg(path, reason));
        return;
    }
    m_bridgeReloads = 0;
    m_view->load(QUrl::fromLocalFile(path));
}

void RBWebViewController::evaluateJavaScript(const QString& script, EvaluationHandler completion)
{
    if (!m_page) {
        if (completion)
            completion(QVariant(), QVariantMap{{QStringLiteral("message"), QStringLiteral("The web view is gone")}});
        return;
    }
    m_page->runJavaScript(wrapForEvaluation(script), QWebEngineScript::MainWorld,
                          [completion](const QVariant& reply) {
                              if (!completion)
                                  return;
                              const QVariantMap map = reply.toMap();
                              if (map.value(QStringLiteral("ok")).toBool())
                                  completion(map.value(QStringLiteral("value")), QVariant());
                              else if (map.contains(QStringLiteral("error")))
                                  completion(QVariant(), map.value(QStringLiteral("error")));
                              else // the page went away or the script never ran
                                  completion(QVariant(), QVariantMap{{QStringLiteral("message"),
                                                                      QStringLiteral("The script could not be evaluated")}});
                          });
}

void RBWebViewController::evaluateCoffeeScript(const QString& source, EvaluationHandler completion)
{
    runCoffeeScriptAction(QStringLiteral("CoffeeScript.eval"), source, std::move(completion));
}

void RBWebViewController::compileCoffeeScript(const QString& source, EvaluationHandler completion)
{
    runCoffeeScriptAction(QStringLiteral("CoffeeScript.compile"), source, std::move(completion));
}

void RBWebViewController::runCoffeeScriptAction(const QString& action, const QString& source, EvaluationHandler completion)
{
    const QString call = QStringLiteral("%1(%2)").arg(action, bridgeToJson(source));
    QPointer<RBWebViewController> self(this);
    evaluateJavaScript(QStringLiteral("typeof(CoffeeScript);"), [self, call, completion](const QVariant& type, const QVariant&) {
        if (!self)
            return;
        if (type.toString() != QLatin1String("undefined")) {
            self->evaluateJavaScript(call, completion);
            return;
        }
        // The compiler is loaded into the page on first use.
        QString path = platform::Bundle::main().pathForResource(QStringLiteral("coffee-script"), QStringLiteral("js"));
        if (path.isEmpty())
            path = platform::Bundle::main().pathForResource(QStringLiteral("coffee-script"), QStringLiteral("js"),
                                                           QStringLiteral("ZelvorTranspiler"));
        QString compiler = platform::readTextFile(path);
        if (compiler.isEmpty())
            platform::Log::warning(kDomain, QStringLiteral("the coffee-script resource is missing"));
        else // the bundled compiler is made for a host without a page: evaluate in the page's scope
            compiler += QStringLiteral(
                "\n;CoffeeScript.eval = function (code, options) {"
                " options = options || {}; if (options.bare == null) options.bare = true;"
                " return (0, eval)(CoffeeScript.compile(code, options)); };");
        self->evaluateJavaScript(compiler, [self, call, completion](const QVariant&, const QVariant&) {
            if (self)
                self->evaluateJavaScript(call, completion);
        });
    });
}

void RBWebViewController::sendBridgeMethod(const QString& method, const QVariant& arguments)
{
    if (!m_page)
        return;
    m_page->runJavaScript(QStringLiteral("window._receive(%1, %2)").arg(bridgeToJson(method), bridgeToJson(arguments)),
                          QWebEngineScript::MainWorld);
}

void RBWebViewController::sendBridgeJson(const QString& method, const QJsonValue& arguments)
{
    if (!m_page)
        return;
    m_page->runJavaScript(QStringLiteral("window._receive(%1, %2)").arg(bridgeToJson(method), bridgeJsonValueToText(arguments)),
                          QWebEngineScript::MainWorld);
}

void RBWebViewController::showInspector(bool)
{
    if (!m_page)
        return;
    if (!m_inspector) {
        m_inspector = new QWebEngineView;
        // The tools live in the storage of the page they inspect.
        m_inspector->setPage(new QWebEnginePage(m_page->profile(), m_inspector));
        m_inspector->setAttribute(Qt::WA_DeleteOnClose, false);
        m_inspector->setWindowTitle(QStringLiteral("Web Inspector"));
        m_inspector->installEventFilter(this);
        connect(m_inspector->page(), &QWebEnginePage::loadFinished, this, [this](bool ok) {
            m_inspectorLoaded = ok;
            if (ok && !m_inspectorCall.isEmpty())
                showInspectorTool(m_inspectorCall == QLatin1String("console") ? InspectorTool::Console : InspectorTool::ElementPicker);
        });
    }
    if (m_inspector->page()->inspectedPage() != m_page) {
        m_inspectorLoaded = false;
        m_inspector->page()->setInspectedPage(m_page);
    }
    if (!m_inspector->isVisible())
        platform::placeWindow(m_inspector, QSize(900, 600), webView());
    m_inspector->show();
    m_inspector->raise();
}

void RBWebViewController::showInspectorTool(InspectorTool tool)
{
    showInspector(true);
    if (!m_inspector)
        return;
    const bool console = tool == InspectorTool::Console;
    m_inspectorCall = console ? QStringLiteral("console") : QStringLiteral("picker");
    if (!m_inspectorLoaded)
        return; // asked again once the tools have loaded
    m_inspectorCall.clear();
    // The tools' own interface takes the call once its front end is up; before that (and before
    // its panels are made) the call is dropped without a word. The console is asked for until
    // its tab shows as the selected one; the picker (a toggle) once, when the front end is up.
    const QString script = console
        ? QStringLiteral("(function attempt(left) {"
                         " function selected(n) { if (!n) return false;"
                         "  if (n.id === 'tab-console' && n.classList && n.classList.contains('selected')) return true;"
                         "  if (n.shadowRoot && selected(n.shadowRoot)) return true;"
                         "  for (var c = n.firstElementChild; c; c = c.nextElementSibling) if (selected(c)) return true;"
                         "  return false; }"
                         " try { if (window.InspectorFrontendAPI) { if (selected(document)) return; DevToolsAPI.showPanel('console'); } }"
                         " catch (e) {}"
                         " if (left > 0) setTimeout(function () { attempt(left - 1); }, 150); })(150);")
        : QStringLiteral("(function attempt(left) { try { if (!window.InspectorFrontendAPI) throw 0;"
                         " DevToolsAPI.enterInspectElementMode(); }"
                         " catch (e) { if (left > 0) setTimeout(function () { attempt(left - 1); }, 100); } })(150);");
    m_inspector->page()->runJavaScript(script);
}

bool RBWebViewController::eventFilter(QObject* watched, QEvent* event)
{
    // Closing the tools lets the page go: a picker left on would keep taking the page's clicks
    // (its layers could not be dragged) with nothing on the screen to say why.
    if (watched == m_inspector && event->type() == QEvent::Hide && m_inspector->page()->inspectedPage()) {
        m_inspectorCall.clear();
        m_inspectorLoaded = false;
        m_inspector->page()->setInspectedPage(nullptr);
    }
    return QObject::eventFilter(watched, event);
}

void RBWebViewController::setConsoleHandler(ConsoleHandler handler)
{
    if (!m_page)
        return;
    m_page->setConsoleHandler([handler = std::move(handler)](QWebEnginePage::JavaScriptConsoleMessageLevel level, const QString& message) {
        if (handler)
            handler(message, level != QWebEnginePage::InfoMessageLevel);
    });
}

bool RBWebViewController::isInspectorOpen() const
{
    return m_inspector && m_inspector->isVisible();
}

bool RBWebViewController::isPageDialogOpen() const
{
    return m_page && m_page->isShowingDialog();
}

void RBWebViewController::cleanup()
{
    if (m_page)
        m_page->setClosing();
    if (m_bridge)
        m_bridge->detach();
}

bool RBWebViewController::terminateRenderProcess()
{
    const qint64 pid = m_page ? m_page->renderProcessPid() : 0;
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), SIGKILL) == 0;
}

void RBWebViewController::installBridgeScript()
{
    if (!m_page)
        return;
    // The channel's world first: its listener is there before the page can send anything.
    const QList<std::pair<QString, QWebEngineScript::ScriptWorldId>> parts{
        {QStringLiteral("RBWebViewBridgeChannel"), QWebEngineScript::ApplicationWorld},
        {QStringLiteral("RBWebViewBridge"), QWebEngineScript::MainWorld}};
    for (const auto& [name, world] : parts) {
        for (const QWebEngineScript& old : m_page->scripts().find(name))
            m_page->scripts().remove(old);
        QWebEngineScript script;
        script.setName(name);
        script.setSourceCode(world == QWebEngineScript::MainWorld ? bridgeUserScript()
                                                                  : bridgeChannelScript(m_limits, m_relayPrefix));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(world);
        script.setRunsOnSubFrames(false);
        m_page->scripts().insert(script);
    }
}

void RBWebViewController::checkBridge()
{
    // The process that replaces a crashed one sometimes starts the page before it has the
    // scripts injected at document creation: without the bridge the page can never say it is
    // ready. It is given the script again and the page is loaded once more.
    QPointer<RBWebViewController> self(this);
    m_page->runJavaScript(QStringLiteral("!!window.__zelvorChannel"), QWebEngineScript::ApplicationWorld,
                          [self](const QVariant& hasBridge) {
                              if (!self || !self->m_page || !hasBridge.isValid())
                                  return; // the page went away meanwhile
                              // A page that navigated on at once (as pages that post and move on
                              // do) is checked when the next one has loaded; asked now, the new
                              // document may not have its scripts yet.
                              if (self->m_page->isLoading())
                                  return;
                              if (hasBridge.toBool()) {
                                  self->m_bridgeReloads = 0;
                                  return;
                              }
                              if (++self->m_bridgeReloads > kMaxBridgeReloads) {
                                  platform::Log::error(kDomain, QStringLiteral("the page's process does not take the bridge script"));
                                  return;
                              }
                              platform::Log::warning(kDomain, QStringLiteral("the page loaded without the bridge; loading it again"));
                              self->installBridgeScript();
                              self->m_page->triggerAction(QWebEnginePage::Reload);
                          });
}

void RBWebViewController::webViewBridge(const QString& json)
{
    // The page's process applies the limits already; these hold should it ever let one pass.
    const bool relayed = !m_relayPrefix.isEmpty() && json.startsWith(QStringLiteral("{\"method\":\"") + m_relayPrefix);
    const qsizetype longest = relayed && m_limits.maximumRelayLength > 0 ? m_limits.maximumRelayLength : m_limits.maximumLength;
    if (longest > 0 && json.size() > longest) {
        droppedMessage(QStringLiteral("size"), json.size());
        return;
    }
    const QJsonObject message = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString method = message.value(QLatin1String("method")).toString();
    const QJsonValue jsonArguments = message.value(QLatin1String("arguments"));
    if (method == QLatin1String("_bridge:dropped")) {
        const QJsonObject dropped = jsonArguments.toObject();
        droppedMessage(dropped.value(QLatin1String("reason")).toString().left(16),
                       qsizetype(dropped.value(QLatin1String("length")).toDouble()));
        return;
    }
    if (m_relayTarget && !m_relayPrefix.isEmpty() && method.startsWith(m_relayPrefix)) {
        if (RBWebViewController* target = m_relayTarget()) {
            target->sendBridgeJson(method, jsonArguments);
            return;
        }
    }
    const QVariant arguments = jsonArguments.toVariant();
    if (method == QLatin1String("DOMContentLoaded")) {
        m_isDocumentReady = true;
        // Handlers may replace themselves while they run: call copies.
        if (DictionaryHandler handler = m_documentReadyHandler)
            handler(QVariantMap());
    } else if (method == QLatin1String("error")) {
        if (ValueHandler handler = m_errorHandler)
            handler(arguments);
    }
    if (BridgeHandler handler = m_bridgeHandler)
        handler(method, arguments);
}

void RBWebViewController::droppedMessage(const QString& reason, qsizetype length)
{
    // The page says so once per reason and load; a message that got here is logged each time.
    if (reason == QLatin1String("rate"))
        platform::Log::warning(kDomain, QStringLiteral("the page sends more messages than %1 a second or more than %2 "
                                                       "characters; the rest of that second's were dropped")
                                            .arg(m_limits.maximumPerSecond).arg(m_limits.maximumCharactersPerSecond));
    else
        platform::Log::warning(kDomain, QStringLiteral("dropped a page message of %1 characters").arg(length));
    if (reason == QLatin1String("size"))
        if (OversizeHandler handler = m_oversizeHandler)
            handler(length);
}
