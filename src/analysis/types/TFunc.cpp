#include "analysis/types/TFunc.h"

#include "analysis/types/Any.h"

TFunc::TFunc(const QJsonObject& input, int depth) : TObject(input, depth)
{
    const QJsonValue types = input.value(QStringLiteral("paramTypes"));
    if (types.isArray()) {
        for (const QJsonValue& t : types.toArray())
            m_paramTypes.append(Type::fromAny(t, depth + 1));
    }
    // Names that are not strings are kept as empty names, so that positions still line up.
    const QJsonValue names = input.value(QStringLiteral("paramNames"));
    if (names.isArray()) {
        for (const QJsonValue& n : names.toArray())
            m_paramNames.append(n.isString() ? n.toString() : QString());
    }
    const QJsonValue ctor = input.value(QStringLiteral("isConstructor"));
    if (ctor.isBool())
        m_isCTOR = ctor.toBool();
    else if (ctor.isDouble())
        m_isCTOR = ctor.toDouble() != 0;
    m_returns = Type::fromAny(input.value(QStringLiteral("returns")), depth + 1);
    setDefaultName(QStringLiteral("function"));
}

TFunc::TFunc(CtorTag, const TypePtr& returns)
    : TObject(QJsonObject(), 0), m_returns(returns ? returns : std::make_shared<Any>()), m_isCTOR(true)
{
}

std::shared_ptr<TFunc> TFunc::ctorOfType(const TypePtr& type)
{
    return std::shared_ptr<TFunc>(new TFunc(CtorTag{}, type));
}

bool TFunc::equals(const Type* other) const
{
    if (other == this)
        return true;
    // Two functions compare by signature only; a function never equals an object or an array
    // that merely has the same object part.
    if (!other || other->kind() != Kind::Func)
        return false;
    const auto* o = static_cast<const TFunc*>(other);
    return m_isCTOR == o->m_isCTOR && typesAreEqual(m_returns, o->m_returns)
        && typeArraysAreEqual(m_paramTypes, o->m_paramTypes);
}
