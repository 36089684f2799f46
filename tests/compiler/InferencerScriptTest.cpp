// The two compiler scripts of the resources, run in the real engine: the reply contract of
// Inferencer.cs2js and Inferencer.getGlobals.
#include "compiler/V8Wrapper.h"
#include "model/SourceMap.h"
#include "platform/Bundle.h"

#include "StreamCapture.h"
#include "support/JsonTextIndex.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString script(const QString& name)
{
    return testsupport::readFile(platform::Bundle::main().pathForResource(name, QStringLiteral("js"),
                                                                          QStringLiteral("ZelvorTranspiler")));
}

QJsonObject parseObject(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// Every node of the tree, depth first, with the child-key convention of the reply.
void walk(const QJsonValue& value, const std::function<void(const QJsonObject&)>& visit)
{
    if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            walk(item, visit);
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject node = value.toObject();
    visit(node);
    for (const QJsonValue& key : node.value(QStringLiteral("children")).toArray())
        walk(node.value(key.toString()), visit);
}

class InferencerScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString compiler = script(QStringLiteral("coffee-script"));
        const QString inferencer = script(QStringLiteral("inferencer"));
        ASSERT_FALSE(compiler.isEmpty());
        ASSERT_FALSE(inferencer.isEmpty());
        v8.evaluate(compiler);
        v8.evaluate(inferencer);
    }

    QJsonObject cs2js(const QString& code)
    {
        const QJsonArray args{code, QJsonObject{{QStringLiteral("sourceMap"), true}},
                              QJsonObject{{QStringLiteral("returnScope"), true}, {QStringLiteral("returnAST"), true},
                                          {QStringLiteral("returnGlobals"), false}}};
        return parseObject(v8.invoke(QStringLiteral("cs2js"), QStringLiteral("Inferencer"),
                                     QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact))));
    }

    StreamCapture out;
    V8Wrapper v8{out.file()};
};

TEST_F(InferencerScriptTest, PublishedGlobalsDescribeEveryTypeTheyName)
{
    // What the page's library defines is checked against these descriptions in the page itself;
    // here, what the engine publishes must be whole: every "@Type" a description names (member,
    // parameter, answer, base or element type) is described too, so that completion never
    // reaches a type it cannot show.
    const QJsonObject globals = parseObject(v8.invoke(QStringLiteral("getGlobals"), QStringLiteral("Inferencer"), QStringLiteral("[]")));
    ASSERT_TRUE(globals.contains(QStringLiteral("Layer")) && globals.contains(QStringLiteral("@Layer")));
    QStringList undescribed;
    std::function<void(const QJsonValue&, const QString&)> visit = [&](const QJsonValue& value, const QString& where) {
        if (value.isString()) {
            const QString name = value.toString();
            if (name.startsWith(QLatin1Char('@')) && !globals.contains(name))
                undescribed << where + QStringLiteral(" names ") + name;
        } else if (value.isArray()) {
            for (const QJsonValue& item : value.toArray())
                visit(item, where);
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (it.key() != QLatin1String("annotations")) // documentation texts, not types
                    visit(it.value(), where + QLatin1Char('.') + it.key());
            }
        }
    };
    for (auto it = globals.begin(); it != globals.end(); ++it)
        visit(it.value(), it.key());
    EXPECT_EQ(undescribed, QStringList());
}

