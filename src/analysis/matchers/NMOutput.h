#pragma once

#include "model/AST_OrArray.h"

#include <QJsonValue>
#include <QList>
#include <QMap>

#include <variant>

// A capture of a matcher: a JSON value (an identifier's name) or a node (the children around
// the reference position of an expression list).
using NMCapture = std::variant<QJsonValue, ASTNodePtr>;

// What a match recorded, threaded by reference through every step of a composite pattern.
// Nothing is undone when a step or an alternative fails.
struct NMOutput {
    explicit NMOutput(const ASTNodePtr& last = nullptr) : last(last) {}

    QMap<QString, NMCapture> data;
    // Every node a recording matcher accepted, in order of acceptance.
    QList<ASTNodePtr> matched;
    // Where the most recent successful step ended; the climbing steps continue from here.
    ASTNodePtr last;

    // Appends the node to `matched` and makes it `last`.
    void record(const ASTNodePtr& node)
    {
        matched.append(node);
        last = node;
    }
};
