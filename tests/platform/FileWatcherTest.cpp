#include "platform/FileWatcher.h"
#include "platform/FileUtils.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using platform::FileWatcher;

namespace {
struct Watch {
    QTemporaryDir dir;
    FileWatcher watcher;
    QStringList changes;
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    void start(const QStringList& names)
    {
        QStringList paths;
        for (const QString& name : names)
            paths << path(name);
        watcher.watch(paths, [this](const QString& changed) { changes << changed; });
    }
};
} // namespace

TEST(FileWatcher, ReportsWritesInPlaceAndKeepsWatchingAfterARenameOver)
{
    Watch w;
    ASSERT_TRUE(platform::writeTextAtomically(w.path("app.coffee"), "a"));
    w.start({"app.coffee", "index.html"});

    QFile file(w.path("app.coffee"));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("b");
    file.close();
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.changes.contains(w.path("app.coffee")); }));

    // An editor that saves by writing a new file and renaming it over the old one, twice: the
    // second save is seen too, so the watch followed the new file.
    for (const char* text : {"second", "third!"}) {
        w.changes.clear();
        ASSERT_TRUE(platform::writeTextAtomically(w.path("app.coffee"), text));
        ASSERT_TRUE(testsupport::waitUntil([&] { return w.changes.contains(w.path("app.coffee")); })) << text;
    }
    EXPECT_FALSE(w.changes.contains(w.path("index.html")));
}

TEST(FileWatcher, PicksUpAFileDeletedAndMadeAgainAndOneThatDidNotExist)
{
    Watch w;
    ASSERT_TRUE(platform::writeTextAtomically(w.path("app.coffee"), "a"));
    w.start({"app.coffee", "index.html"});

    ASSERT_TRUE(QFile::remove(w.path("app.coffee")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.changes.contains(w.path("app.coffee")); }));
    w.changes.clear();
    ASSERT_TRUE(platform::writeTextAtomically(w.path("app.coffee"), "back"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.changes.contains(w.path("app.coffee")); }));

    ASSERT_TRUE(platform::writeTextAtomically(w.path("index.html"), "<html>"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.changes.contains(w.path("index.html")); }));

    // The re-created file is watched in its own right: a later in-place write is seen.
    w.changes.clear();
    QThread::msleep(20);
    QFile file(w.path("app.coffee"));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("more");
    file.close();
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.changes.contains(w.path("app.coffee")); }));
}

TEST(FileWatcher, IgnoresOtherFilesOfTheFolderAndStopsWhenAsked)
{
    Watch w;
    ASSERT_TRUE(platform::writeTextAtomically(w.path("app.coffee"), "a"));
    w.start({"app.coffee"});
    ASSERT_TRUE(platform::writeTextAtomically(w.path("other.txt"), "x"));
    testsupport::spin(200);
    EXPECT_TRUE(w.changes.isEmpty());

    w.watcher.stop();
    EXPECT_TRUE(w.watcher.paths().isEmpty());
    ASSERT_TRUE(platform::writeTextAtomically(w.path("app.coffee"), "changed"));
    testsupport::spin(200);
    EXPECT_TRUE(w.changes.isEmpty());
}
