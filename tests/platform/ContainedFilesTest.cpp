#include "platform/ContainedFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// A project folder and a folder beside it that stands for the rest of the user's disk.
struct Folders {
    QTemporaryDir dir;
    QString project = dir.filePath(QStringLiteral("P.zelvor"));
    QString outside = dir.filePath(QStringLiteral("outside"));

    Folders()
    {
        QDir().mkpath(project + QStringLiteral("/zelvor"));
        QDir().mkpath(outside + QStringLiteral("/folder"));
        testsupport::writeFile(outside + QStringLiteral("/secret"), "outside bytes");
        testsupport::writeFile(project + QStringLiteral("/own.html"), "own bytes");
    }
    QString in(const QString& relative) const { return project + QLatin1Char('/') + relative; }
    bool link(const QString& target, const QString& relative) const
    {
        return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(in(relative)).constData()) == 0;
    }
    bool pipe(const QString& relative) const { return ::mkfifo(QFile::encodeName(in(relative)).constData(), 0600) == 0; }
};

TEST(ContainedFiles, TellsWhatStandsInsideTheFolderWithoutTrustingLinks)
{
    Folders f;
    ASSERT_TRUE(f.link(f.outside + "/secret", "absolute.html"));
    ASSERT_TRUE(f.link("../outside/secret", "relative.html"));
    ASSERT_TRUE(f.link("own.html", "inside.html"));
    ASSERT_TRUE(f.link("zelvor/../../outside/secret", "back-out.html"));
    ASSERT_TRUE(f.link(f.outside + "/nothing", "dangling.html"));
    ASSERT_TRUE(f.link(f.outside + "/folder", "linked"));
    ASSERT_TRUE(f.link("loop", "loop"));
    ASSERT_TRUE(f.pipe("pipe.html"));
    struct Row {
        QString path;
        EntryKind kind;
    };
    const QList<Row> rows = {
        {f.in("own.html"), EntryKind::File},
        {f.in("inside.html"), EntryKind::File},
        {f.in("zelvor"), EntryKind::Folder},
        {f.in("absolute.html"), EntryKind::Outside},
        {f.in("relative.html"), EntryKind::Outside},
        {f.in("back-out.html"), EntryKind::Outside},
        {f.in("linked"), EntryKind::Outside},
        {f.in("linked/anything"), EntryKind::Missing},
        {f.in("dangling.html"), EntryKind::Missing},
        {f.in("loop"), EntryKind::Missing},
        {f.in("pipe.html"), EntryKind::Special},
        {f.in("none.html"), EntryKind::Missing},
        {f.in("../outside/secret"), EntryKind::Outside},
    };
    for (const Row& row : rows)
        EXPECT_EQ(int(entryKindInside(f.project, row.path)), int(row.kind)) << row.path.toStdString();

    EXPECT_TRUE(resolvesInside(f.project, f.in("zelvor/backups/new")));
    EXPECT_FALSE(resolvesInside(f.project, f.in("linked/new")));
    EXPECT_FALSE(resolvesInside(f.project, f.in("dangling.html/new"))) << "made through a link to nothing";
    EXPECT_TRUE(entryProblemInside(f.project, f.in("absolute.html")).contains("outside the project"));
    EXPECT_TRUE(entryProblemInside(f.project, f.in("own.html")).isEmpty());
}

