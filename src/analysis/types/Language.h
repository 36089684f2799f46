#pragma once

#include "analysis/types/Type.h"

// A construct of the language itself; no description reads as it.
class Language : public Type {
public:
    Kind kind() const override { return Kind::Language; }
    QString name() const override { return QStringLiteral("Language"); }
    bool equals(const Type* other) const override;
};
