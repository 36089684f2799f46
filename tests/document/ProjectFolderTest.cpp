#include "document/ProjectFolder.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {
QString templateFolder()
{
    return platform::Bundle::main().pathForResource("ZelvorTemplate");
}

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}
} // namespace

TEST(ProjectFolder, TheTemplateHasWhatEveryProjectNeeds)
{
    const QString t = templateFolder();
    ASSERT_FALSE(t.isEmpty());
    for (const char* entry : {"index.html", "app.coffee", "images", "modules", "zelvor", "zelvor/images"})
        EXPECT_TRUE(QFileInfo::exists(t + "/" + entry)) << entry;
    const QString icons = platform::Bundle::main().pathForResource("ZelvorTemplateTouchIcons");
    for (int variant = 1; variant <= 4; ++variant)
        for (int size : ProjectFolder::touchIconSizes) {
            const QString icon = QString("%1/%2-%3.png").arg(icons).arg(size).arg(variant);
            EXPECT_TRUE(QFileInfo(icon).size() > 0) << icon.toStdString();
        }
    EXPECT_FALSE(platform::Bundle::main().pathForResource("AppCoffeeNonExisting", "coffee", "Snippets").isEmpty());
}

TEST(ProjectFolder, ANewProjectIsMadeFromTheTemplate)
{
    QTemporaryDir dir;
    const QString project = dir.path() + "/Menu.zelvor";
    const auto made = ProjectFolder::createProjectAtPath(project, QString("x = 1\n"), templateFolder());
    EXPECT_TRUE(made.ok) << made.errors.join("\n").toStdString();
    EXPECT_TRUE(made.created);
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "x = 1\n");
    EXPECT_EQ(testsupport::readFile(project + "/index.html"), testsupport::readFile(templateFolder() + "/index.html"));
    EXPECT_TRUE(QFileInfo(project + "/modules").isDir());
    EXPECT_TRUE(QFileInfo(project + "/zelvor/images").isDir());
}

TEST(ProjectFolder, MergingLeavesEveryExistingFileAlone)
{
    QTemporaryDir dir;
    const QString project = dir.path() + "/Old.zelvor";
    write(project + "/app.coffee", "mine");
    write(project + "/zelvor/config.json", "{\"deviceScale\": 0.5}");
    write(project + "/images", "a file where the template has a folder");
    const QDateTime before = QFileInfo(project + "/app.coffee").lastModified();

    const auto made = ProjectFolder::createProjectAtPath(project, std::nullopt, templateFolder());
    EXPECT_FALSE(made.created);
    EXPECT_TRUE(made.ok);
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "mine");
    EXPECT_EQ(QFileInfo(project + "/app.coffee").lastModified(), before);
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/config.json"), "{\"deviceScale\": 0.5}");
    EXPECT_EQ(testsupport::readFile(project + "/images"), "a file where the template has a folder");
    EXPECT_TRUE(QFileInfo(project + "/index.html").isFile()); // the missing entry came back
}

