#include "preview/RBZelvorViewController.h"

#include "analytics/RBGoogleAnalytics.h"
#include "compiler/CodeTranspiler.h"
#include "messages/NotificationName.h"
#include "messages/ProjectConfig.h"
#include "messages/RBDocumentStateUpdate.h"
#include "model/CompilerPosition.h"
#include "model/Location.h"
#include "model/SourceMap.h"
#include "platform/Bundle.h"
#include "platform/ContainedFiles.h"
#include "platform/Debounce.h"
#include "platform/Dispatch.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/CSSpinningProgressIndicator.h"
#include "platform/StringExtras.h"
#include "preview/DeviceScaleSteps.h"
#include "preview/KVDeviceManager.h"
#include "preview/PageWatchdog.h"
#include "preview/PreviewPage.h"
#include "preview/PreviewPageWriter.h"
#include "preview/RBDeviceSettingsMenuController.h"
#include "preview/RBPreviewDocument.h"
#include "preview/RBPreviewLayerPanel.h"
#include "preview/RBServerLogWindowController.h"
#include "preview/RuntimeErrorArguments.h"
#include "webview/BridgeJson.h"
#include "webview/RBUserAgent.h"
#include "webview/RBWebViewController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>
#include <QWidget>

namespace {
const QString kDomain = QStringLiteral("RBZelvorViewController");
const QString kEvaluateKey = QStringLiteral("evaluateClientCode");
// The layers an importer writes for one design; a far larger file is not one of them.
constexpr qint64 kMaxImportedLayersSize = qint64(64) << 20;

// The device properties of the page and the settings keys they are stored under.
const QList<QPair<QString, QString>>& devicePropertyMap()
{
    static const QList<QPair<QString, QString>> map{
        {QStringLiteral("deviceType"), ProjectConfig::DeviceType},
        {QStringLiteral("deviceScale"), ProjectConfig::DeviceScale},
        {QStringLiteral("contentScale"), ProjectConfig::ContentScale},
        {QStringLiteral("orientation"), ProjectConfig::DeviceOrientation},
        {QStringLiteral("fullScreen"), QStringLiteral("fullScreen")},
        {QStringLiteral("selectedHand"), ProjectConfig::SelectedHand}};
    return map;
}

// A number the page sent, which may arrive as a number or as numeric text; 0 otherwise.
qint64 pageInteger(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? static_cast<qint64>(number) : 0;
}

QString jsonValueText(const QJsonValue& value)
{
    return bridgeToJson(value.toVariant());
}

// The program without the compile identifier in front of it: the same code compiled twice is
// the same program.
QString programText(const QString& javaScript)
{
    static const QRegularExpression identifier(QStringLiteral("^window\\.__zelvorClientCodeId = -?\\d+;"));
    QString text = javaScript;
    text.remove(identifier);
    return text;
}
} // namespace

RBZelvorViewController::RBZelvorViewController(QObject* parent)
    : QObject(parent)
    , m_view(new QWidget)
{
    m_view->setAutoFillBackground(true);
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_view->setPalette(palette);
    setUpWebView();
    QPointer<RBZelvorViewController> self(this);
    platform::dispatchMain([self] {
        if (self)
            self->reload();
    });
}

RBZelvorViewController::~RBZelvorViewController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    platform::cancelDebounce(this, kEvaluateKey);
    m_deviceMenu.reset();
    if (m_webViewController)
        m_webViewController->cleanup();
    if (m_view && !m_view->parent())
        delete m_view.data();
}

void RBZelvorViewController::setUpWebView()
{
    // Each project's page keeps its cookies and storage to itself: the pages of all projects
    // share the server's address, and another project may come from anyone.
    m_webViewController = std::make_unique<RBWebViewController>(nullptr, RBWebViewController::Storage::Private);
    m_useHTTPServerLoading = true;
    m_webViewController->setUserAgent(getUserAgent());
    // The page's "ui:" messages (the layer tree, the layer under the pointer) are the layer
    // panel's: they go straight to its page.
    QPointer<RBZelvorViewController> self(this);
    m_webViewController->setRelay(QStringLiteral("ui:"), [self]() -> RBWebViewController* {
        return self ? self->m_layerPanelWebView.data() : nullptr;
    });
    // What the program prints shows in the server log window, without the developer tools.
    m_webViewController->setConsoleHandler([self](const QString& message, bool) {
        if (self && self->m_document && self->m_documentGuard)
            RBServerLogWindowController::sharedInstance().appendConsoleText(self->m_document->displayName(), message);
    });
    // A project's page may come from anyone: what it sends is bounded before the main thread
    // reads it. Its own messages are short (errors, device changes); only the layer trees it
    // hands to the layer panel are long.
    RBWebViewController::MessageLimits limits;
    limits.maximumLength = MaximumPageMessageLength;
    limits.maximumRelayLength = MaximumLayerTreeLength;
    limits.maximumPerSecond = MaximumPageMessagesPerSecond;
    limits.maximumCharactersPerSecond = MaximumLayerTreeLength;
    m_webViewController->setMessageLimits(limits);
    QWebEngineView* webView = m_webViewController->webView();
    webView->setAcceptDrops(false);
    auto* layout = new QGridLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(webView, 0, 0);
    showSpinner();

    m_watchdog = new PageWatchdog(m_webViewController.get(), this);
    connect(m_watchdog, &PageWatchdog::pageStoppedResponding, this, &RBZelvorViewController::pageStoppedResponding);
    connect(m_webViewController.get(), &RBWebViewController::renderProcessEnded, this,
            &RBZelvorViewController::renderProcessEnded);
}

