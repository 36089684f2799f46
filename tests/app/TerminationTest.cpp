#include "AppTestSupport.h"
#include "../document/DocumentFakes.h"

#include "app/TerminationSignals.h"
#include "document/ProjectFolder.h"
#include "document/RBDocument.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <vector>

#include <sys/types.h>

// The handler only wakes the main loop; every signal arrives there, in order, and the previous
// handlers come back when the object goes.
TEST(TerminationSignals, SignalsReachTheMainLoopAndThePreviousHandlersComeBack)
{
    struct sigaction before {};
    ::sigaction(SIGHUP, nullptr, &before);
    {
        TerminationSignals handlers;
        ASSERT_TRUE(handlers.isInstalled());
        // Only one may own the handlers.
        TerminationSignals second;
        EXPECT_FALSE(second.isInstalled());

        QSignalSpy spy(&handlers, &TerminationSignals::terminationRequested);
        ::raise(SIGTERM);
        ::raise(SIGINT);
        ::raise(SIGHUP);
        ASSERT_TRUE(testsupport::waitUntil([&] { return spy.size() == 3; }));
        EXPECT_EQ(spy.at(0).first().toInt(), SIGTERM);
        EXPECT_EQ(spy.at(1).first().toInt(), SIGINT);
        EXPECT_EQ(spy.at(2).first().toInt(), SIGHUP);
    }
    struct sigaction after {};
    ::sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    // A new owner can install them again.
    TerminationSignals again;
    EXPECT_TRUE(again.isInstalled());
}

// Quit chosen again while the quit asks about unsaved work brings the question back to the
// front: another window may have covered it, and the second Quit would otherwise do nothing
// the user can see.
TEST(Quitting, QuitWhileAskingBringsTheQuestionForward)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    CountingDocument* document = addUnsavedDocument(app);
    document->setWindow(new QWidget);
    document->window()->show();
    QWidget cover;
    QWidget* question = nullptr;
    bool inFrontAgain = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* open = QApplication::activeModalWidget();
        if (!open || open == question)
            return;
        question = open;
        cover.show();
        cover.activateWindow();
        testsupport::waitUntil([&] { return QApplication::activeWindow() == &cover; }, 2000);
        EXPECT_FALSE(app.terminate()); // the quit under way goes on asking
        inFrontAgain = testsupport::waitUntil([&] { return QApplication::activeWindow() == question; }, 2000);
        poll.stop();
        qobject_cast<QDialog*>(question)->reject(); // Cancel
    });
    poll.start();
    EXPECT_FALSE(app.terminate());
    ASSERT_TRUE(question) << "no question was asked";
    EXPECT_TRUE(inFrontAgain);
    EXPECT_EQ(app.documentController().documents().size(), 1);
    document->updateChangeCount(platform::Document::ChangeCleared);
}

