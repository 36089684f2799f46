#include "analysis/types/TObject.h"

namespace {

QString renderOptional(const TypePtr& type)
{
    if (!type)
        return QStringLiteral("nil");
    QString text = type->toInspect();
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QStringLiteral("Optional(\"%1\")").arg(text);
}

} // namespace

TObject::TObject(const QJsonObject& input, int depth)
{
    const auto present = [&](const char* key, QJsonValue& out) {
        auto it = input.constFind(QLatin1String(key));
        if (it == input.constEnd())
            return false;
        out = it.value();
        return true;
    };
    QJsonValue v;
    if (present("xtends", v))
        m_xtends = Type::fromAny(v, depth + 1);
    if (present("ctor", v) && v.isString())
        m_ctor = Type::fromAny(v, depth + 1);
    if (present("name", v) && v.isString())
        m_name = v.toString();
    if (present("members", v) && v.isObject())
        m_members = Type::fromDictionaryToMembers(v.toObject(), depth + 1);
    if (present("asDictOfType", v))
        m_asDictOfType = Type::fromAny(v, depth + 1);
    if (present("aliasOf", v))
        m_aliasOf = Type::fromAny(v, depth + 1);
    if (present("annotations", v))
        m_annotations = v;
}

QString TObject::name() const
{
    return m_name ? *m_name : m_defaultName;
}

bool TObject::objectPartEquals(const TObject& other) const
{
    return typesAreEqual(m_xtends, other.m_xtends) && typesAreEqual(m_ctor, other.m_ctor)
        && typesAreEqual(m_asDictOfType, other.m_asDictOfType)
        && objectMembersAreEqual(m_members, other.m_members);
}

bool TObject::equals(const Type* other) const
{
    if (other == this)
        return true;
    // A function or array type never equals a plain object type: equality must stay symmetric
    // for the completion ranking to sort soundly.
    if (!other || other->kind() != Kind::Object)
        return false;
    return objectPartEquals(*static_cast<const TObject*>(other));
}

QString TObject::toInspect() const
{
    return name() + QStringLiteral(" xtends:") + renderOptional(m_xtends) + QStringLiteral(" aliasOf:")
        + renderOptional(m_aliasOf) + QStringLiteral(" asDictOfType:") + renderOptional(m_asDictOfType);
}
