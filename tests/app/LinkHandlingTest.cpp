#include "../Mixpanel/FakeHttpServer.h"
#include "AppTestSupport.h"

#include "app/links/LinkGrammar.h"
#include "app/links/RBDocumentURLManager.h"
#include "document/RBProgressWindowController.h"
#include "support/TestSupport.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A zip made with Python's zipfile; entries are "name=content", "name/" (a folder) or
// "name->target" (a symbolic link).
QByteArray zipOf(const QStringList& entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    QStringList args{QStringLiteral("-c"),
                     QStringLiteral("import sys, zipfile\n"
                                    "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                    "    for e in sys.argv[2:]:\n"
                                    "        if '->' in e:\n"
                                    "            n, _, t = e.partition('->')\n"
                                    "            i = zipfile.ZipInfo(n)\n"
                                    "            i.create_system = 3\n"
                                    "            i.external_attr = 0o120777 << 16\n"
                                    "            z.writestr(i, t)\n"
                                    "            continue\n"
                                    "        n, _, c = e.partition('=')\n"
                                    "        z.writestr(n, c)\n"),
                     path};
    args += entries;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), args);
    python.waitForFinished();
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

class LinkHandling : public ::testing::Test {
protected:
    void SetUp() override
    {
        downloads = home.filePath(QStringLiteral("Downloads"));
        server.setResponder([this](const FakeHttpServer::Request& request) {
            const auto it = routes.find(request.path);
            if (it == routes.end()) {
                FakeHttpServer::Reply missing;
                missing.status = 404;
                missing.body = "<html>Not Found</html>";
                return missing;
            }
            return it.value();
        });
    }

    // Opens the link in a new manager and waits until it is handled; answers the error.
    QString open(const QString& link, int timeoutMs = 30000)
    {
        RBDocumentURLManager::Options options;
        options.downloadsFolder = downloads;
        options.gistHost = QStringLiteral("gist.test");
        options.gistRawURL = server.baseURL();
        options.timeoutMs = timeoutMs;
        options.openProject = [this](const QString& path) { opened << path; };
        options.openProgram = [this](const QString& text) { programs << text; };
        manager = std::make_unique<RBDocumentURLManager>(options);
        std::optional<QString> result;
        QObject::connect(manager.get(), &RBDocumentURLManager::finished, [&result](const QString& error) { result = error; });
        manager->openUrl(link);
        EXPECT_TRUE(testsupport::waitUntil([&] { return result.has_value(); }, 20000)) << link.left(100).toStdString();
        return result.value_or(QStringLiteral("(not finished)"));
    }

    QString link(const QString& path) const
    {
        return QString(server.baseURL()).replace(QStringLiteral("http://"), QStringLiteral("zelvor://")) + path;
    }

    void serve(const QString& path, const QByteArray& body, int status = 200)
    {
        FakeHttpServer::Reply reply;
        reply.status = status;
        reply.body = body;
        reply.contentType = "application/zip";
        routes[path] = reply;
    }

    QTemporaryDir home;
    QString downloads;
    FakeHttpServer server;
    QMap<QString, FakeHttpServer::Reply> routes;
    QStringList opened;
    QStringList programs;
    AlertAnswers alerts{QStringLiteral("OK")};
    std::unique_ptr<RBDocumentURLManager> manager;
};

