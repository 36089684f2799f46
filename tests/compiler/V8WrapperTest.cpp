#include "compiler/V8Wrapper.h"

#include "StreamCapture.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class V8WrapperTest : public ::testing::Test {
protected:
    StreamCapture out;
    StreamCapture err;
    V8Wrapper v8{out.file(), err.file()};

    // What was printed after the start-up line.
    QString printed() const { return out.text().mid(QStringLiteral("<<v8>> V8 up and running.\n").size()); }
};

TEST_F(V8WrapperTest, StartsWithOneSignOfLife)
{
    ASSERT_TRUE(v8.hasContext());
    EXPECT_EQ(out.text(), QStringLiteral("<<v8>> V8 up and running.\n"));
}

TEST_F(V8WrapperTest, PrintAndConsoleWriteMarkedLines)
{
    EXPECT_EQ(v8.evaluate(QStringLiteral("console.log()")), QStringLiteral("undefined"));
    EXPECT_EQ(printed(), QString());
    v8.evaluate(QStringLiteral("console.warn('x')"));
    EXPECT_EQ(printed(), QStringLiteral("<<v8>> x\n"));
    v8.evaluate(QStringLiteral("print('a', 2)"));
    v8.evaluate(QStringLiteral("console.log(Symbol('s'), 'ü')"));
    EXPECT_EQ(printed(), QStringLiteral("<<v8>> x\n<<v8>> a <<v8>> 2\n<<v8>> <string conversion failed> <<v8>> ü\n"));
}

TEST_F(V8WrapperTest, EvaluateAnswersJsonOfTheCompletionValue)
{
    EXPECT_EQ(v8.evaluate(QStringLiteral("1+1")), QStringLiteral("2"));
    EXPECT_EQ(v8.evaluate(QStringLiteral("'a'")), QStringLiteral("\"a\""));
    EXPECT_EQ(v8.evaluate(QStringLiteral("undefined")), QStringLiteral("undefined"));
    EXPECT_EQ(v8.evaluate(QStringLiteral("(function () {})")), QStringLiteral("undefined"));
    EXPECT_EQ(v8.evaluate(QStringLiteral("({a: [1, 'é\\u2028'], b: null})")),
              QStringLiteral("{\"a\":[1,\"é\u2028\"],\"b\":null}"));
    // State persists between scripts of one context.
    v8.evaluate(QStringLiteral("var kept = 41;"));
    EXPECT_EQ(v8.evaluate(QStringLiteral("kept + 1")), QStringLiteral("42"));
}

TEST_F(V8WrapperTest, EvaluateFailuresGiveEmptyResultAndOneLine)
{
    EXPECT_EQ(v8.evaluate(QStringLiteral("throw new Error('boom')")), QString());
    EXPECT_EQ(printed(), QStringLiteral("Evaluate result: none.\n"));

    StreamCapture log(STDERR_FILENO);
    EXPECT_EQ(v8.evaluate(QStringLiteral("var = ;")), QString());
    EXPECT_TRUE(log.text().contains(QStringLiteral("Failed to compile: SyntaxError: Unexpected token '='")))
        << log.text().toStdString();
    EXPECT_EQ(printed(), QStringLiteral("Evaluate result: none.\n"));

    // A cyclic value has no JSON form: empty, and no line.
    EXPECT_EQ(v8.evaluate(QStringLiteral("var o = {}; o.o = o; o")), QString());
    EXPECT_EQ(printed(), QStringLiteral("Evaluate result: none.\n"));
}

TEST_F(V8WrapperTest, InvokeCallsAGlobalObjectsMethodWithTheGlobalAsReceiver)
{
    v8.evaluate(QStringLiteral("var Calc = { add: function (a, b) { return a + b; },"
                               " self: function () { return this === globalThis; },"
                               " echo: function (x) { return x; },"
                               " fail: function () { throw new Error('no'); }, notCallable: 3 };"
                               " var Answer = 42;"));
    EXPECT_EQ(v8.invoke(QStringLiteral("add"), QStringLiteral("Calc"), QStringLiteral("[1, 2]")), QStringLiteral("3"));
    EXPECT_EQ(v8.invoke(QStringLiteral("self"), QStringLiteral("Calc"), QStringLiteral("[]")), QStringLiteral("true"));
    EXPECT_EQ(v8.invoke(QStringLiteral("echo"), QStringLiteral("Calc"), QStringLiteral("[{\"k\":[true,null]}]")),
              QStringLiteral("{\"k\":[true,null]}"));
    EXPECT_EQ(printed(), QString());

    EXPECT_EQ(v8.invoke(QStringLiteral("add"), QStringLiteral("Missing"), QStringLiteral("[]")), QString());
    EXPECT_EQ(v8.invoke(QStringLiteral("missing"), QStringLiteral("Calc"), QStringLiteral("[]")), QString());
    EXPECT_EQ(v8.invoke(QStringLiteral("toFixed"), QStringLiteral("Answer"), QStringLiteral("[]")), QString());
    EXPECT_EQ(printed(), QStringLiteral("Object Missing not found\nMethod missing not found\nMethod toFixed not found\n"));
}

