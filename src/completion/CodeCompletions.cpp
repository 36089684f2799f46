#include "completion/CodeCompletions.h"

#include "analysis/Scope.h"
#include "analysis/TypeFromAST.h"
#include "analysis/context/CodeContext.h"
#include "analysis/context/CodeScanner.h"
#include "analysis/matchers/NodeMatchers.h"
#include "analysis/types/Literal.h"
#include "analysis/types/TFunc.h"
#include "compiler/CodeTranspiler.h"
#include "completion/CompletionRanking.h"
#include "completion/ImportedLayers.h"
#include "model/ASTArray.h"
#include "model/CodeLines.h"

#include <QSet>

namespace {

const QString kObjectKeyPostfix = QStringLiteral(": ");

// From a node, the nearest object literal whose value stands (directly or through a
// parenthesised block) below a call or an assignment; records the literal, its value node and
// the call or assignment.
const NodeMatcher& NMPrecedingObjectMember()
{
    static const NodeMatcher matcher = climbUntil(
        NMAny(),
        thenParent(NMObj(),
                   thenParent(either(thenParent(keepingLast(thenParent(
                                                    NMValue(), thenParent(NMExpressions(), thenParent(NMBlock(), NMParens())))),
                                                NMValue()),
                                     NMValue()),
                              climbUntil(NMAny(), either(NMCall(), NMAssign())))));
    return matcher;
}

// The value nodes of the object literals enclosing a node, innermost first.
const NodeMatcher& NMObjectKeyPath()
{
    static const NodeMatcher matcher = oneOrMore(climbUntil(NMAny(), thenParent(keepingLast(NMObj()), NMValue())));
    return matcher;
}

QJsonValue dataEntry(const ASTNodePtr& node, const QString& key)
{
    if (!node)
        return QJsonValue(QJsonValue::Undefined);
    const auto data = node->data();
    if (!data || !data->isObject())
        return QJsonValue(QJsonValue::Undefined);
    return data->toObject().value(key);
}

} // namespace

bool typeIsWrittenAsLiteral(const TypePtr& type)
{
    const auto object = typeAs<TObject>(type);
    if (!object || !object->annotations().isObject())
        return false;
    const QJsonValue asLiteral = object->annotations().toObject().value(QStringLiteral("asLiteral"));
    return asLiteral.isBool() && asLiteral.toBool();
}

QList<Completion> CodeCompletions::getCompletions(CodeContext& context, const CodeScanner& scanner,
                                                  const ImportedLayers& importedLayers)
{
    m_context = &context;
    m_scanner = &scanner;
    m_importedLayers = &importedLayers;
    m_lines = m_transpiler ? m_transpiler->coffeeLines() : nullptr;
    m_ast = context.ast();
    m_completions.clear();

    switch (context.contextType()) {
    case CodeContextType::Unknown:
    case CodeContextType::LeadingColon:
        handleUnknown();
        break;
    case CodeContextType::BlockComment:
        break;
    case CodeContextType::LeadingDot:
        handleLeadingDot();
        break;
    case CodeContextType::LeadingComma:
        if (!handleLeadingComma())
            handleUnknown();
        break;
    case CodeContextType::LeadingWhitespace:
    case CodeContextType::LeadingParensOpen:
    case CodeContextType::LeadingCurlyOpen:
    case CodeContextType::LeadingParensAndCurlyOpen:
        if (!handleLeadingWhitespace())
            handleUnknown();
        break;
    case CodeContextType::LeadingEquals:
        handleLeadingEquals();
        handleUnknown();
        break;
    case CodeContextType::LeadingObjectKey:
        if (!handleLeadingObjectKey())
            handleUnknown();
        break;
    case CodeContextType::LeadingNewOperator:
        if (!handleLeadingNewOperator())
            handleUnknown();
        break;
    }
    handleFullMatch(context, scanner);

    QList<Completion> result = std::move(m_completions);
    m_completions.clear();
    m_context = nullptr;
    m_scanner = nullptr;
    m_importedLayers = nullptr;
    m_lines.reset();
    m_ast.reset();
    return result;
}

// ---- member lists -----------------------------------------------------------------------------

