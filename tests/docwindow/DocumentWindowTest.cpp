// The document window as built for a project: panes, sizing in the real widgets, even width,
// toolbar state and validation, the device controls, snippets, links in the code and closing.
#include "../document/DocumentFakes.h"

#include "document/DeviceCatalogLink.h"
#include "document/DeviceScaleMenu.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/DocumentPreviewLink.h"
#include "document/window/ProjectViewState.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBDocumentToolbarActions.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBSplitView.h"
#include "app/RBApplication.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "editor/RBCodeEditViewController.h"
#include "editor/RBPopUpMenuController.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/FilePanel.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QToolButton>
#include <QPushButton>
#include <QScrollBar>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Alert;

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

class DocumentWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        if (!platform::DocumentController::hasSharedDocumentController())
            new RBDocumentController(qApp);
        Alert::setTestResponder([this](const Alert& alert) {
            alerts << alert.messageText();
            return answers.isEmpty() ? Alert::kFirstButtonReturn : answers.takeFirst();
        });
        platform::SavePanel::setTestResponder([this](const platform::SavePanel&) {
            ++savePanels;
            return QString();
        });
        project = dir.path() + "/Window.zelvor";
    }
    void TearDown() override
    {
        if (document) {
            document->updateChangeCount(platform::Document::ChangeCleared);
            document->close();
        }
        // Outside a running event loop, objects closed here are deleted only when asked to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(testsupport::waitUntil([this] { return !document && !window; }, 3000));
        Alert::setTestResponder({});
        platform::SavePanel::setTestResponder({});
    }

    // Opens the project folder with the real window, as the document controller does.
    // `services` may hold those of a running application, as its document controller hands
    // them to the documents it makes.
    void open(bool saved = true, RBDocumentServices services = {}, const QByteArray& program = "box = new Layer\n")
    {
        services.server = &server;
        services.deviceCatalog = &catalog;
        QString error;
        document = openInDocumentWindow(services, project, saved, &error, program);
        ASSERT_TRUE(document) << error.toStdString();
        window = qobject_cast<RBDocumentWindow*>(document->window());
        ASSERT_TRUE(window);
        testsupport::spin(20);
    }
    RBDocumentToolbar& toolbar() { return *window->toolbar(); }

    QTemporaryDir dir;
    QString project;
    FakeServer server;
    DeviceCatalogLink catalog{KVDeviceManager::sharedInstance()};
    QPointer<RBDocument> document;
    QPointer<RBDocumentWindow> window;
    QStringList alerts;
    QList<int> answers;
    int savePanels = 0;
};

TEST_F(DocumentWindowTest, HoldsEditorAndPreviewWithTheLayerPanelClosedAndKeepsAnEvenWidth)
{
    open();
    ASSERT_TRUE(document->editor());
    ASSERT_TRUE(document->preview());
    EXPECT_EQ(document->documentWindow(), static_cast<RBDocumentWindowInterface*>(window.data()));
    EXPECT_EQ(document->splitView(), window->splitView());
    EXPECT_EQ(document->codeEditSplitView(), window->codeEditSplitView());
    EXPECT_EQ(window->codeEditSplitView()->parentWidget(), window->mainLeftView());
    EXPECT_EQ(window->codeEditLeftView()->layout()->count(), 1);
    auto* link = dynamic_cast<DocumentPreviewLink*>(document->preview());
    ASSERT_TRUE(link && link->preview());
    EXPECT_TRUE(window->mainRightView()->isAncestorOf(link->preview()->view()));
    EXPECT_EQ(document->editor()->content(), "box = new Layer\n");
    EXPECT_EQ(window->windowTitle(), "Window[*]");

    // The layer panel's pane is there, closed.
    RBSplitView* inner = window->codeEditSplitView();
    EXPECT_EQ(inner->splitPosition(), inner->width());
    EXPECT_EQ(inner->lastPane()->width(), 0);

    window->setFrame(QRectF(10, 10, 1001, 700));
    EXPECT_EQ(window->width(), 1000);
    EXPECT_EQ(RBDocumentWindow::evenFrameWidth(1001.5), 1000.5);
    EXPECT_EQ(RBDocumentWindow::evenFrameWidth(1000.5), 1000.5);
    window->resize(1101, 700);
    EXPECT_TRUE(testsupport::waitUntil([&] { return window->width() == 1100; }));
}

