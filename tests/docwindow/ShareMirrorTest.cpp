// Sharing and mirroring from the real document window, offscreen: the share item against a fake
// share service on 127.0.0.1, and the mirror item's menu.
#include "../Mixpanel/FakeHttpServer.h"
#include "../document/DocumentFakes.h"

#include "document/DeviceCatalogLink.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentSharing.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBMirrorMenu.h"
#include "document/window/RBShareNotice.h"
#include "platform/gui/Alert.h"
#include "platform/gui/CSSpinningProgressIndicator.h"
#include "platform/gui/FilePanel.h"
#include "platform/gui/UserNotificationCenter.h"
#include "platform/gui/Workspace.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBMirrorPopupViewController.h"
#include "preview/RBNetworkUtil.h"
#include "preview/RBSharingUploadManager.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Alert;

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

class ShareMirrorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        if (!platform::DocumentController::hasSharedDocumentController())
            new RBDocumentController(qApp);
        Alert::setTestResponder([this](const Alert& alert) {
            alerts << alert.messageText() + "|" + alert.informativeText();
            return answers.isEmpty() ? Alert::kFirstButtonReturn : answers.takeFirst();
        });
        platform::SavePanel::setTestResponder([this](const platform::SavePanel&) {
            ++savePanels;
            return dir.filePath("Saved.zelvor");
        });
        platform::Workspace::setTestHandler([this](const QUrl& url) {
            opened << url.toString();
            return true;
        });
        platform::UserNotificationCenter::setTestHandler([this](const platform::UserNotificationCenter::Notification& n) {
            notices << n.title;
            return true;
        });
        service.setResponder([this](const FakeHttpServer::Request& request) {
            uploads << request.path;
            return serviceReply;
        });
        project = dir.filePath("Window.zelvor");
    }
    void TearDown() override
    {
        if (document) {
            document->updateChangeCount(platform::Document::ChangeCleared);
            document->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(testsupport::waitUntil([this] { return !document && !window; }, 3000));
        Alert::setTestResponder({});
        platform::SavePanel::setTestResponder({});
        platform::Workspace::setTestHandler({});
        platform::UserNotificationCenter::setTestHandler({});
    }

    void open(bool saved = true)
    {
        RBDocumentServices services;
        services.server = &server;
        services.deviceCatalog = &catalog;
        QString error;
        document = openInDocumentWindow(services, project, saved, &error);
        ASSERT_TRUE(document) << error.toStdString();
        window = qobject_cast<RBDocumentWindow*>(document->window());
        ASSERT_TRUE(window);
        testsupport::spin(20);
        window->documentSharing()->setServiceURL(service.baseURL() + "/api/share");
    }
    RBDocumentToolbar& toolbar() { return *window->toolbar(); }
    RBDocumentSharing& sharing() { return *window->documentSharing(); }
    QJsonObject savedConfig(const QString& folder)
    {
        return QJsonDocument::fromJson(testsupport::readFile(folder + "/zelvor/config.json").toUtf8()).object();
    }

    QTemporaryDir dir;
    QString project;
    FakeServer server;
    DeviceCatalogLink catalog{KVDeviceManager::sharedInstance()};
    FakeHttpServer service;
    FakeHttpServer::Reply serviceReply{200, R"({"url": "https://share.example/p/window"})", "application/json"};
    QPointer<RBDocument> document;
    QPointer<RBDocumentWindow> window;
    QStringList alerts;
    QList<int> answers;
    QStringList opened;
    QStringList notices;
    QStringList uploads;
    int savePanels = 0;
};

} // namespace

TEST_F(ShareMirrorTest, SharingAsksTheFirstTimeUploadsWithASpinnerAndCopiesTheLink)
{
    open();
    window->resize(1800, 800); // room for every toolbar item, the share item among them
    testsupport::spin(50);
    QGuiApplication::clipboard()->setText("before");

    // "Cancel" at the first-use question uploads nothing.
    answers = {Alert::kFirstButtonReturn + 1};
    toolbar().shareItem()->trigger();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Are you sure you want to share this project?|Anyone with the link")) << alerts[0].toStdString();
    EXPECT_FALSE(sharing().isUploading());

    toolbar().shareItem()->trigger();
    ASSERT_TRUE(sharing().isUploading());
    EXPECT_FALSE(toolbar().shareItem()->isEnabled());
    ASSERT_TRUE(sharing().spinner());
    EXPECT_TRUE(sharing().spinner()->isVisible());
    if (qEnvironmentVariableIsSet("ZELVOR_SCREENSHOTS"))
        toolbar().grab().save(qEnvironmentVariable("ZELVOR_SCREENSHOTS") + "/share-uploading.png");
    toolbar().shareItem()->trigger(); // disabled: nothing happens
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sharing().isUploading() && !sharing().spinner(); }, 20000));
    testsupport::spin(50);

    EXPECT_EQ(uploads.size(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "https://share.example/p/window");
    EXPECT_EQ(savedConfig(project).value("sharedPrototype").toInt(), 1);
    EXPECT_EQ(notices, QStringList{"Uploading 'Window' complete"});
    ASSERT_TRUE(sharing().notice());
    EXPECT_TRUE(sharing().notice()->isVisible());
    EXPECT_TRUE(sharing().notice()->text().contains("has been copied to your clipboard"));
    EXPECT_EQ(opened, QStringList{"https://share.example/p/window"});
    EXPECT_TRUE(toolbar().shareItem()->isEnabled());
    if (qEnvironmentVariableIsSet("ZELVOR_SCREENSHOTS"))
        window->grab().save(qEnvironmentVariable("ZELVOR_SCREENSHOTS") + "/share-notice.png");

    // Shared once: no question; an error answer says "Upload Failed" with the service's words
    // and leaves the link and the setting alone.
    alerts.clear();
    serviceReply = {500, R"({"error": "The share service is resting."})", "application/json"};
    toolbar().shareItem()->trigger();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sharing().isUploading(); }, 20000));
    testsupport::spin(50);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Upload Failed|The share service is resting.")) << alerts[0].toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "https://share.example/p/window");
    EXPECT_EQ(savedConfig(project).value("sharedPrototype").toInt(), 1);
    EXPECT_FALSE(sharing().spinner());
    EXPECT_TRUE(toolbar().shareItem()->isEnabled());
}