TEST_F(InferencerScriptTest, ALargeProgramCompilesRunsAndMapsBack)
{
    QString code = testsupport::readFile(testsupport::fixturePath(QStringLiteral("compiler/app1000.coffee")));
    ASSERT_GT(code.count(QLatin1Char('\n')), 1000);
    code += QStringLiteral("this.summaryText = JSON.stringify summary\n");
    const QJsonObject reply = cs2js(code);
    ASSERT_FALSE(reply.contains(QStringLiteral("error"))) << reply.value(QStringLiteral("error")).toObject()
                                                                  .value(QStringLiteral("message")).toString().toStdString();
    for (const char* key : {"ast", "info", "sourceMap", "scope"})
        EXPECT_TRUE(reply.value(QLatin1String(key)).isObject()) << key;
    EXPECT_TRUE(reply.value(QStringLiteral("v3SourceMap")).isString());
    EXPECT_EQ(QJsonDocument::fromJson(reply.value(QStringLiteral("v3SourceMap")).toString().toUtf8())
                  .object().value(QStringLiteral("version")).toInt(), 3);

    // The JavaScript runs, with the same results the program computes anywhere.
    const QString js = reply.value(QStringLiteral("js")).toString();
    StreamCapture runOut;
    V8Wrapper runner(runOut.file());
    runner.evaluate(js);
    const QJsonObject summary = parseObject(parseObject(QStringLiteral("{\"s\":%1}").arg(runner.evaluate(QStringLiteral("summaryText"))))
                                                .value(QStringLiteral("s")).toString());
    EXPECT_EQ(summary.value(QStringLiteral("lines")).toInt(), 36);
    EXPECT_EQ(summary.value(QStringLiteral("layers")).toInt(), 189);
    EXPECT_EQ(summary.value(QStringLiteral("first")).toString(), QStringLiteral("Card 2 4 0/2/4 223 88 20 some"));

    // The tree covers the program and names the constructs the readers look for.
    const QJsonObject ast = reply.value(QStringLiteral("ast")).toObject();
    EXPECT_EQ(ast.value(QStringLiteral("type")).toString(), QStringLiteral("Block"));
    EXPECT_TRUE(ast.value(QStringLiteral("location")).toString().startsWith(QStringLiteral("0:0-10")));
    const QStringList lines = code.split(QLatin1Char('\n'));
    QSet<QString> types;
    int classesAtTheirLine = 0;
    walk(ast, [&](const QJsonObject& node) {
        const QString type = node.value(QStringLiteral("type")).toString();
        types.insert(type);
        if (type == QStringLiteral("Class")) {
            const int line = node.value(QStringLiteral("location")).toString().section(QLatin1Char(':'), 0, 0).toInt();
            classesAtTheirLine += lines.value(line).startsWith(QStringLiteral("class ")) ? 1 : 0;
        }
        if (type == QStringLiteral("Literal")) {
            EXPECT_TRUE(node.contains(QStringLiteral("data")));
        }
    });
    for (const char* type : {"Class", "For", "StringWithInterpolations", "Code", "Call", "Assign", "Value", "Obj", "Switch"})
        EXPECT_TRUE(types.contains(QLatin1String(type))) << type;
    EXPECT_EQ(classesAtTheirLine, 20); // Emitter, Layer and 18 components

    // The line map sends the JavaScript of a class back to the class's CoffeeScript line.
    const QStringList jsLines = js.split(QLatin1Char('\n'));
    const int jsLine = int(jsLines.indexOf(QStringLiteral("  Slider = (function(superClass) {")));
    ASSERT_GE(jsLine, 0);
    const QJsonArray columns = reply.value(QStringLiteral("sourceMap")).toObject().value(QStringLiteral("lines"))
                                   .toArray().at(jsLine).toObject().value(QStringLiteral("columns")).toArray();
    QJsonObject mapped;
    for (const QJsonValue& column : columns)
        if (column.isObject()) {
            mapped = column.toObject();
            break;
        }
    EXPECT_EQ(lines.value(mapped.value(QStringLiteral("sourceLine")).toInt()), QStringLiteral("class Slider extends Layer"));
}

