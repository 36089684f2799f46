#include "../Mixpanel/FakeHttpServer.h"
#include "app/RBApplication.h"
#include "app/RBMainMenu.h"
#include "app/UpdateChecker.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Result = UpdateChecker::Result;

TEST(UpdateFeed, VersionsCompareNumberByNumber)
{
    EXPECT_GT(compareVersions(QStringLiteral("1.10"), QStringLiteral("1.9")), 0);
    EXPECT_EQ(compareVersions(QStringLiteral("1.0"), QStringLiteral("1.0.0")), 0);
    EXPECT_LT(compareVersions(QStringLiteral("1.0.0-beta"), QStringLiteral("1.0.0")), 0);
    EXPECT_LT(compareVersions(QStringLiteral("1.0.0-alpha"), QStringLiteral("1.0.0-beta")), 0);
    EXPECT_GT(compareVersions(QStringLiteral("2"), QStringLiteral("1.99.99")), 0);
}

TEST(UpdateFeed, OnlyAWellFormedReleaseIsRead)
{
    QString error;
    const auto release = parseUpdateFeed(R"({"version": "1.2.0", "url": "https://example.invalid/z.tar.gz", "notes": "New"})");
    ASSERT_TRUE(release.has_value());
    EXPECT_EQ(release->version, QStringLiteral("1.2.0"));
    EXPECT_EQ(release->notes, QStringLiteral("New"));

    for (const char* body : {"", "[]", "{\"version\": 2}", "{\"version\": \"1.2\"}",
                             "{\"version\": \"1.2; rm -rf\", \"url\": \"https://a.invalid/\"}",
                             "{\"version\": \"1.2\", \"url\": \"javascript:alert(1)\"}",
                             "{\"version\": \"1.2\", \"url\": \"file:///etc/passwd\"}"}) {
        error.clear();
        EXPECT_FALSE(parseUpdateFeed(body, &error).has_value()) << body;
        EXPECT_FALSE(error.isEmpty()) << body;
    }
}

class UpdateCheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.json")));
        server.setResponder([this](const FakeHttpServer::Request&) {
            FakeHttpServer::Reply reply;
            reply.status = status;
            reply.body = feed;
            reply.contentType = "application/json";
            return reply;
        });
    }
    std::unique_ptr<UpdateChecker> makeChecker()
    {
        auto checker = std::make_unique<UpdateChecker>(QUrl(server.baseURL() + QStringLiteral("/feed.json")),
                                                       QStringLiteral("1.0.0"), *defaults);
        checker->setPresenter([this](const Result& result) { shown.push_back(result); });
        return checker;
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    FakeHttpServer server;
    int status = 200;
    QByteArray feed = R"({"version": "1.1.0", "url": "https://example.invalid/zelvor-1.1.0.tar.gz"})";
    std::vector<Result> shown;
};

TEST_F(UpdateCheckerTest, BackgroundChecksWaitTheirDelayThenRepeatAndStayQuietUnlessSomethingIsNew)
{
    auto checker = makeChecker();
    checker->setUpdateCheckInterval(0.3);
    checker->setAutomaticallyChecksForUpdates(true);
    checker->scheduleBackgroundCheck(0.2);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_TRUE(checker->isBackgroundCheckScheduled());

    ASSERT_TRUE(testsupport::waitUntil([&] { return shown.size() == 1; }));
    EXPECT_EQ(shown[0].kind, Result::UpdateAvailable);
    EXPECT_FALSE(shown[0].userInitiated);
    EXPECT_EQ(shown[0].release.version, QStringLiteral("1.1.0"));
    EXPECT_TRUE(server.requests().first().headers.value("user-agent").startsWith("ZelvorStudio/1.0.0"));
    EXPECT_TRUE(defaults->dateForKey(UpdateChecker::LastCheckTimeKey()).isValid());

    // Skipped, the same release no longer interrupts; the checks go on by themselves.
    defaults->setString(UpdateChecker::SkippedVersionKey(), QStringLiteral("1.1.0"));
    const qsizetype before = server.requestCount();
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() >= before + 2; }));
    EXPECT_EQ(shown.size(), 1u);

    // A failing feed is logged, not shown, in the background.
    status = 500;
    const qsizetype failedFrom = server.requestCount();
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() >= failedFrom + 1 && !checker->isChecking(); }));
    testsupport::spin(50);
    EXPECT_EQ(shown.size(), 1u);

    checker->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(checker->isBackgroundCheckScheduled());
}

