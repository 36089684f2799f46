#pragma once

#include "analysis/types/TObject.h"

#include <QStringList>

// A function type: parameters, result and whether it constructs; also an object (its members).
class TFunc : public TObject {
public:
    explicit TFunc(const QJsonObject& input) : TFunc(input, 0) {}
    TFunc(const QJsonObject& input, int depth);
    // The type the completion offers for a constructor after "new": no parameters, returning
    // the given type (Any when none), named "object".
    static std::shared_ptr<TFunc> ctorOfType(const TypePtr& type);

    const QList<TypePtr>& paramTypes() const { return m_paramTypes; }
    const QStringList& paramNames() const { return m_paramNames; }
    const TypePtr& returns() const { return m_returns; }
    bool isCTOR() const { return m_isCTOR; }

    Kind kind() const override { return Kind::Func; }
    bool equals(const Type* other) const override;
    TypePtr returnType() const override { return m_returns; }

private:
    struct CtorTag {};
    TFunc(CtorTag, const TypePtr& returns);

    QList<TypePtr> m_paramTypes;
    QStringList m_paramNames;
    TypePtr m_returns;
    bool m_isCTOR = false;
};
