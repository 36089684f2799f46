#include "ServerTestSupport.h"

#include "platform/Bundle.h"
#include "platform/NetService.h"
#include "platform/NotificationCenter.h"
#include "platform/Task.h"
#include "platform/UserDefaults.h"
#include "platform/CSTaskManager.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QNetworkInterface>
#include <QSysInfo>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>

using servertest::rawRequest;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class RBServerControllerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { servertest::isolateFromTheSystemBus(); }

    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        project = folder.filePath(QStringLiteral("First.zelvor"));
        writeFile(project + QStringLiteral("/index.html"), "<html><head><title>p</title></head><body>first</body></html>");
        writeFile(project + QStringLiteral("/images/dot.bin"), QByteArray("\x00\x01\x02\xff", 4));
        writeFile(folder.filePath(QStringLiteral("outside.txt")), "secret");
        QFile::link(folder.filePath(QStringLiteral("outside.txt")), project + QStringLiteral("/leak.txt"));
        QFile::link(folder.path(), project + QStringLiteral("/up"));
        QDir().mkpath(project + QStringLiteral("/docs"));
        QFile::link(folder.filePath(QStringLiteral("outside.txt")), project + QStringLiteral("/docs/index.html"));
    }

    QTemporaryDir folder;
    QString project;
};

} // namespace

