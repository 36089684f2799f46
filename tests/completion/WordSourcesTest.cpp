#include "completion/ImportedLayers.h"
#include "completion/LanguageCompletions.h"
#include "completion/ModuleFilenameCompletions.h"
#include "completion/WordListLoader.h"
#include "completion/WordsInCodeCompletions.h"
#include "platform/NotificationCenter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kRefresh = QStringLiteral("CompletionTestRefresh");

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

QStringList wordsOf(const QList<Completion>& completions)
{
    QStringList words;
    for (const Completion& c : completions)
        words.append(c.word);
    return words;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

TEST(WordListLoader, ReadsWordsAndSkipsCommentLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    write(path, "# a comment\n   \t# indented comment\nalpha # beta\r\ngamma-delta, epsilon\n\n"
                "\xe2\x80\xa8zeta zeta\rtrue True");
    const QList<Completion> list = loadLanguageCompletions(path, LanguageCompletions::wordToCompletion);
    EXPECT_EQ(wordsOf(list), QStringList({"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "zeta", "true", "True"}));
    EXPECT_EQ(list[7].type, AutocompleteType::Boolean);
    EXPECT_EQ(list[7].score, Completion::kResolvedTypeScore);
    ASSERT_TRUE(list[7].codeType);
    EXPECT_EQ(list[7].codeType->kind(), Type::Kind::Literal);
    EXPECT_EQ(list[8].type, AutocompleteType::Language);
    EXPECT_EQ(list[8].score, Completion::kLanguageScore);

    EXPECT_TRUE(loadLanguageCompletions(dir.filePath("missing.txt"), LanguageCompletions::wordToCompletion).isEmpty());
    EXPECT_TRUE(loadLanguageCompletions(QString(), LanguageCompletions::wordToCompletion).isEmpty());
    write(dir.filePath("latin1.txt"), "caf\xe9 ok");
    EXPECT_TRUE(loadLanguageCompletions(dir.filePath("latin1.txt"), LanguageCompletions::wordToCompletion).isEmpty());
}

TEST(WordListLoader, ShippedListsHoldTheLanguageAndLibraryWords)
{
    const QStringList keywords = wordsOf(LanguageCompletions::completions());
    for (const char* word : {"if", "unless", "then", "true", "false", "require", "Object"})
        EXPECT_TRUE(keywords.contains(word)) << word;
    const QStringList custom = wordsOf(loadLanguageCompletions(wordListPath("words"), LanguageCompletions::wordToCompletion));
    for (const char* word : {"Layer", "backgroundColor", "properties", "curve"})
        EXPECT_TRUE(custom.contains(word)) << word;
}

TEST(WordsInCode, SkipsShortWordsAndPixelMeasures)
{
    const QHash<QString, qint64> words{{"a", 3}, {"ab", 1}, {"12px", 1}, {"w12pxh", 1}, {"px", 2}, {"layerA", 4}};
    const QList<Completion> list = wordsInCodeCompletions(words);
    EXPECT_EQ(sorted(wordsOf(list)), QStringList({"ab", "layerA", "px"}));
    for (const Completion& c : list) {
        EXPECT_EQ(c.score, Completion::kUserCodeScore);
        EXPECT_EQ(c.type, AutocompleteType::Word);
    }
}

TEST(ModuleFileNames, ListsVisibleModulesWithoutExtensions)
{
    QTemporaryDir dir;
    const QString modules = dir.filePath("modules");
    for (const char* name : {"input.coffee", "Utils.js", "README", "archive.tar.gz", ".gitkeep", ".input.coffee.swp",
                             "input.coffee~", "with blank.js", "percent%20sign.js"})
        write(modules + "/" + name, "x");
    EXPECT_EQ(sorted(moduleNamesInFolder(modules)),
              QStringList({"README", "Utils", "archive.tar", "input", "percent sign"}));

    EXPECT_TRUE(moduleNamesInFolder(dir.filePath("missing")).isEmpty());
    write(dir.filePath("file/modules"), "not a folder");
    EXPECT_TRUE(moduleNamesInFolder(dir.filePath("file/modules")).isEmpty());
    QDir().mkpath(dir.filePath("loop"));
    QFile::link(dir.filePath("loop/modules"), dir.filePath("loop/modules"));
    EXPECT_TRUE(moduleNamesInFolder(dir.filePath("loop/modules")).isEmpty());
}

TEST(ModuleFileNames, SourceFollowsTheFolderAtEachRefresh)
{
    QTemporaryDir dir;
    write(dir.filePath("modules/first.coffee"), "x");
    ModuleFilenameCompletions source(dir.path(), kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !source.isListing(); }));
    ASSERT_EQ(wordsOf(source.moduleFileNames()), QStringList({"first"}));
    EXPECT_EQ(source.moduleFileNames()[0].score, Completion::kModuleFileNameScore);
    EXPECT_EQ(source.moduleFileNames()[0].type, AutocompleteType::Modules);

    write(dir.filePath("modules/second.js"), "x");
    platform::NotificationCenter::defaultCenter().post(kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !source.isListing(); }));
    EXPECT_EQ(sorted(wordsOf(source.moduleFileNames())), QStringList({"first", "second"}));

    // A deleted folder offers nothing any more.
    QDir(dir.filePath("modules")).removeRecursively();
    platform::NotificationCenter::defaultCenter().post(kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !source.isListing(); }));
    EXPECT_TRUE(source.moduleFileNames().isEmpty());
}

