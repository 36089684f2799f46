#pragma once

#include "analysis/types/TObject.h"

// An array type: its element type; also an object (its members).
class TArray : public TObject {
public:
    explicit TArray(const QJsonObject& input) : TArray(input, 0) {}
    TArray(const QJsonObject& input, int depth);

    const TypePtr& type() const { return m_type; }

    Kind kind() const override { return Kind::Array; }
    bool equals(const Type* other) const override;
    TypePtr returnType() const override { return m_type; }

private:
    TypePtr m_type;
};
