#include "analysis/Scope.h"
#include "analysis/TypeQueries.h"
#include "analysis/types/Literal.h"
#include "analysis/types/TFunc.h"
#include "analysis/types/TObject.h"

#include "support/TestSupport.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QJsonObject object(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

TypeTable globals(const char* text)
{
    return Type::fromDictionaryToMembers(object(text));
}

Location at(const char* text)
{
    return Location(QString::fromLatin1(text));
}

const char* kTree = R"({
  "vars": {"a": "#1", "shadow": "@Outer", "alias": "@Layer", "self": "@Loop"},
  "location": "0:0-0:0",
  "typeDict": {"#1": {"id": "object", "name": "thing"}, "#2": "@Layer"},
  "children": [
    {"vars": {"shadow": "#1", "local": "*"}, "location": "2:0-4:10",
     "typeDict": {"#1": "?"},
     "children": [{"vars": {"deep": "?"}, "location": "3:2-3:8"}]},
    {"vars": {"second": "*"}, "location": "2:0-9:0"},
    7
  ]
})";

const char* kGlobals = R"({
  "@Layer": {"id": "object", "name": "layer"},
  "@Outer": {"id": "object", "name": "outer"},
  "@Loop": "@Loop2", "@Loop2": "@Loop",
  "Layer": {"id": "func", "isConstructor": true, "returns": "@Layer"}
})";

} // namespace

TEST(Scope, InnermostScopeAtALocation)
{
    ScopePtr root = Scope::create(object(kTree), nullptr, globals(kGlobals));
    ASSERT_EQ(root->children().size(), 3);
    ScopePtr first = root->children().at(0);
    // A location outside every child answers the root, whatever the root's own range.
    EXPECT_EQ(root->getScopeAt(at("20:0-20:0")), root);
    // Overlapping siblings: the earlier wins; bounds are inside.
    EXPECT_EQ(root->getScopeAt(at("2:0-2:0")), first);
    EXPECT_EQ(root->getScopeAt(at("4:10-4:10")), first);
    EXPECT_EQ(root->getScopeAt(at("3:5-3:5")), first->children().at(0));
    EXPECT_EQ(root->getScopeAt(at("6:0-6:0")), root->children().at(1));
    // A child that was not an object is an empty scope.
    EXPECT_TRUE(root->children().at(2)->vars().isEmpty());
    EXPECT_EQ(root->children().at(2)->location()->toString(), "[0:0-0:0]");
    EXPECT_EQ(first->parent(), root);
}

