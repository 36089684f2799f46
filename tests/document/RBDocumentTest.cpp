#include "DocumentFakes.h"
#include "../Mixpanel/FakeHttpServer.h"

#include "messages/NotificationName.h"
#include "messages/RBDocumentStateUpdate.h"
#include "document/DeviceScaleMenu.h"
#include "document/LibraryUpdate.h"
#include "document/RBDocument.h"
#include "document/RunLeftovers.h"
#include "document/RBDocumentController.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/Alert.h"
#include "platform/gui/FilePanel.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QMessageBox>

#include <gtest/gtest.h>

using platform::Alert;

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

QJsonObject readJson(const QString& path)
{
    return QJsonDocument::fromJson(testsupport::readFile(path).toUtf8()).object();
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        if (!platform::DocumentController::hasSharedDocumentController())
            new RBDocumentController(qApp);
        Alert::setTestResponder([this](const Alert& alert) {
            alerts << alert.messageText() + " | " + alert.informativeText();
            return answers.isEmpty() ? Alert::kFirstButtonReturn : answers.takeFirst();
        });
        platform::SavePanel::setTestResponder([this](const platform::SavePanel& panel) {
            panelNames << panel.nameFieldStringValue();
            panelPrompts << panel.prompt();
            return panelAnswer;
        });
        project = dir.path() + "/Menu.zelvor";
    }
    void TearDown() override
    {
        Alert::setTestResponder({});
        platform::SavePanel::setTestResponder({});
    }

    RBDocumentServices services()
    {
        RBDocumentServices s;
        s.server = &server;
        s.deviceCatalog = &catalog;
        s.launchDate = QDateTime::fromSecsSinceEpoch(1700000000);
        s.libraryServerURL = libraryServerURL;
        s.buildWindow = [this](RBDocument& d) {
            d.attachEditor(&editor);
            d.attachPreview(&preview);
            d.attachWindow(&window);
        };
        return s;
    }

    // Opens the project folder as the document controller does.
    std::unique_ptr<RBDocument> open(const QString& path)
    {
        auto d = std::make_unique<RBDocument>(services());
        d->setFileURL(path);
        QString error;
        EXPECT_TRUE(d->readFromURL(path, "zelvor", &error)) << error.toStdString();
        d->makeWindowControllers();
        return d;
    }

    void makeProject(const QByteArray& program = "x = 1\n")
    {
        ASSERT_TRUE(platform::copyItem(platform::Bundle::main().pathForResource("ZelvorTemplate"), project));
        write(project + "/app.coffee", program);
        write(project + "/zelvor/version", "2");
    }

    QTemporaryDir dir;
    QString project;
    FakeEditor editor;
    FakePreview preview;
    FakeServer server;
    FakeCatalog catalog;
    FakeWindow window;
    QStringList alerts;
    QList<int> answers;
    QStringList panelNames, panelPrompts;
    QString panelAnswer;
    QString libraryServerURL;
};

TEST_F(DocumentTest, OpeningRestoresMissingEntriesAndChangesNothingElse)
{
    write(project + "/app.coffee", "mine = 1\n");
    write(project + "/images/photo.png", "png");
    write(project + "/zelvor/config.json", "{\"deviceScale\": 0.5}");
    auto d = open(project);
    EXPECT_TRUE(QFileInfo(project + "/index.html").isFile());
    EXPECT_TRUE(QFileInfo(project + "/modules").isDir());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "mine = 1\n");
    EXPECT_EQ(testsupport::readFile(project + "/images/photo.png"), "png");
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/config.json"), "{\"deviceScale\": 0.5}");
    EXPECT_EQ(editor.text, "mine = 1\n");
    EXPECT_EQ(server.mounts, QStringList{project});
    EXPECT_TRUE(d->isWatchingFiles());
    // A saved, opened folder gets no icons: only new folders do.
    EXPECT_FALSE(QFileInfo::exists(project + "/zelvor/images/icon-76.png"));
}

TEST_F(DocumentTest, ASettingsFileThatIsNotUsedIsSaidOnTheEditorBar)
{
    makeProject();
    write(project + "/zelvor/config.json", "{ \"deviceScale\": ");
    QStringList notices;
    const auto token = platform::NotificationCenter::defaultCenter().addObserver(
        RBDocumentStateUpdateNotification, nullptr, [&](const platform::Notification& n) {
            if (const auto update = RBDocumentStateUpdate::fromNotification(n); update && update->isProjectNotice())
                notices << update->message();
        });
    auto d = open(project);
    platform::NotificationCenter::defaultCenter().removeObserver(token);
    ASSERT_EQ(notices.size(), 1) << notices.join("\n").toStdString();
    EXPECT_TRUE(notices[0].contains("config.json")) << notices[0].toStdString();
    EXPECT_TRUE(notices[0].contains("default settings")) << notices[0].toStdString();
    EXPECT_EQ(d->config().value("deviceScale").toInt(), -1);
}

TEST_F(DocumentTest, AFolderWithoutProgramGetsTheStarterAndAFileIsNoProject)
{
    ASSERT_TRUE(QDir().mkpath(project));
    auto d = open(project);
    const QString starter = platform::Bundle::main().pathForResource("AppCoffeeNonExisting", "coffee", "Snippets");
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), testsupport::readFile(starter));
    EXPECT_EQ(editor.text, testsupport::readFile(starter));

    write(dir.path() + "/file.zelvor", "just a file");
    RBDocument other(services());
    QString error;
    EXPECT_FALSE(other.readFromURL(dir.path() + "/file.zelvor", "zelvor", &error));
    EXPECT_TRUE(error.contains("file.zelvor"));
    EXPECT_EQ(testsupport::readFile(dir.path() + "/file.zelvor"), "just a file");
}

TEST_F(DocumentTest, ANewProjectIsMadeInATemporaryFolderWithOneIconVariant)
{
    RBDocument d(services());
    d.makeWindowControllers();
    const QString temp = d.temporaryPath();
    ASSERT_FALSE(temp.isEmpty());
    EXPECT_EQ(d.projectPath(), temp);
    EXPECT_FALSE(d.isSaved());
    EXPECT_EQ(editor.text, testsupport::readFile(platform::Bundle::main().pathForResource("ZelvorTemplate") + "/app.coffee"));
    const QString icons = platform::Bundle::main().pathForResource("ZelvorTemplateTouchIcons");
    int matchingVariant = 0;
    for (int variant = 1; variant <= 4; ++variant) {
        bool all = true;
        for (int size : {76, 120, 152, 180, 192})
            all = all && platform::md5OfFile(QString("%1/zelvor/images/icon-%2.png").arg(temp).arg(size))
                             == platform::md5OfFile(QString("%1/%2-%3.png").arg(icons).arg(size).arg(variant));
        matchingVariant += all ? 1 : 0;
    }
    EXPECT_EQ(matchingVariant, 1);
    EXPECT_EQ(server.mounts, QStringList{temp});
    EXPECT_FALSE(d.isWatchingFiles()); // not watched until saved
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(DocumentTest, SavingWritesProgramVersionAndSettings)
{
    makeProject();
    QFile::remove(project + "/zelvor/version");
    auto d = open(project);
    int hides = 0;
    platform::NotificationCenter::defaultCenter().addObserver(NotificationName::HideActions(), nullptr,
                                                              [&](const platform::Notification&) { ++hides; }, d.get());
    editor.text = "y = 2\n";
    d->updateChangeCount(platform::Document::ChangeDone);
    d->config().setValue("updateDelay", 0.5);
    const int reloadsBefore = preview.reloads;
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "y = 2\n");
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/version"), "2");
    const QJsonObject config = readJson(project + "/zelvor/config.json");
    EXPECT_EQ(config.size(), 7);
    EXPECT_EQ(config.value("updateDelay").toDouble(), 0.5);
    EXPECT_FALSE(d->isDocumentEdited());
    EXPECT_GT(preview.reloads, reloadsBefore);
    EXPECT_EQ(server.evals, QStringList{"location.reload()"});
    EXPECT_EQ(server.mounts.size(), 2);
    // A saved folder that existed gets no icons.
    EXPECT_FALSE(QFileInfo::exists(project + "/zelvor/images/icon-76.png"));
    // Saving again without an edit writes again.
    QFile::remove(project + "/app.coffee");
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "y = 2\n");
}