TEST(ContainedFiles, ReadsOnlyRegularFilesOfTheFolderAndNeverWaitsOnAPipe)
{
    Folders f;
    ASSERT_TRUE(f.link(f.outside + "/secret", "out.html"));
    ASSERT_TRUE(f.pipe("pipe.html"));

    EXPECT_EQ(readFileInside(f.project, f.in("own.html")).value_or("none"), QByteArray("own bytes"));
    QString error;
    EXPECT_FALSE(readFileInside(f.project, f.in("out.html"), &error));
    EXPECT_TRUE(error.contains("out.html")) << error.toStdString();
    EXPECT_FALSE(readFileInside(f.project, f.in("own.html"), &error, 3));
    EXPECT_TRUE(error.contains("too large")) << error.toStdString();

    // Opening a pipe for reading waits for a writer: the read must answer at once instead.
    auto read = std::async(std::launch::async, [&] { return readFileInside(f.project, f.in("pipe.html"), &error); });
    const bool answered = read.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!answered) {
        const int writer = ::open(QFile::encodeName(f.in("pipe.html")).constData(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
    }
    ASSERT_TRUE(answered) << "the read waited on the pipe";
    EXPECT_FALSE(read.get());
    EXPECT_TRUE(error.contains("not a regular file")) << error.toStdString();
}

TEST(ContainedFiles, WritesReplaceLinksThatLeadOutAndNeverWriteThroughThem)
{
    Folders f;
    ASSERT_TRUE(f.link(f.outside + "/secret", ".temp.html"));
    ASSERT_TRUE(f.link(f.outside + "/not-yet", "dangling.html"));
    ASSERT_TRUE(f.link("own.html", "inside.html"));
    ASSERT_TRUE(f.link(f.outside + "/folder", "linked"));
    ASSERT_TRUE(f.pipe("pipe.html"));

    EXPECT_TRUE(writeFileInside(f.project, f.in(".temp.html"), "page"));
    EXPECT_FALSE(QFileInfo(f.in(".temp.html")).isSymLink());
    EXPECT_EQ(testsupport::readFile(f.in(".temp.html")), "page");
    EXPECT_EQ(testsupport::readFile(f.outside + "/secret"), "outside bytes");

    EXPECT_TRUE(writeFileInside(f.project, f.in("dangling.html"), "page"));
    EXPECT_FALSE(QFileInfo::exists(f.outside + "/not-yet")) << "a link to nothing made its target";

    // A link between files of the project stays, and its file gets the text.
    EXPECT_TRUE(writeFileInside(f.project, f.in("inside.html"), "new own"));
    EXPECT_TRUE(QFileInfo(f.in("inside.html")).isSymLink());
    EXPECT_EQ(testsupport::readFile(f.in("own.html")), "new own");

    EXPECT_TRUE(writeFileInside(f.project, f.in("pipe.html"), "page"));
    EXPECT_EQ(testsupport::readFile(f.in("pipe.html")), "page");

    QString error;
    EXPECT_FALSE(writeFileInside(f.project, f.in("linked/config.json"), "{}", &error));
    EXPECT_TRUE(error.contains("outside the project")) << error.toStdString();
    EXPECT_FALSE(writeFileInside(f.project, f.in("zelvor"), "x", &error));
    EXPECT_FALSE(makeFolderInside(f.project, f.in("linked/backups"), &error));
    EXPECT_TRUE(makeFolderInside(f.project, f.in("zelvor/backups/deep")));
    EXPECT_EQ(QDir(f.outside + "/folder").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(QDir(f.project).entryList({".*.*"}, QDir::Files | QDir::Hidden).filter(".temp.html."), QStringList())
        << "no temporary file left";
}

TEST(ContainedFiles, AFailedWriteLeavesTheOldFileAndSaysWhyInTheUsersWords)
{
    Folders f;
    QString error;
    bool written = true;
    ASSERT_TRUE(testsupport::whileDiskIsFull([&] { written = writeFileInside(f.project, f.in("own.html"), QByteArray(1 << 20, 'x'), &error); }));
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.startsWith("\u201Cown.html\u201D could not be written: ")) << error.toStdString();
    EXPECT_EQ(testsupport::readFile(f.in("own.html")), "own bytes");
    // A disk or a quota without room is named as such, not by the system's code.
    EXPECT_EQ(fileErrorText(ENOSPC), "The disk is full");
    EXPECT_EQ(fileErrorText(EDQUOT), "The disk is full");
}

} // namespace
