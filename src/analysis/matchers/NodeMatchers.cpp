#include "analysis/matchers/NodeMatchers.h"

#include <QRegularExpression>

namespace {

bool isIdentifier(const QString& text)
{
    static const QRegularExpression identifier(
        QStringLiteral("^[_$a-zA-Z\\x{A0}-\\x{FFFF}][_$a-zA-Z0-9\\x{A0}-\\x{FFFF}]*$"));
    return identifier.match(text).hasMatch();
}

bool dataIs(const ASTNodePtr& node, const char* text)
{
    auto data = node->data();
    return data && data->isString() && data->toString() == QLatin1String(text);
}

} // namespace

NodeMatcher NMTypeMatcher(const QString& type)
{
    return NodeMatcher([type](const NMInput& input, NMOutput& output) {
        if (!input.node || input.node->type() != type)
            return false;
        output.record(input.node);
        return true;
    });
}

#define ZELVOR_TYPE_MATCHER(name, type)                                                          \
    const NodeMatcher& name()                                                                    \
    {                                                                                            \
        static const NodeMatcher matcher = NMTypeMatcher(QStringLiteral(type));                  \
        return matcher;                                                                          \
    }

ZELVOR_TYPE_MATCHER(NMLiteral, "Literal")
ZELVOR_TYPE_MATCHER(NMBlock, "Block")
ZELVOR_TYPE_MATCHER(NMParens, "Parens")
ZELVOR_TYPE_MATCHER(NMArr, "Arr")
ZELVOR_TYPE_MATCHER(NMObj, "Obj")
ZELVOR_TYPE_MATCHER(NMAccess, "Access")
ZELVOR_TYPE_MATCHER(NMBlockComment, "Comment")
ZELVOR_TYPE_MATCHER(NMAssign, "Assign")
ZELVOR_TYPE_MATCHER(NMValue, "Value")
ZELVOR_TYPE_MATCHER(NMCall, "Call")

#undef ZELVOR_TYPE_MATCHER

const NodeMatcher& NMIdentifier()
{
    static const NodeMatcher matcher([](const NMInput& input, NMOutput& output) {
        const ASTNodePtr& node = input.node;
        if (!node || node->type() != QLatin1String("Literal"))
            return false;
        auto data = node->data();
        if (!data)
            return false;
        if (data->isString() && !isIdentifier(data->toString()))
            return false;
        output.data.insert(QStringLiteral("literal"), *data);
        output.record(node);
        return true;
    });
    return matcher;
}

const NodeMatcher& NMNew()
{
    static const NodeMatcher matcher([](const NMInput& input, NMOutput& output) {
        if (!input.node || input.node->type() != QLatin1String("Op") || !dataIs(input.node, "new"))
            return false;
        output.record(input.node);
        return true;
    });
    return matcher;
}

const NodeMatcher& NMNewCall()
{
    static const NodeMatcher matcher([](const NMInput& input, NMOutput& output) {
        if (!input.node || input.node->type() != QLatin1String("Call") || !dataIs(input.node, "new"))
            return false;
        output.record(input.node);
        return true;
    });
    return matcher;
}

const NodeMatcher& NMExpressions()
{
    static const NodeMatcher matcher([](const NMInput& input, NMOutput& output) {
        const ASTNodePtr& node = input.node;
        if (!node || node->type() != QLatin1String("Expressions"))
            return false;
        output.matched.append(node);
        ASTNodePtr precursor;
        ASTNodePtr successor;
        for (qsizetype i = 0; i < node->count(); ++i) {
            ASTNodePtr child = node->getChild(i);
            if (!child)
                continue;
            if (!input.location || !(*child->location() < *input.location)) {
                successor = child;
                break;
            }
            precursor = child;
        }
        const QString precursorKey = QStringLiteral("precursor");
        const QString successorKey = QStringLiteral("sucessor");
        if (precursor)
            output.data.insert(precursorKey, precursor);
        else
            output.data.remove(precursorKey);
        if (successor)
            output.data.insert(successorKey, successor);
        else
            output.data.remove(successorKey);
        output.last = node;
        return true;
    });
    return matcher;
}

const NodeMatcher& NMRoot()
{
    static const NodeMatcher matcher([](const NMInput& input, NMOutput& output) {
        if (!input.node || input.node->parent())
            return false;
        output.record(input.node);
        return true;
    });
    return matcher;
}

const NodeMatcher& NMAny()
{
    static const NodeMatcher matcher([](const NMInput& input, NMOutput& output) {
        output.last = input.node;
        return true;
    });
    return matcher;
}

NodeMatcher NMNot(const NodeMatcher& m)
{
    return NodeMatcher([m](const NMInput& input, NMOutput& output) {
        if (!input.node)
            return false;
        NMOutput scratch;
        if (m.matches(input, scratch))
            return false;
        output.record(input.node);
        return true;
    });
}
