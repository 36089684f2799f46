#include "AppTestSupport.h"

#include "autocomplete/KVAutoCompleteController.h"
#include "CodeTextView/KVAutoCompletePresenter.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/KVFindBar.h"
#include "app/RBMainMenu.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "editor/RBCodeEditViewController.h"
#include "welcome/WelcomeWindow.h"
#include "preview/RBZelvorViewController.h"
#include "preview/drop/RBFullScreenView.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QClipboard>
#include <QDirIterator>
#include <QFile>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QAction* named(QMenu& menu, const QString& name)
{
    auto* action = new QAction(name, &menu);
    action->setObjectName(name);
    menu.addAction(action);
    return action;
}

QStringList names(const QMenu& menu)
{
    QStringList list;
    for (QAction* action : menu.actions())
        list << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return list;
}

// An application that installs its menus into every window as it shows.
struct AppWithMenus {
    AppHarness harness;
    std::unique_ptr<RBApplication> app;
    AppWithMenus()
    {
        auto options = harness.options();
        options.installMenus = true;
        app = std::make_unique<RBApplication>(options);
        app->launch();
    }
};

QMenu* menuTitled(QMenuBar* bar, const QString& title)
{
    for (QAction* action : bar->actions())
        if (action->menu() && action->text().remove(QLatin1Char('&')) == title)
            return action->menu();
    return nullptr;
}

// A window holding only a code view, shown and active, as the editor of a project window is.
struct CodeWindow {
    QMainWindow window;
    KVCodeView* code = new KVCodeView(&window);

