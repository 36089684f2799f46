// A project's own page, served by the real preview server and opened in a real browser, runs the
// saved program by itself, as a mirrored device or "Open in Browser" shows it.
#include "ServerTestSupport.h"
#include "preview/HeadlessChromium.h"

#include "document/ProjectFolder.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "preview/PreviewPage.h"
#include "preview/RBNetworkUtil.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {
QString resource(const QString& name)
{
    return platform::Bundle::main().pathForResource(name);
}

// Makes the folder a project as opening it does (the template's missing files are added; an
// existing page stays) and writes the generated script as the preview does before a load.
void prepareProject(const QString& path, const std::optional<QString>& program, const QJsonObject& settings)
{
    const ProjectFolder::Creation creation = ProjectFolder::createProjectAtPath(path, program, resource(QStringLiteral("ZelvorTemplate")));
    ASSERT_TRUE(creation.ok) << creation.errors.join(QLatin1Char('\n')).toStdString();
    if (creation.created) // a new project gets its home-screen icons
        ASSERT_TRUE(ProjectFolder::addTouchIconsToProject(path, resource(QStringLiteral("ZelvorTemplateTouchIcons")), 1).isEmpty());
    preview::GeneratedScriptInput input;
    input.settings = settings;
    input.studioInfo = QJsonObject{{"deviceImagesUrl", "/_server/resources/DeviceImages"}, {"documentTitle", "Test"}};
    input.viewerScript = platform::readTextFile(platform::Bundle::main().pathForResource(
        QStringLiteral("ZelvorStudioViewer"), QStringLiteral("js"), QStringLiteral("ZelvorStudioViewer/build")));
    ASSERT_TRUE(platform::writeTextAtomically(QDir(path).filePath(QStringLiteral("zelvor/zelvor.generated.js")),
                                              preview::generatedZelvorScript(input)));
}

int count(const QString& text, const QString& pattern)
{
    return int(text.count(QRegularExpression(pattern)));
}

class MirroredPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (HeadlessChromium::program().isEmpty())
            GTEST_SKIP() << "no chromium on this machine";
        servertest::isolateFromTheSystemBus();
        ASSERT_TRUE(servertest::startAndWait(m_server));
    }
    void TearDown() override { m_server.stop(); }

    QString serve(const QString& folder)
    {
        const QString path = servertest::mountAndWait(m_server, folder);
        return path.isEmpty() ? QString() : m_server.url() + path;
    }

    RBServerController m_server;
};
} // namespace

TEST_F(MirroredPage, EveryExampleShowsItsLayersInTheDeviceOutsideTheApplication)
{
    const QDir examples(resource(QStringLiteral("Examples")));
    const QStringList names = examples.entryList({QStringLiteral("*.zelvor")}, QDir::Dirs);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        // Only what the user made (the program and its pictures): the page, the library and
        // the compiler come from opening it.
        QTemporaryDir folder;
        const QString project = folder.filePath(name);
        ASSERT_TRUE(QDir().mkpath(project));
        QStringList errors;
        ASSERT_TRUE(QFile::copy(examples.filePath(name + QStringLiteral("/app.coffee")), QDir(project).filePath(QStringLiteral("app.coffee"))));
        ProjectFolder::copyFilesFrom(examples.filePath(name + QStringLiteral("/images")), QDir(project).filePath(QStringLiteral("images")), true, false, &errors);
        prepareProject(project, std::nullopt, QJsonObject{{"deviceType", "phone-black"}});
        const QString url = serve(project);
        ASSERT_FALSE(url.isEmpty()) << name.toStdString();

        // Without the server's reload listener: its open connection would keep the browser's
        // page time from running out (the reload is the other test's).
        const QString dom = HeadlessChromium::dumpDom(url + QStringLiteral("?reloader=0"));
        EXPECT_GT(count(dom, QStringLiteral("class=\"zelvor-layer\"")), 1) << name.toStdString() << "\n" << dom.left(2000).toStdString();
        EXPECT_EQ(count(dom, QStringLiteral("class=\"zelvor-device\"")), 1) << name.toStdString();
        EXPECT_FALSE(dom.contains(QStringLiteral("ZelvorProblem"))) << name.toStdString();
    }
}

