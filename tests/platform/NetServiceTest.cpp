#include "AvahiSandbox.h"

#include "platform/NetService.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using avahitest::AvahiSandbox;
using avahitest::resolvedPort;
using platform::NetService;

TEST(NetService, AnnouncesOnAPrivateDaemonAndRenamesOnCollision)
{
    AvahiSandbox sandbox;
    if (!sandbox.skipReason().isEmpty())
        GTEST_SKIP() << "no sandboxed Avahi daemon: " << sandbox.skipReason().toStdString();

    NetService first(QString(), QStringLiteral("_zelvorstudio._tcp."), QStringLiteral("Zelvor Test"), 4321);
    QString failure;
    QObject::connect(&first, &NetService::didNotPublish, [&](const QString& reason) { failure = reason; });
    ASSERT_TRUE(first.publish()) << first.lastError().toStdString();
    ASSERT_TRUE(testsupport::waitUntil([&] { return first.isPublished() || !failure.isEmpty(); }, 10000));
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_EQ(first.publishedName(), QStringLiteral("Zelvor Test"));
    EXPECT_EQ(resolvedPort(QStringLiteral("Zelvor Test"), "_zelvorstudio._tcp"), 4321);

    NetService second(QString(), QStringLiteral("_zelvorstudio._tcp."), QStringLiteral("Zelvor Test"), 4322);
    ASSERT_TRUE(second.publish());
    ASSERT_TRUE(testsupport::waitUntil([&] { return second.isPublished(); }, 10000));
    EXPECT_NE(second.publishedName(), QStringLiteral("Zelvor Test")) << "a taken name is replaced";

    first.stop();
    EXPECT_FALSE(first.isPublished());
    EXPECT_TRUE(testsupport::waitUntil([&] { return resolvedPort(QStringLiteral("Zelvor Test"), "_zelvorstudio._tcp") == 0; }, 5000))
        << "stopping withdraws the announcement";
}

// The D-Bus library keeps the first bus address of the process: after the sandbox test this
// points at the sandbox's bus, whose daemon is gone by now, which is the same case.
TEST(NetService, WithoutADaemonPublishFailsAtOnceWithAReason)
{
    const QByteArray saved = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zelvor-test-bus");
    NetService service(QString(), QStringLiteral("_zelvorstudio._tcp."), QString(), 80);
    EXPECT_FALSE(service.publish());
    EXPECT_FALSE(service.lastError().isEmpty());
    EXPECT_FALSE(service.isPublished());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", saved);
}
