// The announcement of the preview server, on a sandboxed Avahi daemon. A program of its own: the
// D-Bus library keeps the first system bus address that a process uses.
#include "ServerTestSupport.h"

#include "platform/AvahiSandbox.h"
#include "platform/NetService.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QUrl>

#include <gtest/gtest.h>

TEST(RBServerControllerAnnounce, AnnouncesTheServerPortOnTheLocalNetwork)
{
    avahitest::AvahiSandbox sandbox;
    if (!sandbox.skipReason().isEmpty())
        GTEST_SKIP() << "no sandboxed Avahi daemon: " << sandbox.skipReason().toStdString();
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    ASSERT_NE(controller.netService(), nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller.netService()->isPublished(); }, 10000))
        << controller.netService()->lastError().toStdString();
    EXPECT_EQ(avahitest::resolvedPort(controller.netService()->publishedName(), "_zelvorstudio._tcp"), QUrl(controller.url()).port());
    controller.stop();
}
