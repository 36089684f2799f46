// Share uploads: the answer rules of the upload manager with stand-in programs, and the upload
// program itself against a fake share service on 127.0.0.1 that checks what arrives.
#include "../Mixpanel/FakeHttpServer.h"

#include "preview/RBSharingUploadManager.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <csignal>

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

struct Outcomes {
    QStringList successes;
    QStringList errors;
    int count() const { return int(successes.size() + errors.size()); }
};

// A manager whose outcomes are recorded.
void record(RBSharingUploadManager& manager, Outcomes& outcomes)
{
    manager.setUploadSuccess([&outcomes](const QString& url) { outcomes.successes << url; });
    manager.setUploadError([&outcomes](const QString& message) { outcomes.errors << message; });
}

// Runs a shell script in place of the upload program; it gets the e-mail and folder as $1 and $2.
void useScript(RBSharingUploadManager& manager, const QString& script)
{
    manager.setProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh")});
}

} // namespace

TEST(ShareUpload, AnswerRulesGiveExactlyOneOutcomePerUpload)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("late");
    struct Case {
        const char* name;
        QString script;
        QString success; // expected link, or empty
        QString error;   // expected start of the error, or empty
    };
    const QList<Case> cases = {
        {"done", R"(echo '{"action": "done", "url": "https://share.example/p/1"}')", "https://share.example/p/1", ""},
        {"error", R"(echo '{"error": "Quota used up"}'; sleep 1)", "", "Quota used up"},
        {"other objects and plain lines are passed over",
         R"(echo 'packing'; echo '{"action": "progress"}'; echo '{"url": "https://x.example/"}'; sleep 0.3;
            echo '{"action": "done", "url": "http://share.example/p/2"}')",
         "http://share.example/p/2", ""},
        {"error and done in one object is a failure", R"(echo '{"error": "Half", "action": "done", "url": "https://a.example/"}')", "", "Half"},
        {"a link that is no web address is refused", R"(echo '{"action": "done", "url": "ftp://share.example/p"}')", "",
         "The share service did not answer with a web link."},
        {"the end without an answer", R"(echo 'Traceback: boom'; exit 3)", "", "The upload program ended without an answer (status 3)."},
        {"exactly three variables reach the program",
         R"([ -z "$HOME$DISPLAY$LANG" ] && [ "$DESKTOPAPP$PYTHONUNBUFFERED$PYTHONDONTWRITEBYTECODE" = 111 ] &&
            echo '{"action": "done", "url": "https://env.example/ok"}')",
         "https://env.example/ok", ""},
        // No answer in time: the program is stopped, so its later answer never arrives.
        {"time-out", QStringLiteral(R"(sleep 2; touch '%1'; echo '{"action": "done", "url": "https://late.example/"}')").arg(marker),
         "", "Upload timeout, try again later."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RBSharingUploadManager manager;
        Outcomes outcomes;
        record(manager, outcomes);
        manager.setTimeoutMs(800);
        useScript(manager, c.script);
        ASSERT_TRUE(manager.uploadWithPath(dir.path(), "a@b.example"));
        EXPECT_EQ(outcomes.count(), 0) << "outcomes come later, never from inside the call";
        ASSERT_TRUE(testsupport::waitUntil([&] { return outcomes.count() > 0; }, 5000));
        testsupport::spin(c.error.startsWith("Upload timeout") ? 2500 : 900);
        EXPECT_EQ(outcomes.count(), 1) << outcomes.successes.join(',').toStdString() << outcomes.errors.join(',').toStdString();
        if (!c.success.isEmpty()) {
            EXPECT_EQ(outcomes.successes.value(0), c.success);
        }
        if (!c.error.isEmpty()) {
            EXPECT_TRUE(outcomes.errors.value(0).startsWith(c.error)) << outcomes.errors.value(0).toStdString();
        }
        EXPECT_FALSE(manager.isUploading());
    }
    EXPECT_FALSE(QFile::exists(marker)) << "the timed-out program ran on";
}

TEST(ShareUpload, RefusesASecondUploadAndReportsAProgramThatCannotStart)
{
    QTemporaryDir dir;
    RBSharingUploadManager manager;
    Outcomes outcomes;
    record(manager, outcomes);
    useScript(manager, R"(sleep 0.5; echo '{"action": "done", "url": "https://one.example/"}')");
    ASSERT_TRUE(manager.uploadWithPath(dir.path(), ""));
    EXPECT_FALSE(manager.uploadWithPath(dir.path(), ""));
    ASSERT_TRUE(testsupport::waitUntil([&] { return outcomes.count() > 0; }, 5000));
    testsupport::spin(300);
    EXPECT_EQ(outcomes.successes, QStringList{"https://one.example/"});
    EXPECT_TRUE(outcomes.errors.isEmpty());

    manager.setProgram(dir.filePath("no-such-program"), {});
    ASSERT_TRUE(manager.uploadWithPath(dir.path(), ""));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.errors.isEmpty(); }, 5000));
    EXPECT_TRUE(outcomes.errors.first().startsWith("The upload program could not be started")) << outcomes.errors.first().toStdString();
}

TEST(ShareUpload, LinksThatMayBeOpened)
{
    for (const char* good : {"https://share.example/p/abc", "http://10.0.0.2:8000/x?y=1"})
        EXPECT_TRUE(RBSharingUploadManager::isShareLink(good)) << good;
    for (const char* bad : {"", "javascript:alert(1)", "file:///etc/passwd", "https://", "ftp://a.example/",
                            "https://a.example/\nx", "https://user:pw@a.example/", "data:text/html,hi", "/relative"})
        EXPECT_FALSE(RBSharingUploadManager::isShareLink(bad)) << bad;
}

