#include "analysis/types/Literal.h"
#include "analysis/types/TArray.h"
#include "analysis/types/TEnum.h"
#include "analysis/types/TFunc.h"
#include "analysis/types/TObject.h"
#include "completion/CaseInsensitivePrefixMatcher.h"
#include "completion/Completion.h"
#include "completion/CompletionRanking.h"
#include "analysis/Scope.h"
#include "completion/CodeCompletions.h"
#include "analysis/context/CodeScanner.h"
#include "completion/CompletionPlace.h"
#include "model/CodeLines.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <random>

namespace {

TypePtr read(const char* text)
{
    return Type::fromAny(QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0));
}

Completion make(const QString& word, std::int64_t score = 50, TypePtr type = nullptr)
{
    return Completion(word, AutocompleteType::Word, std::nullopt, score, std::move(type));
}

QStringList words(const QList<Completion>& completions)
{
    QStringList result;
    for (const Completion& c : completions)
        result.append(c.word);
    return result;
}

} // namespace

TEST(CompletionModel, RawValuesRoundTripAndRejectNearMisses)
{
    for (int i = 0; i <= int(AutocompleteType::Modules); ++i)
        EXPECT_EQ(autocompleteTypeFromRawValue(rawValue(AutocompleteType(i))), AutocompleteType(i));
    EXPECT_EQ(rawValue(AutocompleteType::Word), "");
    EXPECT_EQ(rawValue(AutocompleteType::Modules), "module");
    EXPECT_EQ(rawValue(AutocompleteType::Screen), "Screen");
    EXPECT_EQ(autocompleteTypeFromRawValue("layer"), AutocompleteType::Layer);
    for (const char* miss : {"Layer", "screen", "modules", "Word", " layer"})
        EXPECT_FALSE(autocompleteTypeFromRawValue(miss).has_value()) << miss;
}

TEST(CompletionModel, KindOfACodeType)
{
    struct Case {
        const char* description;
        AutocompleteType kind;
    } cases[] = {
        {R"({"id": "object", "name": "layer"})", AutocompleteType::Layer},
        {R"({"id": "object", "name": "Screen"})", AutocompleteType::Screen},
        {R"({"id": "object", "name": "Layer"})", AutocompleteType::Any},
        {R"({"id": "object"})", AutocompleteType::Object},
        {R"({"id": "func"})", AutocompleteType::Function},
        {R"({"id": "func", "isConstructor": true, "name": "layer"})", AutocompleteType::Constructor},
        {R"({"id": "array", "type": "@number"})", AutocompleteType::Array},
        {R"({"id": "enum", "values": [1, 2]})", AutocompleteType::Any},
        {R"("@Layer")", AutocompleteType::Any},
        {R"("*")", AutocompleteType::Any},
    };
    for (const Case& c : cases)
        EXPECT_EQ(autocompleteTypeFromCodeType(read(c.description)), c.kind) << c.description;
    EXPECT_EQ(autocompleteTypeFromCodeType(nullptr), AutocompleteType::Any);

    const Completion key("x", AutocompleteType::Number, QStringLiteral("x: "), Completion::kResolvedKeyScore);
    EXPECT_EQ(key.word, "x");
    EXPECT_EQ(key.text, "x: ");
    EXPECT_EQ(make("y").text, "y");
}

TEST(CompletionMatcher, CaseInsensitivePrefixNotesTheExactCase)
{
    CaseInsensitivePrefixMatcher matcher;
    Completion layer = make("layer");
    EXPECT_TRUE(matcher.matchEntry("Lay", layer));
    EXPECT_FALSE(layer.literalMatch);
    EXPECT_TRUE(matcher.matchEntry("lay", layer));
    EXPECT_TRUE(layer.literalMatch);
    layer.literalMatch = true;
    EXPECT_FALSE(matcher.matchEntry("lax", layer));
    EXPECT_TRUE(layer.literalMatch) << "a candidate that does not fit is left as it was";

    // Precomposed and decomposed accents are the same letter.
    Completion accented = make(QStringLiteral("caf\u00e9Noir"));
    EXPECT_TRUE(matcher.matchEntry(QStringLiteral("CAFE\u0301"), accented));
    EXPECT_EQ(graphemeCount(QStringLiteral("cafe\u0301")), 4);
    EXPECT_EQ(graphemeCount("layer"), 5);
}

