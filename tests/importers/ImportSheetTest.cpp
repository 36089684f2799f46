// The import sheet and its panes in real widgets, with design files read by a fake probe and
// exporters that the tests write: what a row shows for its file, the scale remembered per
// document, an export that succeeds, fails or cannot start, and the sheet's stack.
#include "ImportReports.h"

#include "importers/ImportRules.h"
#include "importers/ImporterDefaults.h"
#include "importers/RBFigmaImportViewController.h"
#include "importers/RBImportWindowController.h"
#include "importers/RBPhotoshopImportViewController.h"
#include "importers/RBSketchImportViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(testsupport::writeFile(path, bytes)) << path.toStdString();
}

// Reads "design <version>" files as documents of that version; anything else is no document.
class FakeProbe : public DesignFileProbe {
public:
    DesignFileInfo probe(const QString& path) const override
    {
        DesignFileInfo info;
        info.exists = QFileInfo(path).isFile();
        const QString text = testsupport::readFile(path);
        info.isDocument = info.exists && text.startsWith("design ");
        info.version = info.isDocument ? text.mid(7).trimmed() : QString();
        // "reason <text>" is no document, for that reason.
        info.problem = info.exists && !info.isDocument ? (text.startsWith("reason ") ? text.mid(7) : "Not a design")
                                                       : (info.exists ? "" : "File not found");
        ++probes;
        return info;
    }
    mutable int probes = 0;
};

// A stand-in exporter speaking both command lines: "run.py FILE zelvor.js OUT SCALE" and
// "run.py -o OUT [--scale S] FILE". A design file containing "FAIL" fails half-way.
const char* const kExporter = R"PY(
import json, os, sys
args = sys.argv[1:]
if args[0] == "-o":
    out, design = args[1], args[-1]
    scale = float(args[args.index("--scale") + 1]) if "--scale" in args else 1
else:
    design, out, scale = args[0], args[2], float(args[3])
print("Reading " + os.path.basename(design), flush=True)
os.makedirs(os.path.join(out, "images"), exist_ok=True)
layers = [{"name": "Box", "frame": {"x": 0, "y": 0, "width": 10 * scale, "height": 10 * scale},
           "image": {"path": "images/Box.png"}, "children": []}]
with open(os.path.join(out, "layers.json"), "w") as f:
    json.dump(layers, f)
if b"FAIL" in open(design, "rb").read():
    print("Layer 3 could not be read", file=sys.stderr)
    sys.exit(2)
with open(os.path.join(out, "layers.json.js"), "w") as f:
    f.write("window.__imported = " + json.dumps(layers) + ";")
open(os.path.join(out, "images", "Box.png"), "wb").write(b"png")
print("TEMP_DIR /tmp/scratch", flush=True)
)PY";

using Reports = ImportReports;

class ImportPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.path() + "/defaults.json");
        exporter = dir.path() + "/exporter/run.py";
        write(exporter, kExporter);
        imported = dir.path() + "/Project.zelvor/imported";
        QDir().mkpath(dir.path() + "/Project.zelvor");
    }
    void TearDown() override { RBImportViewController::setChooserForTests({}); }

    template <class Pane> void configure(Pane& pane, const QString& identifier, const QString& name)
    {
        pane.setAppIdentifier(identifier);
        pane.setAppName(name);
        pane.setAppMinimumVersion("43");
        pane.setIconImageName("icon-sketch-active");
        pane.setIconImageNameInactive("icon-sketch-inactive");
        pane.setDefaults(defaults.get());
        pane.setProbe(std::make_shared<FakeProbe>());
        pane.setImportPath(imported);
        pane.setWindowController(&sheetObject);
        pane.setExporterScript(exporter);
    }
    void choose(RBImportViewController& pane, const QString& path)
    {
        RBImportViewController::setChooserForTests([path](const RBImportViewController&) { return path; });
        pane.chooseButton()->click();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    QString exporter;
    QString imported;
    QObject sheetObject;
};