TEST_F(DocumentTest, AFailedSaveKeepsTheDocumentEditedAndTellsTheUser)
{
    makeProject();
    auto d = open(project);
    editor.text = "lost? no\n";
    d->updateChangeCount(platform::Document::ChangeDone);
    // "app.coffee" cannot be replaced when a folder stands in its place.
    QFile::remove(project + "/app.coffee");
    ASSERT_TRUE(QDir().mkpath(project + "/app.coffee"));
    EXPECT_FALSE(d->saveDocument());
    EXPECT_TRUE(d->isDocumentEdited());
    EXPECT_FALSE(d->isSaving());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("could not be saved"));
    EXPECT_TRUE(alerts[0].contains(project + "/app.coffee")) << alerts[0].toStdString();
    EXPECT_TRUE(server.evals.isEmpty());
}

TEST_F(DocumentTest, BackupsOnePerRunNewestFiveKept)
{
    makeProject();
    auto d = open(project);
    const QString backups = project + "/zelvor/backups";
    ASSERT_TRUE(QDir().mkpath(backups));
    for (int i = 0; i < 6; ++i) {
        const QString old = QString("%1/backup-%2.coffee").arg(backups).arg(1600000000 + i);
        write(old, "old");
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addDays(-10 + i), QFileDevice::FileModificationTime);
    }
    editor.text = "backup me\n";
    d->makeBackup();
    const QString ours = backups + "/backup-1700000000.coffee";
    EXPECT_EQ(testsupport::readFile(ours), "backup me\n");
    EXPECT_EQ(d->lastBackupContent(), "backup me\n");
    QStringList left = QDir(backups).entryList(QDir::Files);
    EXPECT_EQ(left.size(), 5);
    EXPECT_FALSE(left.contains("backup-1600000000.coffee"));
    EXPECT_FALSE(left.contains("backup-1600000001.coffee"));

    // Same text: nothing written. New text: the run's own file is replaced, nothing else goes.
    QFile::remove(ours);
    d->makeBackup();
    EXPECT_FALSE(QFileInfo::exists(ours));
    editor.text = "newer\n";
    d->makeBackup();
    EXPECT_EQ(testsupport::readFile(ours), "newer\n");
    EXPECT_EQ(QDir(backups).entryList(QDir::Files).size(), 5);

    // A backup that could not be written is tried again with the same text.
    ASSERT_TRUE(QDir(backups).removeRecursively());
    write(backups, "a file where the folder belongs");
    editor.text = "not yet backed up\n";
    d->makeBackup();
    testsupport::spin(50);
    ASSERT_TRUE(QFile::remove(backups));
    d->makeBackup();
    EXPECT_EQ(testsupport::readFile(ours), "not yet backed up\n");

    // An unsaved project makes no backups.
    RBDocument fresh(services());
    fresh.makeWindowControllers();
    fresh.makeBackup();
    EXPECT_FALSE(QFileInfo::exists(fresh.projectPath() + "/zelvor/backups"));
}

TEST_F(DocumentTest, AnOutsideEditReplacesTheEditorTextOnce)
{
    makeProject();
    auto d = open(project);
    ASSERT_EQ(editor.text, "x = 1\n");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !d->serverLocalUrl().isEmpty(); })); // the mount reloads too
    const int reloads = preview.reloads;
    ASSERT_TRUE(platform::writeTextAtomically(project + "/app.coffee", "changed = 1\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return editor.replaceCount > 0; }));
    testsupport::spin(200);
    EXPECT_EQ(editor.replaceCount, 1);
    EXPECT_EQ(editor.text, "changed = 1\n");
    EXPECT_EQ(preview.reloads, reloads + 1);
    EXPECT_EQ(server.evals, QStringList{"location.reload()"});

    // An edit of "index.html" alone reloads nothing.
    ASSERT_TRUE(platform::writeTextAtomically(project + "/index.html", "<html>changed</html>"));
    testsupport::spin(300);
    EXPECT_EQ(editor.replaceCount, 1);
    EXPECT_EQ(preview.reloads, reloads + 1);
}

TEST_F(DocumentTest, ChangesDuringTheDocumentsOwnSaveAreIgnored)
{
    makeProject();
    auto d = open(project);
    editor.text = "saved text\n";
    RBDocument* doc = d.get();
    editor.onContent = [&] {
        if (!doc->isSaving())
            return;
        platform::writeTextAtomically(project + "/app.coffee", "written during the save\n");
        doc->reloadDocumentFromFileChange();
    };
    ASSERT_TRUE(d->saveDocument());
    editor.onContent = nullptr;
    testsupport::spin(300);
    EXPECT_EQ(editor.replaceCount, 0);
    EXPECT_EQ(editor.text, "saved text\n");
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "saved text\n");
    // Watching goes on after the save.
    ASSERT_TRUE(platform::writeTextAtomically(project + "/app.coffee", "later\n"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return editor.replaceCount == 1; }));
}

TEST_F(DocumentTest, SettingsLieOverTheDefaultsAndKeepUnknownKeys)
{
    makeProject();
    write(project + "/zelvor/config.json", "{\"deviceScale\": 0.5, \"custom\": {\"a\": [1, 2]}}");
    auto d = open(project);
    EXPECT_EQ(d->config().keys().size(), 8);
    EXPECT_EQ(d->config().value("deviceScale").toDouble(), 0.5);
    EXPECT_EQ(d->config().value("deviceType").toString(), "phone");
    EXPECT_EQ(DeviceScaleMenu::entries().at(window.scaleEntry).name, "50%");
    ASSERT_TRUE(d->saveConfig());
    const QString text = testsupport::readFile(project + "/zelvor/config.json");
    EXPECT_TRUE(text.contains("\n    \"")) << "pretty-printed";
    const QJsonObject saved = readJson(project + "/zelvor/config.json");
    EXPECT_EQ(saved.size(), 8);
    EXPECT_EQ(saved.value("custom").toObject().value("a").toArray().size(), 2);
}

TEST_F(DocumentTest, AnUnreadableSettingsFileLeavesDefaultsAndIsKeptOnSave)
{
    makeProject();
    write(project + "/zelvor/config.json", "{\"deviceScale\": oops");
    auto d = open(project);
    EXPECT_EQ(d->config().toJsonObject(), d->configDefaults());
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/config-unreadable.json"), "{\"deviceScale\": oops");
    EXPECT_EQ(readJson(project + "/zelvor/config.json").size(), 7);
}

