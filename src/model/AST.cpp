#include "model/AST.h"

#include "model/ASTArray.h"


AST::AST(Key key, const JsonText::Ref& json, const ASTNodePtr& parent)
    : AST_OrArray(key, parent)
    , m_json(json)
{
    if (json.isNull() || !json.text->isObject(json.span))
        return;
    const JsonText& text = *json.text;
    text.forEachMember(json.span, [&](const QString& name, JsonText::Span value) {
        if (name == QLatin1String("location")) {
            if (text.isString(value))
                setLocation(Location::from(text.string(value)));
        } else if (name == QLatin1String("type")) {
            if (text.isString(value))
                setType(text.string(value));
        } else if (name == QLatin1String("data")) {
            setData(text.value(value));
        } else if (name == QLatin1String("typeHash")) {
            if (text.isString(value))
                setTypeHash(text.string(value));
        }
        return true;
    });
}

std::shared_ptr<AST> AST::create(const QJsonValue& json, const ASTNodePtr& parent)
{
    return create(JsonText::fromValue(json), parent);
}

std::shared_ptr<AST> AST::create(const JsonText::Ref& json, const ASTNodePtr& parent)
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
    if (m_json.isNull() || !m_json.text->isObject(m_json.span))
        return;
    const JsonText& text = *m_json.text;
    // The members once, then the children in the order "children" names them.
    QList<std::pair<QString, JsonText::Span>> members;
    JsonText::Span names;
    text.forEachMember(m_json.span, [&](const QString& name, JsonText::Span value) {
        if (name == QLatin1String("children"))
            names = value;
        else
            members.append({name, value});
        return true;
    });
    const ASTNodePtr me = self();
    text.forEachItem(names, [&](JsonText::Span item) {
        // Only names count; a name the object lacks still takes its place (an empty node), so
        // that child positions keep their meaning.
        if (!text.isString(item))
            return;
        const QString key = text.string(item);
        JsonText::Span value;
        for (const auto& member : members) {
            if (member.first == key) {
                value = member.second;
                break;
            }
        }
        if (text.isArray(value))
            m_children.append(ASTArray::create({m_json.text, value}, key, me));
        else
            m_children.append(AST::create(JsonText::Ref{value.isEmpty() ? nullptr : m_json.text, value}, me));
    });
}
