// The documentation window with its real page: searching and stepping through the hits from the
// search field and the find items, ending a search, anchors asked for before the page is ready
// and anchors or terms that carry quotes, backslashes and markup.
#include "app/AppTestSupport.h"
#include "app/RBMainMenu.h"
#include "preview/KVDocsSearchField.h"
#include "preview/RBDocsWindowController.h"
#include "support/TestSupport.h"
#include "webview/RBWebViewController.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>

namespace {

QVariant valueOf(RBWebViewController& page, const QString& script)
{
    auto done = std::make_shared<bool>(false);
    auto value = std::make_shared<QVariant>();
    page.evaluateJavaScript(script, [done, value](const QVariant& result, const QVariant&) {
        *value = result;
        *done = true;
    });
    testsupport::waitUntil([done] { return *done; }, 5000);
    return *value;
}

void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &down);
}

class DocsWindow : public ::testing::Test {
protected:
    RBDocsWindowController& docs = RBDocsWindowController::sharedInstance();
    RBWebViewController& page = *docs.webViewController();

    QVariant eval(const QString& script) { return valueOf(page, script); }
    void waitForPage() { ASSERT_TRUE(testsupport::waitUntil([&] { return page.isDocumentReady(); }, 30000)); }
    // What the application sent to the page from now on.
    void recordMessages()
    {
        eval("window.__sent = []; if (!window.__wrapped) { window.__wrapped = true; var r = window._receive;"
             " window._receive = function (m, a) { window.__sent.push(m); return r(m, a); }; } true");
    }
    QStringList sent() { return eval("window.__sent").toStringList(); }
};

