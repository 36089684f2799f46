#pragma once

#include "analysis/types/Type.h"

// The unknown type: "?" in a description, and whatever a description does not make clear.
class Unknown : public Type {
public:
    Kind kind() const override { return Kind::Unknown; }
    QString name() const override { return QStringLiteral("Unknown"); }
    bool equals(const Type* other) const override;
    QString toInspect() const override { return QStringLiteral("?"); }
};
