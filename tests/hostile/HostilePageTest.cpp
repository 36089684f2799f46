// Projects made to attack the application, opened as a user opens any project: in the real
// application, with its menus, windows, preview server and web engine. Whatever a project's
// page sends, clicks, stores, holds or shows, the window goes on answering, nothing outside the
// project is reached, and Quit ends the application within two seconds. Each case runs in a
// process of its own (see CMakeLists.txt): it ends by quitting.
#include "../document/DocumentFakes.h"
#include "../docwindow/WindowProbe.h"
#include "../preview/ServerTestSupport.h"

#include "app/RBApplication.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentWindow.h"
#include "messages/RBDocumentStateUpdate.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Task.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Workspace.h"
#include "platform/CSTaskManager.h"
#include "preview/RBServerController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"
#include "webview/RBWebViewController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

// The template's page with the project's own script at the end of its head.
QByteArray pageWith(const QByteArray& script, const QByteArray& body = {})
{
    QByteArray page = testsupport::readFile(ZELVOR_SOURCE_DIR "/resources/ZelvorTemplate/index.html").toUtf8();
    page.replace("</head>", "<script>" + script + "</script>\n</head>");
    page.replace("<body>", "<body>" + body);
    return page;
}

class HostileProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        servertest::isolateFromTheSystemBus();
        platform::Workspace::setTestHandler([this](const QUrl& url) {
            opened << url;
            return true;
        });
        defaults = std::make_unique<platform::UserDefaults>(home.filePath(QStringLiteral("defaults.json")));
        defaults->setBool(QStringLiteral("RBDataCollectionDisabled"), true);
        RBApplication::Options options;
        options.defaults = defaults.get();
        options.updateFeedURL = QString();
        options.crashReportDirectory = home.filePath(QStringLiteral("crashes"));
        options.dataCollectionDisabledByBuild = true;
        options.welcomeShouldShowOnStartup = [] { return false; };
        options.openURL = [this](const QString& url, bool) { opened << QUrl(url); };
        app = std::make_unique<RBApplication>(std::move(options));
        RBDocumentServices services = app->documentController().services();
        services.buildWindow = buildDocumentWindow;
        app->documentController().setServices(services);
        app->launch();
    }

    void TearDown() override
    {
        platform::Workspace::setTestHandler({});
        // The closed windows go as the main loop, which has ended, would have let them go.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A project folder of the test's own, beside which nothing else lies.
    QString makeProject(const QString& name, const QByteArray& page, const QByteArray& program = "box = new Layer\n")
    {
        const QString project = home.filePath(name + QStringLiteral(".zelvor"));
        EXPECT_TRUE(testsupport::writeFile(project + QStringLiteral("/app.coffee"), program));
        EXPECT_TRUE(testsupport::writeFile(project + QStringLiteral("/index.html"), page));
        return project;
    }

    // Opens the project as a launch with it does, and waits for its page to be ready.
    RBDocument* openAndWait(const QString& project)
    {
        app->openItems({project});
        RBDocument* document = nullptr;
        testsupport::waitUntil([&] {
            for (platform::Document* open : app->documentController().documents())
                if (auto* candidate = qobject_cast<RBDocument*>(open);
                    candidate && QDir(candidate->projectPath()) == QDir(project))
                    document = candidate;
            return document && WindowProbe(*document).pageValue(QStringLiteral("typeof Layer"), 1000) == QStringLiteral("function");
        }, 60000);
        if (document) {
            WindowProbe(*document).window()->resize(1000, 700);
            WindowProbe(*document).window()->show();
        }
        return document;
    }

    // The main loop's longest pause while `ms` pass: the window answers when it is short.
    static qint64 longestPause(int ms)
    {
        QElapsedTimer clock, sinceTick;
        clock.start();
        sinceTick.start();
        qint64 longest = 0;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longest = std::max(longest, sinceTick.restart());
        });
        ticks.start(10);
        testsupport::spin(ms);
        return std::max(longest, sinceTick.elapsed());
    }

    // Quit as the menu does: the application ends within two seconds.
    void quitWithinTwoSeconds()
    {
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(app->terminate());
        EXPECT_TRUE(testsupport::waitUntil([&] { return app->isTerminating(); }, 2000));
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_TRUE(app->documentController().documents().isEmpty());
    }

    static int logLinesWith(const QString& text)
    {
        int count = 0;
        for (const QString& line : platform::Log::recentLines())
            count += line.contains(text) ? 1 : 0;
        return count;
    }

    QTemporaryDir home;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<RBApplication> app;
    QList<QUrl> opened;
};

