#include "analysis/types/TEnum.h"

TEnum::TEnum(const QJsonObject& input, int depth)
    : m_type(Type::fromAny(input.value(QStringLiteral("type")), depth + 1))
{
    const QJsonValue values = input.value(QStringLiteral("values"));
    if (values.isArray())
        m_values = values.toArray();
}

bool TEnum::equals(const Type* other) const
{
    if (other == this)
        return true;
    if (!other || other->kind() != Kind::Enum)
        return false;
    const auto* o = static_cast<const TEnum*>(other);
    return typesAreEqual(m_type, o->m_type) && valueArraysAreEqual(m_values, o->m_values);
}
