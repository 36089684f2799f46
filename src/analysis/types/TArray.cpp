#include "analysis/types/TArray.h"

TArray::TArray(const QJsonObject& input, int depth)
    : TObject(input, depth), m_type(Type::fromAny(input.value(QStringLiteral("type")), depth + 1))
{
    setDefaultName(QStringLiteral("array"));
}

bool TArray::equals(const Type* other) const
{
    if (other == this)
        return true;
    // Arrays compare by element type only: an array of numbers is not an array of strings,
    // whatever members the two share.
    if (!other || other->kind() != Kind::Array)
        return false;
    return typesAreEqual(m_type, static_cast<const TArray*>(other)->m_type);
}
