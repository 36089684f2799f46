#include "compiler/model/AST.h"

#include "compiler/model/ASTArray.h"

#include <QJsonArray>
#include <QJsonObject>

AST::AST(Key key, const QJsonValue& json, const ASTNodePtr& parent)
    : AST_OrArray(key, parent)
    , m_json(json)
{
    if (!json.isObject())
        return;
    const QJsonObject object = json.toObject();
    const QJsonValue location = object.value(QLatin1String("location"));
    if (location.isString())
        setLocation(Location::from(location.toString()));
    const QJsonValue type = object.value(QLatin1String("type"));
    if (type.isString())
        setType(type.toString());
    const QJsonValue data = object.value(QLatin1String("data"));
    if (!data.isUndefined())
        setData(data);
    const QJsonValue typeHash = object.value(QLatin1String("typeHash"));
    if (typeHash.isString())
        setTypeHash(typeHash.toString());
}

std::shared_ptr<AST> AST::create(const QJsonValue& json, const ASTNodePtr& parent)
{
    return std::make_shared<AST>(Key{}, json, parent);
}

qsizetype AST::count() const
{
    parseChildren();
    return m_children.size();
}

QString AST::label() const
{
    return type();
}

ASTNodePtr AST::getChild(qsizetype index) const
{
    parseChildren();
    if (index < 0 || index >= m_children.size())
        return nullptr;
    return m_children.at(index);
}

const QList<ASTNodePtr>& AST::children() const
{
    parseChildren();
    return m_children;
}

void AST::setChildren(const QList<ASTNodePtr>& children)
{
    m_parsedChildren = true;
    m_children = children;
}

void AST::parseChildren() const
{
    if (m_parsedChildren)
        return;
    m_parsedChildren = true;
    if (!m_json.isObject())
        return;
    const QJsonObject object = m_json.toObject();
    const QJsonValue names = object.value(QLatin1String("children"));
    if (!names.isArray())
        return;
    const ASTNodePtr me = self();
    const QJsonArray list = names.toArray();
    m_children.reserve(list.size());
    for (const QJsonValue& name : list) {
        // Only names count; a name the object lacks still takes its place (an empty node), so
        // that child positions keep their meaning.
        if (!name.isString())
            continue;
        const QString key = name.toString();
        const QJsonValue value = object.value(key);
        if (value.isArray())
            m_children.append(ASTArray::create(value.toArray(), key, me));
        else
            m_children.append(AST::create(value, me));
    }
}
