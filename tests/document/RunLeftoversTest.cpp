// What a run that ended without closing its projects leaves behind, and what of it is offered.
#include "document/RunLeftovers.h"

#include "platform/FileUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {
void write(const QString& path, const QString& text, const QDateTime& time)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(platform::writeTextAtomically(path, text));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}
} // namespace

TEST(RunLeftovers, OnlyFoldersOfRunsThatEndedWithWorkInThemAreOffered)
{
    QTemporaryDir temporary;
    QProcess run;
    run.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(run.waitForStarted());
    const QString folder = temporary.filePath(RunLeftovers::runFolderName(run.processId()));
    const QDateTime now = QDateTime::currentDateTime();
    write(folder + "/a/Untitled.zelvor/app.coffee", "# starter\n", now);
    write(folder + "/b/Untitled 2.zelvor/app.coffee", "card = new Layer\n", now);
    write(temporary.filePath("zelvor-studio-notanumber/c/X.zelvor/app.coffee"), "x = 1\n", now);

    // A dead run's folder that another user owns (one only root can make here) is not ours.
    const QString stranger = temporary.filePath(RunLeftovers::runFolderName(999999999));
    write(stranger + "/d/Untitled.zelvor/app.coffee", "trap = 1\n", now);
    if (::getuid() == 0)
        ASSERT_EQ(::chown(QFile::encodeName(stranger).constData(), 65534, 65534), 0);

    const QStringList whileRunning = RunLeftovers::deadRunFolders(temporary.path());
    EXPECT_EQ(whileRunning, ::getuid() == 0 ? QStringList() : QStringList{QDir(stranger).absolutePath()});
    run.kill();
    ASSERT_TRUE(run.waitForFinished());
    const QStringList ended = RunLeftovers::deadRunFolders(temporary.path());
    EXPECT_TRUE(ended.contains(QDir(folder).absolutePath()));
    EXPECT_EQ(ended.contains(QDir(stranger).absolutePath()), ::getuid() != 0);

    const QList<RunLeftovers::UntitledProject> projects = RunLeftovers::editedUntitledProjects(folder, "# starter\n");
    ASSERT_EQ(projects.size(), 1);
    EXPECT_EQ(projects[0].name, "Untitled 2");
    EXPECT_EQ(projects[0].program, "card = new Layer\n");
}

TEST(RunLeftovers, ABackupIsOfferedOnlyWhenNewerThanTheProgramAndDifferent)
{
    const QDateTime saved = QDateTime::currentDateTime().addSecs(-600);
    struct Case { const char* name; QString backup; int backupAge; QString expected; };
    const QList<Case> cases{
        {"newer and different", "b = 2\n", 60, "backup-2.coffee"},
        {"older", "b = 2\n", 900, ""},
        {"newer but the same", "a = 1\n", 60, ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir project;
        write(project.filePath("app.coffee"), "a = 1\n", saved);
        write(project.filePath("zelvor/backups/backup-1.coffee"), "old\n", saved.addSecs(-60));
        write(project.filePath("zelvor/backups/backup-2.coffee"), c.backup, QDateTime::currentDateTime().addSecs(-c.backupAge));
        const QString offered = RunLeftovers::unsavedBackup(project.path());
        EXPECT_EQ(QFileInfo(offered).fileName(), c.expected) << c.name;
        if (!offered.isEmpty()) {
            // Declined once, it is not offered again but stays among the backups.
            ASSERT_TRUE(RunLeftovers::setBackupAside(offered));
            EXPECT_TRUE(RunLeftovers::unsavedBackup(project.path()).isEmpty()) << c.name;
            EXPECT_TRUE(QFile::exists(project.filePath("zelvor/backups/kept-backup-2.coffee")));
        }
    }
}