TEST_F(UpdateCheckerTest, TheMenuCheckAlwaysAnswers)
{
    auto checker = makeChecker();
    feed = R"({"version": "1.0.0", "url": "https://example.invalid/z.tar.gz"})";
    checker->checkForUpdates();
    ASSERT_TRUE(testsupport::waitUntil([&] { return shown.size() == 1; }));
    EXPECT_EQ(shown[0].kind, Result::UpToDate);
    EXPECT_TRUE(shown[0].userInitiated);
    // Not automatic: nothing further is scheduled.
    EXPECT_FALSE(checker->isBackgroundCheckScheduled());

    feed = "<html>not a feed</html>";
    checker->checkForUpdates();
    ASSERT_TRUE(testsupport::waitUntil([&] { return shown.size() == 2; }));
    EXPECT_EQ(shown[1].kind, Result::Failed);
    EXPECT_FALSE(shown[1].error.isEmpty());

    // The default presentation: an alert whose "Skip This Version" is remembered.
    feed = R"({"version": "2.0.0", "url": "https://example.invalid/z.tar.gz", "notes": "Faster"})";
    QStringList asked;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        asked << alert.messageText() + QLatin1Char(' ') + alert.informativeText();
        return platform::Alert::kFirstButtonReturn + 1;
    });
    checker->setPresenter([&](const Result& result) { checker->present(result); });
    checker->checkForUpdates();
    ASSERT_TRUE(testsupport::waitUntil([&] { return asked.size() == 1; }));
    platform::Alert::setTestResponder({});
    EXPECT_TRUE(asked.first().contains(QStringLiteral("2.0.0")));
    EXPECT_TRUE(asked.first().contains(QStringLiteral("Faster")));
    EXPECT_EQ(defaults->stringForKey(UpdateChecker::SkippedVersionKey()), QStringLiteral("2.0.0"));
}

TEST_F(UpdateCheckerTest, TheApplicationChecksAfterItsFirstDelayOnlyWhenTheBuildNamesAFeed)
{
    defaults->setBool(QStringLiteral("RBDataCollectionDisabled"), true);
    defaults->setString(QStringLiteral("SUFeedURL"), QStringLiteral("http://127.0.0.1:1/elsewhere"));
    RBApplication::Options options;
    options.defaults = defaults.get();
    options.startServer = [] {};
    options.stopServer = [] {};
    options.installMenus = false;
    options.crashReportDirectory = dir.filePath(QStringLiteral("crashes"));
    options.updateFeedURL = server.baseURL() + QStringLiteral("/feed.json");
    options.firstUpdateCheckDelay = 0.2;
    {
        RBApplication app(options);
        app.applicationWillFinishLaunching();
        // The feed of the build wins over one left in the user's settings.
        EXPECT_FALSE(defaults->hasKey(QStringLiteral("SUFeedURL")));
        ASSERT_NE(app.updateChecker(), nullptr);
        EXPECT_TRUE(app.updateChecker()->automaticallyChecksForUpdates());
        EXPECT_DOUBLE_EQ(app.updateChecker()->updateCheckInterval(), 14400);
        EXPECT_TRUE(app.mainMenu()->action(QStringLiteral("checkForUpdates"))->isEnabled());
        app.updateChecker()->setPresenter([](const Result&) {});
        EXPECT_EQ(server.requestCount(), 0);
        ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));
        EXPECT_EQ(server.requests().first().path, QStringLiteral("/feed.json"));
    }

    options.updateFeedURL = QString();
    RBApplication without(options);
    without.applicationWillFinishLaunching();
    EXPECT_FALSE(without.updateChecker()->hasFeed());
    EXPECT_FALSE(without.updateChecker()->isBackgroundCheckScheduled());
    QAction* item = without.mainMenu()->action(QStringLiteral("checkForUpdates"));
    EXPECT_FALSE(item->isEnabled());
    EXPECT_EQ(item->text(), QStringLiteral("Updates Come from the Package That Installed Zelvor Studio"));
}
