#pragma once

#include "analysis/matchers/NodeMatcher.h"

#include <QString>

// The ready-made matchers that patterns are built from. Each is made once, on first use, and
// shared for the life of the process.

// A recording matcher for nodes whose type is exactly `type`.
NodeMatcher NMTypeMatcher(const QString& type);

const NodeMatcher& NMLiteral();
const NodeMatcher& NMBlock();
const NodeMatcher& NMParens();
const NodeMatcher& NMArr();
const NodeMatcher& NMObj();
const NodeMatcher& NMAccess();
const NodeMatcher& NMBlockComment();
const NodeMatcher& NMAssign();
const NodeMatcher& NMValue();
const NodeMatcher& NMCall();

// A "Literal" whose data is a name (any non-string data passes); captures it as "literal".
const NodeMatcher& NMIdentifier();
// The operator node of `new X`.
const NodeMatcher& NMNew();
// A call written with `new`.
const NodeMatcher& NMNewCall();
// An expression list; captures the children just before ("precursor") and at or after
// ("sucessor") the reference position.
const NodeMatcher& NMExpressions();
// A node without parent.
const NodeMatcher& NMRoot();
// Any node; only moves `last` to it.
const NodeMatcher& NMAny();

// The nearest node at or above the input for which the predicate holds with the given value.
template <class T>
NodeMatcher NMParentTypeOf(std::function<bool(const ASTNodePtr& node, const T& data)> predicate, T data)
{
    NodeMatcher test([predicate, data](const NMInput& input, NMOutput& output) {
        if (!input.node || !predicate(input.node, data))
            return false;
        output.record(input.node);
        return true;
    });
    return climbUntil(NMAny(), test);
}

// Records the node when the given matcher does not match it (tried on a scratch output).
NodeMatcher NMNot(const NodeMatcher& m);
