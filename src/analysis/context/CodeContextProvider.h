#pragma once

#include "analysis/context/CodeContext.h"
#include "analysis/context/CodeScanner.h"
#include "analysis/context/CompileSnapshot.h"
#include "analysis/tokens/TokenMatcher.h"

#include <memory>
#include <vector>

// One row of the classification table: the kind of context a leading pattern stands for.
struct ContextTokenMatcher {
    CodeContextType contextType;
    TokenMatcher matcher;
};

// The leading patterns in the order they are tried; the first that matches backwards from just
// before the word being typed decides. Object keys come before a bare colon, "(" then "{" before
// either alone, and plain whitespace last. Made once.
const std::vector<ContextTokenMatcher>& TokenMatchers();

// Turns one completion request into a CodeContext: classifies what leads up to the word being
// typed, then finds the expression in front of it in the last successful compile, its inferred
// type and scope, and the type expected at the caret. The context is worked out when the provider
// is made, from the tree of that moment; a later compile changes nothing here.
//
// Positions of the live text are mapped to lines and columns through the text that last compiled,
// even when the editor has changed since: a tree that no longer fits gives other nodes or none,
// never a read outside the text or the tree. Main thread only.
class CodeContextProvider {
public:
    CodeContextProvider(const CompileSnapshot& transpiler, const std::shared_ptr<const CodeScanner>& scanner);

    const CompileSnapshot& transpiler() const { return m_transpiler; }
    const ASTNodePtr& ast() const { return m_ast; }
    const std::shared_ptr<const CodeScanner>& scanner() const { return m_scanner; }
    const std::shared_ptr<CodeContext>& context();

private:
    std::shared_ptr<CodeContext> getContext() const;

    CompileSnapshot m_transpiler;
    ASTNodePtr m_ast;
    std::shared_ptr<const CodeScanner> m_scanner;
    std::shared_ptr<CodeContext> m_context;
};
