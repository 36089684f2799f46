#include "MouseEvents.h"
#include "RecordingAnalytics.h"

#include "document/RBDocument.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/DocumentController.h"
#include "platform/gui/Workspace.h"
#include "support/TestSupport.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/MailingListSignup.h"
#include "welcome/Shuffle.h"
#include "welcome/SimpleButton.h"
#include "welcome/WelcomeControllerConstants.h"
#include "welcome/WebsitePage.h"
#include "welcome/WelcomeWindow.h"
#include "welcome/WelcomeWindowColumnButton.h"
#include "welcome/WelcomeWindowColumnView.h"
#include "welcome/WelcomeWindowController.h"
#include "welcome/WelcomeWindowEmailCourseButton.h"
#include "welcome/WelcomeWindowExampleView.h"
#include "welcome/WelcomeWindowNoRecentDocumentsView.h"
#include "welcome/WelcomeWindowRecentsRowView.h"
#include "welcome/WelcomeWindowRecentsTableView.h"
#include "welcome/WelcomeWindowRoundedTextFieldView.h"
#include "welcome/WelcomeWindowShowOnStartupButton.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace welcome;
using K = WelcomeControllerConstants;

namespace {

// Records what the welcome window asks of the document controller.
class RecordingDocumentController : public platform::DocumentController {
public:
    platform::Document* newDocument() override
    {
        ++newCount;
        return nullptr;
    }
    void openDocumentWithContentsOfURL(const QString& path, bool, OpenHandler handler) override
    {
        opened.append(path);
        if (handler && failOpen)
            handler(nullptr, false, QStringLiteral("unreadable"));
    }
    void openDocument() override { ++openPanelCount; }

    int newCount = 0;
    int openPanelCount = 0;
    bool failOpen = false;
    QStringList opened;
};

RecordingDocumentController& documentController()
{
    // The first controller made becomes the shared one for the whole test program.
    static auto* controller = new RecordingDocumentController;
    return *controller;
}

class WelcomeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
        documentController().setRecentDocumentsStore(defaults.get());
        documentController().opened.clear();
        documentController().newCount = documentController().openPanelCount = 0;
        documentController().failOpen = false;
        QCoreApplication::setApplicationVersion(QStringLiteral("2.1"));
        platform::Alert::setTestResponder([](const platform::Alert& alert) {
            ADD_FAILURE() << "unexpected alert: " << qPrintable(alert.messageText());
            return platform::Alert::kFirstButtonReturn;
        });
        platform::Workspace::setTestHandler([this](const QUrl& url) {
            openedURLs.append(url);
            return true;
        });
    }
    void TearDown() override
    {
        platform::Workspace::setTestHandler({});
        platform::Alert::setTestResponder({});
        WelcomeWindowExampleView::setExampleOpener({});
        documentController().setRecentDocumentsStore(nullptr);
    }

    std::unique_ptr<WelcomeWindow> welcomeScreen()
    {
        defaults->setBool(K::WelcomeWindowUserContactSucces, true);
        auto window = std::make_unique<WelcomeWindow>(*defaults);
        window->show();
        return window;
    }

    QString makeProject(const QString& name)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    RecordingAnalytics analytics;
    QList<QUrl> openedURLs;
};

void pressReturn(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

} // namespace

TEST_F(WelcomeWindowTest, TheDefaultsChooseTheScreen)
{
    {
        WelcomeWindow first(*defaults);
        EXPECT_EQ(first.screen(), WelcomeWindow::Screen::Signup);
        EXPECT_EQ(defaults->arrayForKey(K::WelcomeWindowSignupShown).size(), 1);
        ASSERT_EQ(analytics.eventNames(), QStringList{"app.welcome.signup.shown"});
        EXPECT_EQ(analytics.events[0].second.value("count").toInt(), 1);
    }
    // Two skips still ask again; the third ends the sign-up screen for good.
    defaults->setObject(K::WelcomeWindowSkipCount, QVariantList{QDateTime::currentDateTime(), QDateTime::currentDateTime()});
    EXPECT_EQ(WelcomeWindow(*defaults).screen(), WelcomeWindow::Screen::Signup);
    {
        WelcomeWindow third(*defaults);
        third.skipButtonPressed();
        EXPECT_EQ(defaults->arrayForKey(K::WelcomeWindowSkipCount).size(), 3);
    }
    EXPECT_EQ(WelcomeWindow(*defaults).screen(), WelcomeWindow::Screen::Welcome);

    // A stored address, even empty, means the user signed up.
    defaults->removeObject(K::WelcomeWindowSkipCount);
    defaults->setString(K::WelcomeWindowUserEmail, "");
    EXPECT_EQ(WelcomeWindow(*defaults).screen(), WelcomeWindow::Screen::Welcome);
    // With data collection off the showing is still counted but not reported.
    defaults->removeObject(K::WelcomeWindowUserEmail);
    defaults->setBool(DataCollectionDisabledKey, true);
    analytics.events.clear();
    EXPECT_EQ(WelcomeWindow(*defaults).screen(), WelcomeWindow::Screen::Signup);
    EXPECT_TRUE(analytics.events.isEmpty());
}

