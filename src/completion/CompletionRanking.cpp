#include "completion/CompletionRanking.h"

#include "analysis/TypeQueries.h"
#include "analysis/types/TFunc.h"
#include "analysis/types/Unknown.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

const TypePtr& unknownType()
{
    static const TypePtr unknown = std::make_shared<Unknown>();
    return unknown;
}

bool isConstructor(const TypePtr& type)
{
    const auto func = typeAs<TFunc>(type);
    return func && func->isCTOR();
}

// Ranks within the types of the expected type's own class: 1..8 above every other class.
int sameClassRank(const TypePtr& expected, const TypePtr& type)
{
    if (const auto e = typeAs<TFunc>(expected); e && expected->kind() == Type::Kind::Func) {
        const auto t = std::static_pointer_cast<TFunc>(type);
        const bool constructs = t->isCTOR() == e->isCTOR();
        const bool returns = constructs && typesAreEqual(e->returns(), t->returns());
        return 1 + (constructs ? 2 : 0) + (returns ? 1 : 0);
    }
    if (const auto e = typeAs<TObject>(expected)) {
        const auto t = std::static_pointer_cast<TObject>(type);
        const bool alias = typeIsAliasOf(type, expected);
        const bool equal = type->equals(expected);
        const bool dict = e->asDictOfType() && e->asDictOfType()->equals(t->asDictOfType());
        return 1 + (alias ? 4 : 0) + (equal ? 2 : 0) + (dict ? 1 : 0);
    }
    return 1;
}

struct RankKey {
    int notObjectKey;
    int fit; // negated: smaller is better
    int jsConstructor;
    int notLiteralMatch;
    std::int64_t score; // negated
    int usedObjectKey;
    qsizetype wordLength;

    auto tie() const
    {
        return std::tie(notObjectKey, fit, jsConstructor, notLiteralMatch, score, usedObjectKey,
                        wordLength);
    }
};

RankKey rankKey(const Completion& c, const TypePtr& expected)
{
    RankKey key;
    key.notObjectKey = c.isObjectKey ? 0 : 1;
    key.fit = (expected && !c.isObjectKey && c.codeType) ? -typeFitRank(expected, c.codeType) : 0;
    key.jsConstructor = isConstructor(c.codeType) && isJSConstructorName(c.word) ? 1 : 0;
    key.notLiteralMatch = c.literalMatch ? 0 : 1;
    key.score = -c.score;
    key.usedObjectKey = c.isUsedObjectKey ? 1 : 0;
    key.wordLength = c.word.size();
    return key;
}

} // namespace

int typeFitRank(const TypePtr& expected, const TypePtr& type)
{
    if (!expected)
        return 0;
    const TypePtr& t = type ? type : unknownType();
    if (t->kind() == expected->kind())
        return 8 + sameClassRank(expected, t);
    return expected->equals(t->returnType()) ? 1 : 0;
}

TypePtr pickBestMatchingType(const TypePtr& expected, const TypePtr& a, const TypePtr& b)
{
    const TypePtr& ta = a ? a : unknownType();
    const TypePtr& tb = b ? b : unknownType();
    if (!expected || ta->equals(tb))
        return nullptr;
    const int ra = typeFitRank(expected, ta);
    const int rb = typeFitRank(expected, tb);
    if (ra == rb)
        return nullptr;
    return ra > rb ? ta : tb;
}

bool bothTypesAreConstructors(const TypePtr& a, const TypePtr& b)
{
    return isConstructor(a) && isConstructor(b);
}

const QStringList& jsConstructorNames()
{
    static const QStringList names{QStringLiteral("Object"), QStringLiteral("Array"), QStringLiteral("String"),
                                   QStringLiteral("Number"), QStringLiteral("Boolean")};
    return names;
}

bool isJSConstructorName(const QString& word)
{
    return jsConstructorNames().contains(word);
}

void sortCompletions(QList<Completion>& completions, const TypePtr& expectedType)
{
    std::vector<std::pair<RankKey, qsizetype>> keyed;
    keyed.reserve(completions.size());
    for (qsizetype i = 0; i < completions.size(); ++i)
        keyed.emplace_back(rankKey(completions[i], expectedType), i);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& x, const auto& y) {
        if (x.first.tie() != y.first.tie())
            return x.first.tie() < y.first.tie();
        return completions[x.second].word < completions[y.second].word;
    });
    QList<Completion> sorted;
    sorted.reserve(completions.size());
    for (const auto& entry : keyed)
        sorted.append(std::move(completions[entry.second]));
    completions = std::move(sorted);
}
