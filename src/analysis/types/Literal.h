#pragma once

#include "analysis/types/Type.h"

// A name still to be resolved through a scope: a variable, a type ("@…") or a key of the
// compile's type dictionary ("#…").
class Literal : public Type {
public:
    explicit Literal(const QString& input) : m_value(input) {}

    const QString& value() const { return m_value; }

    Kind kind() const override { return Kind::Literal; }
    QString name() const override { return QStringLiteral("Literal"); }
    bool equals(const Type* other) const override;
    QString toInspect() const override { return m_value; }

private:
    QString m_value;
};
