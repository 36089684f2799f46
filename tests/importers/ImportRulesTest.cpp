// The importers' rules that need no window: version order, scales, folder names, the row a
// pane shows for its state, the sheet's arithmetic, the report and the snippet context, the
// remembered scales, installing an import over an earlier one, and reading design files.
#include "importers/DiskDesignFileProbe.h"
#include "importers/ImportRules.h"
#include "importers/ImportStaging.h"
#include "importers/ImporterDefaults.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace importers;

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

TEST(ImportRules, VersionsOrderByTheirNumbers)
{
    struct Case {
        const char* a;
        const char* b;
        int order;
    } cases[] = {{"3.5.9", "3.6", -1}, {"3.6", "3.10", -1}, {"3.10", "3.6", 1}, {"3.6", "3.6.0", 0},
                 {"43", "3.6", 1},     {"49.3", "43", 1},   {"0", "43", -1},    {"13.0.0", "13", 0},
                 {"3.4.4", "3.4.10", -1}, {"10b", "9", 1}};
    for (const Case& c : cases) {
        const int order = compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b));
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " vs " << c.b;
    }
    EXPECT_FALSE(hasMinimumVersion("3.5.9", "3.6"));
    EXPECT_TRUE(hasMinimumVersion("3.10", "3.6"));
    EXPECT_TRUE(hasMinimumVersion("", "3.6")) << "an unknown version meets the minimum";
}

TEST(ImportRules, ScalesAndFolderNames)
{
    ASSERT_EQ(scaleChoices().size(), 5);
    EXPECT_EQ(scaleChoices()[1].title, "@1.5x");
    EXPECT_EQ(scaleChoiceIndex(1.0), 0);
    EXPECT_EQ(scaleChoiceIndex(2), 2);
    EXPECT_EQ(scaleChoiceIndex(2.5), -1);
    EXPECT_EQ(scaleText(1.0), "1");
    EXPECT_EQ(scaleText(1.5), "1.5");

    struct Case {
        QString document;
        double scale;
        QString folder;
    } cases[] = {{"Mobile.sketch", 2, "Mobile@2x"},
                 {"Mobile.sketch", 1, "Mobile@1x"},
                 {"My Screens.sketch", 1.5, "My Screens@1.5x"},
                 {"Banner.psd", 1, "Banner@1x"},
                 {"v1.2.final.psd", 3, "v1.2.final@3x"},
                 {"Landing", 1, "Landing@1x"},
                 // Names that would leave the folder, hide it or break the quoted path in the code.
                 {"...sketch", 1, "Untitled@1x"},
                 {"..hidden.psd", 1, "hidden@1x"},
                 {"a\"b'c#{x}.psd", 1, "a_b_c_{x}@1x"},
                 {"line\nbreak\\x.sketch", 2, "line_break_x@2x"}};
    for (const Case& c : cases)
        EXPECT_EQ(importFolderName(c.document, c.scale), c.folder) << c.document.toStdString();
}

TEST(ImportRules, FlagsMapToTheRow)
{
    const PaneTexts texts{"Sketch", "43", "Home.sketch", "icon-sketch-active", "icon-sketch-inactive", "No file chosen", ""};
    struct Case {
        bool running, version, document, scale;
        QString subtitle, icon;
        bool run, scaleShown, scaleOn;
        double alpha;
    } cases[] = {
        {false, false, false, true, "No file chosen", "icon-sketch-inactive", false, true, false, 0.3},
        {true, false, false, true, "Minimum required version is 43", "icon-sketch-inactive", false, true, false, 1},
        {true, true, false, true, "Open a saved document", "icon-sketch-active", false, true, false, 1},
        {true, true, true, true, "Home.sketch", "icon-sketch-active", true, true, true, 1},
        {true, true, true, false, "Home.sketch", "icon-sketch-active", true, false, true, 1},
    };
    for (const Case& c : cases) {
        const PaneRow row = paneRow({c.running, c.version, c.document, c.scale}, texts);
        EXPECT_EQ(row.title, "Sketch");
        EXPECT_EQ(row.subtitle, c.subtitle);
        EXPECT_EQ(row.iconImageName, c.icon) << c.subtitle.toStdString();
        EXPECT_EQ(row.runEnabled, c.run) << c.subtitle.toStdString();
        EXPECT_EQ(row.scaleVisible, c.scaleShown);
        EXPECT_EQ(row.scaleEnabled, c.scaleOn);
        EXPECT_EQ(row.textAlpha, c.alpha);
    }
    PaneTexts problem = texts;
    problem.noDocumentText = "x.sketch: Not a Sketch file";
    EXPECT_EQ(paneRow({true, true, false, true}, problem).subtitle, "x.sketch: Not a Sketch file");
}

TEST(ImportRules, SheetArithmetic)
{
    EXPECT_EQ(sheetSize(4, true), QSize(420, 324));
    EXPECT_EQ(sheetSize(4, false), QSize(420, 302));
    EXPECT_EQ(sheetSize(3, false), QSize(420, 244));
    const int ys[] = {2, 60, 118, 176};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(paneOriginY(i), ys[i]);
    EXPECT_EQ(sheetY(100, 800, 244), 100 + 800 - 244 - 69);
}