    bool show()
    {
        window.setCentralWidget(code);
        window.resize(600, 400);
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

TEST(MainMenu, TidyingTheEditMenuLooksOnlyAtTheBottomItemEachTime)
{
    QMenu full;
    named(full, QStringLiteral("copy"));
    full.addSeparator();
    named(full, QStringLiteral("startDictation"));
    named(full, QStringLiteral("orderFrontCharacterPalette"));
    tidyEditMenu(full);
    EXPECT_EQ(names(full), QStringList{QStringLiteral("copy")});

    QMenu dictation;
    named(dictation, QStringLiteral("copy"));
    dictation.addSeparator();
    named(dictation, QStringLiteral("startDictation"));
    tidyEditMenu(dictation);
    EXPECT_EQ(names(dictation), QStringList{QStringLiteral("copy")});

    // Out of order, the palette above the dictation item stays; so does a separator that is
    // not at the very bottom.
    QMenu other;
    named(other, QStringLiteral("orderFrontCharacterPalette"));
    other.addSeparator();
    named(other, QStringLiteral("paste"));
    other.addSeparator();
    tidyEditMenu(other);
    EXPECT_EQ(names(other), (QStringList{QStringLiteral("orderFrontCharacterPalette"), QStringLiteral("-"),
                                         QStringLiteral("paste")}));
}

TEST(MainMenu, WindowsGetLinuxMenusWithCtrlShortcutsAsTheyShow)
{
    AppWithMenus launched;
    RBApplication& app = *launched.app;

    QMainWindow window;
    window.show();
    ASSERT_NE(window.menuWidget(), nullptr);
    auto* bar = qobject_cast<QMenuBar*>(window.menuWidget());
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* action : bar->actions())
        titles << action->text().remove(QLatin1Char('&'));
    EXPECT_EQ(titles, (QStringList{QStringLiteral("File"), QStringLiteral("Edit"), QStringLiteral("View"),
                                   QStringLiteral("Project"), QStringLiteral("Window"), QStringLiteral("Help")}));
    // The library update belongs to a project: without one it is not offered.
    QMenu* project = menuTitled(bar, QStringLiteral("Project"));
    Q_EMIT project->aboutToShow();
    EXPECT_FALSE(project->actions().first()->isEnabled());
    EXPECT_EQ(project->actions().first()->objectName(), QStringLiteral("updateZelvorLibrary"));
    // Preferences closes the Edit menu, About the Help menu, Quit the File menu.
    EXPECT_EQ(menuTitled(bar, QStringLiteral("Edit"))->actions().last()->objectName(), QStringLiteral("preferences"));
    EXPECT_EQ(menuTitled(bar, QStringLiteral("Help"))->actions().last()->objectName(), QStringLiteral("about"));
    EXPECT_EQ(menuTitled(bar, QStringLiteral("File"))->actions().last()->objectName(), QStringLiteral("terminate"));

    RBMainMenu& menu = *app.mainMenu();
    EXPECT_EQ(menu.action(QStringLiteral("terminate"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(menu.action(QStringLiteral("openDocument"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(menu.action(QStringLiteral("saveDocument"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(menu.action(QStringLiteral("preferences"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+,")));

    // Without a feed the update item says where updates come from and cannot be chosen.
    QAction* updates = menu.action(QStringLiteral("checkForUpdates"));
    EXPECT_FALSE(updates->isEnabled());
    EXPECT_TRUE(updates->text().contains(QStringLiteral("package"), Qt::CaseInsensitive));

    // A window without a menu bar (the welcome window) still answers the shortcuts.
    QWidget plain;
    plain.show();
    EXPECT_TRUE(plain.actions().contains(menu.action(QStringLiteral("openDocument"))));
    EXPECT_TRUE(plain.actions().contains(menu.action(QStringLiteral("terminate"))));
}

TEST(MainMenu, FindItemsReachTheFindBarOfTheCodeWithTheirKeys)
{
    AppWithMenus launched;

    CodeWindow shown;
    ASSERT_TRUE(shown.show());
    QMainWindow& window = shown.window;
    KVCodeView* code = shown.code;
    KVCodeTextView* text = code->textView();
    text->setString(QStringLiteral("one two one two one"));
    text->setFocus();
    QMenu* edit = menuTitled(qobject_cast<QMenuBar*>(window.menuWidget()), QStringLiteral("Edit"));
    ASSERT_NE(edit, nullptr);
    const QList<QAction*> items = edit->actions();
    ASSERT_TRUE(std::any_of(items.cbegin(), items.cend(), [](QAction* item) {
        return item->menu() && item->menu()->objectName() == QLatin1String("findMenu") && item->menu()->actions().size() == 5;
    }));

    // Ctrl+E takes the selection, F3 and Shift+F3 go through its matches without the bar.
    text->setSelectedRange({4, 3});
    QTest::keyClick(text, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(code->findBar()->findString(), QStringLiteral("two"));
    QTest::keyClick(text, Qt::Key_F3);
    EXPECT_EQ(text->selectedRange(), (platform::TextRange{12, 3}));
    QTest::keyClick(text, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(text->selectedRange(), (platform::TextRange{4, 3}));
    QTest::keyClick(text, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(text->selectedRange(), (platform::TextRange{12, 3}));

    // Ctrl+F opens the bar on the find field, Ctrl+H with the replace row; Esc goes back.
    QTest::keyClick(text, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(code->findBar()->isVisible());
    auto* field = code->findBar()->findChild<QLineEdit*>(QStringLiteral("findField"));
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(code->findBar()->isVisible());
    EXPECT_TRUE(text->hasFocus());
    QTest::keyClick(text, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(code->findBar()->findChild<QLineEdit*>(QStringLiteral("replaceField"))->isVisible());
    if (const QString shots = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR"); !shots.isEmpty()) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("one"));
        QTest::qWait(200);
        window.grab().save(shots + QStringLiteral("/find-bar.png"));
    }
}

TEST(MainMenu, ShowCompletionsAsksTheCodeWithTheFocusAtItsCaret)
{
    AppWithMenus launched;
    KVAutoCompleteController popup;
    KVAutoCompletePresenter* previous = KVAutoCompletePresenter::shared();
    KVAutoCompletePresenter::setShared(&popup);

    CodeWindow shown;
    ASSERT_TRUE(shown.show());
    QMainWindow& window = shown.window;
    KVCodeView* code = shown.code;
    KVCodeTextView* text = code->textView();
    text->setString(QStringLiteral("layer layout\nla"));
    text->setSelectedRange({text->string().size(), 0});
    text->setFocus();
    QAction* show = launched.app->mainMenu()->action(QStringLiteral("showCompletions"));
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show->shortcut(), QKeySequence(QStringLiteral("Ctrl+Space")));
    QMenu* edit = menuTitled(qobject_cast<QMenuBar*>(window.menuWidget()), QStringLiteral("Edit"));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->actions().contains(show));

    QTest::keyClick(text, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(popup.isPopupVisible());
    QStringList words;
    for (const KVAutoCompletion& item : popup.autoCompletionSet().completions())
        words.append(item.word());
    EXPECT_EQ(words, (QStringList{"layer", "layout"}));
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(popup.isPopupVisible());
    show->trigger();
    EXPECT_TRUE(popup.isPopupVisible());
    EXPECT_EQ(text->string(), QStringLiteral("layer layout\nla"));
    popup.completeEnd();
    KVAutoCompletePresenter::setShared(previous);
}

TEST(MainMenu, RecentProjectsAndTheActiveWindowsDocument)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    const QString first = harness.dir.filePath(QStringLiteral("First.zelvor"));
    const QString second = harness.dir.filePath(QStringLiteral("Second.zelvor"));
    app.documentController().noteNewRecentDocumentURL(first);
    app.documentController().noteNewRecentDocumentURL(second);

    QMainWindow window;
    window.setMenuBar(app.mainMenu()->createMenuBar(&window));
    QMenu* file = menuTitled(window.menuBar(), QStringLiteral("File"));
    ASSERT_NE(file, nullptr);
    QMenu* recent = file->findChild<QMenu*>(QStringLiteral("openRecent"));
    ASSERT_NE(recent, nullptr);
    Q_EMIT recent->aboutToShow();
    QStringList entries;
    for (QAction* action : recent->actions())
        if (!action->isSeparator())
            entries << action->text();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Second.zelvor"), QStringLiteral("First.zelvor"),
                                    QStringLiteral("Clear Menu")}));

    // Choosing a recent project that has gone explains why nothing opens.
    {
        AlertAnswers answers(QStringLiteral("OK"));
        recent->actions().first()->trigger();
        ASSERT_EQ(answers.messages.size(), 1);
        EXPECT_TRUE(answers.messages.first().contains(QStringLiteral("Second.zelvor")));
    }

    // Save goes to the document of the active window.
    auto* one = new CountingDocument;
    auto* two = new CountingDocument;
    QWidget oneWindow, twoWindow;
    one->setWindow(&oneWindow);
    two->setWindow(&twoWindow);
    app.documentController().addDocument(one);
    app.documentController().addDocument(two);
    twoWindow.show();
    QApplication::setActiveWindow(&twoWindow);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &twoWindow; }));
    EXPECT_EQ(app.currentDocument(), two);
    app.mainMenu()->action(QStringLiteral("saveDocument"))->trigger();
    EXPECT_EQ(two->saves, 1);
    EXPECT_EQ(one->saves, 0);
    one->close();
    two->close();
}

namespace {
// Stand-ins that answer the View commands as the code view and the preview's pane do.
class ZoomingCode : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    Q_INVOKABLE void menuLarger() { calls << QStringLiteral("code larger"); }
    Q_INVOKABLE void menuSmaller() { calls << QStringLiteral("code smaller"); }
    Q_INVOKABLE void menuReset() { calls << QStringLiteral("code reset"); }
    QStringList calls;
};

class PreviewRoot : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
public Q_SLOTS:
    void menuLarger() { calls << QStringLiteral("preview larger"); }
    void menuSmaller() { calls << QStringLiteral("preview smaller"); }
    void menuReset() { calls << QStringLiteral("preview reset"); }
    void menuFit() { calls << QStringLiteral("preview fit"); }
    void reloadPreview() { calls << QStringLiteral("preview reload"); }

public:
    QStringList calls;
};
} // namespace

// Larger, Smaller, Actual Size and Reload are in the View menu with the usual keys; the code
// zooms its font while it has the focus, and the preview answers otherwise.
TEST(MainMenu, ViewCommandsGoToTheCodeWhileItHasTheFocusElseToThePreview)
{
    AppWithMenus launched;
    RBApplication& app = *launched.app;
    RBMainMenu& menu = *app.mainMenu();
    EXPECT_EQ(menu.action(QStringLiteral("menuLarger"))->shortcuts().first(), QKeySequence(QKeySequence::ZoomIn));
    EXPECT_EQ(menu.action(QStringLiteral("menuSmaller"))->shortcut(), QKeySequence(QKeySequence::ZoomOut));
    EXPECT_EQ(menu.action(QStringLiteral("menuReset"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+0")));
    EXPECT_EQ(menu.action(QStringLiteral("reloadPreview"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    // The real views answer by these names.
    EXPECT_GE(KVCodeView::staticMetaObject.indexOfMethod("menuLarger()"), 0);
    EXPECT_GE(RBFullScreenView::staticMetaObject.indexOfMethod("reloadPreview()"), 0);
    EXPECT_GE(RBFullScreenView::staticMetaObject.indexOfMethod("menuReset()"), 0);

    QMainWindow window;
    auto* central = new QWidget;
    auto* code = new ZoomingCode(central);
    auto* text = new QLineEdit(code);
    auto* preview = new PreviewRoot(central);
    auto* page = new QLineEdit(preview);
    preview->move(0, 100);
    window.setCentralWidget(central);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &window; }));
    QMenu* view = menuTitled(qobject_cast<QMenuBar*>(window.menuWidget()), QStringLiteral("View"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(names(*view).mid(0, 6), (QStringList{QStringLiteral("menuLarger"), QStringLiteral("menuSmaller"),
                                                   QStringLiteral("menuReset"), QStringLiteral("menuFit"),
                                                   QStringLiteral("-"), QStringLiteral("reloadPreview")}));

    const auto choose = [&menu](const char* name) { menu.action(QLatin1String(name))->trigger(); };
    text->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return text->hasFocus(); }));
    choose("menuSmaller");
    choose("menuReset");
    choose("menuLarger");
    choose("reloadPreview"); // the code has no reload nor fit: the preview takes them
    choose("menuFit");
    EXPECT_EQ(code->calls, (QStringList{QStringLiteral("code smaller"), QStringLiteral("code reset"), QStringLiteral("code larger")}));
    EXPECT_EQ(preview->calls, (QStringList{QStringLiteral("preview reload"), QStringLiteral("preview fit")}));

    page->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->hasFocus(); }));
    choose("menuSmaller");
    choose("menuLarger");
    choose("menuReset");
    EXPECT_EQ(preview->calls.mid(2), (QStringList{QStringLiteral("preview smaller"), QStringLiteral("preview larger"),
                                                  QStringLiteral("preview reset")}));
    EXPECT_EQ(code->calls.size(), 3);
}

// The welcome window has no menu bar: with it in front, the commands of the project behind it do
// not run (only closing and the documentation pass its rule), while its own Help menu, opened by
// its button, a right click or F10, reaches About.
TEST(MainMenu, TheWelcomeWindowKeepsTheProjectsCommandsAndOffersTheHelpItems)
{
    AppWithMenus launched;
    RBApplication& app = *launched.app;
    RBMainMenu& menu = *app.mainMenu();
    auto* project = new CountingDocument;
    QMainWindow projectWindow;
    project->setWindow(&projectWindow);
    app.documentController().addDocument(project);
    projectWindow.show();

    int documentation = 0;
    welcome::WelcomeWindow welcome(*launched.harness.defaults);
    welcome.setShowDocumentation([&documentation] { ++documentation; });
    welcome.show();
    QApplication::setActiveWindow(&welcome);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &welcome; }));

    const struct {
        const char* command;
        bool runs;
    } rules[] = {{"saveDocument", false}, {"saveDocumentAs", false}, {"toolbarImport", false},
                 {"updateZelvorLibrary", false}, {"copyAsRichText", false}, {"reloadPreview", false},
                 {"performClose", true}, {"toolbarDocs", true}, {"newDocument", true},
                 {"openDocument", true}, {"terminate", true}, {"about", true}, {"preferences", true}};
    for (const auto& rule : rules)
        EXPECT_EQ(menu.validate(QLatin1String(rule.command)), rule.runs) << rule.command;
    QTest::keyClick(&welcome, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(project->saves, 0);
    QTest::keyClick(&welcome, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(documentation, 1);

    // The Help menu, with About, from the window's button and from F10.
    QMenu* help = welcome.helpMenu();
    ASSERT_NE(help, nullptr);
    ASSERT_NE(welcome.menuButton(), nullptr);
    EXPECT_TRUE(help->actions().contains(menu.action(QStringLiteral("about"))));
    EXPECT_TRUE(help->actions().contains(menu.action(QStringLiteral("sendFeedback"))));
    QTest::keyClick(&welcome, Qt::Key_F10);
    ASSERT_TRUE(testsupport::waitUntil([&] { return help->isVisible(); }));
    if (const QString shots = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR"); !shots.isEmpty()) {
        QTest::qWait(300);
        QPixmap shot = welcome.grab();
        QPainter painter(&shot);
        painter.drawPixmap(help->pos() - welcome.pos(), help->grab());
        painter.end();
        shot.save(shots + QStringLiteral("/welcome-help-menu.png"));
    }
    help->close();
    welcome.menuButton()->click();
    EXPECT_TRUE(testsupport::waitUntil([&] { return help->isVisible(); }));
    help->close();

    // With the project in front again, its save runs.
    QApplication::setActiveWindow(&projectWindow);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &projectWindow; }));
    menu.action(QStringLiteral("saveDocument"))->trigger();
    EXPECT_EQ(project->saves, 1);
    project->close();
}

namespace {
QMenuBar* menuBarOf(QWidget& window)
{
    return qobject_cast<QMainWindow*>(&window) ? qobject_cast<QMenuBar*>(static_cast<QMainWindow&>(window).menuWidget())
                                               : nullptr;
}

QAction* itemNamed(QMenu* menu, const char* name)
{
    for (QAction* item : menu->actions())
        if (item->objectName() == QLatin1String(name))
            return item;
    return nullptr;
}
} // namespace

// Send Feedback starts a message in the mail program to the build's address, saying what it ran
// on; a build without an address offers the item disabled, with the reason.
TEST(MainMenu, SendFeedbackWritesToTheBuildsAddressOrSaysItHasNone)
{
    {
        AppHarness harness;
        auto options = harness.options();
        options.feedbackAddress = QStringLiteral("team+studio@example.test");
        RBApplication app(options);
        app.launch();
        QAction* item = app.mainMenu()->action(QStringLiteral("sendFeedback"));
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->isEnabled());
        item->trigger();
        const QStringList mails = harness.events.filter(QStringLiteral("open mailto:"));
        ASSERT_EQ(mails.size(), 1) << harness.events.join(' ').toStdString();
        const QUrl url(mails.first().mid(5));
        EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
        EXPECT_EQ(url.path(), QStringLiteral("team+studio@example.test"));
        const QString body = QUrlQuery(url).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
        EXPECT_TRUE(body.contains(QStringLiteral("Zelvor Studio ") + app.appVersion())) << body.toStdString();
        EXPECT_TRUE(body.contains(app.osVersion())) << body.toStdString();
    }
    AppHarness harness;
    auto options = harness.options();
    options.feedbackAddress = QString();
    RBApplication app(options);
    app.launch();
    QAction* item = app.mainMenu()->action(QStringLiteral("sendFeedback"));
    EXPECT_FALSE(item->isEnabled());
    EXPECT_TRUE(item->toolTip().contains(QStringLiteral("no address")));
    item->trigger();
    EXPECT_TRUE(harness.events.filter(QStringLiteral("open mailto:")).isEmpty());
}

// Copy as Rich Text, Comment and Shift are Edit items with their keys, and act on the code.
TEST(MainMenu, TheEditMenuCopiesTheCodeAsRichTextAndCommentsAndShiftsIt)
{
    AppWithMenus launched;
    RBApplication& app = *launched.app;
    auto* document = new RBDocument;
    RBCodeEditViewController controller(document, nullptr, launched.harness.defaults.get());
    document->attachEditor(&controller);
    QMainWindow window;
    window.setCentralWidget(controller.view());
    document->setWindow(&window);
    app.documentController().addDocument(document);
    window.resize(700, 400);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &window; }));

    QMenu* edit = menuTitled(menuBarOf(window), QStringLiteral("Edit"));
    ASSERT_NE(edit, nullptr);
    const struct {
        const char* name;
        const char* keys;
    } items[] = {{"copyAsRichText", "Ctrl+Shift+C"}, {"commentSelection", "Ctrl+/"}, {"shiftLeft", "Ctrl+["},
                 {"shiftRight", "Ctrl+]"}};
    for (const auto& item : items) {
        QAction* action = itemNamed(edit, item.name);
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(QLatin1String(item.keys))) << item.name;
    }

    controller.setContent(QStringLiteral("title = \"Hi\"\n"));
    controller.codeView()->updateSyntaxColoring();
    QApplication::clipboard()->clear();
    itemNamed(edit, "copyAsRichText")->trigger();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1"));
    EXPECT_EQ(mime->text(), controller.content());

    KVCodeTextView* text = controller.codeView()->textView();
    text->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return text->hasFocus(); }));
    text->setSelectedRange({0, 0});
    QTest::keyClick(text, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_TRUE(controller.content().startsWith(QStringLiteral("#"))) << controller.content().toStdString();
    QTest::keyClick(text, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(controller.content(), QStringLiteral("title = \"Hi\"\n"));
    itemNamed(edit, "shiftRight")->trigger();
    EXPECT_TRUE(controller.content().startsWith(QStringLiteral("  title")) || controller.content().startsWith(QStringLiteral("\ttitle")))
        << controller.content().toStdString();
    itemNamed(edit, "shiftLeft")->trigger();
    EXPECT_EQ(controller.content(), QStringLiteral("title = \"Hi\"\n"));
    window.takeCentralWidget();
    document->close();
}

// Every text that sends the user to a menu item ("Menu ▸ Item") names one the menus have.
TEST(MainMenu, TextsThatNameAMenuItemNameOneThatExists)
{
    AppWithMenus launched;
    QMainWindow window;
    window.show();
    QMenuBar* bar = menuBarOf(window);
    ASSERT_NE(bar, nullptr);
    auto plain = [](QString text) { return text.remove(QLatin1Char('&')).remove(QStringLiteral("\u2026")).trimmed(); };
    QStringList paths;
    for (QAction* top : bar->actions()) {
        if (!top->menu())
            continue;
        Q_EMIT top->menu()->aboutToShow();
        for (QAction* item : top->menu()->actions())
            if (!item->isSeparator())
                paths << plain(top->text()) + QStringLiteral(" > ") + plain(item->text());
    }
    ASSERT_TRUE(paths.contains(QStringLiteral("Project > Update Zelvor Library")));

    // "▸" between words, as a literal or a \u25B8 escape; an old "A → B' menu" form is no path.
    static const QRegularExpression named(
        QStringLiteral("([A-Z][A-Za-z]*) (?:\u25B8|\\\\u25B8) ([A-Z][A-Za-z ]*[A-Za-z])"));
    static const QRegularExpression arrowMenu(QStringLiteral("\u2192[^'\"]*' menu|\\\\u2192[^'\"]*' menu"));
    int found = 0;
    QDirIterator files(QStringLiteral(ZELVOR_SOURCE_TREE) + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString source = QString::fromUtf8(file.readAll());
        EXPECT_FALSE(arrowMenu.match(source).hasMatch()) << path.toStdString();
        for (auto match = named.globalMatch(source); match.hasNext();) {
            const auto m = match.next();
            ++found;
            const QString path2 = m.captured(1) + QStringLiteral(" > ") + m.captured(2);
            EXPECT_TRUE(paths.contains(path2)) << path.toStdString() << ": " << path2.toStdString();
        }
    }
    EXPECT_GE(found, 2); // the feedback hint and the page's library message at least
}

#include "MainMenuTest.moc"
