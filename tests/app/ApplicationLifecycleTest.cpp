#include "AppTestSupport.h"
#include "document/RBProgressWindowController.h"
#include "app/links/RBDocumentURLManager.h"

#include "Mixpanel/Mixpanel.h"
#include "analytics/RBGoogleAnalytics.h"
#include "app/RBApplication.h"
#include "document/RBDocumentController.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDialog>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QStringList kLaunchOrder = {
    QStringLiteral("init.documentController"), QStringLiteral("init.metrics"),
    QStringLiteral("willFinish.launchDate"),   QStringLiteral("willFinish.updates"),
    QStringLiteral("willFinish.linkHandler"),  QStringLiteral("didFinish.crashReports"),
    QStringLiteral("didFinish.moveToApplications"),
    QStringLiteral("didFinish.menus"),         QStringLiteral("didFinish.defaults"),
    QStringLiteral("didFinish.welcome"),       QStringLiteral("didFinish.docsWindow"),
    QStringLiteral("didFinish.activityTimer"),
};

} // namespace

TEST(ApplicationLifecycle, StartsUpInItsOrderAndShowsTheWelcomeWindowOnTheFirstRunOnly)
{
    AppHarness harness;
    const QDateTime before = QDateTime::currentDateTime();
    {
        RBApplication::Options options = harness.options();
        int documentationWindows = 0;
        options.makeDocumentationWindow = [&documentationWindows] { ++documentationWindows; };
        RBApplication app(std::move(options));
        EXPECT_EQ(RBApplication::sharedInstance(), &app);
        // The application's controller is the shared one that every open request reaches.
        EXPECT_EQ(RBDocumentController::shared(), &app.documentController());
        EXPECT_EQ(app.launchSteps(), kLaunchOrder.mid(0, 2));

        app.launch();
        EXPECT_EQ(app.launchSteps(), kLaunchOrder);
        EXPECT_GE(app.launchDate(), before);
        EXPECT_LE(app.launchDate(), QDateTime::currentDateTime());
        EXPECT_EQ(app.documentController().services().launchDate, app.launchDate());
        // The server starts after the defaults are registered, then the welcome window comes,
        // then a pending sign-up is sent again.
        EXPECT_EQ(harness.events, (QStringList{QStringLiteral("server.start"), QStringLiteral("defaults.registered"),
                                              QStringLiteral("welcome.make"), QStringLiteral("signup")}));
        ASSERT_NE(harness.welcome, nullptr);
        EXPECT_TRUE(harness.welcome->isVisible());
        EXPECT_TRUE(app.shouldCloseRestoredDocuments());
        EXPECT_TRUE(harness.defaults->boolForKey(QStringLiteral("FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew")));
        EXPECT_TRUE(harness.defaults->boolForKey(QStringLiteral("WelcomeWindowShowOnStartup")));
        EXPECT_TRUE(app.isActivityTimerRunning());
        EXPECT_EQ(app.defaults().integerForKey(QStringLiteral("KVCodeEditorFontSize")), 12);
        // The documentation window's page does not compete with the first preview's: it is
        // made once, after launching.
        EXPECT_EQ(documentationWindows, 0);
        EXPECT_TRUE(testsupport::waitUntil([&] { return documentationWindows == 1; }, 10000));
        testsupport::spin(100);
        EXPECT_EQ(documentationWindows, 1);
    }
    EXPECT_EQ(RBApplication::sharedInstance(), nullptr);
    delete harness.welcome;
    harness.welcome = nullptr;
    harness.events.clear();

    // A later run: the first-run step is not taken again (restoration stays on), but a launch
    // with nothing to open still greets the user with the welcome window instead of an
    // untitled project.
    RBApplication again(harness.options());
    again.launch();
    EXPECT_FALSE(again.shouldCloseRestoredDocuments());
    EXPECT_TRUE(harness.events.contains(QStringLiteral("welcome.make")));
    EXPECT_TRUE(again.documentController().documents().isEmpty());
}