// A signal quits as the Quit command does: unsaved work is asked about and a cancel keeps the
// application; a second signal while the question is open ends the program at once, with
// the server stopped and the defaults written first.
TEST(TerminationSignals, ASignalQuitsLikeQuitAndASecondOneWhileAskingEndsAtOnce)
{
    AppHarness harness;
    QList<int> exitCodes;
    RBApplication::Options options = harness.options();
    options.exitAtOnce = [&](int code) { exitCodes << code; };
    RBApplication app(std::move(options));
    app.launch();
    TerminationSignals handlers;
    QObject::connect(&handlers, &TerminationSignals::terminationRequested, &app, &RBApplication::handleTerminationSignal);

    addUnsavedDocument(app);

    // First Ctrl+C: the user is asked and keeps the application.
    int questions = 0;
    bool askingDuringQuestion = false;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        ++questions;
        askingDuringQuestion = app.isAskingToQuit();
        const int cancel = int(alert.buttonTitles().indexOf(QStringLiteral("Cancel")));
        return platform::Alert::kFirstButtonReturn + std::max(cancel, 0);
    });
    ::raise(SIGINT);
    ASSERT_TRUE(testsupport::waitUntil([&] { return questions == 1; }));
    EXPECT_TRUE(askingDuringQuestion);
    EXPECT_FALSE(app.isAskingToQuit());
    EXPECT_FALSE(app.isTerminating());
    EXPECT_EQ(app.documentController().documents().size(), 1);
    EXPECT_TRUE(exitCodes.isEmpty());
    EXPECT_FALSE(harness.events.contains(QStringLiteral("server.stop")));

    // SIGTERM, and a second one arrives while the question is on screen.
    harness.defaults->setString(QStringLiteral("LastWords"), QStringLiteral("kept"));
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        ++questions;
        ::raise(SIGTERM);
        testsupport::waitUntil([&] { return !exitCodes.isEmpty(); }, 3000);
        const int cancel = int(alert.buttonTitles().indexOf(QStringLiteral("Cancel")));
        return platform::Alert::kFirstButtonReturn + std::max(cancel, 0);
    });
    ::raise(SIGTERM);
    ASSERT_TRUE(testsupport::waitUntil([&] { return questions == 2; }));
    platform::Alert::setTestResponder({});
    ASSERT_EQ(exitCodes, QList<int>{128 + SIGTERM});
    EXPECT_EQ(harness.events.count(QStringLiteral("server.stop")), 1);
    platform::UserDefaults reread(harness.defaults->storePath());
    EXPECT_EQ(reread.stringForKey(QStringLiteral("LastWords")), QStringLiteral("kept"));
}

TEST(TerminationSignals, TheSessionEndingAsksWhenItMayAndWritesTheDefaultsWhenItMayNot)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    addUnsavedDocument(app);

    // No questions allowed: nothing is closed, but what must survive is on disk.
    harness.defaults->setString(QStringLiteral("LastWords"), QStringLiteral("kept"));
    EXPECT_TRUE(app.commitDataRequest(false));
    EXPECT_EQ(platform::UserDefaults(harness.defaults->storePath()).stringForKey(QStringLiteral("LastWords")),
              QStringLiteral("kept"));
    EXPECT_FALSE(app.isTerminating());
    EXPECT_EQ(app.documentController().documents().size(), 1);

    {
        AlertAnswers answers(QStringLiteral("Cancel"));
        EXPECT_FALSE(app.commitDataRequest(true)); // the logout is cancelled
        EXPECT_EQ(answers.messages.size(), 1);
    }
    EXPECT_FALSE(app.isTerminating());
    {
        AlertAnswers answers(QStringLiteral("Save"));
        EXPECT_TRUE(app.commitDataRequest(true));
    }
    EXPECT_TRUE(app.isTerminating());
    EXPECT_TRUE(app.documentController().documents().isEmpty());
    EXPECT_EQ(harness.events.count(QStringLiteral("server.stop")), 1);
}

// Whether the program ends at once or the session ends without questions, the unsaved text of
// a saved project is in its backup before anything can end the program.
TEST(TerminationSignals, UnsavedProgramsAreBackedUpBeforeTheApplicationMayBeEnded)
{
    AppHarness harness;
    RBApplication app(harness.options());
    app.launch();
    const QString project = harness.dir.filePath(QStringLiteral("Menu.zelvor"));
    ASSERT_TRUE(QDir().mkpath(project + QStringLiteral("/zelvor")));
    RBDocumentServices services;
    services.launchDate = QDateTime::fromSecsSinceEpoch(1700000000);
    QPointer<RBDocument> document = new RBDocument(services);
    document->setFileURL(project);
    FakeEditor editor;
    document->attachEditor(&editor);
    app.documentController().addDocument(document);
    const QString backup = project + QStringLiteral("/zelvor/backups/") + ProjectFolder::backupFileName(services.launchDate);

    editor.text = QStringLiteral("unsaved = 1\n");
    document->updateChangeCount(platform::Document::ChangeDone);
    EXPECT_TRUE(app.commitDataRequest(false));
    EXPECT_EQ(testsupport::readFile(backup), QStringLiteral("unsaved = 1\n"));

    // The question of a signal may be the last thing the program does.
    editor.text = QStringLiteral("unsaved = 2\n");
    QString backedUpWhenAsked;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        backedUpWhenAsked = testsupport::readFile(backup);
        return platform::Alert::kFirstButtonReturn + int(alert.buttonTitles().indexOf(QStringLiteral("Cancel")));
    });
    app.handleTerminationSignal(SIGTERM);
    platform::Alert::setTestResponder({});
    EXPECT_EQ(backedUpWhenAsked, QStringLiteral("unsaved = 2\n"));
    EXPECT_EQ(app.documentController().documents().size(), 1);

    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(document.isNull());
}