TEST_F(V8WrapperTest, InvokeAsUtf8GivesTheSameTextForEveryKindOfString)
{
    v8.evaluate(QStringLiteral("var Text = { echo: function (x) { return x; }, big: function (n) {"
                               " var a = []; for (var i = 0; i < n; i++) a.push({k: i, s: 'x' + i}); return a; } };"));
    // ASCII, Latin-1 beyond ASCII (held one byte a character too), characters of two bytes and
    // a pair of surrogates, and a reply long enough to be held in pieces before it is written.
    for (const QString& arguments : {QStringLiteral("[\"plain\"]"), QStringLiteral("[\"caf\\u00e9 \\u00ff\"]"),
                                     QStringLiteral("[\"\\u2603 \\ud83d\\ude00\"]"), QStringLiteral("[{\"\\u00e9\": [1, \"\\u2603\"]}]")}) {
        const QString text = v8.invoke(QStringLiteral("echo"), QStringLiteral("Text"), arguments);
        ASSERT_FALSE(text.isEmpty()) << arguments.toStdString();
        EXPECT_EQ(v8.invokeUtf8(QStringLiteral("echo"), QStringLiteral("Text"), arguments), text.toUtf8());
    }
    const QString big = v8.invoke(QStringLiteral("big"), QStringLiteral("Text"), QStringLiteral("[5000]"));
    EXPECT_EQ(v8.invokeUtf8(QStringLiteral("big"), QStringLiteral("Text"), QStringLiteral("[5000]")), big.toUtf8());
    EXPECT_TRUE(v8.invokeUtf8(QStringLiteral("missing"), QStringLiteral("Text"), QStringLiteral("[]")).isEmpty());
}

TEST_F(V8WrapperTest, InvokeForTextsTakesAnArrayOfStringsAsItIsAndAnythingElseAsJson)
{
    v8.evaluate(QStringLiteral("var Texts = { echo: function (x) { return x; } };"));
    QByteArray json = "stale";
    const std::optional<QStringList> texts = v8.invokeForTexts(
        QStringLiteral("echo"), QStringLiteral("Texts"),
        QStringLiteral("[[\"a \\\"quoted\\\" line\\n\", \"caf\\u00e9 \\u2603 \\ud83d\\ude00\", \"\"]]"), json);
    ASSERT_TRUE(texts);
    EXPECT_EQ(*texts, QStringList({QStringLiteral("a \"quoted\" line\n"), QString::fromUtf8("caf\u00e9 \u2603 \U0001F600"), QString()}));
    EXPECT_TRUE(json.isEmpty());
    // An error object, an array that is not all strings, a failed call: no texts, the JSON (or
    // nothing) instead.
    for (const QString& arguments : {QStringLiteral("[{\"error\": 1}]"), QStringLiteral("[[\"a\", 2]]"), QStringLiteral("[\"one\"]")}) {
        EXPECT_FALSE(v8.invokeForTexts(QStringLiteral("echo"), QStringLiteral("Texts"), arguments, json)) << arguments.toStdString();
        EXPECT_EQ(json, v8.invokeUtf8(QStringLiteral("echo"), QStringLiteral("Texts"), arguments));
    }
    EXPECT_FALSE(v8.invokeForTexts(QStringLiteral("missing"), QStringLiteral("Texts"), QStringLiteral("[]"), json));
    EXPECT_TRUE(json.isEmpty());
}

// Parts that do not fit together (a record that names no shape) or whose values fail (the
// function answering them throws) are not written: the reply is what the function given last
// answers, or that last item itself, as JSON.
TEST_F(V8WrapperTest, InvokeForAnalysisWritesAReplyWholeWhenItsPartsDoNotFit)
{
    v8.evaluate(QStringLiteral(
        "var Parts = { take: function (last, values) {"
        "  var reply = { ast: { type: 'Block' }, info: {} };"
        "  var records = values ? [0, -4, 0, 0, 1, 0] : [7];"
        "  return ['{\"info\":{}}', '[[\"Block\"]]',"
        "          function () { if (values) throw new Error('no values'); return '[]'; },"
        "          new Int32Array(records), new Uint8Array(1),"
        "          last ? function () { reply.ast.location = '0:0-1:0'; return reply; } : reply]; } };"));
    std::shared_ptr<const JsonText> indexed;
    for (const QString& arguments : {QStringLiteral("[true, false]"), QStringLiteral("[true, true]")}) {
        EXPECT_EQ(v8.invokeForAnalysis(QStringLiteral("take"), QStringLiteral("Parts"), arguments, indexed),
                  QByteArray(R"({"ast":{"type":"Block","location":"0:0-1:0"},"info":{}})"))
            << arguments.toStdString();
        EXPECT_FALSE(indexed);
    }
    EXPECT_EQ(v8.invokeForAnalysis(QStringLiteral("take"), QStringLiteral("Parts"), QStringLiteral("[false, false]"), indexed),
              QByteArray(R"({"ast":{"type":"Block"},"info":{}})"));
}