TEST(LinkGrammar, LinksAreReadAsZipsGistsOrNothing)
{
    using LinkGrammar::Kind;
    const struct {
        const char* text;
        Kind kind;
        const char* address;
        const char* user;
        const char* id;
    } cases[] = {
        {"zelvor://example.com/x/demo.zip", Kind::Zip, "http://example.com/x/demo.zip", "", ""},
        {"ZELVOR://example.com/demo.zip", Kind::Zip, "http://example.com/demo.zip", "", ""},
        {"zelvor://example.com/demo.ZIP", Kind::Invalid, "", "", ""}, // the ending is compared exactly
        {"zelvor://gist.test/koen/0123456789", Kind::Gist, "http://gist.test/koen/0123456789", "koen", "0123456789"},
        {"zelvor://gist.test/koen/012345678", Kind::Gist, "http://gist.test/koen/012345678", "koen", "012345678"},
        {"zelvor://", Kind::Invalid, "", "", ""},
        {"zelvor://example.com/", Kind::Invalid, "", "", ""},
        {"zelvor:///etc/passwd.zip", Kind::Invalid, "", "", ""},
        {"javascript:alert(1).zip", Kind::Invalid, "", "", ""},
    };
    for (const auto& c : cases) {
        const LinkGrammar::Link link = LinkGrammar::parse(QString::fromUtf8(c.text), QStringLiteral("gist.test"));
        EXPECT_EQ(link.kind, c.kind) << c.text;
        if (c.kind == Kind::Invalid)
            continue;
        EXPECT_EQ(link.address.toString(), QString::fromUtf8(c.address)) << c.text;
        EXPECT_EQ(link.gistUser, QString::fromUtf8(c.user)) << c.text;
        EXPECT_EQ(link.gistId, QString::fromUtf8(c.id)) << c.text;
    }
    EXPECT_TRUE(LinkGrammar::isShortGistId(QStringLiteral("012345678")));
    EXPECT_FALSE(LinkGrammar::isShortGistId(QStringLiteral("0123456789")));
    EXPECT_EQ(LinkGrammar::parse(QStringLiteral("zelvor://example.com/") + QString(5000, QLatin1Char('a')) + QStringLiteral(".zip"),
                                 QStringLiteral("gist.test")).kind,
              Kind::Invalid);
    // Neither part of a gist may add path steps to the raw address.
    for (const char* part : {"koen", "a-b_c", "v1.2"})
        EXPECT_TRUE(LinkGrammar::isPlainGistPart(QString::fromUtf8(part))) << part;
    for (const char* part : {"", "..", ".hidden", "a b", "a%2Fb", "caf\u00e9"})
        EXPECT_FALSE(LinkGrammar::isPlainGistPart(QString::fromUtf8(part))) << part;
    EXPECT_FALSE(LinkGrammar::isPlainGistPart(QString(101, QLatin1Char('a'))));
    EXPECT_EQ(LinkGrammar::gistRawAddress(QStringLiteral("http://raw.test"), QStringLiteral("koen"), QStringLiteral("0123456789"))
                  .toString(),
              QStringLiteral("http://raw.test/koen/0123456789/raw"));
}

TEST(LinkGrammar, DownloadNamesStayInTheDownloadsFolder)
{
    const struct {
        const char* address;
        const char* name;
    } cases[] = {
        {"http://h/x/demo.zip", "demo.zip"},
        {"http://h/x/My%20Project.zip", "My Project.zip"},
        {"http://h/x/..%2F..%2Fevil.zip", "evil.zip"},
        {"http://h/x/a%5C..%5Cb.zip", "a_.._b.zip"},
        {"http://h/x/.hidden.zip", "hidden.zip"},
        {"http://h/x/%0Aline.zip", "_line.zip"},
        {"http://h/.zip", "Download.zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LinkGrammar::downloadFileName(QUrl(QString::fromUtf8(c.address))), QString::fromUtf8(c.name)) << c.address;
    EXPECT_LE(LinkGrammar::downloadFileName(QUrl(QStringLiteral("http://h/") + QString(3000, QLatin1Char('n')) + QStringLiteral(".zip"))).size(),
              120);
}

TEST_F(LinkHandling, AZipLinkDownloadsIntoDownloadsAndOpensACopyOfItsProjectNeverOverwriting)
{
    serve(QStringLiteral("/x/demo.zip"), zipOf({QStringLiteral("Demo.zelvor/app.coffee=layer = new Layer"),
                                                QStringLiteral("Demo.zelvor/zelvor/"), QStringLiteral("__MACOSX/Demo.zelvor/")}));
    ASSERT_TRUE(testsupport::writeFile(downloads + QStringLiteral("/demo.zip"), "mine"));

    EXPECT_EQ(open(link(QStringLiteral("/x/demo.zip"))), QString());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), downloads + QStringLiteral("/Demo.zelvor"));
    EXPECT_EQ(testsupport::readFile(opened.first() + QStringLiteral("/app.coffee")), QStringLiteral("layer = new Layer"));
    EXPECT_EQ(testsupport::readFile(downloads + QStringLiteral("/demo.zip")), QStringLiteral("mine"));
    EXPECT_EQ(manager->downloadedFile(), downloads + QStringLiteral("/demo (1).zip"));
    EXPECT_TRUE(manager->progressWindow() == nullptr || !manager->progressWindow()->window()->isVisible());

    // The same link again: a second copy beside the first, which stays as it is.
    EXPECT_EQ(open(link(QStringLiteral("/x/demo.zip"))), QString());
    EXPECT_EQ(opened.last(), downloads + QStringLiteral("/Demo (1).zelvor"));
    EXPECT_EQ(filesIn(downloads), (QStringList{QStringLiteral("Demo (1).zelvor"), QStringLiteral("Demo.zelvor"),
                                               QStringLiteral("demo (1).zip"), QStringLiteral("demo (2).zip"),
                                               QStringLiteral("demo.zip")}));
    EXPECT_TRUE(alerts.messages.isEmpty()) << alerts.messages.join(QLatin1Char('\n')).toStdString();
}

