// libFuzzer target for the readers of the inference script's output: type descriptions, scope
// trees, and the two together with a syntax tree; and for what reads the editor's text around the
// caret: the token matchers and the code scanner over any text, and the code context over a
// compile whose tree and text need not fit the editor's text. The first byte picks the reader;
// the rest is JSON, or UTF-16 text for the scanner. Besides crashes, stack exhaustion and endless loops (caught by the sanitizers and
// libFuzzer's timeout) it checks the promises the type model makes: equality is reflexive and
// symmetric, and a type prints.

#include "analysis/Scope.h"
#include "analysis/TypeFromAST.h"
#include "analysis/TypeQueries.h"
#include "analysis/context/CodeContextProvider.h"
#include "analysis/tokens/TokenMatcherLibrary.h"
#include "analysis/types/TObject.h"
#include "model/AST.h"
#include "model/CodeLines.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

QJsonObject parse(const QByteArray& bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

// A few names and paths worth asking about any table: its own keys and some common ones.
QStringList probeNames(const QJsonObject& object)
{
    QStringList names = object.keys().mid(0, 24);
    names << QStringLiteral("x") << QStringLiteral("frame") << QStringLiteral("#0") << QStringLiteral("@Layer");
    return names;
}

void exerciseType(const TypePtr& type, const Scope& scope, const QStringList& names)
{
    if (!type)
        return;
    check(type->equals(type), "a type equals itself");
    (void)type->toInspect();
    (void)type->name();
    (void)typeForAnyObject(type, scope);
    (void)resolveAlias(type, scope);
    const MemberTable members = membersForType(type, scope);
    int budget = 8;
    for (auto it = members.constBegin(); it != members.constEnd() && budget-- > 0; ++it)
        (void)membersForType(it.value().type, scope);
    if (const auto object = typeAs<TObject>(type))
        (void)object->resolvePath(names.mid(0, 4), scope);
}

// A table of descriptions, as the library's globals or a type dictionary.
void fuzzTypes(const QByteArray& bytes)
{
    const QJsonObject input = parse(bytes);
    const TypeTable table = Type::fromDictionaryToMembers(input);
    const ScopePtr root = Scope::create(QJsonObject{{"typeDict", input}}, nullptr, table);
    const QStringList names = probeNames(input);
    QList<TypePtr> types = table.values().mid(0, 16);
    for (const TypePtr& type : types)
        exerciseType(type, *root, names);
    for (const TypePtr& a : types)
        for (const TypePtr& b : types)
            check(a->equals(b) == b->equals(a), "equality is symmetric");
    for (const QString& name : names) {
        (void)root->getVariableType(name);
        (void)typeForAnyObject(name, *root);
        (void)membersForType(name, *root);
    }
}

void walkScopes(const ScopePtr& scope, const QStringList& names, int& budget)
{
    if (!scope || budget-- <= 0)
        return;
    for (const QString& name : scope->vars().keys().mid(0, 8) + names.mid(0, 4))
        exerciseType(scope->getVariableType(name), *scope, names);
    (void)scope->asObject();
    (void)scope->variables();
    for (const ScopePtr& child : scope->children())
        walkScopes(child, names, budget);
}

// A scope tree with its type dictionary; the globals come from its "globals" key when present.
void fuzzScopes(const QByteArray& bytes)
{
    const QJsonObject input = parse(bytes);
    const TypeTable globals = Type::fromDictionaryToMembers(input.value(QStringLiteral("globals")).toObject());
    const ScopePtr root = Scope::create(input, nullptr, globals);
    const QStringList names = probeNames(input.value(QStringLiteral("typeDict")).toObject());
    int budget = 200;
    walkScopes(root, names, budget);
    for (const char* at : {"0:0-0:0", "1:2-1:2", "3:0-5:9", "100:0-100:0"}) {
        const ScopePtr found = root->getScopeAt(Location(QString::fromLatin1(at)));
        check(found != nullptr, "the root answers every location");
    }
}

// A compile's tree and scope: the type at every node and at the offsets of a small text.
void fuzzCompile(const QByteArray& bytes)
{
    const QJsonObject input = parse(bytes);
    const TypeTable globals = Type::fromDictionaryToMembers(input.value(QStringLiteral("globals")).toObject());
    const ScopePtr scope = Scope::create(input.value(QStringLiteral("scope")).toObject(), nullptr, globals);
    const ASTNodePtr ast = AST::create(input.value(QStringLiteral("ast")));
    QList<ASTNodePtr> pending{ast};
    int budget = 5000;
    while (!pending.isEmpty() && budget-- > 0) {
        const ASTNodePtr node = pending.takeLast();
        if (auto found = getTypeFromAST(node, *scope); found && found->type)
            (void)found->type->toInspect();
        for (qsizetype i = 0; i < node->count(); ++i)
            if (ASTNodePtr child = node->getChild(i))
                pending.append(child);
    }
    CodeLines lines(input.value(QStringLiteral("code")).toString(QStringLiteral("a = b.c\nd = new E\n  x: 1\n")));
    for (qint64 offset = -1; offset <= qint64(lines.code().size()) && offset < 200; ++offset)
        (void)typeStringAt(lines, ast, *scope, offset);
}

// Backward matching from `location` covers only what lies between the text's start and there,
// and every token lies inside the text (the Start token at 0).
void checkBackwardMatch(const std::optional<TokenMatch>& match, qint64 location, qint64 length)
{
    if (!match)
        return;
    check(match->consumed >= 0 && match->consumed <= location + 1, "a backward match stays inside the text");
    for (const Token& token : match->tokens)
        check(token.location >= 0 && (token.location < length || (token.location == 0 && token.text.isEmpty())),
              "tokens lie inside the text");
}

void checkScanner(const CodeScanner& scanner)
{
    check(scanner.cursor() >= 0 && scanner.cursor() <= scanner.codeLength(), "the caret lies in the text");
    check(scanner.lineStart() <= scanner.cursor(), "the caret's line starts before it");
    if (const auto& entry = scanner.entry())
        check(entry->range.end() == scanner.cursor() && entry->text.size() == entry->range.length,
              "the entry ends at the caret");
    check(scanner.entryLeadingLocation() >= 0 && scanner.entryLeadingLocation() <= scanner.cursor(),
          "backward matching starts before the caret");
    (void)scanner.indentationDeltaAtCursor(scanner.lineIndex() + 1);
    (void)scanner.indentationDeltaAtCursor(-1);
}

// Any text, read as UTF-16 units (lone surrogates and NUL included): every library matcher in
// both directions, and the scanner with a context that has no compile behind it.
void fuzzScanner(const QByteArray& bytes)
{
    const QString text(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    const qint64 length = text.size();
    const auto lines = std::make_shared<CodeLines>(text);
    const CompileSnapshot nothing{AST_OrArray::create(), Scope::create(), nullptr};
    const TokenMatcher* matchers[] = {&TMAlphaNumerics(), &TMWordBoundry(), &TMSomeWhitespace(), &TMObjectKeys(),
                                      &TMNewOperator(), &TMSpacedParensAndCurlyOpen(), &TMSpacedDot()};
    for (qint64 cursor = -1; cursor <= length + 1 && cursor < 300; ++cursor) {
        for (const TokenMatcher* matcher : matchers) {
            checkBackwardMatch(matcher->match(text, length, cursor - 1, TokenMatcherDirection::Backwards), cursor - 1,
                               length);
            if (auto forwards = matcher->match(text, length, cursor, TokenMatcherDirection::Forwards))
                check(cursor + forwards->consumed <= length, "a forward match stays inside the text");
        }
        auto scanner = std::make_shared<const CodeScanner>(lines, cursor);
        checkScanner(*scanner);
        CodeContextProvider provider(nothing, scanner);
        check(!provider.context()->ast(), "no tree without a compile");
    }
}

// A compile's tree, scope and text (as the compile reader takes them) and an editor text ("text")
// it need not fit: the context at every caret of the editor text.
void fuzzContext(const QByteArray& bytes)
{
    const QJsonObject input = parse(bytes);
    const TypeTable globals = Type::fromDictionaryToMembers(input.value(QStringLiteral("globals")).toObject());
    CompileSnapshot snapshot;
    snapshot.scope = Scope::create(input.value(QStringLiteral("scope")).toObject(), nullptr, globals);
    snapshot.ast = AST::create(input.value(QStringLiteral("ast")));
    snapshot.coffeeLines = std::make_shared<CodeLines>(input.value(QStringLiteral("code")).toString());
    const auto editor = std::make_shared<CodeLines>(input.value(QStringLiteral("text")).toString(QStringLiteral("a.\n  b: ")));
    const qint64 length = editor->code().size();
    for (qint64 cursor = -1; cursor <= length + 1 && cursor < 300; ++cursor) {
        auto scanner = std::make_shared<const CodeScanner>(editor, cursor);
        checkScanner(*scanner);
        const auto context = CodeContextProvider(snapshot, scanner).context();
        check(context != nullptr, "a context for every request");
        if (context->astType())
            (void)context->astType()->toInspect();
        if (context->expectedType())
            (void)context->expectedType()->toInspect();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 6) {
    case 0: fuzzTypes(rest); break;
    case 1: fuzzScopes(rest); break;
    case 3: fuzzScanner(rest); break;
    case 4: fuzzContext(rest); break;
    default: fuzzCompile(rest); break;
    }
    return 0;
}
