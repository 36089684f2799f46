#include "FakeHttpServer.h"
#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

using testsupport::waitUntil;

namespace {

class MixpanelTest : public ::testing::Test {
protected:
    std::unique_ptr<Mixpanel> makeClient(const QString& server = QString())
    {
        Mixpanel::Options options;
        options.archiveDirectory = dir.path();
        options.serverURL = server;
        options.watchReachability = false;
        return std::make_unique<Mixpanel>(QStringLiteral("tok"), 0, options);
    }

    static QStringList eventNames(const QVariantList& queue)
    {
        QStringList names;
        for (const QVariant& record : queue)
            names << record.toMap().value(QStringLiteral("event")).toString();
        return names;
    }

    // The events each upload carried, in order.
    static QList<QStringList> uploadedNames(const FakeHttpServer& server)
    {
        QList<QStringList> batches;
        for (const auto& request : server.requests()) {
            QStringList names;
            for (const QVariantMap& record : decodeUploadBody(request.body))
                names << record.value(QStringLiteral("event")).toString();
            batches << names;
        }
        return batches;
    }

    // Uploads and waits for the client to finish (the server answers on its own thread).
    static void flushAndWait(Mixpanel& client)
    {
        client.flush();
        client.waitUntilIdle();
    }

    QTemporaryDir dir;
};

TEST_F(MixpanelTest, EventsCarryAutomaticSuperAndGivenPropertiesLaterKeysWinning)
{
    auto client = makeClient();
    client->registerSuperProperties({{"plan", "free"}, {"color", "red"}});
    client->track(QString());
    client->track("opened", {{"color", "blue"}, {"token", "mine"}, {"distinct_id", "me"}});
    const QVariantList queue = client->eventsQueue();
    ASSERT_EQ(queue.size(), 2);
    EXPECT_EQ(eventNames(queue), QStringList({"mp_event", "opened"}));

    const QVariantMap first = queue[0].toMap()["properties"].toMap();
    EXPECT_EQ(first["token"].toString(), "tok");
    EXPECT_EQ(first["distinct_id"].toString(), client->defaultDistinctId());
    EXPECT_EQ(first["color"].toString(), "red");
    EXPECT_EQ(first["mp_lib"].toString(), "mac");
    EXPECT_EQ(first["$lib_version"].toString(), "2.3.6");
    EXPECT_TRUE(first.contains("$screen_width"));
    EXPECT_NEAR(first["time"].toDouble(), QDateTime::currentSecsSinceEpoch(), 5);

    const QVariantMap second = queue[1].toMap()["properties"].toMap();
    EXPECT_EQ(second["color"].toString(), "blue");
    EXPECT_EQ(second["token"].toString(), "mine");
    EXPECT_EQ(second["distinct_id"].toString(), "me");
    EXPECT_EQ(second["plan"].toString(), "free");
}

TEST_F(MixpanelTest, KeepsTheNewest500Events)
{
    auto client = makeClient();
    for (int i = 0; i < 501; ++i)
        client->track(QStringLiteral("e%1").arg(i));
    const QStringList names = eventNames(client->eventsQueue());
    ASSERT_EQ(names.size(), 500);
    EXPECT_EQ(names.first(), "e1");
    EXPECT_EQ(names.last(), "e500");
}

TEST_F(MixpanelTest, IdentifiersAreStableAndEmptyIdentifyChangesNothing)
{
    auto client = makeClient();
    const QString id = client->defaultDistinctId();
    EXPECT_EQ(id.size(), 40);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(id, makeClient()->defaultDistinctId());
    EXPECT_EQ(client->distinctId(), id);
    client->identify(QString());
    EXPECT_EQ(client->distinctId(), id);
    client->identify("user-1");
    EXPECT_EQ(client->distinctId(), "user-1");
    EXPECT_EQ(client->people()->distinctId(), "user-1");
}

TEST_F(MixpanelTest, IdentifyWithBlockIdentifiesOnTheMainThread)
{
    auto client = makeClient();
    client->identifyWithBlock([] { return QStringLiteral("from-block"); });
    EXPECT_TRUE(waitUntil([&] { return client->distinctId() == "from-block"; }));
    client->identifyWithBlock([] { return QString(); });
    testsupport::spin(50);
    EXPECT_EQ(client->distinctId(), "from-block");
}

TEST_F(MixpanelTest, UploadsInBatchesOf50InQueueOrder)
{
    FakeHttpServer server;
    auto client = makeClient(server.baseURL());
    for (int i = 0; i < 120; ++i)
        client->track(QStringLiteral("e%1").arg(i));
    flushAndWait(*client);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    for (const auto& request : requests) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/track/");
        EXPECT_EQ(request.headers.value("accept-encoding"), "gzip");
        EXPECT_TRUE(request.body.startsWith("ip=1&data="));
    }
    const auto batches = uploadedNames(server);
    EXPECT_EQ(batches[0].size(), 50);
    EXPECT_EQ(batches[1].size(), 50);
    EXPECT_EQ(batches[2].size(), 20);
    EXPECT_EQ(batches[0].first(), "e0");
    EXPECT_EQ(batches[1].first(), "e50");
    EXPECT_EQ(batches[2].last(), "e119");
    EXPECT_TRUE(client->eventsQueue().isEmpty());
}

