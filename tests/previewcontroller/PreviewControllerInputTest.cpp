// The preview with pages and settings that misbehave, the scale commands and the device menu.
#include "PreviewHarness.h"

#include "platform/NotificationCenter.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBDeviceSettingsMenuController.h"
#include "preview/RBPreviewLayerPanel.h"
#include "webview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {
// A preview of a document that is not mounted: nothing loads, everything else works.
struct DetachedPreview {
    QTemporaryDir folder;
    FakePreviewDocument document{folder.path()};
    RBZelvorViewController preview;
    int beeps = 0;
    explicit DetachedPreview(const QJsonObject& settings = {})
    {
        for (auto it = settings.begin(); it != settings.end(); ++it)
            document.setConfigValue(it.key(), it.value());
        document.setPreview(&preview);
        preview.setDocument(&document);
        preview.setBeepHandler([this] { ++beeps; });
    }
    double scale() const { return document.configValues().value(QStringLiteral("deviceScale")).toDouble(); }
    QAction* item(const QString& title) const
    {
        for (QAction* a : preview.deviceSettingsMenuController()->deviceMenu()->actions())
            if (a->text() == title)
                return a;
        return nullptr;
    }
    QAction* member(const QString& title, const QString& identifier) const
    {
        QAction* top = item(title);
        if (top && top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->data().toString() == identifier)
                    return a;
        return nullptr;
    }
};
} // namespace

TEST(PreviewControllerInput, AnUnmountedProjectOnlyMarksTheProgramPending)
{
    DetachedPreview p;
    p.preview.setReloadJSPending(false);
    p.preview.reload();
    EXPECT_TRUE(p.preview.reloadJSPending());
    EXPECT_FALSE(p.preview.isLoading());
    EXPECT_FALSE(QFile::exists(QDir(p.folder.path()).filePath(QStringLiteral(".temp.html"))));
}

TEST(PreviewControllerInput, BadBridgeMessagesAndRuntimeErrorsNeverStopTheEditor)
{
    PreviewHarness h;
    ASSERT_TRUE(h.startRunningFirstProgram());

    RBWebViewController* web = h.preview->webViewController();
    const size_t mark = h.updates.size();
    web->webViewBridge(QStringLiteral("{not json"));
    web->webViewBridge(QStringLiteral("[1, 2, 3]"));
    web->webViewBridge(QStringLiteral("{\"method\": \"no:such:method\", \"arguments\": 7}"));
    web->webViewBridge(QStringLiteral("{\"method\": \"change:phoneScale\", \"arguments\": \"big\"}"));
    EXPECT_EQ(h.updates.size(), mark);
    EXPECT_FALSE(h.preview->phoneScale());

    // Runtime errors without fields or message still reach the editor, at the top.
    web->webViewBridge(QStringLiteral("{\"method\": \"runtime.error\"}"));
    web->webViewBridge(QStringLiteral("{\"method\": \"runtime.error\", \"arguments\": {\"message\": \"\", \"lineNumber\": \"x\", \"type\": \"coffeescript\"}}"));
    web->webViewBridge(QStringLiteral("{\"method\": \"runtime.error\", \"arguments\": {\"message\": \"m\", \"lineNumber\": 7, \"colNumber\": 3, \"type\": \"javascript\"}}"));
    ASSERT_EQ(h.updates.size(), mark + 3);
    EXPECT_EQ(h.updates[mark].type(), QStringLiteral("runtime"));
    EXPECT_EQ(h.updates[mark].lineIndex(), 0u);
    EXPECT_EQ(h.updates[mark + 2].lineIndex(), 6u); // a page position, without remapping
    EXPECT_EQ(h.updates[mark + 2].columnIndex(), 2u);

    // The page still runs new programs (a run of the first program may still report after the
    // errors above, so the new value is waited for, not the next report).
    h.document->setText(QStringLiteral("window.ranValue = 2\n"));
    ASSERT_TRUE(h.waitForOk(mark + 3));
    EXPECT_TRUE(testsupport::waitUntil([&] { return h.pageValue(QStringLiteral("window.ranValue")).toInt() == 2; }));
}

