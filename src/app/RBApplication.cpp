#include "app/RBApplication.h"

#include "Mixpanel/Mixpanel.h"
#include "analytics/RBMetrics.h"
#include "app/AppBuildSettings.h"
#include "app/links/RBDocumentURLManager.h"
#include "app/CrashReporter.h"
#include "app/LaunchArguments.h"
#include "app/RBMainMenu.h"
#include "app/RBPreferencesWindow.h"
#include "webview/RBUserAgent.h"
#include "app/UpdateChecker.h"
#include "app/install/PFMoveToApplicationsFolder.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/RunLeftovers.h"
#include "messages/FeedbackAddress.h"
#include "platform/Bundle.h"
#include "platform/Dispatch.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/Document.h"
#include "platform/gui/ModalQuestions.h"
#include "platform/gui/RestorableWindow.h"
#include "platform/gui/WindowRestoration.h"
#include "preview/RBServerController.h"
#include "preview/midi/RBMIDIController.h"

#include <QApplication>
#include <QDesktopServices>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include <cstdio>

#include <unistd.h>

namespace {

const QString kDomain = QStringLiteral("application");
const QString kFirstTimeWelcomeKey = QStringLiteral("FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew");
const QString kWelcomeOnStartupKey = QStringLiteral("WelcomeWindowShowOnStartup");
const QString kDataCollectionDisabledKey = QStringLiteral("RBDataCollectionDisabled");
// Seconds after launching before the documentation window is made.
constexpr double kDocumentationWindowDelay = 2.0;

RBApplication*& sharedApplication()
{
    static RBApplication* instance = nullptr;
    return instance;
}

} // namespace

const QString& RBApplication::WillResignActiveNotification()
{
    static const QString name = QStringLiteral("RBApplicationWillResignActiveNotifcation");
    return name;
}

RBApplication* RBApplication::sharedInstance()
{
    return sharedApplication();
}

RBApplication::RBApplication()
    : RBApplication(Options())
{
}

RBApplication::RBApplication(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_defaults(m_options.defaults ? m_options.defaults : &platform::UserDefaults::standard())
{
    sharedApplication() = this;
    // An application of an earlier run in this process ended with every question cancelled.
    platform::ModalQuestions::setCancellingEveryQuestion(false);

    // The first document controller made is the shared one that every open request uses.
    m_documentController = std::make_unique<RBDocumentController>();
    m_documentController->setRecentDocumentsStore(m_defaults);
    m_documentController->setShowWelcomeWindow([this] { showWelcomeWindow(); });
    // What a document and its window need of the application: the controller hands these to
    // every document it makes.
    RBDocumentServices services = m_documentController->services();
    services.pluginsPath = [this] { return pluginsPath(); };
    services.showPluginsPath = [this] { showPluginsPath(); };
    services.shouldCloseRestoredDocuments = [this] { return m_shouldCloseRestoredDocuments; };
    services.isQuitting = [this] { return m_askingToQuit || m_terminated; };
    services.websiteURL = AppBuildSettings::websiteURL();
    m_documentController->setServices(services);
    step(QStringLiteral("init.documentController"));

    // Metrics come up before launching and before the defaults are registered: they see only
    // what the user's store already holds.
    setUpMetrics();
    step(QStringLiteral("init.metrics"));

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                applicationDidBecomeActive();
            else
                applicationWillResignActive();
        });
#ifndef QT_NO_SESSIONMANAGER
        // Logging out asks about unsaved work as quitting does; a cancel keeps the session.
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            const bool mayAsk = manager.allowsInteraction();
            if (!commitDataRequest(mayAsk))
                manager.cancel();
            if (mayAsk)
                manager.release();
        });
#endif
        connect(app, &QGuiApplication::lastWindowClosed, this, [this] {
            // Closing a project window may bring the welcome window up: decide once the close is over.
            platform::dispatchAfter(0.2, this, [this] { lastWindowClosed(); });
        });
    }
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { applicationWillTerminate(); });
}

RBApplication::~RBApplication()
{
    // The documents go with their controller below: the list of open windows is not written
    // again from an application half taken apart.
    if (m_documentController)
        disconnect(m_documentController.get(), nullptr, this, nullptr);
    for (platform::Document* document : m_documentController ? m_documentController->documents() : QList<platform::Document*>())
        disconnect(document, nullptr, this, nullptr);
    m_minuteIntervalTimer.stop();
    if (sharedApplication() == this)
        sharedApplication() = nullptr;
}