// Links inside a shared project may lead to its own files, never to files beside it once it sits
// in Downloads.
TEST_F(LinkHandling, AProjectsLinksThatLeadOutOfItAreDroppedBeforeItMovesIntoDownloads)
{
    serve(QStringLiteral("/linked.zip"),
          zipOf({QStringLiteral("notes.txt=from the archive"), QStringLiteral("Linked.zelvor/app.coffee=layer = new Layer"),
                 QStringLiteral("Linked.zelvor/images/notes.txt->../../notes.txt"),
                 QStringLiteral("Linked.zelvor/modules/copy.coffee->../app.coffee")}));
    ASSERT_TRUE(testsupport::writeFile(downloads + QStringLiteral("/notes.txt"), "the user's own notes"));

    EXPECT_EQ(open(link(QStringLiteral("/linked.zip"))), QString());
    ASSERT_EQ(opened.size(), 1);
    const QFileInfo outward(opened.first() + QStringLiteral("/images/notes.txt"));
    EXPECT_FALSE(outward.exists() || outward.isSymLink());
    EXPECT_EQ(testsupport::readFile(opened.first() + QStringLiteral("/modules/copy.coffee")), QStringLiteral("layer = new Layer"));
}

TEST_F(LinkHandling, BadLinksAndBadAnswersSayWhatIsWrongAndLeaveNothingBehind)
{
    serve(QStringLiteral("/noproject.zip"), zipOf({QStringLiteral("readme.txt=hello")}));
    serve(QStringLiteral("/fake.zip"), "<html>this is not a zip</html>");
    serve(QStringLiteral("/gone.zip"), "<html>Not here</html>", 404);
    serve(QStringLiteral("/evil.zip"), zipOf({QStringLiteral("Evil.zelvor/app.coffee=x"), QStringLiteral("../outside.txt=x")}));
    FakeHttpServer::Reply redirect;
    redirect.status = 302;
    redirect.extraHeaders = "Location: file:///etc/passwd\r\n";
    routes[QStringLiteral("/redirect.zip")] = redirect;
    FakeHttpServer::Reply hang;
    hang.hang = true;
    routes[QStringLiteral("/hang.zip")] = hang;

    const struct {
        QString link;
        QString alert;
    } cases[] = {
        {link(QStringLiteral("/noproject.zip")), QStringLiteral("Unzip Error | The zip archive did not contain a zelvor project.")},
        {link(QStringLiteral("/fake.zip")), QStringLiteral("Unzip Error | The file \u201Cfake.zip\u201D is not a zip archive.")},
        {link(QStringLiteral("/gone.zip")), QStringLiteral("Download Error | The server answered with status 404")},
        {link(QStringLiteral("/evil.zip")), QStringLiteral("Unzip Error | The zip archive \u201Cevil.zip\u201D holds an entry")},
        {link(QStringLiteral("/redirect.zip")), QStringLiteral("Download Error | ")},
        {link(QStringLiteral("/hang.zip")), QStringLiteral("Download Error | The server at 127.0.0.1 stopped answering.")},
        {QStringLiteral("zelvor://"), QStringLiteral("Link Error | Zelvor Studio cannot process the link.")},
        {link(QStringLiteral("/page.html")), QStringLiteral("Link Error | Zelvor Studio cannot process the link.")},
        {QStringLiteral("zelvor://gist.test/user/012345678"),
         QStringLiteral("Not a valid gist url | This does not look like a valid gist url. It should be in the form of "
                        "zelvor://gist.test/user/0123456789abcdef0123")},
    };
    for (const auto& c : cases) {
        alerts.messages.clear();
        EXPECT_FALSE(open(c.link, 1500).isEmpty()) << c.link.toStdString();
        ASSERT_EQ(alerts.messages.size(), 1) << c.link.toStdString();
        EXPECT_TRUE(alerts.messages.first().startsWith(c.alert)) << alerts.messages.first().toStdString();
        // The window said why behind the alert, and closed with it.
        ASSERT_NE(manager->progressWindow(), nullptr);
        EXPECT_TRUE(manager->progressWindow()->messageField()->text().contains(c.alert.section(QStringLiteral(" | "), 1)));
        EXPECT_FALSE(manager->progressWindow()->window()->isVisible());
    }
    EXPECT_TRUE(opened.isEmpty());
    // Downloads keeps the archives that did download; nothing else was written anywhere.
    EXPECT_EQ(filesIn(downloads), (QStringList{QStringLiteral("evil.zip"), QStringLiteral("fake.zip"), QStringLiteral("noproject.zip")}));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("outside.txt"))));
}

