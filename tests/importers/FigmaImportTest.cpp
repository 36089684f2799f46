// The Figma pane with its sheet and bridge over a fake Figma site on 127.0.0.1: the page's
// messages in every wrong form, pages of other origins, and what reaches the project's
// "imported" folder for a good, a broken and a repeated import.
#include "FakeFigmaSite.h"
#include "ImportReports.h"

#include "importers/FIGImportBridge.h"
#include "importers/FIGImportBridgeDelegate.h"
#include "importers/FIGImportViewController.h"
#include "importers/ImportRules.h"
#include "importers/RBFigmaImportSheetWindow.h"
#include "importers/RBFigmaImportViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "webview/RBWebViewController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

struct FakeDelegate : FIGImportBridgeDelegate {
    QStringList chosen;
    QStringList downloaded;
    QStringList failures;
    void userChoseFileForExport(FIGImportBridge*, const QString& name, const QString& key) override { chosen << key + "/" + name; }
    void bridgeDownloadedFileAtTempLocation(FIGImportBridge*, const QString& path) override { downloaded << path; }
    void bridgeFailed(FIGImportBridge*, figma::FailureReason reason, const QString& message) override
    {
        failures << QString::number(int(reason)) + " " + message;
    }
};

using Step = std::pair<QString, QVariant>;
QVariantMap body(const QString& key, const QVariant& value)
{
    return {{key, value}};
}
Step announce(const QVariant& count)
{
    return {"willSendBase64EncodedZipFileChunks", body("numChunks", count)};
}
Step chunk(const QVariant& data)
{
    return {"handleBase64EncodedZipFileChunk", body("base64EncodedData", data)};
}
const Step kCommit{"commitBase64EncodedZipFile", QVariantMap()};

TEST(FigmaBridge, BadMessagesAndChunkCountsFailClearlyAndDeliverNothing)
{
    struct Case {
        const char* name;
        QList<Step> steps;
        const char* failure; // a part of the first failure reported; "" for none
        QByteArray archive;  // what is delivered when there is no failure
    };
    const QString tooBig((qsizetype(16) << 20) / 3 * 4 + 8, 'A');
    const Case cases[] = {
        {"a whole transfer", {announce(3), chunk("YWJj"), chunk("ZGVm"), chunk("Z2g="), kCommit}, "", "abcdefgh"},
        {"fewer chunks than announced", {announce(3), chunk("YWJj"), chunk("ZGVm"), kCommit}, "after 2 of the 3", ""},
        {"a count of 0", {announce(0), chunk("YWJj"), kCommit}, "announced 0 chunks", ""},
        {"a count of 10^9", {announce(1e9), chunk("YWJj"), kCommit}, "announced 1000000000 chunks", ""},
        {"a count that is text", {announce("3"), chunk("YWJj"), kCommit}, "without a number", ""},
        {"a chunk before the announcement", {chunk("YWJj"), announce(1), kCommit}, "without announcing", ""},
        {"a chunk too many", {announce(1), chunk("YWJj"), chunk("ZGVm"), kCommit}, "more chunks than the 1", ""},
        {"a chunk too big", {announce(1), chunk(tooBig), kCommit}, "larger than 16 MB", ""},
        {"a chunk that is a number", {announce(1), chunk(7.0), chunk("YWJj"), kCommit}, "without the text \"base64EncodedData\"", ""},
        {"a body that is no object", {announce(1), {"handleBase64EncodedZipFileChunk", QVariant("YWJj")}, kCommit}, "without an object", ""},
        {"a commit without a transfer", {kCommit}, "never announced", ""},
        {"a chosen file without its name", {{"userChoseFile", body("fileKey", "K")}}, "\"fileName\"", ""},
        {"a chosen file as a list", {{"userChoseFile", QVariantList{"K", "N"}}}, "without an object", ""},
        {"an error of the page", {{"figmaError", QVariantMap{{"reason", "network"}, {"debugMessage", "offline"}}}}, "1 offline", ""},
        {"a message of another name", {{"openPreferences", QVariantMap()}, {"eval", "1"}}, "", ""},
    };
    for (const Case& c : cases) {
        FakeDelegate delegate;
        FIGImportBridge bridge(figma::kIntegrationId, QUrl("http://127.0.0.1:9"), &delegate);
        for (const Step& step : c.steps)
            bridge.handleMessage(step.first, step.second);
        if (*c.failure) {
            ASSERT_FALSE(delegate.failures.isEmpty()) << c.name;
            EXPECT_TRUE(delegate.failures.first().contains(c.failure)) << c.name << ": " << delegate.failures.first().toStdString();
        } else {
            EXPECT_TRUE(delegate.failures.isEmpty()) << c.name << ": " << delegate.failures.value(0).toStdString();
        }
        EXPECT_EQ(delegate.downloaded.size(), c.archive.isEmpty() ? 0 : 1) << c.name;
        for (const QString& path : delegate.downloaded) {
            EXPECT_EQ(testsupport::readFile(path).toLatin1(), c.archive) << c.name;
            QFile::remove(path);
        }
        EXPECT_FALSE(bridge.zipFile().isTransferring()) << c.name << ": nothing of a transfer is held";
    }
}

