#include "model/SourceMap.h"

#include "model/CodeLines.h"
#include "model/CompilerPosition.h"

#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

QString mapped(const QJsonObject& map, qint64 line, qint64 column)
{
    return SourceMap::jsToCoffeeLocation(map, line, column)->toString();
}

const QString kUnknown = QStringLiteral("[-1:-1--1:-1]");

} // namespace

TEST(SourceMap, WalksBackOverHolesAndClampsOutsidePositions)
{
    const QJsonObject map = parse(R"({"lines": [null, null,
        {"columns": [null, {"sourceLine": 7, "sourceColumn": 3}, {"sourceLine": 8, "sourceColumn": 1}]}]})");
    EXPECT_EQ(mapped(map, 2, 1), kUnknown); // no mapped line down to the first
    EXPECT_EQ(mapped(map, 3, 2), QStringLiteral("[7:3-7:3]"));
    EXPECT_EQ(mapped(map, 3, 3), QStringLiteral("[8:1-8:1]"));
    EXPECT_EQ(mapped(map, 4, 2), QStringLiteral("[7:3-7:3]")); // a line past the end: the last
    EXPECT_EQ(mapped(map, 3, 99), QStringLiteral("[8:1-8:1]")); // a column past the end: the last
    EXPECT_EQ(mapped(map, 3, 1), kUnknown); // column 0 is a hole with nothing before it
    EXPECT_EQ(mapped(map, 0, 2), kUnknown);

    const QJsonObject first = parse(R"({"lines": [{"columns": [{"sourceLine": 2, "sourceColumn": 4}]}]})");
    EXPECT_EQ(mapped(first, 0, 0), QStringLiteral("[2:4-2:4]"));
    EXPECT_EQ(mapped(first, -5, -5), QStringLiteral("[2:4-2:4]"));
    EXPECT_EQ(mapped(first, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()),
              QStringLiteral("[2:4-2:4]"));
}

TEST(SourceMap, ShapesThatDoNotFitGiveUnknown)
{
    const char* maps[] = {
        "{}",
        R"({"lines": {}})",
        R"({"lines": []})",
        R"({"lines": [null, 3, "x"]})",
        R"({"lines": [{"columns": []}]})",
        R"({"lines": [{"columns": 5}]})",
        R"({"lines": [{"columns": [null]}]})",
        // The first object found decides, even when an earlier one has both keys.
        R"({"lines": [{"columns": [{"sourceLine": 1, "sourceColumn": 1}, {"sourceLine": 2}]}]})",
        R"({"lines": [{"columns": [{"sourceLine": "1", "sourceColumn": 1}]}]})",
        R"({"lines": [{"columns": [{"sourceLine": -4, "sourceColumn": 1}]}]})",
        R"({"lines": [{"columns": [{"sourceLine": 1, "sourceColumn": -1}]}]})",
        R"({"lines": [{"columns": [{"sourceLine": 1e300, "sourceColumn": 1}]}]})",
    };
    for (const char* map : maps)
        EXPECT_EQ(mapped(parse(map), 1, 2), kUnknown) << map;
}

// Positions in the JavaScript of a real compile map back to the statements they came from.
TEST(SourceMap, MapsARealCompileBack)
{
    const QJsonObject map =
        QJsonDocument::fromJson(testsupport::readFile(testsupport::fixturePath("model/layers.sourcemap.json")).toUtf8())
            .object();
    ASSERT_FALSE(map.isEmpty());
    const QStringList js = testsupport::readFile(testsupport::fixturePath("model/layers.js")).split(u'\n');
    const QStringList coffee = testsupport::readFile(testsupport::fixturePath("model/layers.coffee")).split(u'\n');

    const auto jsLineOf = [&](const QString& prefix) {
        for (int i = 0; i < js.size(); ++i) {
            if (js[i].startsWith(prefix))
                return i + 1;
        }
        return -1;
    };
    const auto coffeeLineOf = [&](const QString& prefix) {
        for (int i = 0; i < coffee.size(); ++i) {
            if (coffee[i].startsWith(prefix))
                return i;
        }
        return -1;
    };
    for (const auto& [jsPrefix, coffeePrefix] : std::vector<std::pair<QString, QString>>{
             {"square = function", "square ="},
             {"card = new Layer", "card = new Layer"},
             {"button.onClick", "button.onClick"},
             {"message = ", "message = "},
             {"print(message)", "print message"}}) {
        const int jsLine = jsLineOf(jsPrefix);
        ASSERT_GT(jsLine, 0) << jsPrefix.toStdString();
        const auto location = SourceMap::jsToCoffeeLocation(map, jsLine, 1);
        EXPECT_EQ(location->firstLine(), coffeeLineOf(coffeePrefix)) << jsPrefix.toStdString();
        EXPECT_EQ(location->firstColumn(), 0) << jsPrefix.toStdString();
        EXPECT_EQ(location->lastLine(), location->firstLine());
    }
    // Inside a line: the call of square in "height: square 10".
    const int heightLine = jsLineOf("  height: square(10)");
    ASSERT_GT(heightLine, 0);
    const auto call = SourceMap::jsToCoffeeLocation(map, heightLine, 11);
    EXPECT_EQ(call->firstLine(), coffeeLineOf("\theight: square 10"));
    EXPECT_EQ(call->firstColumn(), 9);
    // The empty map of the state before any successful compile.
    EXPECT_EQ(mapped(QJsonObject(), heightLine, 11), kUnknown);
}