TEST_F(ImportPaneTest, RowFollowsTheChosenDesignFileAndItsChangesOnDisk)
{
    RBSketchImportViewController pane;
    configure(pane, "com.bohemiancoding.sketch3", "Sketch");
    pane.setup();
    pane.updateStatus();
    EXPECT_EQ(pane.subTitleTextField()->text(), "No file chosen");
    EXPECT_FALSE(pane.runButton()->isEnabled());
    EXPECT_FALSE(pane.scalePopUpButton()->isEnabled());
    EXPECT_EQ(pane.shownIconName(), "icon-sketch-inactive");

    const QString design = dir.path() + "/designs/Home.sketch";
    write(design, "design 49.3");
    choose(pane, design);
    EXPECT_EQ(pane.designFilePath(), design);
    EXPECT_EQ(pane.subTitleTextField()->text(), "Home.sketch");
    EXPECT_TRUE(pane.runButton()->isEnabled());
    EXPECT_TRUE(pane.scalePopUpButton()->isEnabled());
    EXPECT_EQ(pane.shownIconName(), "icon-sketch-active");

    // Saved again by an older format, then replaced by something else: the row follows.
    write(design, "design 3.8");
    ASSERT_TRUE(testsupport::waitUntil([&] { return pane.subTitleTextField()->text() == "Minimum required version is 43"; }));
    EXPECT_FALSE(pane.runButton()->isEnabled());
    write(design, "not a design at all");
    ASSERT_TRUE(testsupport::waitUntil([&] { return pane.subTitleTextField()->text() == "Home.sketch: Not a design"; }));
    QFile::remove(design);
    ASSERT_TRUE(testsupport::waitUntil([&] { return pane.subTitleTextField()->text() == "Home.sketch is not there any more"; }));
    EXPECT_FALSE(pane.runButton()->isEnabled());

    // The choice is remembered for the next sheet.
    RBSketchImportViewController again;
    configure(again, "com.bohemiancoding.sketch3", "Sketch");
    EXPECT_EQ(again.designFilePath(), design);
}

TEST_F(ImportPaneTest, ScaleIsTheOneOfTheDocumentTheRefreshFound)
{
    const QString a = dir.path() + "/A.sketch";
    const QString b = dir.path() + "/B.sketch";
    write(a, "design 50");
    write(b, "design 50");
    importers::saveScale(*defaults, 2, a);
    RBSketchImportViewController pane;
    configure(pane, "com.bohemiancoding.sketch3", "Sketch");
    choose(pane, a);
    EXPECT_EQ(pane.scale(), 2);
    EXPECT_EQ(pane.scalePopUpButton()->currentText(), "@2x");

    choose(pane, b);
    EXPECT_EQ(pane.scale(), 1) << "the first refresh after switching reads the new document's scale";
    EXPECT_EQ(pane.scalePopUpButton()->currentText(), "@1x");
    pane.scalePopUpButton()->setCurrentIndex(3);
    Q_EMIT pane.scalePopUpButton()->activated(3);
    EXPECT_EQ(importers::scaleForPath(*defaults, b), 3);
    EXPECT_EQ(importers::scaleForPath(*defaults, a), 2);
    choose(pane, a);
    EXPECT_EQ(pane.scalePopUpButton()->currentText(), "@2x");
}

TEST_F(ImportPaneTest, ExportFillsTheImportFolderAndReportsOnce)
{
    const QString design = dir.path() + "/My Screens.sketch";
    write(design, "design 50");
    importers::saveScale(*defaults, 1.5, design);
    RBSketchImportViewController pane;
    configure(pane, "com.bohemiancoding.sketch3", "Sketch");
    choose(pane, design);
    Reports reports;
    pane.show();
    pane.runButton()->click();
    EXPECT_TRUE(pane.isImporting());
    EXPECT_TRUE(pane.progressView()->isVisible());
    EXPECT_FALSE(pane.importView()->isVisible());
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports.count() > 0; }, 20000));
    testsupport::spin(50);
    ASSERT_EQ(reports.successes.size(), 1) << (reports.failures.isEmpty() ? "" : reports.failures[0].userInfo.value("error").toString().toStdString());
    EXPECT_TRUE(reports.failures.isEmpty());
    const platform::Notification& n = reports.successes[0];
    EXPECT_EQ(n.object, &sheetObject);
    const QString folder = imported + "/My Screens@1.5x";
    EXPECT_EQ(n.userInfo.value("docName"), "My Screens.sketch");
    EXPECT_EQ(n.userInfo.value("docPath"), design);
    EXPECT_EQ(n.userInfo.value("outPath"), folder);
    EXPECT_EQ(n.userInfo.value("identifier"), "com.bohemiancoding.sketch3");
    EXPECT_EQ(n.userInfo.value("scale").toDouble(), 1.5);
    EXPECT_TRUE(n.userInfo.value("info").toString().contains("Reading My Screens.sketch"));
    const QJsonArray layers = QJsonDocument::fromJson(testsupport::readFile(folder + "/layers.json").toUtf8()).array();
    ASSERT_EQ(layers.size(), 1);
    EXPECT_EQ(layers[0].toObject()["frame"].toObject()["width"].toDouble(), 15) << "the scale reached the exporter";
    EXPECT_TRUE(QFileInfo::exists(folder + "/images/Box.png"));
    EXPECT_EQ(QDir(imported).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"My Screens@1.5x"});
    EXPECT_EQ(defaults->stringForKey(importers::kLastImportKey), "com.bohemiancoding.sketch3");
    EXPECT_FALSE(pane.isImporting());
    EXPECT_EQ(pane.progressStatus(), "Succes…") << "the scratch folder's line is not shown as it is";
}

