#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"
#include "analytics/RBGoogleAnalytics.h"
#include "analytics/RBMetrics.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using testsupport::waitUntil;

namespace {

class RBMetricsTest : public ::testing::Test {
protected:
    RBMetricsTest()
        : defaults(dir.filePath("defaults.json"))
        , web(&defaults)
        , client(QStringLiteral("tok"), 0, Mixpanel::Options{dir.filePath("mp"), QString(), false})
    {
        web.setPageURL(QUrl()); // nothing is loaded; calls stay queued where the test sees them
        host.osVersion = [] { return QStringLiteral("6_1"); };
        host.appVersion = [] { return QStringLiteral("1.0"); };
        host.userAgent = [] { return QStringLiteral("agent"); };
        host.downloadId = [this] {
            ++downloadIdRuns;
            return downloadId;
        };
        host.runOnceForKey = [this](const QString& key, std::function<bool()> block) {
            const QString stored = "RBRunOnce." + key;
            if (!defaults.boolForKey(stored) && block())
                defaults.setBool(stored, true);
        };
    }

    std::unique_ptr<RBMetrics> makeMetrics()
    {
        auto metrics = std::make_unique<RBMetrics>(defaults, host);
        metrics->setClients(&client, &web);
        return metrics;
    }

    QStringList eventNames()
    {
        QStringList names;
        for (const QVariant& record : client.eventsQueue())
            names << record.toMap()["event"].toString();
        return names;
    }

    QStringList webEvents()
    {
        QStringList names;
        for (const auto& call : web.queuedCalls()) {
            const QJsonObject event = call.second[1].toObject();
            names << event["eventCategory"].toString() + "|" + event["eventAction"].toString();
        }
        return names;
    }

    QTemporaryDir dir;
    platform::UserDefaults defaults;
    RBGoogleAnalytics web;
    Mixpanel client;
    RBMetrics::Host host;
    QString downloadId = QStringLiteral("download-12345");
    int downloadIdRuns = 0;
};

TEST(RBMetricsIdTest, ValidIdentifiersLookLikeIdentifiers)
{
    EXPECT_TRUE(RBMetrics::looksLikeValidMixpanelId("abcde"));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId("abcd"));
    EXPECT_TRUE(RBMetrics::looksLikeValidMixpanelId(QString(100, 'a')));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId(QString(101, 'a')));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId(" abcd"));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId("abcde\n"));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId("Python TraceBack here"));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId("an ERROR occurred"));
    EXPECT_FALSE(RBMetrics::looksLikeValidMixpanelId("{}abcdef"));
}

TEST_F(RBMetricsTest, WithDataCollectionOffNothingIsMadeOrSent)
{
    defaults.setBool("RBDataCollectionDisabled", true);
    auto metrics = std::make_unique<RBMetrics>(defaults, host);
    metrics->setClients(nullptr, &web);
    metrics->setUpMetrics();
    EXPECT_FALSE(web.isEnabled());
    EXPECT_EQ(Mixpanel::sharedInstance(), nullptr);
    web.trackEvent("app|start");
    EXPECT_TRUE(web.queuedCalls().isEmpty());
    // The activity timer goes on counting but reports to no one.
    metrics->handleMinuteInterval(true);
    EXPECT_EQ(defaults.integerForKey("RBIntervalMinutesActive"), 1);
}

