#pragma once
#include "preview/RBPreviewModuleBuilder.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QDir;
class CodeTranspiler;

class PageWatchdog;
class RBDeviceSettingsMenuController;
class RBDocumentStateUpdate;
class RBPreviewDocument;
class RBPreviewLayerPanel;
class RBWebViewController;

// The live preview of one document. It loads the project's page from the local server (with
// the generated script and the module bundle written beside it), runs every successful compile
// of the editor's text in that page without reloading it, reports the outcome to the editor as
// document state updates, and keeps the device shown in the page in step with the settings.
//
// Main thread only. The document owns the controller and outlives it.
class RBZelvorViewController : public QObject {
    Q_OBJECT
public:
    explicit RBZelvorViewController(QObject* parent = nullptr);
    ~RBZelvorViewController() override;

    // The root view: the web view with the spinner above it until the first page is ready.
    QWidget* view() const { return m_view.data(); }

    RBPreviewDocument* document() const { return m_document; }
    // Stores the document and starts following its compiler's successes and failures.
    void setDocument(RBPreviewDocument* document);
    RBPreviewLayerPanel* layerPanelViewController() const { return m_layerPanel; }
    void setLayerPanelViewController(RBPreviewLayerPanel* panel);

    RBWebViewController* webViewController() const { return m_webViewController.get(); }
    RBDeviceSettingsMenuController* deviceSettingsMenuController() const { return m_deviceMenu.get(); }
    RBPreviewModuleBuilder* zelvorModuleManager() const { return m_moduleManager.get(); }
    // How the module builder is made; without a factory the preview reloads without modules.
    void setModuleBuilderFactory(RBPreviewModuleBuilderFactory factory) { m_moduleBuilderFactory = std::move(factory); }

    // Writes the generated files and loads the project's page again. Before the project is
    // mounted on the local server it only marks the latest program as pending.
    void reload();
    void showInspector();
    // The inspector on its console, or picking an element of the page.
    void showConsole();
    void startElementPicker();
    void toggleInspector();

    // A message of the page (the bridge handler of the page).
    void handleBridgeMethod(const QString& method, const QVariant& arguments);
    // Reads the device state from the page into the settings.
    void handleUpdateFromDevice();
    // The scale commands of the preview's menu.
    void increaseDeviceScale();
    void decreaseDeviceScale();
    void fitDeviceScale();
    // Shows the device at 100 %.
    void actualSizeDeviceScale();
    // Where beeps go (the system beep by default).
    void setBeepHandler(std::function<void()> beep) { m_beep = std::move(beep); }

    std::optional<double> phoneScale() const { return m_phoneScale; }
    void setPhoneScale(std::optional<double> scale) { m_phoneScale = scale; }

    bool isLoading() const { return m_isLoading; }
    bool isEvaluating() const { return m_isEvaluating; }
    bool isFirstLoadDone() const { return m_isFirstLoadDone; }
    bool reloadJSPending() const { return m_reloadJSPending; }
    void setReloadJSPending(bool pending) { m_reloadJSPending = pending; }
    std::uint64_t lastProcessedClientCodeId() const { return m_lastProcessedClientCodeId; }
    bool useHTTPServerLoading() const { return m_useHTTPServerLoading; }

    // The text of "zelvor/zelvor.generated.js" for the document as it stands.
    QString generatedZelvorScriptText() const;

    // The local server cannot serve the project: while the preview has no page yet, the spinner
    // gives way to a message that says why and where the server's log is. A reload, or a change
    // of the code a little later, asks the server again.
    void showServerProblem(const QString& message);
    // The same while a page is shown: the page stays, with the notice above it (see
    // serverNoticeText) until a page is ready again; Refresh asks the server again.
    static QString serverNoticeText(const QString& message);
    // The message shown in place of the page; empty while there is none.
    QString serverProblem() const { return m_serverProblem; }
    // The text of the preview area for a problem of the server.
    static QString serverProblemText(const QString& message);
    // The same for any reason the page cannot be loaded, with a hint at what to do.
    static QString problemText(const QString& message, const QString& hint);
    // Whether the spinner turns (the first page is on its way).
    bool isWaitingForPage() const { return !m_spinner.isNull(); }
    // How soon after the message a change of the code asks the server again: typing must not
    // launch a failing server with every key.
    static constexpr int RetryAfterEditMs = 5000;

    // What the page may send over the bridge: messages of its own up to this many characters,
    // layer trees for the layer panel up to MaximumLayerTreeLength (also the characters of a
    // second), and so many messages a second; the page drops the rest.
    static constexpr qsizetype MaximumPageMessageLength = 64 * 1024;
    static constexpr qsizetype MaximumLayerTreeLength = 32 * 1024 * 1024;
    static constexpr int MaximumPageMessagesPerSecond = 200;

