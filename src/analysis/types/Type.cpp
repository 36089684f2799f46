#include "analysis/types/Type.h"

#include "analysis/types/Any.h"
#include "analysis/types/Literal.h"
#include "analysis/types/TArray.h"
#include "analysis/types/TEnum.h"
#include "analysis/types/TFunc.h"
#include "analysis/types/TObject.h"
#include "analysis/types/Unknown.h"

TypePtr Type::fromAny(const QJsonValue& value)
{
    return fromAny(value, 0);
}

TypePtr Type::fromAny(const QJsonValue& value, int depth)
{
    if (depth > kMaxDepth)
        return std::make_shared<Unknown>();
    if (value.isString()) {
        const QString text = value.toString();
        if (text == QLatin1String("*"))
            return std::make_shared<Any>();
        if (text == QLatin1String("?"))
            return std::make_shared<Unknown>();
        return std::make_shared<Literal>(text);
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        const QJsonValue id = object.value(QStringLiteral("id"));
        if (id.isString()) {
            const QString kind = id.toString();
            if (kind == QLatin1String("func"))
                return std::make_shared<TFunc>(object, depth);
            if (kind == QLatin1String("object"))
                return std::make_shared<TObject>(object, depth);
            if (kind == QLatin1String("enum"))
                return std::make_shared<TEnum>(object, depth);
            if (kind == QLatin1String("array"))
                return std::make_shared<TArray>(object, depth);
        }
    }
    return std::make_shared<Unknown>();
}

TypeTable Type::fromDictionaryToMembers(const QJsonObject& object)
{
    return fromDictionaryToMembers(object, 0);
}

TypeTable Type::fromDictionaryToMembers(const QJsonObject& object, int depth)
{
    static const QString reserved = QStringLiteral("__reserved__");
    TypeTable table;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        QString key = it.key();
        if (key.startsWith(reserved))
            key = key.mid(reserved.size());
        table.insert(key, fromAny(it.value(), depth + 1));
    }
    return table;
}

QString Type::name() const
{
    return QStringLiteral("Type");
}

bool Type::equals(const Type* other) const
{
    return other == this;
}

QString Type::toInspect() const
{
    return QStringLiteral("Type");
}

bool Type::isObjectType() const
{
    const Kind k = kind();
    return k == Kind::Object || k == Kind::Func || k == Kind::Array;
}

bool operator==(const Type& a, const Type& b)
{
    return a.equals(&b);
}

bool typesAreEqual(const TypePtr& a, const TypePtr& b)
{
    if (!a || !b)
        return !a && !b;
    return a->equals(b.get());
}

bool objectMembersAreEqual(const TypeTable& a, const TypeTable& b)
{
    if (a.size() != b.size())
        return false;
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        auto other = b.constFind(it.key());
        if (other == b.constEnd() || !typesAreEqual(it.value(), other.value()))
            return false;
    }
    return true;
}

bool typeArraysAreEqual(const QList<TypePtr>& a, const QList<TypePtr>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && !typesAreEqual(a[i], b[i]))
            return false;
    }
    return true;
}

bool valueArraysAreEqual(const QJsonArray& a, const QJsonArray& b)
{
    // JSON values are kept by content, so they compare by content.
    return a == b;
}

QJsonObject ensureDictionaryMembers(const QJsonValue& value)
{
    return value.isObject() ? value.toObject() : QJsonObject();
}