QList<Completion> CodeCompletions::typeDictToCompletions(const MemberTable& table,
                                                         const std::optional<QString>& keyPrefix,
                                                         const std::optional<QString>& keyPostfix,
                                                         const Scope& scope, const PostProcess& post)
{
    const std::int64_t score = keyPostfix == kObjectKeyPostfix ? Completion::kResolvedKeyScore
                                                               : Completion::kResolvedTypeScore;
    QList<Completion> completions;
    completions.reserve(std::min(table.size(), kMaxMembers));
    for (auto it = table.constBegin(); it != table.constEnd() && completions.size() < kMaxMembers; ++it) {
        const QString& name = it.key();
        QString text = name;
        if (keyPostfix)
            text += *keyPostfix;
        if (keyPrefix)
            text.prepend(*keyPrefix);
        TypePtr codeType = typeForAnyObject(it->type, scope);
        if (!codeType)
            codeType = it->type;
        Completion completion(name, autocompleteTypeFromCodeType(codeType), text, score, codeType);
        if (it->parent)
            completion.codeTypeID = it->parent->name() + u'.' + name;
        completions.append(post ? post(std::move(completion), name, *it) : std::move(completion));
    }
    return completions;
}

TypeTable CodeCompletions::importedLayerMembers(const TObject& object, const ImportedLayers* importedLayers)
{
    TypeTable members;
    if (!importedLayers || !object.asDictOfType() || !object.annotations().isObject())
        return members;
    const QJsonValue path = object.annotations().toObject().value(QStringLiteral("importedLayersPath"));
    if (!path.isString())
        return members;
    const auto found = importedLayers->layerNames().constFind(path.toString());
    if (found == importedLayers->layerNames().constEnd())
        return members;
    for (const QString& name : *found)
        members.insert(name, object.asDictOfType());
    return members;
}

MemberTable CodeCompletions::getMembersForType(const TypePtr& type, const Scope& scope,
                                               const ImportedLayers* importedLayers)
{
    const TypePtr resolved = typeForAnyObject(type, scope);
    // An array's own description holds only its element type; what every array can do is the
    // description of "@array".
    if (resolved && resolved->kind() == Type::Kind::Array) {
        MemberTable members = membersForType(QStringLiteral("@array"), scope);
        extendTypeDict(members, membersForType(resolved, scope));
        return members;
    }
    const auto object = typeAs<TObject>(resolved);
    if (!object || !object->annotations().isObject())
        return membersForType(type, scope);
    // The layer names join a fresh member table: the type belongs to the compile (and the
    // globals to the whole session), so adding them to it would pile up names.
    MemberTable members = membersForObject(object, scope);
    const TypeTable layers = importedLayerMembers(*object, importedLayers);
    if (!layers.isEmpty())
        extendTypeDict(members, layers, object);
    return members;
}

Completion CodeCompletions::flagCompletionAsObjectKey(Completion completion, const QString&, const MemberEntry&)
{
    completion.isObjectKey = true;
    return completion;
}

QList<Completion> CodeCompletions::membersOfTypeAsCompletions(const TypePtr& type, const Scope& scope,
                                                              const std::optional<QString>& keyPrefix,
                                                              const PostProcess& post) const
{
    return typeDictToCompletions(getMembersForType(type, scope, m_importedLayers), keyPrefix, std::nullopt,
                                 scope, post);
}

QList<Completion> CodeCompletions::membersOfTypeAsCompletionsWithColons(const TypePtr& type,
                                                                        const Scope& scope) const
{
    return typeDictToCompletions(getMembersForType(type, scope, m_importedLayers), std::nullopt,
                                 kObjectKeyPostfix, scope, flagCompletionAsObjectKey);
}

std::optional<NMOutput> CodeCompletions::match(const NodeMatcher& matcher) const
{
    if (!m_ast)
        return std::nullopt;
    return matchToAST(matcher, m_ast);
}

// ---- full match ---------------------------------------------------------------------------------

void CodeCompletions::handleFullMatch(CodeContext& context, const CodeScanner& scanner)
{
    const auto& entry = scanner.entry();
    const ScopePtr scope = context.astScope();
    if (!entry || !scope || entry->text.isEmpty())
        return;
    const auto matched = std::find_if(m_completions.cbegin(), m_completions.cend(),
                                      [&](const Completion& c) { return c.text == entry->text; });
    if (matched == m_completions.cend())
        return;
    context.setFullEntryMatch(true);
    if (!matched->codeType)
        return;
    const TypePtr resolved = typeForAnyObject(matched->codeType, *scope);
    if (resolved && context.expectedType() && resolved->equals(context.expectedType()))
        return;
    const TypePtr codeType = matched->codeType;
    const QString prefix = matched->word + u'.';
    m_completions.append(membersOfTypeAsCompletions(codeType, *scope, prefix));
}