TEST_F(DocumentTest, ScaleAndDeviceRules)
{
    makeProject();
    auto d = open(project);
    EXPECT_EQ(window.scaleEntry, DeviceScaleMenu::fitIndex());
    d->config().setValue("deviceScale", 1.5);
    EXPECT_EQ(DeviceScaleMenu::entries().at(window.scaleEntry).name, "150%");
    d->config().setValue("deviceScale", 0.3); // no entry: unchanged
    EXPECT_EQ(DeviceScaleMenu::entries().at(window.scaleEntry).name, "150%");
    d->config().setValue("deviceScale", "anything");
    EXPECT_EQ(DeviceScaleMenu::entries().at(window.scaleEntry).name, "Fit");

    d->config().setValue("deviceType", "fullscreen");
    EXPECT_FALSE(window.scale);
    EXPECT_FALSE(window.orientation);
    d->config().setValue("deviceType", "phone");
    EXPECT_TRUE(window.scale);
    EXPECT_FALSE(window.orientation); // left to the device menu
}

TEST_F(DocumentTest, OrientationButtonTogglesAndSaves)
{
    makeProject();
    auto d = open(project);
    QList<int> seen;
    for (int i = 0; i < 3; ++i) {
        d->orientationButtonPressed();
        seen << readJson(project + "/zelvor/config.json").value("deviceOrientation").toInt();
    }
    EXPECT_EQ(seen, (QList<int>{90, 0, 90}));
    EXPECT_EQ(preview.orientationChanges, 3);
    d->config().setValue("deviceOrientation", -90);
    d->orientationButtonPressed();
    EXPECT_EQ(d->config().intValue("deviceOrientation"), 0);
    d->setOrientationEnabled(false);
    d->orientationButtonPressed();
    EXPECT_EQ(d->config().intValue("deviceOrientation"), 0);
    EXPECT_EQ(preview.orientationChanges, 4);
}

TEST_F(DocumentTest, HandButtonAsksThePageForTheNextHand)
{
    makeProject();
    auto d = open(project);
    preview.nextResult = "left";
    d->handButtonPressed();
    EXPECT_EQ(preview.scripts, QStringList{"Zelvor.Device.nextHand()"});
    EXPECT_EQ(readJson(project + "/zelvor/config.json").value("selectedHand").toString(), "left");
    preview.nextResult = "right";
    preview.nextError = "boom";
    d->handButtonPressed();
    EXPECT_EQ(d->config().stringValue("selectedHand"), "left");
    d->config().setValue("deviceType", "watch");
    d->handButtonPressed();
    EXPECT_FALSE(window.hands);
}

TEST_F(DocumentTest, MountSetsTheLocalUrlAndAFailureKeepsIt)
{
    makeProject();
    const QString spaced = dir.path() + "/My Menu.zelvor";
    ASSERT_TRUE(QDir().rename(project, spaced));
    auto d = open(spaced);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !d->serverLocalUrl().isEmpty(); }));
    EXPECT_EQ(d->serverLocalUrl(), "http://127.0.0.1:8123/projects/My%20Menu.zelvor/");
    server.mountError = "refused";
    d->updateServerMount();
    testsupport::spin(50);
    EXPECT_EQ(d->serverLocalUrl(), "http://127.0.0.1:8123/projects/My%20Menu.zelvor/");
    // The preview hears why the server does not serve the project.
    EXPECT_EQ(preview.serverProblems, QStringList{"refused"});
}

TEST_F(DocumentTest, OldProjectsAreOfferedAnUpgradeToACopy)
{
    makeProject();
    write(project + "/zelvor/version", "1");
    write(project + "/zelvor/config.json", "{\"deviceOrientation\": -90, \"deviceType\": \"old-phone\"}");
    write(project + "/zelvor/zelvor-old-library.js", "old");
    auto d = open(project);

    answers = {Alert::kFirstButtonReturn + 1}; // Cancel
    d->checkDocumentVersion();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Update Zelvor Library"));
    EXPECT_TRUE(alerts[0].contains("new previewing devices"));
    EXPECT_FALSE(d->updatingFramework());
    EXPECT_EQ(d->fileURL(), project);

    // Update, but the panel is cancelled: nothing is saved, and a later Save As is a plain one.
    answers = {Alert::kFirstButtonReturn};
    d->checkDocumentVersion();
    EXPECT_EQ(panelPrompts.size(), 1);
    EXPECT_FALSE(d->updatingFramework());
    EXPECT_EQ(d->fileURL(), project);
    panelNames.clear();
    panelPrompts.clear();

    const QString copy = dir.path() + "/Menu-update.zelvor";
    panelAnswer = copy;
    answers = {Alert::kFirstButtonReturn}; // Update
    d->checkDocumentVersion();
    EXPECT_EQ(panelNames, QStringList{"Menu-update"});
    EXPECT_EQ(panelPrompts, QStringList{"Save Copy"});
    EXPECT_EQ(d->fileURL(), copy);
    EXPECT_FALSE(d->updatingFramework());
    EXPECT_EQ(testsupport::readFile(copy + "/zelvor/version"), "2");
    EXPECT_FALSE(QFileInfo::exists(copy + "/zelvor/zelvor-old-library.js"));
    EXPECT_EQ(d->config().intValue("deviceOrientation"), 90);
    EXPECT_EQ(readJson(copy + "/zelvor/config.json").value("deviceOrientation").toInt(), 90);
    EXPECT_EQ(preview.deviceUpdates, 1);
    // The folder that was opened is untouched, and no longer served.
    EXPECT_EQ(server.unmounts, QStringList{project});
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/version"), "1");
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/zelvor-old-library.js"), "old");
    // A project of the current format is not asked.
    alerts.clear();
    d->checkDocumentVersion();
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(DocumentTest, AnUpgradeThatCannotReplaceTheLibrarySaysSo)
{
    makeProject();
    write(project + "/zelvor/version", "1");
    auto d = open(project);
    // No Trash can be made: a file stands where its folder would be.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    write(dir.path() + "/blocked/Trash", "not a folder");
    qputenv("XDG_DATA_HOME", (dir.path() + "/blocked").toUtf8());
    const QString copy = dir.path() + "/Menu-update.zelvor";
    panelAnswer = copy;
    answers = {Alert::kFirstButtonReturn}; // Update
    d->checkDocumentVersion();
    qputenv("XDG_DATA_HOME", dataHome);

    EXPECT_EQ(d->fileURL(), copy);
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_TRUE(alerts[1].contains("could not be updated")) << alerts[1].toStdString();
    // Not marked as done: the copy is offered the update again.
    EXPECT_EQ(testsupport::readFile(copy + "/zelvor/version"), "1");
}

TEST_F(DocumentTest, SavingANewProjectThroughThePanel)
{
    RBDocument d(services());
    d.makeWindowControllers();
    editor.text = "new program\n";
    panelAnswer = dir.path() + "/Fresh"; // the extension is added
    ASSERT_TRUE(d.saveDocument());
    const QString target = dir.path() + "/Fresh.zelvor";
    EXPECT_EQ(d.fileURL(), target);
    EXPECT_TRUE(d.isSaved());
    EXPECT_EQ(testsupport::readFile(target + "/app.coffee"), "new program\n");
    EXPECT_TRUE(QFileInfo::exists(target + "/.gitignore")); // the extras come with the first save
    EXPECT_TRUE(QFileInfo::exists(target + "/zelvor/images/icon-192.png"));
    EXPECT_TRUE(d.isWatchingFiles());
    EXPECT_EQ(platform::DocumentController::sharedDocumentController().recentDocumentURLs().value(0), target);

    // A cancelled panel saves nothing.
    panelAnswer.clear();
    EXPECT_FALSE(d.saveDocumentAs());
    EXPECT_FALSE(d.isSaving());
}

TEST_F(DocumentTest, SaveAsOntoItsOwnFolderAndIntoItself)
{
    makeProject();
    auto d = open(project);
    editor.text = "again\n";
    panelAnswer = project;
    ASSERT_TRUE(d->saveDocumentAs());
    EXPECT_EQ(d->fileURL(), project);
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "again\n");
    EXPECT_TRUE(QFileInfo(project + "/index.html").isFile());

    panelAnswer = project + "/modules/Inside.zelvor";
    EXPECT_FALSE(d->saveDocumentAs());
    EXPECT_TRUE(alerts.last().contains("inside its own folder"));
    EXPECT_FALSE(QFileInfo::exists(project + "/modules/Inside.zelvor"));

    // Nor over a folder around it: making room would throw the project away first.
    const QString outer = dir.path() + "/Outer.zelvor";
    ASSERT_TRUE(QDir().mkpath(outer));
    ASSERT_TRUE(QDir().rename(project, outer + "/Menu.zelvor"));
    auto nested = open(outer + "/Menu.zelvor");
    panelAnswer = outer;
    EXPECT_FALSE(nested->saveDocumentAs());
    EXPECT_TRUE(alerts.last().contains("over a folder that holds it")) << alerts.last().toStdString();
    EXPECT_EQ(testsupport::readFile(outer + "/Menu.zelvor/app.coffee"), "again\n");
    EXPECT_EQ(nested->fileURL(), outer + "/Menu.zelvor");
}