// A version 3 map's segments as entries at their JavaScript line and column; lines without
// segments are holes, and a map that is not one reads as empty.
TEST(SourceMapTest, AVersion3MapReadsAsTheLineAndColumnMap)
{
    // Line 0: column 0 from 0:0, column 4 from 0:4 ("IAAI": +4, 0, 0, +4). Line 1: none.
    // Line 2: column 2 from 3:1 ("EAGH": +2, 0, +3, -3). A segment with a name ("AAAAA") counts too.
    const QJsonObject map = SourceMap::fromV3(
        R"({"version":3,"sources":["a.coffee"],"names":[],"mappings":"AAAA,IAAI;;EAGH;AAAAA"})");
    const QJsonArray lines = map.value(QStringLiteral("lines")).toArray();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines.at(1).isNull());
    const QJsonArray first = lines.at(0).toObject().value(QStringLiteral("columns")).toArray();
    ASSERT_EQ(first.size(), 5);
    EXPECT_TRUE(first.at(1).isNull());
    EXPECT_EQ(first.at(4).toObject().value(QStringLiteral("sourceColumn")).toInt(), 4);
    EXPECT_EQ(mapped(map, 3, 3), QStringLiteral("[3:1-3:1]"));
    EXPECT_EQ(mapped(map, 2, 9), QStringLiteral("[0:4-0:4]")); // a hole borrows the line before
    EXPECT_EQ(mapped(map, 4, 1), QStringLiteral("[3:1-3:1]"));

    for (const char* broken : {"", "[]", R"({"mappings":3})", R"({"mappings":"AA!A"})", R"({"mappings":"AAA"})"})
        EXPECT_TRUE(SourceMap::fromV3(broken).value(QStringLiteral("lines")).toArray().isEmpty()
                    || SourceMap::fromV3(broken).isEmpty()) << broken;
}

// The compiler's lines end only at LF and its columns skip CRs and a leading byte-order mark;
// the editor's lines also end at CR, CR LF, U+0085, U+2028 and U+2029.
TEST(SourceMap, CompilerPositionsBecomeTheEditorsLines)
{
    struct Case { const char16_t* text; qint64 line, column; const char* editor; };
    const Case cases[] = {
        {u"a = 1\nb = 2", 1, 4, "[1:4-1:4]"},
        {u"a = 1\r\nb = 2", 1, 4, "[1:4-1:4]"},
        {u"s = 'a\u2028b'\nc = 1", 0, 8, "[1:1-1:1]"},      // after the U+2028 of the string
        {u"s = 'a\u2029b\u0085c'\nd", 1, 0, "[3:0-3:0]"},
        {u"s = 'a\rb'\nc", 0, 6, "[1:0-1:0]"},                // the kept b follows a lone CR
        {u"\uFEFFa = 1\nb", 0, 2, "[0:3-0:3]"},               // the mark is the editor's column 0
        {u"a\nb", 1, 99, "[1:1-1:1]"},                          // clamped to the line's end
        {u"a\nb", 7, 0, "[1:0-1:0]"},                           // past the last line: its start
        {u"a\nb", -1, -1, "[-1:-1--1:-1]"},                     // unknown stays unknown
    };
    for (const Case& c : cases) {
        CodeLines lines(QStringView(c.text).toString());
        EXPECT_EQ(editorLocationOfCompilerPosition(lines, c.line, c.column)->toString(), QString::fromLatin1(c.editor))
            << QStringView(c.text).toString().toStdString();
    }
}
