#pragma once

#include "analysis/types/Type.h"

// Any value: "*" in a description.
class Any : public Type {
public:
    Kind kind() const override { return Kind::Any; }
    QString name() const override { return QStringLiteral("Any"); }
    bool equals(const Type* other) const override;
    QString toInspect() const override { return QStringLiteral("*"); }
};