TEST_F(MixpanelTest, AFailedBatchStaysQueuedAndGoesWithTheNextUpload)
{
    FakeHttpServer server;
    int served = 0;
    server.setResponder([&](const FakeHttpServer::Request&) {
        return FakeHttpServer::Reply{++served == 2 ? 503 : 200};
    });
    auto client = makeClient(server.baseURL());
    for (int i = 0; i < 120; ++i)
        client->track(QStringLiteral("e%1").arg(i));
    flushAndWait(*client);
    EXPECT_EQ(server.requestCount(), 2);
    QStringList left = eventNames(client->eventsQueue());
    ASSERT_EQ(left.size(), 70);
    EXPECT_EQ(left.first(), "e50");

    server.clearRequests();
    flushAndWait(*client);
    EXPECT_EQ(server.requestCount(), 2);
    EXPECT_EQ(uploadedNames(server)[0].first(), "e50");
    EXPECT_TRUE(client->eventsQueue().isEmpty());
}

TEST_F(MixpanelTest, RemovesExactlyTheSentRecordsEvenWhenOthersAreEqual)
{
    FakeHttpServer server;
    int served = 0;
    server.setResponder([&](const FakeHttpServer::Request&) {
        return FakeHttpServer::Reply{++served == 1 ? 200 : 500};
    });
    auto client = makeClient(server.baseURL());
    // Equal records: same name, same second, no differing property.
    for (int i = 0; i < 60; ++i)
        client->track("same");
    flushAndWait(*client);
    EXPECT_EQ(client->eventsQueue().size(), 10);
}

TEST_F(MixpanelTest, ARefusedRecordIsDroppedAndTheOthersAreDelivered)
{
    FakeHttpServer server;
    server.setResponder([](const FakeHttpServer::Request& request) {
        for (const QVariantMap& record : decodeUploadBody(request.body))
            if (record.value("event") == "bad")
                return FakeHttpServer::Reply{400};
        return FakeHttpServer::Reply{200};
    });
    auto client = makeClient(server.baseURL());
    client->track("a");
    client->track("bad");
    client->track("c");
    flushAndWait(*client);
    EXPECT_TRUE(client->eventsQueue().isEmpty());
    QStringList delivered;
    for (const auto& request : server.requests())
        if (decodeUploadBody(request.body).size() == 1
            && decodeUploadBody(request.body)[0].value("event") != "bad")
            delivered << decodeUploadBody(request.body)[0].value("event").toString();
    EXPECT_EQ(delivered, QStringList({"a", "c"}));
}

TEST_F(MixpanelTest, WithoutAServiceNothingIsSentAndNothingLost)
{
    auto client = makeClient();
    client->track("kept");
    client->people()->set({{"a", 1}});
    flushAndWait(*client);
    EXPECT_EQ(client->eventsQueue().size(), 1);
}

TEST_F(MixpanelTest, PeopleRecordsGoToEngage)
{
    FakeHttpServer server;
    auto client = makeClient(server.baseURL());
    client->identify("someone");
    client->people()->increment("Launches", 1);
    flushAndWait(*client);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, "/engage/");
    const auto records = decodeUploadBody(requests[0].body);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0]["$distinct_id"].toString(), "someone");
    EXPECT_EQ(records[0]["$add"].toMap()["Launches"].toInt(), 1);
    EXPECT_TRUE(client->peopleQueue().isEmpty());
}

