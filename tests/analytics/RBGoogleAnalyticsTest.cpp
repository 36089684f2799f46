#include "FakeHttpServer.h"
#include "analytics/AnalyticsWebPage.h"
#include "analytics/RBGoogleAnalytics.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::spin;
using testsupport::waitUntil;

namespace {

// Stands in for the hosted page: `ga` records its arguments.
const QByteArray kPage = R"(<!doctype html><html><head><script>
window.gaCalls = [];
function ga() { window.gaCalls.push(Array.prototype.slice.call(arguments)); }
</script></head><body></body></html>)";

class RBGoogleAnalyticsTest : public ::testing::Test {
protected:
    RBGoogleAnalyticsTest()
        : defaults(dir.filePath("defaults.json"))
        , client(&defaults)
    {
        server.setResponder([](const FakeHttpServer::Request& request) {
            if (request.path == "/analytics.html")
                return FakeHttpServer::Reply{200, kPage, "text/html"};
            return FakeHttpServer::Reply{404, "", "text/plain"};
        });
        client.setPageURL(QUrl(server.baseURL() + "/analytics.html"));
    }

    // What the page's `ga` has received so far.
    QJsonArray pageCalls()
    {
        QJsonArray calls;
        bool done = false;
        client.webView()->runJavaScript("JSON.stringify(window.gaCalls || [])", [&](const QVariant& result) {
            calls = QJsonDocument::fromJson(result.toString().toUtf8()).array();
            done = true;
        });
        waitUntil([&] { return done; });
        return calls;
    }

    QJsonArray waitForPageCalls(int count)
    {
        QJsonArray calls;
        waitUntil([&] {
            calls = pageCalls();
            return calls.size() >= count;
        }, 10000);
        return calls;
    }

    static QJsonObject sentEvent(const QJsonValue& call)
    {
        EXPECT_EQ(call.toArray()[0].toString(), "send");
        return call.toArray()[1].toObject();
    }

    QTemporaryDir dir;
    platform::UserDefaults defaults;
    FakeHttpServer server;
    RBGoogleAnalytics client;
};

TEST_F(RBGoogleAnalyticsTest, EventNamesAreSplitAtBars)
{
    client.trackEvent("app|compile|time", 1234);
    client.trackEvent("app|start");
    client.trackEvent("nobar");
    client.trackEvent("a|b|c|d");
    const auto calls = client.queuedCalls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].first, "ga");
    const QJsonObject compile = calls[0].second[1].toObject();
    EXPECT_EQ(calls[0].second[0].toString(), "send");
    EXPECT_EQ(compile["hitType"].toString(), "event");
    EXPECT_EQ(compile["eventCategory"].toString(), "app");
    EXPECT_EQ(compile["eventAction"].toString(), "compile");
    EXPECT_EQ(compile["eventLabel"].toString(), "time");
    EXPECT_EQ(compile["eventValue"].toInt(), 1234);
    const QJsonObject start = calls[1].second[1].toObject();
    EXPECT_EQ(start["eventAction"].toString(), "start");
    EXPECT_TRUE(start["eventLabel"].isNull());
    EXPECT_TRUE(start["eventValue"].isNull());
}

