// Importing into a real offscreen project window: the toolbar's Import shows the sheet, the
// user chooses a Sketch file and imports it at @2x; the project gets its folder in "imported",
// the code a line that loads it (once, however often it is imported) and the preview the
// imported layers. Import Again repeats it without a question and says so; another design's
// line goes after the first one's. A Figma file picked on a fake
// Figma site, whose export arrives in three chunks, gets the project the same result.
#include "analytics/RBGoogleAnalytics.h"
#include "../document/DocumentFakes.h"
#include "../importers/FakeFigmaSite.h"
#include "../preview/ServerTestSupport.h"
#include "WindowProbe.h"

#include "document/DocumentImports.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBShareNotice.h"
#include "importers/RBFigmaImportViewController.h"
#include "importers/RBImportWindowController.h"
#include "importers/RBSketchImportViewController.h"
#include "platform/gui/Alert.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { RBServerController::sharedInstance().stop(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

// Writes the layer tree the exporters write: a card with a box inside, sized by the scale.
const char* const kExporter = R"PY(
import json, os, sys
design, out, scale = sys.argv[1], sys.argv[3], float(sys.argv[4])
os.makedirs(os.path.join(out, "images"), exist_ok=True)
box = {"name": "Box", "frame": {"x": 5 * scale, "y": 5 * scale, "width": 10 * scale, "height": 10 * scale},
       "image": {"path": "images/Box.png"}, "children": []}
layers = [{"name": "Card", "frame": {"x": 0, "y": 0, "width": 40 * scale, "height": 30 * scale}, "children": [box]}]
json.dump(layers, open(os.path.join(out, "layers.json"), "w"))
name = os.path.basename(out)
open(os.path.join(out, "layers.json.js"), "w").write(
    "window.__zelvorImportedLayers = window.__zelvorImportedLayers || {}; window.__zelvorImportedLayers[%s] = %s;"
    % (json.dumps(name), json.dumps(layers)))
open(os.path.join(out, "images", "Box.png"), "wb").write(b"\x89PNG\r\n\x1a\n")
print("Exported 2 layers", flush=True)
)PY";

// The layer files the exporters write for a design imported into the folder `name`: a card with
// a box inside, sized by the scale.
QMap<QString, QByteArray> layerFiles(const QString& name, double scale)
{
    const QByteArray box = QStringLiteral(R"({"name": "Box", "frame": {"x": %1, "y": %1, "width": %2, "height": %2},)"
                                          R"( "image": {"path": "images/Box.png"}, "children": []})")
                               .arg(5 * scale).arg(10 * scale).toUtf8();
    const QByteArray layers = QStringLiteral(R"([{"name": "Card", "frame": {"x": 0, "y": 0, "width": %1, "height": %2}, "children": [%3]}])")
                                  .arg(40 * scale).arg(30 * scale).arg(QString::fromUtf8(box)).toUtf8();
    const QByteArray script = "window.__zelvorImportedLayers = window.__zelvorImportedLayers || {}; window.__zelvorImportedLayers[\""
                              + name.toUtf8() + "\"] = " + layers + ";";
    return {{"layers.json", layers}, {"layers.json.js", script}, {"images/Box.png", "\x89PNG\r\n\x1a\n"}};
}