TEST(EmailAddress, TheSignupCheckRefusesWhatCannotBeDelivered)
{
    EXPECT_TRUE(isValidEmailAddress("a@b.c"));
    EXPECT_TRUE(isValidEmailAddress(" \tada@example.org  "));
    EXPECT_FALSE(isValidEmailAddress("@example.org"));
    EXPECT_FALSE(isValidEmailAddress("ada@example"));
    EXPECT_FALSE(isValidEmailAddress("ada.example.org"));
    EXPECT_FALSE(isValidEmailAddress("ada lovelace@example.org"));
    EXPECT_FALSE(isValidEmailAddress("ada@exa mple.org"));
    EXPECT_FALSE(isValidEmailAddress("ada@example.org\n"));
    EXPECT_FALSE(isValidEmailAddress(""));
    const QString local(300 - 12, QLatin1Char('a'));
    EXPECT_FALSE(isValidEmailAddress(local + "@example.org"));
    EXPECT_TRUE(isValidEmailAddress(QString(242, QLatin1Char('a')) + "@example.org")); // 254 characters
}

TEST_F(WelcomeWindowTest, AnInvalidAddressShakesAndStaysOnTheSignupScreen)
{
    WelcomeWindow window(*defaults);
    window.show();
    window.emailInputField()->textField()->setText("ada lovelace@example.org");
    clickWidget(window.getStartedButton(), QPoint(10, 10));
    EXPECT_EQ(window.shakeCount(), 1);
    ASSERT_NE(window.invalidEmailLabel(), nullptr);
    EXPECT_EQ(window.invalidEmailLabel()->attributedTitle().text, "Please type again, invalid address");
    EXPECT_TRUE(window.emailInputField()->isHighlighted());

    // Return in the address field submits again: one more shake, still one message.
    window.emailInputField()->textField()->setText(QString(300, QLatin1Char('a')));
    pressReturn(window.emailInputField()->textField());
    EXPECT_EQ(window.shakeCount(), 2);
    int messages = 0;
    for (auto* label : window.findChildren<AntiAliasedLabel*>())
        messages += label->attributedTitle().text.startsWith("Please type again") ? 1 : 0;
    EXPECT_EQ(messages, 1);
    EXPECT_FALSE(defaults->hasKey(K::WelcomeWindowUserEmail));
    EXPECT_EQ(window.screen(), WelcomeWindow::Screen::Signup);
    EXPECT_FALSE(window.isTransitioning());
}