TEST_F(DocumentWindowTest, DividersAndWindowResizesFollowTheSizingRules)
{
    open();
    window->resize(1200, 700);
    testsupport::spin(20);
    RBSplitView* outer = window->splitView();
    RBSplitView* inner = window->codeEditSplitView();
    ASSERT_EQ(outer->width(), 1200);

    outer->dragDividerTo(100);
    EXPECT_EQ(outer->splitPosition(), 540);
    outer->dragDividerTo(1190);
    EXPECT_EQ(outer->splitPosition(), 1000);
    outer->dragDividerTo(700.6);
    EXPECT_EQ(outer->splitPosition(), 700);
    EXPECT_EQ(inner->width(), 700);

    // The layer panel: shut near the edge, 100 wide a little further, free beyond.
    inner->dragDividerTo(700 - 150);
    EXPECT_EQ(inner->lastPane()->width(), 150);
    inner->dragDividerTo(700 - 70);
    EXPECT_EQ(inner->lastPane()->width(), 100);
    inner->dragDividerTo(700 - 40);
    EXPECT_EQ(inner->lastPane()->width(), 0);
    inner->dragDividerTo(10);
    EXPECT_EQ(inner->splitPosition(), 340);
    inner->dragDividerTo(700 - 150);

    // Narrowing the window by 20: both halves give 10; the layer panel keeps its width.
    window->resize(1180, 700);
    testsupport::spin(20);
    EXPECT_EQ(outer->splitPosition(), 690);
    EXPECT_EQ(outer->lastPane()->width(), 490);
    EXPECT_EQ(inner->lastPane()->width(), 150);
    // Widening by 10 and 10: the halves stay whole.
    window->resize(1190, 700);
    testsupport::spin(20);
    window->resize(1200, 700);
    testsupport::spin(20);
    EXPECT_EQ(outer->splitPosition(), 700);
    EXPECT_EQ(outer->splitPosition() + outer->lastPane()->width(), 1200);
}

TEST_F(DocumentWindowTest, DeviceControlsFollowTheSettingsAndValidateTheirMenuForms)
{
    open();
    RBDocumentToolbarActions& toolbarActions = *window->toolbarActions();

    // Every item of the toolbar can be used.
    EXPECT_TRUE(toolbar().importItem()->isEnabled());
    EXPECT_TRUE(toolbar().importAgainItem()->isEnabled());
    EXPECT_TRUE(toolbar().mirrorItem()->isEnabled());
    EXPECT_TRUE(toolbar().shareItem()->isEnabled());

    // The scale pop-up shows the setting and writes the user's choice.
    QPushButton* scale = toolbar().deviceScalePopUpButton();
    EXPECT_EQ(scale->text(), "Fit");
    document->config().setValue("deviceScale", 0.5);
    EXPECT_EQ(scale->text(), "50%");
    document->config().setValue("deviceScale", "fit");
    EXPECT_EQ(scale->text(), "Fit");
    document->config().setValue("deviceScale", 0.3); // no entry: the pop-up keeps what it shows
    EXPECT_EQ(scale->text(), "Fit");
    QAction* twice = window->deviceScalePopupMenuController()->itemWithTag(5);
    ASSERT_TRUE(twice);
    twice->trigger();
    EXPECT_EQ(document->config().value("deviceScale").toDouble(), 2.0);
    EXPECT_EQ(scale->text(), "200%");

    // Orientation: the button turns the device and writes the settings file; its menu form is
    // enabled exactly with the toolbar item.
    document->config().setValue("deviceType", KVDeviceManager::sharedInstance().defaultDevice());
    document->setOrientationEnabled(true);
    toolbar().deviceOrientationToolbarItem()->trigger();
    EXPECT_EQ(document->config().intValue("deviceOrientation"), 90);
    const QJsonObject saved = QJsonDocument::fromJson(testsupport::readFile(project + "/zelvor/config.json").toUtf8()).object();
    EXPECT_EQ(saved.value("deviceOrientation").toInt(), 90);
    EXPECT_TRUE(toolbarActions.validateUserInterfaceItem("orientationButtonPressed"));
    document->setOrientationEnabled(false);
    EXPECT_FALSE(toolbar().deviceOrientationToolbarItem()->isEnabled());
    EXPECT_FALSE(toolbarActions.validateUserInterfaceItem("orientationButtonPressed"));
    document->setHandsEnabled(false);
    EXPECT_FALSE(toolbarActions.validateUserInterfaceItem("handButtonPressed"));
    document->setHandsEnabled(true);
    EXPECT_TRUE(toolbarActions.validateUserInterfaceItem("handButtonPressed"));

    // A full-screen device switches the scale and orientation items off; back, only scale returns.
    document->config().setValue("deviceType", KVDeviceManager::sharedInstance().noDevice());
    EXPECT_FALSE(toolbar().deviceScaleToolbarItem()->isEnabled());
    EXPECT_FALSE(toolbar().deviceOrientationToolbarItem()->isEnabled());
    document->config().setValue("deviceType", KVDeviceManager::sharedInstance().defaultDevice());
    EXPECT_TRUE(toolbar().deviceScaleToolbarItem()->isEnabled());
}

