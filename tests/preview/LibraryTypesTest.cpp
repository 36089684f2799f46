// The type descriptions that completion uses against the library that runs in the page.
#include "RuntimePage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject descriptions()
{
    return QJsonDocument::fromJson(
               testsupport::readFile(QStringLiteral(ZELVOR_SOURCE_DIR "/tools/inferencer/globals.json")).toUtf8())
        .object();
}

QStringList problems(RuntimePage& page, const QJsonObject& globals)
{
    const QString checker = testsupport::readFile(testsupport::fixturePath("runtime/check-types.js"));
    const QString json = QString::fromUtf8(QJsonDocument(globals).toJson(QJsonDocument::Compact));
    QStringList list;
    const QJsonValue answer = page.eval(QStringLiteral("(function(){ %1\n return checkTypes(%2); })()").arg(checker, json));
    EXPECT_TRUE(answer.isArray()) << "the checker did not run";
    for (const QJsonValue& v : answer.toArray())
        list << v.toString();
    return list;
}

class LibraryTypes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.load()); }
    RuntimePage page{QJsonObject{{"deviceType", "apple-iphone-6s-silver"}}};
};

} // namespace

TEST_F(LibraryTypes, EveryPublicNameIsDescribedAndEveryDescriptionExists)
{
    const QJsonObject globals = descriptions();
    ASSERT_FALSE(globals.isEmpty());
    EXPECT_EQ(problems(page, globals), QStringList());

    // The kinds that completion shows for the library's types.
    EXPECT_EQ(globals["@Layer"].toObject()["name"].toString(), "layer");
    EXPECT_EQ(globals["@Animation"].toObject()["name"].toString(), "animation");
    for (const char* kind : {"Screen", "Events", "Canvas", "Device", "Utils"})
        EXPECT_EQ(globals[QStringLiteral("@") + kind].toObject()["name"].toString(), kind);
    EXPECT_EQ(globals["@Color"].toObject()["name"].toString(), "color");
    EXPECT_EQ(globals["@Frame"].toObject()["name"].toString(), "frame");
    EXPECT_TRUE(globals["@LayerOptions"].toObject()["annotations"].toObject()["asLiteral"].toBool());
    EXPECT_EQ(globals["Layer"].toObject()["paramTypes"].toArray().first().toString(), "@LayerOptions");
}

TEST_F(LibraryTypes, TheCheckFindsMissingAndInventedNames)
{
    QJsonObject globals = descriptions();
    QJsonObject layer = globals["@Layer"].toObject();
    QJsonObject members = layer["members"].toObject();
    members.remove("bringToFront");
    members.insert("flyAway", QJsonObject{{"id", "func"}});
    layer["members"] = members;
    globals["@Layer"] = layer;
    globals["Teleporter"] = "@Teleporter";
    const QStringList found = problems(page, globals);
    EXPECT_TRUE(found.contains("@Layer.bringToFront has no description")) << found.join("; ").toStdString();
    EXPECT_TRUE(found.contains("@Layer.flyAway does not exist"));
    EXPECT_TRUE(found.contains("@Layer.flyAway has no documentation"));
    EXPECT_TRUE(found.contains("the global Teleporter does not exist"));
    EXPECT_TRUE(found.contains("Teleporter names the undescribed type @Teleporter"));
}
