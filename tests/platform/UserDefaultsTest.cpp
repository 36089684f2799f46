#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::UserDefaults;

namespace {

QString storeIn(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("config/UserDefaults.json"));
}

TEST(UserDefaults, ValuesKeepTheirTypesAcrossARestart)
{
    QTemporaryDir dir;
    const QDateTime launch = QDateTime::fromString(QStringLiteral("2026-01-02T03:04:05.678Z"), Qt::ISODateWithMs);
    {
        UserDefaults defaults(storeIn(dir));
        defaults.setBool(QStringLiteral("flag"), true);
        defaults.setInteger(QStringLiteral("count"), 12);
        defaults.setDouble(QStringLiteral("ratio"), 2.5);
        defaults.setString(QStringLiteral("name"), QStringLiteral("Zoë"));
        defaults.setObject(QStringLiteral("launch"), launch);
        defaults.setObject(QStringLiteral("blob"), QByteArray("\x00\x01\xff", 3));
        defaults.setObject(QStringLiteral("list"), QVariantList{1, QStringLiteral("two")});
        defaults.setObject(QStringLiteral("dict"), QVariantMap{{QStringLiteral("a/b"), 3}});
        ASSERT_TRUE(defaults.synchronize());
    }
    UserDefaults reread(storeIn(dir));
    EXPECT_EQ(reread.objectForKey(QStringLiteral("flag")).typeId(), QMetaType::Bool);
    EXPECT_TRUE(reread.boolForKey(QStringLiteral("flag")));
    EXPECT_EQ(reread.integerForKey(QStringLiteral("count")), 12);
    EXPECT_EQ(reread.objectForKey(QStringLiteral("ratio")).typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(reread.doubleForKey(QStringLiteral("ratio")), 2.5);
    EXPECT_EQ(reread.stringForKey(QStringLiteral("name")), QStringLiteral("Zoë"));
    EXPECT_EQ(reread.dateForKey(QStringLiteral("launch")), launch);
    EXPECT_EQ(reread.dataForKey(QStringLiteral("blob")), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(reread.arrayForKey(QStringLiteral("list")), (QVariantList{1, QStringLiteral("two")}));
    EXPECT_EQ(reread.dictionaryForKey(QStringLiteral("dict")).value(QStringLiteral("a/b")).toInt(), 3);
}

TEST(UserDefaults, UserValuesLieOverRegisteredDefaultsAndAbsentKeysAreAbsent)
{
    QTemporaryDir dir;
    UserDefaults defaults(storeIn(dir));
    defaults.registerDefaults({{QStringLiteral("KVCodeEditorFontSize"), 12}});
    EXPECT_TRUE(defaults.hasKey(QStringLiteral("KVCodeEditorFontSize")));
    EXPECT_FALSE(defaults.hasUserValue(QStringLiteral("KVCodeEditorFontSize")));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("KVCodeEditorFontSize")), 12);
    defaults.setInteger(QStringLiteral("KVCodeEditorFontSize"), 14);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("KVCodeEditorFontSize")), 14);
    defaults.removeObject(QStringLiteral("KVCodeEditorFontSize"));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("KVCodeEditorFontSize")), 12);

    EXPECT_FALSE(defaults.hasKey(QStringLiteral("missing")));
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("missing")).isValid());
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("missing")));
    EXPECT_TRUE(defaults.stringForKey(QStringLiteral("missing")).isNull());
    // A value of another type is not handed out as a date or a list.
    defaults.setString(QStringLiteral("text"), QStringLiteral("2026-01-01"));
    EXPECT_FALSE(defaults.dateForKey(QStringLiteral("text")).isValid());
    EXPECT_TRUE(defaults.arrayForKey(QStringLiteral("text")).isEmpty());
}

TEST(UserDefaults, AnUnreadableStoreIsKeptAsideAndTheDefaultsServe)
{
    QTemporaryDir dir;
    const QString path = storeIn(dir);
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"WelcomeWindowShowOnStartup\": tru");
    }
    UserDefaults defaults(path);
    defaults.registerDefaults({{QStringLiteral("WelcomeWindowShowOnStartup"), true}});
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("WelcomeWindowShowOnStartup")));
    EXPECT_FALSE(defaults.hasUserValue(QStringLiteral("WelcomeWindowShowOnStartup")));

    const QStringList kept = QDir(QFileInfo(path).absolutePath())
                                 .entryList({QStringLiteral("UserDefaults.json.unreadable-*")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile keptFile(QFileInfo(path).absolutePath() + QLatin1Char('/') + kept.first());
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), QByteArray("{\"WelcomeWindowShowOnStartup\": tru"));

    // The next save writes a fresh, readable store.
    defaults.setBool(QStringLiteral("x"), false);
    ASSERT_TRUE(defaults.synchronize());
    UserDefaults reread(path);
    EXPECT_TRUE(reread.hasUserValue(QStringLiteral("x")));
}

TEST(UserDefaults, AStoreThatIsNotAnObjectIsTreatedAsUnreadable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("UserDefaults.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[1, 2, 3]");
    file.close();
    UserDefaults defaults(path);
    EXPECT_FALSE(defaults.hasKey(QStringLiteral("0")));
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