    // Notices a page that no longer answers (an endless loop in the program).
    PageWatchdog* pageWatchdog() const { return m_watchdog; }
    // What the editor shows for a program that was stopped because the page stopped answering.
    static QString stoppedProgramMessage();
    // What the editor shows for a program whose page crashed (ran out of memory, say, or had its
    // process killed): the page comes back without it.
    static QString crashedProgramMessage();
    // What the editor shows when the page crashes again and again before any program runs in it:
    // it is not loaded once more by itself.
    static QString crashedPageMessage();

public Q_SLOTS:
    // The document calls it for every settings change; "deviceScale" and "deviceOrientation"
    // travel into the page.
    void observeConfigValue(const QString& key, const QJsonValue& value);

    // The banner over the preview that shows the program's last run-time error; null while
    // there is none.
    QWidget* errorBanner() const { return m_errorBanner.data(); }

Q_SIGNALS:
    // A compiled program was handed to the page (for tests and timing).
    void clientCodeEvaluated(bool succeeded);
    // The user clicked the error banner: the code should show that (1-based) line.
    void errorBannerClicked(qint64 line);

private:
    // Whether the project has modules to build (a "modules" folder with something in it).
    static bool hasModules(const QDir& project);
    void setUpWebView();
    void showSpinner();
    void showProblem(const QString& message, const QString& hint);
    // Shows a run-time error of the program over the preview, or takes the banner away once a
    // program runs without one.
    void updateErrorBanner(const RBDocumentStateUpdate& update);
    void showServerNotice(const QString& message);
    static QString serverLogHint();
    // Takes the message away and asks the document to get the project served again.
    void retryServer();
    CodeTranspiler* transpiler() const;
    QJsonObject config() const;
    void transpilationSuccess();
    void transpilationFailure(const QVariantMap& error);
    void evaluateClientCode();
    // Runs the newest program after `seconds`, unless asked again before: the last ask wins.
    void evaluateClientCodeAfter(double seconds);
    bool checkForWhileStatements();
    void handleRuntimeError(const QVariantMap& arguments);
    void handleDOMReady();
    void showModuleBuildError(const QString& error, qint64 line);
    void updateWithCurrentSourceMapLocation(RBDocumentStateUpdate& update) const;
    void post(const RBDocumentStateUpdate& update);
    void generateZelvorScript();
    void generateZelvorModulesScript();
    QString moduleError() const;
    void writeDeviceScale(double scale);
    void beep();
    void pageStoppedResponding();
    void renderProcessEnded(bool abnormal);
    void pageCrashedWhileLoading();
    void stopProgram(const QString& program, bool crashed);
    void postStoppedProgram();

    QPointer<QWidget> m_view;
    QPointer<QWidget> m_spinner;
    QPointer<QWidget> m_problemView;
    QPointer<QWidget> m_errorBanner;
    qint64 m_errorBannerLine = 0;
    QPointer<QWidget> m_serverNotice;
    QString m_serverProblem;
    QElapsedTimer m_serverProblemShown;
    std::unique_ptr<RBWebViewController> m_webViewController;
    std::unique_ptr<RBDeviceSettingsMenuController> m_deviceMenu;
    std::unique_ptr<RBPreviewModuleBuilder> m_moduleManager;
    RBPreviewModuleBuilderFactory m_moduleBuilderFactory;
    RBPreviewDocument* m_document = nullptr;
    QPointer<QObject> m_documentGuard;
    RBPreviewLayerPanel* m_layerPanel = nullptr;
    QPointer<RBWebViewController> m_layerPanelWebView;
    std::function<void()> m_beep;
    std::optional<double> m_phoneScale;
    // Device settings sent to the page so far; a state read that saw fewer is out of date.
    quint64 m_deviceSettingsSent = 0;
    bool m_isLoading = false;
    bool m_isEvaluating = false;
    bool m_isUpdatingClientCode = false;
    bool m_isFirstLoadDone = false;
    bool m_useHTTPServerLoading = false;
    bool m_reloadJSPending = false;
    // From a page load until that page says it is ready: programs wait for the new page, since a
    // run now would go to the page it replaces.
    bool m_pageLoading = false;
    std::uint64_t m_lastProcessedClientCodeId = 0;
    PageWatchdog* m_watchdog = nullptr;
    // The program last handed to the page (without its compile identifier).
    QString m_lastRunProgram;
    // The orientation the program last ran at: only a turn to another one runs it again.
    QJsonValue m_orientationOfRun;
    // A program that hung or crashed the page: it does not run again until its code changes.
    QString m_stoppedProgram;
    // Whether it crashed the page rather than hung it (the editor is told which).
    bool m_stoppedProgramCrashed = false;
    // Whether a program was handed to the page now shown; a crash before then is the page's own.
    bool m_pageRanProgram = false;
    // Crashes of the page since one last got ready: a page that crashes while it loads would
    // crash on every load.
    int m_crashesWhileLoading = 0;
    bool m_stoppingUnresponsivePage = false;
};
