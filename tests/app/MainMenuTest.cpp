#include "AppTestSupport.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/KVFindBar.h"
#include "app/RBMainMenu.h"
#include "document/RBDocumentController.h"
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
#include <QMenuBar>

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

    QMainWindow window;
    auto* code = new KVCodeView(&window);
    window.setCentralWidget(code);
    window.resize(600, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
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

#include "MainMenuTest.moc"
