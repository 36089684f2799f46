// Reading the compiler's reply: the source map and the tree are kept as text and read later, and
// what is read must be what a plain reading of the whole text gives.
#include "compiler/CompileReply.h"

#include "model/AST.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject success()
{
    return QJsonObject{
        {QStringLiteral("js"), QStringLiteral("var a = \"}{\";")},
        {QStringLiteral("ast"), QJsonObject{{QStringLiteral("type"), QStringLiteral("Block")},
                                            {QStringLiteral("location"), QStringLiteral("0:0-1:0")}}},
        {QStringLiteral("info"), QJsonObject{{QStringLiteral("whiles"), QJsonArray{}}}},
        {QStringLiteral("sourceMap"),
         QJsonObject{{QStringLiteral("lines"),
                      QJsonArray{QJsonValue::Null,
                                 QJsonObject{{QStringLiteral("columns"),
                                              QJsonArray{QJsonValue::Null,
                                                         QJsonObject{{QStringLiteral("sourceLine"), 3},
                                                                     {QStringLiteral("sourceColumn"), 4}}}}}}}}},
        {QStringLiteral("v3SourceMap"), QStringLiteral("{\"version\":3,\"sourceMap\":\"x\\\"]\"}")},
        {QStringLiteral("scope"), QJsonObject{{QStringLiteral("vars"), QJsonObject{}}}}};
}

TEST(CompileReplyTest, ASuccessReadsAsTheWholeTextWouldWithTheMapKeptAsText)
{
    const QJsonObject reply = success();
    const CompileReply read = CompileReply::read(compact(reply));
    ASSERT_FALSE(read.failure);
    EXPECT_EQ(read.js, reply.value(QStringLiteral("js")).toString());
    EXPECT_EQ(read.ast.text->value(read.ast.span), reply.value(QStringLiteral("ast")));
    const auto tree = std::dynamic_pointer_cast<AST>(read.tree);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->type(), QStringLiteral("Block"));
    EXPECT_EQ(tree->location()->toString(), QStringLiteral("[0:0-1:0]"));
    EXPECT_EQ(read.info, reply.value(QStringLiteral("info")).toObject());
    EXPECT_EQ(read.v3SourceMap, reply.value(QStringLiteral("v3SourceMap")).toString());
    EXPECT_EQ(read.scope, reply.value(QStringLiteral("scope")).toObject());
    EXPECT_EQ(jsonObjectFromUtf8(read.sourceMapJson), reply.value(QStringLiteral("sourceMap")).toObject());

    // Written with spaces, a member name with an escape, and without a scope.
    QJsonObject noScope = reply;
    noScope.remove(QStringLiteral("scope"));
    const QString spaced = QString::fromUtf8(QJsonDocument(noScope).toJson(QJsonDocument::Indented))
                               .replace(QStringLiteral("\"sourceMap\""), QStringLiteral("\"source\\u004dap\""));
    const CompileReply escaped = CompileReply::read(spaced);
    ASSERT_FALSE(escaped.failure);
    EXPECT_FALSE(escaped.scope);
    EXPECT_EQ(jsonObjectFromUtf8(escaped.sourceMapJson), reply.value(QStringLiteral("sourceMap")).toObject());
}

TEST(CompileReplyTest, FailuresKeepTheCompilerErrorOrNameTheWholeReply)
{
    const QJsonObject error{{QStringLiteral("message"), QStringLiteral("missing )")},
                            {QStringLiteral("location"), QJsonObject{{QStringLiteral("first_line"), 1},
                                                                     {QStringLiteral("first_column"), 9}}}};
    const CompileReply failed = CompileReply::read(compact(QJsonObject{{QStringLiteral("error"), error}}));
    ASSERT_TRUE(failed.failure);
    EXPECT_EQ(*failed.failure, error.toVariantMap());

    // A success without a product, one of another type, or not an object at all: the record
    // quotes the whole reply, the map included.
    QJsonObject wrongMap = success();
    wrongMap.insert(QStringLiteral("sourceMap"), QJsonArray{1});
    QJsonObject noJs = success();
    noJs.remove(QStringLiteral("js"));
    for (const QString& text : {compact(wrongMap), compact(noJs), QStringLiteral("[1,2]"), QString(),
                                compact(success()).chopped(1)}) {
        const CompileReply read = CompileReply::read(text);
        ASSERT_TRUE(read.failure) << text.toStdString();
        EXPECT_EQ(read.failure->value(QStringLiteral("lineNumber")), QVariant(QStringLiteral("-1")));
        EXPECT_EQ(read.failure->value(QStringLiteral("errorType")).toString(), QStringLiteral("Transpiler"));
        EXPECT_EQ(read.failure->value(QStringLiteral("message")).toString(),
                  QStringLiteral("Returned invalid JSON string: ") + text);
    }
}

// The analysis' other members can be read from their own text while its tree is written: what
// is read is what the reply's whole text says.
TEST(CompileReplyTest, TheAnalysisOtherMembersReadApartAreThoseOfTheWholeText)
{
    QJsonObject analysis = success();
    for (const char* generated : {"js", "sourceMap", "v3SourceMap"})
        analysis.remove(QLatin1String(generated));
    QJsonObject others = analysis;
    others.remove(QStringLiteral("ast"));
    const QByteArray whole = compact(analysis).toUtf8();
    const std::optional<CompileReply::Others> apart = CompileReply::readOthers(compact(others).toUtf8());
    ASSERT_TRUE(apart);
    const CompileReply read = CompileReply::readAnalysis(whole, JsonText::make(whole), apart);
    const CompileReply plain = CompileReply::readAnalysis(whole);
    ASSERT_FALSE(read.failure);
    EXPECT_EQ(read.info, plain.info);
    EXPECT_EQ(read.scope, plain.scope);
    EXPECT_EQ(read.scope, analysis.value(QStringLiteral("scope")).toObject());
    EXPECT_EQ(read.ast.text->value(read.ast.span), analysis.value(QStringLiteral("ast")));

    others.remove(QStringLiteral("scope"));
    EXPECT_FALSE(CompileReply::readOthers(compact(others).toUtf8())->scope);
    for (const char* bad : {R"({"scope":{}})", R"({"info":[]})", "[1]", R"({"info":{})"})
        EXPECT_FALSE(CompileReply::readOthers(QByteArray(bad))) << bad;
}

// The first step of an analysis hands its creations to the engine that generates the code: a
// list or null, as the text it was; anything else (the compiler's error included) hands none.
TEST(CompileReplyTest, CreationsAreReadOnlyFromTheFirstStepsOwnReply)
{
    const struct {
        const char* reply;
        std::optional<QByteArray> creations;
    } cases[] = {
        {R"({"creations": [{"type": "Call", "typeHash": "#1", "location": "0:4"}]})",
         QByteArray(R"([{"type": "Call", "typeHash": "#1", "location": "0:4"}])")},
        {R"({"creations":null})", QByteArray("null")},
        {R"({"creations":[],"error":{"message":"m"}})", std::nullopt},
        {R"({"error":{"message":"unexpected ,","location":{"first_line":0,"first_column":2}}})", std::nullopt},
        {R"({"creations":"[]"})", std::nullopt},
        {R"({})", std::nullopt},
        {R"([1])", std::nullopt},
        {R"({"creations":[)", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompileReply::readCreations(QByteArray(c.reply)), c.creations) << c.reply;
}

} // namespace