TEST(ModuleFileNames, ListingThatEndsAfterTheSourceIsGoneIsDropped)
{
    QTemporaryDir dir;
    for (int i = 0; i < 2000; ++i)
        write(dir.filePath(QStringLiteral("modules/m%1.js").arg(i)), "");
    for (int i = 0; i < 20; ++i) {
        auto source = std::make_unique<ModuleFilenameCompletions>(dir.path(), kRefresh);
        platform::NotificationCenter::defaultCenter().post(kRefresh);
        source.reset();
    }
    testsupport::spin(300); // the listings finish and find their sources gone
    ModuleFilenameCompletions last(dir.path(), kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !last.isListing(); }));
    EXPECT_EQ(last.moduleFileNames().size(), 2000);
}

TEST(ImportedLayers, ReadsNamesAtEveryDepthAndSurvivesBadFiles)
{
    QTemporaryDir dir;
    const QString imported = dir.filePath("imported");
    write(imported + "/Home@2x/layers.json",
          R"([{"name": "header", "children": [{"name": "logo"}, {"nameless": 1, "children": [{"name": "deep"}]},
               {"name": 5, "children": {"name": "inObject"}}]}, {"name": "footer"}])");
    write(imported + "/Object/layers.json", R"({"name": "top"})");
    write(imported + "/Numbers/layers.json", "[1, 2, 3]");
    write(imported + "/Broken/layers.json", "[{\"name\": ");
    write(imported + "/plain.txt", "a file, not a folder");
    QByteArray deep(10000, '[');
    deep += QByteArray(10000, ']');
    write(imported + "/Deep/layers.json", deep);
    QByteArray big = "[";
    while (big.size() < ImportedLayers::kMaxLayerInfoSize + 10)
        big += R"({"name": "padding"},)";
    big += R"({"name": "last"}])";
    write(imported + "/Big/layers.json", big);

    const QMap<QString, QStringList> table = readImportedLayerNames(dir.path());
    EXPECT_EQ(sorted(table.value("\"imported/Home@2x\"")), QStringList({"deep", "footer", "header", "inObject", "logo"}));
    for (const char* key : {"\"imported/Object\"", "\"imported/Numbers\"", "\"imported/Broken\"",
                            "\"imported/plain.txt\"", "\"imported/Deep\"", "\"imported/Big\""}) {
        ASSERT_TRUE(table.contains(key)) << key;
        EXPECT_TRUE(table.value(key).isEmpty()) << key;
    }
    EXPECT_TRUE(readImportedLayerNames(dir.filePath("nothing")).isEmpty());
}

TEST(ImportedLayers, TableFollowsTheRefreshNotification)
{
    QTemporaryDir dir;
    write(dir.filePath("imported/A/layers.json"), R"([{"name": "one"}])");
    ImportedLayers layers(dir.path(), kRefresh);
    EXPECT_TRUE(layers.layerNames().isEmpty()) << "nothing is read before the first refresh";
    platform::NotificationCenter::defaultCenter().post(kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !layers.isReading(); }));
    EXPECT_EQ(layers.layerNames().value("\"imported/A\""), QStringList({"one"}));

    QDir(dir.filePath("imported/A")).removeRecursively();
    write(dir.filePath("imported/B/layers.json"), R"([{"name": "two"}])");
    platform::NotificationCenter::defaultCenter().post(kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !layers.isReading(); }));
    EXPECT_EQ(layers.layerNames().keys(), QStringList({"\"imported/B\""}));
}