TEST_F(DocumentTest, ASaveAsOntoItsOwnFolderThatCannotMakeRoomKeepsTheDocumentThere)
{
    makeProject();
    auto d = open(project);
    // No Trash can be made: a file stands where its folder would be.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    write(dir.path() + "/blocked/Trash", "not a folder");
    qputenv("XDG_DATA_HOME", (dir.path() + "/blocked").toUtf8());
    editor.text = "kept in place\n";
    d->updateChangeCount(platform::Document::ChangeDone);
    panelAnswer = project;
    const bool saved = d->saveDocumentAs();
    qputenv("XDG_DATA_HOME", dataHome);
    EXPECT_FALSE(saved);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("Trash")) << alerts[0].toStdString();
    // The next save goes into the project, not into the temporary copy made on the way.
    EXPECT_EQ(d->fileURL(), project);
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "kept in place\n");
}

TEST_F(DocumentTest, ASaveOnAFullDiskLeavesEveryFileAsItWasAndTheProjectUnsaved)
{
    makeProject("kept = 1\n");
    write(project + "/zelvor/config.json", "{\"updateDelay\": 0.5}");
    auto d = open(project);
    editor.text = "lost if the disk were trusted\n";
    d->updateChangeCount(platform::Document::ChangeDone);
    const QString config = testsupport::readFile(project + "/zelvor/config.json");

    // A file size limit of nothing: every write fails as on a full disk, truncation still works.
    bool saved = true;
    ASSERT_TRUE(testsupport::whileDiskIsFull([&] { saved = d->saveDocument(); }));

    EXPECT_FALSE(saved);
    EXPECT_TRUE(d->isDocumentEdited());
    ASSERT_EQ(alerts.size(), 1);
    // The message names the system's reason, not a guess.
    EXPECT_TRUE(alerts[0].contains("File too large")) << alerts[0].toStdString();
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "kept = 1\n");
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/version"), "2");
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/config.json"), config);
    EXPECT_EQ(d->documentVersion(), 2);
}

TEST_F(DocumentTest, ClosingAsksAndCleansUpOnlyWhenItReallyCloses)
{
    makeProject();
    auto owned = open(project);
    RBDocument* d = owned.release(); // close() deletes it later
    platform::DocumentController::sharedDocumentController().addDocument(d);
    QPointer<RBDocument> guard(d);

    EXPECT_TRUE(d->canCloseDocument()); // nothing unsaved: no question
    EXPECT_TRUE(alerts.isEmpty());

    d->updateChangeCount(platform::Document::ChangeDone);
    answers = {Alert::kFirstButtonReturn + 2}; // Cancel
    EXPECT_FALSE(d->canCloseDocument());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("Menu"));
    EXPECT_TRUE(d->isWatchingFiles()); // a cancelled close leaves the document working

    editor.text = "saved on close\n";
    answers = {Alert::kFirstButtonReturn}; // Save
    EXPECT_TRUE(d->canCloseDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "saved on close\n");

    d->updateChangeCount(platform::Document::ChangeDone);
    answers = {Alert::kFirstButtonReturn + 1}; // Don't Save
    EXPECT_TRUE(d->canCloseDocument());
    d->close();
    EXPECT_FALSE(d->isWatchingFiles());
    EXPECT_FALSE(platform::DocumentController::sharedDocumentController().documents().contains(d));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(DocumentTest, AChangedNewProjectIsNeverClosedWithoutAsking)
{
    RBDocument d(services());
    d.makeWindowControllers();
    d.updateChangeCount(platform::Document::ChangeDone);
    answers = {Alert::kFirstButtonReturn + 2};
    EXPECT_FALSE(d.canCloseDocument());
    EXPECT_EQ(alerts.size(), 1);
    // "Save" runs the panel; cancelling it cancels the close.
    answers = {Alert::kFirstButtonReturn};
    panelAnswer.clear();
    EXPECT_FALSE(d.canCloseDocument());
    EXPECT_EQ(panelNames.size(), 1);
}

} // namespace

namespace {
TEST_F(DocumentTest, AnUnreadableProgramIsKeptAsideBeforeASaveReplacesIt)
{
    makeProject();
    QFile::remove(project + "/app.coffee");
    ASSERT_TRUE(QFile::link(dir.path() + "/elsewhere.coffee", project + "/app.coffee")); // dangling
    auto d = open(project);
    EXPECT_EQ(editor.text, "");
    editor.text = "fresh start\n";
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "fresh start\n");
    EXPECT_TRUE(QFileInfo(project + "/app-unreadable.coffee").isSymLink());
    // The only message is the one at opening: the save itself succeeded.
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("could not be read")) << alerts[0].toStdString();
}

TEST_F(DocumentTest, AProgramThatIsNotUtf8IsExplainedAndItsBytesSurviveTheFirstSave)
{
    const QByteArray latin1 = "label = \"caf\xe9\"\n";
    makeProject(latin1);
    auto d = open(project);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("not UTF-8")) << alerts[0].toStdString();
    EXPECT_TRUE(editor.text.contains(QChar(0xFFFD)));
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), editor.text);
    QFile kept(project + "/app-unreadable.coffee");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), latin1);
    // A second save has nothing left to keep aside.
    ASSERT_TRUE(d->saveDocument());
    EXPECT_FALSE(QFileInfo::exists(project + "/app-unreadable 2.coffee"));
    EXPECT_EQ(QDir(project).entryList({"app-unreadable*"}).size(), 1);
}