// ---- handlers -----------------------------------------------------------------------------------

bool CodeCompletions::handleUnknown()
{
    if (!m_scanner || !m_lines || !m_transpiler || !m_transpiler->scope())
        return true;
    const LocationPtr cursor = m_lines->locationForCharacterLocation(m_scanner->cursor());
    const ScopePtr scope = m_transpiler->scope()->getScopeAt(*cursor);
    if (!scope)
        return true;
    const TypeTable variables = scope->variables();
    for (auto it = variables.constBegin(); it != variables.constEnd(); ++it) {
        if (it.key().startsWith(u'@'))
            continue;
        const TypePtr type = typeForAnyObject(it.value(), *scope);
        if (type)
            m_completions.append(Completion(it.key(), autocompleteTypeFromCodeType(type), std::nullopt,
                                            Completion::kInScopeScore, type));
    }
    return true;
}

std::pair<TypePtr, ScopePtr> CodeCompletions::receiverFromNames(bool* stale) const
{
    *stale = false;
    if (!m_scanner || !m_lines || !m_transpiler || !m_transpiler->scope())
        return {};
    const QString& live = m_scanner->code();
    const qsizetype dot = m_scanner->entryLeadingLocation();
    const NameChain chain = nameChainBefore(live, dot);
    if (chain.names.isEmpty())
        return {};
    // The compile being read may be of an older text, whose syntax tree holds other code here.
    const qsizetype length = dot + 1 - chain.start;
    *stale = QStringView(m_lines->code()).mid(chain.start, length) != QStringView(live).mid(chain.start, length);
    const ScopePtr scope = m_transpiler->scope()->getScopeAt(*m_lines->locationForCharacterLocation(chain.start));
    if (!scope)
        return {};
    TypePtr type = typeForAnyObject(chain.names.first(), *scope);
    for (qsizetype i = 1; i < chain.names.size() && type; ++i) {
        const MemberTable members = getMembersForType(type, *scope, m_importedLayers);
        const auto member = members.constFind(chain.names.at(i));
        type = member == members.constEnd() ? nullptr : typeForAnyObject(member->type, *scope);
    }
    if (!type || !type->isObjectType())
        return {};
    return {type, scope};
}

bool CodeCompletions::handleLeadingDot()
{
    if (!m_context)
        return false;
    ScopePtr scope = m_context->astScope();
    TypePtr receiver = scope ? typeForAnyObject(m_context->astType(), *scope) : nullptr;
    // What the names before the dot stand for, when the compile read is of another text there or
    // its tree tells no type.
    bool stale = false;
    const auto [named, namedScope] = receiverFromNames(&stale);
    if (stale)
        receiver = nullptr;
    if ((!receiver || !receiver->isObjectType()) && named) {
        receiver = named;
        scope = namedScope;
    }
    if (receiver && receiver->isObjectType() && scope) {
        m_completions.append(membersOfTypeAsCompletions(receiver, *scope, std::nullopt, flagCompletionAsObjectKey));
        m_context->setAllowZeroLengthEntry(true);
        return true;
    }
    // A receiver of no known type (its compile has not finished yet, or the inference could not
    // tell): once a letter is typed, the members of every known type that fit it. They are a
    // guess, so they rank as members but are no object keys, and Return never takes one unasked.
    if (m_context->entry().isEmpty() || !m_transpiler || !m_transpiler->scope())
        return false;
    const Scope& global = *m_transpiler->scope();
    const QString& typed = m_context->entry();
    QSet<QString> offered;
    const std::optional<TypeTable>& globals = global.globals();
    if (!globals)
        return false;
    for (auto it = globals->constBegin(); it != globals->constEnd(); ++it) {
        const TypePtr type = typeForAnyObject(it.value(), global);
        if (!type || !type->isObjectType())
            continue;
        const MemberTable members = getMembersForType(type, global, m_importedLayers);
        MemberTable fitting;
        for (auto member = members.constBegin(); member != members.constEnd(); ++member)
            if (member.key().startsWith(typed, Qt::CaseInsensitive) && !offered.contains(member.key())) {
                offered.insert(member.key());
                fitting.insert(member.key(), member.value());
            }
        m_completions.append(typeDictToCompletions(fitting, std::nullopt, std::nullopt, global));
    }
    return true;
}

