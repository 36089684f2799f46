#include "platform/FileUtils.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

void touch(const QString& path, const QByteArray& content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(FileUtils, AtomicWriteLeavesEitherTheOldOrTheNewFileNeverAPart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("app.coffee"));
    const QByteArray oldContent(100000, 'a');
    const QByteArray newContent(200000, 'b');
    ASSERT_TRUE(writeFileAtomically(path, oldContent));

    // A reader racing the writer only ever sees one of the two complete contents.
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const QByteArray seen = readFile(path);
            if (!seen.isEmpty() && seen != oldContent && seen != newContent)
                ++torn;
        }
    });
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(writeFileAtomically(path, i % 2 ? oldContent : newContent));
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);

    // A write that cannot happen leaves the file as it was and says so.
    const QString inMissingFolder = dir.filePath(QStringLiteral("missing/app.coffee"));
    EXPECT_FALSE(writeFileAtomically(inMissingFolder, "x"));
    EXPECT_TRUE(writeTextAtomically(path, QStringLiteral("ünïcode")));
    EXPECT_EQ(readTextFile(path), QStringLiteral("ünïcode"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1); // no temporary left
}

TEST(FileUtils, AnAtomicWriteOnAFullDiskFailsAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("app.coffee"));
    ASSERT_TRUE(writeTextAtomically(path, QStringLiteral("kept = 1\n")));

    // A file size limit of nothing fails every write as a full disk does; small writes are
    // buffered, so the failure only shows when the buffer goes to the disk.
    bool small = true;
    bool large = true;
    ASSERT_TRUE(testsupport::whileDiskIsFull([&] {
        small = writeTextAtomically(path, QStringLiteral("lost = 1\n"));
        large = writeFileAtomically(path, QByteArray(1 << 20, 'x'));
    }));

    EXPECT_FALSE(small);
    EXPECT_FALSE(large);
    EXPECT_EQ(readTextFile(path), QStringLiteral("kept = 1\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST(FileUtils, CopyMergesFoldersWithoutReplacingExistingFiles)
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("template/index.html")), "template");
    touch(dir.filePath(QStringLiteral("template/images/a.png")), "png");
    touch(dir.filePath(QStringLiteral("project/index.html")), "mine");

    EXPECT_TRUE(copyItem(dir.filePath(QStringLiteral("template")), dir.filePath(QStringLiteral("project"))));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("project/index.html"))), QByteArray("mine"));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("project/images/a.png"))), QByteArray("png"));

    EXPECT_TRUE(copyItem(dir.filePath(QStringLiteral("template")), dir.filePath(QStringLiteral("project")), true));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("project/index.html"))), QByteArray("template"));
    EXPECT_FALSE(copyItem(dir.filePath(QStringLiteral("nothing")), dir.filePath(QStringLiteral("x"))));
}

TEST(FileUtils, MoveToTrashFollowsTheFreedesktopLayout)
{
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    touch(dir.filePath(QStringLiteral("work/old project.zelvor/app.coffee")));
    touch(dir.filePath(QStringLiteral("other/old project.zelvor")));

    const QString first = moveToTrash(dir.filePath(QStringLiteral("work/old project.zelvor")));
    const QString second = moveToTrash(dir.filePath(QStringLiteral("other/old project.zelvor")));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second); // equal names get distinct places in the trash
    EXPECT_TRUE(QFileInfo::exists(first + QStringLiteral("/app.coffee")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("work/old project.zelvor"))));

    const QString info = dir.filePath(QStringLiteral("data/Trash/info/")) + QFileInfo(first).fileName() + QStringLiteral(".trashinfo");
    const QString record = QString::fromUtf8(readFile(info));
    EXPECT_TRUE(record.startsWith(QStringLiteral("[Trash Info]\nPath=")));
    EXPECT_TRUE(record.contains(QStringLiteral("old%20project.zelvor")));
    EXPECT_TRUE(record.contains(QStringLiteral("DeletionDate=")));
    EXPECT_TRUE(moveToTrash(dir.filePath(QStringLiteral("does-not-exist"))).isEmpty());
    qunsetenv("XDG_DATA_HOME");
}

TEST(FileUtils, AnItemOnAnotherFileSystemGoesToThatFileSystemsTrash)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    // /dev/shm is a file system of its own on most Linux systems.
    struct stat homeStat {}, otherStat {};
    if (::stat(QFile::encodeName(home.path()).constData(), &homeStat) != 0 || ::stat("/dev/shm", &otherStat) != 0
        || homeStat.st_dev == otherStat.st_dev || !QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        qunsetenv("XDG_DATA_HOME");
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    }
    const QString topTrash = QStringLiteral("/dev/shm/.Trash-%1").arg(::getuid());
    const bool topTrashExisted = QFileInfo::exists(topTrash);
    QTemporaryDir other(QStringLiteral("/dev/shm/zelvor-trash-test-XXXXXX"));
    ASSERT_TRUE(other.isValid());
    touch(other.filePath(QStringLiteral("Menu.zelvor/app.coffee")), "kept");

    const QString trashed = moveToTrash(other.filePath(QStringLiteral("Menu.zelvor")));
    ASSERT_FALSE(trashed.isEmpty());
    EXPECT_TRUE(trashed.startsWith(topTrash + QStringLiteral("/files/"))) << trashed.toStdString();
    EXPECT_EQ(readFile(trashed + QStringLiteral("/app.coffee")), QByteArray("kept"));
    EXPECT_FALSE(QFileInfo::exists(other.filePath(QStringLiteral("Menu.zelvor"))));
    const QString info = topTrash + QStringLiteral("/info/") + QFileInfo(trashed).fileName() + QStringLiteral(".trashinfo");
    EXPECT_TRUE(QFileInfo::exists(info));

    QDir(trashed).removeRecursively();
    QFile::remove(info);
    if (!topTrashExisted)
        QDir(topTrash).removeRecursively();
    qunsetenv("XDG_DATA_HOME");
}

TEST(FileUtils, Md5AndSuggestedNames)
{
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("abc.txt")), "abc");
    EXPECT_EQ(md5OfFile(dir.filePath(QStringLiteral("abc.txt"))), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_TRUE(md5OfFile(dir.filePath(QStringLiteral("missing"))).isEmpty());

    const QString zip = dir.filePath(QStringLiteral("folder/a.zip"));
    EXPECT_EQ(suggestFilenameAtPath(zip), zip);
    touch(zip);
    touch(dir.filePath(QStringLiteral("folder/a (1).zip")));
    EXPECT_EQ(suggestFilenameAtPath(zip), dir.filePath(QStringLiteral("folder/a (2).zip")));
    touch(dir.filePath(QStringLiteral("folder/README")));
    EXPECT_EQ(suggestFilenameAtPath(dir.filePath(QStringLiteral("folder/README"))), dir.filePath(QStringLiteral("folder/README (1)")));
}

} // namespace