TEST_F(DocumentTest, AnOutsideChangeAsksBeforeItReplacesUnsavedEditsAndLeavesACleanDocumentClean)
{
    makeProject();
    auto d = open(project);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !d->serverLocalUrl().isEmpty(); }));
    // The real editor reports every replacement as an edit of the document.
    RBDocument* doc = d.get();
    editor.onReplace = [doc] { doc->updateChangeCount(platform::Document::ChangeDone); };

    // Without unsaved edits the text on disk is taken, and nothing is left to save.
    ASSERT_TRUE(platform::writeTextAtomically(project + "/app.coffee", "outside = 1\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return editor.replaceCount == 1; }));
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_FALSE(d->isDocumentEdited());

    // With unsaved edits the user is asked; keeping them changes nothing.
    editor.text = "my unsaved work\n";
    d->updateChangeCount(platform::Document::ChangeDone);
    answers = {Alert::kFirstButtonReturn};
    ASSERT_TRUE(platform::writeTextAtomically(project + "/app.coffee", "outside = 2\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.size() == 1; }));
    testsupport::spin(200);
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("changed by another application")) << alerts[0].toStdString();
    EXPECT_EQ(editor.text, "my unsaved work\n");
    EXPECT_EQ(editor.replaceCount, 1);
    EXPECT_TRUE(d->isDocumentEdited());

    // Loading from disk takes the newest text and leaves the document clean.
    answers = {Alert::kFirstButtonReturn + 1};
    ASSERT_TRUE(platform::writeTextAtomically(project + "/app.coffee", "outside = 3\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return editor.replaceCount == 2; }));
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(editor.text, "outside = 3\n");
    EXPECT_FALSE(d->isDocumentEdited());

    // A change of the page alone asks nothing about a program that did not change.
    editor.text = "unsaved again\n";
    d->updateChangeCount(platform::Document::ChangeDone);
    ASSERT_TRUE(platform::writeTextAtomically(project + "/index.html", "<html>changed</html>\n"));
    testsupport::spin(400);
    EXPECT_EQ(alerts.size(), 2);
    EXPECT_EQ(editor.text, "unsaved again\n");
    EXPECT_EQ(editor.replaceCount, 2);
    EXPECT_TRUE(d->isDocumentEdited());
}

TEST_F(DocumentTest, AnOutsideChangeWhileTheSavePanelIsOpenIsTakenWhenItIsCancelled)
{
    makeProject();
    auto d = open(project);
    platform::SavePanel::setTestResponder([&](const platform::SavePanel&) {
        EXPECT_TRUE(platform::writeTextAtomically(project + "/app.coffee", "outside = 1\n"));
        testsupport::spin(300); // the change is seen while the panel is open
        return QString();
    });
    EXPECT_FALSE(d->saveDocumentAs());
    EXPECT_TRUE(testsupport::waitUntil([&] { return editor.text == "outside = 1\n"; })) << editor.text.toStdString();
    EXPECT_FALSE(d->isDocumentEdited());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(DocumentTest, AProgramDeletedOutsideLeavesTheDocumentUnsavedSoClosingAsks)
{
    makeProject();
    auto d = open(project);
    ASSERT_FALSE(d->isDocumentEdited());
    ASSERT_TRUE(QFile::remove(project + "/app.coffee"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return d->isDocumentEdited(); }));
    EXPECT_EQ(editor.text, "x = 1\n");
    answers = {Alert::kFirstButtonReturn + 2}; // Cancel
    EXPECT_FALSE(d->canCloseDocument());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("save the changes")) << alerts[0].toStdString();
    // Saving puts the program back and watching goes on.
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "x = 1\n");
    EXPECT_FALSE(d->isDocumentEdited());
}

TEST_F(DocumentTest, SavingAProjectWhoseFolderWasMovedAwayFailsAndSaveAsKeepsTheWork)
{
    makeProject();
    write(project + "/images/photo.png", "picture");
    auto d = open(project);
    ASSERT_TRUE(QDir().rename(project, dir.path() + "/Renamed.zelvor"));
    editor.text = "work done after the rename\n";
    d->updateChangeCount(platform::Document::ChangeDone);

    EXPECT_FALSE(d->saveDocument());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("no longer there")) << alerts[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(project)); // no bare project made at the old place
    EXPECT_TRUE(d->isDocumentEdited());

    // Save As puts the work where the user says.
    panelAnswer = dir.path() + "/Rescued.zelvor";
    ASSERT_TRUE(d->saveDocumentAs());
    EXPECT_EQ(testsupport::readFile(panelAnswer + "/app.coffee"), "work done after the rename\n");
    EXPECT_TRUE(QFileInfo::exists(panelAnswer + "/index.html"));
    EXPECT_FALSE(d->isDocumentEdited());
    EXPECT_EQ(alerts.size(), 1);
}
} // namespace

namespace {
TEST_F(DocumentTest, AnUntitledProjectClosedWithoutSavingLeavesNoFolderOnceServerAndWindowLetGo)
{
    auto* d = new RBDocument(services());
    d->makeWindowControllers();
    platform::DocumentController::sharedDocumentController().addDocument(d);
    QPointer<RBDocument> guard(d);
    const QString temp = d->temporaryPath();
    const QString folder = QFileInfo(temp).path();
    ASSERT_TRUE(QFileInfo(temp + "/app.coffee").isFile());
    QPointer<QWidget> shown = window.widget;

    answers = {Alert::kFirstButtonReturn + 1}; // Don't Save
    ASSERT_TRUE(d->canCloseDocument());
    d->close();
    // The server is asked to let go first; nothing is removed while it may still serve it.
    EXPECT_EQ(server.unmounts, QStringList{temp});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(QFileInfo(temp + "/app.coffee").isFile());

    ASSERT_EQ(server.unmountAnswers.size(), 1u);
    server.unmountAnswers[0]({}, {});
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// Nothing can be lost with an untitled project that nobody touched; one that was edited (even
// back to where it was) or given a picture is asked about.
TEST_F(DocumentTest, AnUntouchedUntitledProjectClosesWithoutAsking)
{
    auto d = std::make_unique<RBDocument>(services());
    d->makeWindowControllers();
    EXPECT_FALSE(d->hasUnsavedWork());
    EXPECT_TRUE(d->canCloseDocument());
    EXPECT_TRUE(alerts.isEmpty());

    QFile picture(d->temporaryPath() + "/images/dropped.png");
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.close();
    EXPECT_TRUE(d->hasUnsavedWork());
    answers = {Alert::kFirstButtonReturn + 2}; // Cancel
    EXPECT_FALSE(d->canCloseDocument());
    EXPECT_EQ(alerts.size(), 1);
    QFile::remove(picture.fileName());
    EXPECT_FALSE(d->hasUnsavedWork());

    d->updateChangeCount(platform::Document::ChangeDone);
    d->updateChangeCount(platform::Document::ChangeUndone);
    EXPECT_FALSE(d->isDocumentEdited());
    EXPECT_TRUE(d->hasUnsavedWork());
}

TEST_F(DocumentTest, AnUntitledProjectsFolderThatIsAlsoOpenAsAProjectStays)
{
    auto* untitled = new RBDocument(services());
    untitled->makeWindowControllers();
    const QString temp = untitled->temporaryPath();
    // The user opened the same folder through the open panel.
    auto owned = open(temp);
    RBDocument* opened = owned.release();
    auto& documents = platform::DocumentController::sharedDocumentController();
    documents.addDocument(untitled);
    documents.addDocument(opened);

    untitled->close();
    for (const auto& answer : server.unmountAnswers)
        if (answer)
            answer({}, {});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(QFileInfo(temp + "/app.coffee").isFile());
    opened->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(DocumentTest, AWindowStillOpenKeepsTheTemporaryFolderAndASavedProjectIsLeftAlone)
{
    auto* d = new RBDocument(services());
    d->makeWindowControllers();
    const QString temp = d->temporaryPath();
    panelAnswer = dir.path() + "/Kept.zelvor";
    editor.text = "kept = 1\n";
    ASSERT_TRUE(d->saveDocument());
    ASSERT_TRUE(d->isSaved());

    // The temporary place is left with the save: nothing serves it from then on.
    EXPECT_EQ(server.unmounts, QStringList{temp});

    // The server lets go at once, but the window has not yet.
    d->close();
    ASSERT_EQ(server.unmounts, (QStringList{temp, panelAnswer, temp}));
    server.unmountAnswers[2]({}, "The preview server was stopped.");
    EXPECT_TRUE(QFileInfo::exists(temp));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The copy in the temporary folder goes; the folder the user chose keeps the project.
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(temp).path()));
    EXPECT_EQ(testsupport::readFile(panelAnswer + "/app.coffee"), "kept = 1\n");

    // A project opened from its folder is no longer served once closed, and never removed.
    makeProject();
    auto owned = open(project);
    RBDocument* opened = owned.release();
    opened->close();
    EXPECT_EQ(server.unmounts.last(), project);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "x = 1\n");
}
} // namespace

