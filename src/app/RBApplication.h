#pragma once

#include "platform/Timer.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class Mixpanel;
class RBDocumentController;
class RBDocumentURLManager;
class RBGoogleAnalytics;
class RBMainMenu;
class RBMIDIController;
class RBMetrics;
class UpdateChecker;
namespace platform {
class Document;
class UserDefaults;
}

// The root of the running program, beside Qt's application object: brings up the document
// controller, update checks, link handling, menus, user defaults, the local preview server, the
// welcome window and usage analytics in a fixed order; answers the desktop's questions about
// opening, reopening, activation and quitting; and offers the services that the rest of the
// program asks of it (version strings, the user agent, the snippet folder, web pages, run-once
// flags, event tracking).
//
// Start-up: construct it (the document controller and metrics come up), then launch().
// Main thread only. One exists at a time; sharedInstance() answers it.
class RBApplication : public QObject {
    Q_OBJECT
public:
    // What the application works with; every member has a default for the real application,
    // tests replace them.
    struct Options {
        platform::UserDefaults* defaults = nullptr; // the standard store
        // Start and stop the local preview server (default: the shared server controller).
        std::function<void()> startServer;
        std::function<void()> stopServer;
        // The update feed ("": none, the build's setting when not given) and the first
        // background check's delay.
        std::optional<QString> updateFeedURL;
        double firstUpdateCheckDelay = 60;
        double updateCheckInterval = 14400;
        // Where crash reports lie ("" = the user's state folder).
        QString crashReportDirectory;
        // The temporary folder where runs keep their untitled projects: those of runs that
        // ended without closing them are offered at start-up and then removed ("" = none).
        QString leftoversFolder;
        // What the build says of data collection (the build setting when not given).
        std::optional<bool> dataCollectionDisabledByBuild;
        // Analytics clients to use instead of the shared ones.
        Mixpanel* mixpanel = nullptr;
        RBGoogleAnalytics* webAnalytics = nullptr;
        // Menus installed into windows as they show.
        bool installMenus = true;
        // The welcome window: whether it shows at start-up (default: the user default
        // "WelcomeWindowShowOnStartup", written as true when absent), how it is made, and the
        // sign-up left pending by an earlier run.
        std::function<bool()> welcomeShouldShowOnStartup;
        std::function<QWidget*()> makeWelcomeWindow;
        std::function<void()> sendPendingSignUp;
        // Makes the documentation window (hidden) once launching has finished, so that its page
        // is ready when it is first shown (default: none).
        std::function<void()> makeDocumentationWindow;
        // The about window (default: a message with the version).
        std::function<void()> showAbout;
        // Opens a web address (default: the desktop's browser).
        std::function<void(const QString& url, bool inBackground)> openURL;
        // Where Send Feedback writes to ("": nowhere; the build's setting when not given).
        std::optional<QString> feedbackAddress;
        // "zelvor://" links: where zip links download to (default: the user's Downloads folder)
        // and the gist hosts (default: the build's settings), and how long a silent server is
        // waited for.
        QString downloadsFolder;
        std::optional<QString> gistHost;
        std::optional<QString> gistRawURL;
        int linkTimeoutMs = 30000;
        // Ends the process with this code without unwinding (default: _exit); used when the
        // user insists on quitting while the quit questions are open.
        std::function<void(int code)> exitAtOnce;
    };

    RBApplication();
    explicit RBApplication(Options options, QObject* parent = nullptr);
    ~RBApplication() override;

    static RBApplication* sharedInstance();

    // --- the life cycle, in this order
    // Both launching steps, then opens what the command line asked for; with nothing to open,
    // the welcome window (applicationShouldOpenUntitledFile).
    void launch(const QStringList& items = {});
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // Opens again the projects whose windows were open at the last quit; answers whether any
    // window stays open (none when restoration is off for this launch).
    bool restoreWindows();
    // Offers the untitled projects that runs which no longer exist left unsaved.
    void offerLeftoverProjects();
    // Opens links and project folders (from the command line or a later launch).
    void openItems(const QStringList& items);
    // Asks every document with unsaved work first; answers false when the user cancelled.
    bool terminate();
    // SIGTERM, SIGINT or SIGHUP reached the main loop: quits as the Quit command does. A second
    // one while the quit questions are still open ends the program at once, after storing the
    // analytics queues, stopping the server and writing the defaults. Unsaved programs of saved
    // projects are written to their backups first.
    void handleTerminationSignal(int signal);
    bool isQuitWaitingForQuestions() const { return m_quitWaitingForQuestions; }
    // The desktop session is ending. When it lets us ask, quits as the Quit command does and
    // answers false when the user kept the application (the session should not end); when it
    // does not, only writes down what must survive (the defaults, and the unsaved programs of
    // saved projects in their backups) and answers true.
    bool commitDataRequest(bool allowsInteraction);
    bool isAskingToQuit() const { return m_askingToQuit; }
    void applicationWillTerminate();
    void applicationDidBecomeActive();
    void applicationWillResignActive();
    // Never makes an untitled project: shows the welcome window and answers false.
    bool applicationShouldOpenUntitledFile();
    // A launch with nothing to open while running: the welcome window when no window shows.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // The desktop's last window has closed (Qt tells it 0.2 s later, once a closing project had
    // the chance to bring up the welcome window): with no window left, the application quits,
    // as Linux applications do.
    void lastWindowClosed();
    // Opens a "zelvor://" link in a progress window of its own (RBDocumentURLManager).
    void handleURLEvent(const QString& link);
    // The manager of the most recent link, until its window closes.
    RBDocumentURLManager* urlManager() const;

