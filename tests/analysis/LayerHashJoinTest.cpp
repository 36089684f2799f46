// The layers of a prototype carry the type hash of the `new` that made them: a program compiled
// by the application's compiler front runs in the preview page, and the page's layer list names
// the same hashes as the syntax tree of that compile.
#include "compiler/CodeTranspiler.h"
#include "model/AST_OrArray.h"
#include "platform/NotificationCenter.h"

#include "preview/RuntimePage.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

#include <gtest/gtest.h>

namespace {

QJsonObject iphone6s()
{
    return QJsonObject{{"deviceType", "apple-iphone-6s-silver"}, {"deviceScale", ""}, {"contentScale", ""},
                       {"orientation", ""}, {"selectedHand", ""}};
}

// Every `new` of the tree, by the 0-based line it starts on.
QMap<int, ASTNodePtr> newNodesByLine(const ASTNodePtr& root)
{
    QMap<int, ASTNodePtr> found;
    QList<ASTNodePtr> stack{root};
    while (!stack.isEmpty()) {
        const ASTNodePtr node = stack.takeLast();
        const auto data = node->data();
        if ((node->type() == "Call" || node->type() == "Op") && data && data->toString() == "new")
            found.insert(node->location()->firstLine(), node);
        for (qsizetype i = 0; i < node->count(); ++i)
            if (ASTNodePtr child = node->getChild(i))
                stack.append(child);
    }
    return found;
}

// name -> hash of every layer in the page's layer list.
QMap<QString, QString> hashesByName(const QJsonArray& layers)
{
    QMap<QString, QString> out;
    for (const QJsonValue& value : layers) {
        const QJsonObject layer = value.toObject();
        out.insert(layer["name"].toString(), layer["hash"].toString());
        out.insert(hashesByName(layer["children"].toArray()));
    }
    return out;
}

class LayerHashJoin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.load()) << "the page did not load"; }

    // Compiles through the compiler front as the editor does and waits for the result.
    bool compile(const QString& code)
    {
        bool done = false;
        bool succeeded = false;
        auto& center = platform::NotificationCenter::defaultCenter();
        auto ok = center.addObserver(CodeTranspiler::kTranspilationSuccessNotification, &transpiler,
                                     [&](const platform::Notification&) { done = succeeded = true; });
        auto failed = center.addObserver(CodeTranspiler::kTranspilationFailureNotification, &transpiler,
                                         [&](const platform::Notification&) { done = true; });
        transpiler.transpileFromString(code);
        testsupport::waitUntil([&] { return done; }, 20000);
        center.removeObserver(ok);
        center.removeObserver(failed);
        return succeeded;
    }

    QMap<QString, QString> pageHashes()
    {
        const RuntimePage::Message message = page.waitForMessage("ui:layers");
        return hashesByName(message.arguments.toObject()["data"].toObject()["layers"].toArray());
    }

    CodeTranspiler transpiler;
    RuntimePage page{iphone6s()};
};

} // namespace

TEST_F(LayerHashJoin, EachLayerCarriesTheHashOfTheNewThatMadeIt)
{
    const QString code = testsupport::readFile(testsupport::fixturePath("analysis/layer-origins.coffee"));
    ASSERT_TRUE(compile(code));
    const QMap<int, ASTNodePtr> news = newNodesByLine(transpiler.ast());
    const QStringList lines = code.split('\n');
    const auto hashOfNewOnLine = [&](const QString& text) -> QString {
        const int line = int(lines.indexOf(text));
        const ASTNodePtr node = news.value(line);
        return node && node->typeHash() ? *node->typeHash() : QString();
    };
    const QString boxHash = hashOfNewOnLine("box = new Layer");
    const QString cardHash = hashOfNewOnLine("card = new Card");
    const QString dotHash = hashOfNewOnLine("  new Layer name: \"dot#{n}\", width: 10, height: 10");
    ASSERT_TRUE(boxHash.startsWith('#') && cardHash.startsWith('#') && dotHash.startsWith('#'));
    EXPECT_NE(boxHash, cardHash);
    EXPECT_NE(boxHash, dotHash);

    page.takeMessages();
    page.run(transpiler.javaScript());
    const QMap<QString, QString> hashes = pageHashes();
    EXPECT_EQ(hashes.value("box"), boxHash);
    // Made through its subclass's constructor: the `new Card`, not the call of the parent's.
    EXPECT_EQ(hashes.value("card"), cardHash);
    // One `new` run twice: both layers point at it.
    EXPECT_EQ(hashes.value("dot1"), dotHash);
    EXPECT_EQ(hashes.value("dot2"), dotHash);
    EXPECT_EQ(page.eval("Layer.select('box').typeHash").toString(), boxHash);

    // The editor dims by that hash: it finds the `new` and the later uses of the variable.
    const QList<ASTNodePtr> boxNodes = transpiler.ast()->getNodesWithTypeHash(boxHash);
    int usesAfterCreation = 0;
    for (const ASTNodePtr& node : boxNodes)
        usesAfterCreation += node->location()->firstLine() == lines.indexOf("box.on Events.Click, -> box.x += 1") ? 1 : 0;
    EXPECT_GT(usesAfterCreation, 0);

    // The compiler front shows the same layer type at a later use of the variable.
    const qsizetype use = code.indexOf("box.on Events.Click");
    EXPECT_TRUE(transpiler.getTypeStringAt(platform::TextRange{use + 1, 0}).startsWith("layer "));
}

TEST_F(LayerHashJoin, HashesFollowEditsAndDoNotOutliveTheirProgram)
{
    // Lines added above move the JavaScript of the `new`: the table moves with it.
    ASSERT_TRUE(compile("a = new Layer name: 'a'\n"));
    page.run(transpiler.javaScript());
    const QString first = pageHashes().value("a");
    ASSERT_TRUE(compile("x = 1\ny = 2\n\nb = new Layer name: 'b'\na = new Layer name: 'a'\n"));
    const QString expected = *newNodesByLine(transpiler.ast()).value(4)->typeHash();
    page.takeMessages();
    page.run(transpiler.javaScript());
    const QMap<QString, QString> hashes = pageHashes();
    EXPECT_EQ(hashes.value("a"), expected);
    EXPECT_NE(hashes.value("b"), hashes.value("a"));
    EXPECT_FALSE(first.isEmpty());

    // A program without a table (compiled without inference) starts from an empty one: its
    // layers fall back to their position in the JavaScript.
    const QString bare = RuntimePage::compile("a = new Layer name: 'a'\n");
    ASSERT_FALSE(bare.contains("typeHashes"));
    page.takeMessages();
    page.run(bare);
    EXPECT_TRUE(pageHashes().value("a").startsWith("#js:"));
}

TEST_F(LayerHashJoin, CompiledProgramRunsWhereNoRuntimeIsLoaded)
{
    // The same JavaScript goes to mirrored devices and tools that have no studio runtime: the
    // table must not break it there.
    ASSERT_TRUE(compile("n = 0\nclass Thing\n  constructor: -> n += 1\nt = new Thing\nwindow.madeThings = n\n"));
    ASSERT_TRUE(transpiler.javaScript().contains("typeHashes"));
    page.eval("(function(){ window.__saved = window.ZelvorStudio; window.ZelvorStudio = undefined; return 0; })()");
    page.eval(QStringLiteral("(function(){ %1; return 0; })()").arg(transpiler.javaScript()));
    page.eval("(function(){ window.ZelvorStudio = window.__saved; return 0; })()");
    EXPECT_EQ(page.eval("window.madeThings").toInt(), 1);
}
