// Errors and runaway code of the user's program, as the designer meets them: every error comes
// back at the CoffeeScript line that caused it, wherever the program was when it failed.
#include "PreviewHarness.h"

#include "compiler/CodeTranspiler.h"
#include "platform/NotificationCenter.h"
#include "preview/PageWatchdog.h"
#include "webview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace {
bool isRuntime(const RBDocumentStateUpdate& u) { return u.isError() && u.type() == QLatin1String("runtime"); }
}

TEST(PreviewProgramErrors, ErrorsInCallbacksComeBackAtTheirCoffeeScriptLine)
{
    PreviewHarness h;
    ASSERT_TRUE(h.startRunningFirstProgram());

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
    ASSERT_TRUE(h.startRunningFirstProgram());
    h.preview->pageWatchdog()->setTimeoutMs(2500);
    // A loop that collects its results may take its page down (out of memory) before it is
    // stopped: either way the program is stopped.
    const auto isStopped = [](const RBDocumentStateUpdate& u) {
        return u.isError()
            && (u.message() == RBZelvorViewController::stoppedProgramMessage()
                || u.message() == RBZelvorViewController::crashedProgramMessage());
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

namespace {
// Ends the process of the preview's page with a signal, as a crash or the system would.
bool endPageProcess(PreviewHarness& h, int signal)
{
    const qint64 pid = h.preview->webViewController()->webView()->page()->renderProcessPid();
    return pid > 0 && ::kill(pid_t(pid), signal) == 0;
}

size_t countUpdates(const PreviewHarness& h, const std::function<bool(const RBDocumentStateUpdate&)>& matches, size_t from)
{
    return static_cast<size_t>(std::count_if(h.updates.begin() + static_cast<std::ptrdiff_t>(from), h.updates.end(), matches));
}
} // namespace

TEST(PreviewProgramErrors, APageThatCrashesComesBackWithoutTheProgramThatCrashedIt)
{
    PreviewHarness h;
    ASSERT_TRUE(h.startRunningFirstProgram());
    const auto isCrashed = [](const RBDocumentStateUpdate& u) {
        return u.isError() && u.message() == RBZelvorViewController::crashedProgramMessage();
    };

    // A page whose process crashes (as one that runs out of memory does) or is killed.
    struct Case { const char* name; int signal; int value; };
    for (const Case& c : {Case{"crashed", SIGSEGV, 10}, Case{"killed", SIGKILL, 20}}) {
        size_t mark = h.updates.size();
        h.document->setText(QStringLiteral("window.ranValue = %1\n").arg(c.value));
        ASSERT_TRUE(h.waitForOk(mark, 30000)) << c.name;

        // The editor hears why, and the page comes back without the program: its reload says
        // so again instead of running it, and so does Refresh.
        mark = h.updates.size();
        ASSERT_TRUE(endPageProcess(h, c.signal)) << c.name;
        ASSERT_TRUE(testsupport::waitUntil([&] { return countUpdates(h, isCrashed, mark) >= 2; }, 30000))
            << c.name << ": the crash was not reported, or the page did not come back";
        EXPECT_EQ(h.pageValue(QStringLiteral("typeof window.ranValue")).toString(), QStringLiteral("undefined")) << c.name;
        h.preview->reload();
        ASSERT_TRUE(testsupport::waitUntil([&] { return countUpdates(h, isCrashed, mark) >= 3; }, 30000)) << c.name;
        EXPECT_EQ(h.pageValue(QStringLiteral("typeof window.ranValue")).toString(), QStringLiteral("undefined")) << c.name;
        EXPECT_FALSE(h.waitForOk(mark, 1)) << c.name;
        EXPECT_TRUE(h.preview->pageWatchdog()->isWatching()) << c.name;

        // The next changed program runs as ever.
        mark = h.updates.size();
        h.document->setText(QStringLiteral("window.ranValue = %1\n").arg(c.value + 1));
        ASSERT_TRUE(h.waitForOk(mark, 30000)) << c.name;
        EXPECT_EQ(h.pageValue(QStringLiteral("window.ranValue")).toInt(), c.value + 1) << c.name;
    }
}

TEST(PreviewProgramErrors, APageThatCrashesWhileItLoadsIsNotLoadedAgainForEver)
{
    // A page that takes a while to get ready, so that it can be ended while it loads.
    QString page = PreviewHarness::defaultIndexHtml();
    page.replace(QStringLiteral("</head>"),
                 QStringLiteral("<script>var until = Date.now() + 5000; while (Date.now() < until) {}</script></head>"));
    PreviewHarness h(page);
    int pageRequests = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZelvorRefreshNotification"), nullptr, [&](const platform::Notification&) { ++pageRequests; },
        h.document.get());
    h.document->setText(QStringLiteral("window.ranValue = 1\n"));
    ASSERT_TRUE(h.start());
    QWebEnginePage* webPage = h.preview->webViewController()->webView()->page();

    // Once while it loads, it is loaded again; twice, the preview says so instead.
    qint64 ended = 0;
    for (int crash = 0; crash < 2; ++crash) {
        const int requested = crash + 1;
        qint64 pid = 0;
        ASSERT_TRUE(testsupport::waitUntil([&] {
            pid = webPage->renderProcessPid();
            return pageRequests == requested && webPage->url().path().endsWith(QLatin1String(".temp.html")) && pid > 0
                && pid != ended;
        }, 30000)) << "the page was not requested for crash " << crash;
        ASSERT_EQ(::kill(pid_t(pid), SIGSEGV), 0);
        ended = pid;
    }
    const auto isCrashedPage = [](const RBDocumentStateUpdate& u) {
        return u.isError() && u.message() == RBZelvorViewController::crashedPageMessage();
    };
    ASSERT_TRUE(h.waitForUpdate(isCrashedPage, 0, 30000));
    EXPECT_FALSE(h.preview->isWaitingForPage()) << "the spinner turns on";
    EXPECT_EQ(h.preview->serverProblem(), RBZelvorViewController::crashedPageMessage());
    testsupport::spin(1000);
    EXPECT_EQ(pageRequests, 2) << "it was loaded again by itself";

    // Refresh loads it, and the program runs.
    const size_t mark = h.updates.size();
    h.preview->reload();
    ASSERT_TRUE(h.waitForOk(mark, 60000));
    EXPECT_EQ(h.pageValue(QStringLiteral("window.ranValue")).toInt(), 1);
    EXPECT_TRUE(h.preview->serverProblem().isEmpty());
}