    // The steps taken so far, by name, in order.
    QStringList launchSteps() const { return m_launchSteps; }
    bool isTerminating() const { return m_terminated; }

    // --- menu actions
    void orderFrontStandardAboutPanel();
    void showWelcomeWindow();
    QWidget* welcomeWindow() const { return m_welcomeWindow; }
    void showHelpCoffeeScript();
    void showHelpZelvor();
    void showHelpZelvorApi();
    void showEmailSignup();
    void showPluginsPath();
    // Starts a message to the feedback address in the desktop's mail program.
    void sendFeedback();
    // The feedback address; empty when there is none (Send Feedback is then disabled).
    QString feedbackAddress() const;
    void showPreferences();
    void newDocument();
    void openDocument();
    void openRecentDocument(const QString& path);
    // The document whose window is active (or the only one).
    platform::Document* currentDocument() const;
    // The maker's page at the path ("" when the build names no web site).
    static QString websitePage(const QString& path);

    // --- services
    QDateTime launchDate() const { return m_launchDate; }
    void track(const QString& event, const QVariantMap& properties = {});
    void runOnceForKey(const QString& key, const std::function<bool()>& block);
    void openURL(const QString& url, bool inBackground);
    // The snippet and plugin folder, made from the bundled "UserSnippets" on first use.
    QString pluginsPath();
    QString osVersion() const;
    QString appVersion() const;
    QString webkitVersion() const;
    QString getUserAgent() const;
    bool isFrontmost() const;
    void disableDocumentRestoration() { m_shouldCloseRestoredDocuments = true; }
    bool shouldCloseRestoredDocuments() const { return m_shouldCloseRestoredDocuments; }
    // Saves every saved project, then quits; a quit that did not happen for another reason
    // than the user's answer is tried again after 10 s.
    void saveDocumentsAndTerminate();

    RBDocumentController& documentController() const { return *m_documentController; }
    UpdateChecker* updateChecker() const { return m_updateChecker.get(); }
    RBMainMenu* mainMenu() const { return m_mainMenu.get(); }
    platform::UserDefaults& defaults() const { return *m_defaults; }
    // The MIDI listener, made by setupMIDI; null until then. Start-up does not make it: nothing
    // listens to its commands yet.
    RBMIDIController* midiController() const { return m_midiController.get(); }
    // Makes the MIDI listener and connects it to the last device offered, if any.
    void setupMIDI();

    // The activity timer's work: counts an active minute for analytics.
    void handleMinuteInterval();
    bool isActivityTimerRunning() const { return m_minuteIntervalTimer.isActive(); }

    // Posted when the application stops being the active one (spelled so).
    static const QString& WillResignActiveNotification(); // "RBApplicationWillResignActiveNotifcation"

private:
    // Raises the modal question on screen, and the window it hangs on.
    void bringOpenQuestionForward();
    void step(const QString& name) { m_launchSteps << name; }
    void setUpSparkle();
    void setUpMenuItems();
    void setUpDefaults();
    void setUpWelcomeWindow();
    void setUpMetrics();
    void offerCrashReports();
    // Writes down the project windows open now, so that a run that ends without quitting (a
    // crash, a kill) brings them back, with their unsaved work, at the next start.
    void keepOpenProjects();
    // Writes the program of every saved project with unsaved changes to its backup now.
    void backUpUnsavedWork();
    void quitOnceQuestionsEnd();
    void openProjectFolder(const QString& path);

    Options m_options;
    platform::UserDefaults* m_defaults;
    std::unique_ptr<RBDocumentController> m_documentController;
    std::unique_ptr<RBMetrics> m_metrics;
    std::unique_ptr<UpdateChecker> m_updateChecker;
    std::unique_ptr<RBMainMenu> m_mainMenu;
    std::unique_ptr<RBMIDIController> m_midiController;
    QPointer<QWidget> m_welcomeWindow;
    QPointer<RBDocumentURLManager> m_urlManager;
    QDateTime m_launchDate;
    platform::Timer m_minuteIntervalTimer;
    QStringList m_launchSteps;
    bool m_shouldCloseRestoredDocuments = false;
    bool m_launched = false;
    bool m_terminated = false;
    bool m_askingToQuit = false;
    // A quit arrived while a question was open: it goes on once the last one has returned.
    bool m_quitWaitingForQuestions = false;
};
