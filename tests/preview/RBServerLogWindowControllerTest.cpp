#include "ServerTestSupport.h"

#include "platform/CSTaskManager.h"
#include "preview/RBServerController.h"
#include "preview/RBServerLogWindowController.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(RBServerLogWindowController, ShowsTheServerRunSoFarThenPlainLinesOfEveryChild)
{
    servertest::isolateFromTheSystemBus();
    RBServerController controller;
    RBServerLogWindowController never(controller);
    never.window();
    EXPECT_TRUE(never.logText().isEmpty()) << "nothing when the server was never started";

    ASSERT_TRUE(servertest::startAndWait(controller));
    ASSERT_FALSE(servertest::mountAndWait(controller, QStringLiteral(ZELVOR_SOURCE_DIR "/resources/Examples/animate.zelvor")).isEmpty());
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller.serverTaskManager()->output().contains(QStringLiteral("/_server/api/mount")); }));

    RBServerLogWindowController log(controller);
    EXPECT_FALSE(log.isWindowLoaded());
    log.showWindow();
    ASSERT_TRUE(log.isWindowLoaded());
    EXPECT_TRUE(log.logText().startsWith(controller.serverTaskManager()->output().trimmed())) << "the server's run so far, messages included";
    EXPECT_TRUE(log.logText().contains(QStringLiteral("\"signal\": \"ready\"")));

    CSTaskManager child;
    child.task().setLaunchPath(QStringLiteral("/bin/sh"));
    child.task().setArguments({QStringLiteral("-c"), QStringLiteral("echo plain from a child; echo '{\"type\": \"later message\"}'; echo oops >&2")});
    ASSERT_TRUE(child.run());
    ASSERT_TRUE(child.waitUntilEnd(5000));
    ASSERT_TRUE(testsupport::waitUntil([&] { return log.logText().contains(QStringLiteral("oops")); }));
    EXPECT_TRUE(log.logText().contains(QStringLiteral("plain from a child\n")));
    EXPECT_FALSE(log.logText().contains(QStringLiteral("later message"))) << "later messages are not plain lines";
    controller.stop();
}

TEST(RBServerLogWindowController, AServerThatEndedAndCameBackKeepsItsEarlierLines)
{
    servertest::isolateFromTheSystemBus();
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    ASSERT_FALSE(servertest::mountAndWait(controller, QStringLiteral(ZELVOR_SOURCE_DIR "/resources/Examples/animate.zelvor")).isEmpty());
    CSTaskManager* first = controller.serverTaskManager();
    ASSERT_TRUE(testsupport::waitUntil([&] { return first->output().contains(QStringLiteral("/_server/api/mount")); }));

    ::kill(pid_t(first->task().processIdentifier()), SIGKILL);
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller.serverTaskManager() != first && controller.isRunning(); }, 15000));

    RBServerLogWindowController log(controller);
    log.showWindow();
    const QString text = log.logText();
    const qsizetype mount = text.indexOf(QStringLiteral("/_server/api/mount"));
    const qsizetype restart = text.indexOf(QStringLiteral("The preview server ended unexpectedly"));
    EXPECT_GE(mount, 0) << text.toStdString();
    EXPECT_GT(restart, mount) << text.toStdString();
    EXPECT_GT(text.indexOf(QStringLiteral("\"signal\": \"ready\""), restart), restart) << "then the new run";
    controller.stop();
}
