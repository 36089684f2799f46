// The layer panel in a real offscreen project window: the tree of the program running in the
// preview, hovering rows (the layer outlined in the preview, the code of the others dimmed),
// clicking rows (the editor shows the layer's code or blinks), programs that run again, hostile
// names and malformed messages from the panel page.
#include "../document/DocumentFakes.h"
#include "../preview/ServerTestSupport.h"
#include "WindowProbe.h"

#include "CodeTextView/KVCodeTextView.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "document/window/BuildDocumentWindow.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBSplitView.h"
#include "editor/BlinkVeil.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/gui/Alert.h"
#include "preview/RBLayerPanelEditor.h"
#include "preview/RBLayerPanelViewController.h"
#include "preview/RBServerController.h"
#include "support/TestSupport.h"
#include "webview/RBWebViewController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { RBServerController::sharedInstance().stop(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

// A card with two children, a hidden layer and a copy (a layer that no code of the program
// makes: the library copies it). The hidden layer's code sits far below, out of sight.
QString nestedProgram()
{
    QString program = QStringLiteral(
        "card = new Layer name: \"card\"\n"
        "title = new Layer\n"
        "\tname: \"<b>title</b> \\\"q\\\" </script>\"\n"
        "\tparent: card\n"
        "icon = new Layer name: \"icon\", parent: card\n");
    for (int i = 0; i < 120; ++i)
        program += QStringLiteral("# filler %1\n").arg(i);
    program += QStringLiteral("hidden = new Layer name: \"hidden\"\nhidden.visible = false\ncopied = card.copy()\ncopied.name = \"copied\"\n");
    return program;
}

class FlashCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

class LayerPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        useTemporaryUserFolders();
        servertest::isolateFromTheSystemBus();
        platform::Alert::setTestResponder([](const platform::Alert& alert) {
            ADD_FAILURE() << "unexpected alert: " << alert.messageText().toStdString();
            return platform::Alert::kFirstButtonReturn + 1;
        });
        ASSERT_TRUE(servertest::startAndWait(RBServerController::sharedInstance()));
        controller = new RBDocumentController(qApp);
        RBDocumentServices services = controller->services();
        services.buildWindow = buildDocumentWindow;
        controller->setServices(services);
    }

    void TearDown() override
    {
        if (document) {
            document->updateChangeCount(platform::Document::ChangeCleared);
            document->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete controller;
        platform::Alert::setTestResponder({});
    }

    void open(const QString& program)
    {
        const QString project = dir.path() + "/Panel.zelvor";
        QDir().mkpath(project + "/zelvor");
        QFile code(project + "/app.coffee");
        ASSERT_TRUE(code.open(QIODevice::WriteOnly));
        code.write(program.toUtf8());
        code.close();
        QFile config(project + "/zelvor/config.json");
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("{\"updateDelay\": 0.05}");
        config.close();
        controller->openDocumentWithContentsOfURL(project, true, [this](platform::Document* d, bool, const QString& error) {
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            document = qobject_cast<RBDocument*>(d);
        });
        ASSERT_TRUE(document);
        probe = std::make_unique<WindowProbe>(*document);
        ASSERT_TRUE(probe->window());
        probe->window()->resize(1200, 800);
        probe->window()->show();
        // The panel is opened the way the user opens it: with the editor bar's layers button.
        editor()->toggleLayerPanel();
        ASSERT_TRUE(probe->layerPanel());
    }

    RBCodeEditViewController* editor() const { return dynamic_cast<RBCodeEditViewController*>(document->editor()); }

    QStringList rowNames() const { return probe->panelValue("zelvorLayerPanel.rowNames()").toStringList(); }

    // Sends a mouse event to the panel's row of that index (or to the page for -1).
    void pointAtRow(int row, const char* type)
    {
        const QString target = row < 0 ? QStringLiteral("document.documentElement")
                                       : QStringLiteral("document.querySelectorAll('.row')[%1]").arg(row);
        probe->panelValue(QStringLiteral("%1.dispatchEvent(new MouseEvent('%2', {bubbles: %3})), true")
                              .arg(target, QLatin1String(type), row < 0 ? QStringLiteral("false") : QStringLiteral("true")));
    }

    QTemporaryDir dir;
    RBDocumentController* controller = nullptr;
    QPointer<RBDocument> document;
    std::unique_ptr<WindowProbe> probe;
};