void RBZelvorViewController::showSpinner()
{
    if (m_spinner)
        return;
    // The spinner turns above the page until the first page says it is ready.
    auto* spinner = new CSSpinningProgressIndicator;
    spinner->setObjectName(QStringLiteral("previewSpinner"));
    spinner->setFixedSize(32, 32);
    if (auto* layout = qobject_cast<QGridLayout*>(m_view->layout()))
        layout->addWidget(spinner, 0, 0, Qt::AlignCenter);
    spinner->setup();
    m_spinner = spinner;
}

void RBZelvorViewController::setDocument(RBPreviewDocument* document)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this);
    m_document = document;
    m_documentGuard = document ? document->documentObject() : nullptr;
    if (!document)
        return;
    m_deviceMenu = std::make_unique<RBDeviceSettingsMenuController>(this);
    CodeTranspiler* compiler = document->transpiler();
    if (!compiler)
        return;
    center.addObserver(CodeTranspiler::kTranspilationSuccessNotification, compiler,
                       [this](const platform::Notification&) { transpilationSuccess(); }, this);
    center.addObserver(CodeTranspiler::kTranspilationFailureNotification, compiler,
                       [this](const platform::Notification& n) { transpilationFailure(n.userInfo); }, this);
}

void RBZelvorViewController::setLayerPanelViewController(RBPreviewLayerPanel* panel)
{
    m_layerPanel = panel;
    m_layerPanelWebView = panel ? panel->webViewController() : nullptr;
    if (panel)
        panel->setZelvorViewController(this);
}

CodeTranspiler* RBZelvorViewController::transpiler() const
{
    return m_document && m_documentGuard ? m_document->transpiler() : nullptr;
}

QJsonObject RBZelvorViewController::config() const
{
    return m_document && m_documentGuard ? m_document->configValues() : QJsonObject();
}

// ---- reload ----

void RBZelvorViewController::reload()
{
    m_reloadJSPending = true;
    if (m_serverNotice) {
        // The server was given up while this page was shown: the page can only come back from a
        // server that runs again.
        delete m_serverNotice.data();
        if (m_document && m_documentGuard) {
            m_document->retryServer();
            return;
        }
    }
    if (!m_serverProblem.isEmpty() && m_document && m_documentGuard && m_document->serverLocalUrl().isEmpty()) {
        retryServer(); // the user asks for the page the server could not give
        return;
    }
    if (!m_document || !m_documentGuard || m_document->serverLocalUrl().isEmpty())
        return; // the document reloads again once the project is mounted
    if (m_problemView) {
        // The project is served now: its page replaces the message.
        delete m_problemView.data();
        m_serverProblem.clear();
        showSpinner();
    }
    if (m_isLoading)
        return;
    m_isLoading = true;

    generateZelvorScript();
    generateZelvorModulesScript();
    // The module build turns the event loop while it waits; a program run in the old page
    // meanwhile must not take the run that the page loaded now is owed.
    m_reloadJSPending = true;

    const QDir project(m_document->projectPath());
    const QString pageProblem = preview::writePreviewPage(project, hasModules(project));
    const platform::EntryKind page = platform::entryKindInside(project.absolutePath(), project.filePath(QStringLiteral("index.html")));
    if (!pageProblem.isEmpty() && (page == platform::EntryKind::Outside || page == platform::EntryKind::Special)) {
        // A page that is there but is not the project's own is easily missed in the preview
        // alone: the editor bar says it too.
        RBDocumentStateUpdate notice;
        notice.setState(RBDocumentStateError);
        notice.setType(RBDocumentStateUpdate::projectNoticeType());
        notice.setMessage(pageProblem);
        post(notice);
    }
    const QString pagePath = project.filePath(QStringLiteral(".temp.html"));
    if (!QFileInfo::exists(pagePath) && (m_spinner || !m_serverProblem.isEmpty())) {
        // There is no page to load at all: say why instead of turning for ever.
        m_isLoading = false;
        showProblem(pageProblem, QStringLiteral("Check that the project folder is there and can be written to, and that its \u201Cindex.html\u201D is a page of its own."));
        return;
    }

    QPointer<RBZelvorViewController> self(this);
    m_webViewController->setBridgeHandler([self](const QString& method, const QVariant& arguments) {
        if (self)
            self->handleBridgeMethod(method, arguments);
    });
    m_pageLoading = true;
    m_pageRanProgram = false;
    m_watchdog->stop();
    const QString pageUrl = m_document->serverLocalUrl() + QStringLiteral(".temp.html?reloader=0");
    m_webViewController->loadURL(pageUrl);
    platform::Log::write(kDomain, platform::Log::Debug, QStringLiteral("page requested %1").arg(pageUrl));
    platform::NotificationCenter::defaultCenter().post(NotificationName::ZelvorRefresh());
    m_isLoading = false;
}

