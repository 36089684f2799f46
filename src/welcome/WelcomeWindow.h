#pragma once

#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

#include "welcome/AntiAliasedLabel.h"
#include "welcome/DraggableImageView.h"
#include "welcome/SimpleButton.h"
#include "welcome/WelcomeWindowEmailCourseButton.h"
#include "welcome/WelcomeWindowRoundedTextFieldView.h"

class RBFlippedView;
namespace platform { class UserDefaults; }

namespace welcome {

class WelcomeWindowBackgroundView;
class WelcomeWindowNoRecentDocumentsView;
class WelcomeWindowRecentsTableView;
class WelcomeWindowShowOnStartupButton;

// The rounded dark window shown while no project is open. It opens on one of two screens:
// the sign-up screen (name and address for the mailing lists, or "Skip") while the user has
// neither signed up nor skipped it three times, else the welcome screen (new and open,
// examples, information columns and the recent projects). Leaving the sign-up screen plays a
// timed transition into the welcome screen in the same window. Frames are fixed, in points
// from the top-left corner; the window can be moved by its background.
class WelcomeWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int SideBarWidth = 240;
    static constexpr int BottomBarHeight = 32;
    static constexpr QSize WindowSize = QSize(800, 470);

    enum class Screen { Signup, Welcome };

    explicit WelcomeWindow(platform::UserDefaults& defaults, QWidget* parent = nullptr);
    ~WelcomeWindow() override;

    Screen screen() const { return m_screen; }
    // Whether the defaults choose the welcome screen over the sign-up screen.
    static bool shouldShowWelcomeScreen(const platform::UserDefaults& defaults);

    // --- sign-up screen
    WelcomeWindowRoundedTextFieldView* nameInputField() const { return m_nameInputField; }
    WelcomeWindowRoundedTextFieldView* emailInputField() const { return m_emailInputField; }
    SimpleButton* getStartedButton() const { return m_getStartedButton; }
    SimpleButton* skipButton() const { return m_skipButton; }
    WelcomeWindowEmailCourseButton* emailCourseCheckBoxButton() const { return m_emailCourseCheckBoxButton; }
    AntiAliasedLabel* invalidEmailLabel() const { return m_invalidEmailLabel; }
    bool emailIsValid() const;
    // The message "Please type again, invalid address", made once.
    void showInvalidEmailMessage();
    void newLinePressedInTextField(WelcomeWindowRoundedTextFieldView* field);
    void getStartedButtonPressed();
    void skipButtonPressed();
    void startTransition();
    bool isTransitioning() const { return m_transitioning; }
    // Moves the window side to side, as a refusal, and leaves it where it was.
    void shake();
    int shakeCount() const { return m_shakeCount; }

    // --- welcome screen
    AntiAliasedLabel* welcomeLabel() const { return m_welcomeLabel; }
    AntiAliasedLabel* subTitleLabel() const { return m_subTitleLabel; }
    WelcomeWindowRecentsTableView* recentsTableView() const { return m_recentsTableView; }
    WelcomeWindowNoRecentDocumentsView* noRecentDocumentsView() const { return m_noRecentDocumentsView; }
    WelcomeWindowShowOnStartupButton* showOnStartupButton() const { return m_showOnStartupButton; }
    QWidget* examplesView() const { return m_examplesView; }
    QWidget* recentsSidebar() const { return m_recentsScrollView; }

    // The recent projects, as the document controller lists them.
    QStringList recentDocuments() const { return m_recentDocuments; }
    void loadRecentFiles();
    void reload();
    void showOrHideNoRecentFileInfo();
    void openRecentFile();
    void removeRecentDocument(const QString& path);

    // --- window commands
    void newPrototype();
    void openFile();
    void performClose();
    Q_INVOKABLE void toolbarDocs();
    // Menu commands while this window is key: only closing and the documentation stay enabled.
    // `action` is the command's selector name ("performClose:", "toolbarDocs:", ...). The
    // application's menus ask it before they run a command of a window.
    Q_INVOKABLE bool validateMenuItem(const QString& action) const;
    // The application's Help items (About among them): shown from the window's menu button,
    // a right click and F10 (or the Menu key), since this window has no menu bar. The window
    // takes the menu over.
    Q_INVOKABLE void setHelpMenu(QMenu* menu);
    QMenu* helpMenu() const { return m_helpMenu; }
    SimpleButton* menuButton() const { return m_menuButton; }
    // Opens the Help menu under the menu button.
    void showHelpMenu();
    void toggleShowOnStartup(WelcomeWindowShowOnStartupButton* sender);

    // Shows the documentation window (the application sets it).
    void setShowDocumentation(std::function<void()> show) { m_showDocumentation = std::move(show); }
    // Keeps the window inside the first screen's available area; centres it when it is not.
    void keepOnScreen();
    void centerOnScreen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void loadUI();
    void addZelvorIcon();
    void addSignupText();
    void addEmailTextFields();
    void addEmailCourseCheckBoxButton();
    void addSkipButton();
    void addWelcomeText(bool animate);
    void addExamples(bool animate);
    void addColumns(bool animate);
    void addCloseButton(bool animate);
    void addRecentsSidebar(bool animate);
    void addShowOnStartupButton(bool animate);
    void openMissingRecentFile(const QString& path);
    void appendDate(const QString& key, int* count);

    platform::UserDefaults& m_defaults;
    Screen m_screen = Screen::Welcome;
    bool m_transitioning = false;
    bool m_movableByBackground = true;
    QPoint m_dragOffset;
    bool m_dragging = false;
    int m_shakeCount = 0;
    std::function<void()> m_showDocumentation;
    QPointer<QMenu> m_helpMenu;
    QPointer<SimpleButton> m_menuButton;

    WelcomeWindowBackgroundView* m_backgroundView = nullptr;
    RBFlippedView* m_flippedView = nullptr;
    // sign-up screen
    QPointer<DraggableImageView> m_appIconImageView;
    QPointer<DraggableImageView> m_signupText;
    QPointer<WelcomeWindowRoundedTextFieldView> m_nameInputField;
    QPointer<WelcomeWindowRoundedTextFieldView> m_emailInputField;
    QPointer<SimpleButton> m_getStartedButton;
    QPointer<WelcomeWindowEmailCourseButton> m_emailCourseCheckBoxButton;
    QPointer<AntiAliasedLabel> m_subSubLabel;
    QPointer<SimpleButton> m_skipButton;
    QPointer<AntiAliasedLabel> m_invalidEmailLabel;
    // welcome screen
    AntiAliasedLabel* m_welcomeLabel = nullptr;
    AntiAliasedLabel* m_subTitleLabel = nullptr;
    QWidget* m_examplesView = nullptr;
    QWidget* m_recentsScrollView = nullptr;
    QWidget* m_bottomBar = nullptr;
    WelcomeWindowRecentsTableView* m_recentsTableView = nullptr;
    WelcomeWindowNoRecentDocumentsView* m_noRecentDocumentsView = nullptr;
    WelcomeWindowShowOnStartupButton* m_showOnStartupButton = nullptr;
    QStringList m_recentDocuments;
};

// The address check of the sign-up screen: something, "@", something, ".", something, after
// trimming spaces and tabs at both ends; no white space inside, at most 254 characters.
bool isValidEmailAddress(const QString& text);
// Spaces and tabs removed at both ends (line breaks stay).
QString trimSpacesAndTabs(const QString& text);

} // namespace welcome