// The real program in its own process, with its own user folders.
class ApplicationProcess : public ::testing::Test {
protected:
    QTemporaryDir home;
    QProcess app;
    QByteArray output;

    QProcessEnvironment environment() const { return testsupport::applicationEnvironment(home); }
    QString defaultsPath() const { return home.filePath(QStringLiteral("XDG_CONFIG_HOME/ZelvorStudio/UserDefaults.json")); }

    // The temporary folder of a run that ended (its process is gone) holding an untitled
    // project with work in it, as the application leaves it when it is killed.
    bool makeEndedRun()
    {
        QProcess ended;
        ended.start(QStringLiteral("true"));
        if (!ended.waitForStarted(10000))
            return false;
        const qint64 pid = ended.processId();
        if (!ended.waitForFinished(10000))
            return false;
        endedRun = QDir(home.filePath(QStringLiteral("tmp"))).filePath(QStringLiteral("zelvor-studio-%1").arg(pid));
        const QString project = endedRun + QStringLiteral("/0b6c/Untitled.zelvor");
        return QDir().mkpath(project)
            && ProjectFolder::createProjectAtPath(project, QStringLiteral("card = new Layer\n"),
                                                  platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate"))).ok;
    }
    QString endedRun;

    // A project folder holding only this program; empty when it cannot be written.
    QString projectWith(const QString& name, const QByteArray& program) const
    {
        const QString project = home.filePath(QStringLiteral("projects/%1.zelvor").arg(name));
        QFile file(project + QStringLiteral("/app.coffee"));
        if (!QDir().mkpath(project) || !file.open(QIODevice::WriteOnly) || file.write(program) != program.size())
            return QString();
        return project;
    }

    void start(const QStringList& arguments)
    {
        app.setProcessEnvironment(environment());
        app.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&app, &QProcess::readyRead, [this] { output += app.readAll(); });
        app.start(QStringLiteral(ZELVOR_APP_BINARY), arguments);
        ASSERT_TRUE(app.waitForStarted(10000));
        // It listens for later launches once it has started up.
        ASSERT_TRUE(testsupport::waitUntil([&] { return QFile::exists(home.filePath(QStringLiteral("app.socket"))); }, 30000))
            << output.toStdString();
    }

    // Sends the signal and waits for a clean end.
    void quitWith(int signal)
    {
        ::kill(pid_t(app.processId()), signal);
        ASSERT_TRUE(testsupport::waitUntil([&] { return app.state() == QProcess::NotRunning; }, 30000))
            << output.toStdString();
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << output.toStdString();
        EXPECT_EQ(app.exitCode(), 0) << output.toStdString();
    }

    void TearDown() override
    {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(5000);
        }
    }
};