TEST_F(RBMetricsTest, StartUpReportsTheLaunchAndIdentifiesTheInstallation)
{
    makeMetrics()->setUpMetrics();
    EXPECT_EQ(webEvents(), QStringList({"interval|daily", "interval|weekly", "interval|monthly", "app|start"}));
    EXPECT_EQ(eventNames(), QStringList({"app.launch.first", "app.launch"}));

    EXPECT_TRUE(waitUntil([&] { return client.distinctId() == "download-12345"; }));
    EXPECT_TRUE(waitUntil([&] { return defaults.stringForKey("RBMixPanelDownloadId") == "download-12345"; }));
    const QVariantMap super = client.superProperties();
    EXPECT_EQ(super["App Mixpanel Connected"].toBool(), true);
    EXPECT_EQ(super["OS Version"].toString(), "6_1");
    EXPECT_TRUE(super.contains("Identifier"));

    // The profile updates waited for the identifier and now carry it.
    const QVariantList people = client.peopleQueue();
    ASSERT_EQ(people.size(), 3);
    EXPECT_EQ(people[0].toMap()["$set"].toMap()["User Agent"].toString(), "agent");
    EXPECT_EQ(people[2].toMap()["$add"].toMap()["Launches"].toInt(), 1);
    EXPECT_EQ(people[2].toMap()["$distinct_id"].toString(), "download-12345");

    // The next launch: the first-launch event is not sent again and the stored identifier is
    // used without asking the identifier script.
    makeMetrics()->setUpMetrics();
    EXPECT_EQ(eventNames().count("app.launch.first"), 1);
    client.waitUntilIdle();
    testsupport::spin(50);
    EXPECT_EQ(downloadIdRuns, 1);
}

TEST_F(RBMetricsTest, AnUnusableDownloadIdentifierFallsBackToTheMachineIdentifier)
{
    auto metrics = makeMetrics();
    downloadId = "Traceback (most recent call last)";
    EXPECT_EQ(metrics->identity(client, QString()), client.defaultDistinctId());
    EXPECT_FALSE(client.superProperties()["App Mixpanel Connected"].toBool());

    downloadId.clear();
    client.identify("current-id");
    EXPECT_EQ(metrics->identity(client, QString()), "current-id");
    EXPECT_FALSE(client.superProperties()["App Mixpanel Connected"].toBool());

    EXPECT_EQ(metrics->identity(client, "stored-id"), "stored-id");
    EXPECT_TRUE(client.superProperties()["App Mixpanel Connected"].toBool());
}

TEST_F(RBMetricsTest, ActiveMinutesAreReportedAtEachTenthAndSixtiethMinuteOnce)
{
    auto metrics = makeMetrics();
    for (int i = 0; i < 5; ++i)
        metrics->handleMinuteInterval(false);
    EXPECT_EQ(defaults.integerForKey("RBIntervalMinutesActive"), 0);

    QList<qint64> tenthAt;
    for (int minute = 1; minute <= 130; ++minute) {
        const qsizetype before = eventNames().count("app.interval.10minute.active");
        metrics->handleMinuteInterval(true);
        if (eventNames().count("app.interval.10minute.active") > before)
            tenthAt << minute;
    }
    EXPECT_EQ(tenthAt, QList<qint64>({11, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130}));
    EXPECT_EQ(eventNames().count("app.interval.hour.active"), 2);
    EXPECT_EQ(defaults.integerForKey("RBIntervalMinutesActive60"), 2);
    client.identify("x");
    bool sawMinutes = false;
    for (const QVariant& record : client.peopleQueue())
        sawMinutes |= record.toMap()["$set"].toMap().value("Active Minutes").toInt() == 130;
    EXPECT_TRUE(sawMinutes);
}

TEST(RBMetricsDownloadIdTest, TheIdentifierScriptRunsWithAnExactEnvironment)
{
    QTemporaryDir resources;
    QDir().mkpath(resources.filePath("python"));
    QFile script(resources.filePath("python/mpid.py"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("import os, sys\nsys.stdout.write('  id-' + '-'.join(sorted(os.environ)) + '\\n')\n");
    script.close();
    const QByteArray previous = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", resources.path().toUtf8());
    platform::Bundle::main().reload();
    const QString id = RBMetrics::getDownloadId();
    qputenv("ZELVOR_RESOURCES", previous);
    platform::Bundle::main().reload();
    // The output is trimmed; Python may add LC_CTYPE of its own; nothing of this process's
    // environment gets through.
    ASSERT_TRUE(id.startsWith("id-")) << id.toStdString();
    QStringList names = id.mid(3).split('-');
    names.removeAll("LC_CTYPE");
    EXPECT_EQ(names, QStringList({"PYTHONDONTWRITEBYTECODE", "PYTHONUNBUFFERED"}));
}

} // namespace