TEST_F(LayerPanel, ShowsTheTreeHoversClicksAndFollowsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(open(nestedProgram()));
    const QStringList expected{"card", "<b>title</b> \"q\" </script>", "icon", "hidden", "copied", "<b>title</b> \"q\" </script>", "icon"};
    const bool shown = testsupport::waitUntil([&] { return rowNames() == expected; }, 60000);
    ASSERT_TRUE(shown) << rowNames().join('|').toStdString();
    // Names are text: nothing of them became markup, and the hidden layer is marked as such.
    EXPECT_EQ(probe->panelValue("document.querySelectorAll('#tree b, #tree script').length").toInt(), 0);
    EXPECT_EQ(probe->panelValue("document.querySelectorAll('.row.hidden .name')[0].textContent").toString(), "hidden");
    EXPECT_EQ(probe->panelValue("document.querySelectorAll('.children')[0].querySelectorAll('.row').length").toInt(), 2);
    const QString screenshot = qEnvironmentVariable("ZELVOR_SCREENSHOT_DIR");
    if (!screenshot.isEmpty()) {
        testsupport::spin(400);
        probe->window()->grab().save(screenshot + "/layer-panel.png");
    }

    // Hovering the title's row outlines that layer in the preview and dims the other code.
    pointAtRow(1, "mouseover");
    ASSERT_TRUE(testsupport::waitUntil([&] { return editor()->highlightedRanges().has_value(); }, 5000));
    const QString code = editor()->content();
    QStringList lit;
    for (const auto& range : *editor()->highlightedRanges())
        lit << code.mid(range.location, range.length);
    EXPECT_TRUE(lit.join("").contains("title = new Layer")) << lit.join("|").toStdString();
    EXPECT_FALSE(lit.join("").contains("card = new Layer")) << lit.join("|").toStdString();
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return probe->pageValue("(function(){var m = document.querySelectorAll('.zelvor-highlighted');"
                                      " return m.length === 1 && m[0]._zelvorLayer.name.indexOf('<b>') === 0})()")
                  .toBool(); },
        5000));

    // Leaving the panel ends both.
    pointAtRow(-1, "mouseleave");
    EXPECT_TRUE(testsupport::waitUntil([&] { return !editor()->highlightedRanges().has_value(); }, 5000));
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return probe->pageValue("document.querySelectorAll('.zelvor-highlighted').length").toInt() == 0; }, 5000));

    // A click on the hidden layer brings its code, far below, into sight (and does not blink:
    // each flash of the editor's veil starts an animation of its own).
    FlashCounter flashes;
    ASSERT_TRUE(editor()->blinkVeil());
    editor()->blinkVeil()->installEventFilter(&flashes);
    KVCodeTextView* text = probe->textView();
    ASSERT_TRUE(text);
    const int hiddenLine = int(code.left(code.indexOf("hidden = new Layer")).count('\n'));
    EXPECT_LT(text->firstVisibleTextBlock().blockNumber(), 10);
    pointAtRow(3, "click");
    EXPECT_TRUE(testsupport::waitUntil([&] {
        const auto visible = text->visibleRange();
        const int at = int(code.indexOf("hidden = new Layer"));
        return visible.location <= at && at < visible.location + visible.length;
    }, 5000)) << "line " << hiddenLine << " never came into sight";
    EXPECT_EQ(flashes.count, 0);

    // The copy has no code of its own: a click makes the editor blink.
    pointAtRow(4, "click");
    EXPECT_TRUE(testsupport::waitUntil([&] { return flashes.count == 1; }, 5000));

    // A changed program updates the tree.
    probe->typeAtEnd("\nextra = new Layer name: \"extra\"");
    EXPECT_TRUE(testsupport::waitUntil([&] { return rowNames().contains("extra"); }, 20000)) << rowNames().join('|').toStdString();
    // A row without a name of the program's shows the variable or property the code assigns the
    // layer to, else the kind and number.
    editor()->replaceAllText(QStringLiteral("page = new Layer\n"
                                            "page.title = new Layer parent: page\n"
                                            "@box = new Layer\n"
                                            "\tparent: page\n"
                                            "cards = [new Layer]\n"
                                            "given = new Layer name: \"given\"\n"));
    const QStringList named{"page", "title", "box", "Layer 4", "given"};
    EXPECT_TRUE(testsupport::waitUntil([&] { return rowNames() == named; }, 20000)) << rowNames().join('|').toStdString();
    // And a program that makes no layer empties it.
    editor()->replaceAllText(QStringLiteral("x = 1\n"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return rowNames().isEmpty(); }, 20000)) << rowNames().join('|').toStdString();
}

