#include "webview/RBUserAgent.h"

#include <QWebEngineProfile>

#include <gtest/gtest.h>

// The studio names the engine's WebKit version without starting the engine: it must be the one
// the engine itself sends, or pages that parse it see another browser than the one they run in.
TEST(UserAgent, NamesTheWebKitVersionTheEngineItselfAnnounces)
{
    QWebEngineProfile fresh; // off the record: the engine's own user agent, whatever others set
    const QString engine = fresh.httpUserAgent();
    ASSERT_TRUE(engine.contains(QLatin1String("AppleWebKit/"))) << engine.toStdString();
    EXPECT_TRUE(engine.contains(QStringLiteral("AppleWebKit/%1 ").arg(userAgentWebKitVersion()))) << engine.toStdString();
    EXPECT_TRUE(getUserAgent().contains(QStringLiteral(" AppleWebKit/%1 (KHTML, like Gecko) ZelvorStudio/").arg(userAgentWebKitVersion())));
}
