#include "platform/SerialQueue.h"
#include "platform/Task.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using platform::Task;

namespace {

std::unique_ptr<Task> shellTask(const QString& script)
{
    auto task = std::make_unique<Task>();
    task->setLaunchPath(QStringLiteral("/bin/sh"));
    task->setArguments({QStringLiteral("-c"), script});
    return task;
}

} // namespace

TEST(Task, ChildGetsExactlyTheGivenEnvironment)
{
    Task bare;
    bare.setLaunchPath(QStringLiteral("/usr/bin/env"));
    ASSERT_TRUE(bare.launch());
    ASSERT_TRUE(bare.waitUntilExit(5000));
    EXPECT_EQ(bare.readAvailableOutput(), QByteArray()) << "a new task passes no variable on";

    Task given;
    given.setLaunchPath(QStringLiteral("/usr/bin/env"));
    given.setEnvironment({{QStringLiteral("ONE"), QStringLiteral("1")}, {QStringLiteral("TWO"), QStringLiteral("zwei drei")}});
    ASSERT_TRUE(given.launch());
    ASSERT_TRUE(given.waitUntilExit(5000));
    EXPECT_EQ(given.readAvailableOutput(), QByteArray("ONE=1\nTWO=zwei drei\n"));
}

TEST(Task, WorkingFolderAndArgumentsReachTheChild)
{
    QTemporaryDir folder;
    auto task = shellTask(QStringLiteral("pwd; printf '%s|' \"$0\" \"$1\""));
    task->setArguments(task->arguments() << QStringLiteral("zero") << QStringLiteral("one two"));
    task->setCurrentDirectoryPath(folder.path());
    ASSERT_TRUE(task->launch());
    ASSERT_TRUE(task->waitUntilExit(5000));
    EXPECT_EQ(QString::fromUtf8(task->readAvailableOutput()),
              QFileInfo(folder.path()).canonicalFilePath() + QStringLiteral("\nzero|one two|"));
}

TEST(Task, LaunchFailuresAreReportedWithAReason)
{
    Task missing;
    missing.setLaunchPath(QStringLiteral("/nonexistent/program"));
    EXPECT_FALSE(missing.launch());
    EXPECT_FALSE(missing.launchError().isEmpty());
    EXPECT_FALSE(missing.isRunning());
    EXPECT_FALSE(missing.waitUntilExit(100));

    QTemporaryDir folder;
    auto badFolder = shellTask(QStringLiteral("true"));
    badFolder->setCurrentDirectoryPath(folder.filePath(QStringLiteral("gone")));
    EXPECT_FALSE(badFolder->launch());

    auto twice = shellTask(QStringLiteral("true"));
    ASSERT_TRUE(twice->launch());
    EXPECT_FALSE(twice->launch()) << "a task runs once";
    twice->waitUntilExit(5000);
}

TEST(Task, ExitStatusAndSignalsAreReported)
{
    auto three = shellTask(QStringLiteral("exit 3"));
    int handled = 0;
    three->setTerminationHandler([&](Task& task) {
        ++handled;
        EXPECT_FALSE(task.isRunning());
    });
    ASSERT_TRUE(three->launch());
    ASSERT_TRUE(three->waitUntilExit(5000));
    EXPECT_EQ(three->terminationStatus(), 3);
    EXPECT_EQ(three->terminationReason(), Task::TerminationReason::Exit);
    EXPECT_EQ(handled, 1);

    auto sleeper = shellTask(QStringLiteral("exec sleep 30"));
    ASSERT_TRUE(sleeper->launch());
    EXPECT_TRUE(sleeper->isRunning());
    EXPECT_GT(sleeper->processIdentifier(), 0);
    EXPECT_FALSE(sleeper->waitUntilExit(50)) << "the timeout ends the wait, not the child";
    sleeper->terminate();
    ASSERT_TRUE(sleeper->waitUntilExit(5000));
    EXPECT_EQ(sleeper->terminationReason(), Task::TerminationReason::UncaughtSignal);
    EXPECT_EQ(sleeper->terminationStatus(), 15);
}

TEST(Task, InputAndOutputPipesCarryEveryByte)
{
    Task cat;
    cat.setLaunchPath(QStringLiteral("/bin/cat"));
    QByteArray received;
    QObject::connect(&cat, &Task::outputAvailable, [&] { received += cat.readAvailableOutput(); });
    ASSERT_TRUE(cat.launch());
    QByteArray sent;
    for (int i = 0; i < 2000; ++i)
        sent += QByteArray("line ") + QByteArray::number(i) + " \xc3\xa9\n";
    cat.writeInput(sent);
    cat.closeInput();
    ASSERT_TRUE(cat.waitUntilExit(5000));
    received += cat.readAvailableOutput();
    EXPECT_EQ(received, sent);

    auto both = shellTask(QStringLiteral("echo out; echo err >&2"));
    ASSERT_TRUE(both->launch());
    ASSERT_TRUE(both->waitUntilExit(5000));
    EXPECT_EQ(both->readAvailableOutput(), QByteArray("out\n"));
    EXPECT_EQ(both->readAvailableError(), QByteArray("err\n"));
}

TEST(Task, DestroyingARunningTaskLeavesTheChildRunning)
{
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("done"));
    bool handled = false;
    {
        auto task = shellTask(QStringLiteral("sleep 0.3; touch '%1'").arg(marker));
        task->setTerminationHandler([&](Task&) { handled = true; });
        ASSERT_TRUE(task->launch());
    }
    EXPECT_TRUE(testsupport::waitUntil([&] { return QFileInfo::exists(marker); }, 5000));
    testsupport::spin(100);
    EXPECT_FALSE(handled) << "nobody hears of a released task's end";
}

TEST(Task, RunsAndWaitsOnAWorkerThread)
{
    platform::SerialQueue queue(QStringLiteral("TaskTest"));
    QByteArray output;
    int status = -100;
    queue.sync([&] {
        Task task;
        task.setLaunchPath(QStringLiteral("/bin/sh"));
        task.setArguments({QStringLiteral("-c"), QStringLiteral("echo from-worker; exit 4")});
        if (!task.launch())
            return;
        task.waitUntilExit();
        output = task.readAvailableOutput();
        status = task.terminationStatus();
    });
    EXPECT_EQ(output, QByteArray("from-worker\n"));
    EXPECT_EQ(status, 4);
}
