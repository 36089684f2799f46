// The code context of completion requests over programs compiled by the real compiler and
// inference script: the cases of tests/fixtures/analysis/code-contexts.txt, and requests whose
// tree or text does not fit.
#include "analysis/context/CodeContextProvider.h"
#include "model/CodeLines.h"

#include "support/CodeContextFixtures.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using testsupport::CodeContextCase;

QString describeNode(const ASTNodePtr& node)
{
    if (!node)
        return QStringLiteral("-");
    QString text = node->type();
    const auto data = node->data();
    if (node->type() == QLatin1String("Literal") && data && (data->isString() || data->isDouble()))
        text += QLatin1Char(' ') + data->toVariant().toString();
    if (!node->parent())
        text += QStringLiteral(" root");
    return text;
}

QString describeTokens(const std::optional<QList<Token>>& tokens)
{
    if (!tokens || tokens->isEmpty())
        return QStringLiteral("-");
    QStringList out;
    for (const Token& token : *tokens)
        out.append(tokenTypeName(token.type)
                   + (token.type == TokenType::Alphanumerics ? QLatin1Char('=') + token.text : QString()));
    return out.join(QLatin1Char(' '));
}

QString describeScope(const ScopePtr& scope)
{
    if (!scope)
        return QStringLiteral("-");
    if (!scope->parent())
        return QStringLiteral("root");
    QStringList names = scope->vars().keys();
    names.sort();
    return names.join(QStringLiteral(", "));
}

QString describeType(const TypePtr& type)
{
    return type ? type->toInspect() : QStringLiteral("-");
}

// A type's text matches when it is the expected one or begins with it and a space.
bool shows(const QString& text, const QString& expected)
{
    return text == expected || text.startsWith(expected + QLatin1Char(' '));
}

std::shared_ptr<CodeContext> contextFor(const CodeContextCase& c, const CompileSnapshot& snapshot)
{
    auto scanner = std::make_shared<const CodeScanner>(std::make_shared<CodeLines>(c.text), c.cursor);
    return CodeContextProvider(snapshot, scanner).context();
}

class CodeContexts : public ::testing::TestWithParam<CodeContextCase> {};

} // namespace

TEST_P(CodeContexts, AnswerWhatStandsBeforeTheCaret)
{
    const CodeContextCase& c = GetParam();
    ASSERT_GE(c.cursor, 0) << "no caret mark";
    QString error;
    const CompileSnapshot snapshot = testsupport::compileSnapshot(c.compiled, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const auto context = contextFor(c, snapshot);

    const QMap<QString, QString> actual{
        {"context", codeContextTypeName(context->contextType())},
        {"tokens", describeTokens(context->tokens())},
        {"entry", context->entry().isEmpty() ? QStringLiteral("-") : context->entry()},
        {"node", describeNode(context->ast())},
        {"value", describeNode(context->astValue())},
        {"type", describeType(context->astType())},
        {"alias", describeType(context->astAlias())},
        {"expected", describeType(context->expectedType())},
        {"expected-alias", describeType(context->expectedAlias())},
        {"scope", describeScope(context->astScope())},
    };
    static const QStringList typeKeys{"type", "alias", "expected", "expected-alias"};
    for (auto it = c.expect.begin(); it != c.expect.end(); ++it) {
        ASSERT_TRUE(actual.contains(it.key())) << "unknown key " << it.key().toStdString();
        const QString& got = actual.value(it.key());
        if (typeKeys.contains(it.key()) && it.value() != QLatin1String("-"))
            EXPECT_TRUE(shows(got, it.value())) << it.key().toStdString() << ": " << got.toStdString();
        else
            EXPECT_EQ(got.toStdString(), it.value().toStdString()) << it.key().toStdString();
    }
    if (qEnvironmentVariableIsSet("ZELVOR_SHOW_CONTEXTS"))
        for (auto it = actual.begin(); it != actual.end(); ++it)
            std::printf("  %s %s\n", qPrintable(it.key()), qPrintable(it.value()));
    // The tree's information comes only from a successful compile.
    if (!c.compiled) {
        EXPECT_FALSE(context->ast());
        EXPECT_FALSE(context->astScope());
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CodeContexts, ::testing::ValuesIn(testsupport::readCodeContextCases().toVector()),
                         [](const ::testing::TestParamInfo<CodeContextCase>& info) {
                             return QString(info.param.name).remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]"))).toStdString();
                         });

TEST(CodeContextFixtures, ReachEveryContextType)
{
    QSet<QString> reached;
    for (const CodeContextCase& c : testsupport::readCodeContextCases())
        reached.insert(c.expect.value(QStringLiteral("context")));
    for (int type = 0; type <= int(CodeContextType::LeadingNewOperator); ++type)
        EXPECT_TRUE(reached.contains(codeContextTypeName(CodeContextType(type))))
            << codeContextTypeName(CodeContextType(type)).toStdString();
}

TEST(CodeContextProvider, SurvivesATreeThatNoLongerFitsTheText)
{
    // The tree of a long program, the text of a short one and the other way round; carets
    // everywhere, past the end and at 0.
    const QString longProgram = QStringLiteral("box = new Layer\n  x: 10\nbox.animate\n  properties:\n    y: 2\n"
                                               "###\nnote\n###\nf = (a) -> a.b.c\n");
    const QString shortText = QStringLiteral("b.");
    for (const auto& [compiled, text] : {std::pair{longProgram, shortText}, std::pair{shortText + "x", longProgram}}) {
        const CompileSnapshot snapshot = testsupport::compileSnapshot(compiled);
        auto lines = std::make_shared<CodeLines>(text);
        for (qint64 cursor = -2; cursor <= text.size() + 2; ++cursor) {
            CodeContextProvider provider(snapshot, std::make_shared<const CodeScanner>(lines, cursor));
            ASSERT_TRUE(provider.context());
            EXPECT_EQ(provider.ast(), snapshot.ast);
        }
    }
}
