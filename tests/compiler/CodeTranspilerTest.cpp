// The compiler front driven through the real engine and the real compiler scripts.
#include "analysis/Scope.h"
#include "compiler/CodeTranspiler.h"
#include "compiler/CodeTranspilerDelegate.h"
#include "model/AST.h"
#include "model/CodeLines.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"

#include "StreamCapture.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// What one transpiler told the world: notifications and delegate calls, in order.
class Recorder : public QObject, public CodeTranspilerDelegate {
public:
    explicit Recorder(CodeTranspiler& transpiler)
        : m_transpiler(transpiler)
    {
        for (const QString& name : {CodeTranspiler::kTranspilationStart, CodeTranspiler::kTranspilationSuccessNotification,
                                    CodeTranspiler::kTranspilationFailureNotification, CodeTranspiler::kTranspilerIdleNotification})
            platform::NotificationCenter::defaultCenter().addObserver(
                name, &transpiler, [this](const platform::Notification& n) {
                    events << n.name;
                    userInfos << n.userInfo;
                },
                this);
        transpiler.setDelegate(this);
    }

    void transpilationStart(CodeTranspiler*, std::int64_t id) override
    {
        events << QStringLiteral("start:%1").arg(id);
        startedTexts << m_transpiler.hasPendingCoffeeScript();
    }
    void transpilationComplete(CodeTranspiler* t) override
    {
        events << QStringLiteral("complete");
        compiledJs << t->javaScript();
    }
    void transpilationFailed(CodeTranspiler*, const QVariantMap& failure) override
    {
        events << QStringLiteral("failed");
        failures << failure;
    }
    void transpilerIdle(CodeTranspiler*) override { events << QStringLiteral("idle"); }

    int count(const QString& event) const { return int(events.count(event)); }

    QStringList events;
    QList<QVariantMap> userInfos;
    QList<QVariantMap> failures;
    QStringList compiledJs;
    QList<bool> startedTexts;

private:
    CodeTranspiler& m_transpiler;
};

bool waitIdle(const CodeTranspiler& t, int timeoutMs = 60000)
{
    return testsupport::waitUntil([&] { return t.isIdle() && !t.hasPendingCoffeeScript(); }, timeoutMs);
}

// Whether the compile's tree has been read whole (it then takes the place of the one the compile
// delivered).
bool waitWholeTree(const CodeTranspiler& t)
{
    return testsupport::waitUntil([&] {
        const auto tree = std::dynamic_pointer_cast<AST>(t.ast());
        return tree && tree->parsedChildren();
    });
}

QString program()
{
    return testsupport::readFile(testsupport::fixturePath(QStringLiteral("compiler/app1000.coffee")));
}

// A resources folder whose "inferencer" is the given text (or missing), beside the real compiler.
class ScriptFolder {
public:
    explicit ScriptFolder(const std::optional<QString>& inferencer)
    {
        const QString real = platform::Bundle::main().resourcePath();
        QDir(m_dir.path()).mkpath(QStringLiteral("ZelvorTranspiler"));
        QFile::link(real + QStringLiteral("/ZelvorTranspiler/coffee-script.js"),
                    m_dir.path() + QStringLiteral("/ZelvorTranspiler/coffee-script.js"));
        if (inferencer) {
            QFile file(m_dir.path() + QStringLiteral("/ZelvorTranspiler/inferencer.js"));
            file.open(QIODevice::WriteOnly);
            file.write(inferencer->toUtf8());
        }
        m_previous = qEnvironmentVariable("ZELVOR_RESOURCES");
        qputenv("ZELVOR_RESOURCES", m_dir.path().toUtf8());
        platform::Bundle::main().reload();
    }
    ~ScriptFolder()
    {
        qputenv("ZELVOR_RESOURCES", m_previous.toUtf8());
        platform::Bundle::main().reload();
    }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

TEST(CodeTranspilerTest, StartsEmptyAndLoadsTheLibraryGlobals)
{
    CodeTranspiler transpiler;
    EXPECT_TRUE(transpiler.isIdle());
    EXPECT_EQ(transpiler.lastId(), -1);
    EXPECT_EQ(transpiler.lastSuccessfulId(), -1);
    EXPECT_FALSE(transpiler.isStale());
    EXPECT_EQ(transpiler.coffeeLines(), nullptr);
    EXPECT_TRUE(transpiler.javaScript().isEmpty());
    ASSERT_NE(transpiler.ast(), nullptr);
    EXPECT_EQ(transpiler.ast()->type(), QStringLiteral("Expressions"));
    EXPECT_EQ(transpiler.getTypeStringAt({0, 0}), QStringLiteral("?"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return transpiler.globals().has_value(); }));
    EXPECT_TRUE(transpiler.globals()->contains(QStringLiteral("Layer")));
}

