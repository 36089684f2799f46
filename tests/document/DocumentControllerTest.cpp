#include <QApplication>
#include "DocumentFakes.h"

#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBServerController.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/FilePanel.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Alert;

namespace {

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        ASSERT_TRUE(controller == RBDocumentController::shared()) << "the first controller made is the shared one";
        controller->setRecentDocumentsStore(&store);
        controller->setWelcomeWindow(&welcome);
        controller->setShowWelcomeWindow([this] { ++welcomeShown; });
        platform::SavePanel::setTestResponder([](const platform::SavePanel&) { return QString(); });
        Alert::setTestResponder([this](const Alert& a) {
            alerts << a.messageText() + " | " + a.informativeText();
            return answers.isEmpty() ? Alert::kFirstButtonReturn : answers.takeFirst();
        });
    }
    void TearDown() override
    {
        for (platform::Document* d : controller->documents()) {
            d->updateChangeCount(platform::Document::ChangeCleared);
            d->close();
        }
        // The controller is shared by the tests: the welcome checks that this test's Open panels
        // left pending (each 50 ms after its panel) run now, not in the next test's count.
        testsupport::spin(120);
        controller->setShowWelcomeWindow({});
        Alert::setTestResponder({});
        platform::OpenPanel::setTestResponder({});
        platform::SavePanel::setTestResponder({});
    }
    QString makeProject(const QString& name)
    {
        const QString path = dir.path() + "/" + name + ".zelvor";
        EXPECT_TRUE(platform::copyItem(platform::Bundle::main().pathForResource("ZelvorTemplate"), path));
        return path;
    }

    static inline RBDocumentController* controller = new RBDocumentController(qApp);
    QTemporaryDir dir;
    platform::UserDefaults store{QTemporaryDir().path() + "-recent.json"};
    QWidget welcome;
    int welcomeShown = 0;
    QStringList alerts;
    QList<int> answers;
};

TEST_F(ControllerTest, OpeningClosesTheWelcomeWindowAndFindsOpenProjects)
{
    const QString path = makeProject("A");
    welcome.show();
    platform::Document* first = nullptr;
    controller->openDocumentWithContentsOfURL(path, true, [&](platform::Document* d, bool already, const QString& error) {
        EXPECT_FALSE(already);
        EXPECT_TRUE(error.isEmpty());
        first = d;
    });
    ASSERT_TRUE(qobject_cast<RBDocument*>(first));
    EXPECT_FALSE(welcome.isVisible());
    EXPECT_EQ(controller->documents().size(), 1);

    bool reported = false;
    controller->openDocumentWithContentsOfURL(path + "/", true, [&](platform::Document* d, bool already, const QString&) {
        EXPECT_EQ(d, first);
        EXPECT_TRUE(already);
        reported = true;
    });
    EXPECT_TRUE(reported);
    EXPECT_EQ(controller->documents().size(), 1);
}

TEST_F(ControllerTest, OpeningSomethingThatIsNoProjectReportsWhy)
{
    QFile file(dir.path() + "/notes.zelvor");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QString error;
    controller->openDocumentWithContentsOfURL(file.fileName(), true, [&](platform::Document* d, bool, const QString& e) {
        EXPECT_EQ(d, nullptr);
        error = e;
    });
    EXPECT_TRUE(error.contains("notes.zelvor"));
    controller->openDocumentWithContentsOfURL(dir.path() + "/missing.zelvor", true, [&](platform::Document* d, bool, const QString& e) {
        EXPECT_EQ(d, nullptr);
        error = e;
    });
    EXPECT_TRUE(error.contains("does not exist"));
    EXPECT_TRUE(controller->documents().isEmpty());

    platform::OpenPanel::setTestResponder([&](const platform::OpenPanel&) { return file.fileName(); });
    controller->openDocument();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("could not be opened"));
}

TEST_F(ControllerTest, AnOrdinaryFolderIsNeverOpenedAsAProjectButCanGetOneInside)
{
    const QString folder = dir.path() + "/sources";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(platform::writeTextAtomically(folder + "/main.c", "int main() {}\n"));
    const auto entries = [&] { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };

    QString error;
    controller->openDocumentWithContentsOfURL(folder, true, [&](platform::Document* d, bool, const QString& e) {
        EXPECT_EQ(d, nullptr);
        error = e;
    });
    EXPECT_TRUE(error.contains("not a Zelvor project")) << error.toStdString();

    platform::OpenPanel::setTestResponder([&](const platform::OpenPanel&) { return folder; });
    answers = {Alert::kFirstButtonReturn + 1}; // Cancel
    controller->openDocument();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("sources.zelvor")) << alerts[0].toStdString();
    EXPECT_EQ(entries(), QStringList{"main.c"});
    EXPECT_TRUE(controller->documents().isEmpty());

    controller->openDocument(); // confirmed: a project of its own inside
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_EQ(QDir(controller->documents().first()->fileURL()).absolutePath(), QDir(folder + "/sources.zelvor").absolutePath());
    EXPECT_EQ(entries(), (QStringList{"main.c", "sources.zelvor"}));
    EXPECT_TRUE(QFileInfo::exists(folder + "/sources.zelvor/app.coffee"));

    // A folder holding a program is a project (of an older kind) and opens as it is.
    const QString older = dir.path() + "/older";
    ASSERT_TRUE(QDir().mkpath(older));
    ASSERT_TRUE(platform::writeTextAtomically(older + "/app.coffee", "new Layer\n"));
    platform::OpenPanel::setTestResponder([&](const platform::OpenPanel&) { return older; });
    const qsizetype refusals = alerts.filter("not a Zelvor project").size();
    controller->openDocument();
    EXPECT_EQ(alerts.filter("not a Zelvor project").size(), refusals);
    EXPECT_EQ(controller->documents().size(), 2);
}

