// The golden set: programs of tests/fixtures/analysis/golden compiled by the real compiler and
// inference script in the engine, and what the analysis answers at their marked positions (the
// README there describes the markers).
#include "analysis/Scope.h"
#include "analysis/TypeFromAST.h"
#include "analysis/TypeQueries.h"
#include "analysis/matchers/NodeMatchers.h"
#include "analysis/types/TObject.h"
#include "model/AST.h"
#include "model/CodeLines.h"

#include "support/InferenceEngine.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString goldenPath(const QString& name)
{
    return testsupport::fixturePath(QStringLiteral("analysis/golden/") + name);
}

using Engine = testsupport::InferenceEngine;

// One marker: the position it points at and what it expects there.
struct Marker {
    int markerLine;  // 0-based line of the marker comment
    int line;        // the code line it points at
    int column;
    QString expectation;
};

QList<Marker> markersOf(const QStringList& lines)
{
    static const QRegularExpression marker(QStringLiteral("^\\s*#[^\\^]*\\^\\s*(.+)$"));
    QList<Marker> out;
    int codeLine = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = marker.match(lines[i]);
        if (!m.hasMatch()) {
            codeLine = i;
            continue;
        }
        out.append({i, codeLine, int(lines[i].indexOf(QLatin1Char('^'))), m.captured(1).trimmed()});
    }
    return out;
}

// The compile of one golden program and the analysis's view of it.
struct Compiled {
    QJsonObject reply;
    std::unique_ptr<CodeLines> lines;
    ASTNodePtr ast;
    ScopePtr scope;

    qint64 offset(int line, int column) const { return lines->locationForLine(line) + column; }

    std::optional<TypeFromAST> typeAt(int line, int column) const
    {
        const LocationPtr at = lines->locationForCharacterLocation(offset(line, column));
        return getTypeFromAST(ast->getAstAt(*at), *scope);
    }

    ScopePtr scopeAt(int line, int column) const
    {
        return scope->getScopeAt(*lines->locationForCharacterLocation(offset(line, column)));
    }
};

// Whether a display text is the expected one: equal, or beginning with it and a space.
bool shows(const QString& text, const QString& expected)
{
    return text == expected || text.startsWith(expected + QLatin1Char(' '));
}

class GoldenTypes : public ::testing::TestWithParam<std::string> {
protected:
    QString file() const { return QString::fromStdString(GetParam()); }
};

} // namespace