// The syntax tree a compile delivers makes its nodes as they are asked; one read whole on a
// queue of its own takes its place soon after, so that the editor's first search of every node
// costs no more than the next one.
TEST(CodeTranspilerTest, TheTreeOfACompileIsSoonReadWhole)
{
    CodeTranspiler transpiler;
    for (const QString& text : {program(), QStringLiteral("a = new Layer\n"), program() + QStringLiteral("\nb = 2\n")}) {
        transpiler.transpileFromString(text);
        ASSERT_TRUE(waitIdle(transpiler));
        ASSERT_EQ(transpiler.lastSuccessfulId(), transpiler.lastId());
        ASSERT_TRUE(waitWholeTree(transpiler)) << "the tree was never read whole";
        // It is the tree of this compile, not of the one before.
        ASSERT_TRUE(transpiler.ast()->location());
        EXPECT_EQ(transpiler.ast()->location()->lastLine(), text.count(QLatin1Char('\n')));
    }
}

// The scope tree of a compile is made on the compiler's queues; its root must still know the
// library's globals, also when the compile started before they had come in.
TEST(CodeTranspilerTest, TheScopeOfACompileKnowsTheLibraryGlobals)
{
    CodeTranspiler early;
    early.transpileFromString(QStringLiteral("x = 1\n"));
    ASSERT_TRUE(waitIdle(early));
    CodeTranspiler later;
    ASSERT_TRUE(testsupport::waitUntil([&] { return later.globals().has_value(); }));
    later.transpileFromString(QStringLiteral("x = 1\n"));
    ASSERT_TRUE(waitIdle(later));
    for (const CodeTranspiler* transpiler : {&early, &later}) {
        ASSERT_EQ(transpiler->lastSuccessfulId(), transpiler->lastId());
        ASSERT_TRUE(transpiler->scope() && transpiler->scope()->globals());
        EXPECT_TRUE(transpiler->scope()->globals()->contains(QStringLiteral("Layer")));
        EXPECT_NE(transpiler->scope()->getVariableType(QStringLiteral("Layer")), nullptr);
    }
}

TEST(CodeTranspilerTest, RapidChangesCompileOnlyTheNewestText)
{
    CodeTranspiler transpiler;
    Recorder recorder(transpiler);
    transpiler.transpileFromString(QStringLiteral("first = 1\n"));
    transpiler.transpileFromString(QStringLiteral("second = 2\n"));
    CodeLines third(QStringLiteral("third = 3\n"));
    transpiler.transpileFromLines(third);
    EXPECT_FALSE(transpiler.isIdle());
    EXPECT_TRUE(transpiler.hasPendingCoffeeScript());
    ASSERT_TRUE(waitIdle(transpiler));

    EXPECT_EQ(recorder.events, (QStringList{CodeTranspiler::kTranspilationStart, QStringLiteral("start:0"),
                                            CodeTranspiler::kTranspilationSuccessNotification, QStringLiteral("complete"),
                                            CodeTranspiler::kTranspilerIdleNotification, QStringLiteral("idle")}));
    for (const QVariantMap& info : recorder.userInfos)
        EXPECT_TRUE(info.isEmpty());
    EXPECT_EQ(transpiler.lastId(), 0);
    EXPECT_EQ(transpiler.lastSuccessfulId(), 0);
    EXPECT_TRUE(transpiler.javaScript().startsWith(QStringLiteral("window.__zelvorClientCodeId = 0;(function() {")));
    EXPECT_TRUE(transpiler.javaScript().contains(QStringLiteral("third = 3;")));
    EXPECT_FALSE(transpiler.javaScript().contains(QStringLiteral("second")));
    ASSERT_NE(transpiler.coffeeLines(), nullptr);
    EXPECT_EQ(transpiler.coffeeLines()->code(), QStringLiteral("third = 3\n"));
    EXPECT_EQ(recorder.compiledJs, QStringList{transpiler.javaScript()});
}