// ---------------------------------------------------------------- life cycle

void RBApplication::launch(const QStringList& items)
{
    applicationWillFinishLaunching();
    applicationDidFinishLaunching();
    const bool restored = restoreWindows();
    if (!items.isEmpty())
        openItems(items);
    else if (!restored)
        applicationShouldOpenUntitledFile();
    keepOpenProjects();
    connect(m_documentController.get(), &platform::DocumentController::documentsChanged, this, &RBApplication::keepOpenProjects,
            Qt::UniqueConnection);
    if (!m_options.leftoversFolder.isEmpty())
        platform::dispatchMain(this, [this] { offerLeftoverProjects(); });
}

void RBApplication::offerLeftoverProjects()
{
    // What an untitled project starts with is no work of the user's.
    const QString starter = platform::readTextFile(
        QDir(platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate"))).filePath(QStringLiteral("app.coffee")));
    for (const QString& run : RunLeftovers::deadRunFolders(m_options.leftoversFolder)) {
        for (const RunLeftovers::UntitledProject& project : RunLeftovers::editedUntitledProjects(run, starter)) {
            platform::Alert alert;
            alert.setAlertStyle(platform::Alert::Warning);
            alert.setMessageText(QStringLiteral("An untitled project was never saved."));
            alert.setInformativeText(QStringLiteral("Zelvor Studio ended while \u201C%1\u201D was open; it was last edited on %2. "
                                                    "Open it again to save its program? Otherwise it is deleted.")
                                         .arg(project.name, QLocale().toString(project.lastEdit, QLocale::ShortFormat)));
            alert.addButton(QStringLiteral("Open"));
            alert.addButton(QStringLiteral("Delete"));
            const int answer = alert.runModal();
            if (answer == platform::Alert::kFirstButtonReturn + 1)
                continue; // deleted with the folder below
            if (answer != platform::Alert::kFirstButtonReturn)
                return; // not answered (the application is quitting): all stays for the next start
            auto* document = qobject_cast<RBDocument*>(m_documentController->newDocument());
            if (!document) {
                platform::Log::error(kDomain, QStringLiteral("No project for the recovered %1; it stays in %2").arg(project.name, run));
                return; // nothing is removed that was not taken over
            }
            document->restoreProgram(project.program);
        }
        if (!QDir(run).removeRecursively())
            platform::Log::warning(kDomain, QStringLiteral("Could not remove the temporary folder %1").arg(run));
    }
}

void RBApplication::keepOpenProjects()
{
    // A quit writes its own list before it closes the windows.
    if (m_askingToQuit || m_terminated)
        return;
    for (platform::Document* document : m_documentController->documents())
        connect(document, &platform::Document::fileURLChanged, this, &RBApplication::keepOpenProjects, Qt::UniqueConnection);
    platform::WindowRestoration::saveDocuments(*m_defaults, m_documentController->documents());
}

bool RBApplication::restoreWindows()
{
    const QList<platform::WindowRestoration::Entry> entries = platform::WindowRestoration::restorableDocuments(*m_defaults);
    // Taken once: a launch that fails while bringing them back does not try again and again.
    platform::WindowRestoration::clear(*m_defaults);
    int shown = 0;
    for (const platform::WindowRestoration::Entry& entry : entries) {
        if (!QFileInfo(entry.path).isDir()) {
            platform::Log::info(kDomain, QStringLiteral("The project %1 of the last session is gone").arg(entry.path));
            continue;
        }
        m_documentController->openDocumentWithContentsOfURL(
            entry.path, true, [this, &entry, &shown](platform::Document* document, bool, const QString& error) {
                if (!document) {
                    platform::Log::warning(kDomain, QStringLiteral("The project %1 of the last session could not be opened: %2").arg(entry.path, error));
                    return;
                }
                if (auto* window = dynamic_cast<platform::RestorableWindow*>(document->window()))
                    window->windowDidDecodeRestorableState(entry.state);
                if (!m_shouldCloseRestoredDocuments)
                    ++shown;
            });
    }
    return shown > 0;
}

void RBApplication::applicationWillFinishLaunching()
{
    m_launchDate = QDateTime::currentDateTime();
    RBDocumentServices services = m_documentController->services();
    services.launchDate = m_launchDate;
    services.libraryServerURL = AppBuildSettings::libraryServerURL();
    m_documentController->setServices(services);
    step(QStringLiteral("willFinish.launchDate"));

    setUpSparkle();
    step(QStringLiteral("willFinish.updates"));

    // Links reach the application as launch items: from the command line of this launch or of a
    // later one (see SingleInstance); openItems() sends "zelvor://" ones to handleURLEvent.
    step(QStringLiteral("willFinish.linkHandler"));
}

void RBApplication::applicationDidFinishLaunching()
{
    offerCrashReports();
    step(QStringLiteral("didFinish.crashReports"));

    // A copy started from Downloads, a temporary folder or removable media offers to move
    // itself where applications live (and then starts anew from there).
    PFMoveToApplicationsFolderIfNecessary(*m_defaults);
    step(QStringLiteral("didFinish.moveToApplications"));

    setUpMenuItems();
    step(QStringLiteral("didFinish.menus"));

    setUpDefaults();
    step(QStringLiteral("didFinish.defaults"));

    setUpWelcomeWindow();
    step(QStringLiteral("didFinish.welcome"));

    // Its page would be loaded beside the first project's preview and hold the start of the
    // preview back: it comes once the windows opened now have had their turn (the window is
    // made at once when asked for before).
    if (m_options.makeDocumentationWindow)
        platform::dispatchAfter(kDocumentationWindowDelay, this, [this] {
            if (!m_terminated && !m_askingToQuit)
                m_options.makeDocumentationWindow();
        });
    step(QStringLiteral("didFinish.docsWindow"));

    m_minuteIntervalTimer.start(60, [this] { handleMinuteInterval(); }, true);
    step(QStringLiteral("didFinish.activityTimer"));
    m_launched = true;
}

void RBApplication::offerCrashReports()
{
    // After the start-up has finished: the question must not hold the windows back.
    const QString directory = m_options.crashReportDirectory.isEmpty() ? CrashReporter::defaultDirectory()
                                                                       : m_options.crashReportDirectory;
    if (CrashReporter::pendingReports(directory).isEmpty())
        return;
    platform::dispatchMain([directory] { CrashReporter::offerPendingReports(directory); });
}

void RBApplication::openItems(const QStringList& items)
{
    if (items.isEmpty()) {
        const bool visible = std::any_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                                         [](QWidget* w) { return w->isVisible() && w->isWindow() && !w->isHidden(); });
        applicationShouldHandleReopen(visible);
        return;
    }
    for (const QString& item : items) {
        if (isZelvorLink(item))
            handleURLEvent(item);
        else
            openProjectFolder(item);
    }
}

void RBApplication::openProjectFolder(const QString& path)
{
    if (!QFileInfo(path).isDir()) {
        platform::Alert alert;
        alert.setMessageText(QStringLiteral("The project “%1” could not be opened.").arg(QFileInfo(path).fileName()));
        alert.setInformativeText(QFileInfo::exists(path)
                                     ? QStringLiteral("%1 is not a project folder.").arg(path)
                                     : QStringLiteral("There is no folder at %1.").arg(path));
        alert.runModal();
        return;
    }
    m_documentController->openDocumentWithContentsOfURL(path, true, [path](platform::Document* document, bool, const QString& error) {
        if (document) {
            if (QWidget* window = document->window()) {
                window->raise();
                window->activateWindow();
            }
            return;
        }
        platform::Alert alert;
        alert.setMessageText(QStringLiteral("The project “%1” could not be opened.").arg(QFileInfo(path).fileName()));
        alert.setInformativeText(error);
        alert.runModal();
    });
}

void RBApplication::bringOpenQuestionForward()
{
    QWidget* question = QApplication::activeModalWidget();
    if (!question)
        return;
    if (QWidget* owner = question->parentWidget())
        owner->window()->raise();
    question->raise();
    question->activateWindow();
}

bool RBApplication::terminate()
{
    if (m_terminated)
        return true;
    if (m_askingToQuit) {
        // The quit under way asks its own questions: the one on screen comes to the front, in
        // case another window has covered it since.
        bringOpenQuestionForward();
        return false;
    }
    if (m_quitWaitingForQuestions || platform::ModalQuestions::openCount() > 0) {
        quitOnceQuestionsEnd();
        return true;
    }
    // The windows open now come back at the next launch (the list is rewritten at every quit).
    platform::WindowRestoration::saveDocuments(*m_defaults, m_documentController->documents());
    m_askingToQuit = true;
    const bool closed = m_documentController->closeAllDocuments();
    m_askingToQuit = false;
    if (!closed) {
        keepOpenProjects();
        return false;
    }
    applicationWillTerminate();
    QCoreApplication::quit();
    return true;
}

void RBApplication::quitOnceQuestionsEnd()
{
    // The code that asked is still on the stack, waiting for the answer, and may hold the very
    // document a quit would delete: the questions are answered as Cancel (later ones too, at
    // once), and the quit goes on from the main loop once the last has returned.
    if (m_quitWaitingForQuestions)
        return;
    m_quitWaitingForQuestions = true;
    platform::Log::info(kDomain, QStringLiteral("Quitting once the open questions are answered"));
    platform::ModalQuestions::setCancellingEveryQuestion(true);
    platform::ModalQuestions::cancelAll();
    platform::ModalQuestions::whenNoneOpen([self = QPointer<RBApplication>(this)] {
        platform::ModalQuestions::setCancellingEveryQuestion(false);
        if (!self)
            return;
        self->m_quitWaitingForQuestions = false;
        self->terminate();
    });
}

void RBApplication::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    // The application ends: nothing asks any more (a page still running may try to).
    platform::ModalQuestions::setCancellingEveryQuestion(true);
    m_minuteIntervalTimer.stop();
    if (Mixpanel* client = m_options.mixpanel ? m_options.mixpanel : Mixpanel::sharedInstance())
        client->applicationWillTerminate();
    if (m_options.stopServer)
        m_options.stopServer();
    else
        RBServerController::sharedInstance().stop();
    m_defaults->synchronize();
}