// A project "Shop" open in a window whose preview runs, with the import sheet's services.
class ImportEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        servertest::isolateFromTheSystemBus();
        platform::Alert::setTestResponder([](const platform::Alert& alert) {
            ADD_FAILURE() << "unexpected alert: " << alert.messageText().toStdString() << ": " << alert.informativeText().toStdString();
            return platform::Alert::kFirstButtonReturn;
        });
        ASSERT_TRUE(servertest::startAndWait(RBServerController::sharedInstance()));
        controller = new RBDocumentController(qApp);
        RBDocumentServices services = controller->services();
        services.buildWindow = buildDocumentWindow;
        controller->setServices(services);
        project = dir.path() + "/Shop.zelvor";
        write(project + "/app.coffee", "bg = new Layer\n\tname: \"bg\"\n");
        write(project + "/zelvor/config.json", "{\"updateDelay\": 0.05}");
        controller->openDocumentWithContentsOfURL(project, true, [this](platform::Document* d, bool, const QString&) {
            document = qobject_cast<RBDocument*>(d);
        });
        ASSERT_TRUE(document);
        probe = std::make_unique<WindowProbe>(*document);
        probe->window()->resize(1200, 800);
        ASSERT_TRUE(testsupport::waitUntil([&] { return probe->pageValue("Layer.select('bg') ? 1 : 0").toInt() == 1; }, 60000));
    }
    void TearDown() override
    {
        probe.reset();
        if (document) {
            document->updateChangeCount(platform::Document::ChangeCleared);
            document->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(testsupport::waitUntil([&] { return !document; }, 5000));
        platform::Alert::setTestResponder({});
    }
    // The toolbar's Import shows the sheet.
    RBImportWindowController* showSheet()
    {
        QAction* importItem = probe->window()->toolbar()->importItem();
        EXPECT_TRUE(importItem->isEnabled());
        importItem->trigger();
        RBImportWindowController* sheet = document->imports().importWindowController();
        EXPECT_TRUE(sheet && sheet->isVisible());
        return sheet;
    }
    // The import's line at the top of the code, its folder, the sheet gone and its layers shown.
    void expectImported(RBImportWindowController* sheet, const QString& folder, const QString& tool, const QString& scaleComment)
    {
        const QString line = QStringLiteral("Zelvor.Importer.load \"imported/%1\"").arg(folder);
        ASSERT_TRUE(testsupport::waitUntil([&] { return document->editor()->content().contains(line); }, 30000));
        const QString name = folder.section('@', 0, 0);
        EXPECT_TRUE(document->editor()->content().startsWith(
            QStringLiteral("# The layers of \"%1\", imported from %2%3\n").arg(name, tool, scaleComment)))
            << document->editor()->content().left(200).toStdString();
        EXPECT_TRUE(QFileInfo(project + "/imported/" + folder + "/layers.json").isFile());
        EXPECT_FALSE(sheet->isVisible());
        // The page reloads once the import is in: ask until the reloaded page answers too.
        const int width = folder.endsWith("@2x") ? 20 : 10;
        EXPECT_TRUE(testsupport::waitUntil([&] { return probe->pageValue("Layer.select('Box') ? Layer.select('Box').width : -1").toInt() == width; }, 30000))
            << "the preview never showed the imported layers";
        EXPECT_TRUE(testsupport::waitUntil([&] {
            return probe->pageValue("Layer.select('Box') && Layer.select('Box').parent ? Layer.select('Box').parent.name : ''").toString() == "Card";
        }, 30000));
    }

    QTemporaryDir dir;
    QString project;
    RBDocumentController* controller = nullptr;
    QPointer<RBDocument> document;
    std::unique_ptr<WindowProbe> probe;
};

