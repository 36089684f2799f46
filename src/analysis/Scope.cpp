#include "analysis/Scope.h"

#include "analysis/types/Literal.h"
#include "analysis/types/TObject.h"

ScopePtr Scope::create(const std::optional<QJsonObject>& scope, const ScopePtr& parent,
                       const std::optional<TypeTable>& globals)
{
    return create(scope, parent, globals, 0);
}

ScopePtr Scope::create(const std::optional<QJsonObject>& scope, const ScopePtr& parent,
                       const std::optional<TypeTable>& globals, int depth)
{
    ScopePtr self(new Scope());
    self->m_scope = scope.value_or(QJsonObject());
    self->m_vars = ensureDictionaryMembers(self->m_scope.value(QStringLiteral("vars")));
    self->m_refs = ensureDictionaryMembers(self->m_scope.value(QStringLiteral("refs")));
    self->m_parent = parent;
    self->m_globals = globals;
    const QJsonValue location = self->m_scope.value(QStringLiteral("location"));
    self->m_location = location.isString() ? Location::from(location.toString()) : Location::from();
    const QJsonValue typeDict = self->m_scope.value(QStringLiteral("typeDict"));
    if (typeDict.isObject())
        self->m_typeDict = typeDict.toObject();
    const QJsonValue children = self->m_scope.value(QStringLiteral("children"));
    if (children.isArray() && depth < kMaxDepth) {
        for (const QJsonValue& child : children.toArray())
            self->m_children.append(create(ensureDictionaryMembers(child), self, std::nullopt, depth + 1));
    }
    return self;
}

TypePtr Scope::getHashType(const QString& name) const
{
    if (ScopePtr up = parent())
        return up->getHashType(name);
    if (m_typeDict) {
        auto it = m_typeDict->constFind(name);
        if (it != m_typeDict->constEnd())
            return Type::fromAny(it.value());
    }
    return Type::fromAny(QJsonValue(name));
}

TypePtr Scope::getVariableType(const QString& name) const
{
    QStringList resolving{name};
    return lookup(name, *this, resolving);
}

TypePtr Scope::lookup(const QString& name, const Scope& origin, QStringList& resolving) const
{
    if (name.startsWith(QLatin1Char('#'))) {
        // The dictionary writes a type of the library by its name ("#3": "@Frame"); such an
        // entry stands for the type it names, as a variable's description does. A key the
        // dictionary lacks answers itself, and a name that leads nowhere stays the name.
        TypePtr hashed = getHashType(name);
        if (hashed && hashed->kind() == Type::Kind::Literal) {
            const QString& value = static_cast<const Literal&>(*hashed).value();
            if (value != name && (value.startsWith(QLatin1Char('#')) || value.startsWith(QLatin1Char('@')))) {
                if (resolving.contains(value))
                    return nullptr;
                resolving.append(value);
                if (TypePtr named = origin.lookup(value, origin, resolving))
                    return named;
            }
        }
        return hashed;
    }
    TypePtr candidate;
    auto own = m_vars.constFind(name);
    if (own != m_vars.constEnd()) {
        candidate = Type::fromAny(own.value());
    } else if (ScopePtr up = parent()) {
        candidate = up->lookup(name, *up, resolving);
    } else if (m_globals) {
        candidate = m_globals->value(name);
    }
    if (!candidate)
        return nullptr;
    if (candidate->kind() == Type::Kind::Literal) {
        const QString& value = static_cast<const Literal&>(*candidate).value();
        if (value.startsWith(QLatin1Char('#')) || value.startsWith(QLatin1Char('@'))) {
            // A name that leads back to one being resolved would loop for ever: no answer.
            if (resolving.contains(value))
                return nullptr;
            resolving.append(value);
            return origin.lookup(value, origin, resolving);
        }
    }
    return candidate;
}

bool Scope::containsLocation(const Location& location) const
{
    if (!parent())
        return true;
    return m_location->contains(location);
}

ScopePtr Scope::getScopeAt(const Location& location) const
{
    if (!containsLocation(location))
        return nullptr;
    for (const ScopePtr& child : m_children) {
        if (ScopePtr found = child->getScopeAt(location))
            return found;
    }
    return std::const_pointer_cast<Scope>(shared_from_this());
}

TypeTable Scope::variables() const
{
    TypeTable result;
    if (ScopePtr up = parent())
        result = up->variables();
    else if (m_globals)
        result = *m_globals;
    for (auto it = m_vars.constBegin(); it != m_vars.constEnd(); ++it)
        result.insert(it.key(), Type::fromAny(it.value()));
    return result;
}

std::shared_ptr<TObject> Scope::asObject() const
{
    std::shared_ptr<TObject> result;
    if (ScopePtr up = parent()) {
        result = up->asObject();
    } else {
        result = std::make_shared<TObject>(QJsonObject());
        if (m_globals) {
            for (auto it = m_globals->constBegin(); it != m_globals->constEnd(); ++it) {
                if (!it.key().startsWith(QLatin1Char('@')))
                    result->members().insert(it.key(), it.value());
            }
        }
    }
    for (auto it = m_vars.constBegin(); it != m_vars.constEnd(); ++it)
        result->members().insert(it.key(), Type::fromAny(it.value()));
    return result;
}
