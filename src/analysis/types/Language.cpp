#include "analysis/types/Language.h"

bool Language::equals(const Type* other) const
{
    return other && other->kind() == Kind::Language;
}