TEST_F(DocumentWindowTest, FullScreenShowsThePreviewAloneAndGivesItBack)
{
    open();
    auto* link = dynamic_cast<DocumentPreviewLink*>(document->preview());
    ASSERT_TRUE(link && link->preview());
    QWidget* previewView = link->preview()->view();
    toolbar().fullscreenItem()->trigger();
    EXPECT_FALSE(window->isAncestorOf(previewView));
    EXPECT_TRUE(previewView->window()->isFullScreen());
    toolbar().fullscreenItem()->trigger();
    EXPECT_TRUE(window->mainRightView()->isAncestorOf(previewView));

    // Closing the window while the preview fills the screen takes the preview down with it.
    toolbar().fullscreenItem()->trigger();
    QPointer<QWidget> alone = previewView;
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !alone; }, 3000));
}

TEST_F(DocumentWindowTest, DeviceMenuOfAFormatOneProjectDisablesThePicker)
{
    open();
    write(project + "/zelvor/version", "1");
    ASSERT_EQ(document->documentVersion(), 1);
    window->toolbarActions()->toolbarDeviceSettingsMenu(toolbar().devicePickerButton());
    EXPECT_FALSE(toolbar().devicePickerItem()->isEnabled());

    write(project + "/zelvor/version", QByteArray::number(RBDocument::documentCurrentVersion()));
    document->setDevicePickerEnabled(true);
    window->toolbarActions()->toolbarDeviceSettingsMenu(toolbar().devicePickerButton());
    EXPECT_TRUE(toolbar().devicePickerItem()->isEnabled());
}

TEST_F(DocumentWindowTest, SnippetMenuListsUserSnippetsNewestNameFirstAndRunsTheChosenOne)
{
    open();
    RBDocumentToolbarActions& toolbarActions = *window->toolbarActions();
    std::vector<std::optional<QString>> ran;
    toolbarActions.setPluginRunner([&ran](const std::optional<QString>& text) { ran.push_back(text); });
    const QString userFolder = dir.path() + "/UserSnippets";
    QDir().mkpath(userFolder);
    bool shown = false;
    toolbarActions.setPluginsFolder([userFolder] { return userFolder; }, [&shown] { shown = true; });

    const int builtIn = [&] {
        std::unique_ptr<QMenu> menu = toolbarActions.makeSnippetMenu();
        // No user snippets: one separator, before "Show Snippets Folder…".
        int separators = 0;
        for (QAction* item : menu->actions())
            separators += item->isSeparator();
        EXPECT_EQ(separators, 1);
        EXPECT_EQ(menu->actions().last()->text(), QString::fromUtf8("Show Snippets Folder\u2026"));
        menu->actions().last()->trigger();
        return int(toolbarActions.toolbarSnippets().size());
    }();
    EXPECT_TRUE(shown);

    write(userFolder + "/Alpha.coffee", "plugin.run = (t) -> t + 'a'");
    write(userFolder + "/Beta.coffee", "plugin.run = (t) -> t + 'b'");
    write(userFolder + "/notes.txt", "not a snippet");
    std::unique_ptr<QMenu> menu = toolbarActions.makeSnippetMenu();
    const auto& entries = toolbarActions.toolbarSnippets();
    ASSERT_EQ(entries.size(), builtIn + 3);
    EXPECT_TRUE(entries.at(builtIn).path.isEmpty()); // the separator's place
    EXPECT_EQ(entries.at(builtIn + 1).name, "Beta");
    EXPECT_EQ(entries.at(builtIn + 2).name, "Alpha");
    QAction* alpha = nullptr;
    for (QAction* item : menu->actions())
        if (item->text() == "Alpha")
            alpha = item;
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->data().toInt(), builtIn + 2);
    alpha->trigger();
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0].value_or("<none>"), "plugin.run = (t) -> t + 'a'");

    // A snippet that vanished runs with no text; a separator's tag runs nothing.
    QFile::remove(userFolder + "/Beta.coffee");
    toolbarActions.toolbarSnippetAdd(builtIn + 1);
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_FALSE(ran[1].has_value());
    toolbarActions.toolbarSnippetAdd(builtIn);
    toolbarActions.toolbarSnippetAdd(-1);
    EXPECT_EQ(ran.size(), 2u);
}