TEST_F(WelcomeWindowTest, GetStartedStoresTheTrimmedSignupAndMovesToTheWelcomeScreen)
{
    welcome::MailingListSignup::setServiceURL(QString()); // no service: stored, nothing sent
    WelcomeWindow window(*defaults);
    window.show();
    window.nameInputField()->textField()->setText("  Ada Lovelace ");
    // Return in the name field moves to the address field.
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window.isActiveWindow(); }));
    pressReturn(window.nameInputField()->textField());
    EXPECT_TRUE(window.emailInputField()->textField()->hasFocus());
    window.emailInputField()->textField()->setText("\tada@example.org ");
    pressReturn(window.emailInputField()->textField());
    EXPECT_EQ(defaults->stringForKey(K::WelcomeWindowUserName), "Ada Lovelace");
    EXPECT_EQ(defaults->stringForKey(K::WelcomeWindowUserEmail), "ada@example.org");
    EXPECT_EQ(window.shakeCount(), 0);
    EXPECT_TRUE(window.isTransitioning());
    ASSERT_EQ(analytics.people.size(), 2);
    EXPECT_EQ(analytics.people[0].second.value("$email"), "ada@example.org");
    EXPECT_TRUE(analytics.eventNames().contains("app.welcome.signup.info.completed"));

    // The welcome screen assembles over the next moments; the sign-up views are gone.
    EXPECT_EQ(window.welcomeLabel(), nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return window.welcomeLabel() && window.recentsSidebar(); }));
    EXPECT_EQ(window.screen(), WelcomeWindow::Screen::Welcome);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !window.isTransitioning(); }, 4000));
    EXPECT_NE(window.examplesView(), nullptr);
    EXPECT_EQ(window.getStartedButton(), nullptr);
    EXPECT_EQ(window.emailInputField(), nullptr);
    EXPECT_EQ(window.skipButton(), nullptr);
    // A second window opens straight on the welcome screen.
    EXPECT_EQ(WelcomeWindow(*defaults).screen(), WelcomeWindow::Screen::Welcome);
}

TEST_F(WelcomeWindowTest, WithDataCollectionOffGetStartedSendsNothing)
{
    defaults->setBool(DataCollectionDisabledKey, true);
    welcome::MailingListSignup::setServiceURL(QStringLiteral("http://127.0.0.1:9")); // would be refused
    WelcomeWindow window(*defaults);
    window.emailInputField()->textField()->setText("ada@example.org");
    window.getStartedButtonPressed();
    EXPECT_EQ(welcome::MailingListSignup::pendingRequestCount(), 0);
    EXPECT_EQ(defaults->stringForKey(K::WelcomeWindowUserEmail), "ada@example.org");
    EXPECT_TRUE(analytics.events.isEmpty());
    EXPECT_TRUE(analytics.people.isEmpty());
    EXPECT_TRUE(window.isTransitioning());
    welcome::MailingListSignup::setServiceURL(QString());
}

// Consent is the user's own tick: the box starts empty, and Get Started records what it shows.
TEST_F(WelcomeWindowTest, TheEmailCourseBoxStartsUncheckedAndItsStateIsTheConsent)
{
    WelcomeWindow window(*defaults);
    WelcomeWindowEmailCourseButton* box = window.emailCourseCheckBoxButton();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->checkBoxState(), CheckboxState::Unchecked);
    const QImage unchecked = box->checkboxImage();
    clickWidget(box, QPoint(5, 10));
    EXPECT_EQ(box->checkBoxState(), CheckboxState::Checked);
    EXPECT_NE(box->checkboxImage(), unchecked);
    clickWidget(box, QPoint(5, 10));
    EXPECT_EQ(box->checkBoxState(), CheckboxState::Unchecked);
    EXPECT_EQ(box->checkboxImage(), unchecked);
    EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);

    welcome::MailingListSignup::setServiceURL(QString());
    window.emailInputField()->textField()->setText("ada@example.org");
    window.getStartedButtonPressed();
    EXPECT_FALSE(defaults->boolForKey(K::WelcomeWindowSignupConsent));
    defaults->removeObject(K::WelcomeWindowUserEmail);
    WelcomeWindow again(*defaults);
    clickWidget(again.emailCourseCheckBoxButton(), QPoint(5, 10));
    again.emailInputField()->textField()->setText("ada@example.org");
    again.getStartedButtonPressed();
    EXPECT_TRUE(defaults->boolForKey(K::WelcomeWindowSignupConsent));
}

TEST_F(WelcomeWindowTest, WelcomeScreenLayout)
{
    auto window = welcomeScreen();
    ASSERT_NE(window->welcomeLabel(), nullptr);
    EXPECT_EQ(window->width(), 800);
    EXPECT_EQ(window->welcomeLabel()->geometry(), QRect(0, 41, 560, 38));
    ASSERT_NE(window->subTitleLabel(), nullptr);
    EXPECT_EQ(window->subTitleLabel()->attributedTitle().text, "Studio 2.1");
    EXPECT_EQ(window->recentsSidebar()->geometry(), QRect(560, 0, 240, 470 - 32));

    QList<WelcomeWindowExampleView*> tiles = window->examplesView()->findChildren<WelcomeWindowExampleView*>();
    ASSERT_EQ(tiles.size(), 4);
    QStringList titles;
    for (auto* tile : tiles)
        titles.append(tile->title());
    EXPECT_EQ(titles, (QStringList{"Animate", "Drag", "Scroll", "Page"}));

    // Without a version the line is left out.
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_EQ(welcomeScreen()->subTitleLabel(), nullptr);
}