TEST_F(RBServerControllerTest, QueuedMountsGoOutInOrderBeforeTheStartNotification)
{
    const QString second = folder.filePath(QStringLiteral("Second.zelvor"));
    writeFile(second + QStringLiteral("/index.html"), "second");

    RBServerController controller;
    QStringList events;
    QObject::connect(&controller, &RBServerController::endpointRequested, [&](const QString& endpoint, const QJsonObject& payload) {
        events << endpoint + QLatin1Char(' ') + QFileInfo(payload.value(QStringLiteral("path")).toString()).fileName();
    });
    const auto token = platform::NotificationCenter::defaultCenter().addObserver(
        RBServerController::DidStartNotification(), nullptr, [&](const platform::Notification&) { events << QStringLiteral("started"); });

    QStringList served;
    controller.start();
    EXPECT_FALSE(controller.isRunning()) << "running only from the ready message on";
    controller.start(); // still starting: launches nothing more
    controller.mount(project, [&](const QJsonObject& reply, const QString& error) {
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        served << reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
    });
    controller.mount(second, [&](const QJsonObject& reply, const QString&) {
        served << reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
    });
    EXPECT_TRUE(events.isEmpty());
    ASSERT_TRUE(testsupport::waitUntil([&] { return served.size() == 2; }, 10000));
    platform::NotificationCenter::defaultCenter().removeObserver(token);

    EXPECT_EQ(events, (QStringList{QStringLiteral("mount First.zelvor"), QStringLiteral("mount Second.zelvor"), QStringLiteral("started")}));
    EXPECT_TRUE(controller.isRunning());
    EXPECT_TRUE(controller.url().startsWith(QStringLiteral("http://127.0.0.1:")));
    EXPECT_FALSE(controller.url().endsWith(QLatin1Char('/')));
    ASSERT_TRUE(served[0].startsWith(QLatin1Char('/')));
    EXPECT_NE(served[0], served[1]);

    // A mount after the ready message goes out at once.
    controller.mount(project, [](const QJsonObject&, const QString&) {});
    EXPECT_EQ(events.last(), QStringLiteral("mount First.zelvor"));

    // The mounted project comes back over HTTP: the page with the listener script, files as
    // they are, and the folder itself as its index page.
    const auto page = rawRequest(controller.url(), "GET", served[0].toUtf8() + "index.html");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<body>first</body>"));
    EXPECT_TRUE(page.body.contains("/_server/client.js"));
    EXPECT_EQ(rawRequest(controller.url(), "GET", served[0].toUtf8()).body, page.body);
    // The application's own preview asks without the listener: a script sent to the mirrored
    // devices after a save must not reload the previews of every open project.
    const auto preview = rawRequest(controller.url(), "GET", served[0].toUtf8() + "index.html?reloader=0");
    EXPECT_TRUE(preview.body.contains("<body>first</body>"));
    EXPECT_FALSE(preview.body.contains("/_server/client.js"));
    const auto file = rawRequest(controller.url(), "GET", served[0].toUtf8() + "images/dot.bin");
    EXPECT_EQ(file.status, 200);
    EXPECT_EQ(file.body, QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_EQ(rawRequest(controller.url(), "GET", served[1].toUtf8()).body.right(6), QByteArray("second"));

    // The application's resources are served too.
    const auto resource = rawRequest(controller.url(), "GET", "/_server/resources/python/run.py");
    EXPECT_EQ(resource.status, 200);
    EXPECT_TRUE(resource.body.contains("PARENT_PROCESS"));

    controller.stop();
    EXPECT_FALSE(controller.isRunning());
    EXPECT_FALSE(controller.serverTaskManager()->task().isRunning());
}

TEST_F(RBServerControllerTest, NoRequestLeavesAMountedFolderOrTheResources)
{
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    const QByteArray base = servertest::mountAndWait(controller, project).toUtf8();
    ASSERT_FALSE(base.isEmpty());
    const QString url = controller.url();

    const QList<QByteArray> refused = {
        base + "../../outside.txt",           base + "%2e%2e/outside.txt",      base + "%2E%2E%2Foutside.txt",
        base + "images/..%2f..%2foutside.txt", base + "leak.txt",                base + "up/outside.txt",
        base + "docs/",
        base + "%2F" + QFile::encodeName(folder.filePath(QStringLiteral("outside.txt"))).replace("/", "%2F"),
        "/_server/resources/../CMakeLists.txt", "/_server/resources/%2e%2e/CMakeLists.txt", "//etc/passwd",
        "/../../../etc/passwd",
    };
    for (const QByteArray& path : refused) {
        const auto response = rawRequest(url, "GET", path);
        EXPECT_TRUE(response.status == 403 || response.status == 404) << path.toStdString() << " gave " << response.status;
        EXPECT_FALSE(response.body.contains("secret")) << path.toStdString();
    }
    EXPECT_EQ(rawRequest(url, "GET", base + "images/./dot.bin").status, 200) << "harmless steps are fine";

    // Control requests: from the application only, whatever they carry.
    EXPECT_EQ(rawRequest(url, "POST", "/_server/api/eval", R"({"script": "1"})", "text/plain").status, 403);
    EXPECT_EQ(rawRequest(url, "GET", "/_server/api/eval").status, 405);
    EXPECT_EQ(rawRequest(url, "POST", "/_server/api/eval", "not json", "application/json").status, 403);
    QString failure;
    EXPECT_TRUE(servertest::mountAndWait(controller, folder.filePath(QStringLiteral("missing")), &failure).isEmpty());
    EXPECT_TRUE(failure.contains(QStringLiteral("no such folder"))) << failure.toStdString();

    QString outsideAddress;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            outsideAddress = address.toString();
    }
    if (outsideAddress.isEmpty()) {
        GTEST_SKIP() << "no non-loopback IPv4 address on this machine to test remote control requests";
    }
    // This machine's own network address stands in for a phone: it may read, not control.
    QString remoteUrl = url;
    remoteUrl.replace(QStringLiteral("127.0.0.1"), outsideAddress);
    EXPECT_EQ(rawRequest(remoteUrl, "GET", base + "index.html", {}, {}, outsideAddress).status, 200);
    const QByteArray mountBody = "{\"path\": \"" + QFile::encodeName(folder.path()) + "\"}";
    EXPECT_EQ(rawRequest(remoteUrl, "POST", "/_server/api/mount", mountBody, "application/json", outsideAddress).status, 403);
    EXPECT_EQ(rawRequest(remoteUrl, "POST", "/_server/api/eval", R"({"script": "1"})", "application/json", outsideAddress).status, 403);
}

