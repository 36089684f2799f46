#pragma once

#include "analysis/Scope.h"
#include "model/AST_OrArray.h"
#include "model/CodeLines.h"

#include <memory>

// What code analysis reads of the compiler front: the products of its last successful compile.
// The front lives above this library, so a request takes them as they stand when it starts.
struct CompileSnapshot {
    // The syntax tree; an empty root before the first successful compile.
    ASTNodePtr ast;
    // The root scope, the global types at its root.
    ScopePtr scope;
    // The text that compiled; null until a compile has succeeded.
    std::shared_ptr<CodeLines> coffeeLines;

    // Reads them from anything that answers ast(), scope() and coffeeLines() as the compiler
    // front does.
    template <class Transpiler>
    static CompileSnapshot of(const Transpiler& transpiler)
    {
        return {transpiler.ast(), transpiler.scope(), transpiler.coffeeLines()};
    }
};