TEST(ProjectFolder, BadPlacesAreReportedNotHalfWritten)
{
    QTemporaryDir dir;
    // A path that is a file.
    write(dir.path() + "/file.zelvor", "not a folder");
    auto made = ProjectFolder::createProjectAtPath(dir.path() + "/file.zelvor", QString("x"), templateFolder());
    EXPECT_FALSE(made.ok);
    EXPECT_EQ(testsupport::readFile(dir.path() + "/file.zelvor"), "not a folder");

    // A missing template.
    made = ProjectFolder::createProjectAtPath(dir.path() + "/New.zelvor", std::nullopt, dir.path() + "/no-template");
    EXPECT_FALSE(made.ok);
    EXPECT_TRUE(made.errors.join(" ").contains("template"));

    // A folder that is not writable (root may write anywhere: then there is nothing to see).
    const QString locked = dir.path() + "/Locked.zelvor";
    ASSERT_TRUE(QDir().mkpath(locked));
    write(locked + "/app.coffee", "kept");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(locked).isWritable() || QFile(locked + "/probe").open(QIODevice::WriteOnly) == false) {
        made = ProjectFolder::createProjectAtPath(locked, QString("new text"), templateFolder());
        EXPECT_FALSE(made.ok);
        EXPECT_FALSE(made.programWritten);
        EXPECT_EQ(testsupport::readFile(locked + "/app.coffee"), "kept");
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(ProjectFolder, LinksAreCopiedAsLinksSoALoopEnds)
{
    QTemporaryDir dir;
    const QString source = dir.path() + "/source";
    write(source + "/modules/a.coffee", "a");
    ASSERT_TRUE(QFile::link("..", source + "/modules/loop"));
    QStringList errors;
    ProjectFolder::copyFilesFrom(source, dir.path() + "/copy", true, false, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(testsupport::readFile(dir.path() + "/copy/modules/a.coffee"), "a");
    EXPECT_TRUE(QFileInfo(dir.path() + "/copy/modules/loop").isSymLink());
}

TEST(ProjectFolder, TouchIconsShareOneVariant)
{
    QTemporaryDir dir;
    const QString project = dir.path() + "/P.zelvor";
    ASSERT_TRUE(ProjectFolder::createProjectAtPath(project, std::nullopt, templateFolder()).ok);
    const QString icons = platform::Bundle::main().pathForResource("ZelvorTemplateTouchIcons");
    EXPECT_TRUE(ProjectFolder::addTouchIconsToProject(project, icons, 3).isEmpty());
    for (int size : ProjectFolder::touchIconSizes)
        EXPECT_EQ(platform::md5OfFile(QString("%1/zelvor/images/icon-%2.png").arg(project).arg(size)),
                  platform::md5OfFile(QString("%1/%2-3.png").arg(icons).arg(size)));
}

TEST(ProjectFolder, VersionFileReadsAsNumberZeroOrMinusOne)
{
    QTemporaryDir dir;
    const QString p = dir.path();
    EXPECT_EQ(ProjectFolder::documentVersion(p), -1);
    write(p + "/zelvor/version", "2\n");
    EXPECT_EQ(ProjectFolder::documentVersion(p), 2);
    write(p + "/zelvor/version", "banana");
    EXPECT_EQ(ProjectFolder::documentVersion(p), 0);
    write(p + "/zelvor/version", "\x01\xff\xfe garbage");
    EXPECT_EQ(ProjectFolder::documentVersion(p), 0);
    EXPECT_TRUE(ProjectFolder::writeDocumentVersion(p));
    EXPECT_EQ(testsupport::readFile(p + "/zelvor/version"), "2"); // no line end

    // On a full disk (a file size limit of nothing here) the old number stays readable: an
    // emptied file would read as an old project and ask for an upgrade.
    write(p + "/zelvor/version", "1");
    bool written = true;
    ASSERT_TRUE(testsupport::whileDiskIsFull([&] { written = ProjectFolder::writeDocumentVersion(p); }));
    EXPECT_FALSE(written);
    EXPECT_EQ(ProjectFolder::documentVersion(p), 1);
}

TEST(ProjectFolder, UpgradeCopyNames)
{
    EXPECT_EQ(ProjectFolder::upgradeCopyName("Menu"), "Menu-update");
    EXPECT_EQ(ProjectFolder::upgradeCopyName("Menu-update"), "Menu-update2");
    EXPECT_EQ(ProjectFolder::upgradeCopyName("Menu-update7"), "Menu-update8");
    EXPECT_EQ(ProjectFolder::upgradeCopyName("Menu-update9"), "Menu-update10");
    EXPECT_EQ(ProjectFolder::upgradeCopyName("Menu-updated"), "Menu-updated-update");
    EXPECT_EQ(ProjectFolder::upgradeCopyName("My update"), "My update-update");
}

TEST(ProjectFolder, BackupsKeepTheNewestFiveByModificationTime)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QDateTime base = QDateTime::currentDateTime().addSecs(-1000);
    // Names that sort the other way round from their times: the times decide.
    for (int i = 0; i < 7; ++i) {
        const QString path = QString("%1/backup-%2.coffee").arg(folder).arg(100 - i);
        write(path, QByteArray::number(i));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(base.addSecs(i * 10), QFileDevice::FileModificationTime));
    }
    write(folder + "/.hidden", "left alone");
    const QStringList removed = ProjectFolder::pruneBackups(folder);
    ASSERT_EQ(removed.size(), 2);
    EXPECT_TRUE(removed.contains(folder + "/backup-100.coffee"));
    EXPECT_TRUE(removed.contains(folder + "/backup-99.coffee"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 5);
    EXPECT_TRUE(QFileInfo::exists(folder + "/.hidden"));
    EXPECT_TRUE(ProjectFolder::pruneBackups(folder).isEmpty());
}

// Where Save As may put a project: never inside itself, never over a folder that holds the
// folder it works in, never onto a project another window has open; its own place always.
TEST(ProjectFolder, SaveTargetRules)
{
    QTemporaryDir root;
    const QString own = root.filePath(QStringLiteral("Menu.zelvor"));
    const QString temporary = root.filePath(QStringLiteral("tmp/Untitled.zelvor"));
    QDir().mkpath(own);
    QDir().mkpath(temporary);
    struct Case {
        QString target, ownPath, workingPath;
        bool openElsewhere;
        const char* problem; // a word of the message, or "" when the target is fine
    };
    const QList<Case> cases = {
        {own, own, own, true, ""}, // its own place, even if it looks open elsewhere
        {root.filePath(QStringLiteral("Copy.zelvor")), own, own, false, ""},
        {own + QStringLiteral("/Inner.zelvor"), own, own, false, "inside its own folder"},
        {root.path(), own, own, false, "holds it"},
        {root.filePath(QStringLiteral("tmp")), QString(), temporary, false, "holds it"},
        {root.filePath(QStringLiteral("Other.zelvor")), QString(), temporary, true, "open in another window"},
        {root.filePath(QStringLiteral("New.zelvor")), QString(), temporary, false, ""},
    };
    for (const Case& c : cases) {
        const QString problem = ProjectFolder::saveTargetProblem(c.target, c.ownPath, c.workingPath, c.openElsewhere);
        if (QByteArray(c.problem).isEmpty())
            EXPECT_TRUE(problem.isEmpty()) << c.target.toStdString() << ": " << problem.toStdString();
        else
            EXPECT_TRUE(problem.contains(QLatin1String(c.problem))) << c.target.toStdString() << ": " << problem.toStdString();
    }
}
