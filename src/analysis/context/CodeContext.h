#pragma once

#include "analysis/Scope.h"
#include "analysis/context/CodeContextType.h"
#include "analysis/tokens/Token.h"
#include "analysis/types/Type.h"
#include "model/AST_OrArray.h"

#include <QList>
#include <QString>

#include <optional>

// What the caret stands in for one completion request: the punctuation before the word being
// typed, the syntax-tree node there with its inferred type and scope, and the type expected at
// the caret. The context provider fills it; the completion sources read it and set the few
// fields that are theirs (expectedType, allowZeroLengthEntry, fullEntryMatch). Shared by
// reference (std::shared_ptr); it keeps the nodes, types and scopes of its compile alive.
class CodeContext {
public:
    CodeContext() = default;

    CodeContextType contextType() const { return m_contextType; }
    void setContextType(CodeContextType type) { m_contextType = type; }
    // The tokens of the leading pattern that decided contextType (empty for Unknown).
    const std::optional<QList<Token>>& tokens() const { return m_tokens; }
    void setTokens(const std::optional<QList<Token>>& tokens) { m_tokens = tokens; }
    // The comment node for BlockComment, else the node at or before the code in front of the
    // leading pattern.
    const ASTNodePtr& ast() const { return m_ast; }
    void setAst(const ASTNodePtr& ast) { m_ast = ast; }
    // The node whose value astType describes.
    const ASTNodePtr& astValue() const { return m_astValue; }
    void setAstValue(const ASTNodePtr& value) { m_astValue = value; }
    // The inferred type there, object aliases resolved.
    const TypePtr& astType() const { return m_astType; }
    void setAstType(const TypePtr& type) { m_astType = type; }
    // The object type before alias resolution, kept only when resolution changed it.
    const TypePtr& astAlias() const { return m_astAlias; }
    void setAstAlias(const TypePtr& alias) { m_astAlias = alias; }
    const ScopePtr& astScope() const { return m_astScope; }
    void setAstScope(const ScopePtr& scope) { m_astScope = scope; }
    // The type the code at the caret should have: the left side of the surrounding assignment.
    const TypePtr& expectedType() const { return m_expectedType; }
    void setExpectedType(const TypePtr& type) { m_expectedType = type; }
    const TypePtr& expectedAlias() const { return m_expectedAlias; }
    void setExpectedAlias(const TypePtr& alias) { m_expectedAlias = alias; }
    bool allowZeroLengthEntry() const { return m_allowZeroLengthEntry; }
    void setAllowZeroLengthEntry(bool allow) { m_allowZeroLengthEntry = allow; }
    // The word being typed; empty when there is none.
    const QString& entry() const { return m_entry; }
    void setEntry(const QString& entry) { m_entry = entry; }
    bool fullEntryMatch() const { return m_fullEntryMatch; }
    void setFullEntryMatch(bool match) { m_fullEntryMatch = match; }

private:
    CodeContextType m_contextType = CodeContextType::Unknown;
    std::optional<QList<Token>> m_tokens;
    ASTNodePtr m_ast;
    ASTNodePtr m_astValue;
    TypePtr m_astType;
    TypePtr m_astAlias;
    ScopePtr m_astScope;
    TypePtr m_expectedType;
    TypePtr m_expectedAlias;
    bool m_allowZeroLengthEntry = false;
    QString m_entry;
    bool m_fullEntryMatch = false;
};