void RBApplication::handleTerminationSignal(int signal)
{
    // The system may end the program before the questions are answered.
    backUpUnsavedWork();
    if (m_askingToQuit) {
        platform::Log::warning(kDomain, QStringLiteral("Signal %1 while asking about unsaved work: quitting at once").arg(signal));
        applicationWillTerminate();
        if (m_options.exitAtOnce) {
            m_options.exitAtOnce(128 + signal);
        } else {
            std::fflush(nullptr);
            ::_exit(128 + signal);
        }
        return;
    }
    platform::Log::info(kDomain, QStringLiteral("Quitting on signal %1").arg(signal));
    terminate();
}

bool RBApplication::commitDataRequest(bool allowsInteraction)
{
    // The session may end the program before the questions are answered, or without any.
    backUpUnsavedWork();
    if (!allowsInteraction) {
        m_defaults->synchronize();
        return true;
    }
    return terminate();
}

void RBApplication::backUpUnsavedWork()
{
    for (platform::Document* document : m_documentController->documents())
        if (auto* project = qobject_cast<RBDocument*>(document); project && project->isDocumentEdited())
            project->makeBackup();
}

void RBApplication::applicationDidBecomeActive()
{
    if (Mixpanel* client = m_options.mixpanel ? m_options.mixpanel : Mixpanel::sharedInstance())
        client->applicationDidBecomeActive();
}

