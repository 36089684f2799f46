#include "messages/ProjectConfig.h"
#include "document/RBConfig.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}
} // namespace

TEST(RBConfig, MissingFileGivesEmptyValuesAndNonObjectGivesNone)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/config.json";
    EXPECT_TRUE(RBConfig(path).values().has_value());
    EXPECT_TRUE(RBConfig(path).values()->isEmpty());

    for (const QByteArray& bad : {QByteArray("{not json"), QByteArray("[1, 2]"), QByteArray("\"text\""), QByteArray("")}) {
        write(path, bad);
        EXPECT_FALSE(RBConfig(path).values().has_value()) << bad.constData();
    }
    write(path, "{\"deviceScale\": 0.5}");
    EXPECT_EQ(RBConfig(path).values()->value("deviceScale").toDouble(), 0.5);
}

TEST(RBConfig, SavesPrettyJsonAtomicallyAndKeepsAnUnreadableFileAside)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/config.json";
    write(path, "{ \"deviceType\": broken");
    RBConfig config(path);
    ASSERT_FALSE(config.values());
    config.setValues(QJsonObject{{"updateDelay", 0.3}, {"extra", "kept"}});
    ASSERT_TRUE(config.save());

    const QString text = testsupport::readFile(path);
    EXPECT_TRUE(text.contains("\n    \"updateDelay\": 0.3")) << text.toStdString(); // pretty-printed
    EXPECT_EQ(QJsonDocument::fromJson(text.toUtf8()).object().value("extra").toString(), "kept");
    // The user's unreadable text survives beside the new file.
    EXPECT_EQ(testsupport::readFile(dir.path() + "/config-unreadable.json"), "{ \"deviceType\": broken");

    // A second unreadable file does not replace the first one kept.
    write(path, "also broken");
    RBConfig again(path);
    again.setValues(QJsonObject{});
    ASSERT_TRUE(again.save());
    EXPECT_EQ(testsupport::readFile(dir.path() + "/config-unreadable.json"), "{ \"deviceType\": broken");
    EXPECT_EQ(testsupport::readFile(dir.path() + "/config-unreadable (1).json"), "also broken");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3); // no temporary file left
}

TEST(RBConfig, SaveIntoAMissingFolderFailsWithAReason)
{
    QTemporaryDir dir;
    RBConfig config(dir.path() + "/gone/config.json");
    QString error;
    EXPECT_FALSE(config.save(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(RBConfig, JsonTextOfValues)
{
    EXPECT_EQ(RBConfig::toJson(QJsonValue()), "null");
    EXPECT_EQ(RBConfig::toJson("a \"quoted\" text"), "\"a \\\"quoted\\\" text\"");
    EXPECT_EQ(RBConfig::toJson(QJsonObject{{"a", 1}}), "{\n    \"a\": 1\n}\n");
    EXPECT_EQ(RBConfig::fromJson("0.5")->toDouble(), 0.5);
    EXPECT_FALSE(RBConfig::fromJson("{").has_value());
}

TEST(ProjectConfig, EveryDefaultSurvivesAWriteAndARead)
{
    const QJsonObject defaults = ProjectConfig::makeDefaults("phone");
    EXPECT_EQ(defaults.value(ProjectConfig::DeviceType).toString(), "phone");
    for (const QString& key : {ProjectConfig::UpdateDelay, ProjectConfig::DeviceType, ProjectConfig::DeviceScale,
                               ProjectConfig::ContentScale, ProjectConfig::DeviceOrientation,
                               ProjectConfig::SharedPrototype, ProjectConfig::SelectedHand})
        EXPECT_TRUE(defaults.contains(key)) << key.toStdString();

    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("config.json");
    RBConfig written(path);
    written.setValues(defaults);
    QString error;
    ASSERT_TRUE(written.save(&error)) << error.toStdString();
    RBConfig read(path);
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        EXPECT_EQ(read.values()->value(it.key()), it.value()) << it.key().toStdString();
}

TEST(ProjectConfig, ThePageMayStoreOnlyValuesOfEachKeysKindAndRange)
{
    struct Row {
        QString key;
        QJsonValue value;
        bool accepted;
    };
    const QString huge(8 << 20, QLatin1Char('x'));
    const QList<Row> rows = {
        {ProjectConfig::DeviceType, "apple-iphone-8", true},
        {ProjectConfig::DeviceType, huge, false},
        {ProjectConfig::DeviceType, QJsonObject{{"a", 1}}, false},
        {ProjectConfig::DeviceType, QJsonArray{1, 2}, false},
        {ProjectConfig::DeviceScale, -1, true},
        {ProjectConfig::DeviceScale, 0.5, true},
        {ProjectConfig::DeviceScale, 0, false},
        {ProjectConfig::DeviceScale, 1e300, false},
        {ProjectConfig::DeviceScale, "0.5", false},
        {ProjectConfig::ContentScale, 2, true},
        {ProjectConfig::ContentScale, -3, false},
        {ProjectConfig::DeviceOrientation, 90, true},
        {ProjectConfig::DeviceOrientation, -90, true},
        {ProjectConfig::DeviceOrientation, 45, false},
        {ProjectConfig::DeviceOrientation, true, false},
        {ProjectConfig::SharedPrototype, 1, true},
        {ProjectConfig::SharedPrototype, 0.5, false},
        {ProjectConfig::UpdateDelay, 0.3, true},
        {ProjectConfig::UpdateDelay, 1e9, false},
        {ProjectConfig::SelectedHand, "left", true},
        {ProjectConfig::SelectedHand, QJsonValue(), false},
        {"fullScreen", true, true},
        {"fullScreen", huge, false},
        {"fullScreen", QJsonObject{}, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProjectConfig::acceptsValue(row.key, row.value), row.accepted)
            << row.key.toStdString() << " " << QJsonDocument(QJsonArray{row.value}).toJson(QJsonDocument::Compact).left(40).constData();
}
