#include "analysis/types/Any.h"

bool Any::equals(const Type* other) const
{
    return other && other->kind() == Kind::Any;
}