TEST(ApplicationLifecycle, QuittingAsksAboutUnsavedWorkFirstAndThenStopsTheServer)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    auto* document = addUnsavedDocument(app);
    QPointer<CountingDocument> guard(document);

    {
        AlertAnswers answers(QStringLiteral("Cancel"));
        EXPECT_FALSE(app.terminate());
        ASSERT_EQ(answers.messages.size(), 1);
        EXPECT_TRUE(answers.messages.first().startsWith(QStringLiteral("Do you want to save")));
    }
    EXPECT_FALSE(app.isTerminating());
    EXPECT_FALSE(harness.events.contains(QStringLiteral("server.stop")));
    EXPECT_EQ(app.documentController().documents().size(), 1);

    {
        AlertAnswers answers(QStringLiteral("Save"));
        EXPECT_TRUE(app.terminate());
    }
    EXPECT_TRUE(app.isTerminating());
    EXPECT_TRUE(app.documentController().documents().isEmpty());
    EXPECT_EQ(harness.events.count(QStringLiteral("server.stop")), 1);
    EXPECT_FALSE(app.isActivityTimerRunning());
    // The defaults are on disk.
    EXPECT_TRUE(QFileInfo::exists(harness.defaults->storePath()));
    platform::UserDefaults reread(harness.defaults->storePath());
    EXPECT_TRUE(reread.boolForKey(QStringLiteral("FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew")));

    // The platform's own end of the run does not stop the server twice.
    app.applicationWillTerminate();
    EXPECT_EQ(harness.events.count(QStringLiteral("server.stop")), 1);
}

// With the welcome window switched off nothing is left once the last project window closes, and
// the application ends, as Linux applications do; while any window shows it stays.
TEST(ApplicationLifecycle, ClosingTheLastWindowQuitsOnlyWhenNoWindowIsLeft)
{
    AppHarness harness;
    auto options = harness.options();
    options.welcomeShouldShowOnStartup = [] { return false; };
    RBApplication app(options);
    app.launch();
    // A launch with nothing to open greets with the welcome window; the user closes it.
    ASSERT_NE(harness.welcome, nullptr);
    harness.welcome->close();
    auto* document = new CountingDocument;
    QWidget window;
    document->setWindow(&window);
    app.documentController().addDocument(document);
    window.show();
    app.lastWindowClosed();
    EXPECT_FALSE(app.isTerminating());
    window.close();
    document->close();
    app.lastWindowClosed();
    EXPECT_TRUE(app.isTerminating());
    EXPECT_EQ(harness.events.count(QStringLiteral("server.stop")), 1);
}

TEST(ApplicationLifecycle, SavingBeforeQuittingSavesSavedProjectsAndDoesNotNagAfterACancel)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    auto* saved = new CountingDocument;
    saved->setFileURL(harness.dir.filePath(QStringLiteral("a.zelvor")));
    saved->updateChangeCount(platform::Document::ChangeDone);
    auto* untitled = new CountingDocument;
    untitled->updateChangeCount(platform::Document::ChangeDone);
    app.documentController().addDocument(saved);
    app.documentController().addDocument(untitled);

    AlertAnswers answers(QStringLiteral("Cancel"));
    app.saveDocumentsAndTerminate();
    EXPECT_EQ(saved->saves, 1);
    EXPECT_EQ(untitled->saves, 0);
    EXPECT_EQ(answers.messages.size(), 1); // the untitled project's question, cancelled
    EXPECT_FALSE(app.isTerminating());
    // No question comes back by itself after the user said no.
    testsupport::spin(300);
    EXPECT_EQ(answers.messages.size(), 1);
}