TEST(WelcomeRecentsRow, OnlyFoldersInsideHomeAreAbbreviated)
{
    const QString home = QDir::homePath();
    ASSERT_NE(home, "/");
    const struct {
        QString path;
        QString shown;
    } cases[] = {
        {home + "/Projects/A.zelvor", "~/Projects"},
        {home + "/B.zelvor", "~"},
        {home + "x/C.zelvor", home + "x"},
        {"/backup" + home + "/D.zelvor", "/backup" + home},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WelcomeWindowRecentsRowView::abbreviatedFolder(c.path), c.shown) << c.path.toStdString();
}

TEST_F(WelcomeWindowTest, RecentProjectsAreListedSelectedAndOpenedWithReturn)
{
    const QString a = makeProject("Alpha.zelvor");
    const QString b = makeProject("Beta.zelvor");
    const QString c = makeProject("Gamma.zelvor");
    for (const QString& path : {c, b, a})
        documentController().noteNewRecentDocumentURL(path);
    auto window = welcomeScreen();
    WelcomeWindowRecentsTableView* list = window->recentsTableView();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_FALSE(window->noRecentDocumentsView() && window->noRecentDocumentsView()->isVisible());
    WelcomeWindowRecentsRowView* first = list->rowView(0);
    EXPECT_EQ(first->titleText(), "Alpha.zelvor");
    EXPECT_TRUE(first->pathText().endsWith(QFileInfo(QFileInfo(a).path()).fileName())) << first->pathText().toStdString();
    EXPECT_EQ(first->rowState(), WelcomeWindowRecentsRowState::Selected);
    EXPECT_EQ(first->titleColor(), QColor(Qt::white));
    EXPECT_EQ(first->pathColor(), QColor("#92D9FF"));

    // Selecting another row returns the first to its normal look.
    list->selectRow(1);
    EXPECT_EQ(first->rowState(), WelcomeWindowRecentsRowState::Normal);
    EXPECT_EQ(first->titleColor(), QColor("#1D1D1F"));
    EXPECT_EQ(first->pathColor(), QColor("#D2D2D3"));
    EXPECT_EQ(list->rowView(1)->rowState(), WelcomeWindowRecentsRowState::Selected);
    // Clicking below the rows leaves the selection as it was.
    clickWidget(list->viewport(), QPoint(100, list->viewport()->height() - 5));
    EXPECT_EQ(list->selectedRow(), 1);
    EXPECT_EQ(list->menuForPosition(QPoint(100, list->viewport()->height() - 5)), nullptr);
    // A single click on a row selects it, and shows it so.
    QTest::mouseClick(list->rowView(0), Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_EQ(first->rowState(), WelcomeWindowRecentsRowState::Selected);
    EXPECT_EQ(list->rowView(1)->rowState(), WelcomeWindowRecentsRowState::Normal);

    // The context menu selects the row under the pointer and shows that project's folder.
    std::unique_ptr<QMenu> menu(list->menuForPosition(QPoint(100, 42 * 2 + 10)));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(list->selectedRow(), 2);
    menu->actions().first()->trigger();
    ASSERT_EQ(openedURLs.size(), 1);
    EXPECT_EQ(openedURLs[0].toLocalFile(), c);

    list->selectRow(0);
    pressReturn(window.get());
    EXPECT_EQ(documentController().opened, QStringList{a});
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WelcomeWindowTest, AMissingProjectIsMarkedAndCanBeRemoved)
{
    const QString kept = makeProject("Kept.zelvor");
    const QString gone = makeProject("Gone.zelvor");
    documentController().noteNewRecentDocumentURL(kept);
    documentController().noteNewRecentDocumentURL(gone);
    QDir(gone).removeRecursively();
    auto window = welcomeScreen();
    WelcomeWindowRecentsTableView* list = window->recentsTableView();
    ASSERT_EQ(list->count(), 2);
    WelcomeWindowRecentsRowView* missing = list->rowView(0);
    EXPECT_TRUE(missing->isMissing());
    EXPECT_FALSE(list->rowView(1)->isMissing());
    ASSERT_NE(missing->removeButton(), nullptr);
    EXPECT_EQ(list->rowView(1)->removeButton(), nullptr);

    // Opening it opens nothing: the user is asked whether to drop it; "Cancel" keeps it.
    QStringList asked;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        asked.append(alert.messageText());
        return platform::Alert::kFirstButtonReturn + 1;
    });
    pressReturn(window.get());
    EXPECT_TRUE(documentController().opened.isEmpty());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("Gone.zelvor"));
    EXPECT_EQ(list->count(), 2);
    EXPECT_TRUE(window->isVisible());

    // Its remove button drops it from the list and from the stored recent projects.
    clickWidget(list->rowView(0)->removeButton(), QPoint(5, 5));
    EXPECT_EQ(documentController().recentDocumentURLs(), QStringList{kept});
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_EQ(list->rowView(0)->data(), kept);

    // Removing the last one shows the placeholder.
    window->removeRecentDocument(kept);
    EXPECT_EQ(list->count(), 0);
    ASSERT_NE(window->noRecentDocumentsView(), nullptr);
    EXPECT_TRUE(window->noRecentDocumentsView()->isVisible());
    pressReturn(window.get()); // nothing to open
    EXPECT_TRUE(documentController().opened.isEmpty());
}