TEST_F(RBServerControllerTest, EvalReachesEveryConnectedPage)
{
    RBServerController controller;
    QString early;
    controller.eval(QStringLiteral("1"), [&](const QJsonObject&, const QString& error) { early = error; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return !early.isEmpty(); }));

    ASSERT_TRUE(servertest::startAndWait(controller));
    QTcpSocket events;
    const QUrl url(controller.url());
    events.connectToHost(url.host(), quint16(url.port()));
    ASSERT_TRUE(events.waitForConnected(5000));
    events.write("GET /_server/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/event-stream\r\n\r\n");
    QByteArray stream;
    ASSERT_TRUE(testsupport::waitUntil([&] {
        stream += events.readAll();
        return stream.contains(": connected");
    }));

    QJsonObject reply;
    controller.eval(QStringLiteral("location.reload()"), [&](const QJsonObject& r, const QString&) { reply = r; });
    ASSERT_TRUE(testsupport::waitUntil([&] {
        stream += events.readAll();
        return stream.contains("data: ");
    }));
    EXPECT_TRUE(stream.contains("data: \"location.reload()\"\n\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !reply.isEmpty(); }));
    EXPECT_EQ(reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("clients")).toInt(), 1);
    controller.stop();
}

TEST_F(RBServerControllerTest, StopEndsAServerThatNeverSaidReady)
{
    // A stand-in server that ignores the request to end and never becomes ready.
    QTemporaryDir resources;
    writeFile(resources.filePath(QStringLiteral("python/run.py")),
              "import signal, sys, time\nsignal.signal(signal.SIGTERM, signal.SIG_IGN)\nprint('starting')\ntime.sleep(60)\n");
    const QByteArray saved = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", resources.path().toUtf8());
    platform::Bundle::main().reload();

    RBServerController controller;
    controller.start();
    qputenv("ZELVOR_RESOURCES", saved);
    platform::Bundle::main().reload();
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller.serverTaskManager()->output().contains(QStringLiteral("starting")); }));
    QString pending;
    controller.mount(project, [&](const QJsonObject&, const QString& error) { pending = error; });

    QElapsedTimer timer;
    timer.start();
    controller.stop();
    EXPECT_FALSE(controller.serverTaskManager()->task().isRunning());
    EXPECT_EQ(controller.serverTaskManager()->task().terminationReason(), platform::Task::TerminationReason::UncaughtSignal);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_FALSE(controller.isRunning());
}

TEST_F(RBServerControllerTest, AServerKilledFromOutsideComesBackWithEveryFolderMounted)
{
    const QString second = folder.filePath(QStringLiteral("Zweites Projekt \u00e9t\u00e9.zelvor"));
    writeFile(second + QStringLiteral("/index.html"), "<html><head></head><body>second</body></html>");

    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    struct Mounted {
        int answers = 0;
        QString address; // server URL + served path of the latest answer
    };
    auto first = std::make_shared<Mounted>(), other = std::make_shared<Mounted>();
    const auto record = [&controller](std::shared_ptr<Mounted> m) {
        return [&controller, m](const QJsonObject& reply, const QString& error) {
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            ++m->answers;
            m->address = controller.url() + reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
        };
    };
    controller.mount(project, record(first));
    controller.mount(second, record(other));
    ASSERT_TRUE(testsupport::waitUntil([&] { return first->answers == 1 && other->answers == 1; }));
    const QString before = controller.url();
    int starts = 0;
    const auto token = platform::NotificationCenter::defaultCenter().addObserver(
        RBServerController::DidStartNotification(), nullptr, [&](const platform::Notification&) { ++starts; });

    ::kill(pid_t(controller.serverTaskManager()->task().processIdentifier()), SIGKILL);

    // Both projects are mounted on the new server and their documents hear the new address.
    ASSERT_TRUE(testsupport::waitUntil([&] { return first->answers == 2 && other->answers == 2; }, 15000))
        << "the server did not come back";
    platform::NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(controller.isRunning());
    EXPECT_NE(controller.url(), before);
    const QUrl secondPage(other->address + QStringLiteral("index.html"));
    EXPECT_TRUE(rawRequest(controller.url(), "GET", QUrl(first->address).path().toUtf8() + "index.html").body.contains("first"));
    EXPECT_TRUE(rawRequest(controller.url(), "GET", secondPage.path(QUrl::FullyEncoded).toUtf8()).body.contains("second"));

    // A server that the application stops stays stopped.
    controller.stop();
    testsupport::spin(RBServerController::RestartDelayMs * 3);
    EXPECT_FALSE(controller.isRunning());
    EXPECT_FALSE(controller.serverTaskManager()->task().isRunning());
    EXPECT_EQ(first->answers, 2);
}

