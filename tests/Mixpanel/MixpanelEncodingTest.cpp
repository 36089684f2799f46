#include "Mixpanel/MixpanelDevice.h"
#include "Mixpanel/MixpanelEncoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

TEST(MixpanelEncodingTest, RecordsBecomeJSONReadyValues)
{
    const QVariantMap record{
        {"date", QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9, 42), Qt::UTC)},
        {"url", QUrl("https://example.com/a b")},
        {"flag", true},
        {"count", 3},
        {"nothing", QVariant()},
        {"list", QVariantList{1, "two", QVariantMap{{"k", 1.5}}}},
    };
    const QJsonObject json = JSONSerializableObjectForObject(record).toObject();
    EXPECT_EQ(json["date"].toString(), "2024-02-29T13:05:09.042Z");
    EXPECT_EQ(json["url"].toString(), "https://example.com/a%20b");
    EXPECT_EQ(json["flag"], QJsonValue(true));
    EXPECT_EQ(json["count"].toInt(), 3);
    EXPECT_TRUE(json["nothing"].isNull());
    EXPECT_EQ(json["list"].toArray()[2].toObject()["k"].toDouble(), 1.5);
}

TEST(MixpanelEncodingTest, TheUploadBodyIsPercentEncodedBase64OfCompactJSON)
{
    // Chosen so that the Base64 text holds "+", "/" and "=".
    const QVariantList batch{QVariantMap{{"event", "~~~?" "?>"}}};
    const QByteArray body = uploadBody(batch);
    ASSERT_TRUE(body.startsWith("ip=1&data="));
    const QByteArray data = body.mid(10);
    EXPECT_FALSE(data.contains('+'));
    EXPECT_FALSE(data.contains('/'));
    EXPECT_FALSE(data.contains('='));
    const QByteArray base64 = QUrl::fromPercentEncoding(data).toLatin1();
    EXPECT_TRUE(base64.contains('/') || base64.contains('+'));
    EXPECT_EQ(QByteArray::fromBase64(base64), QByteArray("[{\"event\":\"~~~?" "?>\"}]"));
}

TEST(MixpanelEncodingTest, HMACSHA1MatchesTheKnownDigest)
{
    EXPECT_EQ(calculateHMACSHA1withString("The quick brown fox jumps over the lazy dog", "key"),
              "DE7C9B85B8B78AA6BC8A7A36F70A90701C9DB4D9");
}

TEST(MixpanelEncodingTest, TheDeviceStringListsAddressesByInterfaceName)
{
    const QList<HardwareInterface> list{
        {"wlan0", QByteArray::fromHex("a0b1c2d3e4f5")},
        {"Eth0", QByteArray::fromHex("001122334455")},
        {"bad", QByteArray::fromHex("0011")},
    };
    EXPECT_EQ(uniqueDeviceString("Zelvor", list), "Zelvor00:11:22:33:44:55a0:b1:c2:d3:e4:f5");
    EXPECT_EQ(uniqueDeviceString("Zelvor", {}), "Zelvor");
}

} // namespace