// Each row differs from the one after it only in the key named, which decides.
TEST(CompletionRanking, EachKeyDecidesInItsOrder)
{
    const TypePtr expectedCtor = read(R"({"id": "func", "isConstructor": true, "returns": "@Layer"})");
    const TypePtr ctor = read(R"({"id": "func", "isConstructor": true, "returns": "@Layer"})");
    const TypePtr plainFunc = read(R"({"id": "func", "returns": "@Layer"})");
    const TypePtr otherCtor = read(R"({"id": "func", "isConstructor": true, "returns": "@Color"})");

    auto objectKey = [](Completion c) { c.isObjectKey = true; return c; };
    auto literal = [](Completion c) { c.literalMatch = true; return c; };
    auto used = [](Completion c) { c.isUsedObjectKey = true; return c; };

    struct Row {
        const char* key;
        Completion first;
        Completion second;
        TypePtr expected;
    } rows[] = {
        {"object key", objectKey(make("zz", 10)), make("aa", 110), nullptr},
        {"fit: constructing like expected", make("zz", 10, ctor), make("aa", 110, plainFunc), expectedCtor},
        {"fit: same result", make("zz", 10, ctor), make("aa", 110, otherCtor), expectedCtor},
        {"own constructor before JavaScript's", make("Layer", 10, ctor), make("Array", 110, ctor), nullptr},
        {"case-exact prefix", literal(make("zz", 10)), make("aa", 110), nullptr},
        {"score", make("zz", 60), make("aa", 50), nullptr},
        {"key not yet written", make("zz", 50), used(make("aa", 50)), nullptr},
        {"shorter word", make("zz", 50), make("aaa", 50), nullptr},
        {"alphabetical", make("ab", 50), make("ac", 50), nullptr},
    };
    for (const Row& row : rows) {
        QList<Completion> list{row.second, row.first};
        sortCompletions(list, row.expected);
        EXPECT_EQ(words(list), QStringList({row.first.word, row.second.word})) << row.key;
        list = {row.first, row.second};
        sortCompletions(list, row.expected);
        EXPECT_EQ(words(list), QStringList({row.first.word, row.second.word})) << row.key;
    }
    // Without an expected type, or between object keys, the type plays no part.
    QList<Completion> list{objectKey(make("a", 100, plainFunc)), objectKey(make("b", 100, ctor))};
    sortCompletions(list, expectedCtor);
    EXPECT_EQ(words(list), QStringList({"a", "b"}));
}

TEST(CompletionRanking, PickBestMatchingTypeFollowsTheFitRules)
{
    const TypePtr layer = read(R"({"id": "object", "name": "layer", "members": {"x": "@number"}})");
    const TypePtr sameLayer = read(R"({"id": "object", "name": "layer", "members": {"x": "@number"}})");
    const TypePtr color = read(R"({"id": "object", "name": "color"})");
    const TypePtr makesLayer = read(R"({"id": "func", "returns": {"id": "object", "name": "layer", "members": {"x": "@number"}}})");
    EXPECT_EQ(pickBestMatchingType(layer, color, makesLayer), color) << "same class beats another class";
    EXPECT_EQ(pickBestMatchingType(layer, sameLayer, color), sameLayer) << "equal object beats another object";
    EXPECT_EQ(pickBestMatchingType(layer, read("\"?\""), makesLayer), makesLayer) << "result type fits";
    EXPECT_EQ(pickBestMatchingType(layer, nullptr, nullptr), nullptr);
    EXPECT_EQ(pickBestMatchingType(layer, color, color), nullptr);
    EXPECT_TRUE(bothTypesAreConstructors(read(R"({"id": "func", "isConstructor": true})"),
                                         read(R"({"id": "func", "isConstructor": true})")));
    EXPECT_FALSE(bothTypesAreConstructors(read(R"({"id": "func", "isConstructor": true})"), nullptr));
}

// Types that compare loosely (names, aliases, results that equal each other only one way) must
// still sort into a consistent order: a predicate that is no strict weak ordering would make the
// sort undefined.
TEST(CompletionRanking, InconsistentTypesStillSortConsistently)
{
    const QList<TypePtr> pool = {
        read(R"({"id": "object", "name": "layer"})"),
        read(R"({"id": "object", "name": "layer", "aliasOf": "@Layer"})"),
        read(R"({"id": "object", "asDictOfType": "@Layer"})"),
        read(R"({"id": "func", "isConstructor": true, "returns": "@Layer"})"),
        read(R"({"id": "func", "returns": {"id": "object", "name": "layer"}})"),
        read(R"({"id": "array", "type": "@Layer"})"),
        read(R"("@Layer")"), read(R"("*")"), read(R"("?")"), nullptr,
    };
    const TypePtr expected = read(R"({"id": "object", "name": "layer", "asDictOfType": "@Layer"})");
    std::mt19937 random(7);
    QList<Completion> list;
    for (int i = 0; i < 3000; ++i) {
        Completion c = make(QStringLiteral("w%1").arg(i), 40 + int(random() % 3) * 10, pool[random() % pool.size()]);
        c.literalMatch = random() % 2;
        list.append(c);
    }
    QList<Completion> sorted = list;
    sortCompletions(sorted, expected);
    ASSERT_EQ(sorted.size(), list.size());
    QStringList before = words(list), after = words(sorted);
    before.sort();
    after.sort();
    EXPECT_EQ(before, after) << "the sort is a permutation";
    // Sorting the sorted list again, or the list reversed, gives the same order.
    QList<Completion> again = sorted;
    sortCompletions(again, expected);
    EXPECT_EQ(words(again), words(sorted));
    QList<Completion> reversed(sorted.rbegin(), sorted.rend());
    sortCompletions(reversed, expected);
    EXPECT_EQ(words(reversed), words(sorted));
    // The fit to the expected type decides first, so it never rises along the list.
    for (qsizetype i = 1; i < sorted.size(); ++i)
        ASSERT_GE(typeFitRank(expected, sorted[i - 1].codeType), typeFitRank(expected, sorted[i].codeType)) << i;
}