TEST(ApplicationLifecycle, DataCollectionSwitchedOffByTheBuildTakesEffectFromTheNextLaunch)
{
    AppHarness harness;
    harness.defaults->removeObject(QStringLiteral("RBDataCollectionDisabled"));
    QTemporaryDir archive;
    Mixpanel::Options mixpanelOptions;
    mixpanelOptions.archiveDirectory = archive.path();
    mixpanelOptions.watchReachability = false;
    Mixpanel client(QStringLiteral("token"), 60, mixpanelOptions);
    RBGoogleAnalytics web(harness.defaults.get(), QStringLiteral("app-test"));

    auto options = harness.options();
    options.dataCollectionDisabledByBuild = true;
    options.mixpanel = &client;
    options.webAnalytics = &web;
    {
        RBApplication app(options);
        // Metrics came up from the store as it was: this launch is still counted.
        client.waitUntilIdle();
        QStringList names;
        for (const QVariant& event : client.eventsQueue())
            names << event.toMap().value(QStringLiteral("event")).toString();
        EXPECT_TRUE(names.contains(QStringLiteral("app.launch"))) << names.join(',').toStdString();
        EXPECT_TRUE(names.contains(QStringLiteral("app.launch.first")));
        EXPECT_TRUE(harness.defaults->boolForKey(QStringLiteral("RBRunOnce.firstlaunch")));
        app.launch();
        EXPECT_TRUE(harness.defaults->hasUserValue(QStringLiteral("RBDataCollectionDisabled")));
        EXPECT_TRUE(harness.defaults->boolForKey(QStringLiteral("RBDataCollectionDisabled")));
    }
    const qsizetype queued = client.eventsQueue().size();
    RBApplication next(options);
    next.launch();
    next.track(QStringLiteral("something"));
    client.waitUntilIdle();
    EXPECT_FALSE(web.isEnabled());
    // The event client was handed in, so tracking still reaches it; but no launch was counted.
    QStringList names;
    for (const QVariant& event : client.eventsQueue().mid(queued))
        names << event.toMap().value(QStringLiteral("event")).toString();
    EXPECT_FALSE(names.contains(QStringLiteral("app.launch")));
}

TEST(ApplicationLifecycle, RunOnceRemembersOnlyAYes)
{
    AppHarness harness;
    RBApplication app(harness.options());
    int runs = 0;
    app.runOnceForKey(QStringLiteral("tip"), [&] { ++runs; return false; });
    app.runOnceForKey(QStringLiteral("tip"), [&] { ++runs; return true; });
    app.runOnceForKey(QStringLiteral("tip"), [&] { ++runs; return true; });
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(harness.defaults->boolForKey(QStringLiteral("RBRunOnce.tip")));
}

TEST(ApplicationLifecycle, LinksAreRecordedAndBadFoldersExplained)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    harness.events.clear();

    AlertAnswers answers(QStringLiteral("OK"));
    app.openItems({QStringLiteral("zelvor://open?x=1"), harness.dir.filePath(QStringLiteral("missing.zelvor"))});
    EXPECT_TRUE(platform::Log::recentLines().filter(QStringLiteral("Received link: zelvor://open?x=1")).size() == 1);
    // A link that is neither a zip nor a gist is refused in its own window, once the launch
    // that brought it has had its answer.
    ASSERT_TRUE(testsupport::waitUntil([&] { return answers.messages.size() == 2; }));
    EXPECT_TRUE(answers.messages.last().startsWith(QStringLiteral("Link Error | ")));
    // Its window goes with the alert, and so does its manager.
    EXPECT_TRUE(testsupport::waitUntil([&] { return !app.urlManager(); }));
    EXPECT_TRUE(answers.messages.first().contains(QStringLiteral("missing.zelvor")));
    EXPECT_TRUE(answers.messages.first().contains(QStringLiteral("There is no folder")));

    // Anything else is not a link of ours and leaves no trace.
    const QStringList before = platform::Log::recentLines();
    app.handleURLEvent(QStringLiteral("https://example.invalid/"));
    EXPECT_EQ(platform::Log::recentLines(), before);

    // A plain file is not a project.
    QFile file(harness.dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    app.openItems({file.fileName()});
    ASSERT_EQ(answers.messages.size(), 3);
    EXPECT_TRUE(answers.messages.last().contains(QStringLiteral("is not a project folder")));
    EXPECT_TRUE(app.documentController().documents().isEmpty());
}

TEST(ApplicationLifecycle, ResigningActivePostsTheNoticeTheEditorListensFor)
{
    AppHarness harness;
    RBApplication app(harness.options());
    int posted = 0;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("RBApplicationWillResignActiveNotifcation"), nullptr, [&](const platform::Notification&) { ++posted; },
        &owner);
    app.applicationWillResignActive();
    EXPECT_EQ(posted, 1);
}

TEST(ApplicationLifecycle, TheSnippetFolderIsMadeOnceAndKept)
{
    AppHarness harness;
    RBApplication app(harness.options());
    const QString path = app.pluginsPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("Zelvor Studio/Snippets")));
    ASSERT_TRUE(QFileInfo(path).isDir());
    QFile mine(QDir(path).filePath(QStringLiteral("mine.coffee")));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("x = 1\n");
    mine.close();
    EXPECT_EQ(app.pluginsPath(), path);
    EXPECT_TRUE(mine.exists());
    QDir(path).removeRecursively();
}