namespace {
TEST_F(DocumentTest, SaveAsServesTheNewPlaceOnlyAndLeavesAFolderOpenElsewhereServed)
{
    makeProject();
    auto& documents = platform::DocumentController::sharedDocumentController();
    RBDocument* d = open(project).release();
    documents.addDocument(d);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !d->serverLocalUrl().isEmpty(); }));

    // Saved under a new name: the new folder is served and the preview goes there; the old
    // folder is no longer served.
    const QString moved = dir.path() + "/Moved.zelvor";
    panelAnswer = moved;
    preview.reloads = 0;
    ASSERT_TRUE(d->saveDocumentAs());
    EXPECT_EQ(server.mounts.last(), moved);
    EXPECT_EQ(server.unmounts, QStringList{project});
    ASSERT_TRUE(testsupport::waitUntil([&] { return d->serverLocalUrl() == "http://127.0.0.1:8123/projects/Moved.zelvor/"; }));
    EXPECT_GE(preview.reloads, 1);

    // Another window works in the folder the project leaves next: it stays served until that
    // window closes too.
    RBDocument* other = open(moved).release();
    documents.addDocument(other);
    panelAnswer = dir.path() + "/Third.zelvor";
    ASSERT_TRUE(d->saveDocumentAs());
    EXPECT_EQ(server.unmounts, QStringList{project});
    other->close();
    EXPECT_EQ(server.unmounts, (QStringList{project, moved}));

    // Nor may another project be saved over the folder: both windows would write it.
    const QString third = panelAnswer;
    const QString program = testsupport::readFile(third + "/app.coffee");
    auto untitled = std::make_unique<RBDocument>(services());
    untitled->makeWindowControllers();
    editor.text = "would overwrite the other window\n";
    EXPECT_FALSE(untitled->saveDocumentAs());
    EXPECT_TRUE(alerts.last().contains("open in another window")) << alerts.last().toStdString();
    EXPECT_EQ(testsupport::readFile(third + "/app.coffee"), program);
    EXPECT_FALSE(untitled->isSaved());
    d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(DocumentTest, ASaveAsThatFailsLeavesTheProjectWhereItWasAndServedFromThere)
{
    makeProject();
    auto d = open(project);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !d->serverLocalUrl().isEmpty(); }));
    const QString served = d->serverLocalUrl();
    editor.text = "work = 1\n";
    d->updateChangeCount(platform::Document::ChangeDone);

    // Something takes the place of the settings folder while the copy is being saved.
    const QString target = dir.path() + "/Elsewhere.zelvor";
    editor.onContent = [target] {
        if (QFileInfo(target).isDir() && !QFileInfo(target + "/zelvor").isFile()) {
            QDir(target + "/zelvor").removeRecursively();
            write(target + "/zelvor", "in the way");
        }
    };
    panelAnswer = target;
    EXPECT_FALSE(d->saveDocumentAs());
    editor.onContent = {};
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("could not be saved")) << alerts[0].toStdString();
    EXPECT_EQ(d->fileURL(), project);
    EXPECT_TRUE(d->isDocumentEdited());
    EXPECT_TRUE(server.unmounts.isEmpty());
    testsupport::spin(50);
    EXPECT_EQ(d->serverLocalUrl(), served);
    EXPECT_FALSE(platform::DocumentController::sharedDocumentController().recentDocumentURLs().contains(target));

    // The next save still goes where the project is.
    ASSERT_TRUE(d->saveDocument());
    EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "work = 1\n");
}
} // namespace

namespace {
// An untitled program reaches its temporary folder soon after an edit, so that a run that ends
// abruptly can offer it at the next start; a saved project's text goes to its backups instead.
TEST_F(DocumentTest, AnUntitledProgramReachesItsTemporaryFolderWithinTwoSeconds)
{
    RBDocument d(services());
    d.makeWindowControllers();
    editor.text = "kept while untitled\n";
    d.programEdited(true);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return testsupport::readFile(d.projectPath() + "/app.coffee") == "kept while untitled\n"; }, 5000));
    editor.text = "and again\n";
    d.programEdited(true);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return testsupport::readFile(d.projectPath() + "/app.coffee") == "and again\n"; }, 5000));
    EXPECT_FALSE(d.isSaved());
}

// A saved project's edits reach this run's backup once typing pauses, stamped with the time of
// the last edit; while the text equals the saved program nothing is written, and coming back to
// it sets the earlier backup aside, so that no start offers edits the user took back.
TEST_F(DocumentTest, EditsReachTheBackupWhenTypingPausesAndNotWhileTheTextIsTheSavedOne)
{
    makeProject("saved = 1\n");
    auto d = open(project);
    const QString ours = project + "/zelvor/backups/backup-1700000000.coffee";

    editor.text = "saved = 1\n";
    d->programEdited(false);
    testsupport::spin(1500);
    d->waitForBackups();
    EXPECT_FALSE(QFileInfo::exists(ours)) << "the text is the saved program";

    const QDateTime before = QDateTime::currentDateTime();
    editor.text = "saved = 1\nedited = 2\n";
    d->programEdited(true);
    const QDateTime after = QDateTime::currentDateTime();
    ASSERT_TRUE(testsupport::waitUntil([&] { return testsupport::readFile(ours) == editor.text; }, 5000));
    const QDateTime stamped = QFileInfo(ours).lastModified();
    EXPECT_GE(stamped, before.addMSecs(-1));
    EXPECT_LE(stamped, after.addMSecs(1));
    EXPECT_EQ(RunLeftovers::unsavedBackup(project), ours);

    editor.text = "saved = 1\n";
    d->programEdited(false);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !QFileInfo::exists(ours); }, 5000));
    EXPECT_TRUE(QFileInfo::exists(project + "/zelvor/backups/kept-backup-1700000000.coffee"));
    EXPECT_EQ(RunLeftovers::unsavedBackup(project), QString());
}

