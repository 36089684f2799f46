// Project windows open at quitting come back at the next launch, where they were; a launch
// that greets a first-time user with the welcome window puts them away again.
#include "../document/DocumentFakes.h"

#include "app/RBApplication.h"
#include "document/DeviceCatalogLink.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentWindow.h"
#include "platform/UserDefaults.h"
#include "platform/gui/WindowRestoration.h"
#include "preview/KVDeviceManager.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

class RestorationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
        defaults->setBool("RBDataCollectionDisabled", true);
        project = makeProject("Restored.zelvor");
    }
    void TearDown() override
    {
        application.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete welcome;
    }

    QString makeProject(const QString& name)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        QFile program(path + "/app.coffee");
        EXPECT_TRUE(program.open(QIODevice::WriteOnly));
        program.write("box = new Layer\n");
        return path;
    }

    // One launch of the application, with the real project windows over fake services.
    void launch(const QStringList& items = {})
    {
        application.reset();
        RBApplication::Options options;
        options.defaults = defaults.get();
        options.startServer = [] {};
        options.stopServer = [] {};
        options.updateFeedURL = QString();
        options.crashReportDirectory = dir.filePath("crashes");
        options.dataCollectionDisabledByBuild = false;
        options.installMenus = false;
        options.welcomeShouldShowOnStartup = [] { return true; };
        options.makeWelcomeWindow = [this] {
            ++welcomeShown;
            welcome = new QWidget;
            return welcome;
        };
        options.sendPendingSignUp = [] {};
        application = std::make_unique<RBApplication>(std::move(options));
        RBDocumentServices services = application->documentController().services();
        services.server = &server;
        services.deviceCatalog = &catalog;
        services.buildWindow = buildDocumentWindow;
        application->documentController().setServices(services);
        application->launch(items);
    }

    RBDocumentWindow* windowOf(const QString& path) const
    {
        platform::Document* document = application->documentController().documentForURL(path);
        return document ? qobject_cast<RBDocumentWindow*>(document->window()) : nullptr;
    }

    // Quits as the Quit command does and waits until the windows are gone.
    void quit()
    {
        ASSERT_TRUE(application->terminate());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        testsupport::spin(20);
    }

    QTemporaryDir dir;
    QString project;
    std::unique_ptr<platform::UserDefaults> defaults;
    FakeServer server;
    DeviceCatalogLink catalog{KVDeviceManager::sharedInstance()};
    std::unique_ptr<RBApplication> application;
    QWidget* welcome = nullptr;
    int welcomeShown = 0;
};

} // namespace

TEST_F(RestorationTest, WindowsOpenAtQuittingComeBackWhereTheyWereAndGoneFoldersAreSkipped)
{
    // A user who has been greeted before.
    defaults->setBool("FirstTimeWelcomeWindowCloseOpenDocumentsAndShowYouNew", true);
    const QString second = makeProject("Second.zelvor");
    launch({project, second});
    ASSERT_TRUE(windowOf(project));
    ASSERT_TRUE(windowOf(second));
    windowOf(project)->setGeometry(120, 90, 1000, 640);
    testsupport::spin(20);
    const int greeted = welcomeShown;
    quit();
    EXPECT_EQ(platform::WindowRestoration::restorableDocuments(*defaults).size(), 2);

    QDir(second).removeRecursively();
    launch();
    RBDocumentWindow* window = windowOf(project);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->geometry(), QRect(120, 90, 1000, 640));
    EXPECT_EQ(application->documentController().documents().size(), 1);
    // A restored window is what the user sees: no welcome window on top of it.
    EXPECT_EQ(welcomeShown, greeted);
    // The list follows the windows open now, so that a run that ends without quitting (a
    // crash, a kill) brings them back too.
    EXPECT_EQ(platform::WindowRestoration::restorableDocuments(*defaults).size(), 1);

    // Windows closed before quitting do not come back.
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    testsupport::spin(20);
    EXPECT_TRUE(platform::WindowRestoration::restorableDocuments(*defaults).isEmpty());
    quit();
    launch();
    EXPECT_TRUE(application->documentController().documents().isEmpty());
    EXPECT_GT(welcomeShown, greeted);
}

TEST_F(RestorationTest, TheFirstLaunchThatShowsTheWelcomeWindowPutsRestoredWindowsAway)
{
    // Windows from an earlier run, but this is the first launch with the welcome window.
    defaults->setObject(platform::WindowRestoration::storeKey(),
                        QVariantList{QVariantMap{{"path", project}, {"state", QVariantMap{{"frame", QVariantList{10, 10, 900, 600}}}}}});
    launch();
    EXPECT_TRUE(application->shouldCloseRestoredDocuments());
    EXPECT_EQ(welcomeShown, 1);
    // Brought back out of sight, then closed on the next turn.
    RBDocumentWindow* window = windowOf(project);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->pos(), QPoint(RBDocumentWindow::kOutOfSight, RBDocumentWindow::kOutOfSight));
    EXPECT_NE(window->size(), QSize(900, 600)); // it keeps its size; the stored frame is not applied
    QPointer<RBDocumentWindow> guard(window);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return application->documentController().documents().isEmpty();
    }));
    EXPECT_TRUE(welcome && welcome->isVisible());
    // The project itself is untouched.
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "box = new Layer\n");
}