void RBApplication::applicationWillResignActive()
{
    if (Mixpanel* client = m_options.mixpanel ? m_options.mixpanel : Mixpanel::sharedInstance())
        client->applicationWillResignActive();
    platform::NotificationCenter::defaultCenter().post(WillResignActiveNotification());
}

bool RBApplication::applicationShouldOpenUntitledFile()
{
    showWelcomeWindow();
    return false;
}

bool RBApplication::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (!hasVisibleWindows) {
        showWelcomeWindow();
    } else if (QWidget* window = QApplication::activeWindow() ? QApplication::activeWindow() : nullptr) {
        window->raise();
    } else {
        // Bring the newest project window forward.
        const auto documents = m_documentController->documents();
        for (auto it = documents.crbegin(); it != documents.crend(); ++it) {
            if (QWidget* w = (*it)->window(); w && w->isVisible()) {
                w->raise();
                w->activateWindow();
                break;
            }
        }
    }
    return false;
}

RBDocumentURLManager* RBApplication::urlManager() const
{
    return m_urlManager.data();
}

void RBApplication::handleURLEvent(const QString& link)
{
    if (!isZelvorLink(link))
        return;
    platform::Log::info(kDomain, QStringLiteral("Received link: %1").arg(link.left(1000)));
    RBDocumentURLManager::Options options;
    options.downloadsFolder = m_options.downloadsFolder;
    if (options.downloadsFolder.isEmpty())
        options.downloadsFolder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (options.downloadsFolder.isEmpty())
        options.downloadsFolder = QDir::homePath();
    options.gistHost = m_options.gistHost.value_or(AppBuildSettings::gistHost());
    options.gistRawURL = m_options.gistRawURL.value_or(AppBuildSettings::gistRawURL());
    options.timeoutMs = m_options.linkTimeoutMs;
    options.openProject = [this](const QString& path) { openProjectFolder(path); };
    options.openProgram = [this](const QString& program) {
        QPointer<RBDocument> document = qobject_cast<RBDocument*>(m_documentController->newDocument());
        // The editor takes the text once the new window has settled.
        platform::dispatchAfter(0.1, [document, program] {
            if (document)
                document->restoreProgram(program);
        });
    };
    // Each link has its own manager and window; one that closes is done.
    auto* manager = new RBDocumentURLManager(std::move(options), this);
    connect(manager, &RBDocumentURLManager::closed, manager, &QObject::deleteLater);
    m_urlManager = manager;
    // After the caller has returned: a launch that handed the link over waits for its answer,
    // and the link's alerts run modally.
    QPointer<RBDocumentURLManager> pending(manager);
    platform::dispatchMain([pending, link] {
        if (pending)
            pending->openUrl(link);
    });
}