TEST(CodeTranspilerTest, ChangesDuringACompileWaitAndOnlyTheLastOneFollows)
{
    CodeTranspiler transpiler;
    Recorder recorder(transpiler);
    transpiler.transpileFromString(program());
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder.count(QStringLiteral("start:0")) == 1; }));
    // The big program is compiling now; these two arrive during it.
    transpiler.transpileFromString(QStringLiteral("a = 'second'\n"));
    testsupport::spin(40); // past the debounce: the timer fires while the compile runs
    EXPECT_EQ(transpiler.lastId(), 0);
    transpiler.transpileFromString(QStringLiteral("a = 'third'\n"));
    EXPECT_TRUE(transpiler.hasPendingCoffeeScript());
    ASSERT_TRUE(waitIdle(transpiler));

    EXPECT_EQ(recorder.count(QStringLiteral("complete")), 2);
    EXPECT_EQ(recorder.count(QStringLiteral("idle")), 1);
    EXPECT_EQ(transpiler.lastId(), 1);
    EXPECT_TRUE(recorder.compiledJs.at(0).contains(QStringLiteral("Slider = (function(superClass)")));
    EXPECT_TRUE(transpiler.javaScript().startsWith(QStringLiteral("window.__zelvorClientCodeId = 1;")));
    EXPECT_TRUE(transpiler.javaScript().contains(QStringLiteral("a = 'third';")));
    EXPECT_GT(transpiler.duration(), 0.0);
}