bool CodeCompletions::handleLeadingNewOperator()
{
    if (!m_context || !m_context->astScope())
        return false;
    const Scope& scope = *m_context->astScope();
    const TypeTable variables = scope.variables();
    for (auto it = variables.constBegin(); it != variables.constEnd(); ++it) {
        const auto func = typeAs<TFunc>(typeForAnyObject(it.value(), scope));
        if (func && func->isCTOR())
            m_completions.append(Completion(it.key(), AutocompleteType::Constructor, std::nullopt,
                                            Completion::kInScopeScore, func));
    }
    // JavaScript's own constructors, which no description holds; they rank after the others.
    for (const QString& word : jsConstructorNames()) {
        if (!variables.contains(word))
            m_completions.append(Completion(word, AutocompleteType::Constructor, std::nullopt,
                                            Completion::kLanguageScore,
                                            TFunc::ctorOfType(std::make_shared<Literal>(word))));
    }
    m_context->setExpectedType(TFunc::ctorOfType(m_context->expectedType()));
    m_context->setAllowZeroLengthEntry(true);
    return true;
}

bool CodeCompletions::handleLeadingComma()
{
    return handleObject(m_ast);
}

bool CodeCompletions::handleObject(const ASTNodePtr& node)
{
    if (!m_context || !node || !m_scanner || !m_transpiler || !m_transpiler->scope())
        return false;
    const auto output = matchToAST(NMPrecedingObjectMember(), node);
    if (!output || output->matched.size() < 3)
        return false;
    const ASTNodePtr obj = output->matched[0];
    const ASTNodePtr value = output->matched[1];
    const ASTNodePtr owner = output->matched[2];
    if (!obj || !value || !owner)
        return false;

    // A cursor that is not at the indentation of the literal's first key belongs to an
    // enclosing literal. The walk only climbs, so it ends at the root.
    const auto keys = std::dynamic_pointer_cast<ASTArray>(obj->getChild(0));
    if (keys && keys->count() > 0) {
        const qint64 firstKeyLine = keys->getChild(0)->location()->firstLine();
        const bool keyOnOwnerLine = firstKeyLine != m_scanner->lineIndex()
            && firstKeyLine == owner->location()->firstLine()
            && m_context->contextType() != CodeContextType::LeadingComma;
        if (keyOnOwnerLine || m_scanner->indentationDeltaAtCursor(firstKeyLine) != 0)
            return value->parent() ? handleObject(value->parent()) : false;
    }

    const Scope& global = *m_transpiler->scope();
    const auto typeHash = obj->typeHash();
    const QJsonValue expected = dataEntry(value, QStringLiteral("expectedType"));
    if (!typeHash || expected.isUndefined() || expected.isNull())
        return false;
    const TypePtr ownType = global.getHashType(*typeHash);
    const ScopePtr scope = global.getScopeAt(*obj->location());
    if (!ownType || !scope)
        return false;

    const MemberTable written = membersForType(ownType, *scope);
    const MemberTable offered = membersForType(Type::fromAny(expected), *scope);
    m_completions.append(typeDictToCompletions(
        offered, std::nullopt, kObjectKeyPostfix, *scope,
        [&written](Completion completion, const QString& name, const MemberEntry&) {
            completion.isObjectKey = true;
            completion.isUsedObjectKey = written.contains(name);
            return completion;
        }));
    m_context->setAllowZeroLengthEntry(true);
    return true;
}

bool CodeCompletions::handleLeadingEquals()
{
    const auto literal = expectedTypeAllowsLiteralCompletion();
    if (!literal)
        return false;
    const QList<Completion> keys = membersOfTypeAsCompletionsWithColons(literal->first, *literal->second);
    if (!keys.isEmpty()) {
        m_completions.append(keys);
        m_context->setAllowZeroLengthEntry(true);
    }
    return true;
}