TEST_F(WelcomeWindowTest, AFailedOpenBringsTheWelcomeWindowBack)
{
    const QString path = makeProject("Broken.zelvor");
    documentController().noteNewRecentDocumentURL(path);
    documentController().failOpen = true;
    QStringList messages;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        messages.append(alert.messageText() + " " + alert.informativeText());
        return platform::Alert::kFirstButtonReturn;
    });
    auto window = welcomeScreen();
    window->openRecentFile();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("unreadable"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WelcomeWindowTest, ExampleTilesOpenTheirProjectOnce)
{
    QStringList opened;
    WelcomeWindowExampleView::setExampleOpener([&](const QString& path) { opened.append(path); });
    auto window = welcomeScreen();
    auto* tile = window->examplesView()->findChildren<WelcomeWindowExampleView*>().value(1);
    ASSERT_NE(tile, nullptr);
    EXPECT_FALSE(tile->examplePath().isEmpty());

    // Pressing dims it; releasing outside opens nothing.
    sendMouse(tile, QEvent::MouseButtonPress, QPoint(50, 50));
    EXPECT_DOUBLE_EQ(tile->imageOpacity(), 0.9);
    sendMouse(tile, QEvent::MouseMove, QPoint(300, 50));
    EXPECT_DOUBLE_EQ(tile->imageOpacity(), 1.0);
    sendMouse(tile, QEvent::MouseButtonRelease, QPoint(300, 50));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(window->isVisible());

    clickWidget(tile, QPoint(50, 120)); // on the title: it reaches the tile
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith("/Examples/drag.zelvor"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WelcomeWindowTest, WithoutExamplesATileDoesNothing)
{
    QTemporaryDir empty;
    const QByteArray saved = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", empty.path().toUtf8());
    platform::Bundle::main().reload();
    QStringList opened;
    WelcomeWindowExampleView::setExampleOpener([&](const QString& path) { opened.append(path); });
    auto window = welcomeScreen();
    auto* tile = window->examplesView()->findChildren<WelcomeWindowExampleView*>().value(0);
    clickWidget(tile, QPoint(50, 50));
    qputenv("ZELVOR_RESOURCES", saved);
    platform::Bundle::main().reload();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WelcomeWindowTest, AnExampleBecomesANewUntitledProject)
{
    documentController().setDocumentFactory([] { return new RBDocument(); });
    const QString example = platform::Bundle::main().pathForResource("Examples") + "/animate.zelvor";
    ASSERT_TRUE(QFileInfo(example + "/app.coffee").isFile());
    RBDocument* document = RBDocument::newDocumentWithTemplatePath(example);
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(document->isSaved());
    EXPECT_TRUE(documentController().documents().contains(document));
    EXPECT_EQ(testsupport::readFile(document->projectPath() + "/app.coffee"), testsupport::readFile(example + "/app.coffee"));
    // The example itself is not touched by the new project.
    EXPECT_NE(QFileInfo(document->projectPath()).canonicalFilePath(), QFileInfo(example).canonicalFilePath());
    document->close();
    documentController().setDocumentFactory({});
}

TEST_F(WelcomeWindowTest, WindowCommands)
{
    auto window = welcomeScreen();
    int docs = 0;
    window->setShowDocumentation([&] { ++docs; });
    window->toolbarDocs();
    EXPECT_EQ(docs, 1);

    // The start-up box flips the stored preference and shows the new value.
    WelcomeWindowShowOnStartupButton* box = window->showOnStartupButton();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->shownState(), CheckboxState::Checked);
    clickWidget(box, QPoint(5, 5));
    EXPECT_FALSE(WelcomeWindowController::shouldShowOnStartup(*defaults));
    EXPECT_EQ(box->shownState(), CheckboxState::Unchecked);
    window->toggleShowOnStartup(box);
    EXPECT_TRUE(WelcomeWindowController::shouldShowOnStartup(*defaults));
    EXPECT_EQ(box->shownState(), CheckboxState::Checked);

    window->newPrototype();
    EXPECT_EQ(documentController().newCount, 1);
    EXPECT_FALSE(window->isVisible());
    window->show();
    window->openFile();
    EXPECT_EQ(documentController().openPanelCount, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WelcomeWindowTest, InformationColumnsAndTheirLinks)
{
    auto window = welcomeScreen();
    QList<WelcomeWindowColumnView*> columns = window->findChildren<WelcomeWindowColumnView*>();
    ASSERT_EQ(columns.size(), 2);
    WelcomeWindowColumnView* learn = columns[0];
    WelcomeWindowColumnView* social = columns[1];
    EXPECT_TRUE(learn->shownAvatars().isEmpty());
    EXPECT_EQ(learn->columnButton()->x(), 0);
    const QStringList avatars = social->shownAvatars();
    EXPECT_EQ(avatars.size(), 4);
    EXPECT_EQ(QSet<QString>(avatars.begin(), avatars.end()).size(), 4);
    for (const QString& name : avatars)
        EXPECT_TRUE(WelcomeWindowColumnView::avatarNames().contains(name));
    EXPECT_EQ(social->columnButton()->x(), 128);
    // Their pages are on the build's web site; without one (this build) the buttons are hidden.
    ASSERT_TRUE(welcome::websiteURL().isEmpty());
    EXPECT_FALSE(learn->columnButton()->isVisibleTo(learn));
    EXPECT_FALSE(social->columnButton()->isVisibleTo(social));

    WelcomeWindowColumnView withSite(QRect(0, 0, 224, 104), "Learn", "Text", "Learn Zelvor", false,
                                     welcome::websitePage("/learn", "https://example.test"));
    withSite.show();
    WelcomeWindowColumnButton* button = withSite.columnButton();
    ASSERT_TRUE(button->isVisibleTo(&withSite));
    EXPECT_EQ(button->width(), button->buttonWidth());
    // Pressed: the active face; released outside: back to normal, nothing opened.
    sendMouse(button, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_EQ(button->state(), WelcomeWindowColumnButtonState::Active);
    EXPECT_TRUE(button->textField2()->isVisibleTo(button));
    sendMouse(button, QEvent::MouseMove, QPoint(-40, 5));
    sendMouse(button, QEvent::MouseButtonRelease, QPoint(-40, 5));
    EXPECT_EQ(button->state(), WelcomeWindowColumnButtonState::Normal);
    EXPECT_TRUE(openedURLs.isEmpty());
    clickWidget(button, QPoint(5, 5));
    ASSERT_EQ(openedURLs.size(), 1);
    EXPECT_EQ(openedURLs[0], QUrl("https://example.test/learn"));
}

TEST(Shuffle, KeepsTheElementsAndLeavesShortListsAlone)
{
    QList<int> empty;
    shuffle(empty);
    EXPECT_TRUE(empty.isEmpty());
    QList<int> one{7};
    shuffle(one);
    EXPECT_EQ(one, QList<int>{7});
    QList<int> many{1, 2, 3, 4, 5};
    QSet<QList<int>> orders;
    for (int i = 0; i < 200; ++i) {
        QList<int> copy = many;
        shuffle(copy);
        QList<int> sorted = copy;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, many);
        orders.insert(copy);
    }
    EXPECT_GT(orders.size(), 20); // not stuck on a few orders
}
