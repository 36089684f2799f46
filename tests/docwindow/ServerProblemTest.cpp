// A preview server that cannot start, met through the real window: the preview stops turning
// and says why, nothing starts the server again by itself, and a reload by the user tries again.
// An untitled project closed without saving leaves no folder behind, and a project saved under
// a new name is served from there only.
#include "../document/DocumentFakes.h"
#include "../preview/ServerTestSupport.h"
#include "WindowProbe.h"

#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/ServerLink.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/gui/Alert.h"
#include "platform/gui/FilePanel.h"
#include "platform/CSTaskManager.h"
#include "preview/RBServerController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ServerProblemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        useTemporaryUserFolders();
        servertest::isolateFromTheSystemBus();
        controller = new RBDocumentController(qApp);
    }

    void SetUp() override
    {
        platform::Alert::setTestResponder([this](const platform::Alert& alert) {
            alerts << alert.messageText();
            return platform::Alert::kFirstButtonReturn + 1; // Don't Save
        });
        RBDocumentServices services = controller->services();
        services.buildWindow = buildDocumentWindow;
        services.server = &link;
        controller->setServices(services);
    }

    void TearDown() override
    {
        server.stop();
        platform::Alert::setTestResponder({});
    }

    // Launches the server with a stand-in script; later launches use the real server.
    void startBroken(const QByteArray& script) { servertest::startWithScript(server, resources.path(), script); }

    QString makeProject()
    {
        const QString project = dir.path() + "/Served.zelvor";
        QDir().mkpath(project);
        QFile program(project + "/app.coffee");
        EXPECT_TRUE(program.open(QIODevice::WriteOnly));
        program.write("box = new Layer\n\tname: \"box\"\n\twidth: 120\n");
        return project;
    }

    // Opens the project of makeProject in a window of its own.
    QPointer<RBDocument> openProject()
    {
        RBDocument* opened = nullptr;
        controller->openDocumentWithContentsOfURL(makeProject(), true, [&](platform::Document* d, bool, const QString&) {
            opened = qobject_cast<RBDocument*>(d);
        });
        return opened;
    }

    // Opens the project of makeProject on a sound server.
    QPointer<RBDocument> openServedProject()
    {
        return servertest::startAndWait(server) ? openProject() : nullptr;
    }

    // The width of the program's box in the preview page; -1 while the page has none.
    static int boxWidth(const WindowProbe& probe)
    {
        return probe.pageValue("Layer.select('box') ? Layer.select('box').width : -1").toInt();
    }

    static QString shownProblem(WindowProbe& probe)
    {
        auto* label = probe.preview() ? probe.preview()->view()->findChild<QLabel*>("serverProblem") : nullptr;
        return label && label->isVisible() ? label->text() : QString();
    }

    static inline RBDocumentController* controller = nullptr;
    RBServerController server;
    ServerLink link{server};
    QTemporaryDir dir;
    QTemporaryDir resources;
    QStringList alerts;
};

TEST_F(ServerProblemTest, AServerThatEndsAtOnceIsExplainedInThePreviewAndAReloadTriesAgain)
{
    startBroken("import sys\nprint('cannot serve: port table corrupt')\nsys.exit(3)\n");
    QPointer<RBDocument> document = openProject();
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    probe.window()->resize(1200, 800);
    probe.window()->show();

    // The spinner gives way to the reason and to where the server's output is.
    ASSERT_TRUE(testsupport::waitUntil([&] { return !shownProblem(probe).isEmpty(); }, 15000)) << "the preview kept waiting";
    EXPECT_FALSE(probe.preview()->isWaitingForPage());
    const QString text = shownProblem(probe);
    EXPECT_TRUE(text.contains("stopped before it was ready (exit status 3)")) << text.toStdString();
    EXPECT_TRUE(text.contains("Server Log")) << text.toStdString();
    EXPECT_TRUE(server.output().contains("port table corrupt"));
    const QString screenshot = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR");
    if (!screenshot.isEmpty())
        probe.window()->grab().save(screenshot + "/preview-server-problem.png");

    // Nothing launches the failing server again and again.
    CSTaskManager* failed = server.serverTaskManager();
    testsupport::spin(RBServerController::RestartDelayMs * 3);
    EXPECT_EQ(server.serverTaskManager(), failed);
    EXPECT_FALSE(shownProblem(probe).isEmpty());

    // The user reloads: the server is started again (sound now), and the page comes.
    document->reloadPreview();
    EXPECT_TRUE(shownProblem(probe).isEmpty());
    EXPECT_TRUE(probe.preview()->isWaitingForPage());
    ASSERT_TRUE(testsupport::waitUntil([&] { return boxWidth(probe) == 120; }, 60000))
        << "the page never came after the reload";
    EXPECT_NE(server.serverTaskManager(), failed);
    EXPECT_FALSE(probe.preview()->isWaitingForPage());
    EXPECT_TRUE(shownProblem(probe).isEmpty());
    EXPECT_TRUE(probe.preview()->serverProblem().isEmpty());

    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(ServerProblemTest, AServerThatNeverAnswersIsGivenUpAndAnUntitledProjectLeavesNoFolder)
{
    server.setStartTimeout(1500);
    startBroken("import time\nprint('waiting for nothing')\ntime.sleep(60)\n");
    QPointer<RBDocument> document(qobject_cast<RBDocument*>(controller->newDocument()));
    ASSERT_TRUE(document);
    const QString temp = document->temporaryPath();
    ASSERT_TRUE(QFileInfo(temp + "/app.coffee").isFile());
    WindowProbe probe(*document);

    ASSERT_TRUE(testsupport::waitUntil([&] { return !shownProblem(probe).isEmpty(); }, 15000)) << "the preview kept waiting";
    EXPECT_TRUE(shownProblem(probe).contains("did not get ready within 1.5 seconds")) << shownProblem(probe).toStdString();
    EXPECT_FALSE(server.serverTaskManager()->task().isRunning());

    // Typing right away does not launch the server again with every key; typing a little later
    // does, and the (now sound) server brings the page, given the usual time to get ready on a
    // busy machine.
    server.setStartTimeout(RBServerController::StartTimeoutMs);
    CSTaskManager* failed = server.serverTaskManager();
    probe.typeAtEnd("\n#");
    testsupport::spin(300);
    EXPECT_EQ(server.serverTaskManager(), failed);
    EXPECT_FALSE(shownProblem(probe).isEmpty());
    testsupport::spin(RBZelvorViewController::RetryAfterEditMs);
    probe.typeAtEnd(" again");
    ASSERT_TRUE(testsupport::waitUntil([&] { return probe.pageValue("typeof Layer").toString() == "function"; }, 60000))
        << "the page never came after the edit";
    EXPECT_NE(server.serverTaskManager(), failed);
    EXPECT_TRUE(shownProblem(probe).isEmpty());

    // Closed with "Don't Save": once the window is gone, so is the project's temporary folder.
    QPointer<QWidget> window = probe.window();
    window->close();
    ASSERT_EQ(alerts.size(), 1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !document && !window; }, 5000));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !QFileInfo::exists(QFileInfo(temp).path()); }, 5000))
        << "the temporary folder stayed: " << temp.toStdString();
}

} // namespace