bool RBZelvorViewController::hasModules(const QDir& project)
{
    const QString modules = project.filePath(QStringLiteral("modules"));
    return QFileInfo(modules).isDir() && !QDir(modules).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot);
}

QString RBZelvorViewController::generatedZelvorScriptText() const
{
    preview::GeneratedScriptInput input;
    input.settings = config();
    if (m_document) {
        const QString root = m_document->projectPath();
        const QDir imported(QDir(root).filePath(QStringLiteral("imported")));
        for (const QString& entry : imported.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
            // Only the project's own layers: a link out of it (or a pipe) is skipped unread.
            const QString path = QDir(imported.filePath(entry)).filePath(QStringLiteral("layers.json.js"));
            QString reason;
            if (const std::optional<QByteArray> text = platform::readFileInside(root, path, &reason, kMaxImportedLayersSize))
                input.importedLayerScripts << QString::fromUtf8(*text);
            else if (platform::entryKindInside(root, path) != platform::EntryKind::Missing)
                platform::Log::warning(kDomain, reason);
        }
    }
    const QString device = input.settings.value(ProjectConfig::DeviceType).toString();
    const QString deviceImages = preview::deviceImagesUrl(
        m_useHTTPServerLoading, KVDeviceManager::sharedInstance().deviceIsDeprecated(device),
        QUrl::fromLocalFile(platform::Bundle::main().pathForResource(QStringLiteral("DeviceImages"))).toString(),
        preview::outsideDeviceResourcesUrl());
    input.studioInfo = QJsonObject{{"deviceImagesUrl", deviceImages},
                                   {"documentTitle", m_document ? m_document->displayName() : QString()}};
    input.viewerScript = platform::readTextFile(platform::Bundle::main().pathForResource(
        QStringLiteral("ZelvorStudioViewer"), QStringLiteral("js"), QStringLiteral("ZelvorStudioViewer/build")));
    return preview::generatedZelvorScript(input);
}

void RBZelvorViewController::generateZelvorScript()
{
    const QString root = m_document->projectPath();
    const QString path = QDir(root).filePath(QStringLiteral("zelvor/zelvor.generated.js"));
    QString reason;
    if (!platform::writeFileInside(root, path, generatedZelvorScriptText().toUtf8(), &reason))
        platform::Log::error(kDomain, QStringLiteral("cannot write %1: %2").arg(path, reason));
}

void RBZelvorViewController::generateZelvorModulesScript()
{
    const QDir project(m_document->projectPath());
    if (!hasModules(project))
        return;
    const QString modules = project.filePath(QStringLiteral("modules"));
    if (!m_moduleManager) {
        if (!m_moduleBuilderFactory)
            return; // no module builder in this build: the page loads without modules
        m_moduleManager = m_moduleBuilderFactory(modules);
        if (!m_moduleManager)
            return;
    }
    m_moduleManager->buildForPath(project.filePath(QStringLiteral("zelvor/zelvor.modules.js")));
}

QString RBZelvorViewController::moduleError() const
{
    return m_moduleManager ? m_moduleManager->lastError() : QString();
}

// ---- running compiled programs ----

void RBZelvorViewController::transpilationSuccess()
{
    CodeTranspiler* compiler = transpiler();
    if (!compiler)
        return;
    platform::Log::write(kDomain, platform::Log::Debug, QStringLiteral("compile %1 succeeded").arg(compiler->lastSuccessfulId()));
    if (!m_serverProblem.isEmpty() && m_serverProblemShown.elapsed() >= RetryAfterEditMs)
        retryServer(); // the code changed: the server may have been mended meanwhile
    // A program with a while loop never runs: an endless loop would freeze the page.
    if (!m_isFirstLoadDone) {
        m_isFirstLoadDone = true;
        if (!checkForWhileStatements())
            evaluateClientCode();
        return;
    }
    // The page on its way in runs the newest program once it is ready (handleDOMReady).
    if (m_pageLoading)
        return;
    if (compiler->hasPendingCoffeeScript())
        return;
    if (checkForWhileStatements())
        return;
    if (static_cast<std::uint64_t>(compiler->lastSuccessfulId()) <= m_lastProcessedClientCodeId)
        return;
    // An unset delay means no automatic refresh.
    const double delay = ProjectConfig::updateDelayOf(config()).value_or(0);
    if (delay > 0 || m_reloadJSPending) {
        // The delay lets the user finish typing before a half-written program runs. A page
        // that has just loaded waits for no typing: its program runs at the next turn.
        evaluateClientCodeAfter(m_reloadJSPending ? 0 : delay);
        m_reloadJSPending = false;
    }
}

