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

    // A page may come from anyone: its links never start other programs of the desktop.
    for (const char* other : {"zelvor://example.org/x.zip", "smb://example.org/share", "ssh://example.org", "apt:foo"}) {
        EXPECT_FALSE(P::opensInSystemBrowser(QUrl(QString::fromLatin1(other)), P::NavigationTypeLinkClicked, true)) << other;
        EXPECT_TRUE(P::isRefused(QUrl(QString::fromLatin1(other)), P::NavigationTypeLinkClicked)) << other;
    }
    for (const char* page : {"https://example.org/", "http://127.0.0.1:9/p/", "file:///tmp/a.html", "about:blank", "data:text/html,x"})
        EXPECT_FALSE(P::isRefused(QUrl(QString::fromLatin1(page)), P::NavigationTypeLinkClicked)) << page;
    EXPECT_TRUE(P::isRefused(QUrl(QStringLiteral("zelvor://example.org/x.zip")), P::NavigationTypeRedirect));
    EXPECT_FALSE(P::isRefused(QUrl(QStringLiteral("zelvor://example.org/x.zip")), P::NavigationTypeTyped));
}
