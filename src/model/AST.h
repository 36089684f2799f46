#pragma once

#include "model/AST_OrArray.h"
#include "model/JsonText.h"

#include <QJsonValue>
#include <QList>

// A syntax-tree node made from one JSON object of the compiler's tree:
//   "location" (text form of Location), "type" (text), "data" (any value), "typeHash" (text),
//   "children" (the names of the keys that hold the children, in order), and under each such
//   name a node object or a list (which becomes one ASTArray).
// Values of the wrong kind are ignored where they are read. Children are made on the first
// query that needs them, from the JSON text they stand in, so most of a tree is never parsed.
class AST : public AST_OrArray {
public:
    AST(Key, const JsonText::Ref& json, const ASTNodePtr& parent);

    static std::shared_ptr<AST> create(const QJsonValue& json, const ASTNodePtr& parent = nullptr);
    // The node of one value of a JSON text (a compile's reply is read this way).
    static std::shared_ptr<AST> create(const JsonText::Ref& json, const ASTNodePtr& parent = nullptr);

    qsizetype count() const override;
    QString label() const override;
    ASTNodePtr getChild(qsizetype index) const override;

    const QList<ASTNodePtr>& children() const;
    void setChildren(const QList<ASTNodePtr>& children);
    bool parsedChildren() const { return m_parsedChildren; }

    // Makes the children from the kept JSON, once.
    void parseChildren() const;

private:
    mutable QList<ASTNodePtr> m_children;
    mutable bool m_parsedChildren = false;
    JsonText::Ref m_json;
};
