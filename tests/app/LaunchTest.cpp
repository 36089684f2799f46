#include "app/LaunchArguments.h"
#include "app/SingleInstance.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LaunchArguments, LinksStayFoldersBecomeAbsoluteOptionsAreDropped)
{
    const QStringList items = launchItems({QStringLiteral("--verbose"), QStringLiteral("Projects/../Card.zelvor"),
                                           QStringLiteral("ZELVOR://open?x=1"), QStringLiteral("file:///home/a/My%20Proto.zelvor"),
                                           QStringLiteral("/abs/One.zelvor/"), QStringLiteral("Card.zelvor"),
                                           QStringLiteral("https://example.invalid/x")},
                                          QStringLiteral("/work/here"));
    EXPECT_EQ(items, (QStringList{QStringLiteral("/work/here/Card.zelvor"), QStringLiteral("ZELVOR://open?x=1"),
                                  QStringLiteral("/home/a/My Proto.zelvor"), QStringLiteral("/abs/One.zelvor")}));
    EXPECT_TRUE(isZelvorLink(QStringLiteral("zelvor://x")));
    EXPECT_FALSE(isZelvorLink(QStringLiteral("zelvor:x")));
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString socketName() const { return dir.filePath(QStringLiteral("instance.socket")); }

    // Runs a later launch in another process; answers its exit code.
    int launchLater(const QStringList& arguments, const QString& workingDirectory)
    {
        QProcess process;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZELVOR_INSTANCE_SOCKET"), socketName());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingDirectory);
        process.start(QStringLiteral(ZELVOR_LAUNCH_HELPER), arguments);
        if (!process.waitForStarted(5000))
            return -1;
        // The running instance answers from this process's event loop.
        if (!testsupport::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 15000))
            return -2;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    }
};

TEST_F(SingleInstanceTest, ALaterLaunchHandsItsItemsToTheRunningOneAndEnds)
{
    // Nobody listens yet: the later launch must start the application itself.
    EXPECT_EQ(launchLater({QStringLiteral("A.zelvor")}, dir.path()), 3);

    SingleInstance running(socketName());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::itemsReceived);
    EXPECT_EQ(launchLater({QStringLiteral("A.zelvor"), QStringLiteral("zelvor://open?x=1")}, dir.path()), 0);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first().first().toStringList(),
              (QStringList{QDir(dir.path()).filePath(QStringLiteral("A.zelvor")), QStringLiteral("zelvor://open?x=1")}));

    // A plain second start asks for nothing: the running one decides what to bring forward.
    EXPECT_EQ(launchLater({}, dir.path()), 0);
    ASSERT_EQ(received.size(), 2);
    EXPECT_TRUE(received.last().first().toStringList().isEmpty());
}

TEST_F(SingleInstanceTest, GarbageIsDroppedAndAStaleSocketIsReplaced)
{
    // A socket file left by a run that crashed.
    QFile stale(socketName());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance running(socketName());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::itemsReceived);

    QLocalSocket client;
    client.connectToServer(socketName());
    ASSERT_TRUE(client.waitForConnected(3000));
    client.write("{\"items\": \"not a list\"}\n");
    client.flush();
    EXPECT_TRUE(testsupport::waitUntil([&] { return client.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(received.size(), 0);

    // Still listening for well-formed launches.
    EXPECT_EQ(launchLater({QStringLiteral("/x/B.zelvor")}, dir.path()), 0);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first().first().toStringList(), QStringList{QStringLiteral("/x/B.zelvor")});

    // A second listener on the same name refuses instead of taking the socket away.
    SingleInstance second(socketName());
    EXPECT_FALSE(second.listen());
}