TEST_F(LinkHandling, AGistLinkOpensItsTextAsANewProgramAndAFailedGistIsShown)
{
    FakeHttpServer::Reply gist;
    gist.body = "circle = new Layer\n# caf\xC3\xA9\n";
    routes[QStringLiteral("/koen/0123456789abcdef/raw")] = gist;
    EXPECT_EQ(open(QStringLiteral("zelvor://gist.test/koen/0123456789abcdef")), QString());
    EXPECT_EQ(programs, QStringList{QStringLiteral("circle = new Layer\n# café\n")});

    FakeHttpServer::Reply binary;
    binary.body = QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
    routes[QStringLiteral("/koen/binary00000/raw")] = binary;
    FakeHttpServer::Reply huge;
    huge.body = QByteArray(6 << 20, 'a');
    routes[QStringLiteral("/koen/huge000000/raw")] = huge;
    const struct {
        const char* id;
        QString alert;
    } cases[] = {
        {"binary00000", QStringLiteral("The gist is not text")},
        {"huge000000", QStringLiteral("The gist is larger than")},
        {"missing0000", QStringLiteral("The server answered with status 404")},
    };
    for (const auto& c : cases) {
        alerts.messages.clear();
        EXPECT_FALSE(open(QStringLiteral("zelvor://gist.test/koen/") + QString::fromLatin1(c.id)).isEmpty());
        ASSERT_EQ(alerts.messages.size(), 1) << c.id;
        EXPECT_TRUE(alerts.messages.first().startsWith(QStringLiteral("The gist could not be opened. | ") + c.alert))
            << alerts.messages.first().toStdString();
    }
    EXPECT_EQ(programs.size(), 1);
}

TEST_F(LinkHandling, CancelStopsAHangingDownloadAndRemovesThePartialFile)
{
    FakeHttpServer::Reply hang;
    hang.hang = true;
    routes[QStringLiteral("/slow.zip")] = hang;
    RBDocumentURLManager::Options options;
    options.downloadsFolder = downloads;
    RBDocumentURLManager slow(options);
    bool closed = false;
    QObject::connect(&slow, &RBDocumentURLManager::closed, [&closed] { closed = true; });
    slow.openUrl(link(QStringLiteral("/slow.zip")));
    EXPECT_EQ(slow.urlTextField()->text(), link(QStringLiteral("/slow.zip")));
    EXPECT_EQ(slow.progressWindow()->progressIndicator()->maximum(), 0); // indeterminate
    testsupport::spin(200);
    EXPECT_EQ(filesIn(downloads), QStringList{QStringLiteral("slow.zip")});
    slow.progressWindow()->cancelButton()->click();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(slow.progressWindow()->window()->isVisible());
    EXPECT_TRUE(filesIn(downloads).isEmpty());
    EXPECT_TRUE(alerts.messages.isEmpty());

    // The bar only becomes determinate above a tenth.
    slow.updateProgress(0.05);
    EXPECT_EQ(slow.progressWindow()->progressIndicator()->maximum(), 0);
    slow.updateProgress(0.5);
    EXPECT_GT(slow.progressWindow()->progressIndicator()->maximum(), 0);
}

} // namespace
