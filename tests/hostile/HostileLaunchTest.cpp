// Two launches of the real program at the same moment, with a project made by the test: one
// application stays, with one preview server, and the other hands the project over and ends.
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(HostileLaunch, TwoLaunchesAtOnceLeaveOneApplicationWithOneServer)
{
    QTemporaryDir home;
    const QString project = home.filePath(QStringLiteral("projects/Twice.zelvor"));
    ASSERT_TRUE(testsupport::writeFile(project + QStringLiteral("/app.coffee"), "box = new Layer\n"));
    const QProcessEnvironment environment = testsupport::applicationEnvironment(home.path());

    QProcess launches[2];
    QByteArray output[2];
    for (int i = 0; i < 2; ++i) {
        launches[i].setProcessEnvironment(environment);
        launches[i].setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&launches[i], &QProcess::readyRead, [&, i] { output[i] += launches[i].readAll(); });
    }
    for (QProcess& launch : launches)
        launch.start(QStringLiteral(ZELVOR_APP_BINARY), {project});
    for (QProcess& launch : launches)
        ASSERT_TRUE(launch.waitForStarted(10000));

    // One of them ends at once, having handed the project over.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return launches[0].state() == QProcess::NotRunning || launches[1].state() == QProcess::NotRunning;
    }, 60000)) << "both launches stayed";
    const int ended = launches[0].state() == QProcess::NotRunning ? 0 : 1;
    QProcess& running = launches[1 - ended];
    EXPECT_EQ(launches[ended].exitCode(), 0) << output[ended].toStdString();
    EXPECT_TRUE(output[ended].contains("handed over")) << output[ended].toStdString();
    // The other shows the project, and only it started a server.
    ASSERT_TRUE(testsupport::waitUntil([&] { return output[1 - ended].contains("page ready"); }, 60000))
        << output[1 - ended].toStdString();
    EXPECT_FALSE(output[ended].contains("ready at")) << output[ended].toStdString();
    testsupport::spin(1000);
    EXPECT_EQ(running.state(), QProcess::Running);

    // It quits within two seconds.
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(running.processId()), SIGTERM);
    ASSERT_TRUE(testsupport::waitUntil([&] { return running.state() == QProcess::NotRunning; }, 10000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
}

} // namespace
