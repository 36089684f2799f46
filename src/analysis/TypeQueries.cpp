#include "analysis/TypeQueries.h"

#include "analysis/Scope.h"
#include "analysis/types/Literal.h"
#include "analysis/types/TObject.h"

#include <QSet>

namespace {

// Parent and alias chains are resolved by name, and every lookup builds fresh objects, so a
// cycle can't be told by identity: the walks stop after this many steps instead.
constexpr int kMaxChain = 64;

MemberTable membersForObject(const std::shared_ptr<TObject>& object, const Scope& scope, int depth)
{
    MemberTable table;
    if (!object)
        return table;
    if (object->xtends() && depth < kMaxChain) {
        auto parent = typeAs<TObject>(typeForAnyObject(object->xtends(), scope));
        if (parent)
            extendTypeDict(table, membersForObject(parent, scope, depth + 1));
    }
    extendTypeDict(table, object->members(), object);
    const QJsonValue annotations = object->annotations();
    if (annotations.isObject()) {
        const QJsonValue excluded = annotations.toObject().value(QStringLiteral("excludeInherited"));
        if (excluded.isArray()) {
            const QJsonArray names = excluded.toArray();
            const bool allStrings = std::all_of(names.begin(), names.end(),
                                                [](const QJsonValue& v) { return v.isString(); });
            if (allStrings) {
                for (const QJsonValue& name : names)
                    table.remove(name.toString());
            }
        }
    }
    return table;
}

} // namespace

TypePtr typeForAnyObject(const QString& name, const Scope& scope)
{
    return scope.getVariableType(name);
}

TypePtr typeForAnyObject(const TypePtr& type, const Scope& scope)
{
    if (!type)
        return nullptr;
    if (type->kind() == Type::Kind::Literal)
        return scope.getVariableType(static_cast<const Literal&>(*type).value());
    return type;
}

TypePtr typeForAnyObject(const QJsonValue& value, const Scope& scope)
{
    return value.isString() ? scope.getVariableType(value.toString()) : nullptr;
}

MemberTable membersForType(const QString& name, const Scope& scope)
{
    return membersForObject(typeAs<TObject>(typeForAnyObject(name, scope)), scope);
}

MemberTable membersForType(const TypePtr& type, const Scope& scope)
{
    return membersForObject(typeAs<TObject>(typeForAnyObject(type, scope)), scope);
}

MemberTable membersForObject(const std::shared_ptr<TObject>& object, const Scope& scope)
{
    return membersForObject(object, scope, 0);
}

MemberTable& extendTypeDict(MemberTable& table, const MemberTable& with)
{
    for (auto it = with.constBegin(); it != with.constEnd(); ++it)
        table.insert(it.key(), it.value());
    return table;
}

MemberTable& extendTypeDict(MemberTable& table, const TypeTable& with, const std::shared_ptr<TObject>& parent)
{
    for (auto it = with.constBegin(); it != with.constEnd(); ++it)
        table.insert(it.key(), MemberEntry{it.value(), parent});
    return table;
}

PathResult TObject::resolvePath(const QStringList& path, const Scope& scope) const
{
    auto self = std::const_pointer_cast<Type>(shared_from_this());
    if (path.isEmpty())
        return {self, {}};
    const QString& first = path.first();
    const QStringList rest = path.mid(1);
    TypePtr member;
    if (m_asDictOfType) {
        member = m_asDictOfType;
    } else {
        const MemberTable members = membersForObject(std::static_pointer_cast<TObject>(self), scope);
        auto it = members.constFind(first);
        if (it == members.constEnd())
            return {self, path};
        member = it.value().type;
    }
    if (member && member->kind() == Type::Kind::Literal) {
        member = scope.getVariableType(static_cast<const Literal&>(*member).value());
        if (!member)
            return {nullptr, rest};
    }
    if (member && member->isObjectType())
        return static_cast<const TObject&>(*member).resolvePath(rest, scope);
    return {member, rest};
}

bool typeIsAliasOf(const TypePtr& t, const TypePtr& type)
{
    auto object = typeAs<TObject>(t);
    return object && object->aliasOf() && typesAreEqual(object->aliasOf(), type);
}

TypePtr resolveAlias(const TypePtr& t, const Scope& scope)
{
    TypePtr current = t;
    for (int step = 0; step < kMaxChain; ++step) {
        auto object = typeAs<TObject>(current);
        if (!object || !object->aliasOf())
            return current;
        TypePtr aliased = typeForAnyObject(object->aliasOf(), scope);
        if (!aliased)
            return current;
        current = aliased;
    }
    return current;
}