void RBApplication::lastWindowClosed()
{
    if (m_terminated)
        return;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->isWindow() && !(widget->windowType() == Qt::Popup || widget->windowType() == Qt::ToolTip))
            return;
    // No window is left: on Linux the application ends with its last window.
    terminate();
}

// ---------------------------------------------------------------- set-up steps

void RBApplication::setUpSparkle()
{
    m_defaults->removeObject(QStringLiteral("SUFeedURL"));
    const QString feed = m_options.updateFeedURL ? *m_options.updateFeedURL : AppBuildSettings::updateFeedURL();
    m_updateChecker = std::make_unique<UpdateChecker>(QUrl(feed), appVersion(), *m_defaults);
    m_updateChecker->setUpdateCheckInterval(m_options.updateCheckInterval);
    if (m_updateChecker->hasFeed()) {
        m_updateChecker->setAutomaticallyChecksForUpdates(true);
        m_updateChecker->scheduleBackgroundCheck(m_options.firstUpdateCheckDelay);
    } else {
        platform::Log::info(kDomain, QStringLiteral("No update feed: updates come from the package that installed the application"));
    }
    m_mainMenu = std::make_unique<RBMainMenu>(*this);
    m_mainMenu->setUpdatesAvailable(m_updateChecker->hasFeed());
}

void RBApplication::setUpMenuItems()
{
    if (m_mainMenu->editMenuTemplate())
        tidyEditMenu(*m_mainMenu->editMenuTemplate());
    if (!m_options.installMenus)
        return;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            m_mainMenu->installInto(widget);
    m_mainMenu->installIntoNewWindows();
}

void RBApplication::setUpDefaults()
{
    const QString path = platform::Bundle::main().pathForResource(QStringLiteral("DefaultPreferences"), QStringLiteral("json"));
    if (!path.isEmpty()) {
        bool ok = false;
        const QByteArray bytes = platform::readFile(path, &ok);
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        if (ok && document.isObject())
            m_defaults->registerDefaults(document.object().toVariantMap());
        else
            platform::Log::warning(kDomain, QStringLiteral("DefaultPreferences could not be read"));
    }
    const bool disabled = m_options.dataCollectionDisabledByBuild ? *m_options.dataCollectionDisabledByBuild
                                                                  : AppBuildSettings::dataCollectionDisabled();
    if (disabled) {
        m_defaults->setBool(kDataCollectionDisabledKey, true);
        m_defaults->synchronize();
    }
    m_defaults->registerDefaults({{kDataCollectionDisabledKey, disabled}});
}

