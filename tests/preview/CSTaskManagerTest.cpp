#include "platform/NotificationCenter.h"
#include "platform/CSTaskManager.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CSTaskManager> shellRunner(const QString& script)
{
    auto runner = std::make_unique<CSTaskManager>();
    runner->task().setLaunchPath(QStringLiteral("/bin/sh"));
    runner->task().setArguments({QStringLiteral("-c"), script});
    return runner;
}

// Records everything a runner reports, through all three channels, in one list.
struct Recorder : CSTaskManagerDelegate {
    QStringList events;
    void taskManagerDidReceiveObject(CSTaskManager*, const QJsonObject& object) override
    {
        events << QStringLiteral("delegate object ") + QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    void taskManagerDidReceiveOutput(CSTaskManager*, const QString& line, bool isError) override
    {
        events << QStringLiteral("delegate %1 %2").arg(isError ? QStringLiteral("err") : QStringLiteral("out"), line);
    }
    void taskManagerDidEndWithStatus(CSTaskManager*, int status) override
    {
        events << QStringLiteral("delegate end %1").arg(status);
    }
};

class CSTaskManagerTest : public ::testing::Test {
protected:
    void observe(CSTaskManager* runner)
    {
        auto& center = platform::NotificationCenter::defaultCenter();
        for (const QString& name : {CSTaskManager::DidReceiveOutputNotification(), CSTaskManager::DidReceiveObjectNotification(),
                                    CSTaskManager::DidReceiveEndNotification()}) {
            tokens.push_back(center.addObserver(name, runner, [this](const platform::Notification& note) {
                notes << note.name + QLatin1Char(' ') + QString::fromUtf8(QJsonDocument::fromVariant(note.userInfo).toJson(QJsonDocument::Compact));
            }));
        }
    }
    void TearDown() override
    {
        for (auto token : tokens)
            platform::NotificationCenter::defaultCenter().removeObserver(token);
    }
    std::vector<platform::NotificationCenter::Token> tokens;
    QStringList notes;
};

} // namespace

TEST_F(CSTaskManagerTest, SplitsPlainLinesFromMessagesOnBothStreams)
{
    auto runner = shellRunner(QStringLiteral(
        "echo hello; echo '{\"a\": 1}'; echo; echo ' {\"b\": 2}'; echo '{broken'; echo '{\"e\": true}' >&2; printf 'tail' >&2"));
    Recorder recorder;
    runner->setDelegate(&recorder);
    runner->setTaskManagerDidReceiveOutput([&](const QString& line, bool isError) {
        recorder.events << QStringLiteral("block %1 %2").arg(isError ? QStringLiteral("err") : QStringLiteral("out"), line);
    });
    runner->setTaskManagerDidReceiveObject([&](const QJsonObject& object) {
        recorder.events << QStringLiteral("block object ") + object.keys().join(QLatin1Char(','));
    });
    runner->setTaskManagerDidEnd([&](int status) { recorder.events << QStringLiteral("block end %1").arg(status); });
    observe(runner.get());
    ASSERT_TRUE(runner->run());
    ASSERT_TRUE(runner->waitUntilEnd(5000));

    EXPECT_EQ(runner->output(), QStringLiteral("hello\n{\"a\": 1}\n {\"b\": 2}\n{broken\n{\"e\": true}\ntail\n"));
    ASSERT_EQ(runner->objects().size(), 2);
    EXPECT_EQ(runner->objects()[0].value(QStringLiteral("a")).toInt(), 1);
    EXPECT_TRUE(runner->objects()[1].value(QStringLiteral("e")).toBool()) << "standard error carries messages too";
    EXPECT_EQ(recorder.events, (QStringList{
        QStringLiteral("delegate out hello\n"), QStringLiteral("block out hello\n"),
        QStringLiteral("delegate object {\"a\":1}"), QStringLiteral("block object a"),
        QStringLiteral("delegate out  {\"b\": 2}\n"), QStringLiteral("block out  {\"b\": 2}\n"),
        QStringLiteral("delegate out {broken\n"), QStringLiteral("block out {broken\n"),
        QStringLiteral("delegate object {\"e\":true}"), QStringLiteral("block object e"),
        QStringLiteral("delegate err tail\n"), QStringLiteral("block err tail\n"),
        QStringLiteral("delegate end 0"), QStringLiteral("block end 0")}));
    EXPECT_EQ(notes.size(), 7);
    EXPECT_EQ(notes.first(), QStringLiteral("CSTaskManagerDidReceiveOutput {\"output\":\"hello\\n\"}"));
    EXPECT_EQ(notes[1], QStringLiteral("CSTaskManagerDidReceiveObject {\"a\":1}"));
    EXPECT_EQ(notes.last(), QStringLiteral("didReceiveEnd {\"terminationStatus\":0}"));
}