// The reply's line map leaves out what the compiler's own map repeats, and the map made from the
// version 3 map is decoded anew; a lookup must notice neither.
TEST_F(InferencerScriptTest, TheLineMapAnswersEveryPositionAsTheCompilersOwnMapDoes)
{
    const QString code = testsupport::readFile(testsupport::fixturePath(QStringLiteral("compiler/app1000.coffee")));
    const QJsonObject reply = cs2js(code);
    ASSERT_TRUE(reply.value(QStringLiteral("sourceMap")).isObject());
    const QJsonObject replyMap = reply.value(QStringLiteral("sourceMap")).toObject();
    v8.evaluate(QStringLiteral("var testProgram = %1[0];")
                    .arg(QString::fromUtf8(QJsonDocument(QJsonArray{code}).toJson(QJsonDocument::Compact))));
    const QJsonObject compilerMap
        = parseObject(v8.evaluate(QStringLiteral("CoffeeScript.compile(testProgram, {sourceMap: true}).sourceMap")));
    ASSERT_TRUE(compilerMap.value(QStringLiteral("lines")).isArray());
    // What a reply in two halves leaves to its reader: the map made from the version 3 map.
    const QJsonObject v3Map = SourceMap::fromV3(reply.value(QStringLiteral("v3SourceMap")).toString().toUtf8());
    ASSERT_TRUE(v3Map.value(QStringLiteral("lines")).isArray());

    const QStringList jsLines = reply.value(QStringLiteral("js")).toString().split(QLatin1Char('\n'));
    int mapped = 0;
    for (qint64 line = 0; line <= jsLines.size() + 1; ++line) {
        const qint64 width = line >= 1 && line <= jsLines.size() ? jsLines.at(line - 1).size() : 3;
        for (qint64 column = 0; column <= width + 2; ++column) {
            const LocationPtr expected = SourceMap::jsToCoffeeLocation(compilerMap, line, column);
            const LocationPtr actual = SourceMap::jsToCoffeeLocation(replyMap, line, column);
            ASSERT_EQ(actual->toString(), expected->toString()) << "JavaScript " << line << ":" << column;
            ASSERT_EQ(SourceMap::jsToCoffeeLocation(v3Map, line, column)->toString(), expected->toString())
                << "version 3 map, JavaScript " << line << ":" << column;
            mapped += expected->firstLine() >= 0 ? 1 : 0;
        }
    }
    EXPECT_GT(mapped, 10000);
}

// Two engines make a compile in two halves; joined, they must answer what one cs2js answers.
TEST_F(InferencerScriptTest, TheTwoHalvesOfACompileMakeTheReplyOfCs2js)
{
    StreamCapture halfOut;
    V8Wrapper other(halfOut.file());
    other.evaluate(script(QStringLiteral("coffee-script")));
    other.evaluate(script(QStringLiteral("inferencer")));
    const QString program = testsupport::readFile(testsupport::fixturePath(QStringLiteral("compiler/app1000.coffee")));
    const QJsonObject options{{QStringLiteral("sourceMap"), true}};
    const QJsonObject optionsEx{{QStringLiteral("returnScope"), true}, {QStringLiteral("returnAST"), true}};
    auto json = [](const QJsonArray& array) { return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)); };
    for (const QString& code : {program, QStringLiteral("a = 1\r\nb = new Layer\r\n"), QStringLiteral("x = (\n"),
                                QStringLiteral("f = ->\n  return\n  yield 1\n"), QString()}) {
        QJsonObject whole = cs2js(code);
        const QJsonObject analysis = parseObject(other.invoke(QStringLiteral("analyze"), QStringLiteral("Inferencer"),
                                                              json({code, options, optionsEx})));
        const QString started = v8.invoke(QStringLiteral("generate"), QStringLiteral("Inferencer"), json({code, options}));
        if (whole.contains(QStringLiteral("error"))) {
            EXPECT_EQ(parseObject(started), whole) << code.toStdString();
            continue;
        }
        ASSERT_EQ(started, QStringLiteral("true")) << code.toStdString();
        const QJsonArray creations{analysis.value(QStringLiteral("creations"))};
        QByteArray notTexts;
        const std::optional<QStringList> texts = v8.invokeForTexts(QStringLiteral("takeGenerated"), QStringLiteral("Inferencer"),
                                                                   json(creations), notTexts);
        ASSERT_TRUE(texts && texts->size() == 2) << notTexts.constData();
        QJsonObject joined{{QStringLiteral("js"), texts->at(0)}, {QStringLiteral("v3SourceMap"), texts->at(1)}};
        for (auto it = analysis.begin(); it != analysis.end(); ++it)
            if (it.key() != QLatin1String("creations"))
                joined.insert(it.key(), it.value());
        EXPECT_FALSE(joined.contains(QStringLiteral("sourceMap")));
        whole.remove(QStringLiteral("sourceMap"));
        EXPECT_EQ(joined, whole) << code.left(40).toStdString();
    }
    // The layer table of a program that makes layers travels through the creations.
    EXPECT_TRUE(cs2js(QStringLiteral("b = new Layer\n")).value(QStringLiteral("js")).toString().contains(QStringLiteral("typeHashes")));
    // Code is generated once per generate; what is not two texts comes as JSON.
    QByteArray reply;
    EXPECT_FALSE(v8.invokeForTexts(QStringLiteral("takeGenerated"), QStringLiteral("Inferencer"), QStringLiteral("[null]"), reply));
    EXPECT_TRUE(parseObject(QString::fromUtf8(reply)).contains(QStringLiteral("error")));
}