TEST_F(HostileProject, MessagesOfThePageAreBoundedBeforeTheApplicationReadsThem)
{
    RBDocument* document = openAndWait(makeProject(QStringLiteral("Flood"), pageWith("")));
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    QStringList shown;
    QObject observer;
    platform::NotificationCenter::defaultCenter().addObserver(
        RBDocumentStateUpdateNotification, document->documentObject(), [&shown](const platform::Notification& n) {
            if (auto update = RBDocumentStateUpdate::fromNotification(n); update && update->isError())
                shown << update->message();
        }, &observer);

    // The page's scripts cannot reach the channel itself, round the limits.
    EXPECT_EQ(probe.pageValue("typeof qt === 'undefined' || !qt.webChannelTransport").toBool(), true);

    // An error of the page's own that is long but allowed is shown cut.
    probe.pageValue("window._bridge('runtime.error', {message: 'E'.repeat(20000), lineNumber: 1, colNumber: 1}); 1");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !shown.isEmpty(); }, 5000));
    EXPECT_TRUE(shown.last().startsWith(QStringLiteral("EEEE")));
    EXPECT_LE(shown.last().size(), RBDocumentStateUpdate::MaximumMessageLength);
    shown.clear();

    // 4 MB errors and thousands of messages, again and again: dropped in the page, each kind
    // logged once, and the window keeps answering.
    probe.pageValue("var big = 'x'.repeat(4 << 20);"
                    "setInterval(function () {"
                    "  for (var i = 0; i < 3; ++i) window._bridge('runtime.error', {message: big, lineNumber: 1, colNumber: 1});"
                    "  for (var j = 0; j < 2000; ++j) window._bridge('device:change', {});"
                    "}, 100); 1");
    EXPECT_LT(longestPause(3000), 500);
    EXPECT_TRUE(shown.isEmpty()) << shown.first().size();
    EXPECT_EQ(logLinesWith(QStringLiteral("dropped a page message of 4194")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("more messages than")), 1);
    // The page itself still answers too (the watchdog has nothing to stop).
    EXPECT_EQ(probe.pageValue("1 + 1").toInt(), 2);
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    quitWithinTwoSeconds();
}

TEST_F(HostileProject, ALinkOpensInTheBrowserOnlyForTheUsersOwnClickAndOnce)
{
    const QByteArray link = "<a id=\"out\" href=\"http://example.invalid/page\" style=\"position: fixed; left: 0; top: 0;"
                            " width: 400px; height: 300px; display: block; z-index: 2147483647; background: #f00\">out</a>";
    const QByteArray clicks = "window.clickOut = function () { for (var i = 0; i < 30; ++i) document.getElementById('out').click(); };"
                              "document.addEventListener('mousedown', function () { window.clickOut(); }, true);";
    RBDocument* document = openAndWait(makeProject(QStringLiteral("Clicks"), pageWith(clicks, link)));
    ASSERT_TRUE(document);
    WindowProbe probe(*document);

    probe.pageValue("clickOut(); 1");
    testsupport::spin(500);
    EXPECT_TRUE(opened.isEmpty()) << opened.size();

    // The user's click, during which the page clicks 30 times more: one page opens.
    QWebEngineView* view = probe.preview()->webViewController()->webView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    QWidget* surface = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !opened.isEmpty(); }, 5000));
    testsupport::spin(1500);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(QStringLiteral("http://example.invalid/page")));
    probe.pageValue("clickOut(); 1");
    testsupport::spin(300);
    EXPECT_EQ(opened.size(), 1);
    quitWithinTwoSeconds();
}