TEST(CompletionMembers, TextsScoresAndKeysOfAMemberTable)
{
    const auto owner = std::static_pointer_cast<TObject>(read(R"({"id": "object", "name": "layer"})"));
    const ScopePtr scope = Scope::create();
    MemberTable table;
    table.insert("x", MemberEntry{read(R"("@number")"), owner});
    table.insert("opacity", MemberEntry{read(R"("unknownName")"), owner});

    const QList<Completion> keys = CodeCompletions::typeDictToCompletions(table, std::nullopt, QStringLiteral(": "), *scope);
    ASSERT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[1].text, "x: ");
    EXPECT_EQ(keys[1].word, "x");
    EXPECT_EQ(keys[1].score, Completion::kResolvedKeyScore);
    EXPECT_EQ(keys[0].codeType->toInspect(), "unknownName") << "an unresolved type stays as declared";

    const QList<Completion> prefixed = CodeCompletions::typeDictToCompletions(table, QStringLiteral("layerA."), QStringLiteral(":"), *scope);
    EXPECT_EQ(prefixed[1].text, "layerA.x:");
    EXPECT_EQ(prefixed[1].score, Completion::kResolvedTypeScore);
    EXPECT_EQ(prefixed[1].codeTypeID, "layer.x");

    // A description with a huge member table offers a bounded number of members.
    for (int i = 0; i < 20000; ++i)
        table.insert(QStringLiteral("m%1").arg(i), MemberEntry{read(R"("*")"), owner});
    EXPECT_EQ(CodeCompletions::typeDictToCompletions(table, std::nullopt, std::nullopt, *scope).size(),
              CodeCompletions::kMaxMembers);
}

TEST(CompletionPlaces, EachPlaceAsksOnlyTheSourcesThatBelongThere)
{
    using Kind = CompletionSourceKind;
    using Place = CompletionPlace;
    const struct {
        const char16_t* code; // the caret at its end
        CodeContextType context;
        Place place;
    } rows[] = {
        {u"x = lay", CodeContextType::LeadingEquals, Place::Code},
        {u"opacity: 0.2", CodeContextType::LeadingObjectKey, Place::Nowhere},
        {u"x = 0.", CodeContextType::LeadingDot, Place::Nowhere},
        {u"fontWeight: \"bo", CodeContextType::LeadingObjectKey, Place::Nowhere},
        {u"gestures = require \"sw", CodeContextType::LeadingWhitespace, Place::ModulePath},
        {u"gestures = require('sw", CodeContextType::LeadingParensOpen, Place::ModulePath},
        {u"text = \"#{box.wi", CodeContextType::LeadingDot, Place::Member},
        {u"box.b", CodeContextType::LeadingDot, Place::Member},
        {u"layerB = new T", CodeContextType::LeadingNewOperator, Place::Constructor},
        {u"x = 1 # la", CodeContextType::LeadingWhitespace, Place::Nowhere},
        {u"layer", CodeContextType::BlockComment, Place::Nowhere},
    };
    for (const auto& row : rows) {
        const QString code = QString::fromUtf16(row.code);
        SCOPED_TRACE(code.toStdString());
        const CodeScanner scanner(std::make_shared<CodeLines>(code), code.size());
        EXPECT_EQ(completionPlaceAt(scanner, row.context), row.place);
    }

    const struct {
        Place place;
        bool types, fileNames, words;
    } offers[] = {
        {Place::Code, true, true, true},          {Place::Member, true, false, false},
        {Place::Constructor, true, false, false}, {Place::ModulePath, false, true, false},
        {Place::Nowhere, false, false, false},
    };
    for (const auto& row : offers) {
        SCOPED_TRACE(int(row.place));
        EXPECT_EQ(sourceOffersAt(Kind::Types, row.place), row.types);
        EXPECT_EQ(sourceOffersAt(Kind::FileNames, row.place), row.fileNames);
        EXPECT_EQ(sourceOffersAt(Kind::Words, row.place), row.words);
    }
}