TEST_F(ShareMirrorTest, AnUnsavedProjectIsSavedFirstAndAProjectWithoutAServiceSendsNothing)
{
    open(false);
    toolbar().shareItem()->trigger();
    EXPECT_EQ(savePanels, 1);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Are you sure you want to share this project?"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sharing().isUploading(); }, 20000));
    EXPECT_EQ(uploads.size(), 1);
    EXPECT_EQ(savedConfig(dir.filePath("Saved.zelvor")).value("sharedPrototype").toInt(), 1);

    alerts.clear();
    uploads.clear();
    sharing().setServiceURL(QString());
    toolbar().shareItem()->trigger();
    testsupport::spin(100);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Sharing is not set up in this build")) << alerts[0].toStdString();
    EXPECT_FALSE(sharing().isUploading());
    EXPECT_TRUE(uploads.isEmpty());
}

TEST_F(ShareMirrorTest, MirrorMenuGivesTheNetworkAddressToOpenOrCopy)
{
    open();
    toolbar().mirrorItem()->trigger();
    QMenu* menu = window->mirrorMenu()->openMenu();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(testsupport::waitUntil([&] { return menu->isVisible(); }, 2000));
    QStringList titles;
    for (QAction* item : menu->actions())
        if (!item->isSeparator() && !item->text().isEmpty())
            titles << item->text();
    // The build names no viewer apps and no help page: only what always works.
    EXPECT_EQ(titles, (QStringList{"Open in Browser", "Copy Link"}));
    auto* popup = menu->findChild<RBMirrorPopupViewController*>();
    ASSERT_TRUE(popup);
    const QString address = document->serverUrl();
    EXPECT_EQ(address, RBNetworkUtil::networkUrl(document->serverLocalUrl()));
    EXPECT_TRUE(popup->serverUrlTextField()->text().contains(address.mid(7).toHtmlEscaped()));
    if (qEnvironmentVariableIsSet("ZELVOR_SCREENSHOTS"))
        menu->grab().save(qEnvironmentVariable("ZELVOR_SCREENSHOTS") + "/mirror-menu.png");

    for (QAction* item : menu->actions())
        if (item->text() == "Copy Link")
            item->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
    window->mirrorMenu()->toolbarMirrorAction(RBMirrorMenu::OpenInBrowser);
    EXPECT_EQ(opened, QStringList{address});
    menu->close();

    // The popup's share menu sends the address by mail.
    std::unique_ptr<QMenu> sharingMenu = popup->makeSharingMenu();
    ASSERT_TRUE(sharingMenu);
    sharingMenu->actions().first()->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[1].startsWith("mailto:?")) << opened[1].toStdString();
    EXPECT_TRUE(QUrl(opened[1]).query(QUrl::FullyDecoded).contains(address));
}

TEST_F(ShareMirrorTest, MirrorOnAnUntitledProjectSavesItFirstAndNeverHandsOutItsTemporaryAddress)
{
    open(false);
    QString answer; // the panel is cancelled first
    platform::SavePanel::setTestResponder([&](const platform::SavePanel&) {
        ++savePanels;
        return answer;
    });
    QGuiApplication::clipboard()->setText("before");
    window->mirrorMenu()->toolbarMirrorAction(RBMirrorMenu::CopyLink);
    EXPECT_EQ(savePanels, 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before") << "the untitled project's address was copied";

    answer = dir.filePath("Saved.zelvor");
    toolbar().mirrorItem()->trigger();
    EXPECT_EQ(savePanels, 2);
    EXPECT_FALSE(window->mirrorMenu()->openMenu()) << "the menu came up instead of the save";
    ASSERT_TRUE(document->isSaved());

    // Once saved, the item shows the menu.
    toolbar().mirrorItem()->trigger();
    ASSERT_TRUE(window->mirrorMenu()->openMenu());
    EXPECT_EQ(savePanels, 2);
    window->mirrorMenu()->openMenu()->close();
}

TEST(MirrorMenuIcons, OnlyTheHighlightedViewerAppShowsItsSelectedIcon)
{
    QMenu menu;
    QList<QAction*> items;
    for (int tag : {0, 1, 2, 3}) {
        items << menu.addAction(QString::number(tag));
        items.last()->setData(tag);
    }
    const auto same = [](const QIcon& a, const QString& name) {
        return a.pixmap(16).toImage() == RBMirrorMenu::mirrorIconNamed(name).pixmap(16).toImage();
    };
    RBMirrorMenu::menuWillHighlightItem(menu, items[2]);
    EXPECT_TRUE(same(items[0]->icon(), "icon-android"));
    EXPECT_TRUE(same(items[1]->icon(), "icon-apple"));
    EXPECT_TRUE(same(items[2]->icon(), "icon-apple-selected"));
    EXPECT_TRUE(items[3]->icon().isNull());
    RBMirrorMenu::menuWillHighlightItem(menu, items[0]);
    EXPECT_TRUE(same(items[0]->icon(), "icon-android-selected"));
    EXPECT_TRUE(same(items[2]->icon(), "icon-apple"));
    EXPECT_FALSE(same(items[0]->icon(), "icon-android"));
}