TEST_F(MirroredPage, ASavedChangeRunsAfterTheServerReloadsThePage)
{
    // The program writes what it made into the page's title, which the browser reports.
    const auto program = [](const QString& mark, int layers) {
        return QStringLiteral("for i in [0...%1]\n\tnew Layer x: i * 10\n"
                              "document.title = \"%2 \" + document.querySelectorAll(\".zelvor-layer\").length\n")
            .arg(layers).arg(mark);
    };
    QTemporaryDir folder;
    const QString project = folder.filePath(QStringLiteral("Mirror.zelvor"));
    prepareProject(project, program(QStringLiteral("first"), 1), QJsonObject());
    const QString url = serve(project);
    ASSERT_FALSE(url.isEmpty());

    HeadlessChromium browser;
    ASSERT_TRUE(browser.open(url));
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser.title() == QLatin1String("first 1"); }, 60000))
        << browser.title().toStdString();
    // A new project's page asks for nothing it does not have.
    EXPECT_FALSE(m_server.output().contains(QStringLiteral("\" 404 "))) << m_server.output().toStdString();

    ASSERT_TRUE(platform::writeTextAtomically(QDir(project).filePath(QStringLiteral("app.coffee")), program(QStringLiteral("second"), 3)));
    // The reload a save sends to the mirrored pages.
    ASSERT_TRUE(servertest::evalUntilTaken(m_server, QStringLiteral("location.reload()")));
    EXPECT_TRUE(testsupport::waitUntil([&] { return browser.title() == QLatin1String("second 3"); }, 30000))
        << browser.title().toStdString();
}

TEST_F(MirroredPage, TheMirrorAddressRunsThePrototypeInABrowser)
{
    QTemporaryDir folder;
    const QString project = folder.filePath(QStringLiteral("Phone.zelvor"));
    prepareProject(project, QStringLiteral("new Layer\nnew Layer\n"), QJsonObject{{"deviceType", "phone-black"}});
    const QString local = serve(project);
    ASSERT_FALSE(local.isEmpty());
    const QString url = RBNetworkUtil::networkUrl(local);
    if (url == local)
        GTEST_SKIP() << "this machine has no wired or wireless network address";
    EXPECT_FALSE(url.contains(QStringLiteral("127.0.0.1")));
    const QString dom = HeadlessChromium::dumpDom(url + QStringLiteral("?reloader=0"));
    EXPECT_GE(count(dom, QStringLiteral("class=\"zelvor-layer\"")), 2) << url.toStdString() << "\n" << dom.left(2000).toStdString();
}

// The text's face travels with the project: the page loads Roboto from the project's library
// folder through the server, so a device without the font shows the same text. (The fonts the
// system has are not in `document.fonts`: only the library's own faces are.)
TEST_F(MirroredPage, TextIsSetInTheRobotoTheProjectsLibraryCarries)
{
    const QString program = QStringLiteral(
        "title = new Layer html: \"Inbox\", width: 200, height: 40\n"
        "document.fonts.ready.then ->\n"
        "\tfaces = []\n"
        "\tdocument.fonts.forEach (face) -> faces.push \"#{face.family} #{face.weight} #{face.status}\"\n"
        "\tbase = location.href.replace /[^\\/]*$/, \"\"\n"
        "\tfiles = (entry.name.replace(base, \"\") for entry in performance.getEntriesByType(\"resource\") when /\\.woff2$/.test entry.name).sort()\n"
        "\tdocument.title = \"#{faces.join \",\"} | #{files.join \",\"} | #{getComputedStyle(title._element).fontFamily.split(\",\")[0]}\"\n");
    QTemporaryDir folder;
    const QString project = folder.filePath(QStringLiteral("Text.zelvor"));
    prepareProject(project, program, QJsonObject{{"deviceType", "phone-black"}});
    const QString url = serve(project);
    ASSERT_FALSE(url.isEmpty());

    HeadlessChromium browser;
    ASSERT_TRUE(browser.open(url + QStringLiteral("?reloader=0")));
    const QString expected = QStringLiteral("Roboto 400 loaded,Roboto 700 loaded | "
                                            "zelvor/fonts/Roboto-Bold.woff2,zelvor/fonts/Roboto-Regular.woff2 | Roboto");
    EXPECT_TRUE(testsupport::waitUntil([&] { return browser.title() == expected; }, 60000)) << browser.title().toStdString();
    EXPECT_FALSE(m_server.output().contains(QStringLiteral("\" 404 "))) << m_server.output().toStdString();
}