TEST_F(InferencerScriptTest, ASyntaxErrorAnswersTheCompilersMessageAndZeroBasedStart)
{
    QJsonObject error = cs2js(QStringLiteral("a = 1\nb = 2\nc = )\n")).value(QStringLiteral("error")).toObject();
    EXPECT_EQ(error.value(QStringLiteral("message")).toString(), QStringLiteral("unmatched )"));
    EXPECT_EQ(error.value(QStringLiteral("location")).toObject().value(QStringLiteral("first_line")).toInt(-1), 2);
    EXPECT_EQ(error.value(QStringLiteral("location")).toObject().value(QStringLiteral("first_column")).toInt(-1), 4);

    error = cs2js(QStringLiteral("x = (\n")).value(QStringLiteral("error")).toObject();
    EXPECT_EQ(error.value(QStringLiteral("message")).toString(), QStringLiteral("missing )"));
    EXPECT_EQ(error.value(QStringLiteral("location")).toObject().value(QStringLiteral("first_line")).toInt(-1), 0);
    EXPECT_EQ(error.value(QStringLiteral("location")).toObject().value(QStringLiteral("first_column")).toInt(-1), 4);

    // Errors found while generating code (not parsing) carry their position too.
    error = cs2js(QStringLiteral("f = ->\n  return\n  yield 1\nclass A\n  constructor: => 1\n")).value(QStringLiteral("error")).toObject();
    EXPECT_FALSE(error.value(QStringLiteral("message")).toString().isEmpty());
    EXPECT_TRUE(error.value(QStringLiteral("location")).toObject().value(QStringLiteral("first_line")).isDouble());
}

TEST_F(InferencerScriptTest, InfoListsWhileLoopsOnly)
{
    const QJsonObject reply = cs2js(QStringLiteral("x = 3\nfor i in [1..2]\n  x++\nwhile x > 0\n  x--\nloop\n  break\n"));
    const QJsonArray whiles = reply.value(QStringLiteral("info")).toObject().value(QStringLiteral("whiles")).toArray();
    ASSERT_EQ(whiles.size(), 2);
    EXPECT_EQ(whiles.at(0).toObject().value(QStringLiteral("location")).toString(), QStringLiteral("3:0-3:10"));
    EXPECT_EQ(whiles.at(1).toObject().value(QStringLiteral("location")).toString().section(QLatin1Char(':'), 0, 0),
              QStringLiteral("5"));
    EXPECT_TRUE(cs2js(QStringLiteral("y = 1\n")).value(QStringLiteral("info")).toObject()
                    .value(QStringLiteral("whiles")).toArray().isEmpty());
}