void RBZelvorViewController::evaluateClientCode()
{
    CodeTranspiler* compiler = transpiler();
    if (!compiler || m_pageLoading || !m_webViewController->isDocumentReady() || compiler->javaScript().isEmpty())
        return;
    m_lastProcessedClientCodeId = static_cast<std::uint64_t>(compiler->lastSuccessfulId());
    const QString program = programText(compiler->javaScript());
    if (!m_stoppedProgram.isEmpty() && program == m_stoppedProgram) {
        // It would stop the page again; the editor keeps saying why it does not run.
        postStoppedProgram();
        return;
    }
    m_lastRunProgram = program;
    m_orientationOfRun = config().value(ProjectConfig::DeviceOrientation);
    m_pageRanProgram = true;
    m_isEvaluating = true;
    m_isUpdatingClientCode = true;
    const QString script = QStringLiteral("ZelvorStudio.runtime.reset();%1;\n\n//@ sourceURL=app.js").arg(compiler->javaScript());
    QPointer<RBZelvorViewController> self(this);
    m_webViewController->evaluateJavaScript(script, [self](const QVariant&, const QVariant& error) {
        if (!self)
            return;
        const bool succeeded = !error.isValid() || error.isNull();
        const QVariantMap thrown = error.toMap();
        if (succeeded) {
            self->m_isEvaluating = false;
            // The one line that says a program runs in the page (the start-up benchmark waits for it).
            platform::Log::write(kDomain, platform::Log::Debug,
                                 QStringLiteral("program %1 ran").arg(self->m_lastProcessedClientCodeId));
            RBDocumentStateUpdate update;
            update.setState(RBDocumentStateOk);
            if (CodeTranspiler* compiler = self->transpiler())
                update.setDuration(compiler->duration());
            self->post(update);
        } else if (thrown.contains(QStringLiteral("name")) || thrown.contains(QStringLiteral("stack"))) {
            // The evaluation caught what the program threw at its top level, so the page never
            // saw it: report it as the page reports the errors of the program's callbacks (still
            // evaluating, so that it is dropped when a newer compile replaces the program).
            self->handleRuntimeError(preview::runtimeErrorArguments(thrown));
            self->m_isEvaluating = false;
        } else {
            // The injection itself failed (the page went away): nothing to report.
            self->m_isEvaluating = false;
        }
        Q_EMIT self->clientCodeEvaluated(succeeded);
    });
}

void RBZelvorViewController::evaluateClientCodeAfter(double seconds)
{
    QPointer<RBZelvorViewController> self(this);
    platform::debounce(this, kEvaluateKey, seconds, [self] {
        if (self)
            self->evaluateClientCode();
    });
}

bool RBZelvorViewController::checkForWhileStatements()
{
    CodeTranspiler* compiler = transpiler();
    if (!compiler)
        return false;
    const QJsonArray whiles = compiler->info().value(QStringLiteral("whiles")).toArray();
    if (whiles.isEmpty())
        return false;
    const QJsonValue first = whiles.first();
    const QString text = first.isObject() ? first.toObject().value(QStringLiteral("location")).toString() : first.toString();
    const LocationPtr location = Location::from(text);
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("syntax"));
    update.setMessage(QStringLiteral("Please don't use while loops."));
    update.setLineIndex(static_cast<quint64>(location->firstLine() + 1));
    update.setColumnIndex(static_cast<quint64>(location->firstColumn() + 1));
    post(update);
    return true;
}

void RBZelvorViewController::transpilationFailure(const QVariantMap& error)
{
    if (!m_serverProblem.isEmpty() && m_serverProblemShown.elapsed() >= RetryAfterEditMs)
        retryServer();
    if (!m_isFirstLoadDone)
        m_isFirstLoadDone = true; // the first compile is done, though it failed
    const QVariantMap location = error.value(QStringLiteral("location")).toMap();
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("syntax"));
    update.setMessage(error.value(QStringLiteral("message")).toString());
    update.setLineIndex(static_cast<quint64>(pageInteger(location.value(QStringLiteral("first_line"))) + 1));
    update.setColumnIndex(static_cast<quint64>(pageInteger(location.value(QStringLiteral("first_column"))) + 1));
    post(update);
}

void RBZelvorViewController::post(const RBDocumentStateUpdate& update)
{
    updateErrorBanner(update);
    if (m_document && m_documentGuard)
        update.post(m_document->documentObject());
}

namespace {
// Counts the settings sent to the page that it has not applied yet (they wait 100 ms there).
const QString kPendingDeviceSettings = QStringLiteral("(window.__zelvorPendingDeviceSettings || 0)");
constexpr int kDeviceReadRetryMs = 150;

QString deviceSettingScript(const QString& call)
{
    return QStringLiteral("window.__zelvorPendingDeviceSettings = %1 + 1; "
                          "window.setTimeout(function() {try {%2} finally {window.__zelvorPendingDeviceSettings--}}, 100)")
        .arg(kPendingDeviceSettings, call);
}
} // namespace