TEST(CodeTranspilerTest, ASuccessKeepsTreeMapsAndInfoOfThatCompile)
{
    CodeTranspiler transpiler;
    QList<float> tracked;
    CodeTranspiler::setCompileTimeTracker([&](const QString& event, float ms) {
        EXPECT_EQ(event, QStringLiteral("app|compile|time"));
        tracked << ms;
    });
    transpiler.transpileFromString(QStringLiteral("x = 10\nwhile x > 0\n  x--\nlabel = \"n#{x}\"\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    CodeTranspiler::setCompileTimeTracker({});

    ASSERT_EQ(tracked.size(), 1);
    EXPECT_NEAR(tracked.first(), transpiler.duration() * 1000.0, 0.01);
    EXPECT_EQ(transpiler.ast()->type(), QStringLiteral("Block"));
    EXPECT_EQ(transpiler.ast()->location()->toString(), QStringLiteral("[0:0-4:0]"));
    ASSERT_EQ(transpiler.ast()->count(), 1); // the list of expressions
    EXPECT_EQ(transpiler.ast()->getChild(0)->label(), QStringLiteral("expressions"));
    EXPECT_EQ(transpiler.ast()->getChild(0)->count(), 3);
    EXPECT_EQ(transpiler.info().value(QStringLiteral("whiles")).toArray().size(), 1);
    EXPECT_TRUE(transpiler.sourceMap().value(QStringLiteral("lines")).isArray());
    EXPECT_TRUE(transpiler.v3SourceMap().contains(QStringLiteral("\"mappings\"")));

    // The deepest node under the interpolation's variable.
    const LocationPtr at = transpiler.coffeeLines()->locationForCharacterLocation(
        transpiler.coffeeLines()->code().indexOf(QStringLiteral("#{x}")) + 2);
    const ASTNodePtr node = transpiler.ast()->getAstAt(*at);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->type(), QStringLiteral("Literal"));
    EXPECT_EQ(node->data().value_or(QJsonValue()).toString(), QStringLiteral("x"));
}

TEST(CodeTranspilerTest, ACompileErrorIsPostedUnchangedAndLeavesTheLastSuccess)
{
    CodeTranspiler transpiler;
    Recorder recorder(transpiler);
    transpiler.transpileFromString(QStringLiteral("ok = 1\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    ASSERT_TRUE(waitWholeTree(transpiler));
    const QString js = transpiler.javaScript();
    const ASTNodePtr ast = transpiler.ast();

    transpiler.transpileFromString(QStringLiteral("ok = 1\nbroken = (\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    ASSERT_EQ(recorder.failures.size(), 1);
    const QVariantMap failure = recorder.failures.first();
    EXPECT_EQ(failure.value(QStringLiteral("message")).toString(), QStringLiteral("missing )"));
    const QVariantMap location = failure.value(QStringLiteral("location")).toMap();
    EXPECT_EQ(location.value(QStringLiteral("first_line")).toInt(), 1);
    EXPECT_EQ(location.value(QStringLiteral("first_column")).toInt(), 9);
    // The notification carries the same dictionary.
    EXPECT_EQ(recorder.userInfos.at(recorder.events.indexOf(CodeTranspiler::kTranspilationFailureNotification) / 2), failure);
    EXPECT_TRUE(recorder.events.contains(CodeTranspiler::kTranspilationFailureNotification));
    EXPECT_EQ(transpiler.lastId(), 1);
    EXPECT_EQ(transpiler.lastSuccessfulId(), 0);
    EXPECT_TRUE(transpiler.isStale());
    EXPECT_EQ(transpiler.javaScript(), js);
    EXPECT_EQ(transpiler.ast(), ast);
    EXPECT_EQ(transpiler.coffeeLines()->code(), QStringLiteral("ok = 1\n"));
}

TEST(CodeTranspilerTest, TwoTranspilersCompileAtTheSameTimeOnTheirOwnEngines)
{
    CodeTranspiler left;
    CodeTranspiler right;
    Recorder leftRecorder(left);
    Recorder rightRecorder(right);
    left.transpileFromString(program());
    right.transpileFromString(program() + QStringLiteral("\nonlyRight = 'right'\n"));
    ASSERT_TRUE(waitIdle(left));
    ASSERT_TRUE(waitIdle(right));
    EXPECT_EQ(leftRecorder.count(QStringLiteral("complete")), 1);
    EXPECT_EQ(rightRecorder.count(QStringLiteral("complete")), 1);
    EXPECT_FALSE(left.javaScript().contains(QStringLiteral("onlyRight")));
    EXPECT_TRUE(right.javaScript().contains(QStringLiteral("onlyRight = 'right';")));
    EXPECT_EQ(left.lastId(), 0);
    EXPECT_EQ(right.lastId(), 0);
}

TEST(CodeTranspilerTest, RepliesThatAreNotObjectsBecomeTheInvalidReplyRecord)
{
    ScriptFolder folder(QStringLiteral(
        "var replies = ['[1, 2]', '\"text\"'];"
        "var Inferencer = { getGlobals: function () { return {}; },"
        "  cs2js: function () { return JSON.parse(replies.shift() || '{\"js\": 1}'); } };"));
    CodeTranspiler transpiler;
    Recorder recorder(transpiler);
    for (int i = 0; i < 3; ++i) {
        transpiler.transpileFromString(QStringLiteral("x = %1\n").arg(i));
        ASSERT_TRUE(waitIdle(transpiler));
    }
    ASSERT_EQ(recorder.failures.size(), 3);
    const QStringList replies{QStringLiteral("[1,2]"), QStringLiteral("\"text\""), QStringLiteral("{\"js\":1}")};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(recorder.failures.at(i).value(QStringLiteral("lineNumber")), QVariant(QStringLiteral("-1")));
        EXPECT_EQ(recorder.failures.at(i).value(QStringLiteral("errorType")).toString(), QStringLiteral("Transpiler"));
        EXPECT_EQ(recorder.failures.at(i).value(QStringLiteral("message")).toString(),
                  QStringLiteral("Returned invalid JSON string: ") + replies.at(i));
    }
    EXPECT_EQ(transpiler.lastSuccessfulId(), -1);
    EXPECT_TRUE(transpiler.isStale());
}

TEST(CodeTranspilerTest, AReplyWithoutScopeStillSucceeds)
{
    ScriptFolder folder(QStringLiteral(
        "var Inferencer = { getGlobals: function () { return { Thing: 'Number' }; },"
        "  cs2js: function (code) { return { js: 'var a;', ast: { type: 'Block' }, info: {}, sourceMap: {},"
        "                                    v3SourceMap: '' }; } };"));
    CodeTranspiler transpiler;
    ASSERT_TRUE(testsupport::waitUntil([&] { return transpiler.globals().has_value(); }));
    EXPECT_TRUE(transpiler.globals()->contains(QStringLiteral("Thing")));
    transpiler.transpileFromString(QStringLiteral("a = 1\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    EXPECT_EQ(transpiler.lastSuccessfulId(), 0);
    EXPECT_EQ(transpiler.javaScript(), QStringLiteral("window.__zelvorClientCodeId = 0;var a;"));
}

// In two halves, the analysis hands the `new` nodes it found to the engine that generates the
// code before it writes its tree out; an analysis that fails hands none, and its error is the
// compile's.
TEST(CodeTranspilerTest, TheAnalysisHandsItsCreationsToTheCodeHalf)
{
    ScriptFolder folder(QStringLiteral(
        "var Inferencer = { getGlobals: function () { return {}; },"
        "  analyzeFirst: function (code) {"
        "    if (code.indexOf('broken') >= 0) return { error: { message: 'analysis broke', location: { first_line: 1, first_column: 2 } } };"
        "    return { creations: [{ type: 'Call', data: 'new', typeHash: '#' + code.length, location: '0:0' }] }; },"
        "  takeAnalysisParts: function () { return { ast: { type: 'Block' }, info: { whiles: [] } }; },"
        "  generate: function () { return true; },"
        "  takeGenerated: function (creations) { return ['var made = ' + JSON.stringify(creations) + ';', '{}']; } };"));
    CodeTranspiler transpiler;
    // The front learns that the script splits compiles from the engine, at the latest with the
    // reply to its first compile: this one may still go the single way, which the script lacks.
    transpiler.transpileFromString(QStringLiteral("warm = 1\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    Recorder recorder(transpiler);
    transpiler.transpileFromString(QStringLiteral("a = 1\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    ASSERT_EQ(recorder.compiledJs.size(), 1) << recorder.events.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(recorder.compiledJs.first().endsWith(
        QStringLiteral("var made = [{\"type\":\"Call\",\"data\":\"new\",\"typeHash\":\"#6\",\"location\":\"0:0\"}];")))
        << recorder.compiledJs.first().toStdString();

    transpiler.transpileFromString(QStringLiteral("broken\n"));
    ASSERT_TRUE(waitIdle(transpiler));
    ASSERT_EQ(recorder.failures.size(), 1);
    EXPECT_EQ(recorder.failures.first().value(QStringLiteral("message")).toString(), QStringLiteral("analysis broke"));
    EXPECT_EQ(transpiler.lastSuccessfulId(), 1);
}

TEST(CodeTranspilerTest, AMissingOrBrokenInferencerIsLoggedAndEveryCompileFails)
{
    for (const std::optional<QString>& script : {std::optional<QString>(), std::optional<QString>(QStringLiteral("var Inferencer = {;"))}) {
        ScriptFolder folder(script);
        StreamCapture log(STDERR_FILENO);
        StreamCapture out(STDOUT_FILENO);
        CodeTranspiler transpiler;
        Recorder recorder(transpiler);
        transpiler.transpileFromString(QStringLiteral("a = 1\n"));
        ASSERT_TRUE(waitIdle(transpiler));
        EXPECT_TRUE(log.text().contains(QStringLiteral("Failed to load TypeInferencer globals"))) << log.text().toStdString();
        EXPECT_FALSE(transpiler.globals().has_value());
        ASSERT_EQ(recorder.failures.size(), 1);
        EXPECT_EQ(recorder.failures.first().value(QStringLiteral("message")).toString(),
                  QStringLiteral("Returned invalid JSON string: "));
        EXPECT_TRUE(out.text().contains(QStringLiteral("Loaded bundled JavaScript file 'coffee-script'\n")));
        EXPECT_TRUE(out.text().contains(QStringLiteral("Object Inferencer not found\n")));
        EXPECT_EQ(out.text().contains(QStringLiteral("Loaded bundled JavaScript file 'inferencer'")), script.has_value());
    }
}

TEST(CodeTranspilerTest, LongTextsCompileWithoutTreeAndTypesAndTooLongOnesNotAtAll)
{
    CodeTranspiler transpiler;
    Recorder recorder(transpiler);
    QString longText;
    for (int n = 0; longText.size() <= CodeTranspiler::kAnalysisSizeLimit; ++n)
        longText += QStringLiteral("p%1 = new Layer x: %1, width: 5, height: 5\n").arg(n);
    transpiler.transpileFromString(longText);
    ASSERT_TRUE(waitIdle(transpiler));
    ASSERT_TRUE(recorder.failures.isEmpty());
    EXPECT_TRUE(transpiler.javaScript().contains(QStringLiteral("new Layer")));
    EXPECT_NE(transpiler.ast()->type(), QStringLiteral("Block")); // no tree

    QString tooLong(CodeTranspiler::kCompileSizeLimit + 1, QLatin1Char('#'));
    transpiler.transpileFromString(tooLong);
    ASSERT_TRUE(waitIdle(transpiler));
    ASSERT_EQ(recorder.failures.size(), 1);
    EXPECT_EQ(recorder.failures.first().value(QStringLiteral("message")).toString(),
              QStringLiteral("The program is too large to compile: 2.0 MB of text, the most is 2 MB"));
    EXPECT_TRUE(transpiler.isStale());
}

// Shapes of text a careless or hostile program can take. Each must end in a reply (a success or a
// failure with a message), never in a crash or a hang.
TEST(CodeTranspilerTest, HostileProgramShapesEndInAReply)
{
    QString oneLine = QStringLiteral("x = [");
    while (oneLine.size() < 1'000'000)
        oneLine += QStringLiteral("1, ");
    oneLine += QStringLiteral("1]");
    QString shortLines;
    for (int n = 0; n < 200'000; ++n)
        shortLines += QStringLiteral("a%1 = 1\n").arg(n % 10);
    const int depth = 5'000;
    const QString brackets = QStringLiteral("x = ") + QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']'));
    QString indented;
    for (int level = 0; level < depth; ++level)
        indented += QString(level, QLatin1Char(' ')) + QStringLiteral("if a\n");
    indented += QString(depth, QLatin1Char(' ')) + QStringLiteral("b = 1\n");

    const struct {
        const char* name;
        QString text;
    } shapes[] = {{"1 MB on one line", oneLine},
                  {"200,000 short lines", shortLines},
                  {"5,000 nested brackets", brackets},
                  {"5,000 levels of indentation", indented}};
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        CodeTranspiler transpiler;
        Recorder recorder(transpiler);
        transpiler.transpileFromString(shape.text);
        ASSERT_TRUE(waitIdle(transpiler, 120'000));
        EXPECT_EQ(recorder.count(QStringLiteral("complete")) + recorder.count(QStringLiteral("failed")), 1);
        for (const QVariantMap& failure : recorder.failures)
            EXPECT_FALSE(failure.value(QStringLiteral("message")).toString().isEmpty());
    }
}

TEST(CodeTranspilerTest, ATranspilerDestroyedMidCompileSendsNothingMore)
{
    QStringList seen;
    {
        auto transpiler = std::make_unique<CodeTranspiler>();
        platform::NotificationCenter::defaultCenter().addObserver(
            CodeTranspiler::kTranspilationSuccessNotification, nullptr,
            [&](const platform::Notification& n) { seen << n.name; }, transpiler.get());
        transpiler->transpileFromString(program());
        ASSERT_TRUE(testsupport::waitUntil([&] { return transpiler->lastId() == 0; }));
    }
    testsupport::spin(100);
    EXPECT_TRUE(seen.isEmpty());
}

} // namespace