TEST_F(RBGoogleAnalyticsTest, EarlyCallsAreReplayedAfterCreateAndSetInOrder)
{
    client.trackEvent("first|one");
    client.trackEvent("second|two|label", 7);
    client.configureWithSiteId("UA-12345678-9");
    EXPECT_TRUE(waitUntil([&] { return client.isWebViewReady(); }, 15000));
    const QJsonArray calls = waitForPageCalls(4);
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].toArray(), QJsonArray({"create", "UA-12345678-9", "auto"}));
    EXPECT_EQ(calls[1].toArray()[0].toString(), "set");
    EXPECT_TRUE(calls[1].toArray()[1].toObject().contains("appVersion"));
    EXPECT_EQ(sentEvent(calls[2])["eventCategory"].toString(), "first");
    EXPECT_EQ(sentEvent(calls[3])["eventLabel"].toString(), "label");
    EXPECT_EQ(sentEvent(calls[3])["eventValue"].toInt(), 7);
    EXPECT_TRUE(client.queuedCalls().isEmpty());

    // Once ready, calls go straight to the page.
    client.trackEvent("later|now");
    EXPECT_EQ(sentEvent(waitForPageCalls(5)[4])["eventCategory"].toString(), "later");
    EXPECT_TRUE(client.queuedCalls().isEmpty());

    // A new identifier reloads the page; calls wait until it has loaded again.
    client.configureWithSiteId("UA-87654321-0");
    EXPECT_FALSE(client.isWebViewReady());
    client.trackEvent("during|reload");
    EXPECT_EQ(client.queuedCalls().size(), 1);
    EXPECT_TRUE(waitUntil([&] { return client.isWebViewReady(); }, 15000));
    const QJsonArray again = waitForPageCalls(3);
    EXPECT_EQ(again[0].toArray()[1].toString(), "UA-87654321-0");
    EXPECT_EQ(sentEvent(again[2])["eventCategory"].toString(), "during");
}

TEST_F(RBGoogleAnalyticsTest, ADisabledClientLoadsNothingAndDropsCalls)
{
    client.setEnabled(false);
    client.configureWithSiteId("UA-12345678-9");
    client.trackEvent("app|start");
    spin(300);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(client.webView(), nullptr);
    EXPECT_TRUE(client.queuedCalls().isEmpty());
}

TEST_F(RBGoogleAnalyticsTest, APageThatFailsToLoadKeepsCallsWaiting)
{
    // Nothing listens on port 1 of the loopback address: the load fails.
    client.setPageURL(QUrl("http://127.0.0.1:1/analytics.html"));
    client.trackEvent("app|start");
    client.configureWithSiteId("UA-12345678-9");
    ASSERT_NE(client.webView(), nullptr);
    bool finished = false;
    QObject::connect(client.webView(), &AnalyticsWebPage::loadFinished, [&](bool) { finished = true; });
    EXPECT_TRUE(waitUntil([&] { return finished; }, 15000));
    EXPECT_FALSE(client.isWebViewReady());
    EXPECT_EQ(client.queuedCalls().size(), 1);
}

TEST_F(RBGoogleAnalyticsTest, TheWaitingQueueKeepsTheNewestCalls)
{
    for (int i = 0; i < RBGoogleAnalytics::kMaxQueuedCalls + 3; ++i)
        client.trackEvent(QStringLiteral("n|%1").arg(i));
    const auto calls = client.queuedCalls();
    ASSERT_EQ(calls.size(), RBGoogleAnalytics::kMaxQueuedCalls);
    EXPECT_EQ(calls.first().second[1].toObject()["eventAction"].toString(), "3");
}

TEST_F(RBGoogleAnalyticsTest, IntervalEventsAreSentWhenDueAndRecheckedForEver)
{
    const QString key = "RBGoogleAnalytics|interval|daily";
    client.trackEvent("interval|daily", 86400, 3600, nullptr);
    EXPECT_EQ(client.queuedCalls().size(), 1);
    const double stored = defaults.doubleForKey(key);
    EXPECT_NEAR(stored, QDateTime::currentSecsSinceEpoch(), 5);
    // Not due again within the interval.
    client.trackEvent("interval|daily", 86400, 3600, nullptr);
    EXPECT_EQ(client.queuedCalls().size(), 1);

    int asked = 0;
    client.trackEvent("interval.foreground|hour", 3600, 1, [&] {
        ++asked;
        return false;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(client.queuedCalls().size(), 1);
    EXPECT_FALSE(defaults.hasKey("RBGoogleAnalytics|interval.foreground|hour"));
    EXPECT_TRUE(waitUntil([&] { return asked >= 2; }, 4000));
    EXPECT_FALSE(defaults.hasKey("RBGoogleAnalytics|interval.foreground|hour"));
}

} // namespace