// ---- page messages ----

void RBZelvorViewController::handleBridgeMethod(const QString& method, const QVariant& arguments)
{
    if (method == QLatin1String("DOMContentLoaded"))
        handleDOMReady();
    if (method == QLatin1String("runtime.error"))
        handleRuntimeError(arguments.toMap());
    if (method == QLatin1String("device:change"))
        handleUpdateFromDevice();
    if (method == QLatin1String("change:phoneScale")) {
        bool ok = false;
        const double scale = arguments.toMap().value(QStringLiteral("phoneScale")).toDouble(&ok);
        m_phoneScale = ok ? std::optional<double>(scale) : std::nullopt;
    }
}

void RBZelvorViewController::handleDOMReady()
{
    platform::Log::write(kDomain, platform::Log::Debug, QStringLiteral("page ready"));
    m_pageLoading = false;
    m_crashesWhileLoading = 0;
    m_watchdog->start();
    if (m_spinner) {
        delete m_spinner.data();
        m_spinner = nullptr;
    }
    if (m_serverNotice)
        delete m_serverNotice.data(); // served again
    if (m_problemView) {
        // A page got ready after all (one already on its way when the preview gave up on it).
        delete m_problemView.data();
        m_serverProblem.clear();
    }
    handleUpdateFromDevice();
    const QString error = moduleError();
    if (!error.isEmpty())
        showModuleBuildError(error, -1);
    if (!m_document || !m_documentGuard)
        return;
    // The newly loaded page is owed the latest program. When the compiler's last compile is of
    // the text as it stands, that program runs now: compiling the same text again would only
    // keep the page waiting for the compiler's pause for typing and for the compile.
    CodeTranspiler* compiler = transpiler();
    if (m_reloadJSPending && compiler && !compiler->isIdle())
        return; // the compile under way, or waiting, runs its program here once it succeeds
    if (m_reloadJSPending && compiler && !compiler->isStale() && compiler->lastSuccessfulId() >= 0) {
        m_isFirstLoadDone = true;
        m_reloadJSPending = false;
        if (checkForWhileStatements())
            return;
        evaluateClientCodeAfter(0);
        return;
    }
    m_document->retranspile();
}

void RBZelvorViewController::handleRuntimeError(const QVariantMap& arguments)
{
    const QString error = moduleError();
    if (!error.isEmpty()) {
        showModuleBuildError(error, pageInteger(arguments.value(QStringLiteral("lineNumber"))));
        return;
    }
    CodeTranspiler* compiler = transpiler();
    if (m_isEvaluating && compiler && m_lastProcessedClientCodeId < static_cast<std::uint64_t>(compiler->lastId()))
        return; // a newer compile replaces the program that failed
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("runtime"));
    update.setMessage(arguments.value(QStringLiteral("message")).toString());
    const qint64 line = pageInteger(arguments.value(QStringLiteral("lineNumber"))) - 1;
    const qint64 column = pageInteger(arguments.value(QStringLiteral("colNumber"))) - 1;
    update.setLineIndex(static_cast<quint64>(std::max<qint64>(line, 0)));
    update.setColumnIndex(static_cast<quint64>(std::max<qint64>(column, 0)));
    if (arguments.value(QStringLiteral("type")).toString() == QLatin1String("coffeescript"))
        updateWithCurrentSourceMapLocation(update);
    post(update);
}

void RBZelvorViewController::updateWithCurrentSourceMapLocation(RBDocumentStateUpdate& update) const
{
    CodeTranspiler* compiler = transpiler();
    if (!compiler)
        return;
    LocationPtr location = SourceMap::jsToCoffeeLocation(compiler->sourceMap(),
                                                         static_cast<qint64>(update.lineIndex()) + 1,
                                                         static_cast<qint64>(update.columnIndex()) + 1);
    // The map counts the compiler's lines; the editor also ends lines at CR and U+2028.
    if (const auto& lines = compiler->coffeeLines())
        location = editorLocationOfCompilerPosition(*lines, location->firstLine(), location->firstColumn());
    // A position the map does not know gives line 0 and column 0.
    update.setLineIndex(static_cast<quint64>(std::max<qint64>(location->firstLine() + 1, 0)));
    update.setColumnIndex(static_cast<quint64>(std::max<qint64>(location->firstColumn() + 1, 0)));
}

void RBZelvorViewController::showModuleBuildError(const QString& error, qint64 line)
{
    const QStringList lines = error.split(QLatin1Char('\n'));
    const QString text = lines.size() > 1
        ? QStringLiteral("%1 near '%2'").arg(QFileInfo(lines.at(0)).fileName(), lines.at(1))
        : error;
    m_webViewController->evaluateJavaScript(QStringLiteral("console.error(%1)").arg(bridgeToJson(error)));
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("module"));
    update.setMessage(QStringLiteral("ModuleBuildError: %1").arg(text));
    update.setLineIndex(static_cast<quint64>(line));
    update.setColumnIndex(0);
    post(update);
}

