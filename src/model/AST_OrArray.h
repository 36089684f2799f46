#pragma once

#include "model/Location.h"

#include <QJsonValue>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AST_OrArray;
using ASTNodePtr = std::shared_ptr<AST_OrArray>;

// A node of the syntax tree of one compile, the type every reader holds. Two kinds exist: AST,
// a node made from one JSON object of the compiler's tree, and ASTArray, a node made from a
// JSON list inside such an object. A parent holds its children strongly and a child its parent
// weakly, so a node kept after its tree was dropped reports no parent instead of dangling.
//
// Nodes live in std::shared_ptr only (made through the create functions). The first query of a
// node parses its children, so a tree is used on one thread only, unless it was read whole
// (readWhole) before it was handed over: after that no query changes it.
class AST_OrArray : public std::enable_shared_from_this<AST_OrArray> {
protected:
    struct Key {}; // restricts construction to the create functions while allowing make_shared

public:
    AST_OrArray(Key, const ASTNodePtr& parent);
    virtual ~AST_OrArray();

    // An empty node: type "Expressions", range 0:0-0:0, no data, no hash, no children.
    static ASTNodePtr create(const ASTNodePtr& parent = nullptr);

    // The enclosing node; null at the root and once the parent has gone.
    ASTNodePtr parent() const { return m_parent.lock(); }
    void setParent(const ASTNodePtr& parent) { m_parent = parent; }
    LocationPtr location() const { return m_location; }
    void setLocation(const LocationPtr& location) { m_location = location ? location : Location::from(); }
    // The compiler's name for the node's kind; "Expressions" for lists.
    QString type() const { return m_type; }
    void setType(const QString& type) { m_type = type; }
    // Kind-specific details as the compiler wrote them; absent when it wrote none.
    std::optional<QJsonValue> data() const { return m_data; }
    void setData(const std::optional<QJsonValue>& data) { m_data = data; }
    // The key that ties the node to its inferred type and to a layer of the prototype.
    std::optional<QString> typeHash() const { return m_typeHash; }
    void setTypeHash(const std::optional<QString>& typeHash) { m_typeHash = typeHash; }

    // Number of direct children.
    virtual qsizetype count() const;
    // The node's type for a node, the key name for an array node, empty for an empty node.
    virtual QString label() const;
    // The index-th child, or null outside 0..count()-1.
    virtual ASTNodePtr getChild(qsizetype index) const;
    ASTNodePtr operator[](qsizetype index) const { return getChild(index); }

    // Whether `location` lies inside this node's range, both ends inclusive.
    bool containsLocation(const Location& location) const;
    // Whether a search by position may descend into this node. A node: when it contains the
    // location. A list has no range of its own (it shares its holder's), so it catches only what
    // one of its items catches: otherwise the parameter list of a function would swallow every
    // position of the function's body.
    virtual bool catchesLocation(const Location& location) const;
    // The deepest node of this subtree that catches `location`: the first child that catches
    // it wins. A node with a parent that does not catch it answers null; a root answers itself
    // when nothing inside it catches the location.
    ASTNodePtr getAstAt(const Location& location) const;
    // The direct child just before `location` by start position: the walk stops at the first
    // child that does not start before it. Null without such a child.
    ASTNodePtr getLastASTBefore(const Location& location) const;
    // Every node of this subtree whose typeHash is `typeHash`, parents before descendants,
    // earlier children before later ones.
    QList<ASTNodePtr> getNodesWithTypeHash(const QString& typeHash) const;
    // Makes every node of this subtree now instead of on first use: the first whole walk of a
    // fresh tree then costs no more than the next one.
    void readWhole() const;

protected:
    ASTNodePtr self() const;

private:
    // Each node of this subtree, parents before descendants, earlier children before later ones.
    void visitSubtree(const std::function<void(const ASTNodePtr&)>& visit) const;

private:
    std::weak_ptr<AST_OrArray> m_parent;
    LocationPtr m_location;
    QString m_type;
    std::optional<QJsonValue> m_data;
    std::optional<QString> m_typeHash;
};
