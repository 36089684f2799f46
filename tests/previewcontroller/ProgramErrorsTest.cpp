// Errors and runaway code of the user's program, as the designer meets them: every error comes
// back at the CoffeeScript line that caused it, wherever the program was when it failed.
#include "PreviewHarness.h"

#include "compiler/CodeTranspiler.h"
#include "preview/PageWatchdog.h"
#include "preview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace {
bool isRuntime(const RBDocumentStateUpdate& u) { return u.isError() && u.type() == QLatin1String("runtime"); }
}

TEST(PreviewProgramErrors, ErrorsInCallbacksComeBackAtTheirCoffeeScriptLine)
{
    PreviewHarness h;
    h.document->setConfigValue(QStringLiteral("updateDelay"), 0.05);
    h.document->setText(QStringLiteral("window.ranValue = 1\n"));
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.waitForOk(0, 60000));

    struct Case { const char* name; QString text; quint64 line; };
    const Case cases[] = {
        {"first line", QStringLiteral("null.foo()\n"), 1},
        {"timer", QStringLiteral("window.ranValue = 2\nUtils.delay 0.01, ->\n  a = null\n  a.b()\n"), 4},
        {"plain timeout", QStringLiteral("window.ranValue = 2\nsetTimeout (->\n  a = null\n  a.b()), 10\n"), 4},
        {"layer event", QStringLiteral("layer = new Layer\nlayer.on Events.Click, ->\n  q = undefined\n  q.x = 1\nUtils.delay 0.01, -> layer._element.click()\n"), 4},
        {"animation end", QStringLiteral("layer = new Layer\nanimation = layer.animate\n  properties: {x: 10}\n  time: 0.01\nanimation.on Events.AnimationEnd, ->\n  z = null\n  z.y\n"), 7},
    };
    for (const Case& c : cases) {
        const size_t mark = h.updates.size();
        h.document->setText(c.text);
        auto error = h.waitForUpdate(isRuntime, mark, 15000);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->lineIndex(), c.line) << c.name << ": " << error->message().toStdString();
    }
}

TEST(PreviewProgramErrors, AnEndlessLoopIsStoppedAndThePreviewComesBack)
{
    PreviewHarness h;
    h.document->setConfigValue(QStringLiteral("updateDelay"), 0.05);
    h.document->setText(QStringLiteral("window.ranValue = 1\n"));
    ASSERT_TRUE(h.start());
    h.preview->pageWatchdog()->setTimeoutMs(2500);
    ASSERT_TRUE(h.waitForOk(0, 60000));
    const auto isStopped = [](const RBDocumentStateUpdate& u) {
        return u.isError() && u.message() == RBZelvorViewController::stoppedProgramMessage();
    };

    // A loop that never ends holds the page: the editor hears why, and the page is loaded
    // again without the program.
    size_t mark = h.updates.size();
    const QString endless = QStringLiteral("window.ranValue = 2\nfor i in [0..1e15]\n  window.k = i\n");
    h.document->setText(endless);
    ASSERT_TRUE(h.waitForUpdate(isStopped, mark, 30000)) << "the endless loop was never stopped";
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return h.pageValue(QStringLiteral("typeof Zelvor.Device"), 2000).toString() == QLatin1String("object");
    }, 30000)) << "the page did not come back";

    // A reload does not run it again; the editor still says why nothing runs.
    mark = h.updates.size();
    h.preview->reload();
    ASSERT_TRUE(h.waitForUpdate(isStopped, mark, 30000));
    EXPECT_EQ(h.pageValue(QStringLiteral("typeof window.k"), 10000).toString(), QStringLiteral("undefined"));

    // Changed code runs as ever.
    mark = h.updates.size();
    h.document->setText(QStringLiteral("window.ranValue = 3\n"));
    ASSERT_TRUE(h.waitForOk(mark, 30000));
    EXPECT_EQ(h.pageValue(QStringLiteral("window.ranValue")).toInt(), 3);

    // So does a loop that starts later, in a timer of the program.
    mark = h.updates.size();
    h.document->setText(QStringLiteral("window.ranValue = 4\nUtils.delay 0.1, ->\n  window.k = i for i in [0..1e15]\n"));
    ASSERT_TRUE(h.waitForUpdate(isStopped, mark, 30000));
    mark = h.updates.size();
    h.document->setText(QStringLiteral("window.ranValue = 5\n"));
    ASSERT_TRUE(h.waitForOk(mark, 30000));
    EXPECT_EQ(h.pageValue(QStringLiteral("window.ranValue")).toInt(), 5);

    // A page paused in the developer tools does not answer either: it is left alone while they
    // are open, and stopped once they are closed.
    h.preview->showInspector();
    ASSERT_TRUE(h.preview->webViewController()->isInspectorOpen());
    mark = h.updates.size();
    h.document->setText(QStringLiteral("window.ranValue = 6\nfor i in [0..1e15]\n  window.k = i\n"));
    testsupport::spin(h.preview->pageWatchdog()->timeoutMs() * 2);
    EXPECT_FALSE(h.waitForUpdate(isStopped, mark, 1));
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->windowTitle() == QLatin1String("Web Inspector"))
            window->close();
    EXPECT_FALSE(h.preview->webViewController()->isInspectorOpen());
    EXPECT_TRUE(h.waitForUpdate(isStopped, mark, 30000));
}