TEST_F(ImportEndToEnd, ChosenSketchFileArrivesInTheProjectTheCodeAndThePreview)
{
    const QString exporter = dir.path() + "/exporter/run.py";
    write(exporter, kExporter);
    // A design file as the format has it: a zip whose "meta.json" names the version.
    write(dir.path() + "/design/meta.json", R"({"appVersion": "52.1"})");
    write(dir.path() + "/design/document.json", "{}");
    const QString design = dir.path() + "/Home.sketch";
    QProcess zip;
    zip.setWorkingDirectory(dir.path() + "/design");
    zip.start("/usr/bin/zip", {"-qr", design, "."});
    ASSERT_TRUE(zip.waitForFinished(10000) && QFileInfo::exists(design)) << "zip is needed";

    // The Sketch row offers to choose a file.
    RBImportWindowController* sheet = showSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->outPath(), project + "/imported");
    RBSketchImportViewController* sketch = sheet->sketchImportViewController();
    sketch->setExporterScript(exporter);
    RBImportViewController::setChooserForTests([design](const RBImportViewController&) { return design; });
    sketch->chooseButton()->click();
    RBImportViewController::setChooserForTests({});
    ASSERT_TRUE(sketch->runButton()->isEnabled()) << sketch->subTitleTextField()->text().toStdString();
    sketch->scalePopUpButton()->setCurrentIndex(2);
    Q_EMIT sketch->scalePopUpButton()->activated(2);
    const QString shots = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        sheet->grab().save(shots + "/import-sheet-chosen.png");

    sketch->runButton()->click();
    expectImported(sheet, "Home@2x", "Sketch", " (sizes and positions are scaled 1:2)");
    if (!shots.isEmpty()) {
        testsupport::spin(300);
        probe->window()->grab().save(shots + "/import-done.png");
    }

    // Import Again repeats the Sketch import; the code keeps its one line.
    write(project + "/imported/Home@2x/marker", "earlier");
    // The analytics client queues what it would send (this build names no service).
    RBGoogleAnalytics::sharedInstance().setEnabled(true);
    const qsizetype queuedBefore = RBGoogleAnalytics::sharedInstance().queuedCalls().size();
    probe->window()->toolbar()->importAgainItem()->trigger();
    // The toolbar's use is counted, as every toolbar item's is.
    const QList<RBGoogleAnalytics::Call> calls = RBGoogleAnalytics::sharedInstance().queuedCalls().mid(queuedBefore);
    EXPECT_TRUE(std::any_of(calls.cbegin(), calls.cend(), [](const RBGoogleAnalytics::Call& call) {
        return QJsonDocument(call.second).toJson().contains("\"toolbar.import.again\"");
    })) << "no app|toolbar.import.again event";
    ASSERT_TRUE(testsupport::waitUntil([&] { return !QFileInfo::exists(project + "/imported/Home@2x/marker"); }, 20000))
        << "the import was not repeated";
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sheet->isVisible(); }, 5000));
    EXPECT_EQ(document->editor()->content().count(QStringLiteral("Zelvor.Importer.load \"imported/Home@2x\"")), 1);
    // The window says that the repeated import arrived.
    RBShareNotice* notice = probe->window()->findChild<RBShareNotice*>();
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->title(), "Imported Home.sketch");

    // Another design goes after the first one, so that it loads later and shows above it, with
    // a name of its own.
    const QString other = dir.path() + "/Other.sketch";
    ASSERT_TRUE(QFile::copy(design, other));
    showSheet();
    RBImportViewController::setChooserForTests([other](const RBImportViewController&) { return other; });
    sketch->chooseButton()->click();
    RBImportViewController::setChooserForTests({});
    sketch->runButton()->click();
    const QString second = "sketch1 = Zelvor.Importer.load \"imported/Other@1x\"";
    ASSERT_TRUE(testsupport::waitUntil([&] { return document->editor()->content().contains(second); }, 30000));
    const QString code = document->editor()->content();
    const qsizetype first = code.indexOf("sketch = Zelvor.Importer.load \"imported/Home@2x\"");
    EXPECT_GE(first, 0) << code.toStdString();
    EXPECT_LT(first, code.indexOf(second)) << code.toStdString();
    EXPECT_LT(code.indexOf(second), code.indexOf("bg = new Layer")) << code.toStdString();
    EXPECT_EQ(notice->title(), "Imported Other.sketch");
}

TEST_F(ImportEndToEnd, FigmaFilePickedOnTheSiteArrivesInThreeChunksLikeASketchImport)
{
    FakeFigmaSite site;
    site.setFile("Fk3", "Landing", zipOf(layerFiles("Landing@1x", 1)), 3);
    RBImportWindowController* sheet = showSheet();
    ASSERT_TRUE(sheet);
    RBFigmaImportViewController* figma = sheet->figmaImportViewController();
    figma->setServiceUrl(site.serviceUrl());
    QStringList asked;
    figma->setSaveLocationChooser([&](const QString& name) {
        asked << name;
        return dir.path() + "/" + name + ".fig";
    });
    sheet->setup();
    ASSERT_TRUE(figma->runButton()->isEnabled()) << figma->subTitleTextField()->text().toStdString();

    figma->runButton()->click();
    expectImported(sheet, "Landing@1x", "Figma", "");
    EXPECT_EQ(asked, QStringList{"Landing"});
    EXPECT_EQ(figmaPagesRequested(site), "/integrations/zelvor/file_picker /integrations/zelvor/export/Fk3");
    EXPECT_TRUE(QFileInfo(project + "/imported/Landing@1x/images/Box.png").isFile());
    EXPECT_EQ(QDir(project + "/imported").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Landing@1x"});
}

} // namespace