TEST_F(RBServerControllerTest, AServerThatNeverGetsReadyIsNotStartedAgainAndAgain)
{
    QTemporaryDir resources;
    writeFile(resources.filePath(QStringLiteral("python/run.py")), "import sys\nprint('broken')\nsys.exit(3)\n");
    const QByteArray saved = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", resources.path().toUtf8());
    platform::Bundle::main().reload();
    RBServerController controller;
    controller.start();
    CSTaskManager* runner = controller.serverTaskManager();
    qputenv("ZELVOR_RESOURCES", saved);
    platform::Bundle::main().reload();
    ASSERT_TRUE(runner->waitUntilEnd(10000));
    testsupport::spin(RBServerController::RestartDelayMs * 3);
    EXPECT_EQ(controller.serverTaskManager(), runner);
    EXPECT_FALSE(controller.isRunning());
}

TEST_F(RBServerControllerTest, ServerEndsWhenItsParentIsGone)
{
    platform::Task parent;
    parent.setLaunchPath(QStringLiteral("/bin/sleep"));
    parent.setArguments({QStringLiteral("30")});
    ASSERT_TRUE(parent.launch());

    CSTaskManager server;
    server.task().setLaunchPath(platform::Task::pythonPath());
    server.task().setArguments({platform::Bundle::main().pathForResource(QStringLiteral("run"), QStringLiteral("py"), QStringLiteral("python"))});
    server.task().setEnvironment({{QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1")},
                                  {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
                                  {QStringLiteral("PARENT_PROCESS"), QString::number(parent.processIdentifier())}});
    ASSERT_TRUE(server.run());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !server.objects().isEmpty(); }));
    parent.kill();
    EXPECT_TRUE(server.waitUntilEnd(5000)) << "the server outlived its parent";
}

TEST_F(RBServerControllerTest, WithoutAnAnnouncerTheServerStillWorks)
{
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    ASSERT_NE(controller.netService(), nullptr);
    EXPECT_FALSE(controller.netService()->isPublished());
    EXPECT_EQ(controller.netService()->type(), QStringLiteral("_zelvorstudio._tcp."));
    EXPECT_EQ(controller.netService()->port(), QUrl(controller.url()).port());
    EXPECT_FALSE(servertest::mountAndWait(controller, project).isEmpty());
    controller.stop();
}

namespace {
struct MountAnswer {
    int count = 0;
    QString served;
    QString error;
};

RBServerController::CompletionHandler recordInto(std::shared_ptr<MountAnswer> answer)
{
    return [answer](const QJsonObject& reply, const QString& error) {
        ++answer->count;
        answer->served = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
        answer->error = error;
    };
}
} // namespace