// Typing that never pauses still reaches the backup, long before it stops.
TEST_F(DocumentTest, ContinuousTypingReachesTheBackupWhileItGoesOn)
{
    makeProject("saved = 1\n");
    auto d = open(project);
    const QString ours = project + "/zelvor/backups/backup-1700000000.coffee";
    bool writtenWhileTyping = false;
    for (int i = 0; i < 60 && !writtenWhileTyping; ++i) {
        editor.text += QStringLiteral("x%1 = %1\n").arg(i);
        d->programEdited(true);
        testsupport::spin(250);
        writtenWhileTyping = QFileInfo::exists(ours);
    }
    EXPECT_TRUE(writtenWhileTyping);
}

// A saved project whose newest backup (of an earlier run) is newer than its program and differs
// offers the changes; declining sets the backup aside so that the next open does not ask again.
TEST_F(DocumentTest, UnsavedChangesOfAnEarlierRunAreOfferedOnceAndRestoredIntoTheEditor)
{
    makeProject("saved = 1\n");
    const QString backups = project + "/zelvor/backups";
    ASSERT_TRUE(QDir().mkpath(backups));
    const QString backup = backups + "/backup-1600000000.coffee";
    write(backup, "saved = 1\nunsaved = 2\n");
    {
        QFile f(backup);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    }

    answers = {Alert::kFirstButtonReturn + 1}; // Keep Saved Version
    {
        auto d = open(project);
        ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.size() == 1; }));
        EXPECT_TRUE(alerts.first().contains("has changes that were never saved")) << alerts.first().toStdString();
        EXPECT_FALSE(d->isDocumentEdited());
        d->close();
    }
    EXPECT_FALSE(QFileInfo::exists(backup));
    EXPECT_TRUE(QFileInfo::exists(backups + "/kept-backup-1600000000.coffee"));
    alerts.clear();
    {
        auto d = open(project);
        testsupport::spin(300);
        EXPECT_TRUE(alerts.isEmpty());
        d->close();
    }

    // A newer backup again, and this time "Restore Changes": the editor gets the backup's text,
    // the document counts it as unsaved, and the program on disk is untouched until a save.
    const QString second = backups + "/backup-1600000100.coffee";
    write(second, "restored = 3\n");
    {
        QFile f(second);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(120), QFileDevice::FileModificationTime);
    }
    answers = {Alert::kFirstButtonReturn};
    {
        auto d = open(project);
        ASSERT_TRUE(testsupport::waitUntil([&] { return alerts.size() == 1; }));
        EXPECT_EQ(editor.text, "restored = 3\n");
        EXPECT_TRUE(d->isDocumentEdited());
        EXPECT_EQ(testsupport::readFile(project + "/app.coffee"), "saved = 1\n");
        // The restored text is this run's backup now; the old one is not offered again, even
        // once this run's edits are thrown away.
        EXPECT_EQ(testsupport::readFile(backups + "/backup-1700000000.coffee"), "restored = 3\n");
        EXPECT_FALSE(QFileInfo::exists(second));
        answers = {Alert::kFirstButtonReturn + 1}; // Don't Save
        EXPECT_TRUE(d->canCloseDocument());
        d->close();
    }
    alerts.clear();
    auto again = open(project);
    testsupport::spin(300);
    EXPECT_TRUE(alerts.isEmpty()) << alerts.value(0).toStdString();
}
} // namespace

// ---------------------------------------------------------------- library update

TEST(LibraryUpdate, FreePathsAreNumberedFromTheTemplate)
{
    const struct {
        QStringList existing;
        const char* pathTemplate;
        const char* expected;
    } cases[] = {
        {{}, "zelvor.js.old#{number}", "zelvor.js.old"},
        {{"zelvor.js.old"}, "zelvor.js.old#{number}", "zelvor.js.old1"},
        {{"zelvor.js.old", "zelvor.js.old1"}, "zelvor.js.old#{number}", "zelvor.js.old2"},
        {{"a"}, "a", "a1"},
        {{"b"}, "#{number}b", "1b"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        for (const QString& name : c.existing)
            write(dir.filePath(name), "x");
        EXPECT_EQ(pathForNonexistingFile(dir.filePath(QString::fromUtf8(c.pathTemplate))), dir.filePath(QString::fromUtf8(c.expected)))
            << c.pathTemplate;
    }
    // Past 100 the last candidate is answered even though it exists.
    QTemporaryDir dir;
    write(dir.filePath("f"), "x");
    for (int i = 1; i <= 100; ++i)
        write(dir.filePath(QStringLiteral("f%1").arg(i)), "x");
    EXPECT_EQ(pathForNonexistingFile(dir.filePath("f#{number}")), dir.filePath("f100"));
}

class LibraryUpdateTest : public DocumentTest {
protected:
    // Runs the update through the project menu's entry point and waits until it has finished.
    void update(RBDocument& d)
    {
        testsupport::spin(50); // the reload of the opening comes first
        bool done = false;
        const auto connection = QObject::connect(&d, &RBDocument::zelvorLibraryUpdated, [&done] { done = true; });
        d.updateZelvorLibrary();
        EXPECT_TRUE(testsupport::waitUntil([&] { return done; }, 15000));
        QObject::disconnect(connection);
    }
    QString lib(const QString& name) const { return project + "/zelvor/" + name; }
    FakeHttpServer buildServer;
};

TEST_F(LibraryUpdateTest, ServerLibraryReplacesTheFilesKeepingNumberedOldCopiesAndReloadsThePreview)
{
    libraryServerURL = buildServer.baseURL();
    makeProject();
    auto d = open(project);
    write(lib("zelvor.js"), "current");
    write(lib("zelvor.js.old"), "older");
    write(lib("zelvor.js.old1"), "oldest");
    QFile::remove(lib("zelvor.js.map"));
    const QByteArray newLibrary = "window.Zelvor = {version: 'new'};";
    const QByteArray newMap = R"({"version":3,"mappings":"AAAA"})";
    buildServer.setResponder([&](const FakeHttpServer::Request& request) {
        FakeHttpServer::Reply reply;
        reply.body = request.path == "/latest/zelvor.js" ? newLibrary : request.path == "/latest/zelvor.js.map" ? newMap : "";
        reply.status = reply.body.isEmpty() ? 404 : 200;
        return reply;
    });
    d->config().setValue(ProjectConfig::DeviceType, QStringLiteral("old-phone"));
    testsupport::spin(50);
    const int reloadsBefore = preview.reloads;
    update(*d);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith("The Zelvor library was updated. | ")) << alerts.first().toStdString();
    EXPECT_TRUE(alerts.first().contains("zelvor.js.old2")) << alerts.first().toStdString();
    EXPECT_EQ(testsupport::readFile(lib("zelvor.js")).toUtf8(), newLibrary);
    EXPECT_EQ(testsupport::readFile(lib("zelvor.js.old2")), "current");
    EXPECT_EQ(testsupport::readFile(lib("zelvor.js.old")), "older");
    EXPECT_EQ(testsupport::readFile(lib("zelvor.js.map")).toUtf8(), newMap);
    EXPECT_FALSE(QFileInfo::exists(lib("zelvor.js.map.old")));
    EXPECT_EQ(preview.reloads, reloadsBefore + 1);
    EXPECT_EQ(preview.deviceUpdates, 1);
    // No file of the update's own is left behind.
    EXPECT_EQ(QDir(project + "/zelvor").entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\.")), QStringList());

    // The same library again: nothing is written, kept or reloaded, and the user is told so.
    const QStringList filesBefore = QDir(project + "/zelvor").entryList(QDir::Files | QDir::Hidden);
    alerts.clear();
    update(*d);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith("The library is up to date. | ")) << alerts.first().toStdString();
    EXPECT_EQ(QDir(project + "/zelvor").entryList(QDir::Files | QDir::Hidden), filesBefore);
    EXPECT_EQ(preview.reloads, reloadsBefore + 1);
}

