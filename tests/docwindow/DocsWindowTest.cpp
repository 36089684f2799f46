// The documentation window with its real page: searching and stepping through the hits from the
// search field and the find items, ending a search, anchors asked for before the page is ready
// and anchors or terms that carry quotes, backslashes and markup.
#include "preview/KVDocsSearchField.h"
#include "preview/RBDocsWindowController.h"
#include "support/TestSupport.h"
#include "webview/RBWebViewController.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QToolButton>

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

} // namespace
