#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MixpanelPeopleTest : public ::testing::Test {
protected:
    MixpanelPeopleTest()
        : client(QStringLiteral("tok"), 0, Mixpanel::Options{dir.path(), QString(), false})
    {
    }
    QTemporaryDir dir;
    Mixpanel client;
};

TEST_F(MixpanelPeopleTest, RecordsWaitForAnIdentifierAndKeepTheirOrder)
{
    MixpanelPeople* people = client.people();
    people->set({{"name", "Ada"}});
    people->setOnce({{"First Launch", "today"}});
    const QVariantList waiting = people->unidentifiedQueue();
    ASSERT_EQ(waiting.size(), 2);
    EXPECT_FALSE(waiting[0].toMap().contains("$distinct_id"));
    EXPECT_TRUE(client.peopleQueue().isEmpty());

    client.identify("ada");
    people->increment("Launches", 1);
    const QVariantList queue = client.peopleQueue();
    ASSERT_EQ(queue.size(), 3);
    EXPECT_TRUE(people->unidentifiedQueue().isEmpty());
    QStringList actions;
    for (const QVariant& record : queue) {
        const QVariantMap map = record.toMap();
        EXPECT_EQ(map["$distinct_id"].toString(), "ada");
        EXPECT_EQ(map["$token"].toString(), "tok");
        EXPECT_NEAR(map["$time"].toDouble(), QDateTime::currentMSecsSinceEpoch(), 10000);
        for (const QString& key : map.keys())
            if (key == "$set" || key == "$set_once" || key == "$add")
                actions << key;
    }
    EXPECT_EQ(actions, QStringList({"$set", "$set_once", "$add"}));
    // $set carries the automatic people properties; $add only the given ones.
    EXPECT_TRUE(queue[0].toMap()["$set"].toMap().contains("$mac_version"));
    EXPECT_EQ(queue[2].toMap()["$add"].toMap().size(), 1);
}

TEST_F(MixpanelPeopleTest, GivenPropertiesReplaceAutomaticOnesAndMissingArgumentsQueueNothing)
{
    client.identify("x");
    client.people()->increment(QString(), 1);
    client.people()->increment("Launches", QVariant());
    EXPECT_TRUE(client.peopleQueue().isEmpty());

    client.people()->set({{"$mac_version", "mine"}});
    const QVariantList queue = client.peopleQueue();
    ASSERT_EQ(queue.size(), 1);
    EXPECT_EQ(queue[0].toMap()["$set"].toMap()["$mac_version"].toString(), "mine");
}

TEST_F(MixpanelPeopleTest, KeepsTheNewest500RecordsInEitherQueue)
{
    for (int i = 0; i < 502; ++i)
        client.people()->set({{"n", i}});
    QVariantList waiting = client.people()->unidentifiedQueue();
    ASSERT_EQ(waiting.size(), 500);
    EXPECT_EQ(waiting.first().toMap()["$set"].toMap()["n"].toInt(), 2);

    client.identify("x");
    for (int i = 0; i < 3; ++i)
        client.people()->set({{"m", i}});
    const QVariantList queue = client.peopleQueue();
    ASSERT_EQ(queue.size(), 500);
    EXPECT_EQ(queue.last().toMap()["$set"].toMap()["m"].toInt(), 2);
    EXPECT_EQ(queue.first().toMap()["$set"].toMap()["n"].toInt(), 5);
}

} // namespace