TEST(PreviewControllerInput, AnUnreadableIndexPageLoadsThePageAsLastWritten)
{
    PreviewHarness h;
    const QByteArray previous = "<html><head><script src=\"zelvor/zelvor.js\"></script>"
                                "<script src=\"zelvor/zelvor.generated.js\"></script></head><body>previous</body></html>";
    QFile::remove(h.projectFile(QStringLiteral("index.html")));
    QDir(h.folder.path()).mkpath(QStringLiteral("index.html")); // a folder cannot be read as the page
    h.writeProjectFile(QStringLiteral(".temp.html"), previous);
    h.document->setText(QStringLiteral("window.ranValue = 1\n"));
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.waitForOk(0, 60000));
    EXPECT_EQ(testsupport::readFile(h.projectFile(QStringLiteral(".temp.html"))).toUtf8(), previous);
    EXPECT_EQ(h.pageValue(QStringLiteral("document.body.textContent")).toString(), QStringLiteral("previous"));
}

TEST(PreviewControllerInput, APageThatNeverGetsReadyRunsNothingAndCompilesStillReport)
{
    // A server that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QList<QTcpSocket*> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] { held << silent.nextPendingConnection(); });

    DetachedPreview p;
    std::vector<RBDocumentStateUpdate> updates;
    platform::NotificationCenter::defaultCenter().addObserver(
        RBDocumentStateUpdateNotification, &p.document,
        [&](const platform::Notification& n) { if (auto u = RBDocumentStateUpdate::fromNotification(n)) updates.push_back(*u); },
        &p.document);
    p.document.setServerLocalUrl(QStringLiteral("http://127.0.0.1:%1/projects/000000000000/").arg(silent.serverPort()));
    p.document.setConfigValue(QStringLiteral("updateDelay"), 0.01);
    p.preview.reload();
    p.document.setText(QStringLiteral("window.ranValue = 1\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return p.preview.isFirstLoadDone(); }, 20000));
    p.document.setText(QStringLiteral("window.ranValue = 2\n"));
    testsupport::spin(300);
    p.document.setText(QStringLiteral("a = (\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !updates.empty(); }, 20000));
    EXPECT_EQ(updates.back().type(), QStringLiteral("syntax"));
    EXPECT_FALSE(p.preview.webViewController()->isDocumentReady());
    EXPECT_EQ(p.preview.lastProcessedClientCodeId(), 0u);
    p.preview.reload(); // a second reload while the first page hangs is fine
    for (QTcpSocket* socket : held)
        socket->close();
}

namespace {
class FakeLayerPanel : public RBPreviewLayerPanel {
public:
    RBWebViewController web;
    RBZelvorViewController* preview = nullptr;
    RBWebViewController* webViewController() const override { return const_cast<RBWebViewController*>(&web); }
    void setZelvorViewController(RBZelvorViewController* controller) override { preview = controller; }
};
} // namespace

TEST(PreviewControllerInput, UiMessagesOfThePageReachTheLayerPanelPage)
{
    DetachedPreview p;
    FakeLayerPanel panel;
    QTemporaryDir pageFolder;
    panel.web.loadHTMLString(QStringLiteral("<html><body><script>window.got = [];"
                                            "window._receive = function (m, a) { window.got.push([m, a]); };</script></body></html>"),
                             QUrl::fromLocalFile(pageFolder.path()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel.web.isDocumentReady(); }, 30000));
    p.preview.setLayerPanelViewController(&panel);
    EXPECT_EQ(panel.preview, &p.preview);

    p.preview.webViewController()->webViewBridge(QStringLiteral(R"({"method": "ui:highlight", "arguments": {"data": {"hash": "abc"}}})"));
    p.preview.webViewController()->webViewBridge(QStringLiteral(R"({"method": "other", "arguments": {"data": 1}})"));
    QString got;
    testsupport::waitUntil([&] {
        bool done = false;
        panel.web.evaluateJavaScript(QStringLiteral("JSON.stringify(window.got)"), [&](const QVariant& v, const QVariant&) {
            got = v.toString();
            done = true;
        });
        testsupport::waitUntil([&] { return done; }, 5000);
        return got.contains(QLatin1String("ui:highlight"));
    }, 10000);
    EXPECT_EQ(got, QStringLiteral("[[\"ui:highlight\",{\"data\":{\"hash\":\"abc\"}}]]"));
}

TEST(PreviewControllerInput, ScaleCommandsStepThroughTheScalesOrBeep)
{
    DetachedPreview p({{"deviceScale", -1}});
    p.preview.handleBridgeMethod(QStringLiteral("change:phoneScale"), QVariantMap{{"phoneScale", 0.6}});
    p.preview.increaseDeviceScale();
    EXPECT_EQ(p.scale(), 0.75);
    p.document.setConfigValue(QStringLiteral("deviceScale"), -1);
    p.preview.decreaseDeviceScale();
    EXPECT_EQ(p.scale(), 0.5);
    p.preview.fitDeviceScale();
    EXPECT_EQ(p.scale(), -1);

    p.preview.setPhoneScale(std::nullopt);
    p.preview.increaseDeviceScale();
    EXPECT_EQ(p.scale(), 1.5);
    p.preview.increaseDeviceScale();
    EXPECT_EQ(p.scale(), 2);
    EXPECT_EQ(p.beeps, 0);
    p.preview.increaseDeviceScale();
    EXPECT_EQ(p.beeps, 1);
    p.document.setConfigValue(QStringLiteral("deviceScale"), 1.25);
    p.preview.increaseDeviceScale();
    p.preview.decreaseDeviceScale();
    EXPECT_EQ(p.scale(), 1.25);
    EXPECT_EQ(p.beeps, 1);
}

TEST(PreviewControllerInput, DeviceMenuChecksTheDeviceAndSetsTheToolbar)
{
    DetachedPreview p({{"deviceType", "apple-iphone-6s-silver"}, {"deviceScale", 0.5}, {"deviceOrientation", 0}});
    RBDeviceSettingsMenuController* menu = p.preview.deviceSettingsMenuController();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->deviceMenu()->title(), QStringLiteral("Device Menu"));
    EXPECT_EQ(menu->deviceCategory(), QStringLiteral("Apple iPhone 6s"));
    EXPECT_EQ(p.scale(), 0.5); // the first device keeps the stored scale
    ASSERT_TRUE(p.item(QStringLiteral("Apple iPhone 6s")));
    EXPECT_TRUE(p.item(QStringLiteral("Apple iPhone 6s"))->isChecked());

    // Another colour of the same phone keeps the scale.
    QAction* gold = p.member(QStringLiteral("Apple iPhone 6s"), QStringLiteral("apple-iphone-6s-gold"));
    ASSERT_TRUE(gold);
    gold->trigger();
    EXPECT_EQ(p.document.configValues().value("deviceType").toString(), QStringLiteral("apple-iphone-6s-gold"));
    EXPECT_TRUE(gold->isChecked());
    EXPECT_FALSE(p.member(QStringLiteral("Apple iPhone 6s"), QStringLiteral("apple-iphone-6s-silver"))->isChecked());
    EXPECT_EQ(p.scale(), 0.5);
    EXPECT_TRUE(p.document.handsEnabled);
    EXPECT_TRUE(p.document.orientationEnabled);
    EXPECT_EQ(p.document.orientationImage, QStringLiteral("icon-orientation-landscape"));

    // A plain item picks its device; a new category fits the scale.
    QAction* nexus = p.item(QStringLiteral("Google Nexus 4"));
    ASSERT_TRUE(nexus);
    EXPECT_FALSE(nexus->menu());
    nexus->trigger();
    EXPECT_EQ(p.document.configValues().value("deviceType").toString(), QStringLiteral("google-nexus-4"));
    EXPECT_EQ(p.scale(), -1);

    // A watch or the desktop browser forces portrait and takes the hands away.
    p.document.setConfigValue(QStringLiteral("deviceOrientation"), 1);
    menu->setDeviceType(KVDeviceManager::sharedInstance().defaultDeviceForCategory(QStringLiteral("Desktop Browser")));
    EXPECT_EQ(p.document.configValues().value("deviceOrientation").toInt(), 0);
    EXPECT_FALSE(p.document.orientationEnabled);
    EXPECT_FALSE(p.document.handsEnabled);

    // An identifier no item carries clears every mark.
    p.document.setConfigValue(QStringLiteral("deviceScale"), 1);
    menu->setDeviceType(QStringLiteral("no-such-device"));
    EXPECT_TRUE(menu->deviceCategory().isEmpty());
    for (QAction* a : menu->deviceMenu()->actions())
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
    EXPECT_TRUE(p.document.orientationEnabled);
    EXPECT_FALSE(p.document.handsEnabled);
    EXPECT_EQ(p.scale(), -1);

    // An earlier identifier is mapped to the current one; a current one stays.
    p.document.setConfigValue(QStringLiteral("deviceType"), QStringLiteral("iphone-6plus-gold-hand"));
    menu->updateDevice();
    EXPECT_EQ(p.document.configValues().value("deviceType").toString(), QStringLiteral("apple-iphone-6s-plus-gold"));
    const int saves = p.document.saveCount;
    menu->updateDevice();
    EXPECT_EQ(p.document.saveCount, saves);
}
