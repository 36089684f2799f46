#pragma once

#include "analysis/types/Type.h"
#include "model/Location.h"

#include <QJsonObject>
#include <QList>

#include <memory>
#include <optional>

class Scope;
class TObject;
using ScopePtr = std::shared_ptr<Scope>;

// One lexical scope of a compile, read from the inference script's scope JSON
// ({"vars", "refs", "location", "typeDict", "children"}). The root also carries the global types,
// so a name no scope declares falls back to them. A scope owns its children; the parent link is
// weak, so the tree lives as long as its root is held. Built once per compile, then only read.
class Scope : public std::enable_shared_from_this<Scope> {
public:
    // Builds this scope and, recursively, all scopes below it. Every argument may be absent.
    static ScopePtr create(const std::optional<QJsonObject>& scope = std::nullopt,
                           const ScopePtr& parent = nullptr,
                           const std::optional<TypeTable>& globals = std::nullopt);

    ScopePtr parent() const { return m_parent.lock(); }
    void setParent(const ScopePtr& parent) { m_parent = parent; }
    const QList<ScopePtr>& children() const { return m_children; }
    void setChildren(const QList<ScopePtr>& children) { m_children = children; }

    const QJsonObject& scope() const { return m_scope; }
    const QJsonObject& vars() const { return m_vars; }
    const QJsonObject& refs() const { return m_refs; }
    const std::optional<TypeTable>& globals() const { return m_globals; }
    const std::optional<QJsonObject>& typeDict() const { return m_typeDict; }
    const LocationPtr& location() const { return m_location; }

    // The type of a name as seen from here: "#" keys from the root's type dictionary, then this
    // scope's names, the enclosing scopes' names and the globals. A description that names
    // another variable ("@…" or "#…") is followed, in the dictionary too; a name that leads back
    // to itself answers null.
    TypePtr getVariableType(const QString& name) const;
    // The root type dictionary's entry for a "#" key; a Literal of the key when it lacks one.
    TypePtr getHashType(const QString& name) const;
    // The innermost scope of this subtree that contains the location; the root always answers.
    ScopePtr getScopeAt(const Location& location) const;
    // The root contains every location; any other scope its own range, bounds included.
    bool containsLocation(const Location& location) const;
    // The names visible from here as one object type (globals named "@…" left out).
    std::shared_ptr<TObject> asObject() const;
    // The names visible from here with their types (every global included).
    TypeTable variables() const;

private:
    Scope() = default;
    // Scope trees deeper than this lose their deeper children instead of the stack.
    static constexpr int kMaxDepth = 500;
    static ScopePtr create(const std::optional<QJsonObject>& scope, const ScopePtr& parent,
                           const std::optional<TypeTable>& globals, int depth);
    TypePtr lookup(const QString& name, const Scope& origin, QStringList& resolving) const;

    std::weak_ptr<Scope> m_parent;
    QJsonObject m_scope;
    QJsonObject m_vars;
    QJsonObject m_refs;
    std::optional<TypeTable> m_globals;
    std::optional<QJsonObject> m_typeDict;
    LocationPtr m_location;
    QList<ScopePtr> m_children;
};