TEST_F(HostileProject, AProjectsPageSeesNothingOfTheStorageOfAnotherOpenProject)
{
    const QByteArray listen = "window.heard = []; var channel = new BroadcastChannel('projects');"
                              "channel.onmessage = function (event) { window.heard.push(String(event.data)); };"
                              "window.say = function (text) { channel.postMessage(text); };";
    RBDocument* first = openAndWait(makeProject(QStringLiteral("Victim"), pageWith(listen)));
    RBDocument* second = openAndWait(makeProject(QStringLiteral("Thief"), pageWith(listen)));
    ASSERT_TRUE(first && second);
    WindowProbe victim(*first), thief(*second);

    victim.pageValue("localStorage.setItem('secret', 'victim'); sessionStorage.setItem('secret', 'victim');"
                     "document.cookie = 'secret=victim; path=/; max-age=3600'; 1");
    // Its own storage works.
    EXPECT_EQ(victim.pageValue("localStorage.getItem('secret')").toString(), QStringLiteral("victim"));
    EXPECT_EQ(thief.pageValue("String(localStorage.getItem('secret'))").toString(), QStringLiteral("null"));
    EXPECT_EQ(thief.pageValue("String(sessionStorage.getItem('secret'))").toString(), QStringLiteral("null"));
    EXPECT_FALSE(thief.pageValue("document.cookie").toString().contains(QStringLiteral("victim")));
    thief.pageValue("say('from the thief'); 1");
    testsupport::spin(500);
    EXPECT_EQ(victim.pageValue("heard.length").toInt(), 0);

    // Mirroring still gets the page from the server, as a phone asks for it.
    const QUrl served(first->serverLocalUrl());
    const servertest::Response page = servertest::rawRequest(RBServerController::sharedInstance().url(), "GET",
                                                             served.path().toUtf8() + "index.html");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("BroadcastChannel('projects')"));
    quitWithinTwoSeconds();
}

TEST_F(HostileProject, ThePagesConnectionsDoNotStarveTheApplicationsControlRequests)
{
    // A page holds every connection the server grants its address: its own event streams and
    // silent connections, as many as it can open.
    const QByteArray streams = "window.streams = []; for (var i = 0; i < 12; ++i)"
                               " window.streams.push(new EventSource('/_server/events?page=' + i));";
    RBDocument* first = openAndWait(makeProject(QStringLiteral("Hog"), pageWith(streams)));
    ASSERT_TRUE(first);
    const QUrl server(RBServerController::sharedInstance().url());

    // Event streams are counted per page: one page that holds all it may takes none from another.
    auto openStream = [&server](const QByteArray& page) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), quint16(server.port()));
        socket->waitForConnected(5000);
        socket->write("GET /_server/events?page=" + page + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        testsupport::waitUntil([&] { return socket->canReadLine(); }, 5000);
        const QByteArray status = socket->readLine();
        return std::make_pair(std::move(socket), status);
    };
    std::vector<std::unique_ptr<QTcpSocket>> streamsHeld;
    for (int i = 0; i < 4; ++i) {
        auto [socket, status] = openStream("/greedy/");
        EXPECT_TRUE(status.contains(" 200 ")) << status.toStdString();
        streamsHeld.push_back(std::move(socket));
    }
    EXPECT_TRUE(openStream("/greedy/").second.contains(" 429 "));
    EXPECT_TRUE(openStream("/another/").second.contains(" 200 "));
    streamsHeld.clear();
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < 40; ++i) {
        held.push_back(std::make_unique<QTcpSocket>());
        held.back()->connectToHost(QStringLiteral("127.0.0.1"), quint16(server.port()));
    }
    testsupport::waitUntil([&] {
        return std::all_of(held.begin(), held.end(), [](const auto& s) { return s->state() != QAbstractSocket::ConnectingState; });
    }, 5000);
    testsupport::spin(300);
    // The server's page address is full now: a request of this computer is turned away.
    EXPECT_NE(servertest::rawRequest(server.toString(), "GET", QUrl(first->serverLocalUrl()).path().toUtf8()).status, 200);

    // The application still mounts a second project, and the window answers.
    const QString project = makeProject(QStringLiteral("Second"), pageWith(""));
    app->openItems({project});
    RBDocument* second = nullptr;
    EXPECT_TRUE(testsupport::waitUntil([&] {
        for (platform::Document* open : app->documentController().documents())
            if (auto* candidate = qobject_cast<RBDocument*>(open); candidate && candidate != first)
                second = candidate;
        return second && !second->serverLocalUrl().isEmpty();
    }, 10000)) << "the mount of the second project did not get through";
    EXPECT_LT(longestPause(300), 500);
    held.clear();
    quitWithinTwoSeconds();
}