TEST_F(V8WrapperTest, InvokeFailuresGiveEmptyResultAndTheirLines)
{
    v8.evaluate(QStringLiteral("var Calc = { add: function (a, b) { return a + b; },"
                               " fail: function () { throw new Error('no'); }, notCallable: 3 };"));
    EXPECT_EQ(v8.invoke(QStringLiteral("add"), QStringLiteral("Calc"), QStringLiteral("{\"a\":1}")), QString());
    EXPECT_EQ(printed(), QStringLiteral("Bad arguments ({\"a\":1}). Expecting a string containing a JSON Array"));
    EXPECT_EQ(v8.invoke(QStringLiteral("add"), QStringLiteral("Calc"), QStringLiteral("[1,")), QString());
    EXPECT_TRUE(printed().endsWith(QStringLiteral("Bad arguments ([1,). Expecting a string containing a JSON Array")));

    StreamCapture fresh;
    V8Wrapper other(fresh.file(), err.file());
    other.evaluate(QStringLiteral("var Calc = { fail: function () { throw new Error('no'); }, notCallable: 3 };"));
    EXPECT_EQ(other.invoke(QStringLiteral("fail"), QStringLiteral("Calc"), QStringLiteral("[]")), QString());
    EXPECT_EQ(other.invoke(QStringLiteral("notCallable"), QStringLiteral("Calc"), QStringLiteral("[]")), QString());
    EXPECT_EQ(fresh.text(), QStringLiteral("<<v8>> V8 up and running.\nInvoke result: none.\nInvoke result: none.\n"));
}

TEST_F(V8WrapperTest, ReleasingMemoryKeepsWhatTheScriptsHold)
{
    v8.evaluate(QStringLiteral("var kept = []; for (var i = 0; i < 200000; i++) kept.push({i: i}); kept.length = 1000;"));
    v8.releaseMemory();
    EXPECT_EQ(v8.evaluate(QStringLiteral("kept.length + kept[999].i")), QStringLiteral("1999"));
    EXPECT_EQ(printed(), QString());
}

// A script that keeps allocating is stopped at the heap's limit instead of ending the process:
// the call answers why, and the engine goes on, with the limit still in force.
TEST_F(V8WrapperTest, ARunawayScriptStopsAtTheHeapLimitAndTheEngineGoesOn)
{
    StreamCapture fresh;
    V8Wrapper small(fresh.file(), err.file(), size_t(256) << 20);
    small.evaluate(QStringLiteral("var Greedy = { add: function (a, b) { return a + b; }, eat: function () {"
                                  " var all = []; for (;;) all.push(new Array(1000).fill(all.length)); } };"));
    for (int round = 0; round < 2; ++round) {
        const QString reply = small.invoke(QStringLiteral("eat"), QStringLiteral("Greedy"), QStringLiteral("[]"));
        EXPECT_TRUE(reply.contains(V8Wrapper::kOutOfMemoryMessage)) << reply.toStdString();
        EXPECT_EQ(small.invoke(QStringLiteral("add"), QStringLiteral("Greedy"), QStringLiteral("[1, 2]")), QStringLiteral("3"));
    }
}

TEST_F(V8WrapperTest, ContextsOfTwoWrappersAreSeparate)
{
    StreamCapture otherOut;
    V8Wrapper other(otherOut.file(), err.file());
    v8.evaluate(QStringLiteral("var onlyHere = 1;"));
    EXPECT_EQ(v8.evaluate(QStringLiteral("typeof onlyHere")), QStringLiteral("\"number\""));
    EXPECT_EQ(other.evaluate(QStringLiteral("typeof onlyHere")), QStringLiteral("\"undefined\""));
}

} // namespace

#include "compiler/LogMessage.h"

namespace {

TEST(LogMessageTest, WritesThroughThePlatformLogWithTheLevelsTurnedRound)
{
    StreamCapture log(STDERR_FILENO);
    LogMessage(QStringLiteral("memory"), 0, QStringLiteral("deinit"));
    LogMessageF(QStringLiteral("File.cpp"), 12, QStringLiteral("run"), std::nullopt, 1, QStringLiteral("late"));
    LogMarker(QStringLiteral("start"));
    const Logger network{QStringLiteral("network")};
    LogMessageTo(&network, QStringLiteral("upload"), 0, QStringLiteral("failed"));
    LogMessageTo(nullptr, QStringLiteral("upload"), 2, std::nullopt);
    LogMessageToF(&network, QStringLiteral("Up.cpp"), 3, std::nullopt, std::nullopt, 1, QStringLiteral("slow"));
    EXPECT_EQ(log.text(), QStringLiteral("[memory] error: deinit\n[] warning: File.cpp:12 run: late\n[marker] info: ---- start ----\n"
                                         "[network/upload] error: failed\n[upload] info: \n[network/] warning: Up.cpp:3 : slow\n"));
}

} // namespace