void RBApplication::setUpWelcomeWindow()
{
    if (m_options.startServer)
        m_options.startServer();
    else
        RBServerController::sharedInstance().start();

    bool showOnStartup = false;
    if (m_options.welcomeShouldShowOnStartup) {
        showOnStartup = m_options.welcomeShouldShowOnStartup();
    } else if (!m_defaults->hasKey(kWelcomeOnStartupKey)) {
        m_defaults->setBool(kWelcomeOnStartupKey, true);
        m_defaults->synchronize();
        showOnStartup = true;
    } else {
        showOnStartup = m_defaults->boolForKey(kWelcomeOnStartupKey);
    }
    if (showOnStartup && !m_defaults->hasKey(kFirstTimeWelcomeKey)) {
        m_defaults->setBool(kFirstTimeWelcomeKey, true);
        m_defaults->synchronize();
        disableDocumentRestoration();
        showWelcomeWindow();
        if (m_welcomeWindow) {
            if (QScreen* screen = m_welcomeWindow->screen()) {
                QRect frame = m_welcomeWindow->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                m_welcomeWindow->move(frame.topLeft());
            }
        }
    }
    if (m_options.sendPendingSignUp)
        m_options.sendPendingSignUp();
}

void RBApplication::setUpMetrics()
{
    RBMetrics::Host host;
    host.userAgent = [this] { return getUserAgent(); };
    host.osVersion = [this] { return osVersion(); };
    host.appVersion = [this] { return appVersion(); };
    host.webkitVersion = [this] { return webkitVersion(); };
    host.bundleIdentifier = [] { return QStringLiteral("studio.zelvor.ZelvorStudio"); };
    host.runOnceForKey = [this](const QString& key, std::function<bool()> block) { runOnceForKey(key, block); };
    m_metrics = std::make_unique<RBMetrics>(*m_defaults, std::move(host));
    if (m_options.mixpanel || m_options.webAnalytics)
        m_metrics->setClients(m_options.mixpanel, m_options.webAnalytics);
    m_metrics->setUpMetrics();
}

void RBApplication::handleMinuteInterval()
{
    m_metrics->handleMinuteInterval(isFrontmost());
}

// ---------------------------------------------------------------- menu actions

QString RBApplication::websitePage(const QString& path)
{
    const QString site = AppBuildSettings::websiteURL();
    return site.isEmpty() ? QString() : site + path;
}

void RBApplication::orderFrontStandardAboutPanel()
{
    if (m_options.showAbout) {
        m_options.showAbout();
        return;
    }
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Informational);
    alert.setMessageText(QStringLiteral("Zelvor Studio %1").arg(appVersion()));
    alert.setInformativeText(QStringLiteral("Write CoffeeScript and see an interactive prototype live beside the code.\n\n"
                                            "Built with Qt %1 and V8.").arg(QLatin1String(qVersion())));
    alert.runModal();
}

void RBApplication::showWelcomeWindow()
{
    if (!m_welcomeWindow && m_options.makeWelcomeWindow) {
        m_welcomeWindow = m_options.makeWelcomeWindow();
        m_documentController->setWelcomeWindow(m_welcomeWindow);
    }
    if (!m_welcomeWindow) {
        platform::Log::info(kDomain, QStringLiteral("No welcome window in this build"));
        return;
    }
    m_welcomeWindow->show();
    m_welcomeWindow->raise();
    m_welcomeWindow->activateWindow();
}

void RBApplication::showHelpCoffeeScript()
{
    const QString page = websitePage(QStringLiteral("/learn/coffeescript"));
    // Without the maker's site the language's own reference of the version the compiler runs.
    openURL(page.isEmpty() ? QStringLiteral("https://coffeescript.org/v1/") : page, false);
}

void RBApplication::showHelpZelvor()
{
    if (const QString page = websitePage(QStringLiteral("/learn")); !page.isEmpty())
        openURL(page, false);
}

void RBApplication::showHelpZelvorApi()
{
    if (const QString page = websitePage(QStringLiteral("/docs")); !page.isEmpty())
        openURL(page, false);
}