TEST_P(GoldenTypes, AnswersAtTheMarkedPositions)
{
    const QString code = testsupport::readFile(goldenPath(file()));
    ASSERT_FALSE(code.isEmpty());
    const QStringList lines = code.split(QLatin1Char('\n'));
    const QList<Marker> markers = markersOf(lines);
    ASSERT_FALSE(markers.isEmpty());

    Compiled c;
    c.reply = Engine::shared().cs2js(code);
    c.lines = std::make_unique<CodeLines>(code);
    const QJsonObject error = c.reply.value("error").toObject();
    if (markers.first().expectation.startsWith("error ")) {
        const Marker& m = markers.first();
        const QJsonObject at = error.value("location").toObject();
        EXPECT_EQ(at.value("first_line").toInt(-1), m.line);
        EXPECT_EQ(at.value("first_column").toInt(-1), m.column);
        EXPECT_TRUE(error.value("message").toString().startsWith(m.expectation.mid(6)))
            << error.value("message").toString().toStdString();
        return;
    }
    ASSERT_TRUE(error.isEmpty()) << error.value("message").toString().toStdString();
    c.ast = AST::create(c.reply.value("ast"));
    c.scope = Scope::create(c.reply.value("scope").toObject(), nullptr, Engine::shared().globals);

    static const QRegularExpression nameShows(QStringLiteral("^name (\\S+) shows (.+)$"));
    for (const Marker& m : markers) {
        SCOPED_TRACE(QStringLiteral("%1:%2: %3").arg(file()).arg(m.markerLine + 1).arg(m.expectation).toStdString());
        ASSERT_GE(m.line, 0);
        const QString& e = m.expectation;
        if (e.startsWith("shows ")) {
            const QString text = typeStringAt(*c.lines, c.ast, *c.scope, c.offset(m.line, m.column));
            EXPECT_TRUE(shows(text, e.mid(6))) << "shows " << text.toStdString();
        } else if (const QRegularExpressionMatch n = nameShows.match(e); n.hasMatch()) {
            const ScopePtr local = c.scopeAt(m.line, m.column);
            const TypePtr type = local ? local->getVariableType(n.captured(1)) : nullptr;
            const QString text = type ? type->toInspect() : QStringLiteral("?");
            EXPECT_TRUE(shows(text, n.captured(2))) << "shows " << text.toStdString();
        } else if (e.startsWith("members ")) {
            const auto found = c.typeAt(m.line, m.column);
            ASSERT_TRUE(found && found->type && found->localScope);
            const MemberTable members = membersForType(found->type, *found->localScope);
            for (const QString& word : e.mid(8).split(' ', Qt::SkipEmptyParts))
                EXPECT_EQ(members.contains(word.mid(1)), word.startsWith('+')) << word.toStdString();
        } else if (e.startsWith("scope ")) {
            const ScopePtr local = c.scopeAt(m.line, m.column);
            ASSERT_TRUE(local);
            QStringList expected = e.mid(6) == "-" ? QStringList() : e.mid(6).split(", ");
            QStringList declared = local->vars().keys();
            expected.sort();
            declared.sort();
            EXPECT_EQ(declared, expected);
        } else if (e.startsWith("annotation ")) {
            const auto found = c.typeAt(m.line, m.column);
            const auto object = found ? typeAs<TObject>(found->type) : nullptr;
            ASSERT_TRUE(object);
            const QString key = e.section(' ', 1, 1);
            EXPECT_EQ(object->annotations().toObject().value(key).toString(), e.section(' ', 2));
        } else {
            ADD_FAILURE() << "unknown marker";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, GoldenTypes, ::testing::ValuesIn([] {
    std::vector<std::string> names;
    const QStringList files = QDir(goldenPath(QString())).entryList({QStringLiteral("*.coffee")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        names.push_back(file.toStdString());
    return names;
}()), [](const ::testing::TestParamInfo<std::string>& info) {
    return QString::fromStdString(info.param).remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]"))).toStdString();
});

TEST(GoldenLineEnds, EveryLineEndTheEditorKnowsKeepsPositions)
{
    // CR, CR LF, U+0085, U+2028 and U+2029 end lines in the editor. The compiler reads the text
    // as written and ends lines only at LF (dropping CR): CR LF compiles, and everything keeps
    // its line and column in the editor; the others fail as the compiler fails, on the editor's
    // line of the fault.
    for (const QString& end : {QStringLiteral("\r"), QStringLiteral("\r\n"), QStringLiteral("\u0085"),
                               QStringLiteral("\u2028"), QStringLiteral("\u2029")}) {
        const QString code = QStringLiteral("a = 1") + end + QStringLiteral("box = new Layer") + end
            + QStringLiteral("  x: a") + end + QStringLiteral("wide = box.frame.width");
        SCOPED_TRACE(QString::number(end.at(0).unicode(), 16).toStdString());
        const QJsonObject reply = Engine::shared().cs2js(code);
        if (end != QStringLiteral("\r\n")) {
            ASSERT_TRUE(reply.contains("error"));
            const QJsonObject at = reply.value("error").toObject().value("location").toObject();
            EXPECT_GE(at.value("first_line").toInt(-1), 0);
            EXPECT_LE(at.value("first_line").toInt(-1), 3);
            continue;
        }
        ASSERT_FALSE(reply.contains("error")) << reply.value("error").toObject().value("message").toString().toStdString();
        CodeLines lines(code);
        ASSERT_EQ(lines.lines().size(), 4);
        const ASTNodePtr ast = AST::create(reply.value("ast"));
        const ScopePtr scope = Scope::create(reply.value("scope").toObject(), nullptr, Engine::shared().globals);
        EXPECT_EQ(ast->location()->toString(), QStringLiteral("[0:0-3:21]"));
        // "width" at the end of the last line: the chain's value node reaches it.
        const ASTNodePtr width = ast->getAstAt(Location(QStringLiteral("3:19-3:19")));
        ASSERT_TRUE(width);
        EXPECT_EQ(width->data().value_or(QJsonValue()).toString(), QStringLiteral("width"));
        EXPECT_TRUE(shows(typeStringAt(lines, ast, *scope, lines.locationForLine(3) + 19), "number"));
        EXPECT_TRUE(shows(typeStringAt(lines, ast, *scope, lines.locationForLine(1) + 1), "layer"));
    }
}

TEST(GoldenLineEnds, ValuesCoverTheirWholeChain)
{
    const QJsonObject reply = Engine::shared().cs2js(QStringLiteral("x = box.frame.width\n"));
    const QJsonObject assign = reply.value("ast").toObject().value("expressions").toArray().at(0).toObject();
    // The compiler gives a value only its base's range; the tree widens it over its properties.
    EXPECT_EQ(assign.value("value").toObject().value("location").toString(), QStringLiteral("0:4-0:18"));
    EXPECT_EQ(assign.value("location").toString(), QStringLiteral("0:0-0:18"));
}

TEST(GoldenNodeMatchers, PatternsMatchTheRealCompilersTrees)
{
    const QString code = QStringLiteral("box = new Layer\n  x: 1\nplain = new Layer\nbox.frame.width\n###\n"
                                        "A block comment\n###\nf = (a) -> a\n");
    const QJsonObject reply = Engine::shared().cs2js(code);
    ASSERT_FALSE(reply.contains("error"));
    const ASTNodePtr ast = AST::create(reply.value("ast"));
    const auto nodeAt = [&](const char* at) { return ast->getAstAt(Location(QString::fromLatin1(at))); };

    // `new` with arguments is a call; without, an operator.
    auto call = matchToAST(climbUntil(NMAny(), NMNewCall()), nodeAt("0:12-0:12"));
    ASSERT_TRUE(call);
    EXPECT_EQ(call->last->type(), "Call");
    EXPECT_FALSE(matchToAST(climbUntil(NMAny(), NMNew()), nodeAt("0:12-0:12")));
    auto op = matchToAST(climbUntil(NMAny(), NMNew()), nodeAt("2:14-2:14"));
    ASSERT_TRUE(op);
    EXPECT_EQ(op->last->location()->firstLine(), 2);

    // An identifier in a property access, up to its value.
    auto width = matchToAST(thenParent(NMIdentifier(), thenParent(NMAccess(), thenParent(NMExpressions(), NMValue()))),
                            nodeAt("3:12-3:12"));
    ASSERT_TRUE(width);
    EXPECT_EQ(std::get<QJsonValue>(width->data.value("literal")).toString(), "width");
    EXPECT_EQ(width->matched.last()->type(), "Value");

    // A block comment is a node of its own.
    EXPECT_TRUE(matchToAST(climbUntil(NMAny(), NMBlockComment()), nodeAt("5:3-5:3")));

    // The statement list around a position between statements.
    const ASTNodePtr statements = ast->getChild(0);
    NMOutput around;
    ASSERT_TRUE(NMExpressions().matches(NMInput(statements, Location::from(QStringLiteral("4:0-4:0"))), around));
    EXPECT_EQ(std::get<ASTNodePtr>(around.data.value("precursor"))->location()->firstLine(), 3);
    EXPECT_EQ(std::get<ASTNodePtr>(around.data.value("sucessor"))->type(), "Comment");

    // A name in a function's body is found in the body, not in the parameter list before it.
    const ASTNodePtr inBody = nodeAt("7:11-7:11");
    ASSERT_TRUE(matchToAST(NMIdentifier(), inBody));
    auto body = matchToAST(climbUntil(NMAny(), NMBlock()), inBody);
    ASSERT_TRUE(body);
    ASSERT_TRUE(body->last->parent());
    EXPECT_EQ(body->last->parent()->type(), "Code");
}
