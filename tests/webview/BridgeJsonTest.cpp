#include "webview/BridgeJson.h"
#include "webview/RBWebViewPage.h"

#include <gtest/gtest.h>

TEST(BridgeJson, WritesScalarsBareAndContainersCompactly)
{
    EXPECT_EQ(bridgeToJson(QVariant()), QStringLiteral("null"));
    EXPECT_EQ(bridgeToJson(2), QStringLiteral("2"));
    EXPECT_EQ(bridgeToJson(true), QStringLiteral("true"));
    EXPECT_EQ(bridgeToJson(QVariantList{1, 2}), QStringLiteral("[1,2]"));
    EXPECT_EQ(bridgeToJson(QStringLiteral("say \"hi\"\n")), QStringLiteral("\"say \\\"hi\\\"\\n\""));
    EXPECT_EQ(bridgeToJson(QVariantMap{{QStringLiteral("a"), 1}}), QStringLiteral("{\"a\":1}"));
}

TEST(BridgeJson, ReadsAnyValueAndNothingFromBadText)
{
    EXPECT_FALSE(bridgeFromJson(QString()).isValid());
    EXPECT_FALSE(bridgeFromJson(QStringLiteral("{\"method\": ")).isValid());
    EXPECT_FALSE(bridgeFromJson(QStringLiteral("1, 2")).isValid()); // two values are not one
    EXPECT_EQ(bridgeFromJson(QStringLiteral("5")).toInt(), 5);
    EXPECT_EQ(bridgeFromJson(QStringLiteral("\"x\"")).toString(), QStringLiteral("x"));
    EXPECT_EQ(bridgeFromJson(QStringLiteral("[1]")).toList(), QVariantList{1});
}

TEST(NavigationPolicy, OnlyClickedLinksToOtherHostsLeaveTheView)
{
    using P = RBWebViewPage;
    EXPECT_TRUE(P::opensInSystemBrowser(QUrl(QStringLiteral("https://example.org/docs")), P::NavigationTypeLinkClicked, true));
    EXPECT_FALSE(P::opensInSystemBrowser(QUrl(QStringLiteral("https://example.org/docs")), P::NavigationTypeLinkClicked, false));
    EXPECT_FALSE(P::opensInSystemBrowser(QUrl(QStringLiteral("https://example.org/")), P::NavigationTypeReload, true));
    EXPECT_FALSE(P::opensInSystemBrowser(QUrl(QStringLiteral("http://localhost:8000/x")), P::NavigationTypeLinkClicked, true));
    EXPECT_FALSE(P::opensInSystemBrowser(QUrl(QStringLiteral("http://127.0.0.1:8000/x")), P::NavigationTypeLinkClicked, true));
    EXPECT_FALSE(P::opensInSystemBrowser(QUrl(QStringLiteral("file:///tmp/a.html")), P::NavigationTypeLinkClicked, true));
}