// ---- device synchronisation ----

void RBZelvorViewController::handleUpdateFromDevice()
{
    QStringList properties;
    for (const auto& row : devicePropertyMap())
        properties << row.first;
    QPointer<RBZelvorViewController> self(this);
    // While a setting the application sent is still on its way into the page, the page shows an
    // older state: writing that back would undo the user's newer choice. Read again once the page
    // has applied everything it was sent.
    m_webViewController->evaluateJavaScript(
        QStringLiteral("%1 > 0 ? null : JSON.stringify(_.pick(Zelvor.Device, %2));")
            .arg(kPendingDeviceSettings, bridgeToJson(properties)),
        [self, sentBefore = m_deviceSettingsSent](const QVariant& answer, const QVariant& error) {
            if (!self || !self->m_document || !self->m_documentGuard)
                return;
            const bool newerSettingSent = self->m_deviceSettingsSent != sentBefore;
            if (newerSettingSent || (answer.isNull() && !(error.isValid() && !error.isNull()))) {
                QTimer::singleShot(kDeviceReadRetryMs, self.data(), [self] {
                    if (self)
                        self->handleUpdateFromDevice();
                });
                return;
            }
            if (error.isValid() && !error.isNull()) {
                platform::Log::warning(kDomain, QStringLiteral("cannot read the device state: %1")
                                                    .arg(error.toMap().value(QStringLiteral("message")).toString()));
                return;
            }
            const QVariant parsed = bridgeFromJson(answer.toString());
            if (parsed.typeId() != QMetaType::QVariantMap)
                return;
            const QVariantMap values = parsed.toMap();
            const QString device = values.value(ProjectConfig::DeviceType).toString();
            RBPreviewDocument* document = self->m_document;
            const KVDeviceManager& devices = KVDeviceManager::sharedInstance();
            if (devices.deviceIsIncluded(device)) {
                for (const auto& row : devicePropertyMap()) {
                    if (values.contains(row.first))
                        document->setConfigValue(row.second, QJsonValue::fromVariant(values.value(row.first)));
                    else
                        document->removeConfigValue(row.second);
                }
                document->saveConfig();
                if (self->m_deviceMenu)
                    self->m_deviceMenu->setDeviceType(device);
            } else if (devices.deviceIsDeprecated(device)) {
                return;
            } else {
                document->setConfigValue(ProjectConfig::DeviceType, devices.noDevice());
                document->setConfigValue(ProjectConfig::DeviceOrientation, 0);
                document->saveConfig();
                if (self->m_deviceMenu)
                    self->m_deviceMenu->setDeviceType(devices.noDevice());
            }
        });
}

void RBZelvorViewController::observeConfigValue(const QString& key, const QJsonValue& value)
{
    if (!m_webViewController->isDocumentReady())
        return; // the page reads the settings from the generated script when it loads
    if (key == ProjectConfig::DeviceScale || key == ProjectConfig::DeviceOrientation)
        ++m_deviceSettingsSent;
    if (key == ProjectConfig::DeviceScale) {
        const double scale = value.isString() ? -1 : value.toDouble();
        const QString argument = scale < 0 ? QStringLiteral("\"fit\"") : jsonValueText(value);
        m_webViewController->evaluateJavaScript(
            deviceSettingScript(QStringLiteral("Zelvor.Device.setDeviceScale(%1, true)").arg(argument)));
    } else if (key == ProjectConfig::DeviceOrientation) {
        m_webViewController->evaluateJavaScript(
            deviceSettingScript(QStringLiteral("Zelvor.Device.setOrientation(%1, true)").arg(jsonValueText(value))));
        // The page writes back every device setting whenever one changes: only a turn to
        // another orientation gives the screen another size. The program then runs again for
        // it, as it would on a turned device, once the page has turned (the setting waits
        // 100 ms there).
        if (value.toDouble(0) == m_orientationOfRun.toDouble(0)) // an unset orientation is upright
            return;
        evaluateClientCodeAfter(0.25);
    }
}

void RBZelvorViewController::writeDeviceScale(double scale)
{
    if (!m_document || !m_documentGuard)
        return;
    m_document->setConfigValue(ProjectConfig::DeviceScale, scale);
    m_document->saveConfig();
}

void RBZelvorViewController::fitDeviceScale()
{
    writeDeviceScale(-1);
}

void RBZelvorViewController::actualSizeDeviceScale()
{
    writeDeviceScale(1);
}

void RBZelvorViewController::increaseDeviceScale()
{
    const auto step = preview::stepDeviceScale(config().value(ProjectConfig::DeviceScale), m_phoneScale, true);
    if (step.action == preview::DeviceScaleStep::Action::Write)
        writeDeviceScale(step.scale);
    else if (step.action == preview::DeviceScaleStep::Action::Beep)
        beep();
}