TEST_F(DocumentWindowTest, LinksInTheCodeOpenModulesAndImagesInsideTheProjectOnly)
{
    open();
    RBDocumentToolbarActions& toolbarActions = *window->toolbarActions();
    QStringList opened;
    toolbarActions.setOpener([&opened](const QString& path) { opened << path; return true; });
    toolbarActions.setFileViewer([&opened](const QString& path) { opened << "selected " + path; });
    write(project + "/modules/tools.js", "exports.a = 1");
    write(project + "/modules/tools.coffee", "exports.a = 1");
    write(project + "/modules/only.coffee", "exports.b = 1");
    write(project + "/images/icons/star.png", "png");
    write(dir.path() + "/secret.js", "outside");

    toolbarActions.actionTapped(QVariantMap{{"name", "tools"}, {"type", 0}});
    toolbarActions.actionTapped(QVariantMap{{"name", "only"}, {"type", 0}});
    toolbarActions.actionTapped(QVariantMap{{"name", "icons/star.png"}, {"type", 1}});
    toolbarActions.actionTapped(QVariantMap{{"name", "tools"}, {"type", 7}});
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QDir::cleanPath(project + "/modules/tools.js"));
    EXPECT_EQ(opened[1], QDir::cleanPath(project + "/modules/only.coffee"));
    EXPECT_EQ(opened[2], "selected " + QDir::cleanPath(project + "/images/icons/star.png"));
    EXPECT_TRUE(alerts.isEmpty());

    // Missing, or outside the folder: the alert, and its second button shows the folder.
    opened.clear();
    answers = {Alert::kFirstButtonReturn + 1};
    toolbarActions.actionTapped(QVariantMap{{"name", "missing"}, {"type", 0}});
    toolbarActions.actionTapped(QVariantMap{{"name", "../../secret"}, {"type", 0}});
    toolbarActions.actionTapped(QVariantMap{{"name", "../modules/tools.js"}, {"type", 1}});
    EXPECT_EQ(alerts, QStringList({"\"missing\" could not be found.", "\"../../secret\" could not be found.",
                                   "\"../modules/tools.js\" could not be found."}));
    EXPECT_EQ(opened, QStringList({project + "/modules"}));

    // A module no application opens: the user hears of it.
    alerts.clear();
    toolbarActions.setOpener([](const QString&) { return false; });
    toolbarActions.actionTapped(QVariantMap{{"name", "only"}, {"type", 0}});
    EXPECT_EQ(alerts, QStringList({QString::fromUtf8("No application could open \u201Conly.coffee\u201D.")}));
}

