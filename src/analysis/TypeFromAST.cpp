#include "analysis/TypeFromAST.h"

#include "analysis/TypeQueries.h"
#include "analysis/matchers/NodeMatchers.h"
#include "analysis/types/TObject.h"
#include "model/ASTArray.h"
#include "model/CodeLines.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// The value node's "typePath", when its data is a dictionary holding an array there.
std::optional<QJsonArray> typePath(const ASTNodePtr& value)
{
    auto data = value ? value->data() : std::nullopt;
    if (!data || !data->isObject())
        return std::nullopt;
    const QJsonValue path = data->toObject().value(QStringLiteral("typePath"));
    if (!path.isArray())
        return std::nullopt;
    return path.toArray();
}

// Identifier at the base of a value.
const NodeMatcher& identifierInValue()
{
    static const NodeMatcher pattern = thenParent(NMIdentifier(), NMValue());
    return pattern;
}

// Identifier in a property access of a value.
const NodeMatcher& identifierInAccess()
{
    static const NodeMatcher pattern =
        thenParent(NMIdentifier(), thenParent(NMAccess(), thenParent(NMExpressions(), NMValue())));
    return pattern;
}

// A node that is itself a typed construct.
const NodeMatcher& typedConstruct()
{
    static const NodeMatcher pattern =
        either(NMCall(), either(NMBlock(), either(NMArr(), either(NMObj(), NMLiteral()))));
    return pattern;
}

// The element list of an array or object literal that is a value.
const NodeMatcher& literalElements()
{
    static const NodeMatcher pattern = thenParent(NMExpressions(), thenParent(either(NMArr(), NMObj()), NMValue()));
    return pattern;
}

std::optional<NMOutput> matchFresh(const NodeMatcher& pattern, const ASTNodePtr& node)
{
    return matchToAST(pattern, node);
}

// A description and the node it belongs to, before the common tail turns them into a type.
struct Found {
    QJsonValue description;
    ASTNodePtr node;
};

std::optional<TypeFromAST> commonTail(const Found& found, const Scope& globalScope)
{
    if (found.description.isUndefined() || found.description.isNull() || !found.node)
        return std::nullopt;
    ScopePtr local = globalScope.getScopeAt(*found.node->location());
    if (!local)
        return std::nullopt;
    return TypeFromAST{typeForAnyObject(found.description, *local), found.node, local};
}

std::optional<TypeFromAST> fromTypeHash(const ASTNodePtr& node, const Scope& globalScope)
{
    auto hash = node->typeHash();
    if (!hash)
        return std::nullopt;
    return commonTail(Found{QJsonValue(*hash), node}, globalScope);
}

// The member chain of the value, from its base variable's object type up to the property that
// holds `node`: an identifier inside a chain shows its own type, not the whole chain's.
std::optional<TypeFromAST> resolveMemberPath(const ASTNodePtr& value, const ASTNodePtr& node,
                                             const Scope& globalScope)
{
    ASTNodePtr base = value->getChild(0);
    auto accesses = std::dynamic_pointer_cast<ASTArray>(value->getChild(1));
    if (!base || !accesses)
        return std::nullopt;
    ScopePtr local = globalScope.getScopeAt(*base->location());
    if (!local)
        return std::nullopt;
    auto name = base->data();
    if (!name || !name->isString())
        return std::nullopt;
    auto object = typeAs<TObject>(local->getVariableType(name->toString()));
    if (!object)
        return std::nullopt;
    QStringList path;
    for (const ASTNodePtr& item : accesses->items()) {
        ASTNodePtr property = item ? item->getChild(0) : nullptr;
        auto data = property ? property->data() : std::nullopt;
        if (data && data->isString())
            path.append(data->toString());
        if (item && item->containsLocation(*node->location()))
            break;
    }
    if (path.isEmpty())
        return TypeFromAST{object, value, local};
    PathResult result = object->resolvePath(path, *local);
    return TypeFromAST{result.remainder.isEmpty() ? result.type : nullptr, value, local};
}

} // namespace

std::optional<NMOutput> matchToAST(const NodeMatcher& matcher, const ASTNodePtr& ast)
{
    if (!ast)
        return std::nullopt;
    NMOutput output;
    if (!matcher.matches(NMInput(ast, ast->location()), output))
        return std::nullopt;
    return output;
}

std::optional<TypeFromAST> getTypeFromAST(const ASTNodePtr& node, const Scope& globalScope)
{
    if (!node)
        return std::nullopt;

    if (auto out = matchFresh(identifierInValue(), node)) {
        if (out->matched.size() < 2)
            return std::nullopt;
        const ASTNodePtr& identifier = out->matched.at(0);
        const ASTNodePtr& value = out->matched.at(1);
        auto path = typePath(value);
        if (path && !path->isEmpty() && path->at(0).isString())
            return commonTail(Found{path->at(0), value}, globalScope);
        return commonTail(Found{identifier->data().value_or(QJsonValue()), identifier}, globalScope);
    }

    if (auto out = matchFresh(identifierInAccess(), node)) {
        if (out->matched.size() < 4)
            return std::nullopt;
        const ASTNodePtr& properties = out->matched.at(2);
        const ASTNodePtr& value = out->matched.at(3);
        if (auto path = typePath(value)) {
            // Entry j + 1 belongs to the j-th property: the one that holds the input node names
            // that identifier's own type, not the type of the whole chain.
            for (qsizetype j = 0; j < properties->count() && j + 1 < path->size(); ++j) {
                ASTNodePtr property = properties->getChild(j);
                const QJsonValue entry = path->at(j + 1);
                if (!property || !entry.isString() || !property->containsLocation(*node->location()))
                    continue;
                if (entry.toString() != QLatin1String("?"))
                    return commonTail(Found{entry, value}, globalScope);
            }
        }
        return resolveMemberPath(value, node, globalScope);
    }

    if (matchFresh(typedConstruct(), node))
        return fromTypeHash(node, globalScope);

    if (auto out = matchFresh(literalElements(), node)) {
        if (out->matched.size() < 3)
            return std::nullopt;
        return fromTypeHash(out->matched.at(2), globalScope);
    }
    return std::nullopt;
}

QString typeStringAt(CodeLines& lines, const ASTNodePtr& ast, const Scope& globalScope, qint64 offset)
{
    const QString unknown = QStringLiteral("?");
    if (!ast)
        return unknown;
    const LocationPtr location = lines.locationForCharacterLocation(offset);
    const ASTNodePtr node = location ? ast->getAstAt(*location) : nullptr;
    if (!node)
        return unknown;
    const auto found = getTypeFromAST(node, globalScope);
    return found && found->type ? found->type->toInspect() : unknown;
}