TEST_F(RBServerControllerTest, AServerThatNeverGetsReadyIsGivenUpInTimeAndAMountStartsItAgain)
{
    RBServerController controller;
    // Long enough for the stand-in to have started and spoken on a busy machine.
    controller.setStartTimeout(3000);
    // Stays silent for a minute, and ignores the request to end.
    QTemporaryDir resources;
    servertest::startWithScript(controller, resources.path(), "import signal, time\nsignal.signal(signal.SIGTERM, signal.SIG_IGN)\nprint('thinking', flush=True)\ntime.sleep(60)\n");
    CSTaskManager* hung = controller.serverTaskManager();
    auto waiting = std::make_shared<MountAnswer>();
    controller.mount(project, recordInto(waiting));

    // The waiting document hears why instead of waiting for ever; the silent server is gone.
    ASSERT_TRUE(testsupport::waitUntil([&] { return waiting->count == 1; }, 10000)) << "the mount waited for ever";
    EXPECT_EQ(waiting->error, QStringLiteral("The preview server did not get ready within 3 seconds."));
    EXPECT_TRUE(controller.isFailed());
    EXPECT_EQ(controller.failureMessage(), waiting->error);
    EXPECT_FALSE(hung->task().isRunning());
    EXPECT_TRUE(controller.output().contains(QStringLiteral("thinking")));
    EXPECT_TRUE(controller.output().contains(QStringLiteral("did not get ready within 3 seconds and was stopped")));

    // Nothing starts it again by itself.
    testsupport::spin(RBServerController::RestartDelayMs * 3);
    EXPECT_EQ(controller.serverTaskManager(), hung);

    // A new request for the folder does: the (now sound) server serves it, given the usual
    // time to get ready on a busy machine.
    controller.setStartTimeout(RBServerController::StartTimeoutMs);
    auto again = std::make_shared<MountAnswer>();
    controller.mount(project, recordInto(again));
    ASSERT_TRUE(testsupport::waitUntil([&] { return again->count == 1; }, 30000));
    EXPECT_TRUE(again->error.isEmpty()) << again->error.toStdString();
    EXPECT_TRUE(again->served.startsWith(QStringLiteral("/projects/")));
    EXPECT_TRUE(controller.isRunning());
    EXPECT_FALSE(controller.isFailed());
    EXPECT_EQ(waiting->count, 1); // the folder was mounted once on the new server, for its latest request
    controller.stop();
}

TEST_F(RBServerControllerTest, AServerThatEndsAtOnceTellsTheWaitingMountsWhy)
{
    RBServerController controller;
    QTemporaryDir resources;
    servertest::startWithScript(controller, resources.path(), "import sys\nprint('broken')\nsys.exit(3)\n");
    auto first = std::make_shared<MountAnswer>(), second = std::make_shared<MountAnswer>();
    controller.mount(project, recordInto(first));
    controller.mount(folder.filePath(QStringLiteral("Other.zelvor")), recordInto(second));
    ASSERT_TRUE(testsupport::waitUntil([&] { return first->count == 1 && second->count == 1; }, 10000));
    EXPECT_EQ(first->error, QStringLiteral("The preview server stopped before it was ready (exit status 3)."));
    EXPECT_EQ(second->error, first->error);
    EXPECT_TRUE(controller.isFailed());
    controller.stop();
}

TEST_F(RBServerControllerTest, AnUnmountedFolderIsNoLongerServedNorMountedAgainAfterARestart)
{
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    auto mounted = std::make_shared<MountAnswer>();
    controller.mount(project, recordInto(mounted));
    ASSERT_TRUE(testsupport::waitUntil([&] { return mounted->count == 1; }));
    const QByteArray page = mounted->served.toUtf8() + "index.html";
    ASSERT_EQ(rawRequest(controller.url(), "GET", page).status, 200);

    auto unmounted = std::make_shared<MountAnswer>();
    controller.unmount(project, recordInto(unmounted));
    ASSERT_TRUE(testsupport::waitUntil([&] { return unmounted->count == 1; }));
    EXPECT_TRUE(unmounted->error.isEmpty()) << unmounted->error.toStdString();
    EXPECT_EQ(rawRequest(controller.url(), "GET", page).status, 404);

    // A server that comes back after an unexpected end does not serve it again.
    const QString before = controller.url();
    ::kill(pid_t(controller.serverTaskManager()->task().processIdentifier()), SIGKILL);
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller.isRunning() && controller.url() != before; }, 15000));
    testsupport::spin(300);
    EXPECT_EQ(mounted->count, 1);
    EXPECT_EQ(rawRequest(controller.url(), "GET", page).status, 404);

    // Once stopped, nothing serves the folder: the answer comes at once, without a server.
    controller.stop();
    auto afterStop = std::make_shared<MountAnswer>();
    controller.unmount(project, recordInto(afterStop));
    ASSERT_TRUE(testsupport::waitUntil([&] { return afterStop->count == 1; }));
    EXPECT_TRUE(afterStop->error.isEmpty());
}