TEST_F(ApplicationProcess, TakesALaterLaunchAndQuitsCleanlyOnSIGTERM)
{
    start({});
    QProcess later;
    later.setProcessEnvironment(environment());
    later.start(QStringLiteral(ZELVOR_APP_BINARY), {QStringLiteral("zelvor://open?x=2")});
    ASSERT_TRUE(testsupport::waitUntil([&] { return later.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(later.exitCode(), 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return output.contains("Received link: zelvor://open?x=2"); }, 10000))
        << output.toStdString();

    quitWith(SIGTERM);
    EXPECT_TRUE(output.contains("Quitting on signal")) << output.toStdString();
    // The first run's answers were written on the way out.
    platform::UserDefaults written(defaultsPath());
    EXPECT_TRUE(written.boolForKey(QStringLiteral("FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew")));
}

TEST_F(ApplicationProcess, CtrlCWithAProjectOpenClosesItKeepsItInTheRecentListAndReopensIt)
{
    // A folder with only a program: opening it merges the template in.
    const QString project = projectWith(QStringLiteral("Card"), "layer = new Layer\n");
    ASSERT_FALSE(project.isEmpty());

    start({project});
    // The preview's page is up: the whole window, web engine included, is running.
    ASSERT_TRUE(testsupport::waitUntil([&] { return output.contains("page ready"); }, 60000)) << output.toStdString();
    EXPECT_TRUE(QFile::exists(project + QStringLiteral("/index.html")));
    quitWith(SIGINT);
    platform::UserDefaults written(defaultsPath());
    const QVariantList recent = written.arrayForKey(QStringLiteral("RecentDocuments"));
    ASSERT_FALSE(recent.isEmpty()) << output.toStdString();
    EXPECT_EQ(QFileInfo(recent.first().toString()).canonicalFilePath(), QFileInfo(project).canonicalFilePath());
    // The program was not touched by quitting.
    EXPECT_EQ(testsupport::readFile(project + QStringLiteral("/app.coffee")), QStringLiteral("layer = new Layer\n"));

    // The next plain launch brings the window back, and SIGHUP (the terminal closing) quits too.
    output.clear();
    start({});
    ASSERT_TRUE(testsupport::waitUntil([&] { return output.contains("page ready"); }, 60000)) << output.toStdString();
    quitWith(SIGHUP);
}

TEST_F(ApplicationProcess, ASignalWhileAHugeProgramCompilesEndsTheApplicationWithinTwoSeconds)
{
    // 1.5 MB of layer definitions: its compile takes many seconds.
    QByteArray huge;
    for (int i = 0; huge.size() < 1'500'000; ++i)
        huge += QStringLiteral("p%1 = new Layer x: %2, y: %3, width: 5, height: 5, backgroundColor: \"#e33\"\n")
                    .arg(i).arg(i % 300).arg(i % 700).toUtf8();
    const QString project = projectWith(QStringLiteral("Huge"), huge);
    ASSERT_FALSE(project.isEmpty());

    start({project});
    ASSERT_TRUE(testsupport::waitUntil([&] { return output.contains("page ready"); }, 60000)) << output.toStdString();
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(app.processId()), SIGTERM);
    ASSERT_TRUE(testsupport::waitUntil([&] { return app.state() == QProcess::NotRunning; }, 30000)) << output.toStdString();
    EXPECT_LT(clock.elapsed(), 2000) << output.toStdString();
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << output.toStdString();
}

TEST(Recovery, TheUntitledProjectOfAKilledRunIsOfferedAtTheNextStartAndItsFolderGoes)
{
    QTemporaryDir home;
    const QString temporary = home.filePath(QStringLiteral("tmp"));
    // A run that kept an untitled project's program in its temporary folder, then was killed.
    QProcess killed;
    killed.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(killed.waitForStarted());
    const QString run = QDir(temporary).filePath(QStringLiteral("zelvor-studio-%1").arg(killed.processId()));
    const QString project = run + QStringLiteral("/0b6c/Untitled.zelvor");
    ASSERT_TRUE(QDir().mkpath(project));
    ASSERT_TRUE(ProjectFolder::createProjectAtPath(project, QStringLiteral("card = new Layer\n"),
                                                   platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate"))).ok);
    ::kill(pid_t(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(10000));

    AppHarness harness;
    auto options = harness.options();
    options.leftoversFolder = temporary;
    QStringList asked;
    platform::Alert::setTestResponder([&](const platform::Alert& alert) {
        asked << alert.informativeText();
        return platform::Alert::kFirstButtonReturn; // Open
    });
    RBApplication next(options);
    next.launch();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !asked.isEmpty(); }, 10000));
    platform::Alert::setTestResponder({});
    EXPECT_TRUE(asked.first().contains(QStringLiteral("Untitled"))) << asked.first().toStdString();
    RBDocument* recovered = nullptr;
    for (platform::Document* document : next.documentController().documents())
        if (auto* project = qobject_cast<RBDocument*>(document); project && project->currentProgram() == QStringLiteral("card = new Layer\n"))
            recovered = project;
    ASSERT_NE(recovered, nullptr);
    EXPECT_TRUE(recovered->isDocumentEdited());
    EXPECT_FALSE(QFileInfo::exists(run));
    for (platform::Document* document : next.documentController().documents()) {
        document->updateChangeCount(platform::Document::ChangeCleared);
        document->close();
    }
}