// A row the user closed is closed again when the project opens the next time.
TEST_F(LayerPanel, ARowClosedStaysClosedWhenTheProjectReopens)
{
    const auto firstGroupHidden = [this] { return probe->panelValue("document.querySelectorAll('.children')[0].hidden").toBool(); };
    ASSERT_NO_FATAL_FAILURE(open(nestedProgram()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return rowNames().size() == 7; }, 60000)) << rowNames().join('|').toStdString();
    EXPECT_FALSE(firstGroupHidden());
    probe->panelValue("document.querySelector('.row .toggle.open').dispatchEvent(new MouseEvent('click', {bubbles: true})), true");
    ASSERT_TRUE(testsupport::waitUntil(firstGroupHidden, 5000));
    testsupport::spin(100); // the page's note of the closed row reaches the application

    probe.reset();
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !document; }, 3000));
    ASSERT_NO_FATAL_FAILURE(open(nestedProgram()));
    EXPECT_TRUE(testsupport::waitUntil([&] { return rowNames().size() == 7 && firstGroupHidden(); }, 60000))
        << rowNames().join('|').toStdString();
}

TEST_F(LayerPanel, ThousandsOfLayersWithHostileNamesStayText)
{
    // 5,000 layers, each named with 10,000 characters of markup.
    ASSERT_NO_FATAL_FAILURE(open(QStringLiteral(
        "name = ('<img src=x onerror=\"window.hit=1\"></script>\\\\' for i in [1..1100]).join('')\n"
        "root = new Layer name: 'root'\n"
        "for i in [1..4999]\n"
        "\tnew Layer name: name, parent: root\n")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return probe->panelValue("zelvorLayerPanel.rowCount()").toInt() == 5000; }, 60000));
    EXPECT_EQ(probe->panelValue("document.querySelectorAll('#tree img, #tree script').length").toInt(), 0);
    EXPECT_FALSE(probe->panelValue("window.hit === 1").toBool());
    const QString second = probe->panelValue("document.querySelectorAll('.row .name')[1].textContent").toString();
    EXPECT_TRUE(second.startsWith("<img src=x onerror=\"window.hit=1\"></script>\\")) << second.left(60).toStdString();
    // The page still answers at once.
    EXPECT_EQ(probe->panelValue("1 + 1", 1000).toInt(), 2);
}

// What the panel asks of the editor, counted.
class CountingEditor : public QObject, public RBLayerPanelEditor {
public:
    void highlightLayer(const QString& hash) override { calls << "highlight " + hash; }
    void unhighlightLayer() override { calls << "unhighlight"; }
    void scrollToNextHighlight(const QString& hash) override { calls << "scroll " + hash; }
    QStringList calls;
};