TEST_F(InferencerScriptTest, EmptyProgramsAndFailingInferenceStillCompile)
{
    const QJsonObject empty = cs2js(QString());
    EXPECT_FALSE(empty.contains(QStringLiteral("error")));
    EXPECT_EQ(empty.value(QStringLiteral("ast")).toObject().value(QStringLiteral("location")).toString(), QStringLiteral("0:0-0:0"));
    EXPECT_TRUE(empty.value(QStringLiteral("scope")).toObject().value(QStringLiteral("vars")).isObject());

    v8.evaluate(QStringLiteral("Inferencer.inferScope = function () { throw new Error('inference broke'); };"));
    const QJsonObject reply = cs2js(QStringLiteral("a = 1\n"));
    EXPECT_FALSE(reply.contains(QStringLiteral("error")));
    EXPECT_TRUE(reply.value(QStringLiteral("js")).toString().contains(QStringLiteral("a = 1;")));
    EXPECT_EQ(reply.value(QStringLiteral("scope")).toObject().value(QStringLiteral("inferenceError")).toString(),
              QStringLiteral("inference broke"));
}

// Inference reads the compiler's nodes through the tree's JSON nodes while it runs: none of them
// may reach the written tree, also when inference fails halfway (here at a global that cannot
// be read).
TEST_F(InferencerScriptTest, NoCompilerNodeIsWrittenIntoTheTree)
{
    const QString program = QStringLiteral("for item in [1, 2]\n  a = item\nb = Broken\nc = \"s\"\n");
    const QString slot = v8.evaluate(QStringLiteral("Inferencer.COMPILER_NODE")).remove(QLatin1Char('"'));
    ASSERT_FALSE(slot.isEmpty());
    for (bool failing : {false, true}) {
        if (failing)
            v8.evaluate(QStringLiteral("Inferencer.setGlobals(Object.defineProperty({}, 'Broken', {enumerable: true,"
                                       " get: function () { throw new Error('unreadable'); }}));"));
        const QJsonObject reply = cs2js(program);
        ASSERT_TRUE(reply.contains(QStringLiteral("ast"))) << failing;
        EXPECT_EQ(reply.value(QStringLiteral("scope")).toObject().contains(QStringLiteral("inferenceError")), failing);
        int literals = 0;
        walk(reply.value(QStringLiteral("ast")), [&](const QJsonObject& node) {
            literals += node.value(QStringLiteral("type")).toString() == QStringLiteral("Literal");
            EXPECT_FALSE(node.contains(slot)) << failing;
        });
        EXPECT_GT(literals, 4);
    }
}

