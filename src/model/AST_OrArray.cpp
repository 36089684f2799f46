#include "model/AST_OrArray.h"

AST_OrArray::AST_OrArray(Key, const ASTNodePtr& parent)
    : m_parent(parent)
    , m_location(Location::from())
    , m_type(QStringLiteral("Expressions"))
{
}

AST_OrArray::~AST_OrArray() = default;

ASTNodePtr AST_OrArray::create(const ASTNodePtr& parent)
{
    return std::make_shared<AST_OrArray>(Key{}, parent);
}

ASTNodePtr AST_OrArray::self() const
{
    return std::const_pointer_cast<AST_OrArray>(shared_from_this());
}

qsizetype AST_OrArray::count() const
{
    return 0;
}

QString AST_OrArray::label() const
{
    return QString();
}

ASTNodePtr AST_OrArray::getChild(qsizetype) const
{
    return nullptr;
}

bool AST_OrArray::containsLocation(const Location& location) const
{
    return m_location->contains(location);
}

bool AST_OrArray::catchesLocation(const Location& location) const
{
    return containsLocation(location);
}

ASTNodePtr AST_OrArray::getAstAt(const Location& location) const
{
    // Only the node asked first may lack a parent; below it every node has one (this node is
    // alive while it is asked), so descending into the first child that catches the location
    // is the same as asking each child in turn. A loop keeps deep trees off the stack.
    if (!catchesLocation(location) && parent())
        return nullptr;
    ASTNodePtr node = self();
    for (;;) {
        const qsizetype n = node->count();
        ASTNodePtr next;
        for (qsizetype i = 0; i < n && !next; ++i) {
            ASTNodePtr child = node->getChild(i);
            if (child && child->catchesLocation(location))
                next = std::move(child);
        }
        if (!next)
            return node;
        node = std::move(next);
    }
}

ASTNodePtr AST_OrArray::getLastASTBefore(const Location& location) const
{
    ASTNodePtr last;
    const qsizetype n = count();
    for (qsizetype i = 0; i < n; ++i) {
        ASTNodePtr child = getChild(i);
        if (!child || !(*child->location() < location))
            break;
        last = std::move(child);
    }
    return last;
}

QList<ASTNodePtr> AST_OrArray::getNodesWithTypeHash(const QString& typeHash) const
{
    QList<ASTNodePtr> found;
    visitSubtree([&](const ASTNodePtr& node) {
        if (node->m_typeHash && *node->m_typeHash == typeHash)
            found.append(node);
    });
    return found;
}

void AST_OrArray::readWhole() const
{
    // Counting a node's children makes them.
    visitSubtree([](const ASTNodePtr&) {});
}

void AST_OrArray::visitSubtree(const std::function<void(const ASTNodePtr&)>& visit) const
{
    // Pre-order with an explicit stack: children pushed last-first so that they pop in order.
    QList<ASTNodePtr> stack{self()};
    while (!stack.isEmpty()) {
        const ASTNodePtr node = stack.takeLast();
        visit(node);
        for (qsizetype i = node->count() - 1; i >= 0; --i) {
            if (ASTNodePtr child = node->getChild(i))
                stack.append(std::move(child));
        }
    }
}
