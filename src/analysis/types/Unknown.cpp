#include "analysis/types/Unknown.h"

bool Unknown::equals(const Type* other) const
{
    return other && other->kind() == Kind::Unknown;
}