TEST(ImportRules, ReportPayloadAndSnippetContext)
{
    ImportReport report{"Mobile.sketch", "/d/Mobile.sketch", "/p/imported/Mobile@2x", "com.bohemiancoding.sketch3", 2, "done\n"};
    const QVariantMap info = report.userInfo();
    EXPECT_EQ(info.keys(), (QStringList{"docName", "docPath", "identifier", "info", "outPath", "scale"}));
    EXPECT_EQ(info.value("scale").toDouble(), 2);
    const ImportReport back = ImportReport::fromUserInfo(info);
    EXPECT_EQ(back.docName, report.docName);
    EXPECT_EQ(back.outPath, report.outPath);
    EXPECT_EQ(back.scale, 2);
    // A payload with wrong types reads as empty, with scale 1.
    const ImportReport bad = ImportReport::fromUserInfo({{"docName", 5}, {"scale", "zero"}, {"identifier", QVariantList{}}});
    EXPECT_TRUE(bad.docName.isEmpty());
    EXPECT_TRUE(bad.identifier.isEmpty());
    EXPECT_EQ(bad.scale, 1);
    EXPECT_EQ(ImportReport::fromUserInfo({{"scale", -3}}).scale, 1);

    const QVariantMap sketch = importSnippetContext("Mobile.sketch", 2, "com.bohemiancoding.sketch3");
    EXPECT_EQ(sketch.value("appName"), "Sketch");
    EXPECT_EQ(sketch.value("docName"), "Mobile");
    EXPECT_EQ(sketch.value("variableName"), "sketch");
    EXPECT_EQ(sketch.value("scale"), "2");
    EXPECT_EQ(sketch.value("scaleComment"), " (sizes and positions are scaled 1:2)");
    const QVariantMap psd = importSnippetContext("Banner.psd", 1, "com.adobe.Photoshop");
    EXPECT_EQ(psd.value("appName"), "PSD");
    EXPECT_EQ(psd.value("variableName"), "psd");
    EXPECT_EQ(psd.value("scaleComment"), "");
    EXPECT_EQ(importSnippetContext("Landing", 1, "com.figma.web").value("appName"), "Figma");
}

TEST(ImportRules, ANewImportGoesAfterTheEarlierOnesWithANameOfItsOwn)
{
    const QString psd = "# The layers of \"Back\", imported from PSD\npsd = Zelvor.Importer.load \"imported/Back@1x\"\n\n";
    const QString sketch = "# The layers of \"Home\", imported from Sketch\nsketch = Zelvor.Importer.load \"imported/Home@1x\"\n\n";
    const QString program = "card = new Layer\n\tx: 10\n";
    const QString lastLine = "a = Zelvor.Importer.load \"imported/A@1x\"";
    struct Case {
        QString code;
        QString base;
        QString name;
        qsizetype offset;
    };
    const QVector<Case> cases{
        {program, "sketch", "sketch", 0},
        {psd + program, "sketch", "sketch", psd.size() - 1},
        {psd + sketch + program, "sketch", "sketch1", psd.size() + sketch.size() - 1},
        {psd + sketch + program, "psd", "psd1", psd.size() + sketch.size() - 1},
        // the names in use, not the number of imports, decide; comparisons and properties are no names
        {"sketch1 = 2\nif sketch == 3 then a.sketch = 4\n", "sketch", "sketch", 0},
        {"sketch = 1\nsketch1 = 2\n", "sketch", "sketch2", 0},
        // an indented line or a comment that loads an import is no place to go after
        {"f = ->\n  x = Importer.load \"imported/A@1x\"\n  y = 1\n# Importer.load \"imported/B@1x\"\n", "sketch", "sketch", 0},
        {lastLine, "figma", "figma", lastLine.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.toStdString());
        EXPECT_EQ(importVariableName(c.base, c.code), c.name);
        EXPECT_EQ(importInsertionOffset(c.code), c.offset);
    }
}

TEST(ImportRules, ScaleIsRememberedPerDocument)
{
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.path() + "/defaults.json");
    EXPECT_EQ(scaleForPath(defaults, "/d/A.sketch"), 1) << "no stored scale";
    saveScale(defaults, 2, "/d/A.sketch");
    saveScale(defaults, 1.5, "/d/B.sketch");
    saveScale(defaults, 3, "");
    EXPECT_EQ(scaleForPath(defaults, "/d/A.sketch"), 2);
    EXPECT_EQ(scaleForPath(defaults, "/d/B.sketch"), 1.5);
    EXPECT_EQ(defaults.dictionaryForKey(kScaleDocumentPathsKey).size(), 2);
    // A value of another type stored by hand counts as no scale.
    defaults.setObject(kScaleDocumentPathsKey, QVariantMap{{"/d/A.sketch", "two"}});
    EXPECT_EQ(scaleForPath(defaults, "/d/A.sketch"), 1);
}

