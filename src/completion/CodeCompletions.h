#pragma once

#include "analysis/TypeQueries.h"
#include "completion/CompletionSource.h"
#include "analysis/matchers/NMOutput.h"
#include "model/AST_OrArray.h"

#include <functional>
#include <optional>
#include <utility>

class CodeLines;
class CodeTranspiler;
class NodeMatcher;
class Scope;
class TObject;

// The completion source that knows the program's types, from the syntax tree, scopes and types
// of the last successful compile: the members after a dot, the keys of an object literal,
// constructors after `new`, literal keys after `=` and at a call's argument on a new line, and
// the names in scope. After every request, a typed word that equals a candidate in full adds
// the members of its type ("word.member"). Main thread only.
class CodeCompletions : public CompletionSource {
public:
    // Member tables larger than this offer only their first members: a request stays quick
    // whatever a type description holds.
    static constexpr qsizetype kMaxMembers = 5000;

    using PostProcess = std::function<Completion(Completion, const QString& name, const MemberEntry& entry)>;

    explicit CodeCompletions(const CodeTranspiler* transpiler) : m_transpiler(transpiler) {}

    QList<Completion> getCompletions(CodeContext& context, const CodeScanner& scanner,
                                     const ImportedLayers& importedLayers) override;
    CompletionSourceKind kind() const override { return CompletionSourceKind::Types; }

    // One record per member: the text is the name with the postfix behind and the prefix in
    // front; score 110 for the postfix ": " (object-literal keys), 100 otherwise; the code type is
    // the member's type as resolved in the scope; the documentation key "Owner.member".
    static QList<Completion> typeDictToCompletions(const MemberTable& table,
                                                   const std::optional<QString>& keyPrefix,
                                                   const std::optional<QString>& keyPostfix, const Scope& scope,
                                                   const PostProcess& post = {});
    // The members of a type; an object whose annotations name an imported folder
    // ("importedLayersPath") also has that folder's layer names as members, typed by its
    // dictionary element type. The type itself is never changed.
    static MemberTable getMembersForType(const TypePtr& type, const Scope& scope,
                                         const ImportedLayers* importedLayers);
    // The imported layer names an object offers as members (see getMembersForType).
    static TypeTable importedLayerMembers(const TObject& object, const ImportedLayers* importedLayers);
    static Completion flagCompletionAsObjectKey(Completion completion, const QString& name, const MemberEntry& entry);

private:
    bool handleLeadingDot();
    // The type of the dotted names before the dot, looked up by name in the last compile's
    // scopes; `stale` tells whether that compile holds other text at those names.
    std::pair<TypePtr, std::shared_ptr<Scope>> receiverFromNames(bool* stale) const;
    bool handleLeadingNewOperator();
    bool handleLeadingComma();
    bool handleLeadingObjectKey();
    bool handleLeadingEquals();
    bool handleLeadingWhitespace();
    bool handleUnknown();
    // The keys of the object literal enclosing `node`; false when there is none to offer.
    bool handleObject(const ASTNodePtr& node);
    void handleFullMatch(CodeContext& context, const CodeScanner& scanner);
    std::optional<NMOutput> match(const NodeMatcher& matcher) const;
    QList<Completion> membersOfTypeAsCompletions(const TypePtr& type, const Scope& scope,
                                                 const std::optional<QString>& keyPrefix,
                                                 const PostProcess& post = {}) const;
    QList<Completion> membersOfTypeAsCompletionsWithColons(const TypePtr& type, const Scope& scope) const;
    std::optional<std::pair<TypePtr, std::shared_ptr<Scope>>> expectedTypeAllowsLiteralCompletion() const;

    const CodeTranspiler* m_transpiler;
    // The current request.
    QList<Completion> m_completions;
    CodeContext* m_context = nullptr;
    const CodeScanner* m_scanner = nullptr;
    const ImportedLayers* m_importedLayers = nullptr;
    std::shared_ptr<CodeLines> m_lines;
    ASTNodePtr m_ast;
};

// Whether the type is an object written as a literal (its annotation "asLiteral" is true).
bool typeIsWrittenAsLiteral(const TypePtr& type);