namespace {
// Starts run.py directly, as the application would, with the given secret and extra variables.
bool launchServer(CSTaskManager& server, const QMap<QString, QString>& extra, QString* url)
{
    QMap<QString, QString> environment = {{QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1")},
                                          {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
                                          {QStringLiteral("PARENT_PROCESS"), QString::number(QCoreApplication::applicationPid())},
                                          {QStringLiteral("BUNDLE_RESOURCE_PATH"), platform::Bundle::main().resourcePath()}};
    environment.insert(extra);
    server.task().setLaunchPath(platform::Task::pythonPath());
    server.task().setArguments({platform::Bundle::main().pathForResource(QStringLiteral("run"), QStringLiteral("py"), QStringLiteral("python"))});
    server.task().setEnvironment(environment);
    if (!server.run() || !testsupport::waitUntil([&] { return !server.objects().isEmpty(); }))
        return false;
    *url = server.objects().first().value(QStringLiteral("url")).toString();
    return true;
}

QByteArray postWithSecret(const QByteArray& endpoint, const QByteArray& body, const QByteArray& secret)
{
    return "POST /_server/api/" + endpoint + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
           "Content-Type: application/json\r\nX-Zelvor-Secret: " + secret + "\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}
} // namespace

TEST_F(RBServerControllerTest, OnlyTheApplicationControlsTheServerAndOnlyItsOpenProjects)
{
    CSTaskManager server;
    QString url;
    ASSERT_TRUE(launchServer(server, {{QStringLiteral("ZELVOR_SERVER_SECRET"), QStringLiteral("s3cret")}}, &url));
    const QByteArray mountProject = "{\"path\": \"" + QFile::encodeName(project) + "\"}";

    // Without the secret, or with another one, nothing is mounted or run, from loopback too.
    for (const QByteArray& secret : {QByteArray(), QByteArray("wrong"), QByteArray("s3cre"), QByteArray("s3cret ")}) {
        EXPECT_EQ(servertest::sendRaw(url, postWithSecret("mount", mountProject, secret)).status, 403) << secret.toStdString();
        EXPECT_EQ(servertest::sendRaw(url, postWithSecret("eval", R"({"script": "1"})", secret)).status, 403);
    }
    EXPECT_EQ(servertest::sendRaw(url, postWithSecret("eval", "not json", "s3cret")).status, 400);
    const auto mounted = servertest::sendRaw(url, postWithSecret("mount", mountProject, "s3cret"));
    EXPECT_EQ(mounted.status, 200);
    EXPECT_TRUE(mounted.body.contains("/projects/"));

    // Even with the secret, only project folders are served: not "/etc", not a link named like
    // a project that leads elsewhere, not a plain folder.
    QFile::link(QStringLiteral("/etc"), folder.filePath(QStringLiteral("Etc.zelvor")));
    for (const QString& path : {QStringLiteral("/etc"), folder.filePath(QStringLiteral("Etc.zelvor")), folder.path(), QStringLiteral("/")}) {
        const auto refused = servertest::sendRaw(url, postWithSecret("mount", "{\"path\": \"" + QFile::encodeName(path) + "\"}", "s3cret"));
        EXPECT_EQ(refused.status, 403) << path.toStdString();
        EXPECT_TRUE(refused.body.contains("only project folders")) << refused.body.toStdString();
    }
    server.task().terminate();
    server.waitUntilEnd(5000);

    // A server started without a secret takes no control request at all.
    CSTaskManager bare;
    ASSERT_TRUE(launchServer(bare, {}, &url));
    EXPECT_EQ(servertest::sendRaw(url, postWithSecret("mount", mountProject, "")).status, 403);
    bare.task().terminate();
    bare.waitUntilEnd(5000);
}

TEST_F(RBServerControllerTest, OnlyRequestsThatNameThisMachineAreAnswered)
{
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    const QByteArray page = servertest::mountAndWait(controller, project).toUtf8() + "index.html";
    ASSERT_FALSE(page.isEmpty());
    const QByteArray port = QByteArray::number(QUrl(controller.url()).port());
    const QByteArray hostName = QSysInfo::machineHostName().toUtf8();

    struct Case {
        QByteArray hostLine; // empty: no Host header
        int status;
    };
    const std::vector<Case> cases = {
        {"Host: 127.0.0.1:" + port, 200},         {"Host: localhost:" + port, 200},
        {"Host: LOCALHOST", 200},                    {"Host: " + hostName + ":" + port, 200},
        {"Host: " + hostName + ".local:" + port, 200}, {"Host: 127.0.0.2:" + port, 200},
        {"Host: attacker.example:" + port, 403},     {"Host: attacker.example", 403},
        {"Host: 127.0.0.1.attacker.example", 403},   {"Host: localhost.attacker.example:" + port, 403},
        {"Host: 8.8.8.8:" + port, 403},              {"Host: [::1", 403},
        {"", 403},
    };
    for (const Case& c : cases) {
        QByteArray request = "GET " + page + " HTTP/1.1\r\nConnection: close\r\n";
        if (!c.hostLine.isEmpty())
            request += c.hostLine + "\r\n";
        const auto response = servertest::sendRaw(controller.url(), request + "\r\n");
        EXPECT_EQ(response.status, c.status) << c.hostLine.toStdString();
        if (c.status != 200)
            EXPECT_FALSE(response.body.contains("first")) << c.hostLine.toStdString();
    }
    // A forged Host cannot reach the control side either, even from the application.
    EXPECT_EQ(servertest::sendRaw(controller.url(), "POST /_server/api/eval HTTP/1.1\r\nHost: attacker.example:" + port
                                                        + "\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n{}")
                  .status,
              403);
    // The addresses of this machine's interfaces are its own names too (phones use them).
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const auto response = servertest::sendRaw(controller.url(), "GET " + page + " HTTP/1.1\r\nHost: " + address.toString().toUtf8()
                                                                        + ":" + port + "\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(response.status, 200) << address.toString().toStdString();
    }
    controller.stop();
}

TEST_F(RBServerControllerTest, HiddenFilesAreNeverServedAndAddressesAreKeyedWithTheUsersSalt)
{
    writeFile(project + QStringLiteral("/.git/config"), "secret");
    writeFile(project + QStringLiteral("/.env"), "secret");
    writeFile(project + QStringLiteral("/zelvor/backups/.app.coffee.1"), "secret");
    writeFile(project + QStringLiteral("/.hidden/index.html"), "secret");
    QFile::link(project + QStringLiteral("/.env"), project + QStringLiteral("/plain.txt"));
    QFile::link(project + QStringLiteral("/.git"), project + QStringLiteral("/repo"));

    platform::UserDefaults::standard().setString(RBServerController::IdentifierSaltKey(), QString(64, QLatin1Char('a')));
    RBServerController controller;
    ASSERT_TRUE(servertest::startAndWait(controller));
    const QString served = servertest::mountAndWait(controller, project);
    ASSERT_FALSE(served.isEmpty());
    for (const char* name : {"/.git/config", "/.env", "/%2eenv", "/zelvor/backups/.app.coffee.1", "/.hidden/", "/plain.txt", "/repo/config"}) {
        const auto response = rawRequest(controller.url(), "GET", served.chopped(1).toUtf8() + name);
        EXPECT_TRUE(response.status == 403 || response.status == 404) << name << " gave " << response.status;
        EXPECT_FALSE(response.body.contains("secret")) << name;
    }
    // The page the preview writes for itself is the one hidden name served, at the top only.
    writeFile(project + QStringLiteral("/.temp.html"), "page");
    writeFile(project + QStringLiteral("/images/.temp.html"), "secret");
    EXPECT_EQ(rawRequest(controller.url(), "GET", served.toUtf8() + ".temp.html?reloader=0").body, QByteArray("page"));
    EXPECT_EQ(rawRequest(controller.url(), "GET", served.toUtf8() + "images/.temp.html").status, 403);

    // The same folder has the same address in the next run, but nothing outside the user's
    // settings gives it away: a new salt gives a new address.
    controller.stop();
    RBServerController next;
    ASSERT_TRUE(servertest::startAndWait(next));
    EXPECT_EQ(servertest::mountAndWait(next, project), served);
    next.stop();
    platform::UserDefaults::standard().removeObject(RBServerController::IdentifierSaltKey());
    RBServerController salted;
    ASSERT_TRUE(servertest::startAndWait(salted));
    const QString resalted = servertest::mountAndWait(salted, project);
    EXPECT_NE(resalted, served);
    EXPECT_GE(resalted.size(), QStringLiteral("/projects/").size() + 24);
    const QString kept = platform::UserDefaults::standard().stringForKey(RBServerController::IdentifierSaltKey());
    EXPECT_EQ(kept.size(), 64) << "a new salt is made once and kept";
    salted.stop();
}

TEST_F(RBServerControllerTest, OneClientCannotTakeTheServersThreads)
{
    CSTaskManager server;
    QString url;
    ASSERT_TRUE(launchServer(server, {{QStringLiteral("ZELVOR_SERVER_CONNECTION_TIMEOUT"), QStringLiteral("3")}}, &url));
    const QUrl base(url);

    // A few event streams per client; the next is refused, and a closed one frees its place.
    std::vector<std::unique_ptr<QTcpSocket>> streams;
    const auto openStream = [&] {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(base.host(), quint16(base.port()));
        socket->waitForConnected(5000);
        socket->write("GET /_server/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        testsupport::waitUntil([&] {
            answer += socket->readAll();
            return answer.contains("\r\n\r\n");
        }, 5000);
        streams.push_back(std::move(socket));
        return answer;
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(openStream().startsWith("HTTP/1.1 200")) << i;
    EXPECT_TRUE(openStream().startsWith("HTTP/1.1 429"));
    streams.front()->abort();
    testsupport::waitUntil([&] { return openStream().startsWith("HTTP/1.1 200"); }, 5000);
    EXPECT_TRUE(streams.back()->state() == QAbstractSocket::ConnectedState);

    // One address holding many connections does not keep others out: past its share, its
    // connections are closed at once (long before the time-out).
    std::vector<std::unique_ptr<QTcpSocket>> greedy;
    for (int i = 0; i < 40; ++i) {
        greedy.push_back(std::make_unique<QTcpSocket>());
        greedy.back()->bind(QHostAddress(QStringLiteral("127.0.0.3")));
        greedy.back()->connectToHost(base.host(), quint16(base.port()));
        greedy.back()->waitForConnected(5000);
        greedy.back()->write("GET /_server/resources/");
    }
    testsupport::spin(500);
    const auto refused = std::count_if(greedy.begin(), greedy.end(), [](const auto& s) { return s->state() != QAbstractSocket::ConnectedState; });
    EXPECT_GE(refused, 40 - 32);
    EXPECT_LT(refused, 40);
    EXPECT_EQ(rawRequest(url, "GET", "/_server/resources/python/run.py").status, 200);

    // A connection that says nothing is closed after the time-out; a stream is kept open.
    QTcpSocket silent;
    silent.connectToHost(base.host(), quint16(base.port()));
    ASSERT_TRUE(silent.waitForConnected(5000));
    EXPECT_TRUE(testsupport::waitUntil([&] { return silent.state() == QAbstractSocket::UnconnectedState; }, 10000))
        << "a silent connection was kept";
    EXPECT_TRUE(streams.back()->state() == QAbstractSocket::ConnectedState);
    EXPECT_EQ(rawRequest(url, "GET", "/_server/resources/python/run.py").status, 200);
    server.task().terminate();
    server.waitUntilEnd(5000);
}
