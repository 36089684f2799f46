// Showing a file selected in the file manager: through the desktop's file-manager interface on
// a private session bus, and by opening the folder when no file manager answers.
#include "platform/gui/Workspace.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Stands in for the file manager on the bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId);
        shown += uris;
    }
};

// Takes the folders the desktop would open instead.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

TEST(FileViewer, ShowsTheItemSelectedThroughTheFileManagerOrOpensItsFolder)
{
    // A session bus of our own, so that nothing reaches the desktop of the machine.
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!bus.waitForStarted(5000))
        GTEST_SKIP() << "no dbus-daemon";
    ASSERT_TRUE(testsupport::waitUntil([&] { return bus.canReadLine(); }, 5000));
    const QByteArray address = bus.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());

    OpenedUrls opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");

    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("images/my star.png"));
    QDir().mkpath(QFileInfo(image).path());
    QFile(image).open(QIODevice::WriteOnly);

    // No file manager on the bus: its folder opens.
    platform::Workspace::sharedWorkspace().activateFileViewerSelectingURLs({image});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !opened.urls.isEmpty(); }, 15000));
    EXPECT_EQ(opened.urls.first(), QUrl::fromLocalFile(QFileInfo(image).absolutePath()));

    // A file manager: it gets the item, and nothing else opens.
    FakeFileManager manager;
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("file-manager"));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    opened.urls.clear();
    platform::Workspace::sharedWorkspace().activateFileViewerSelectingURLs({image});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !manager.shown.isEmpty(); }, 15000));
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(image).toString(QUrl::FullyEncoded)});
    testsupport::spin(50);
    EXPECT_TRUE(opened.urls.isEmpty());

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
    bus.kill();
    bus.waitForFinished(5000);
}

#include "FileViewerTest.moc"