namespace {

class UploadProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        project = dir.filePath("Share Me.zelvor");
        write(project + "/app.coffee", "layer = new Layer\n");
        write(project + "/index.html", "<html></html>");
        write(project + "/images/photo.png", QByteArray(5000, 'p'));
        write(project + "/zelvor/config.json", "{}");
        write(project + "/zelvor/backups/backup-1.coffee", "old");
        write(project + "/.git/HEAD", "ref");
        write(project + "/.temp.html", "temp");
        write(project + "/notes.txt~", "editor leftover");
        write(dir.filePath("secret.txt"), "outside");
        QFile::link(dir.filePath("secret.txt"), project + "/images/secret.txt");
        QDir().mkpath(project + "/modules");
        QFile::link(project + "/app.coffee", project + "/modules/copy.coffee");
        service.setResponder([this](const FakeHttpServer::Request& request) { return reply(request); });
    }

    // Uploads through the real program and answers the outcome ("ok:" link or "error:" text).
    QString upload(const QString& email, const QString& serviceURL)
    {
        RBSharingUploadManager manager;
        manager.setServiceURL(serviceURL);
        manager.setTimeoutMs(20000);
        Outcomes outcomes;
        record(manager, outcomes);
        EXPECT_TRUE(manager.uploadWithPath(project, email));
        EXPECT_TRUE(testsupport::waitUntil([&] { return outcomes.count() > 0; }, 25000));
        return outcomes.successes.isEmpty() ? "error:" + outcomes.errors.value(0) : "ok:" + outcomes.successes.first();
    }
    QString upload(const QString& email = "designer@example.com") { return upload(email, service.baseURL() + "/api/share"); }

    QStringList archiveNames(const QByteArray& zip)
    {
        const QString path = dir.filePath("arrived.zip");
        write(path, zip);
        QProcess unzip;
        unzip.start("/usr/bin/unzip", {"-Z1", path});
        unzip.waitForFinished();
        QStringList names = QString::fromUtf8(unzip.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        names.sort();
        return names;
    }

    std::function<FakeHttpServer::Reply(const FakeHttpServer::Request&)> answer = [](const FakeHttpServer::Request&) {
        return FakeHttpServer::Reply{200, R"({"url": "https://share.example/p/xyz"})", "application/json"};
    };
    FakeHttpServer::Reply reply(const FakeHttpServer::Request& request) { return answer(request); }

    QTemporaryDir dir;
    QString project;
    FakeHttpServer service;
};

} // namespace

TEST_F(UploadProgram, SendsThePackedProjectWithTheAddressAndGivesTheLink)
{
    EXPECT_EQ(upload("o\"brien@example.com"), "ok:https://share.example/p/xyz");
    ASSERT_EQ(service.requestCount(), 1);
    const FakeHttpServer::Request request = service.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.headers.value("content-type"), "application/zip");
    const QUrl url("http://x" + request.path);
    EXPECT_EQ(url.path(), "/api/share");
    EXPECT_EQ(QUrlQuery(url).queryItemValue("email", QUrl::FullyDecoded), "o\"brien@example.com");
    // Backups, hidden and temporary files stay home; a link out of the project is not followed,
    // one inside it carries its file.
    EXPECT_EQ(archiveNames(request.body).join(' ').toStdString(),
              "Share Me.zelvor/app.coffee Share Me.zelvor/images/photo.png Share Me.zelvor/index.html "
              "Share Me.zelvor/modules/copy.coffee Share Me.zelvor/zelvor/config.json");
    EXPECT_TRUE(QFile::exists(project + "/zelvor/backups/backup-1.coffee"));
}

TEST_F(UploadProgram, EveryBadAnswerOrInputEndsInAClearMessageAndNothingOdd)
{
    struct Case {
        const char* name;
        FakeHttpServer::Reply reply;
        QString email;
        QString expected; // the start of the error
        int requests;
    };
    const QList<Case> cases = {
        {"the service's own error", {500, R"({"error": "The share service is full."})", "application/json"}, "a@b.example",
         "The share service is full.", 1},
        {"a 500 without words", {500, "<html>oops</html>", "text/html"}, "a@b.example", "The share service answered with the error 500.", 1},
        {"garbage", {200, "\x01\x02garbage", "text/plain"}, "a@b.example", "The share service gave an answer that could not be read.", 1},
        {"a link that is no web address", {200, R"({"url": "file:///etc/passwd"})", "application/json"}, "a@b.example",
         "The share service did not answer with a web link.", 1},
        {"an address with a line break", {200, R"({"url": "https://share.example/p/1"})", "application/json"},
         "a@b.example\nBcc: all@example.com", "The e-mail address for sharing holds a line break", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service.clearRequests();
        answer = [reply = c.reply](const FakeHttpServer::Request&) { return reply; };
        const QString outcome = upload(c.email);
        EXPECT_TRUE(outcome.startsWith("error:" + c.expected)) << outcome.toStdString();
        EXPECT_EQ(service.requestCount(), c.requests);
    }

    // Without a service nothing is sent anywhere.
    EXPECT_EQ(upload("a@b.example", ""), "error:Sharing is not set up in this build of Zelvor Studio.");

    // A project too big is refused before anything is packed (a sparse file takes no disk).
    service.clearRequests();
    QFile big(project + "/images/huge.mov");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(500) * 1000 * 1000));
    big.close();
    const QString outcome = upload();
    EXPECT_TRUE(outcome.startsWith("error:The project holds 500 MB of files; sharing takes projects of up to 250 MB."))
        << outcome.toStdString();
    EXPECT_EQ(service.requestCount(), 0);
}