// First, while the page of the shared window is still loading.
TEST_F(DocsWindow, A_OnlyTheLatestAnchorAskedForBeforeThePageIsReadyIsShown)
{
    ASSERT_FALSE(page.isDocumentReady());
    docs.showInfoForAnchor(QStringLiteral("layer.x"));
    docs.showInfoForAnchor(QStringLiteral("color.color"));
    EXPECT_TRUE(docs.window()->isVisible());
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.targetId()").toString() == "color.color"; }, 5000));
    EXPECT_EQ(eval("document.querySelectorAll('.target').length").toInt(), 1);
    const QString screenshot = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR");
    if (!screenshot.isEmpty()) {
        testsupport::spin(500);
        docs.window()->grab().save(screenshot + "/docs-window.png");
    }
    // Once ready, an anchor goes at once; one that carries markup and quotes is only data.
    docs.showInfoForAnchor(QStringLiteral("layer.animate"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.targetId()").toString() == "layer.animate"; }, 5000));
    docs.showInfoForAnchor(QStringLiteral("\"><img src=x onerror=\"window.hit=1\">\\'"));
    testsupport::spin(200);
    EXPECT_FALSE(eval("window.hit === 1").toBool());
    EXPECT_EQ(eval("document.querySelectorAll('#content img').length").toInt(), 0);
}

TEST_F(DocsWindow, SearchStepsThroughHitsAndEndsOnce)
{
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    docs.showWindow();
    KVDocsSearchField* field = docs.searchField();
    ASSERT_TRUE(field);
    recordMessages();

    // Nothing to step through before a confirmed search.
    EXPECT_FALSE(docs.nextSearchResult());
    EXPECT_FALSE(docs.previousSearchResult());
    EXPECT_FALSE(docs.findAction(2)->isEnabled());
    EXPECT_TRUE(docs.findAction(1)->isEnabled());

    // Typing a term and pressing Return searches; the page confirms and the buttons come alive.
    field->setText(QStringLiteral("opacity"));
    press(field, Qt::Key_Return);
    EXPECT_FALSE(docs.nextButton()->isEnabled());
    ASSERT_TRUE(testsupport::waitUntil([&] { return docs.searchActive(); }, 5000));
    EXPECT_TRUE(docs.nextButton()->isEnabled() && docs.previousButton()->isEnabled());
    EXPECT_TRUE(docs.findAction(2)->isEnabled() && docs.findAction(3)->isEnabled());
    const int hits = eval("zelvorDocs.hitCount()").toInt();
    ASSERT_GT(hits, 2);
    EXPECT_EQ(eval("zelvorDocs.currentHit()").toInt(), 0);
    EXPECT_EQ(eval("zelvorDocs.currentText()").toString().toLower(), "opacity");

    // Return on the same term steps forward, Shift+Return back, round the end.
    press(field, Qt::Key_Return);
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.currentHit()").toInt() == 1; }, 5000));
    press(field, Qt::Key_Return, Qt::ShiftModifier);
    press(field, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.currentHit()").toInt() == hits - 1; }, 5000));
    // Ctrl+G in the field and the Find Next item step too.
    press(field, Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.currentHit()").toInt() == 0; }, 5000));
    docs.findAction(3)->trigger();
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.currentHit()").toInt() == hits - 1; }, 5000));

    // A term with quotes, backslashes and markup reaches the page as data and is confirmed.
    field->setText(QStringLiteral("<b>\"'\\</b>"));
    press(field, Qt::Key_Return);
    EXPECT_FALSE(docs.searchActive());
    ASSERT_TRUE(testsupport::waitUntil([&] { return docs.searchActive(); }, 5000));
    EXPECT_EQ(eval("zelvorDocs.hitCount()").toInt(), 0);

    // Emptying the field ends the search and says so once.
    field->clear();
    field->clear();
    docs.newSearch(QString());
    EXPECT_FALSE(docs.searchActive());
    EXPECT_TRUE(docs.currentSearch().isEmpty());
    EXPECT_FALSE(docs.nextButton()->isEnabled());
    EXPECT_FALSE(docs.findAction(2)->isEnabled());
    testsupport::spin(200);
    EXPECT_EQ(sent().count("clear"), 1) << sent().join(',').toStdString();
    EXPECT_EQ(sent().count("next"), 2);
    EXPECT_EQ(sent().count("previous"), 3);

    // Esc in the field closes the window.
    press(field, Qt::Key_Escape);
    EXPECT_FALSE(docs.window()->isVisible());
}

// With the application's menus installed, as in the running application: the window's keys
// reach its search through the one set of find commands, the project's commands are off there,
// View zooms the page, Back returns from a sidebar jump, and an anchor asked for from the code
// shows without the hits of the search before it.
TEST_F(DocsWindow, TheApplicationsMenusDriveTheSearchZoomAndBack)
{
    AppHarness harness;
    auto options = harness.options();
    options.installMenus = true;
    RBApplication app(options);
    app.launch();
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    docs.showWindow();
    QMainWindow* window = docs.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* bar = qobject_cast<QMenuBar*>(window->menuWidget());
    ASSERT_NE(bar, nullptr);
    RBMainMenu& menu = *app.mainMenu();
    const auto item = [&menu](const char* name) { return menu.action(QLatin1String(name)); };

    // One Find submenu in the Edit menu.
    QMenu* edit = nullptr;
    for (QAction* top : bar->actions())
        if (top->menu() && top->text().remove('&') == QLatin1String("Edit"))
            edit = top->menu();
    ASSERT_NE(edit, nullptr);
    int findMenus = 0;
    for (QAction* entry : edit->actions())
        findMenus += entry->menu() && entry->text().remove('&') == QLatin1String("Find");
    EXPECT_EQ(findMenus, 1);

    // What belongs to a project is off here, the search's own items follow its state.
    ASSERT_TRUE(testsupport::waitUntil([&] { return !item("saveDocument")->isEnabled(); }));
    for (const char* name : {"saveDocument", "toolbarImport", "reloadPreview", "updateZelvorLibrary", "findAndReplace",
                             "useSelectionForFind", "menuFit"})
        EXPECT_FALSE(item(name)->isEnabled()) << name;
    EXPECT_TRUE(item("performFindPanelAction")->isEnabled());
    EXPECT_FALSE(item("findNext")->isEnabled());

    // Ctrl+F from the page puts the keyboard into the search field.
    page.webView()->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !docs.searchField()->hasFocus(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(docs.searchField()->hasFocus());
    QTest::keyClicks(docs.searchField(), QStringLiteral("opacity"));
    QTest::keyClick(docs.searchField(), Qt::Key_Return);
    ASSERT_TRUE(testsupport::waitUntil([&] { return docs.searchActive(); }, 5000));
    EXPECT_TRUE(item("findNext")->isEnabled() && item("findPrevious")->isEnabled());

    // F3, Shift+F3, Ctrl+G and Ctrl+Shift+G step through the hits from the page.
    page.webView()->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !docs.searchField()->hasFocus(); }));
    const auto hitAfter = [&](Qt::Key key, Qt::KeyboardModifiers modifiers, int expected) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return testsupport::waitUntil([&] { return eval("zelvorDocs.currentHit()").toInt() == expected; }, 5000);
    };
    const int hits = eval("zelvorDocs.hitCount()").toInt();
    ASSERT_GT(hits, 2);
    EXPECT_TRUE(hitAfter(Qt::Key_F3, Qt::NoModifier, 1));
    EXPECT_TRUE(hitAfter(Qt::Key_G, Qt::ControlModifier, 2));
    EXPECT_TRUE(hitAfter(Qt::Key_F3, Qt::ShiftModifier, 1));
    EXPECT_TRUE(hitAfter(Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier, 0));

    // View ▸ Larger and Smaller zoom the page, Actual Size brings it back.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(docs.zoomFactor(), 1.0);
    item("menuSmaller")->trigger();
    item("menuSmaller")->trigger();
    EXPECT_LT(docs.zoomFactor(), 1.0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(docs.zoomFactor(), 1.0);

    // A jump with the sidebar can be gone back from.
    EXPECT_FALSE(docs.backButton()->isEnabled());
    // A real click (the page counts only jumps the user made as steps to go back over).
    const QVariantList at = eval("(function () { var r = document.querySelector('nav a[href=\"#color\"]')"
                                 ".getBoundingClientRect(); return [r.left + 10, r.top + r.height / 2]; })()").toList();
    ASSERT_EQ(at.size(), 2);
    QWidget* surface = page.webView()->focusProxy();
    ASSERT_NE(surface, nullptr);
    QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(at[0].toInt(), at[1].toInt()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return docs.backButton()->isEnabled(); }, 5000));
    EXPECT_EQ(page.webView()->url().fragment(), QStringLiteral("color"));
    page.webView()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_TRUE(testsupport::waitUntil([&] { return page.webView()->url().fragment().isEmpty(); }, 5000))
        << page.webView()->url().toString().toStdString();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !docs.backButton()->isEnabled(); }, 5000));

    // Opened at an anchor from the code: that entry, without the earlier search's hits.
    docs.showInfoForAnchor(QStringLiteral("layer.x"));
    EXPECT_TRUE(docs.searchField()->text().isEmpty());
    EXPECT_FALSE(docs.searchActive());
    EXPECT_TRUE(testsupport::waitUntil([&] { return eval("zelvorDocs.targetId()").toString() == "layer.x"; }, 5000));
    EXPECT_EQ(eval("zelvorDocs.hitCount()").toInt(), 0);
    if (const QString shots = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR"); !shots.isEmpty()) {
        QTest::keyClicks(docs.searchField(), QStringLiteral("animate"));
        QTest::keyClick(docs.searchField(), Qt::Key_Return);
        testsupport::waitUntil([&] { return docs.searchActive(); }, 5000);
        testsupport::spin(400);
        window->grab().save(shots + QStringLiteral("/docs-window-menus.png"));
    }
    window->close();
}

} // namespace