TEST(ImportStaging, ReplacesAnEarlierImportOnlyWhenComplete)
{
    QTemporaryDir dir;
    const QString imported = dir.path() + "/imported";
    write(imported + "/Home@1x/layers.json", "old");

    // Incomplete: the earlier import stays, the staging folder goes.
    auto staging = makeImportStaging(imported, "Home@1x", nullptr);
    ASSERT_TRUE(staging);
    write(staging->folder + "/layers.json", "new");
    QString error;
    EXPECT_FALSE(installImport(*staging, imported, "Home@1x", {"layers.json", "layers.json.js"}, &error));
    EXPECT_TRUE(error.contains("layers.json.js")) << error.toStdString();
    EXPECT_EQ(testsupport::readFile(imported + "/Home@1x/layers.json"), "old");
    EXPECT_FALSE(QFileInfo::exists(staging->root));

    // Complete: it takes the earlier one's place, and nothing else is left behind.
    staging = makeImportStaging(imported, "Home@1x", nullptr);
    ASSERT_TRUE(staging);
    write(staging->folder + "/layers.json", "new");
    write(staging->folder + "/layers.json.js", "js");
    EXPECT_TRUE(installImport(*staging, imported, "Home@1x", {"layers.json", "layers.json.js"}, &error));
    EXPECT_EQ(testsupport::readFile(imported + "/Home@1x/layers.json"), "new");
    EXPECT_EQ(QDir(imported).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Home@1x"});
}

TEST(ImportStaging, RefusesAnImportFolderThatLeadsOutOfTheProject)
{
    QTemporaryDir outside;
    QTemporaryDir project;
    ASSERT_TRUE(QFile::link(outside.path(), project.path() + "/imported"));
    QString error;
    EXPECT_FALSE(makeImportStaging(project.path() + "/imported", "Home@1x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QDir(outside.path()).isEmpty());

    // A link in place of an earlier import is replaced, never written through.
    const QString imported = project.path() + "/real";
    QDir().mkpath(imported);
    ASSERT_TRUE(QFile::link(outside.path(), imported + "/Home@1x"));
    auto staging = makeImportStaging(imported, "Home@1x", nullptr);
    ASSERT_TRUE(staging);
    write(staging->folder + "/layers.json", "[]");
    EXPECT_TRUE(installImport(*staging, imported, "Home@1x", {"layers.json"}, nullptr));
    EXPECT_FALSE(QFileInfo(imported + "/Home@1x").isSymLink());
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
}

QByteArray psdHeader(int version)
{
    QByteArray header("8BPS");
    header += char(0);
    header += char(version);
    header += QByteArray(20, '\0');
    return header;
}

void zipFolder(const QString& folder, const QString& zip)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start("/usr/bin/zip", {"-qr", zip, "."});
    ASSERT_TRUE(process.waitForFinished(10000));
}

TEST(DiskDesignFileProbe, ReadsTheFormatsAndRefusesOtherFiles)
{
    if (!QFileInfo::exists("/usr/bin/zip"))
        GTEST_SKIP() << "zip is not installed";
    QTemporaryDir dir;
    const QString d = dir.path();
    write(d + "/doc/meta.json", R"({"appVersion": "49.3", "version": 88})");
    write(d + "/doc/document.json", "{}");
    zipFolder(d + "/doc", d + "/New.sketch");
    zipFolder(d + "/doc/..", d + "/NoMeta.sketch"); // the meta entry is not at the top
    write(d + "/Old.sketch", QByteArray("SQLite format 3") + QByteArray(100, '\0'));
    write(d + "/Text.sketch", "just some text");
    write(d + "/Banner.psd", psdHeader(1) + QByteArray(100, '\0'));
    write(d + "/Big.psb", psdHeader(2));
    write(d + "/Short.psd", QByteArray("8BPS\0\1", 6));
    write(d + "/Bad.psd", psdHeader(7));

    const DiskDesignFileProbe sketch(DiskDesignFileProbe::Kind::Sketch);
    const DiskDesignFileProbe photoshop(DiskDesignFileProbe::Kind::Photoshop);
    struct Case {
        const DiskDesignFileProbe& probe;
        QString file;
        bool exists, document;
        QString version;
    } cases[] = {{sketch, "New.sketch", true, true, "49.3"},  {sketch, "NoMeta.sketch", true, false, ""},
                 {sketch, "Old.sketch", true, true, "0"},     {sketch, "Text.sketch", true, false, ""},
                 {sketch, "Missing.sketch", false, false, ""}, {sketch, "Banner.psd", true, false, ""},
                 {photoshop, "Banner.psd", true, true, "1"},  {photoshop, "Big.psb", true, true, "2"},
                 {photoshop, "Short.psd", true, false, ""},   {photoshop, "Bad.psd", true, false, ""},
                 {photoshop, "New.sketch", true, false, ""}};
    for (const Case& c : cases) {
        const DesignFileInfo info = c.probe.probe(d + "/" + c.file);
        EXPECT_EQ(info.exists, c.exists) << c.file.toStdString();
        EXPECT_EQ(info.isDocument, c.document) << c.file.toStdString();
        EXPECT_EQ(info.version, c.version) << c.file.toStdString();
        EXPECT_EQ(info.problem.isEmpty(), c.document) << c.file.toStdString();
    }
}

} // namespace