TEST_F(DocumentWindowTest, ALinkInAnUnsavedProjectSavesFirstAndOpensNothing)
{
    open(false);
    RBDocumentToolbarActions& toolbarActions = *window->toolbarActions();
    QStringList opened;
    toolbarActions.setOpener([&opened](const QString& path) { opened << path; return true; });
    write(document->projectPath() + "/modules/tools.js", "exports.a = 1");
    toolbarActions.actionTapped(QVariantMap{{"name", "tools"}, {"type", 0}});
    EXPECT_EQ(savePanels, 1);
    EXPECT_TRUE(opened.isEmpty());
    // The browser item also asks for a save first.
    window->toolbar()->openUrlItem()->trigger();
    EXPECT_EQ(savePanels, 2);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(DocumentWindowTest, ClosingTheLastWindowBringsTheWelcomeWindowBackWhenTheUserWantsIt)
{
    int welcomes = 0;
    RBDocumentController::shared()->setShowWelcomeWindow([&welcomes] { ++welcomes; });
    platform::UserDefaults::standard().setBool("WelcomeWindowShowOnStartup", true);
    open();
    window->close();
    testsupport::spin(20);
    EXPECT_TRUE(!document || document->isClosed());
    EXPECT_EQ(welcomes, 1);

    platform::UserDefaults::standard().setBool("WelcomeWindowShowOnStartup", false);
    open();
    window->close();
    testsupport::spin(20);
    EXPECT_EQ(welcomes, 1);

    // Unsaved work: "Cancel" keeps the window and the document.
    open();
    document->updateChangeCount(platform::Document::ChangeDone);
    answers = {Alert::kFirstButtonReturn + 2};
    window->close();
    testsupport::spin(20);
    ASSERT_TRUE(document);
    EXPECT_FALSE(document->isClosed());
    EXPECT_TRUE(window->isVisible());
    RBDocumentController::shared()->setShowWelcomeWindow({});
}

} // namespace

// The real window takes the user's snippets from the application's snippet folder.
TEST_F(DocumentWindowTest, TheSnippetMenuOfARunningApplicationOffersTheUsersSnippetFolder)
{
    QTemporaryDir store;
    platform::UserDefaults defaults(store.filePath("defaults.json"));
    defaults.setBool("RBDataCollectionDisabled", true);
    RBApplication::Options options;
    options.defaults = &defaults;
    options.installMenus = false;
    QStringList opened;
    options.openURL = [&opened](const QString& url, bool) { opened << url; };
    RBApplication application(std::move(options));
    open(true, application.documentController().services());

    std::unique_ptr<QMenu> menu = window->toolbarActions()->makeSnippetMenu();
    QStringList titles;
    for (QAction* item : menu->actions())
        titles << item->text();
    // The bundled user snippets were copied into the folder on first use and are listed.
    EXPECT_TRUE(titles.contains("Indent with Tabs")) << titles.join(", ").toStdString();
    EXPECT_TRUE(QFileInfo(application.pluginsPath() + "/Indent with Tabs.coffee").isFile());
    EXPECT_TRUE(menu->actions().last()->isEnabled());
}

// The two runs below need the three screens of tests/fixtures/docwindow/three-screens.json
// (the docwindow_screens_tests run); with one screen they skip.
TEST_F(DocumentWindowTest, ImagesAreSetAgainWhenTheWindowMovesToAScreenOfAnotherDensity)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 3)
        GTEST_SKIP() << "needs the three-screen configuration";
    open();
    auto* editor = dynamic_cast<RBCodeEditViewController*>(document->editor());
    ASSERT_TRUE(editor);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    const QIcon image(pixmap);
    toolbar().refreshItem()->setIcon(image);
    int refreshChanges = 0;
    QObject::connect(toolbar().refreshItem(), &QAction::changed, [&refreshChanges] { ++refreshChanges; });
    QToolButton* errorButton = editor->errorInspectorButton();
    ASSERT_FALSE(errorButton->icon().isNull());

    window->windowHandle()->setScreen(screens.at(0));
    testsupport::spin(20);
    const int before = window->backingPropertiesChangeCount();
    // Another screen of the same density: nothing to draw again.
    window->windowHandle()->setScreen(screens.at(1));
    testsupport::spin(20);
    EXPECT_EQ(window->backingPropertiesChangeCount(), before);
    EXPECT_EQ(refreshChanges, 0);

    // Twice the density: every image is set again, and stays the same image.
    window->windowHandle()->setScreen(screens.at(2));
    ASSERT_TRUE(testsupport::waitUntil([&] { return window->backingPropertiesChangeCount() == before + 1; }, 2000));
    EXPECT_DOUBLE_EQ(window->devicePixelRatioF(), 2.0);
    EXPECT_GE(refreshChanges, 2); // cleared, then set back
    EXPECT_EQ(toolbar().refreshItem()->icon().cacheKey(), image.cacheKey());
    EXPECT_FALSE(errorButton->icon().isNull()); // (the compile status may have changed it meanwhile)

    // And back.
    window->windowHandle()->setScreen(screens.at(0));
    ASSERT_TRUE(testsupport::waitUntil([&] { return window->backingPropertiesChangeCount() == before + 2; }, 2000));
}