using Reports = ImportReports;

const QMap<QString, QByteArray> kLayers{{"layers.json", R"([{"name": "Card", "children": []}])"},
                                       {"layers.json.js", "window.__imported = 1;"},
                                       {"images/Card.png", "png"}};

class FigmaPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.path() + "/defaults.json");
        imported = dir.path() + "/Project.zelvor/imported";
        QDir().mkpath(dir.path() + "/Project.zelvor");
        pane.setDefaults(defaults.get());
        pane.setImportPath(imported);
        pane.setWindowController(&sheetObject);
        pane.setServiceUrl(site.serviceUrl());
        pane.setSaveLocationChooser([this](const QString& name) {
            asked << name;
            return answer.isEmpty() ? QString() : dir.path() + "/" + answer;
        });
        pane.setup();
        pane.updateStatus();
    }
    // Hands the pane an archive as the sheet does, and waits for its report.
    void import(const QByteArray& archive, const QString& key, const QString& name)
    {
        const QString zip = dir.path() + "/arrived.zip";
        ASSERT_TRUE(testsupport::writeFile(zip, archive));
        const int before = reports.count();
        pane.handleResult(zip, key, name);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !pane.isImporting(); }, 20000));
        testsupport::spin(20);
        EXPECT_FALSE(QFile::exists(zip)) << "the arrived archive is removed";
        EXPECT_LE(reports.count(), before + 1);
    }
    QStringList importedEntries() const
    {
        return QDir(imported).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
    FakeFigmaSite site;
    std::unique_ptr<platform::UserDefaults> defaults;
    QString imported;
    QObject sheetObject;
    RBFigmaImportViewController pane;
    Reports reports;
    QStringList asked;
    QString answer = "Landing.fig";
};

TEST_F(FigmaPaneTest, ArchiveThatFailsToUnpackOrLacksLayersIsAFailureAndKeepsTheEarlierImport)
{
    EXPECT_EQ(pane.subTitleTextField()->text(), "Online");
    ASSERT_TRUE(testsupport::writeFile(imported + "/Landing@1x/layers.json", "earlier"));
    struct Case {
        const char* name;
        QByteArray archive;
        const char* error;
    };
    const Case cases[] = {
        {"no zip at all", "this is not a zip", "not a zip"},
        {"an entry outside the folder", zipOf({{"../escaped.txt", "x"}, {"layers.json", "[]"}}), "escaped.txt"},
        {"no layer files", zipOf({{"readme.txt", "x"}}), "\"layers.json\" is missing"},
    };
    for (const Case& c : cases) {
        import(c.archive, "K1", "Landing");
        ASSERT_EQ(reports.failures.size(), 1) << c.name;
        EXPECT_TRUE(reports.successes.isEmpty()) << c.name;
        const QString error = reports.failures.takeFirst().userInfo.value("error").toString();
        EXPECT_TRUE(error.contains(c.error, Qt::CaseInsensitive)) << c.name << ": " << error.toStdString();
        EXPECT_EQ(testsupport::readFile(imported + "/Landing@1x/layers.json"), "earlier") << c.name;
        EXPECT_EQ(importedEntries(), QStringList{"Landing@1x"}) << c.name;
        EXPECT_FALSE(QFile::exists(dir.path() + "/Project.zelvor/escaped.txt")) << c.name;
    }
    EXPECT_TRUE(asked.isEmpty()) << "a failed import asks nothing";
}

