#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace platform { class UserDefaults; }
namespace welcome { class WelcomeWindow; }

// Owns the welcome window and answers, for the application, whether it is shown at start-up.
// Also starts the mailing-list sign-up client. The application makes one controller and keeps
// it; the window is made on first use and reused. Main thread only.
//
// What the application does with it: at launch, when shouldShowOnStartup() answers true (and
// its first-launch key is absent) it calls showWindow() and centerWindow(); at every launch it
// calls sendContactInfoToCompaignMonitorIsPossible(); when the last document window closes and
// shouldShowOnStartup() answers true it calls showWindow() again. The shared
// RBDocumentController, when there is one, is told to close this window before a project opens
// and to bring it back when an open panel is cancelled with no project open.
class WelcomeWindowController : public QObject {
    Q_OBJECT
public:
    // The defaults to use; the standard store when null. They must outlive the controller.
    explicit WelcomeWindowController(platform::UserDefaults* defaults = nullptr, QObject* parent = nullptr);
    ~WelcomeWindowController() override;

    // The window, made on first use.
    welcome::WelcomeWindow* window();
    bool hasWindow() const;
    // Re-reads the recent projects, then shows the window and brings it to the front.
    void showWindow();
    void close();
    bool isWindowVisible() const;
    void centerWindow();

    // Shows the documentation window from the welcome window's command (the application sets it).
    void setShowDocumentation(std::function<void()> show);

    // The user default "WelcomeWindowShowOnStartup"; when it is not a number it is written as
    // true (and synchronized) and true is answered.
    static bool shouldShowOnStartup();
    static bool shouldShowOnStartup(platform::UserDefaults& defaults);

    // The mailing-list sign-up client: sends the stored name and address to each list that
    // has not accepted them yet; returns at once. Nothing is sent when the sign-up is done,
    // nothing is stored, or the build names no mailing-list service.
    static void sendContactInfoToCompaignMonitorIsPossible();
    static void sendContactInfoToCompaignMonitorIsPossible(platform::UserDefaults& defaults);

    static void subscriptionSucces(const QString& listId, const QString& signupName, const QString& signupEmail);
    static QVariantMap signupParameters(const QString& signupName, const QString& signupEmail);
    static QString OnboardingDripCourseListId();
    static QString NewsletterListId();

private:
    void connectDocumentController();

    platform::UserDefaults* m_defaults;
    QPointer<welcome::WelcomeWindow> m_window;
    std::function<void()> m_showDocumentation;
};
