#include "webview/RBWebViewController.h"

#include "platform/Bundle.h"
#include "support/TestSupport.h"

#include <QApplication>

#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

using testsupport::waitUntil;

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

struct Page {
    QTemporaryDir dir;
    RBWebViewController controller;
    QStringList events; // "ready", "error", and "bridge:<method>" in order of arrival
    QList<QVariant> arguments;

    Page()
    {
        controller.webView()->resize(400, 300);
        controller.setDocumentReadyHandler([this](const QVariantMap&) { events.append(QStringLiteral("ready")); });
        controller.setErrorHandler([this](const QVariant&) { events.append(QStringLiteral("error")); });
        controller.setBridgeHandler([this](const QString& method, const QVariant& args) {
            events.append(QStringLiteral("bridge:") + method);
            arguments.append(args);
        });
    }

    QString write(const QString& name, const QString& html)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(html.toUtf8());
        return path;
    }

    bool load(const QString& name, const QString& html)
    {
        const int readyBefore = int(events.count(QStringLiteral("ready")));
        controller.loadFile(write(name, html));
        return waitUntil([&] { return events.count(QStringLiteral("ready")) > readyBefore; }, 30000);
    }

    std::pair<QVariant, QVariant> evaluate(const QString& script)
    {
        bool done = false;
        std::pair<QVariant, QVariant> answer;
        controller.evaluateJavaScript(script, [&](const QVariant& result, const QVariant& error) {
            answer = {result, error};
            done = true;
        });
        waitUntil([&] { return done; }, 10000);
        return answer;
    }
};

const QString kEchoPage = QStringLiteral(
    "<html><head><script>"
    "window._bridge('early', {n: 1});"
    "window._receive = function (method, args) { window._bridge('echo', [method, args]); };"
    "</script></head><body><a id='remote' href='https://example.org/help'>help</a>"
    "<a id='local' href='http://localhost:9/elsewhere'>local</a></body></html>");

TEST(RBWebViewController, EarlyMessagesArriveInOrderAndReadinessComesFirst)
{
    Page page;
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));
    EXPECT_TRUE(page.controller.isDocumentReady());
    ASSERT_GE(page.events.size(), 3);
    // The message sent before the channel was up is delivered, then readiness before its bridge call.
    EXPECT_EQ(page.events.mid(0, 3), (QStringList{"bridge:early", "ready", "bridge:DOMContentLoaded"}));
    EXPECT_EQ(page.arguments.first().toMap().value(QStringLiteral("n")).toInt(), 1);

    page.controller.sendBridgeMethod(QStringLiteral("device:change"));
    ASSERT_TRUE(waitUntil([&] { return page.events.contains(QStringLiteral("bridge:echo")); }));
    EXPECT_EQ(page.arguments.last().toList(), (QVariantList{QStringLiteral("device:change"), QVariant::fromValue(nullptr)}));
}

TEST(RBWebViewController, EvaluationAnswersValuesAndReportsThrownErrors)
{
    Page page;
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));
    EXPECT_EQ(page.evaluate(QStringLiteral("var answer = 6 * 7; answer")).first.toInt(), 42);
    // Declarations land in the page's global scope, as injected programs need.
    EXPECT_EQ(page.evaluate(QStringLiteral("answer + 1")).first.toInt(), 43);
    EXPECT_EQ(page.evaluate(QStringLiteral("({a: [1, 2]})")).first.toMap().value(QStringLiteral("a")).toList().size(), 2);
    EXPECT_FALSE(page.evaluate(QStringLiteral("document.body")).second.isValid()); // not plain data, but no error

    const auto [result, error] = page.evaluate(QStringLiteral("\n\nnull.x"));
    EXPECT_FALSE(result.isValid());
    const QVariantMap details = error.toMap();
    EXPECT_EQ(details.value(QStringLiteral("name")).toString(), QStringLiteral("TypeError"));
    EXPECT_FALSE(details.value(QStringLiteral("message")).toString().isEmpty());
    EXPECT_EQ(details.value(QStringLiteral("line")).toInt(), 3);

    EXPECT_EQ(page.evaluate(QStringLiteral("if (")).second.toMap().value(QStringLiteral("name")).toString(),
              QStringLiteral("SyntaxError"));
    EXPECT_EQ(page.evaluate(QStringLiteral("throw 'plain text'")).second.toMap().value(QStringLiteral("message")).toString(),
              QStringLiteral("plain text"));
}

TEST(RBWebViewController, UncaughtPageErrorsReachTheErrorHandler)
{
    Page page;
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));
    page.controller.evaluateJavaScript(QStringLiteral("setTimeout(function () { throw new Error('late'); }, 0)"));
    ASSERT_TRUE(waitUntil([&] { return page.events.contains(QStringLiteral("error")); })) << page.events.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(page.arguments.last().toMap().value(QStringLiteral("message")).toString().contains(QStringLiteral("late"))) << page.arguments.last().toMap().value(QStringLiteral("message")).toString().toStdString();
}

TEST(RBWebViewController, ReadinessStaysAcrossLoadsAndHtmlStringsUseATemporaryFile)
{
    Page page;
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));
    bool readyAtSecondLoad = false;
    QObject::connect(page.controller.webView()->page(), &QWebEnginePage::loadStarted,
                     [&] { readyAtSecondLoad = page.controller.isDocumentReady(); });
    page.controller.loadHTMLString(QStringLiteral("<html><body>second</body></html>"), QUrl::fromLocalFile(page.dir.path()));
    ASSERT_TRUE(waitUntil([&] { return page.events.count(QStringLiteral("ready")) == 2; }, 30000));
    EXPECT_TRUE(readyAtSecondLoad);
    EXPECT_EQ(testsupport::readFile(page.dir.filePath(QStringLiteral(".temp.html"))),
              QStringLiteral("<html><body>second</body></html>"));
    EXPECT_EQ(page.evaluate(QStringLiteral("document.body.textContent")).first.toString(), QStringLiteral("second"));
}

