#include "analysis/context/CodeContextProvider.h"

#include "analysis/TypeFromAST.h"
#include "analysis/TypeQueries.h"
#include "analysis/matchers/NodeMatchers.h"
#include "analysis/tokens/TokenMatcherLibrary.h"
#include "analysis/types/TObject.h"
#include "model/ASTArray.h"

namespace {

bool isSingleNode(const ASTNodePtr& node)
{
    return node && !std::dynamic_pointer_cast<ASTArray>(node);
}

// The type hash of the target of the nearest assignment at or above `node`.
std::optional<QString> assignedTypeHash(const ASTNodePtr& node)
{
    static const NodeMatcher nearestAssignment = climbUntil(NMAny(), NMAssign());
    const auto found = matchToAST(nearestAssignment, node);
    if (!found || found->matched.isEmpty())
        return std::nullopt;
    const ASTNodePtr& assignment = found->matched.first();
    if (!isSingleNode(assignment) || assignment->count() < 1)
        return std::nullopt;
    const ASTNodePtr target = assignment->getChild(0);
    if (!isSingleNode(target))
        return std::nullopt;
    return target->typeHash();
}

} // namespace

const std::vector<ContextTokenMatcher>& TokenMatchers()
{
    static const std::vector<ContextTokenMatcher> table = {
        {CodeContextType::LeadingDot, TMSpacedDot()},
        {CodeContextType::LeadingComma, TMSpacedComma()},
        {CodeContextType::LeadingObjectKey, TMObjectKeys()},
        {CodeContextType::LeadingColon, TMSpacedColon()},
        {CodeContextType::LeadingEquals, TMSpacedEquals()},
        {CodeContextType::LeadingNewOperator, TMNewOperator()},
        {CodeContextType::LeadingParensAndCurlyOpen, TMSpacedParensAndCurlyOpen()},
        {CodeContextType::LeadingParensOpen, TMSpacedParensOpen()},
        {CodeContextType::LeadingCurlyOpen, TMSpacedCurlyOpen()},
        {CodeContextType::LeadingWhitespace, TMSomeWhitespace()},
    };
    return table;
}

CodeContextProvider::CodeContextProvider(const CompileSnapshot& transpiler,
                                         const std::shared_ptr<const CodeScanner>& scanner)
    : m_transpiler(transpiler)
    , m_ast(transpiler.ast)
    , m_scanner(scanner ? scanner : std::make_shared<const CodeScanner>(nullptr, 0))
{
    if (!m_transpiler.scope)
        m_transpiler.scope = Scope::create();
    m_context = getContext();
}

const std::shared_ptr<CodeContext>& CodeContextProvider::context()
{
    if (!m_context)
        m_context = getContext();
    return m_context;
}

std::shared_ptr<CodeContext> CodeContextProvider::getContext() const
{
    auto context = std::make_shared<CodeContext>();
    const CodeScanner& scanner = *m_scanner;

    CodeContextType type = CodeContextType::Unknown;
    TokenMatch leading;
    for (const ContextTokenMatcher& row : TokenMatchers()) {
        if (auto found = scanner.match(row.matcher)) {
            type = row.contextType;
            leading = std::move(*found);
            break;
        }
    }
    context->setContextType(type);
    context->setTokens(leading.tokens);
    if (scanner.entry())
        context->setEntry(scanner.entry()->text);
    const qint64 pos = std::max<qint64>(0, scanner.entryLeadingLocation() - leading.consumed);

    CodeLines* coffeeLines = m_transpiler.coffeeLines.get();
    if (!coffeeLines || !m_ast)
        return context;

    const ASTNodePtr atCursor = m_ast->getAstAt(*coffeeLines->locationForCharacterLocation(scanner.cursor()));
    if (atCursor && atCursor->type() == QLatin1String("Comment")) {
        context->setContextType(CodeContextType::BlockComment);
        context->setAst(atCursor);
        return context;
    }

    const LocationPtr loc = coffeeLines->locationForCharacterLocation(pos);
    ASTNodePtr node = m_ast->getAstAt(*loc);
    if (!node)
        node = m_ast->getLastASTBefore(*loc);
    if (!node)
        return context;
    context->setAst(node);

    const Scope& globalScope = *m_transpiler.scope;
    if (auto typed = getTypeFromAST(node, globalScope)) {
        context->setAstValue(typed->value);
        context->setAstScope(typed->localScope);
        context->setAstType(typed->type);
    } else {
        context->setAstScope(globalScope.getScopeAt(*loc));
    }
    if (context->astScope() && typeAs<TObject>(context->astType())) {
        const TypePtr unresolved = context->astType();
        const TypePtr resolved = resolveAlias(unresolved, *context->astScope());
        context->setAstType(resolved);
        if (!typesAreEqual(resolved, unresolved))
            context->setAstAlias(unresolved);
    }

    if (context->contextType() == CodeContextType::LeadingEquals) {
        context->setExpectedType(context->astType());
        context->setExpectedAlias(context->astAlias());
    } else if (const auto hash = assignedTypeHash(node); hash && !context->expectedType()) {
        context->setExpectedType(context->astScope() ? context->astScope()->getHashType(*hash) : nullptr);
        context->setExpectedAlias(context->astAlias());
    }
    return context;
}
