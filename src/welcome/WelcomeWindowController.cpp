#include "welcome/WelcomeWindowController.h"

#include "document/RBDocumentController.h"
#include "platform/UserDefaults.h"
#include "welcome/MailingListSignup.h"
#include "welcome/WelcomeControllerConstants.h"
#include "welcome/WelcomeWindow.h"

WelcomeWindowController::WelcomeWindowController(platform::UserDefaults* defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults ? defaults : &platform::UserDefaults::standard())
{
}

WelcomeWindowController::~WelcomeWindowController()
{
    delete m_window.data();
}

welcome::WelcomeWindow* WelcomeWindowController::window()
{
    if (!m_window) {
        m_window = new welcome::WelcomeWindow(*m_defaults);
        m_window->setShowDocumentation([this] {
            if (m_showDocumentation)
                m_showDocumentation();
        });
        connectDocumentController();
    }
    return m_window;
}

bool WelcomeWindowController::hasWindow() const
{
    return !m_window.isNull();
}

void WelcomeWindowController::connectDocumentController()
{
    if (!platform::DocumentController::hasSharedDocumentController())
        return;
    RBDocumentController* controller = RBDocumentController::shared();
    if (!controller)
        return;
    controller->setWelcomeWindow(m_window);
    QPointer<WelcomeWindowController> self(this);
    controller->setShowWelcomeWindow([self] {
        if (self)
            self->showWindow();
    });
}

void WelcomeWindowController::showWindow()
{
    welcome::WelcomeWindow* shown = window();
    shown->reload();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void WelcomeWindowController::close()
{
    if (m_window)
        m_window->close();
}

bool WelcomeWindowController::isWindowVisible() const
{
    return m_window && m_window->isVisible();
}

void WelcomeWindowController::centerWindow()
{
    window()->centerOnScreen();
}

void WelcomeWindowController::setShowDocumentation(std::function<void()> show)
{
    m_showDocumentation = std::move(show);
}

bool WelcomeWindowController::shouldShowOnStartup()
{
    return shouldShowOnStartup(platform::UserDefaults::standard());
}

bool WelcomeWindowController::shouldShowOnStartup(platform::UserDefaults& defaults)
{
    const QString key = WelcomeControllerConstants::WelcomeWindowShowOnStartup;
    const QVariant stored = defaults.objectForKey(key);
    if (isNumber(stored))
        return stored.toBool();
    defaults.setBool(key, true);
    defaults.synchronize();
    return true;
}

void WelcomeWindowController::sendContactInfoToCompaignMonitorIsPossible()
{
    sendContactInfoToCompaignMonitorIsPossible(platform::UserDefaults::standard());
}

void WelcomeWindowController::sendContactInfoToCompaignMonitorIsPossible(platform::UserDefaults& defaults)
{
    welcome::MailingListSignup::start(defaults);
}

void WelcomeWindowController::subscriptionSucces(const QString& listId, const QString& signupName,
                                                 const QString& signupEmail)
{
    welcome::MailingListSignup::subscriptionSucces(platform::UserDefaults::standard(), listId, signupName, signupEmail);
}

QVariantMap WelcomeWindowController::signupParameters(const QString& signupName, const QString& signupEmail)
{
    return welcome::MailingListSignup::parameters(signupName, signupEmail);
}

QString WelcomeWindowController::OnboardingDripCourseListId()
{
    return welcome::MailingListSignup::OnboardingDripCourseListId;
}

QString WelcomeWindowController::NewsletterListId()
{
    return welcome::MailingListSignup::NewsletterListId;
}