std::optional<std::pair<TypePtr, ScopePtr>> CodeCompletions::expectedTypeAllowsLiteralCompletion() const
{
    if (!m_context || !m_context->astScope() || !m_context->expectedType())
        return std::nullopt;
    const ScopePtr scope = m_context->astScope();
    const TypePtr type = typeForAnyObject(m_context->expectedType(), *scope);
    if (!typeAs<TObject>(type))
        return std::nullopt;
    if (typeIsWrittenAsLiteral(type))
        return std::make_pair(type, scope);
    if (m_context->expectedAlias()
        && typeIsWrittenAsLiteral(typeForAnyObject(m_context->expectedAlias(), *scope)))
        return std::make_pair(type, scope);
    return std::nullopt;
}

bool CodeCompletions::handleLeadingWhitespace()
{
    if (!m_context || !m_scanner)
        return false;
    const auto func = typeAs<TFunc>(m_context->astType());
    if (!func || !m_context->astValue() || !m_context->astScope())
        return handleObject(m_ast);
    const qint64 valueLine = m_context->astValue()->location()->firstLine();
    if (!(m_scanner->indentationDeltaAtCursor(valueLine) > 0 || valueLine == m_scanner->lineIndex()))
        return false;
    if (!func->paramTypes().isEmpty()) {
        const Scope& scope = *m_context->astScope();
        const TypePtr options = typeForAnyObject(func->paramTypes().first(), scope);
        if (typeIsWrittenAsLiteral(options)) {
            m_completions.append(membersOfTypeAsCompletionsWithColons(options, scope));
            m_context->setAllowZeroLengthEntry(!m_completions.isEmpty());
            m_context->setExpectedType(options);
        }
    }
    // The names in scope follow the keys.
    return false;
}

bool CodeCompletions::handleLeadingObjectKey()
{
    if (!m_context || !m_scanner || !m_context->astScope())
        return false;
    const ScopePtr scope = m_context->astScope();

    // The type of the outermost literal: the first parameter of the function called, or what
    // the inference expects of the outermost enclosing literal.
    std::shared_ptr<TObject> outer;
    const auto func = typeAs<TFunc>(m_context->astType());
    if (func && !func->paramTypes().isEmpty()) {
        outer = typeAs<TObject>(typeForAnyObject(func->paramTypes().first(), *scope));
    } else if (const auto path = match(NMObjectKeyPath()); path && !path->matched.isEmpty() && m_transpiler
               && m_transpiler->scope()) {
        const ASTNodePtr value = path->matched.last();
        const ScopePtr valueScope = value ? m_transpiler->scope()->getScopeAt(*value->location()) : nullptr;
        const QJsonValue expected = dataEntry(value, QStringLiteral("expectedType"));
        if (valueScope && !expected.isUndefined())
            outer = typeAs<TObject>(typeForAnyObject(expected, *valueScope));
    }
    if (!outer)
        return false;

    // The keys above the cursor that it is nested in: from the last key written, drop those
    // until the key line one level out from the cursor's line.
    QStringList keyPath;
    const QList<Token> tokens = m_context->tokens().value_or(QList<Token>());
    for (const Token& token : tokens)
        keyPath.append(token.text);
    const auto& lines = m_scanner->lines();
    for (qsizetype i = tokens.size() - 1; i >= 0 && lines; --i) {
        const qint64 line = lines->lineIndexOnlyLine(tokens[i].location);
        const qint64 indent = m_scanner->indentationAt(line);
        if (line == m_scanner->lineIndex() || indent + 1 == m_scanner->cursorPosInLine()
            || (line < m_scanner->lineIndex() && indent + 1 == m_scanner->lineIndent()))
            break;
        if (!keyPath.isEmpty())
            keyPath.removeLast();
    }

    m_context->setExpectedType(outer);
    if (!keyPath.isEmpty()) {
        const PathResult resolved = outer->resolvePath(keyPath, *scope);
        const TypePtr type = resolved.remainder.isEmpty() ? resolved.type : nullptr;
        if (typeIsWrittenAsLiteral(type)) {
            m_completions.append(membersOfTypeAsCompletionsWithColons(type, *scope));
            m_context->setAllowZeroLengthEntry(true);
        }
        m_context->setExpectedType(type);
    }
    return true;
}