TEST(Scope, VariableLookup)
{
    ScopePtr root = Scope::create(object(kTree), nullptr, globals(kGlobals));
    ScopePtr inner = root->getScopeAt(at("3:5-3:5"));
    // "#" names always come from the root's dictionary; missing keys answer themselves.
    EXPECT_EQ(inner->getVariableType("#1")->name(), "thing");
    EXPECT_EQ(inner->getVariableType("#9")->toInspect(), "#9");
    // A dictionary entry that names a library type stands for that type.
    EXPECT_EQ(inner->getVariableType("#2")->name(), "layer");
    // Keys that name each other end at a name instead of looping.
    ScopePtr looping = Scope::create(object(R"({"typeDict": {"#1": "#2", "#2": "#1"}})"));
    EXPECT_EQ(looping->getVariableType("#1")->kind(), Type::Kind::Literal);
    // Inner declarations hide outer ones; "#" and "@" descriptions are followed.
    EXPECT_EQ(inner->getVariableType("shadow")->name(), "thing");
    EXPECT_EQ(root->getVariableType("shadow")->name(), "outer");
    EXPECT_EQ(inner->getVariableType("alias")->name(), "layer");
    EXPECT_EQ(inner->getVariableType("Layer")->kind(), Type::Kind::Func);
    EXPECT_EQ(inner->getVariableType("deep")->kind(), Type::Kind::Unknown);
    EXPECT_FALSE(inner->getVariableType("nowhere"));
    // A cycle of names ends without an answer.
    EXPECT_FALSE(root->getVariableType("self"));
    // Without globals undeclared names have no type.
    EXPECT_FALSE(Scope::create(object(kTree))->getVariableType("Layer"));

    ScopePtr empty = Scope::create();
    EXPECT_FALSE(empty->getVariableType("a"));
    EXPECT_EQ(empty->getVariableType("#3")->kind(), Type::Kind::Literal);
    EXPECT_EQ(empty->getScopeAt(at("5:5-5:5")), empty);
}

TEST(Scope, VisibleNames)
{
    ScopePtr root = Scope::create(object(kTree), nullptr, globals(kGlobals));
    ScopePtr inner = root->getScopeAt(at("3:5-3:5"));
    const TypeTable vars = inner->variables();
    EXPECT_TRUE(vars.contains("@Layer"));
    EXPECT_TRUE(vars.contains("deep"));
    EXPECT_EQ(vars.value("shadow")->toInspect(), "#1"); // not resolved
    auto asObject = inner->asObject();
    EXPECT_FALSE(asObject->members().contains("@Layer"));
    EXPECT_TRUE(asObject->members().contains("Layer"));
    EXPECT_TRUE(asObject->members().contains("local"));
    EXPECT_EQ(asObject->members().value("shadow")->toInspect(), "#1");
}

TEST(TypeQueries, TypeOfAValue)
{
    ScopePtr root = Scope::create(object(kTree), nullptr, globals(kGlobals));
    EXPECT_FALSE(typeForAnyObject(QJsonValue(3), *root));
    EXPECT_FALSE(typeForAnyObject(TypePtr(std::make_shared<Literal>("missing")), *root));
    EXPECT_EQ(typeForAnyObject(Type::fromAny("*"), *root)->kind(), Type::Kind::Any);
    EXPECT_EQ(typeForAnyObject(QStringLiteral("alias"), *root)->name(), "layer");
}

TEST(TypeQueries, MembersWithInheritanceAndExclusions)
{
    ScopePtr root = Scope::create(std::nullopt, nullptr, globals(R"({
      "@Base": {"id": "object", "xtends": "@Grand", "members": {"both": "*", "base": "*"}},
      "@Grand": {"id": "object", "members": {"grand": "*"}},
      "@Child": {"id": "object", "xtends": "@Base", "members": {"both": "?", "own": "*"},
                 "annotations": {"excludeInherited": ["base", "own", "absent"]}},
      "@Single": {"id": "object", "xtends": "@Base", "annotations": {"excludeInherited": "base"}},
      "@Mixed": {"id": "object", "xtends": "@Base", "annotations": {"excludeInherited": ["base", 3]}},
      "@Lost": {"id": "object", "xtends": "@Nowhere", "members": {"x": "*"}},
      "@AnyParent": {"id": "object", "xtends": "*", "members": {"x": "*"}},
      "@A": {"id": "object", "xtends": "@B", "members": {"a": "*"}},
      "@B": {"id": "object", "xtends": "@A", "members": {"b": "*"}},
      "f": {"id": "func", "members": {"call": "*"}},
      "u": "?"
    })"));
    const MemberTable child = membersForType(QStringLiteral("@Child"), *root);
    EXPECT_EQ(child.keys(), (QList<QString>{"both", "grand"}));
    EXPECT_EQ(child.value("both").type->kind(), Type::Kind::Unknown); // own wins
    EXPECT_EQ(child.value("grand").parent->members().keys(), QList<QString>{"grand"});

    EXPECT_TRUE(membersForType(QStringLiteral("@Single"), *root).contains("base"));
    EXPECT_TRUE(membersForType(QStringLiteral("@Mixed"), *root).contains("base"));
    EXPECT_EQ(membersForType(QStringLiteral("@Lost"), *root).keys(), QList<QString>{"x"});
    EXPECT_EQ(membersForType(QStringLiteral("@AnyParent"), *root).keys(), QList<QString>{"x"});
    EXPECT_EQ(membersForType(QStringLiteral("f"), *root).keys(), QList<QString>{"call"});
    EXPECT_TRUE(membersForType(QStringLiteral("u"), *root).isEmpty());
    // A cycle of parents ends.
    const MemberTable cyclic = membersForType(QStringLiteral("@A"), *root);
    EXPECT_TRUE(cyclic.contains("a"));
    EXPECT_TRUE(cyclic.contains("b"));
}

TEST(TypeQueries, MemberPathsAndAliases)
{
    ScopePtr root = Scope::create(std::nullopt, nullptr, globals(R"({
      "@Layer": {"id": "object", "name": "layer", "members": {"frame": "@Frame", "any": "*", "lost": "@Gone",
                 "animate": {"id": "func", "members": {"start": "*"}, "returns": "@Frame"}}},
      "@Frame": {"id": "object", "name": "frame", "members": {"width": "@number"}},
      "@number": {"id": "object", "name": "number"},
      "@Dict": {"id": "object", "asDictOfType": "@Layer"},
      "@Alias": {"id": "object", "aliasOf": "@Alias2"}, "@Alias2": {"id": "object", "aliasOf": "@Frame"},
      "@Loop": {"id": "object", "aliasOf": "@Loop"},
      "@Dangling": {"id": "object", "aliasOf": "@Nowhere"},
      "@ToAny": {"id": "object", "aliasOf": "*"}
    })"));
    auto layer = typeAs<TObject>(root->getVariableType("@Layer"));
    ASSERT_TRUE(layer);
    PathResult self = layer->resolvePath({}, *root);
    EXPECT_EQ(self.type, layer);
    EXPECT_EQ(layer->resolvePath({"frame", "width"}, *root).type->name(), "number");
    PathResult missing = layer->resolvePath({"nope", "x"}, *root);
    EXPECT_EQ(missing.type, layer);
    EXPECT_EQ(missing.remainder, (QStringList{"nope", "x"}));
    PathResult throughAny = layer->resolvePath({"any", "x", "y"}, *root);
    EXPECT_EQ(throughAny.type->kind(), Type::Kind::Any);
    EXPECT_EQ(throughAny.remainder, (QStringList{"x", "y"}));
    PathResult lost = layer->resolvePath({"lost", "x"}, *root);
    EXPECT_FALSE(lost.type);
    EXPECT_EQ(lost.remainder, QStringList{"x"});
    // A function is walked as the object it is, not through its result.
    EXPECT_EQ(layer->resolvePath({"animate", "start"}, *root).type->kind(), Type::Kind::Any);
    auto dict = typeAs<TObject>(root->getVariableType("@Dict"));
    EXPECT_EQ(dict->resolvePath({"anything", "frame"}, *root).type->name(), "frame");

    EXPECT_EQ(resolveAlias(root->getVariableType("@Alias"), *root)->name(), "frame");
    EXPECT_EQ(resolveAlias(layer, *root), layer);
    TypePtr dangling = root->getVariableType("@Dangling");
    EXPECT_EQ(resolveAlias(dangling, *root), dangling);
    EXPECT_EQ(resolveAlias(root->getVariableType("@ToAny"), *root)->kind(), Type::Kind::Any);
    EXPECT_TRUE(resolveAlias(root->getVariableType("@Loop"), *root)); // ends

    EXPECT_TRUE(typeIsAliasOf(root->getVariableType("@Alias"), Type::fromAny("@Alias2")));
    EXPECT_FALSE(typeIsAliasOf(layer, Type::fromAny("@Alias2")));
    EXPECT_FALSE(typeIsAliasOf(Type::fromAny("*"), Type::fromAny("*")));
}