TEST_F(MixpanelTest, QueuesStoredAtTerminationAreReadBackOnceAndUploaded)
{
    {
        auto client = makeClient();
        client->track("before quit", {{"when", QDateTime::fromSecsSinceEpoch(0, Qt::UTC)}});
        client->registerSuperProperties({{"plan", "pro"}});
        client->people()->set({{"name", "Ada"}}); // waits for an identifier
        client->applicationWillTerminate();
        EXPECT_TRUE(QFileInfo::exists(client->eventsFilePath()));
        EXPECT_TRUE(QFileInfo::exists(client->peopleFilePath()));
        EXPECT_TRUE(QFileInfo::exists(client->propertiesFilePath()));
        EXPECT_TRUE(client->eventsFilePath().endsWith("/.mp-tok-events"));
    }
    FakeHttpServer server;
    auto client = makeClient(server.baseURL());
    const QVariantList events = client->eventsQueue();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].toMap()["properties"].toMap()["when"].toString(), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(client->superProperties()["plan"].toString(), "pro");
    EXPECT_EQ(client->people()->unidentifiedQueue().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(client->eventsFilePath()));
    EXPECT_FALSE(QFileInfo::exists(client->propertiesFilePath()));

    client->identify("ada");
    flushAndWait(*client);
    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(uploadedNames(server)[0], QStringList({"before quit"}));
    EXPECT_EQ(decodeUploadBody(server.requests()[1].body)[0]["$distinct_id"].toString(), "ada");
}

TEST_F(MixpanelTest, TerminationAbandonsAnUploadUnderWayAndStoresItsRecords)
{
    FakeHttpServer server;
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<bool> answered{false};
    server.setResponder([&](const FakeHttpServer::Request&) {
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(10), [&] { return release; });
        answered = true;
        return FakeHttpServer::Reply{200};
    });
    auto client = makeClient(server.baseURL());
    client->track("in flight");
    client->flush();
    ASSERT_TRUE(waitUntil([&] { return server.requestCount() == 1; }));
    client->applicationWillTerminate();
    // Quitting did not wait for the service's answer, and the record was not lost.
    EXPECT_FALSE(answered);
    EXPECT_EQ(client->eventsQueue().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(client->eventsFilePath()));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
}

TEST_F(MixpanelTest, AnUnreadableArchiveIsSetAsideAndTheClientStartsEmpty)
{
    QFile file(dir.filePath(".mp-tok-events"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[{\"event\": \"trunc");
    file.close();
    QFile props(dir.filePath(".mp-tok-properties"));
    ASSERT_TRUE(props.open(QIODevice::WriteOnly));
    props.write("[]"); // JSON, but not the expected kind
    props.close();

    auto client = makeClient();
    EXPECT_TRUE(client->eventsQueue().isEmpty());
    EXPECT_EQ(client->distinctId(), client->defaultDistinctId());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(".mp-tok-events")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(".mp-tok-events.unreadable")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(".mp-tok-properties.unreadable")));
    // The client goes on working and stores again.
    client->track("after");
    client->applicationWillTerminate();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(".mp-tok-events")));
}

TEST_F(MixpanelTest, WhileInactiveEveryChangeIsStoredAndResigningUploads)
{
    FakeHttpServer server;
    auto client = makeClient(server.baseURL());
    server.setResponder([](const FakeHttpServer::Request&) { return FakeHttpServer::Reply{500}; });
    client->track("before");
    client->waitUntilIdle();
    EXPECT_FALSE(QFileInfo::exists(client->eventsFilePath()));
    client->applicationWillResignActive();
    client->track("while away");
    client->waitUntilIdle();
    EXPECT_EQ(server.requestCount(), 1); // the upload on resigning, refused by the server
    EXPECT_TRUE(QFileInfo::exists(client->eventsFilePath()));
    EXPECT_EQ(client->eventsQueue().size(), 2);
}

TEST_F(MixpanelTest, BecomingActiveStartsTheFlushTimer)
{
    FakeHttpServer server;
    auto client = makeClient(server.baseURL());
    client->setFlushInterval(1);
    client->track("timed");
    client->applicationDidBecomeActive();
    EXPECT_TRUE(waitUntil([&] { return server.requestCount() == 1; }, 5000));
    client->applicationWillResignActive();
    EXPECT_TRUE(waitUntil([&] { return !client->isFlushTimerActive(); }));
}

TEST(MixpanelSharedTest, TheSharedClientIsMadeOnce)
{
    EXPECT_EQ(Mixpanel::sharedInstance(), nullptr);
    Mixpanel* first = Mixpanel::sharedInstanceWithToken("first");
    EXPECT_EQ(Mixpanel::sharedInstanceWithToken("second"), first);
    EXPECT_EQ(first->apiToken(), "first");
    EXPECT_EQ(first->flushInterval(), 60u);
}

} // namespace
