#pragma once

#include "analysis/types/Type.h"

#include <QMap>
#include <QStringList>

class Scope;
class TObject;

// One member of a member table: its type and the object type that declares it (the object
// itself for own members, the ancestor for inherited ones).
struct MemberEntry {
    TypePtr type;
    std::shared_ptr<TObject> parent;
};
using MemberTable = QMap<QString, MemberEntry>;

// Where a member path led: the type reached and the names not walked.
struct PathResult {
    TypePtr type;
    QStringList remainder;
};

// The type a value stands for: a name (or a Literal's name) is looked up in the scope, any
// other type is itself; anything else has none.
TypePtr typeForAnyObject(const QString& name, const Scope& scope);
TypePtr typeForAnyObject(const TypePtr& type, const Scope& scope);
TypePtr typeForAnyObject(const QJsonValue& value, const Scope& scope);

// Members of the value's type, inherited ones included; empty unless it is an object type.
MemberTable membersForType(const QString& name, const Scope& scope);
MemberTable membersForType(const TypePtr& type, const Scope& scope);
// Members of an object type: the parent's (through "xtends"), then its own, less the names of
// its "excludeInherited" annotation. A parent chain that comes back to itself is cut off.
MemberTable membersForObject(const std::shared_ptr<TObject>& object, const Scope& scope);

// Copies entries into the table in place (a later entry replaces one of the same name).
MemberTable& extendTypeDict(MemberTable& table, const MemberTable& with);
MemberTable& extendTypeDict(MemberTable& table, const TypeTable& with, const std::shared_ptr<TObject>& parent);

// Whether `t` is an object type whose alias equals `type`.
bool typeIsAliasOf(const TypePtr& t, const TypePtr& type);
// Follows "aliasOf" through the scope until a type that is no alias; a cycle ends where it
// would repeat.
TypePtr resolveAlias(const TypePtr& t, const Scope& scope);