void RBZelvorViewController::decreaseDeviceScale()
{
    const auto step = preview::stepDeviceScale(config().value(ProjectConfig::DeviceScale), m_phoneScale, false);
    if (step.action == preview::DeviceScaleStep::Action::Write)
        writeDeviceScale(step.scale);
    else if (step.action == preview::DeviceScaleStep::Action::Beep)
        beep();
}

void RBZelvorViewController::beep()
{
    if (m_beep)
        m_beep();
    else
        QApplication::beep();
}

// ---- a page that stops ----

QString RBZelvorViewController::stoppedProgramMessage()
{
    // Short enough for the editor's error bar: the reason first.
    return QStringLiteral("The prototype hung (an endless loop?) and was stopped. Change the code to run it again.");
}

QString RBZelvorViewController::crashedProgramMessage()
{
    return QStringLiteral("The prototype crashed the preview (out of memory?) and was stopped. Change the code to run it again.");
}

QString RBZelvorViewController::crashedPageMessage()
{
    return QStringLiteral("The preview page crashed while loading, twice. Click Refresh to load it again.");
}

void RBZelvorViewController::stopProgram(const QString& program, bool crashed)
{
    m_stoppedProgram = program;
    m_stoppedProgramCrashed = crashed;
    postStoppedProgram();
}

void RBZelvorViewController::postStoppedProgram()
{
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("runtime"));
    update.setMessage(m_stoppedProgramCrashed ? crashedProgramMessage() : stoppedProgramMessage());
    post(update);
}

void RBZelvorViewController::pageStoppedResponding()
{
    platform::Log::warning(kDomain, QStringLiteral("the preview page stopped responding; stopping it"));
    stopProgram(m_lastRunProgram, false);
    // Nothing in the page runs any more, not even a request to stop: end its process. The page
    // is loaded again when the end is reported, without the program.
    m_stoppingUnresponsivePage = true;
    if (!m_webViewController->terminateRenderProcess()) {
        m_stoppingUnresponsivePage = false;
        reload();
    }
}

void RBZelvorViewController::renderProcessEnded(bool abnormal)
{
    m_watchdog->stop();
    m_isEvaluating = false;
    // The page is gone: programs wait for the one loaded next.
    m_pageLoading = true;
    const bool stoppedHere = std::exchange(m_stoppingUnresponsivePage, false);
    const bool programInPage = std::exchange(m_pageRanProgram, false);
    if (!stoppedHere && abnormal) {
        if (programInPage) {
            // A program that takes its page down (running out of memory, say) would do it again
            // on every load: it waits for a change of its code, as a hung one does.
            stopProgram(m_lastRunProgram, true);
        } else if (++m_crashesWhileLoading > 1) {
            pageCrashedWhileLoading();
            return;
        }
    }
    // A page whose process ended shows nothing: load it again (a reload runs the newest program
    // that may run).
    reload();
}

void RBZelvorViewController::pageCrashedWhileLoading()
{
    // Nothing of the program ran in it: the page itself (or what it loads) takes its process
    // down, and loading it again by itself would only crash it again.
    platform::Log::warning(kDomain, QStringLiteral("the preview page crashed again while loading; it waits for a reload"));
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("runtime"));
    update.setMessage(crashedPageMessage());
    post(update);
    showProblem(crashedPageMessage(), QStringLiteral("Check the project\u2019s page and its modules."));
}

// ---- a server that cannot serve the project ----

QString RBZelvorViewController::serverProblemText(const QString& message)
{
    return problemText(message, serverLogHint());
}

QString RBZelvorViewController::serverLogHint()
{
    return QStringLiteral("What the preview server printed is in its log: click Server Log in the toolbar "
                          "(or choose Window \u25B8 Preview Server Log).");
}

QString RBZelvorViewController::problemText(const QString& message, const QString& hint)
{
    return QStringLiteral("<p style=\"font-size: 15px; font-weight: 600;\">The preview cannot be shown.</p>"
                          "<p>%1</p><p>%2</p>"
                          "<p>The preview tries again when you change the code or click Refresh.</p>")
        .arg(message.toHtmlEscaped(), hint.toHtmlEscaped());
}