// The front writes a compile's tree from the tree writer's records rather than having the engine
// write it with JSON.stringify: the text must be the one JSON.stringify makes, byte for byte,
// whatever the program holds; a tree the records cannot say comes whole.
TEST_F(InferencerScriptTest, TheTreeWrittenFromItsRecordsIsTheTextJsonStringifyMakes)
{
    const QString app = testsupport::readFile(testsupport::fixturePath(QStringLiteral("compiler/app1000.coffee")));
    const QString classes = QStringLiteral(
        "class A extends B\n  constructor: (@x, y = 2) ->\n    super()\n  m: => @x?.y?[0]\n"
        "s = \"\"\"\n  heredoc #{1 + 2} \"q\" \\t \\\\ \\u0001\n\"\"\"\nr = /ab+c/g\n### block\ncomment ###\n"
        "f = (a...) -> a\nfor k, v of {a: 1}\n  console.log k\nwhile false then 1\n"
        "switch x\n  when 1 then 'a'\n  else 'b'\ntry\n  throw new Error \"x\"\ncatch e\n  e\nfinally\n  null\n"
        "[a, b] = [1, 2]\n{c, d} = {c: 1, d: 2}\n");
    // Big enough a tree for its values to come in pieces, written out on another thread.
    QString big;
    for (int n = 0; n < 600; ++n)
        big += QStringLiteral("o%1 = {name: \"n%1\", value: %1, nested: {a: 1, b: [1, 2, 3]}}\n").arg(n);
    const struct {
        QString code;
        bool recorded;
    } programs[] = {
        {app, true},
        {big, true},
        {classes, true},
        // The editor's lines differ from the compiler's; texts beyond ASCII, a lone surrogate.
        {QStringLiteral("a = 1\r\nb = new Layer\r\n  x: 1\r\nc = \"\u2028 \u00e9 \U0001F600\"\n"), true},
        {QStringLiteral("\uFEFFx = \"bom\"\ny = new   Layer()\n"), true},
        {QStringLiteral("o = new Layer\n  image: \"") + QChar(0xD800) + QStringLiteral(" lone\"\n"), true},
        // The compiler parses these to no tree, or to its error: the reply comes whole.
        {QStringLiteral("# only a comment\n"), false},
        {QString(), false},
        {QStringLiteral("x = (\n"), false},
    };
    for (const auto& program : programs) {
        const QJsonArray arguments{program.code, QJsonObject{{QStringLiteral("sourceMap"), true}},
                                   QJsonObject{{QStringLiteral("returnScope"), true}, {QStringLiteral("returnAST"), true}}};
        const QString args = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
        const QString label = program.code.left(30);
        v8.invoke(QStringLiteral("analyzeFirst"), QStringLiteral("Inferencer"), args);
        EXPECT_EQ(v8.evaluate(QStringLiteral("Array.isArray(Inferencer.takeAnalysisParts())")),
                  program.recorded ? QStringLiteral("true") : QStringLiteral("false")) << label.toStdString();
        v8.invoke(QStringLiteral("analyzeFirst"), QStringLiteral("Inferencer"), args);
        std::shared_ptr<const JsonText> indexed;
        const QByteArray written = v8.invokeForAnalysis(QStringLiteral("takeAnalysisParts"), QStringLiteral("Inferencer"),
                                                        QStringLiteral("[]"), indexed);
        v8.invoke(QStringLiteral("analyzeFirst"), QStringLiteral("Inferencer"), args);
        const QByteArray stringified = v8.invokeUtf8(QStringLiteral("takeAnalysis"), QStringLiteral("Inferencer"), QStringLiteral("[]"));
        ASSERT_FALSE(stringified.isEmpty()) << label.toStdString();
        EXPECT_EQ(written, stringified) << label.toStdString();
        // The tree whole, its location texts given after the analysis, is the one cs2js makes.
        EXPECT_EQ(QJsonDocument::fromJson(stringified).object().value(QStringLiteral("ast")),
                  cs2js(program.code).value(QStringLiteral("ast")))
            << label.toStdString();
        // The index that the writer kept is the one a reading of the text makes.
        EXPECT_EQ(bool(indexed), program.recorded) << label.toStdString();
        if (indexed) {
            EXPECT_TRUE(testsupport::sameIndex(*indexed, *JsonText::make(stringified))) << label.toStdString();
        }
    }
}

TEST_F(InferencerScriptTest, TreeNodesCarryTheirKindsData)
{
    const QJsonObject ast = cs2js(QStringLiteral("a = new Layer(x: 1)\nb = a? and not a.hidden\n")).value(QStringLiteral("ast")).toObject();
    QStringList seen;
    walk(ast, [&](const QJsonObject& node) {
        const QString type = node.value(QStringLiteral("type")).toString();
        if (type == QStringLiteral("Call") || type == QStringLiteral("Op") || type == QStringLiteral("Literal"))
            seen << type + QLatin1Char('=') + node.value(QStringLiteral("data")).toString();
    });
    EXPECT_TRUE(seen.contains(QStringLiteral("Call=new"))) << seen.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("Literal=Layer")));
    EXPECT_TRUE(seen.contains(QStringLiteral("Op=&&")));
    EXPECT_TRUE(seen.contains(QStringLiteral("Op=!")));
}

} // namespace
