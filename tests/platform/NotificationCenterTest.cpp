#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>

using platform::Notification;
using platform::NotificationCenter;

namespace {

struct Recorder {
    QStringList names;
    QList<QObject*> objects;
    QList<QVariantMap> infos;
    NotificationCenter::Handler handler()
    {
        return [this](const Notification& n) {
            names.append(n.name);
            objects.append(n.object);
            infos.append(n.userInfo);
        };
    }
};

TEST(NotificationCenter, DeliversByNameAndFiltersByObject)
{
    NotificationCenter center;
    QObject documentA, documentB;
    Recorder anyObject, onlyA, everyName;
    center.addObserver(QStringLiteral("Changed"), nullptr, anyObject.handler());
    center.addObserver(QStringLiteral("Changed"), &documentA, onlyA.handler());
    center.addObserver(QString(), nullptr, everyName.handler());

    center.post(QStringLiteral("Changed"), &documentA, {{QStringLiteral("update"), 1}});
    center.post(QStringLiteral("Changed"), &documentB);
    center.post(QStringLiteral("Other"), &documentA);

    EXPECT_EQ(anyObject.names.size(), 2);
    ASSERT_EQ(onlyA.names.size(), 1);
    EXPECT_EQ(onlyA.objects.first(), &documentA);
    EXPECT_EQ(onlyA.infos.first().value(QStringLiteral("update")).toInt(), 1);
    EXPECT_EQ(everyName.names, (QStringList{"Changed", "Changed", "Other"}));
}

TEST(NotificationCenter, StopsAfterRemovalAndWithItsOwner)
{
    NotificationCenter center;
    Recorder byToken, byOwner;
    const auto token = center.addObserver(QStringLiteral("N"), nullptr, byToken.handler());
    auto owner = std::make_unique<QObject>();
    center.addObserver(QStringLiteral("N"), nullptr, byOwner.handler(), owner.get());

    center.post(QStringLiteral("N"));
    center.removeObserver(token);
    owner.reset();
    center.post(QStringLiteral("N"));

    EXPECT_EQ(byToken.names.size(), 1);
    EXPECT_EQ(byOwner.names.size(), 1);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, ObserversMayRemoveThemselvesAndOthersWhileNotified)
{
    NotificationCenter center;
    int first = 0, second = 0;
    NotificationCenter::Token secondToken = 0;
    NotificationCenter::Token firstToken = 0;
    firstToken = center.addObserver(QStringLiteral("N"), nullptr, [&](const Notification&) {
        ++first;
        center.removeObserver(firstToken);
        center.removeObserver(secondToken);
    });
    secondToken = center.addObserver(QStringLiteral("N"), nullptr, [&](const Notification&) { ++second; });
    center.post(QStringLiteral("N"));
    center.post(QStringLiteral("N"));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

TEST(NotificationCenter, ADestroyedObservedObjectMatchesNothing)
{
    NotificationCenter center;
    Recorder recorder;
    auto observed = std::make_unique<QObject>();
    QObject* address = observed.get();
    center.addObserver(QStringLiteral("N"), address, recorder.handler());
    observed.reset();
    // Posting with the stale address (a new object may live there) must not reach the observer.
    center.post(QStringLiteral("N"), address);
    EXPECT_TRUE(recorder.names.isEmpty());
}

} // namespace
