// Projects made as a stranger would make them (links out of the folder, pipes where files
// belong), opened in the real application: nothing outside the project may change or be
// served, and the application must keep answering and quit at once.
#include "document/ProjectFolder.h"
#include "platform/Bundle.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kSecret = "OUTSIDE-SECRET-7f3a";
// What the application must manage however hostile the project: hand-over of a later launch
// answered, and a quit finished.
constexpr int kAnswerMs = 2000;

// The program under test; another build of it may be named to see these cases fail there.
QString applicationBinary()
{
    return qEnvironmentVariable("ZELVOR_TEST_APP_BINARY", QStringLiteral(ZELVOR_APP_BINARY));
}

// Every entry below the folder: files by their bytes, links by their target text, folders and
// pipes by their kind.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(folder).relativeFilePath(info.filePath());
        if (info.isSymLink())
            entries[name] = "link " + QFile::encodeName(info.symLinkTarget());
        else if (info.isDir())
            entries[name] = "folder";
        else if (!info.isFile())
            entries[name] = "special";
        else
            entries[name] = testsupport::readFile(info.filePath()).toUtf8();
    }
    return entries;
}

// Puts a link (or a pipe) where the project had its own file or folder.
void clear(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

bool makeLink(const QString& target, const QString& path)
{
    clear(path);
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

bool makePipe(const QString& path)
{
    clear(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// The body of a GET, waited for; empty on any failure.
QByteArray fetch(const QString& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

struct Case {
    const char* name;
    std::function<bool(const QString& project, const QString& outside)> prepare;
    // What the output shows once the application has dealt with the project.
    const char* settled;
    // Paths of the project, as served, that must not carry anything from outside.
    QStringList served = {};
    // Files of the project that must not carry anything from outside afterwards.
    QStringList written = {};
    // A question that reading something outside would bring up.
    const char* neverAsked = nullptr;
};

class HostileProject : public ::testing::Test {
protected:
    QTemporaryDir home;
    QString outside = home.filePath(QStringLiteral("outside"));
    QProcess app;
    QMetaObject::Connection reader;
    QByteArray output;

    QProcessEnvironment environment() const { return testsupport::applicationEnvironment(home.path()); }

    // The rest of the user's disk: a shell start-up file, a password file, a folder with a
    // backup newer than any program, all carrying the secret.
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::writeFile(outside + "/.bashrc", "export PATH=/usr/bin # " + kSecret + "\n"));
        ASSERT_TRUE(testsupport::writeFile(outside + "/passwd", "root:x:0:0:" + kSecret + ":/root:/bin/sh\n"));
        ASSERT_TRUE(testsupport::writeFile(outside + "/config.json", "{\"deviceScale\": 0.5, \"note\": \"" + kSecret + "\"}\n"));
        ASSERT_TRUE(testsupport::writeFile(outside + "/folder/keep.txt", kSecret));
        ASSERT_TRUE(testsupport::writeFile(outside + "/backups/backup-9999999999.coffee", "stolen = '" + kSecret + "'\n"));
        for (int i = 0; i < 7; ++i)
            ASSERT_TRUE(testsupport::writeFile(outside + QStringLiteral("/backups/old-%1.coffee").arg(i), kSecret));
        ASSERT_TRUE(makePipe(outside + "/pipe"));
    }

    void TearDown() override
    {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(5000);
        }
    }

    // A complete project of the test's own, made from the application's template.
    QString makeProject(const QString& name) const
    {
        const QString project = home.filePath(QStringLiteral("projects/%1.zelvor").arg(name));
        const auto made = ProjectFolder::createProjectAtPath(project, QStringLiteral("layer = new Layer\n"),
                                                             platform::Bundle::main().pathForResource(QStringLiteral("ZelvorTemplate")));
        return made.ok ? project : QString();
    }

    // The address the preview loaded its page from, up to the project's folder.
    QString servedFolder() const
    {
        static const QRegularExpression page(QStringLiteral("page requested (\\S+)\\.temp\\.html"));
        const QRegularExpressionMatch match = page.match(QString::fromUtf8(output));
        return match.hasMatch() ? match.captured(1) : QString();
    }

    void run(const Case& c)
    {
        SCOPED_TRACE(c.name);
        check(c);
        // A case that stopped on a failure leaves no application behind for the next one.
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(5000);
        }
        QObject::disconnect(reader);
    }

    void check(const Case& c)
    {
        output.clear();
        const QString project = makeProject(QString::fromLatin1(c.name).replace(' ', '-'));
        ASSERT_FALSE(project.isEmpty());
        ASSERT_TRUE(c.prepare(project, outside));
        const QMap<QString, QByteArray> before = snapshot(outside);

        app.setProcessEnvironment(environment());
        app.setProcessChannelMode(QProcess::MergedChannels);
        reader = QObject::connect(&app, &QProcess::readyRead, [this] { output += app.readAll(); });
        app.start(applicationBinary(), {project});
        ASSERT_TRUE(app.waitForStarted(10000));
        ASSERT_TRUE(testsupport::waitUntil([&] { return output.contains(c.settled); }, 90000)) << output.toStdString();
        // Give the page its start-up: the device settings it reports are written back.
        testsupport::spin(1500);

        // The window still answers: a later launch hands its link over.
        QProcess later;
        later.setProcessEnvironment(environment());
        later.start(applicationBinary(), {QStringLiteral("zelvor://open?hostile=1")});
        ASSERT_TRUE(testsupport::waitUntil([&] { return later.state() == QProcess::NotRunning; }, 30000));
        EXPECT_EQ(later.exitCode(), 0);
        EXPECT_TRUE(testsupport::waitUntil([&] { return output.contains("Received link: zelvor://open?hostile=1"); }, kAnswerMs))
            << output.toStdString();

        const QString served = servedFolder();
        for (const QString& path : c.served) {
            ASSERT_FALSE(served.isEmpty()) << output.toStdString();
            EXPECT_FALSE(fetch(served + path).contains(kSecret)) << path.toStdString() << " was served from outside";
        }
        if (!served.isEmpty())
            EXPECT_FALSE(fetch(served + ".temp.html").contains(kSecret)) << "the page was made from outside";

        QElapsedTimer quitting;
        quitting.start();
        ::kill(pid_t(app.processId()), SIGTERM);
        EXPECT_TRUE(testsupport::waitUntil([&] { return app.state() == QProcess::NotRunning; }, kAnswerMs))
            << "still running " << quitting.elapsed() << " ms after SIGTERM\n" << output.toStdString();
        EXPECT_EQ(snapshot(outside), before) << "something outside the project changed";
        if (c.neverAsked)
            EXPECT_FALSE(output.contains(c.neverAsked)) << output.toStdString();
        for (const QString& path : c.written) {
            const QFileInfo info(project + "/" + path);
            if (info.isFile() && !info.isSymLink())
                EXPECT_FALSE(testsupport::readFile(info.filePath()).contains(QString::fromLatin1(kSecret))) << path.toStdString();
        }
        QFile::remove(home.filePath(QStringLiteral("XDG_CONFIG_HOME/ZelvorStudio/UserDefaults.json")));
    }
};

const char* const kPageReady = "page ready";
const char* const kRefused = "Cannot open";
const char* const kNoPage = "cannot read";

TEST_F(HostileProject, LinksOutOfTheProjectAreNeverWrittenThrough)
{
    const QList<Case> cases = {
        {"page written at the root",
         [](const QString& p, const QString& o) { return makeLink(o + "/.bashrc", p + "/.temp.html"); }, kPageReady},
        {"generated script",
         [](const QString& p, const QString& o) { return makeLink(o + "/.bashrc", p + "/zelvor/zelvor.generated.js"); }, kPageReady,
         {"zelvor/zelvor.generated.js"}},
        {"settings",
         [](const QString& p, const QString& o) { return makeLink(o + "/config.json", p + "/zelvor/config.json"); }, kPageReady,
         {}, {"zelvor/config.json"}},
        {"format version",
         [](const QString& p, const QString& o) { return makeLink(o + "/.bashrc", p + "/zelvor/version"); }, kPageReady},
        {"library folder",
         [](const QString& p, const QString& o) { return makeLink(o + "/folder", p + "/zelvor"); },
         kRefused},
        {"backups folder",
         [](const QString& p, const QString& o) { return makeLink(o + "/backups", p + "/zelvor/backups"); }, kPageReady,
         {}, {"app.coffee"}, "has changes that were never saved"},
        {"module bundle",
         [](const QString& p, const QString& o) {
             return testsupport::writeFile(p + "/modules/tools.coffee", "exports.x = 1\n")
                 && makeLink(o + "/.bashrc", p + "/zelvor/zelvor.modules.js");
         },
         kPageReady},
    };
    for (const Case& c : cases)
        run(c);
}

TEST_F(HostileProject, LinksOutOfTheProjectAreNeverReadOrServed)
{
    const QList<Case> cases = {
        {"program", [](const QString& p, const QString& o) { return makeLink(o + "/passwd", p + "/app.coffee"); }, kRefused},
        {"page", [](const QString& p, const QString& o) { return makeLink(o + "/passwd", p + "/index.html"); }, kNoPage,
         {}, {".temp.html"}},
        {"module",
         [](const QString& p, const QString& o) { return makeLink(o + "/passwd", p + "/modules/stolen.coffee"); }, kPageReady,
         {"zelvor/zelvor.modules.js"}, {"zelvor/zelvor.modules.js"}},
        {"imported layers",
         [](const QString& p, const QString& o) { return makeLink(o + "/passwd", p + "/imported/Design/layers.json.js"); },
         kPageReady, {"zelvor/zelvor.generated.js", "imported/Design/layers.json.js"}, {"zelvor/zelvor.generated.js"}},
        {"pictures",
         [](const QString& p, const QString& o) {
             return makeLink(o + "/folder", p + "/images") && makeLink(o + "/passwd", p + "/zelvor/picture.png");
         },
         kPageReady, {"images/keep.txt", "zelvor/picture.png"}},
    };
    for (const Case& c : cases)
        run(c);
}

TEST_F(HostileProject, PipesWhereFilesBelongAreRefusedUnopened)
{
    const QList<Case> cases = {
        {"program pipe", [](const QString& p, const QString&) { return makePipe(p + "/app.coffee"); }, kRefused},
        {"page pipe", [](const QString& p, const QString&) { return makePipe(p + "/index.html"); }, kNoPage},
        {"settings pipe", [](const QString& p, const QString&) { return makePipe(p + "/zelvor/config.json"); }, kPageReady},
        {"version pipe", [](const QString& p, const QString&) { return makePipe(p + "/zelvor/version"); }, kPageReady},
        {"module pipe", [](const QString& p, const QString&) { return makePipe(p + "/modules/pipe.coffee"); }, kPageReady},
        {"library pipe", [](const QString& p, const QString&) { return makePipe(p + "/zelvor/zelvor.js"); }, kPageReady},
        {"backup pipe",
         [](const QString& p, const QString&) { return makePipe(p + "/zelvor/backups/backup-9999999999.coffee"); }, kPageReady},
        {"layers pipe", [](const QString& p, const QString&) { return makePipe(p + "/imported/Design/layers.json.js"); }, kPageReady},
        {"link to a pipe outside", [](const QString& p, const QString& o) { return makeLink(o + "/pipe", p + "/index.html"); }, kNoPage},
    };
    for (const Case& c : cases)
        run(c);
}

} // namespace
