// The whole edit loop in an offscreen window: a project folder is opened through the document
// controller with the real server, compiler and preview; typing reaches the page, a syntax
// error shows its marker, and what was typed survives a save, a close and a reopening.
#include "../document/DocumentFakes.h"
#include "../preview/ServerTestSupport.h"
#include "WindowProbe.h"

#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentWindow.h"
#include "platform/gui/Alert.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { RBServerController::sharedInstance().stop(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

const char* const kProgram = "box = new Layer\n\tname: \"box\"\n\twidth: 100\nbox.x = 0\n";

RBDocument* openProject(RBDocumentController& controller, const QString& path)
{
    RBDocument* opened = nullptr;
    controller.openDocumentWithContentsOfURL(path, true, [&opened](platform::Document* d, bool, const QString& error) {
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        opened = qobject_cast<RBDocument*>(d);
    });
    return opened;
}

TEST(DocumentWindowEndToEnd, TypingReachesThePreviewErrorsShowAndTheTextSurvivesReopening)
{
    useTemporaryUserFolders();
    servertest::isolateFromTheSystemBus();
    platform::Alert::setTestResponder([](const platform::Alert& alert) {
        ADD_FAILURE() << "unexpected alert: " << alert.messageText().toStdString();
        return platform::Alert::kFirstButtonReturn + 1;
    });
    ASSERT_TRUE(servertest::startAndWait(RBServerController::sharedInstance()));
    auto* controller = new RBDocumentController(qApp);
    ASSERT_EQ(RBDocumentController::shared(), controller);
    RBDocumentServices services = controller->services();
    services.buildWindow = buildDocumentWindow;
    controller->setServices(services);

    QTemporaryDir dir;
    const QString project = dir.path() + "/Loop.zelvor";
    QDir().mkpath(project + "/zelvor");
    QFile program(project + "/app.coffee");
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write(kProgram);
    program.close();
    QFile config(project + "/zelvor/config.json");
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("{\"updateDelay\": 0.05}");
    config.close();

    QPointer<RBDocument> document = openProject(*controller, project);
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    ASSERT_TRUE(probe.window());
    probe.window()->resize(1200, 800);

    // The program as read runs in the page.
    ASSERT_TRUE(testsupport::waitUntil([&] { return probe.pageValue("Layer.select('box') ? Layer.select('box').width : -1").toInt() == 100; }, 60000))
        << "the first program never ran";

    // Typing a line at the end of the code changes the layer in the page.
    probe.typeAtEnd("\nbox.width = 250");
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(testsupport::waitUntil([&] { return probe.pageValue("Layer.select('box').width").toInt() == 250; }, 20000));
    const QString screenshot = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR");
    if (!screenshot.isEmpty()) {
        testsupport::spin(300);
        probe.window()->grab().save(screenshot + "/document-window.png");
    }

    // A syntax error: the marker shows at its line, and the page keeps the last good program.
    probe.typeAtEnd("\nbox.height = = 3");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !probe.errorLines().isEmpty(); }, 20000)) << "no error marker";
    EXPECT_EQ(probe.errorLines().first(), 7);
    EXPECT_EQ(probe.pageValue("Layer.select('box').width").toInt(), 250);
    if (!screenshot.isEmpty())
        probe.window()->grab().save(screenshot + "/document-window-error.png");

    // Save, close, reopen: the typed text is what the editor shows.
    const QString typed = document->editor()->content();
    EXPECT_EQ(typed, QString(kProgram) + "\nbox.width = 250\nbox.height = = 3");
    ASSERT_TRUE(document->saveDocument());
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), typed);
    probe.window()->close();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !document; }, 5000)) << "the document stayed after its window closed";
    EXPECT_TRUE(controller->documents().isEmpty());

    document = openProject(*controller, project);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->editor()->content(), typed);
    EXPECT_FALSE(document->isDocumentEdited());
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !document; }, 5000));
    platform::Alert::setTestResponder({});
}

// A program runs in a page served from the same address as the server's control side: it can
// send requests there, and each is refused for want of the application's secret.
TEST(DocumentWindowEndToEnd, AProgramInThePreviewCannotControlTheServer)
{
    useTemporaryUserFolders();
    servertest::isolateFromTheSystemBus();
    ASSERT_TRUE(servertest::startAndWait(RBServerController::sharedInstance()));
    RBDocumentController* controller = RBDocumentController::shared();
    if (!controller) {
        controller = new RBDocumentController(qApp);
        RBDocumentServices services = controller->services();
        services.buildWindow = buildDocumentWindow;
        controller->setServices(services);
    }
    QTemporaryDir dir;
    const QString project = dir.path() + "/Hostile.zelvor";
    QDir().mkpath(project);
    QFile program(project + "/app.coffee");
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("post = (endpoint) ->\n"
                  "\tbody = JSON.stringify({path: \"/etc\", script: \"document.title = 'taken'\"})\n"
                  "\theaders = {\"Content-Type\": \"application/json\", \"X-Zelvor-Secret\": \"guess\"}\n"
                  "\tfetch(\"/_server/api/\" + endpoint, {method: \"POST\", headers: headers, body: body}).then(\n"
                  "\t\t((response) -> window.controlAnswers[endpoint] = response.status),\n"
                  "\t\t((error) -> window.controlAnswers[endpoint] = String(error)))\n"
                  "window.controlAnswers = {}\n"
                  "post(endpoint) for endpoint in [\"mount\", \"eval\", \"unmount\"]\n");
    program.close();

    QPointer<RBDocument> document = openProject(*controller, project);
    ASSERT_TRUE(document);
    WindowProbe probe(*document);
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return probe.pageValue("window.controlAnswers ? Object.keys(window.controlAnswers).length : 0").toInt() == 3; }, 60000))
        << "the program's requests never came back";
    // The answers come back in any order, so each endpoint is read on its own.
    for (const char* endpoint : {"mount", "eval", "unmount"})
        EXPECT_EQ(probe.pageValue(QStringLiteral("String(window.controlAnswers.%1)").arg(QLatin1String(endpoint))).toString(),
                  QStringLiteral("403"))
            << endpoint;
    EXPECT_TRUE(probe.pageValue("location.href").toString().startsWith(RBServerController::sharedInstance().url()));
    EXPECT_NE(probe.pageValue("document.title").toString(), QStringLiteral("taken"));
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