void RBZelvorViewController::updateErrorBanner(const RBDocumentStateUpdate& update)
{
    if (update.state() != RBDocumentStateError) {
        if (m_errorBanner)
            m_errorBanner->hide();
        return;
    }
    // Only what the running program did wrong: a compile error leaves the last program running,
    // and the bar under the code says it.
    if (update.type() == u"syntax")
        return;
    if (!m_errorBanner) {
        auto* banner = new QPushButton;
        banner->setObjectName(QStringLiteral("runtimeErrorBanner"));
        banner->setCursor(Qt::PointingHandCursor);
        banner->setToolTip(QStringLiteral("Show the line in the code"));
        banner->setStyleSheet(QStringLiteral("QPushButton { background: rgba(196, 43, 28, 235); color: white; border: none;"
                                             " border-bottom-left-radius: 6px; border-bottom-right-radius: 6px; padding: 6px 14px; font-weight: 600; text-align: left; }"
                                             "QPushButton:hover { background: rgba(214, 56, 40, 245); }"));
        banner->setMaximumWidth(520);
        connect(banner, &QPushButton::clicked, this, [this] { Q_EMIT errorBannerClicked(m_errorBannerLine); });
        if (auto* layout = qobject_cast<QGridLayout*>(m_view->layout()))
            layout->addWidget(banner, 0, 0, Qt::AlignTop | Qt::AlignHCenter);
        m_errorBanner = banner;
    }
    m_errorBannerLine = qint64(update.lineIndex());
    QString message = update.message().trimmed();
    if (message.isEmpty())
        message = QStringLiteral("Unknown runtime error");
    message = platform::capitalizedSentence(message);
    if (message.size() > 200)
        message = message.left(200) + QStringLiteral("\u2026");
    const QString text = m_errorBannerLine > 0 ? QStringLiteral("Line %1: %2").arg(m_errorBannerLine).arg(message) : message;
    auto* banner = static_cast<QPushButton*>(m_errorBanner.data());
    // One line, cut to the room there is: the whole text is in the tooltip and the bar.
    banner->setText(banner->fontMetrics().elidedText(text, Qt::ElideRight, 480));
    banner->setToolTip(text + QStringLiteral("\n\nClick to show the line in the code."));
    banner->show();
    banner->raise();
}

void RBZelvorViewController::showServerProblem(const QString& message)
{
    if (!m_spinner && m_serverProblem.isEmpty() && m_webViewController->isDocumentReady()) {
        showServerNotice(message);
        return;
    }
    showProblem(message, serverLogHint());
}

QString RBZelvorViewController::serverNoticeText(const QString& message)
{
    return QStringLiteral("The preview server stopped: %1 This page still runs your edits, but it cannot be "
                          "reloaded or mirrored. Click Refresh to start the server again.")
        .arg(message);
}

void RBZelvorViewController::showServerNotice(const QString& message)
{
    // A page is shown and keeps running the edits, but nothing new reaches it from the server:
    // the user hears it above the page, which stays.
    platform::Log::warning(kDomain, QStringLiteral("the preview server cannot serve the project: %1").arg(message));
    if (!m_serverNotice) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("serverNotice"));
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setMargin(8);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xCC));
        palette.setColor(QPalette::WindowText, QColor(0x36, 0x36, 0x3A));
        label->setPalette(palette);
        if (auto* layout = qobject_cast<QGridLayout*>(m_view->layout()))
            layout->addWidget(label, 0, 0, Qt::AlignTop);
        m_serverNotice = label;
    }
    static_cast<QLabel*>(m_serverNotice.data())->setText(serverNoticeText(message));
    m_serverNotice->show();
    m_serverNotice->raise();
}

void RBZelvorViewController::showProblem(const QString& message, const QString& hint)
{
    if (!m_spinner && m_serverProblem.isEmpty()) {
        // A page is shown already and keeps running the edits; its next reload needs the server.
        platform::Log::warning(kDomain, QStringLiteral("the preview server cannot serve the project: %1").arg(message));
        return;
    }
    m_serverProblem = message;
    m_serverProblemShown.start();
    if (m_spinner) {
        delete m_spinner.data();
        m_spinner = nullptr;
    }
    if (!m_problemView) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("serverProblem"));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setTextFormat(Qt::RichText);
        label->setMargin(24);
        label->setMaximumWidth(460);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, QColor(0x36, 0x36, 0x3A));
        label->setPalette(palette);
        if (auto* layout = qobject_cast<QGridLayout*>(m_view->layout()))
            layout->addWidget(label, 0, 0, Qt::AlignCenter);
        m_problemView = label;
    }
    static_cast<QLabel*>(m_problemView.data())->setText(problemText(message, hint));
    m_problemView->show();
}

void RBZelvorViewController::retryServer()
{
    if (m_problemView)
        delete m_problemView.data();
    m_serverProblem.clear();
    showSpinner();
    if (!m_document || !m_documentGuard)
        return;
    if (m_document->serverLocalUrl().isEmpty())
        m_document->retryServer();
    else
        reload(); // served, but the page could not be made: make it again
}

// ---- inspector ----

void RBZelvorViewController::showInspector()
{
    m_webViewController->showInspector(true);
}

void RBZelvorViewController::showConsole()
{
    m_webViewController->showInspectorTool(RBWebViewController::InspectorTool::Console);
}

void RBZelvorViewController::startElementPicker()
{
    m_webViewController->showInspectorTool(RBWebViewController::InspectorTool::ElementPicker);
}

void RBZelvorViewController::toggleInspector()
{
    RBGoogleAnalytics::sharedInstance().trackEvent(QStringLiteral("app|inspector.toggle"));
    showInspector();
}
