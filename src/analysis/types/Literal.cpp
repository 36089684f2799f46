#include "analysis/types/Literal.h"

bool Literal::equals(const Type* other) const
{
    return other && other->kind() == Kind::Literal && static_cast<const Literal*>(other)->m_value == m_value;
}
