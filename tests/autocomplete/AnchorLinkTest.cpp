#include "messages/KVAnchorLinkHelper.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

struct AnchorCase {
    const char* key;
    bool isSource;
    const char* anchor; // empty: opens nothing
};

class AnchorRules : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(AnchorRules, KeyGivesSourceAndAnchor)
{
    const AnchorCase& c = GetParam();
    const QString key = QString::fromUtf8(c.key);
    EXPECT_EQ(KVAnchorLinkHelper::isZelvorSource(key), c.isSource) << c.key;
    EXPECT_EQ(KVAnchorLinkHelper::anchorForKey(key), QString::fromUtf8(c.anchor)) << c.key;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AnchorRules,
    ::testing::Values(
        // Constructors: the short form of the name, then the whole name, both in small letters.
        AnchorCase{"Layer", true, "layer.layer"}, AnchorCase{"ScrollComponent", true, "scroll.scrollcomponent"},
        AnchorCase{"PageComponent", true, "page.pagecomponent"}, AnchorCase{"Color", true, "color.color"},
        // The two layer kinds keep their whole name on both sides.
        AnchorCase{"VideoLayer", true, "videolayer.videolayer"},
        AnchorCase{"BackgroundLayer", true, "backgroundlayer.backgroundlayer"},
        AnchorCase{"Animation", true, "animation.animation"},
        // The four channels of a colour share the colour's entry.
        AnchorCase{"color.r", true, "color.color"}, AnchorCase{"color.a", true, "color.color"},
        AnchorCase{"color.mix", true, "color.mix"},
        // Members: the first component's short form in small letters.
        AnchorCase{"layer.x", true, "layer.x"}, AnchorCase{"Canvas.width", true, "canvas.width"},
        AnchorCase{"Events.TouchStart", true, "events.TouchStart"},
        AnchorCase{"scrollComponent.content", true, "scroll.content"},
        AnchorCase{"layer", true, "layer"},
        // Keys outside the library's documented types.
        AnchorCase{"backgroundLayer.image", false, ""}, AnchorCase{"object.x", false, ""},
        AnchorCase{"function.select", false, ""}, AnchorCase{"", false, ""},
        AnchorCase{"layer2.x", false, ""}, AnchorCase{"LAYER.x", false, ""},
        AnchorCase{".x", false, ""}));

TEST(AnchorRules, TypeShortCutsAtTheFirstCapitalAfterTheFirstCharacter)
{
    const auto shortOf = [](const char* first) { return KVAnchorLinkHelper::typeShort({QString::fromUtf8(first)}); };
    EXPECT_EQ(shortOf("ScrollComponent"), u"Scroll");
    EXPECT_EQ(shortOf("backgroundLayer"), u"background");
    EXPECT_EQ(shortOf("layer"), u"layer");
    EXPECT_EQ(shortOf("Ä"), u"Ä");
    EXPECT_EQ(shortOf("aÄb"), u"aÄb"); // only A to Z count as capitals
    EXPECT_EQ(KVAnchorLinkHelper::typeShort({}), QString());
    EXPECT_EQ(KVAnchorLinkHelper::anchorComponents(QStringLiteral("a.b.c")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

} // namespace

namespace {

QByteArray readSourceFile(const char* path)
{
    QFile file(QStringLiteral(ZELVOR_SOURCE_DIR "/") + QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every description the popup can show leads, through its link, to an entry the documentation
// page really has: the two are generated apart, so a renamed member or anchor rule shows here.
TEST(AnchorRules, EveryLinkOfAPopupDescriptionOpensAnEntryOfTheDocumentationPage)
{
    const QByteArray page = readSourceFile("resources/ZelvorDocs/native.html");
    const QJsonObject info = QJsonDocument::fromJson(readSourceFile("resources/KVAutocompleteInfo.json")).object();
    ASSERT_FALSE(page.isEmpty());
    ASSERT_FALSE(info.isEmpty());
    QSet<QString> ids;
    static const QRegularExpression id(QStringLiteral(R"re(id="([^"]+)")re"));
    for (auto match = id.globalMatch(QString::fromUtf8(page)); match.hasNext();)
        ids.insert(match.next().captured(1));

    // A constructor's text stands under its own name, a member's under its type.
    QStringList keys;
    for (auto type = info.begin(); type != info.end(); ++type) {
        const QJsonObject entries = type.value().toObject();
        if (entries.value(QStringLiteral("description")).isString())
            keys << type.key();
        else
            for (const QString& member : entries.keys())
                keys << type.key() + QLatin1Char('.') + member;
    }
    int linked = 0;
    for (const QString& key : keys) {
        const QString anchor = KVAnchorLinkHelper::anchorForKey(key);
        if (anchor.isEmpty())
            continue;
        ++linked;
        EXPECT_TRUE(ids.contains(anchor)) << key.toStdString() << " opens #" << anchor.toStdString();
    }
    EXPECT_GT(linked, 50);
}

} // namespace
