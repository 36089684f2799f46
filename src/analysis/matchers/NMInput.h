#pragma once

#include "model/AST_OrArray.h"

// What a node matcher looks at: a node, and the reference position of the whole match. Steps
// to a parent use the parent's own range; the step down to a child keeps the position.
struct NMInput {
    NMInput(const ASTNodePtr& node, const LocationPtr& location) : node(node), location(location) {}

    ASTNodePtr node;
    LocationPtr location;
};