// A signal that arrives while a question of the start-up is on screen (the code that asked is
// still waiting for the answer) answers it as Cancel and then quits cleanly.
TEST_F(ApplicationProcess, ASignalWhileAStartUpQuestionIsOpenQuitsCleanly)
{
    struct Case {
        const char* name;
        std::function<void(const QString& project)> prepare; // of the project "Q.zelvor"
        const char* question;
        bool openProject;
    };
    const auto writeProgram = [](const QString& project, const QByteArray& bytes) {
        QFile program(project + QStringLiteral("/app.coffee"));
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        program.write(bytes);
    };
    const std::vector<Case> cases = {
        {"program not UTF-8", [&](const QString& p) { writeProgram(p, QByteArray("a = '\xff\xfe'\n")); },
         "is not UTF-8 text.", true},
        {"program a dangling link", [](const QString& p) { QFile::link(p + "/gone.coffee", p + "/app.coffee"); },
         "could not be read.", true},
        {"program a folder", [](const QString& p) { QDir().mkpath(p + "/app.coffee"); }, "could not be read.", true},
        {"library of an earlier version",
         [&](const QString& p) {
             writeProgram(p, "layer = new Layer\n");
             QDir().mkpath(p + "/zelvor");
             QFile version(p + "/zelvor/version");
             ASSERT_TRUE(version.open(QIODevice::WriteOnly));
             version.write("1");
         },
         "Update Zelvor Library", true},
        {"a crash report to offer",
         [&](const QString&) {
             const QString crashes = home.filePath(QStringLiteral("XDG_STATE_HOME/ZelvorStudio/crashes"));
             QDir().mkpath(crashes);
             QFile report(crashes + QStringLiteral("/earlier.crash"));
             ASSERT_TRUE(report.open(QIODevice::WriteOnly));
             report.write("crashed\n");
         },
         "quit unexpectedly the last time it ran.", false},
        {"a project that is not a folder", [&](const QString& p) { QDir().rmdir(p); QFile(p).open(QIODevice::WriteOnly); },
         "could not be opened.", true},
        {"the untitled project of an ended run", [&](const QString&) { ASSERT_TRUE(makeEndedRun()); },
         "An untitled project was never saved.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir projects;
        const QString project = projects.filePath(QStringLiteral("Q.zelvor"));
        ASSERT_TRUE(QDir().mkpath(project));
        c.prepare(project);

        output.clear();
        app.setProcessEnvironment(environment());
        app.setProcessChannelMode(QProcess::MergedChannels);
        const auto reader = QObject::connect(&app, &QProcess::readyRead, [this] { output += app.readAll(); });
        app.start(QStringLiteral(ZELVOR_APP_BINARY), c.openProject ? QStringList{project} : QStringList{});
        ASSERT_TRUE(app.waitForStarted(10000));
        ASSERT_TRUE(testsupport::waitUntil([&] { return output.contains("Asking: ") && output.contains(c.question); }, 60000))
            << output.toStdString();
        quitWith(SIGTERM);
        QObject::disconnect(reader);
        EXPECT_TRUE(output.contains("Quitting once the open questions are answered")) << output.toStdString();
        if (c.openProject && QFileInfo(project).isDir() && QFileInfo(project + "/app.coffee").isFile())
            EXPECT_FALSE(testsupport::readFile(project + "/app.coffee").isEmpty()) << "nothing is lost";
        // An offer of an ended run's work that was not answered is made again at the next start.
        if (!endedRun.isEmpty()) {
            EXPECT_EQ(testsupport::readFile(endedRun + "/0b6c/Untitled.zelvor/app.coffee"), "card = new Layer\n");
            QDir(endedRun).removeRecursively();
            endedRun.clear();
        }
        // The next run starts without the project windows of this one asking again.
        QFile::remove(defaultsPath());
    }
}