// During a library update the save panel asks for a new copy: naming the project itself keeps
// the panel open with the note, its folder cannot be picked, and another name is saved.
TEST_F(DocumentWindowTest, TheSavePanelOfALibraryUpdateRefusesTheProjectItselfWithANote)
{
    open();
    write(project + "/zelvor/version", "1");
    platform::SavePanel::setTestResponder({}); // the real panel
    const QString copy = dir.path() + "/Window-safe.zelvor";

    QStringList steps;
    bool noteShown = false;
    bool stayedOpen = false;
    bool ownFolderDisabled = false;
    bool otherFolderEnabled = false;
    QString noteText;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!panel || !panel->isVisible())
            return;
        auto* name = panel->findChild<QLineEdit*>("fileNameEdit");
        if (!name)
            return;
        // Types a name as the user does: the listing's completion must not leave an entry
        // selected that the user did not pick (it would win over the typed name).
        auto type = [panel, name](const QString& text) {
            name->setText(text);
            for (QAbstractItemView* view : panel->findChildren<QAbstractItemView*>())
                if (view->selectionModel())
                    view->selectionModel()->clearSelection();
            name->setText(text);
        };
        if (steps.isEmpty()) {
            steps << "proposed " + name->text();
            auto* files = qobject_cast<QFileSystemModel*>(panel->proxyModel() ? panel->proxyModel()->sourceModel() : nullptr);
            if (files && panel->proxyModel()) {
                ownFolderDisabled = !(panel->proxyModel()->flags(panel->proxyModel()->mapFromSource(files->index(project))) & Qt::ItemIsEnabled);
                QDir().mkpath(dir.path() + "/Other.zelvor");
                otherFolderEnabled = bool(panel->proxyModel()->flags(panel->proxyModel()->mapFromSource(files->index(dir.path() + "/Other.zelvor"))) & Qt::ItemIsEnabled);
            }
            type("Window");
            QMetaObject::invokeMethod(panel, "accept");
            stayedOpen = panel->isVisible();
            auto* note = panel->findChild<QLabel*>("savePanelNote");
            noteShown = note && note->isVisible();
            noteText = note ? note->text() : QString();
            steps << "refused";
            type("Window-safe");
            QMetaObject::invokeMethod(panel, "accept");
            steps << (panel->isVisible() ? "still open" : "accepted");
        } else if (panel->isVisible()) {
            panel->reject(); // never left hanging: the steps above tell what went wrong
        }
    });
    driver.start();
    document->checkDocumentVersion(); // "Update" is the first answer
    driver.stop();

    EXPECT_EQ(steps, (QStringList{"proposed Window-update", "refused", "accepted"}));
    EXPECT_TRUE(ownFolderDisabled);
    EXPECT_TRUE(otherFolderEnabled);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(noteShown);
    EXPECT_TRUE(noteText.startsWith("Updating Zelvor may affect your existing project.")) << noteText.toStdString();
    EXPECT_EQ(document->fileURL(), copy);
    EXPECT_EQ(testsupport::readFile(copy + "/zelvor/version"), QString::number(RBDocument::documentCurrentVersion()));
    // The project that was open is still there as it was.
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/version"), "1");
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "box = new Layer\n");
}

