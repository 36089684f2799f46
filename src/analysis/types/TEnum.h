#pragma once

#include "analysis/types/Type.h"

// An enumeration: an element type and the raw values, kept as they came.
class TEnum : public Type {
public:
    explicit TEnum(const QJsonObject& input) : TEnum(input, 0) {}
    TEnum(const QJsonObject& input, int depth);

    const TypePtr& type() const { return m_type; }
    const QJsonArray& values() const { return m_values; }

    Kind kind() const override { return Kind::Enum; }
    QString name() const override { return QStringLiteral("enum"); }
    bool equals(const Type* other) const override;

private:
    TypePtr m_type;
    QJsonArray m_values;
};