TEST_F(HostileProject, QuitQuitsWhileThePagesAlertsAreOnScreen)
{
    // Alert after alert, for ever.
    const QByteArray alerts = "window.addEventListener('load', function () {"
                              "  setTimeout(function again() { alert('Hello ' + 'x'.repeat(100000)); setTimeout(again, 0); }, 300);"
                              "});";
    RBDocument* document = openAndWait(makeProject(QStringLiteral("Alerts"), pageWith(alerts)));
    ASSERT_TRUE(document);
    // The alert waits for its answer in a loop of its own: the user's keys come from there.
    QPointer<QMessageBox> box;
    qsizetype shownText = -1;
    QElapsedTimer clock;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* candidate = qobject_cast<QMessageBox*>(window); candidate && candidate->isVisible())
                box = candidate;
        if (box && clock.isValid() && clock.elapsed() > 3000) {
            box->reject(); // it did not quit: let the test end
            return;
        }
        if (!box || clock.isValid())
            return;
        if (QApplication::activeWindow() != box) {
            box->activateWindow(); // the keys go to the window in front
            return;
        }
        shownText = box->text().size();
        clock.start();
        QTest::keyClick(box, Qt::Key_Q, Qt::ControlModifier);
    });
    user.start(100);
    ASSERT_TRUE(testsupport::waitUntil([&] { return clock.isValid(); }, 20000)) << "no alert was shown";
    // The page's text is cut to what a question can show.
    EXPECT_LT(shownText, 5000);
    EXPECT_TRUE(testsupport::waitUntil([&] { return app->isTerminating(); }, 2000)) << "Ctrl+Q did not quit";
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(app->documentController().documents().isEmpty());
}

TEST_F(HostileProject, AServerGivenUpWhileThePageIsShownIsSaidAboveThePage)
{
    RBDocument* document = openAndWait(makeProject(QStringLiteral("Shown"), pageWith("")));
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    RBServerController& server = RBServerController::sharedInstance();
    // The server ends again and again as soon as it is up, until it is given up.
    for (int ends = 0; ends <= RBServerController::MaxRestarts && !server.isFailed(); ++ends) {
        ASSERT_TRUE(testsupport::waitUntil([&] { return server.isRunning() || server.isFailed(); }, 20000));
        if (server.isRunning())
            ::kill(pid_t(server.serverTaskManager()->task().processIdentifier()), SIGKILL);
        testsupport::waitUntil([&] { return !server.isRunning(); }, 5000);
    }
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.isFailed(); }, 20000));

    auto notice = [&]() -> QLabel* {
        auto* label = probe.preview()->view()->findChild<QLabel*>(QStringLiteral("serverNotice"));
        return label && label->isVisible() ? label : nullptr;
    };
    ASSERT_TRUE(testsupport::waitUntil([&] { return notice() != nullptr; }, 5000)) << "nothing says the server was given up";
    EXPECT_TRUE(notice()->text().contains(server.failureMessage()));
    // The page stays: no message takes its place.
    auto* problem = probe.preview()->view()->findChild<QLabel*>(QStringLiteral("serverProblem"));
    EXPECT_TRUE(!problem || !problem->isVisible());
    EXPECT_TRUE(probe.preview()->webViewController()->webView()->isVisible());
    quitWithinTwoSeconds();
}

} // namespace