// A reopened project shows the code where it was left, with its caret and its layer panel; a
// kept state that no longer fits the project (or is no state at all) is held to what it has.
TEST_F(DocumentWindowTest, AReopenedProjectShowsTheCodeAndTheLayerPanelAsTheyWereLeft)
{
    QByteArray program;
    for (int i = 0; i < 400; ++i)
        program += "layer" + QByteArray::number(i) + " = new Layer y: " + QByteArray::number(i) + "\n";
    auto* code = static_cast<RBCodeEditViewController*>(nullptr);
    KVCodeTextView* text = nullptr;
    auto reopen = [&](const QByteArray& source) {
        if (document) {
            document->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_TRUE(testsupport::waitUntil([this] { return !document && !window; }, 3000));
        }
        open(true, {}, source);
        code = dynamic_cast<RBCodeEditViewController*>(document->editor());
        ASSERT_TRUE(code && code->codeView());
        text = code->codeView()->textView();
        testsupport::spin(100); // the view is restored after the window's first layout
    };
    auto panelWidth = [&] { return int(window->codeEditSplitView()->width() - window->codeEditSplitView()->splitPosition()); };

    reopen(program);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(text->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(code->isLayerPanelCollapsed());
    window->setFrame(QRectF(20, 30, 1400, 800));
    ASSERT_TRUE(testsupport::waitUntil([&] { return window->width() == 1400; }, 3000));
    window->splitView()->dragDividerTo(860);
    const QRect frame = window->geometry();
    const double editorSide = window->splitView()->splitPosition();
    text->setSelectedRange({1234, 5});
    text->verticalScrollBar()->setValue(150);
    code->toggleLayerPanel();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !code->layerInspectorIsAnimating(); }, 3000));
    window->codeEditSplitView()->dragDividerTo(window->codeEditSplitView()->width() - 180);
    const int scroll = text->firstVisibleTextBlock().blockNumber();
    const int width = panelWidth();
    ASSERT_GT(scroll, 100);
    ASSERT_NEAR(width, 180, 2);

    reopen(program);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(window->geometry(), frame);
    EXPECT_EQ(window->splitView()->splitPosition(), editorSide);
    EXPECT_EQ(text->firstVisibleTextBlock().blockNumber(), scroll);
    EXPECT_EQ(text->selectedRange(), (platform::TextRange{1234, 5}));
    EXPECT_FALSE(code->isLayerPanelCollapsed());
    EXPECT_EQ(panelWidth(), width);
    EXPECT_EQ(code->layerInspectorImageName(), "icon-layers-on");

    // Kept for a longer program than the one there now: the caret stands at the end, the last
    // page shows, the panel leaves the code its least width; the closed rows are kept.
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !document && !window; }, 3000));
    platform::UserDefaults& store = platform::UserDefaults::standard();
    ProjectViewState wide;
    wide.firstVisibleLine = 1 << 30;
    wide.caretLocation = 1 << 30;
    wide.selectionLength = 40;
    wide.layerPanelOpen = true;
    wide.layerPanelWidth = 1 << 20;
    wide.collapsedLayers = {3, 5};
    ProjectViewStates::write(store, project, wide);
    reopen("box = new Layer\nother = new Layer\n");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(text->selectedRange(), (platform::TextRange{text->textLength(), 0}));
    EXPECT_EQ(text->verticalScrollBar()->value(), text->verticalScrollBar()->maximum());
    EXPECT_EQ(panelWidth(), int(window->codeEditSplitView()->width() - 340));
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !document && !window; }, 3000));
    ASSERT_TRUE(ProjectViewStates::read(store, project));
    EXPECT_EQ(ProjectViewStates::read(store, project)->collapsedLayers, (QList<int>{3, 5}));

    // What the store holds for the project is not a state: the project opens as new.
    QVariantMap states = store.dictionaryForKey(ProjectViewStates::storeKey());
    states.insert(QFileInfo(project).canonicalFilePath(),
                  QVariantMap{{"firstVisibleLine", "lots"}, {"caret", -4}, {"layerPanelOpen", "yes"}, {"collapsedLayers", "all"}});
    store.setObject(ProjectViewStates::storeKey(), states);
    reopen(program);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(text->verticalScrollBar()->value(), 0);
    EXPECT_EQ(text->selectedRange().location, 0);
    EXPECT_TRUE(code->isLayerPanelCollapsed());
}