TEST(RBWebViewController, ClickedRemoteLinksOpenInTheBrowserAndLocalOnesNavigate)
{
    Page page;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    page.controller.webView()->show();
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));
    const QUrl before = page.controller.webView()->url();

    // A click of the page's own script opens nothing; the user's click opens the page.
    page.evaluate(QStringLiteral("document.getElementById('remote').click()"));
    testsupport::spin(300);
    EXPECT_TRUE(catcher.urls.isEmpty());
    const QVariantList box = page.evaluate(QStringLiteral(
        "(function (r) { return [r.left + r.width / 2, r.top + r.height / 2]; })"
        "(document.getElementById('remote').getBoundingClientRect())")).first.toList();
    ASSERT_EQ(box.size(), 2);
    QWidget* surface = page.controller.webView()->focusProxy() ? page.controller.webView()->focusProxy()
                                                               : page.controller.webView();
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(box.at(0).toInt(), box.at(1).toInt()));
    ASSERT_TRUE(waitUntil([&] { return !catcher.urls.isEmpty(); }));
    EXPECT_EQ(catcher.urls.first(), QUrl(QStringLiteral("https://example.org/help")));
    testsupport::spin(200);
    EXPECT_EQ(page.controller.webView()->url(), before);

    page.evaluate(QStringLiteral("document.getElementById('local').click()"));
    EXPECT_TRUE(waitUntil([&] { return page.controller.webView()->url().host() == QStringLiteral("localhost"); }));
    EXPECT_EQ(catcher.urls.size(), 1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST(RBWebViewController, MessagesBeyondTheLimitsAreDroppedInThePageAndTheTooLongReportedOnce)
{
    Page page;
    QList<qsizetype> tooLong;
    RBWebViewController::MessageLimits limits;
    limits.maximumLength = 1000;
    limits.maximumRelayLength = 5000;
    limits.maximumPerSecond = 50;
    page.controller.setRelay(QStringLiteral("ui:"), [] { return nullptr; }); // no panel: the handler hears them
    page.controller.setMessageLimits(limits, [&tooLong](qsizetype length) { tooLong << length; });
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));

    struct Case { const char* method; int length; bool arrives; };
    const Case cases[] = {{"short", 900, true}, {"long", 2000, false}, {"longer", 3000, false},
                          {"ui:tree", 4000, true}, {"ui:huge", 6000, false}};
    for (const Case& c : cases)
        page.evaluate(QStringLiteral("window._bridge('%1', 'x'.repeat(%2)); 1").arg(QLatin1String(c.method)).arg(c.length));
    page.evaluate(QStringLiteral("window._bridge('last'); 1"));
    ASSERT_TRUE(waitUntil([&] { return page.events.contains(QStringLiteral("bridge:last")); }));
    for (const Case& c : cases)
        EXPECT_EQ(page.events.contains(QStringLiteral("bridge:") + QLatin1String(c.method)), c.arrives) << c.method;
    // The first too long one is reported, with its length; later ones are not told again.
    ASSERT_EQ(tooLong.size(), 1);
    EXPECT_GT(tooLong.first(), 2000);

    // A burst: no more than the limit of a second (or two, across a second's turn) arrive.
    page.evaluate(QStringLiteral("for (var i = 0; i < 500; ++i) window._bridge('tick'); 1"));
    testsupport::spin(300);
    const qsizetype ticks = page.events.count(QStringLiteral("bridge:tick"));
    EXPECT_GE(ticks, 1);
    EXPECT_LE(ticks, 2 * limits.maximumPerSecond);
}

TEST(RBWebViewController, CoffeeScriptIsCompiledInThePageOnFirstUse)
{
    ASSERT_FALSE(platform::Bundle::main().pathForResource(QStringLiteral("coffee-script"), QStringLiteral("js"), QStringLiteral("ZelvorTranspiler")).isEmpty())
        << "the coffee-script resource is not built";
    Page page;
    ASSERT_TRUE(page.load(QStringLiteral("a.html"), kEchoPage));
    bool done = false;
    QVariant value;
    page.controller.evaluateCoffeeScript(QStringLiteral("square = (x) -> x * x\nsquare 7"), [&](const QVariant& v, const QVariant&) {
        value = v;
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done; }, 20000));
    EXPECT_EQ(value.toInt(), 49);
}

} // namespace

#include "RBWebViewControllerTest.moc"

// Console and Inspect open the page's developer tools in one window of their own, placed beside
// the page; asking again brings the same window back rather than a second one.
TEST(RBWebViewController, ConsoleAndInspectOpenOneDeveloperToolsWindow)
{
    Page page;
    ASSERT_TRUE(page.load(QStringLiteral("tools.html"), kEchoPage));
    const auto inspectors = [] {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += window->windowTitle() == QLatin1String("Web Inspector") && window->isVisible();
        return count;
    };
    EXPECT_FALSE(page.controller.isInspectorOpen());
    page.controller.showInspectorTool(RBWebViewController::InspectorTool::Console);
    ASSERT_TRUE(waitUntil([&] { return page.controller.isInspectorOpen(); }, 10000));
    page.controller.showInspectorTool(RBWebViewController::InspectorTool::ElementPicker);
    testsupport::spin(200);
    EXPECT_EQ(inspectors(), 1);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->windowTitle() == QLatin1String("Web Inspector"))
            window->close();
    EXPECT_FALSE(page.controller.isInspectorOpen());
}