TEST(LayerPanelMessages, OnlyWellFormedMessagesReachTheEditor)
{
    RBLayerPanelViewController panel;
    CountingEditor editor;
    panel.setEditor(&editor, &editor);
    const auto data = [](const QVariant& hash) { return QVariantMap{{"data", QVariantMap{{"hash", hash}}}}; };
    struct Case {
        const char* method;
        QVariant arguments;
        QStringList expected;
    };
    const Case cases[] = {
        {"ui:highlight", data("#3"), {"highlight #3"}},
        {"ui:highlight", data(""), {"highlight "}},
        {"layerClick", data("#3"), {"scroll #3"}},
        {"layersRollOut", QVariant(), {"unhighlight"}},
        {"ui:highlight", QVariantMap{}, {}},
        {"ui:highlight", QVariantMap{{"data", "#3"}}, {}},
        {"ui:highlight", data(3), {}},
        {"ui:highlight", data(QVariantList{"#3"}), {}},
        {"layerClick", QVariantList{data("#3")}, {}},
        {"layerClick", QVariant("#3"), {}},
        {"ui:layers", data("#3"), {}},
        {"layerclick", data("#3"), {}},
        {"scroll", data("#3"), {}},
    };
    for (const Case& c : cases) {
        editor.calls.clear();
        panel.handleBridgeMethod(QString::fromLatin1(c.method), c.arguments);
        EXPECT_EQ(editor.calls, c.expected) << c.method << " " << c.arguments.toString().toStdString();
    }
}

} // namespace

// Layers written as "name[children] name"; "-" after a name marks a hidden layer.
static QVariantList layersOf(const QString& text, int& at)
{
    QVariantList layers;
    while (at < text.size() && text[at] != ']') {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        QString name;
        while (at < text.size() && !QStringLiteral("[] ").contains(text[at]))
            name += text[at++];
        QVariantList children;
        if (at < text.size() && text[at] == '[') {
            ++at;
            children = layersOf(text, at);
            ++at;
        }
        const bool hidden = name.endsWith('-');
        layers.append(QVariantMap{{"name", hidden ? name.chopped(1) : name}, {"visible", !hidden}, {"children", children}});
    }
    return layers;
}

// The panel writes each new tree into the rows it already shows: whatever the tree was before,
// the rows and their groups then nest exactly as the new tree does, with nothing left over.
TEST(LayerPanelPage, EachTreeReplacesThePreviousOneWhateverItsShape)
{
    RBLayerPanelViewController panel;
    RBWebViewController& page = *panel.webViewController();
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.isDocumentReady(); }, 30000));
    const auto outline = [&] {
        QString result;
        bool done = false;
        page.evaluateJavaScript(QStringLiteral(
            "(function outline(box) {"
            "  return Array.prototype.map.call(box.children, function (n) {"
            "    return n.classList.contains('row') ? n.querySelector('.name').textContent"
            "      + (n.classList.contains('hidden') ? '-' : '') : '(' + outline(n) + ')';"
            "  }).join(' ');"
            "})(document.getElementById('tree')) + ' #' + zelvorLayerPanel.rowCount()"),
            [&](const QVariant& value, const QVariant&) { result = value.toString(); done = true; });
        testsupport::waitUntil([&] { return done; }, 5000);
        return result;
    };
    const auto tree = [](const QString& text) {
        int at = 0;
        return QVariantMap{{"data", QVariantMap{{"layers", layersOf(text, at)}}}};
    };
    struct Step { const char* tree; const char* shown; };
    const Step steps[] = {
        {"a[b[c] d] e", "a (b (c) d) e #5"},
        {"a e[f-]", "a e (f-) #3"},          // a loses its children, e gains some
        {"x[y[z[w]]] e", "x (y (z (w))) e #5"},
        {"p q r s", "p q r s #4"},            // every group goes
        {"", " #0"},
        {"a[b] c[d]", "a (b) c (d) #4"},
    };
    for (const Step& step : steps) {
        page.sendBridgeMethod(QStringLiteral("ui:layers"), tree(QString::fromLatin1(step.tree)));
        EXPECT_TRUE(testsupport::waitUntil([&] { return outline() == QLatin1String(step.shown); }, 5000))
            << step.tree << " shows " << outline().toStdString();
    }
}
