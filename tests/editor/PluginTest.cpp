// Plugins run in the hidden page over the whole text: their answer replaces it as one undoable
// edit, a failure leaves it as it was, and every bundled toolbar snippet yields code that
// compiles.

#include "EditorHarness.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "platform/Bundle.h"
#include "platform/FileUtils.h"
#include "support/TestSupport.h"

#include <QDir>

namespace {

class PluginTest : public EditorTest {
protected:
    // Runs the plugin and waits for its end; answers whether it changed the text.
    bool run(const QString& source)
    {
        bool finished = false;
        bool changed = false;
        controller->setPluginFinishedHandler([&](bool c) {
            finished = true;
            changed = c;
        });
        controller->runPlugin(source);
        EXPECT_TRUE(testsupport::waitUntil([&] { return finished; }, 20000)) << source.toStdString();
        controller->setPluginFinishedHandler({});
        return changed;
    }
};

} // namespace

TEST_F(PluginTest, APluginChangesTheWholeTextUndoably)
{
    controller->setContent("a = 1\nb = 2");
    EXPECT_TRUE(run("plugin.run = (code) ->\n\tcode.toUpperCase() + \"\\n# done\""));
    EXPECT_EQ(controller->content(), "A = 1\nB = 2\n# done");
    EXPECT_TRUE(alerts.isEmpty());
    // The same hidden page serves the next run.
    RBWebViewController* page = controller->pluginWebViewController();
    EXPECT_TRUE(run("plugin.run = (code) -> code.replace('# done', '# again')"));
    EXPECT_EQ(controller->pluginWebViewController(), page);
    EXPECT_EQ(controller->content(), "A = 1\nB = 2\n# again");
    controller->codeView()->textView()->undo();
    EXPECT_EQ(controller->content(), "A = 1\nB = 2\n# done");
}

TEST_F(PluginTest, AFailingPluginLeavesTheCodeAndShowsThePluginError)
{
    controller->setContent("x = 1");
    EXPECT_TRUE(run("plugin.run = (code) -> 'keep = \"this\"'"));
    const QString code = "keep = \"this\"";
    ASSERT_EQ(controller->content(), code);
    // A plugin that does not compile must not leave the last plugin to run again.
    EXPECT_FALSE(run("plugin.run = (code) ->\n  if if"));
    EXPECT_EQ(controller->content(), code);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Plugin error: ")) << alerts[0].toStdString();
    alerts.clear();

    EXPECT_FALSE(run("plugin.run = (code) -> throw new Error('no way')"));
    EXPECT_EQ(controller->content(), code);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith("Plugin error: ")) << alerts[0].toStdString();
    EXPECT_TRUE(alerts[0].contains("no way")) << alerts[0].toStdString();

    // A plugin that answers no text, and an unreadable file.
    EXPECT_FALSE(run("plugin.run = (code) -> 42"));
    EXPECT_FALSE(run(QString()));
    EXPECT_EQ(controller->content(), code);
    ASSERT_EQ(alerts.size(), 3);
    for (const QString& alert : alerts)
        EXPECT_TRUE(alert.startsWith("Plugin error: ")) << alert.toStdString();
}

TEST_F(PluginTest, EditsMadeWhileAPluginRunsAreKept)
{
    controller->setContent("a = 1");
    bool finished = false;
    controller->setPluginFinishedHandler([&](bool) { finished = true; });
    controller->runPlugin("plugin.run = (code) -> code + '\\n# plugin'");
    controller->replaceAllText("a = 2"); // typed before the hidden page answers
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished; }, 20000));
    EXPECT_EQ(controller->content(), "a = 2");
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("changed while the plugin ran")) << alerts[0].toStdString();
}

TEST_F(PluginTest, EveryToolbarAndUserSnippetAddsCodeThatCompiles)
{
    QStringList files;
    for (const QString& folder : {QStringLiteral("ToolbarSnippets"), QStringLiteral("UserSnippets")}) {
        const QDir dir(QDir(platform::Bundle::main().resourcePath()).filePath(folder));
        for (const QString& name : dir.entryList({"*.coffee"}, QDir::Files))
            files << dir.filePath(name);
    }
    ASSERT_GE(files.size(), 5);
    const QString start = "card1 = new Layer\n    width: 10   \n";
    for (const QString& file : files) {
        controller->setContent(start);
        ASSERT_TRUE(testsupport::waitUntil([&] { return controller->transpiler()->isIdle(); }));
        EXPECT_TRUE(run(platform::readTextFile(file))) << file.toStdString();
        EXPECT_TRUE(alerts.isEmpty()) << file.toStdString() << alerts.join("\n").toStdString();
        alerts.clear();
        const int failures = preview->failures;
        const int successes = preview->successes;
        ASSERT_TRUE(waitForCompile(failures, successes)) << file.toStdString();
        testsupport::waitUntil([&] { return controller->transpiler()->isIdle(); });
        EXPECT_FALSE(controller->transpiler()->isStale())
            << file.toStdString() << "\n" << controller->content().toStdString();
        // A second run must not reuse the first one's names.
        if (QFileInfo(file).path().endsWith("ToolbarSnippets")) {
            const QString once = controller->content();
            EXPECT_TRUE(run(platform::readTextFile(file)));
            EXPECT_TRUE(controller->content().startsWith(once.trimmed()));
            EXPECT_GT(controller->content().size(), once.size());
        }
    }
}
