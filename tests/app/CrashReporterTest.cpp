#include "AppTestSupport.h"

#include "app/CrashReporter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs the helper that crashes; answers how it ended.
QProcess::ExitStatus crashHelper(const QString& directory, const QString& how)
{
    QProcess process;
    process.start(QStringLiteral(ZELVOR_CRASH_HELPER), {directory, how});
    process.waitForFinished(30000);
    return process.exitStatus();
}

} // namespace

TEST(CrashReporter, AFatalSignalLeavesAReportWithBacktraceVersionAndLastLogLines)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state/crashes"));
    EXPECT_EQ(crashHelper(folder, QStringLiteral("segv")), QProcess::CrashExit);
    QStringList reports = CrashReporter::pendingReports(folder);
    ASSERT_EQ(reports.size(), 1);
    const QString report = testsupport::readFile(reports.first());
    EXPECT_TRUE(report.contains(QStringLiteral("Version: 9.8.7"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("SIGSEGV")));
    EXPECT_TRUE(report.contains(QStringLiteral("crashInsideTheHelper")));
    const qsizetype logAt = report.indexOf(QStringLiteral("Last log lines:"));
    ASSERT_GT(logAt, report.indexOf(QStringLiteral("Backtrace:")));
    EXPECT_GT(report.indexOf(QStringLiteral("line 3 before the crash")), report.indexOf(QStringLiteral("line 1 before the crash")));
    EXPECT_GT(report.indexOf(QStringLiteral("line 1 before the crash")), logAt);
    EXPECT_EQ(QFileInfo(reports.first()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);

    // An abort is a crash too; each run has its own report.
    testsupport::spin(20);
    EXPECT_EQ(crashHelper(folder, QStringLiteral("abort")), QProcess::CrashExit);
    reports = CrashReporter::pendingReports(folder);
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(testsupport::readFile(reports.first()).contains(QStringLiteral("SIGABRT")));
}

TEST(CrashReporter, TheNextLaunchOffersTheNewestReportOnce)
{
    AppHarness harness;
    const QString folder = harness.dir.filePath(QStringLiteral("crashes"));
    ASSERT_EQ(crashHelper(folder, QStringLiteral("segv")), QProcess::CrashExit);

    AlertAnswers answers(QStringLiteral("Not Now"));
    QStringList shown;
    {
        RBApplication app(harness.options());
        app.launch();
        // Asked once the start-up is over, not in its middle.
        EXPECT_TRUE(answers.messages.isEmpty());
        ASSERT_TRUE(testsupport::waitUntil([&] { return !answers.messages.isEmpty(); }));
        EXPECT_TRUE(answers.messages.first().contains(QStringLiteral("quit unexpectedly")));
        EXPECT_TRUE(answers.messages.first().contains(QStringLiteral("nothing was sent")));
    }
    EXPECT_TRUE(CrashReporter::pendingReports(folder).isEmpty());
    const QStringList kept = QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);

    // Offered once: a later launch asks nothing.
    EXPECT_FALSE(CrashReporter::offerPendingReports(folder, [&](const QString& path) { shown << path; }));
    RBApplication again(harness.options());
    again.launch();
    testsupport::spin(100);
    EXPECT_EQ(answers.messages.size(), 1);
}

TEST(CrashReporter, ShowingAReportOpensTheKeptFile)
{
    QTemporaryDir dir;
    ASSERT_EQ(crashHelper(dir.path(), QStringLiteral("abort")), QProcess::CrashExit);
    AlertAnswers answers(QStringLiteral("Show Report"));
    QStringList shown;
    EXPECT_TRUE(CrashReporter::offerPendingReports(dir.path(), [&](const QString& path) { shown << path; }));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().endsWith(QStringLiteral(".txt")));
    EXPECT_TRUE(testsupport::readFile(shown.first()).contains(QStringLiteral("SIGABRT")));
}
