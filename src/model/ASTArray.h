#pragma once

#include "model/AST_OrArray.h"
#include "model/JsonText.h"

#include <QJsonArray>
#include <QList>

// A syntax-tree node that stands for a JSON list held under one child key of a node (the
// property accesses of a value, the statements of a block). It shares its parent's location
// object, has type "Expressions", no data and no hash. Its items are made at once: lists become
// nested array nodes with the same key, anything else a node.
class ASTArray : public AST_OrArray {
public:
    ASTArray(Key, const ASTNodePtr& parent);

    static std::shared_ptr<ASTArray> create(const QJsonArray& json, const QString& key,
                                             const ASTNodePtr& parent);
    // The same for a list of a JSON text.
    static std::shared_ptr<ASTArray> create(const JsonText::Ref& json, const QString& key,
                                             const ASTNodePtr& parent);

    qsizetype count() const override;
    QString label() const override;
    ASTNodePtr getChild(qsizetype index) const override;
    // True when an item, or an item of a nested list, contains the location.
    bool catchesLocation(const Location& location) const override;

    const QList<ASTNodePtr>& items() const { return m_items; }
    void setItems(const QList<ASTNodePtr>& items) { m_items = items; }
    QString key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }

private:
    QList<ASTNodePtr> m_items;
    QString m_key;
};