namespace {
TEST_F(ServerProblemTest, APageWhoseServerWasGivenUpComesBackWithRefresh)
{
    QPointer<RBDocument> document = openServedProject();
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    ASSERT_TRUE(testsupport::waitUntil([&] { return boxWidth(probe) == 120; }, 60000));
    const QString firstAddress = document->serverLocalUrl();

    // The server ends, and its restart cannot get ready: it is given up.
    QFile::remove(resources.filePath("python/run.py"));
    QDir().mkpath(resources.filePath("python"));
    QFile broken(resources.filePath("python/run.py"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("import sys\nsys.exit(4)\n");
    broken.close();
    const QByteArray saved = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", resources.path().toUtf8());
    platform::Bundle::main().reload();
    server.serverTaskManager()->task().kill();
    const bool givenUp = testsupport::waitUntil([&] { return server.isFailed(); }, 15000);
    qputenv("ZELVOR_RESOURCES", saved);
    platform::Bundle::main().reload();
    ASSERT_TRUE(givenUp);
    // The page stays as it was: edits still run in it.
    EXPECT_EQ(probe.pageValue("Layer.select('box').width").toInt(), 120);

    // Refresh asks for the project again: the server starts anew and the page comes from it.
    document->reloadPreview();
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.isRunning() && document->serverLocalUrl() != firstAddress; }, 15000));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return boxWidth(probe) == 120
            && probe.pageValue("location.href").toString().startsWith(server.url());
    }, 60000)) << "the page did not come from the new server";

    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

namespace {
TEST_F(ServerProblemTest, AProjectSavedUnderANewNameIsServedFromThereOnly)
{
    QPointer<RBDocument> document = openServedProject();
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    ASSERT_TRUE(testsupport::waitUntil([&] { return boxWidth(probe) == 120; }, 60000));
    const auto page = [&](const QString& served) { return served.mid(server.url().size()).toUtf8() + "index.html"; };
    const QByteArray oldPage = page(document->serverLocalUrl());
    ASSERT_EQ(servertest::rawRequest(server.url(), "GET", oldPage).status, 200);

    const QString moved = dir.path() + "/Moved.zelvor";
    platform::SavePanel::setTestResponder([&](const platform::SavePanel&) { return moved; });
    const bool saved = document->saveDocumentAs();
    platform::SavePanel::setTestResponder({});
    ASSERT_TRUE(saved);

    // The preview comes back from the new place, and the old one is no longer served.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return !document->serverLocalUrl().isEmpty()
            && probe.pageValue("location.href").toString().startsWith(document->serverLocalUrl())
            && boxWidth(probe) == 120;
    }, 60000)) << "the page did not come from the new place";
    EXPECT_EQ(servertest::rawRequest(server.url(), "GET", page(document->serverLocalUrl())).status, 200);
    EXPECT_TRUE(testsupport::waitUntil([&] { return servertest::rawRequest(server.url(), "GET", oldPage).status == 404; }, 5000));
    EXPECT_TRUE(QFileInfo(dir.path() + "/Served.zelvor/app.coffee").isFile()); // left as it was

    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace
