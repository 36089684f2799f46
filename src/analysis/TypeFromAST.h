#pragma once

#include "analysis/Scope.h"
#include "analysis/matchers/NodeMatcher.h"

#include <QString>

#include <optional>

class CodeLines;

// Runs a pattern on a node, from the node's own range; the recorded output on success.
std::optional<NMOutput> matchToAST(const NodeMatcher& matcher, const ASTNodePtr& ast);

// What getTypeFromAST found: the type (absent when a member path leads nowhere), the node that
// carries the value, and the innermost scope there.
struct TypeFromAST {
    TypePtr type;
    ASTNodePtr value;
    ScopePtr localScope;
};

// The type of the expression at a node of the last compile, from the type paths and type hashes
// that the inference wrote into the tree, the scope tree and the type model. Nothing when the
// node is not a typed construct or its type is not known.
std::optional<TypeFromAST> getTypeFromAST(const ASTNodePtr& node, const Scope& globalScope);

// The type shown for a text offset of a compile: the inspection text of the type of the node at
// that position, "?" when there is none (no node, no known type, an offset outside the text).
QString typeStringAt(CodeLines& lines, const ASTNodePtr& ast, const Scope& globalScope, qint64 offset);
