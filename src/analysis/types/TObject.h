#pragma once

#include "analysis/types/Type.h"

#include <optional>

class Scope;
struct PathResult;

// An object type: own members, an optional parent ("xtends"), constructor, explicit name,
// dictionary element type ("asDictOfType") and alias ("aliasOf"), plus free-form annotations.
class TObject : public Type {
public:
    explicit TObject(const QJsonObject& input) : TObject(input, 0) {}
    TObject(const QJsonObject& input, int depth);

    const TypePtr& xtends() const { return m_xtends; }
    const TypePtr& ctor() const { return m_ctor; }
    const std::optional<QString>& explicitName() const { return m_name; }
    const TypePtr& asDictOfType() const { return m_asDictOfType; }
    const TypePtr& aliasOf() const { return m_aliasOf; }

    // The three fields that may change after reading: the completion engine adds members in place.
    const TypeTable& members() const { return m_members; }
    TypeTable& members() { return m_members; }
    void setMembers(const TypeTable& members) { m_members = members; }
    // Undefined when there are none.
    const QJsonValue& annotations() const { return m_annotations; }
    void setAnnotations(const QJsonValue& annotations) { m_annotations = annotations; }
    const QString& defaultName() const { return m_defaultName; }
    void setDefaultName(const QString& name) { m_defaultName = name; }

    Kind kind() const override { return Kind::Object; }
    QString name() const override;
    bool equals(const Type* other) const override;
    TypePtr returnType() const override { return m_asDictOfType; }
    QString toInspect() const override;

    // Walks a member path from this object; see TypeQueries.
    PathResult resolvePath(const QStringList& path, const Scope& scope) const;

protected:
    // The rule shared by all object kinds: parent, constructor, dictionary type, then members.
    bool objectPartEquals(const TObject& other) const;

private:
    TypePtr m_xtends;
    TypePtr m_ctor;
    std::optional<QString> m_name;
    TypePtr m_asDictOfType;
    TypePtr m_aliasOf;
    TypeTable m_members;
    QJsonValue m_annotations = QJsonValue(QJsonValue::Undefined);
    QString m_defaultName = QStringLiteral("object");
};
