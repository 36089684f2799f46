#include "model/ASTArray.h"

#include "model/AST.h"

ASTArray::ASTArray(Key key, const ASTNodePtr& parent)
    : AST_OrArray(key, parent)
{
    // The list has no range of its own: it shares the very object of the node that holds it.
    if (parent)
        setLocation(parent->location());
}

std::shared_ptr<ASTArray> ASTArray::create(const QJsonArray& json, const QString& key,
                                           const ASTNodePtr& parent)
{
    return create(JsonText::fromValue(json), key, parent);
}

std::shared_ptr<ASTArray> ASTArray::create(const JsonText::Ref& json, const QString& key,
                                           const ASTNodePtr& parent)
{
    auto array = std::make_shared<ASTArray>(Key{}, parent);
    array->m_key = key;
    if (json.isNull())
        return array;
    const JsonText& text = *json.text;
    text.forEachItem(json.span, [&](JsonText::Span item) {
        if (text.isArray(item))
            array->m_items.append(ASTArray::create({json.text, item}, key, array));
        else
            array->m_items.append(AST::create(JsonText::Ref{json.text, item}, array));
    });
    return array;
}

qsizetype ASTArray::count() const
{
    return m_items.size();
}

QString ASTArray::label() const
{
    return m_key;
}

ASTNodePtr ASTArray::getChild(qsizetype index) const
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.at(index);
}

bool ASTArray::catchesLocation(const Location& location) const
{
    // Nested lists are walked with a stack of their own, so that a deeply nested list cannot
    // exhaust the call stack.
    QList<const ASTArray*> lists{this};
    while (!lists.isEmpty()) {
        const ASTArray* list = lists.takeLast();
        for (const ASTNodePtr& item : list->m_items) {
            if (!item)
                continue;
            if (const auto* nested = dynamic_cast<const ASTArray*>(item.get()))
                lists.append(nested);
            else if (item->containsLocation(location))
                return true;
        }
    }
    return false;
}