TEST_F(ImportPaneTest, FailedExportKeepsTheEarlierImportAndSaysWhy)
{
    const QString design = dir.path() + "/Banner.psd";
    write(design, "design 1");
    write(imported + "/Banner@1x/layers.json", "earlier");
    write(imported + "/Banner@1x/layers.json.js", "earlier");
    RBPhotoshopImportViewController pane;
    configure(pane, "com.adobe.Photoshop", "Photoshop");
    pane.setAppMinimumVersion("1");
    choose(pane, design);
    const auto command = pane.exportCommand("/out");
    EXPECT_EQ(command.arguments, (QStringList{exporter, "-o", "/out", design})) << "no scale argument at scale 1";

    write(design, "design 1 FAIL");
    Reports reports;
    pane.runButton()->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports.count() > 0; }, 20000));
    testsupport::spin(50);
    ASSERT_EQ(reports.failures.size(), 1);
    EXPECT_TRUE(reports.successes.isEmpty());
    EXPECT_EQ(reports.failures[0].userInfo.value("error"), "Layer 3 could not be read");
    EXPECT_EQ(testsupport::readFile(imported + "/Banner@1x/layers.json"), "earlier");
    EXPECT_EQ(QDir(imported).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Banner@1x"});
    EXPECT_FALSE(pane.isImporting());
    EXPECT_TRUE(pane.runButton()->isEnabled());
}

// An exporter that cannot be started.
class UnstartablePane : public RBSketchImportViewController {
public:
    Command exportCommand(const QString& outputFolder) const override
    {
        return {"/nonexistent/python", {outputFolder}, QString()};
    }
};

TEST_F(ImportPaneTest, ExporterThatCannotStartEndsTheProgress)
{
    const QString design = dir.path() + "/Home.sketch";
    write(design, "design 50");
    UnstartablePane pane;
    configure(pane, "com.bohemiancoding.sketch3", "Sketch");
    choose(pane, design);
    Reports reports;
    pane.start();
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports.count() > 0; }, 5000));
    ASSERT_EQ(reports.failures.size(), 1);
    EXPECT_TRUE(reports.failures[0].userInfo.value("error").toString().startsWith("The Sketch exporter could not be started"));
    EXPECT_FALSE(pane.isImporting());
    EXPECT_EQ(QDir(imported).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
}