TEST_F(ControllerTest, ACancelledOpenPanelBringsTheWelcomeWindowBackOnlyWithoutProjects)
{
    platform::OpenPanel::setTestResponder([](const platform::OpenPanel&) { return QString(); });
    welcome.show();
    controller->openDocument();
    EXPECT_FALSE(welcome.isVisible());
    EXPECT_EQ(welcomeShown, 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return welcomeShown == 1; }));

    controller->openDocumentWithContentsOfURL(makeProject("B"), true, {});
    controller->openDocument();
    testsupport::spin(150);
    EXPECT_EQ(welcomeShown, 1);
}

TEST_F(ControllerTest, NewDocumentsAreUntitledAndNumbered)
{
    welcome.show();
    auto* a = qobject_cast<RBDocument*>(controller->newDocument());
    auto* b = qobject_cast<RBDocument*>(controller->newDocument());
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(welcome.isVisible());
    EXPECT_NE(a->displayName(), b->displayName());
    EXPECT_TRUE(b->displayName().startsWith("Untitled"));
    EXPECT_TRUE(QFileInfo(a->temporaryPath() + "/index.html").exists());
    EXPECT_TRUE(a->temporaryPath().endsWith(a->displayName() + ".zelvor"));

    auto* fromTemplate = RBDocument::newDocumentWithTemplatePath(makeProject("Example"));
    EXPECT_TRUE(controller->documents().contains(fromTemplate));
    EXPECT_TRUE(QFileInfo(fromTemplate->temporaryPath() + "/index.html").exists());
}

TEST_F(ControllerTest, QuittingAsksEachUnsavedDocumentAndACancelKeepsAllOpen)
{
    controller->openDocumentWithContentsOfURL(makeProject("C"), true, {});
    controller->openDocumentWithContentsOfURL(makeProject("D"), true, {});
    for (platform::Document* d : controller->documents())
        d->updateChangeCount(platform::Document::ChangeDone);
    answers = {Alert::kFirstButtonReturn + 1, Alert::kFirstButtonReturn + 2}; // Don't Save, Cancel
    EXPECT_FALSE(controller->closeAllDocuments());
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(controller->documents().size(), 2);

    answers = {Alert::kFirstButtonReturn + 1, Alert::kFirstButtonReturn + 1};
    EXPECT_TRUE(controller->closeAllDocuments());
    EXPECT_TRUE(controller->documents().isEmpty());
}

// Each question of a quit comes with its document's window in front: asked behind another
// window, it would leave the user a quit that seems to do nothing.
TEST_F(ControllerTest, QuittingBringsEachAskingDocumentToTheFront)
{
    controller->openDocumentWithContentsOfURL(makeProject("E"), true, {});
    controller->openDocumentWithContentsOfURL(makeProject("F"), true, {});
    QList<QWidget*> windows;
    for (platform::Document* d : controller->documents()) {
        d->updateChangeCount(platform::Document::ChangeDone);
        d->setWindow(new QWidget); // closing the document deletes it
        d->window()->show();
        windows << d->window();
    }
    windows.last()->activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == windows.last(); }));
    QList<QWidget*> inFront;
    Alert::setTestResponder([&](const Alert&) {
        testsupport::waitUntil([&] { return QApplication::activeWindow() == windows.value(inFront.size()); }, 2000);
        inFront << QApplication::activeWindow();
        return Alert::kFirstButtonReturn + 1; // Don't Save
    });
    EXPECT_TRUE(controller->closeAllDocuments());
    EXPECT_EQ(inFront, windows);
}

TEST_F(ControllerTest, RecentDocumentsNewestFirstWithoutRepeatsAtMostTen)
{
    controller->clearRecentDocuments();
    for (int i = 0; i < 12; ++i)
        controller->noteNewRecentDocumentURL(QString("/p/%1.zelvor").arg(i));
    controller->noteNewRecentDocumentURL("/p/5.zelvor");
    const QStringList recent = controller->recentDocumentURLs();
    ASSERT_EQ(recent.size(), 10);
    EXPECT_EQ(recent[0], "/p/5.zelvor");
    EXPECT_EQ(recent[1], "/p/11.zelvor");
    EXPECT_EQ(recent.count("/p/5.zelvor"), 1);
    controller->clearRecentDocuments();
    EXPECT_TRUE(controller->recentDocumentURLs().isEmpty());
}

} // namespace

namespace {
TEST(DocumentControllerServices, DocumentsAreConnectedToTheSharedServerAndCatalogue)
{
    RBDocumentController controller;
    const RBDocumentServices& services = controller.services();
    ASSERT_TRUE(services.server && services.deviceCatalog);
    EXPECT_EQ(services.server->url(), RBServerController::sharedInstance().url());
    EXPECT_EQ(services.deviceCatalog->defaultDevice(), KVDeviceManager::sharedInstance().defaultDevice());
    EXPECT_TRUE(services.deviceCatalog->deviceIsFullscreen(KVDeviceManager::sharedInstance().noDevice()));
    RBDocument document(services);
    EXPECT_EQ(document.config().stringValue("deviceType"), KVDeviceManager::sharedInstance().defaultDevice());
}
} // namespace