TEST_F(CSTaskManagerTest, ReportsTheExitStatusAfterTheLastLine)
{
    auto runner = shellRunner(QStringLiteral("echo last >&2; exit 3"));
    QStringList order;
    runner->setTaskManagerDidReceiveOutput([&](const QString& line, bool isError) {
        order << line.trimmed() + (isError ? QStringLiteral(" err") : QString());
    });
    int status = -100;
    runner->setTaskManagerDidEnd([&](int s) { status = s; order << QStringLiteral("end"); });
    observe(runner.get());
    ASSERT_TRUE(runner->run());
    ASSERT_TRUE(runner->waitUntilEnd(5000));
    EXPECT_EQ(status, 3);
    EXPECT_EQ(order, (QStringList{QStringLiteral("last err"), QStringLiteral("end")}));
    EXPECT_EQ(notes.last(), QStringLiteral("didReceiveEnd {\"terminationStatus\":3}"));
}

TEST_F(CSTaskManagerTest, LongMessagesAndCharactersSplitAcrossReadsArriveWhole)
{
    // The message is written in pieces with pauses, cutting a multi-byte character in two.
    const QString value = QString(100000, QLatin1Char('x'));
    auto runner = shellRunner(QStringLiteral("printf '{\"v\": \"%1'; sleep 0.1; printf '\\303'; sleep 0.1; printf '\\251\"}\\nplain \\342\\202'; sleep 0.1; printf '\\254\\n'").arg(value));
    ASSERT_TRUE(runner->run());
    ASSERT_TRUE(runner->waitUntilEnd(5000));
    ASSERT_EQ(runner->objects().size(), 1);
    EXPECT_EQ(runner->objects()[0].value(QStringLiteral("v")).toString(), value + QStringLiteral("é"));
    EXPECT_TRUE(runner->output().endsWith(QStringLiteral("\"}\nplain €\n")));
}

TEST_F(CSTaskManagerTest, AProgramThatCannotLaunchEndsWithStatusMinusOne)
{
    CSTaskManager runner;
    runner.task().setLaunchPath(QStringLiteral("/nonexistent/python"));
    Recorder recorder;
    runner.setDelegate(&recorder);
    int status = 0;
    runner.setTaskManagerDidEnd([&](int s) { status = s; });
    observe(&runner);
    EXPECT_FALSE(runner.run());
    EXPECT_TRUE(runner.hasEnded());
    EXPECT_EQ(status, CSTaskManager::LaunchFailureStatus);
    EXPECT_EQ(recorder.events, QStringList{QStringLiteral("delegate end -1")});
    EXPECT_EQ(notes, QStringList{QStringLiteral("didReceiveEnd {\"terminationStatus\":-1}")});
    EXPECT_TRUE(runner.waitUntilEnd(10));

    // A runner is used for one run: running it again reports no second end.
    auto once = shellRunner(QStringLiteral("sleep 0.2"));
    int ends = 0;
    once->setTaskManagerDidEnd([&](int) { ++ends; });
    ASSERT_TRUE(once->run());
    EXPECT_FALSE(once->run());
    ASSERT_TRUE(once->waitUntilEnd(5000));
    EXPECT_EQ(ends, 1);
}

TEST_F(CSTaskManagerTest, StandardInputReceivesTextAndJson)
{
    auto runner = shellRunner(QStringLiteral("read first; read second; echo \"$first\"; echo \"$second\""));
    ASSERT_TRUE(runner->run());
    runner->sendJsonInput(QJsonObject{{QStringLiteral("x"), 1}});
    runner->sendInput(QStringLiteral("\nsecond é\n"));
    runner->sendJsonInput(QJsonValue(5)); // not an object: logged, nothing written
    ASSERT_TRUE(runner->waitUntilEnd(5000));
    ASSERT_EQ(runner->objects().size(), 1);
    EXPECT_EQ(runner->objects()[0].value(QStringLiteral("x")).toInt(), 1);
    EXPECT_EQ(runner->output(), QStringLiteral("{\"x\":1}\nsecond é\n"));
}

TEST_F(CSTaskManagerTest, AReleasedRunnerReportsNothing)
{
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("ended"));
    bool heard = false;
    {
        auto runner = shellRunner(QStringLiteral("sleep 0.2; echo late; touch '%1'").arg(marker));
        runner->setTaskManagerDidReceiveOutput([&](const QString&, bool) { heard = true; });
        runner->setTaskManagerDidEnd([&](int) { heard = true; });
        observe(runner.get());
        ASSERT_TRUE(runner->run());
    }
    EXPECT_TRUE(testsupport::waitUntil([&] { return QFileInfo::exists(marker); }, 5000));
    testsupport::spin(100);
    EXPECT_FALSE(heard);
    EXPECT_TRUE(notes.isEmpty());
}