TEST_F(ImportPaneTest, SheetStacksItsPanesAndRepeatsTheLastImport)
{
    QWidget parent;
    parent.setGeometry(100, 100, 1200, 800);
    RBImportWindowController sheet(&parent, defaults.get());
    auto probe = std::make_shared<FakeProbe>();
    sheet.sketchImportViewController()->setProbe(probe);
    sheet.setOutPath(imported);
    sheet.setup();
    sheet.setup();
    // Set up twice, the sheet refreshes once when the user comes back to the application.
    sheet.show();
    probe->probes = 0;
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(probe->probes, 1);
    // The rows start at the sheet's top: no empty strip above them.
    EXPECT_EQ(sheet.size(), QSize(420, 232));
    EXPECT_EQ(sheet.topView()->y(), 0);
    // From the bottom up: Sketch, Figma, Photoshop, 58 points apart.
    const int stack = sheet.topView()->height();
    EXPECT_EQ(stack - sheet.sketchImportViewController()->geometry().bottom() - 1, 2);
    EXPECT_EQ(stack - sheet.figmaImportViewController()->geometry().bottom() - 1, 60);
    EXPECT_EQ(stack - sheet.photoshopImportViewController()->geometry().bottom() - 1, 118);
    EXPECT_EQ(sheet.sketchImportViewController()->importPath(), imported);

    // Without a Figma service in the build, its row says so and cannot run.
    RBFigmaImportViewController* figma = sheet.figmaImportViewController();
    figma->setServiceUrl(QUrl());
    figma->setup();
    figma->updateStatus();
    EXPECT_EQ(figma->subTitleTextField()->text(), "Figma import is not set up in this build");
    EXPECT_FALSE(figma->runButton()->isEnabled());
    figma->setServiceUrl(QUrl("http://127.0.0.1:9"));
    figma->setup();
    figma->updateStatus();
    EXPECT_EQ(figma->subTitleTextField()->text(), "Online");
    EXPECT_TRUE(figma->runButton()->isEnabled());

    // Import again: nothing for an absent key or the web pane; the last file pane otherwise.
    Reports reports;
    sheet.importAgain();
    defaults->setString(importers::kLastImportKey, "com.figma.web");
    sheet.importAgain();
    EXPECT_FALSE(sheet.sketchImportViewController()->isImporting());
    EXPECT_FALSE(figma->isImporting());

    const QString design = dir.path() + "/Home.sketch";
    write(design, "design 50");
    sheet.sketchImportViewController()->setExporterScript(exporter);
    sheet.sketchImportViewController()->setProbe(std::make_shared<FakeProbe>());
    choose(*sheet.sketchImportViewController(), design);
    defaults->setString(importers::kLastImportKey, "com.bohemiancoding.sketch3");
    sheet.importAgain();
    EXPECT_TRUE(sheet.sketchImportViewController()->isImporting());
    ASSERT_TRUE(testsupport::waitUntil([&] { return reports.count() > 0; }, 20000));
    ASSERT_EQ(reports.successes.size(), 1);
    EXPECT_EQ(reports.successes[0].object, &sheet);
    EXPECT_TRUE(QFileInfo::exists(imported + "/Home@1x/layers.json.js"));

    sheet.closeSheet();
    probe->probes = 0;
    sheet.show();
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(probe->probes, 0) << "a closed sheet no longer follows the application";
    sheet.hide();
    const QString shots = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        sheet.show();
        sheet.setup();
        testsupport::spin(100);
        sheet.grab().save(shots + "/import-sheet.png");
    }
}

TEST_F(ImportPaneTest, LongNamesAndReasonsAreShownWholeAndTheSheetGrows)
{
    QWidget parent;
    parent.setGeometry(100, 100, 1200, 800);
    RBImportWindowController sheet(&parent, defaults.get());
    RBPhotoshopImportViewController* pane = sheet.photoshopImportViewController();
    pane->setProbe(std::make_shared<FakeProbe>());
    sheet.setOutPath(imported);
    sheet.setup();
    const int plainHeight = sheet.height();
    const QString name = "groups-and-props-of-the-second-onboarding-screen-final.psd";
    const QString reason = "This is not a Photoshop file: its header names another format, so it cannot be imported.";
    write(dir.path() + "/" + name, "reason " + reason.toUtf8());
    choose(*pane, dir.path() + "/" + name);

    const QString subtitle = pane->subTitleTextField()->text();
    EXPECT_TRUE(subtitle.endsWith(": " + reason)) << subtitle.toStdString();
    EXPECT_TRUE(subtitle.startsWith("groups-")) << subtitle.toStdString();
    EXPECT_TRUE(subtitle.section(": ", 0, 0).contains(QChar(0x2026))) << "the name loses its middle";
    EXPECT_TRUE(subtitle.section(": ", 0, 0).endsWith(".psd"));
    QLabel* label = pane->subTitleTextField();
    EXPECT_LE(label->heightForWidth(label->width()), label->height()) << "every line of the reason is shown";
    EXPECT_GT(pane->height(), RBImportViewController::kRowHeight);
    EXPECT_EQ(sheet.height(), plainHeight + pane->height() - RBImportViewController::kRowHeight);
    // The taller row moves nothing over its neighbours.
    const QRect sketch = sheet.sketchImportViewController()->geometry();
    const QRect figma = sheet.figmaImportViewController()->geometry();
    const QRect photoshop = pane->geometry();
    EXPECT_LT(photoshop.bottom(), figma.top());
    EXPECT_LT(figma.bottom(), sketch.top());
    EXPECT_GE(photoshop.top(), 0);
    EXPECT_LE(sketch.bottom(), sheet.topView()->height());

    // A readable file again: the row and the sheet return to their size.
    write(dir.path() + "/" + name, "design 50");
    ASSERT_TRUE(testsupport::waitUntil([&] { return pane->runButton()->isEnabled(); }));
    EXPECT_EQ(pane->height(), RBImportViewController::kRowHeight);
    EXPECT_EQ(sheet.height(), plainHeight);
}

} // namespace