// When the map cannot be put in place after the library was, the old library comes back.
TEST_F(LibraryUpdateTest, AFailureHalfwayPutsTheOldLibraryBack)
{
    makeProject();
    write(project + "/zelvor/zelvor.js", "current");
    write(project + "/zelvor/zelvor.js.map", R"({"mappings":"old"})");
    // Every name for a kept copy of the map is taken: the map cannot be moved aside.
    write(project + "/zelvor/zelvor.js.map.old", "x");
    for (int i = 1; i <= 100; ++i)
        write(project + QStringLiteral("/zelvor/zelvor.js.map.old%1").arg(i), "x");
    const QString shipped = platform::Bundle::main().pathForResource("ZelvorTemplate") + "/zelvor/";
    const LibraryUpdateOutcome outcome = replaceLibraryFiles(
        project + "/zelvor", {{"zelvor.js", testsupport::readFile(shipped + "zelvor.js").toUtf8()},
                              {"zelvor.js.map", R"({"mappings":"new"})"}});
    EXPECT_EQ(outcome.result, LibraryUpdateOutcome::Result::Failed);
    EXPECT_TRUE(outcome.error.contains("zelvor.js.map")) << outcome.error.toStdString();
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/zelvor.js"), "current");
    EXPECT_EQ(testsupport::readFile(project + "/zelvor/zelvor.js.map"), R"({"mappings":"old"})");
    EXPECT_FALSE(QFileInfo::exists(project + "/zelvor/zelvor.js.old"));
}

TEST_F(LibraryUpdateTest, WithoutAServerTheShippedLibraryIsTaken)
{
    makeProject();
    auto d = open(project);
    write(lib("zelvor.js"), "current");
    testsupport::spin(50); // the reload of the opening comes first
    const int reloadsBefore = preview.reloads;
    update(*d);
    const QString shipped = platform::Bundle::main().pathForResource("ZelvorTemplate") + "/zelvor/";
    const QString version = libraryVersion(testsupport::readFile(shipped + "zelvor.js").toUtf8());
    ASSERT_FALSE(version.isEmpty());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith(QStringLiteral("Updated to version %1. | ").arg(version))) << alerts.first().toStdString();
    EXPECT_EQ(testsupport::readFile(lib("zelvor.js")), testsupport::readFile(shipped + "zelvor.js"));
    EXPECT_EQ(testsupport::readFile(lib("zelvor.js.old")), "current");
    if (const QString shots = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR"); !shots.isEmpty()) {
        // The message as the alert box shows it.
        QMessageBox box;
        box.setText(alerts.first().section(" | ", 0, 0));
        box.setInformativeText(alerts.first().section(" | ", 1));
        box.show();
        testsupport::spin(200);
        box.grab().save(shots + "/library-updated.png");
    }
    // The map was already the shipped one: it is neither rewritten nor kept twice.
    EXPECT_FALSE(QFileInfo::exists(lib("zelvor.js.map.old")));
    EXPECT_EQ(preview.reloads, reloadsBefore + 1);

    alerts.clear();
    update(*d);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith("The library is up to date. | ")) << alerts.first().toStdString();
    EXPECT_FALSE(QFileInfo::exists(lib("zelvor.js.old1")));
    EXPECT_EQ(preview.reloads, reloadsBefore + 1);
}

// An older project has the library but not its fonts: the update brings them, and a "fonts"
// link out of the project is never written through.
TEST_F(LibraryUpdateTest, TheUpdateBringsTheFontsButNeverThroughALinkOutOfTheProject)
{
    makeProject();
    const QString shipped = platform::Bundle::main().pathForResource("ZelvorTemplate") + "/zelvor/fonts";
    const QStringList fonts = QDir(shipped).entryList(QDir::Files, QDir::Name);
    ASSERT_TRUE(fonts.contains("Roboto-Regular.woff2") && fonts.contains("Roboto-Bold.woff2")
                && fonts.contains("Roboto-LICENSE.txt")) << fonts.join(", ").toStdString();
    ASSERT_TRUE(QDir(lib("fonts")).removeRecursively());
    QTemporaryDir outside;
    ASSERT_TRUE(QFile::link(outside.path(), lib("fonts")));
    auto d = open(project);
    update(*d);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith("The Zelvor library could not be updated. | ")) << alerts.first().toStdString();
    EXPECT_TRUE(alerts.first().contains("fonts")) << alerts.first().toStdString();
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // The library itself is the shipped one already: only the fonts are new, and that is an update.
    QFile::remove(lib("fonts"));
    alerts.clear();
    update(*d);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith("Updated to version ")) << alerts.first().toStdString();
    for (const QString& name : fonts)
        EXPECT_EQ(platform::readFile(lib("fonts/" + name)), platform::readFile(shipped + "/" + name)) << name.toStdString();

    alerts.clear();
    update(*d);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith("The library is up to date. | ")) << alerts.first().toStdString();
}

TEST_F(LibraryUpdateTest, AFailedDownloadLeavesTheLibraryUntouchedAndSaysWhy)
{
    libraryServerURL = buildServer.baseURL();
    makeProject();
    auto d = open(project);
    write(lib("zelvor.js"), "current");
    write(lib("zelvor.js.map"), "currentmap");
    testsupport::spin(50); // the reload of the opening comes first
    const struct {
        int status;
        QByteArray library;
        QByteArray map;
        const char* reason;
    } cases[] = {
        {404, "<html>Not Found</html>", "{}", "status 404"},
        {200, "<!DOCTYPE html><html>Zelvor maintenance</html>", R"({"mappings":""})", "does not look like the Zelvor library"},
        {200, "", R"({"mappings":""})", "is empty"},
        {200, QByteArray("Zelvor\0\x01", 8), R"({"mappings":""})", "is not text"},
        {200, "window.Zelvor = {}", "not json", "is not a source map"},
    };
    for (const auto& c : cases) {
        alerts.clear();
        buildServer.setResponder([&](const FakeHttpServer::Request& request) {
            FakeHttpServer::Reply reply;
            reply.status = c.status;
            reply.body = request.path.endsWith(".map") ? c.map : c.library;
            return reply;
        });
        const int reloads = preview.reloads;
        update(*d);
        ASSERT_EQ(alerts.size(), 1) << c.reason;
        EXPECT_TRUE(alerts.first().startsWith("The Zelvor library could not be updated.")) << alerts.first().toStdString();
        EXPECT_TRUE(alerts.first().contains(c.reason)) << alerts.first().toStdString();
        EXPECT_EQ(preview.reloads, reloads);
        EXPECT_EQ(testsupport::readFile(lib("zelvor.js")), "current");
        EXPECT_EQ(testsupport::readFile(lib("zelvor.js.map")), "currentmap");
        EXPECT_FALSE(QFileInfo::exists(lib("zelvor.js.old")));
    }
}