TEST_F(FigmaPaneTest, GoodArchiveReplacesTheImportAndAsksForTheDocumentOncePerFile)
{
    ASSERT_TRUE(testsupport::writeFile(imported + "/Landing@1x/layers.json", "earlier"));
    import(zipOf(kLayers), "K1", "Landing");
    ASSERT_EQ(reports.successes.size(), 1) << (reports.failures.isEmpty() ? "" : reports.failures[0].userInfo.value("error").toString().toStdString());
    const QVariantMap info = reports.successes[0].userInfo;
    EXPECT_EQ(info.value("outPath"), imported + "/Landing@1x");
    EXPECT_EQ(info.value("docName"), "Landing");
    EXPECT_EQ(info.value("docPath"), dir.path() + "/Landing.fig");
    EXPECT_EQ(info.value("identifier"), "com.figma.web");
    EXPECT_EQ(info.value("info"), "");
    EXPECT_EQ(reports.successes[0].object, &sheetObject);
    EXPECT_EQ(testsupport::readFile(imported + "/Landing@1x/images/Card.png"), "png");
    EXPECT_EQ(asked, QStringList{"Landing"});
    EXPECT_EQ(importedEntries(), QStringList{"Landing@1x"});
    EXPECT_EQ(pane.subTitleTextField()->text(), "Landing");

    // The same file again: no question. Another file: asked, and Cancel reports nothing.
    import(zipOf(kLayers), "K1", "Landing");
    EXPECT_EQ(reports.successes.size(), 2);
    EXPECT_EQ(asked.size(), 1);
    answer.clear();
    import(zipOf(kLayers), "K2", "Pricing");
    EXPECT_EQ(asked, (QStringList{"Landing", "Pricing"}));
    EXPECT_EQ(reports.successes.size(), 2);
    EXPECT_TRUE(reports.failures.isEmpty());
}

TEST_F(FigmaPaneTest, SheetTakesTheChosenFileFromTheSiteAndHearsNoOtherOrigin)
{
    site.setFile("K1", "Landing", zipOf(kLayers), 3);
    pane.resize(420, 56);
    pane.show();
    pane.runButton()->click();
    RBFigmaImportSheetWindow* sheet = pane.documentSheet();
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports.count() > 0; }, 30000)) << site.requestedPaths().join(", ").toStdString();
    ASSERT_EQ(reports.successes.size(), 1) << reports.failures.value(0).userInfo.value("error").toString().toStdString();
    EXPECT_EQ(figmaPagesRequested(site),
              "/integrations/zelvor/file_picker /integrations/zelvor/export/K1");
    EXPECT_TRUE(QFile::exists(imported + "/Landing@1x/layers.json.js"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !pane.documentSheet(); }, 5000)) << "the sheet ends after the import";

    // A page of another origin (a second site on another port) is not heard.
    FakeFigmaSite elsewhere;
    elsewhere.setFile("K9", "Stranger", zipOf(kLayers), 1);
    pane.runButton()->click();
    FIGImportViewController* content = pane.figmaImportViewController();
    ASSERT_TRUE(content);
    content->bridge()->webViewController()->loadURL(elsewhere.serviceUrl().toString() + "/integrations/zelvor/file_picker");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !elsewhere.requestedPaths().isEmpty(); }, 20000));
    testsupport::spin(1500);
    EXPECT_FALSE(content->exportDidStart());
    EXPECT_TRUE(content->bridge()->fileKey().isEmpty());
    EXPECT_EQ(reports.count(), 1);

    // Closing the sheet imports nothing.
    content->closeButton()->click();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !pane.documentSheet() || !pane.documentSheet()->isVisible(); }, 5000));
    EXPECT_EQ(reports.count(), 1);
}

TEST_F(FigmaPaneTest, SheetSaysWhyAnExportFailedAndKeepsTheProject)
{
    // A message too long for any chunk is dropped unread, and the sheet says so.
    site.setFile("K1", "Landing", zipOf(kLayers), 1);
    site.setExportScript("post('willSendBase64EncodedZipFileChunks', {numChunks: 1});"
                         "post('handleBase64EncodedZipFileChunk', {base64EncodedData: 'A'.repeat(23 * 1024 * 1024)});"
                         "post('commitBase64EncodedZipFile', {});");
    pane.show();
    pane.runButton()->click();
    FIGImportViewController* content = pane.figmaImportViewController();
    ASSERT_TRUE(content);
    ASSERT_TRUE(testsupport::waitUntil([&] { return content->errorText().contains("more than the"); }, 30000))
        << content->errorText().toStdString();
    EXPECT_TRUE(content->statusText().isEmpty()) << "the overlay of the broken export goes";
    EXPECT_EQ(reports.count(), 0);
    EXPECT_FALSE(QFileInfo::exists(imported));
    EXPECT_FALSE(content->bridge()->zipFile().isTransferring());

    // A service that cannot be reached: a port nothing listens on any more.
    content->closeButton()->click();
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    pane.setServiceUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    pane.runButton()->click();
    content = pane.figmaImportViewController();
    ASSERT_TRUE(content);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !content->errorText().isEmpty(); }, 20000));
    EXPECT_TRUE(content->errorText().contains("Error domain=(ConnectionErrorDomain)")) << content->errorText().toStdString();
    EXPECT_EQ(reports.count(), 0);
}

} // namespace
