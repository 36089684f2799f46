#include "ServerTestSupport.h"

#include "preview/CSTaskManager.h"
#include "preview/RBServerController.h"
#include "preview/RBServerLogWindowController.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(RBServerLogWindowController, ShowsTheServerRunSoFarThenPlainLinesOfEveryChild)
{
    servertest::isolateFromTheSystemBus();
    RBServerController controller;
    RBServerLogWindowController never(controller);
    never.window();
    EXPECT_TRUE(never.logText().isEmpty()) << "nothing when the server was never started";

    ASSERT_TRUE(servertest::startAndWait(controller));
    ASSERT_FALSE(servertest::mountAndWait(controller, QStringLiteral(ZELVOR_SOURCE_DIR "/resources")).isEmpty());
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
