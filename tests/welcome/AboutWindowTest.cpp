#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Workspace.h"
#include "support/TestSupport.h"
#include "welcome/KVAboutWindow.h"
#include "welcome/WebsitePage.h"
#include "welcome/WelcomeControllerConstants.h"
#include "welcome/WelcomeWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

#include <gtest/gtest.h>

namespace {

QList<QUrl> g_opened;

void recordWorkspace()
{
    g_opened.clear();
    platform::Workspace::setTestHandler([](const QUrl& url) {
        g_opened.append(url);
        return true;
    });
}

// The character format of the first link in the text.
QTextCharFormat firstLinkFormat(QTextDocument* document)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                return it.fragment().charFormat();
    return {};
}

} // namespace

TEST(AboutWindow, ShowsVersionCreditsAndOpensAcknowledgementsAndLicence)
{
    recordWorkspace();
    QCoreApplication::setApplicationVersion(QStringLiteral("2.1"));
    KVAboutWindow& about = KVAboutWindow::sharedInstance();
    about.showWindow();
    about.showWindow();
    EXPECT_EQ(&about, &KVAboutWindow::sharedInstance());
    EXPECT_EQ(about.creditsLoadCount(), 1);
    EXPECT_EQ(about.versionLabel()->text(), "2.1");
    EXPECT_FALSE(about.zelvorIconView()->pixmap().isNull());
    EXPECT_TRUE(about.textView()->toPlainText().contains("CoffeeScript"));

    const QTextCharFormat link = firstLinkFormat(about.textView()->document());
    ASSERT_TRUE(link.isAnchor());
    EXPECT_EQ(link.foreground().color().name(), QColor::fromRgbF(0.16f, 0.69f, 0.98f).name());

    about.acknowledgmentsButton()->click();
    ASSERT_EQ(g_opened.size(), 1);
    EXPECT_TRUE(g_opened[0].isLocalFile());
    EXPECT_TRUE(g_opened[0].toLocalFile().endsWith("Acknowledgements.md"));
    // The licence is a page of the build's web site: this build names none, so there is no button.
    ASSERT_TRUE(welcome::websiteURL().isEmpty());
    EXPECT_FALSE(about.licenseAgreementButton()->isVisibleTo(&about));
    about.licenseAgreementClicked();
    EXPECT_EQ(g_opened.size(), 1);
    EXPECT_EQ(welcome::websitePage("/license", "https://example.test//"), QUrl("https://example.test/license"));
    platform::Workspace::setTestHandler({});
    about.close();
}

// The acknowledgements must name what the application is really built on: every npm package
// the build installs and the libraries it links, each with a licence.
TEST(AboutWindow, AcknowledgementsNameTheLibrariesInUseWithTheirLicences)
{
    const QString text =
        testsupport::readFile(platform::Bundle::main().pathForResource("Acknowledgements", "md"));
    ASSERT_FALSE(text.isEmpty());
    QDir tools(QStringLiteral(ZELVOR_SOURCE_DIR "/tools"));
    int packages = 0;
    for (const QString& folder : tools.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QJsonObject manifest =
            QJsonDocument::fromJson(testsupport::readFile(tools.filePath(folder + "/package.json")).toUtf8()).object();
        const QJsonObject dependencies = manifest.value("dependencies").toObject();
        for (auto it = dependencies.begin(); it != dependencies.end(); ++it, ++packages) {
            const QString name = it.key() == "coffee-script" ? "CoffeeScript" : it.key();
            EXPECT_TRUE(text.contains(name, Qt::CaseInsensitive)) << qPrintable(it.key());
            EXPECT_TRUE(text.contains(it.value().toString())) << qPrintable(it.key());
        }
    }
    EXPECT_GE(packages, 2);
    for (const char* library : {"Qt 6", "Qt WebEngine", "V8", "Avahi", "RtMidi", "Mustache", "Python"})
        EXPECT_TRUE(text.contains(library)) << library;
    // One licence line per library section.
    EXPECT_EQ(text.count("\n## "), text.count("\nLicence") );
}

// Grabs both screens of the welcome window and the about window into PNG files: into
// $ZELVOR_SCREENSHOT_DIR when set (to look at them), else into a temporary folder.
TEST(Screenshots, BothScreensAndTheAboutWindowRender)
{
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsSet("ZELVOR_SCREENSHOT_DIR")
                               ? qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR")
                               : temporary.path();
    QDir().mkpath(folder);
    QTemporaryDir dir;
    platform::UserDefaults defaults(dir.filePath("defaults.json"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    auto grab = [&](QWidget& widget, const QString& name) {
        widget.show();
        testsupport::spin(100);
        const QImage image = widget.grab().toImage();
        EXPECT_TRUE(image.save(folder + "/" + name + ".png"));
        return image;
    };
    {
        welcome::WelcomeWindow signup(defaults);
        const QImage image = grab(signup, "welcome-signup");
        // The panel is the dark base colour; the corner outside its rounding stays clear.
        EXPECT_EQ(image.pixelColor(400, 20).name(), QColor("#19191B").name().toLower());
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    }
    {
        defaults.setBool(WelcomeControllerConstants::WelcomeWindowUserContactSucces, true);
        welcome::WelcomeWindow window(defaults);
        const QImage image = grab(window, "welcome-screen");
        EXPECT_EQ(image.pixelColor(700, 300), QColor(Qt::white)); // the recent-projects sidebar
    }
    KVAboutWindow::sharedInstance().showWindow();
    grab(KVAboutWindow::sharedInstance(), "about");
    KVAboutWindow::sharedInstance().close();
}