void RBApplication::showEmailSignup()
{
    if (const QString page = websitePage(QStringLiteral("/subscribe")); !page.isEmpty())
        openURL(page, false);
}

void RBApplication::showPluginsPath()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(pluginsPath()));
}

QString RBApplication::feedbackAddress() const
{
    return m_options.feedbackAddress ? m_options.feedbackAddress->trimmed() : feedback::address();
}

void RBApplication::sendFeedback()
{
    if (const QString url = feedback::mailtoURL(feedbackAddress(), appVersion(), osVersion()); !url.isEmpty())
        openURL(url, false);
}

void RBApplication::showPreferences()
{
    RBPreferencesWindow::show(*m_defaults);
}

void RBApplication::newDocument()
{
    m_documentController->newDocument();
}

void RBApplication::openDocument()
{
    m_documentController->openDocument();
}

void RBApplication::openRecentDocument(const QString& path)
{
    openProjectFolder(path);
}

platform::Document* RBApplication::currentDocument() const
{
    const auto documents = m_documentController->documents();
    if (QWidget* active = QApplication::activeWindow()) {
        for (platform::Document* document : documents) {
            QWidget* window = document->window();
            if (window && (window == active || window->isAncestorOf(active) || window->window() == active))
                return document;
        }
    }
    return documents.size() == 1 ? documents.first() : nullptr;
}

// ---------------------------------------------------------------- services

void RBApplication::track(const QString& event, const QVariantMap& properties)
{
    if (Mixpanel* client = m_options.mixpanel ? m_options.mixpanel : Mixpanel::sharedInstance())
        client->track(event, properties);
}

void RBApplication::runOnceForKey(const QString& key, const std::function<bool()>& block)
{
    const QString storeKey = QStringLiteral("RBRunOnce.%1").arg(key);
    if (m_defaults->boolForKey(storeKey))
        return;
    if (block && block())
        m_defaults->setBool(storeKey, true);
}

void RBApplication::openURL(const QString& url, bool inBackground)
{
    if (m_options.openURL) {
        m_options.openURL(url, inBackground);
        return;
    }
    // The desktop decides whether the browser comes forward; there is no portable way to ask
    // it not to.
    QDesktopServices::openUrl(QUrl(url));
}

QString RBApplication::pluginsPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = QDir(base).filePath(QStringLiteral("Zelvor Studio"));
    const QString path = QDir(folder).filePath(QStringLiteral("Snippets"));
    if (QFileInfo::exists(path))
        return path;
    QString error;
    if (!QDir().mkpath(folder))
        error = QStringLiteral("cannot make %1").arg(folder);
    const QString source = platform::Bundle::main().pathForResource(QStringLiteral("UserSnippets"));
    if (source.isEmpty()) {
        // Nothing to copy: an empty folder still gives the user a place for snippets.
        if (!QDir().mkpath(path))
            error = QStringLiteral("cannot make %1").arg(path);
    } else if (!platform::copyItem(source, path)) {
        error = QStringLiteral("cannot copy %1 to %2").arg(source, path);
    }
    if (!error.isEmpty())
        platform::Log::error(kDomain, QStringLiteral("Plugin path error: %1").arg(error));
    return path;
}

QString RBApplication::osVersion() const
{
    return userAgentOSVersion();
}

QString RBApplication::appVersion() const
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? AppBuildSettings::version() : version;
}

QString RBApplication::webkitVersion() const
{
    return userAgentWebKitVersion();
}

QString RBApplication::getUserAgent() const
{
    return ::getUserAgent();
}

bool RBApplication::isFrontmost() const
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void RBApplication::saveDocumentsAndTerminate()
{
    for (platform::Document* document : m_documentController->documents())
        if (!document->fileURL().isEmpty())
            document->saveDocument();
    if (!terminate()) {
        // The user kept the application open when asked: do not ask again and again.
        return;
    }
    platform::dispatchAfter(10, this, [this] {
        if (!QCoreApplication::closingDown())
            saveDocumentsAndTerminate();
    });
}

void RBApplication::setupMIDI()
{
    if (!m_midiController)
        m_midiController = std::make_unique<RBMIDIController>();
    const QList<platform::MIDIDevice> devices = m_midiController->availableDevices();
    if (!devices.isEmpty())
        m_midiController->setDevice(devices.last());
}
