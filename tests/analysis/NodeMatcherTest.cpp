#include "analysis/TypeFromAST.h"
#include "analysis/matchers/NodeMatchers.h"
#include "model/AST.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

ASTNodePtr tree(const char* json)
{
    return AST::create(QJsonDocument::fromJson(json).object());
}

Location at(const char* text)
{
    return Location(QString::fromLatin1(text));
}

// a.b as the compiler writes it: Value(base Literal, properties [Access(Literal)]).
const char* kChain = R"({"type": "Block", "location": "0:0-9:0", "children": ["expressions"], "expressions": [
  {"type": "Value", "location": "1:0-1:2", "children": ["base", "properties"],
   "base": {"type": "Literal", "location": "1:0-1:0", "data": "a"},
   "properties": [{"type": "Access", "location": "1:1-1:2", "children": ["name"],
                   "name": {"type": "Literal", "location": "1:2-1:2", "data": "b"}}]},
  {"type": "Op", "location": "3:0-3:8", "data": "new"},
  {"type": "Call", "location": "5:0-5:8", "data": "new"}
]})";

ASTNodePtr identifierB(const ASTNodePtr& root)
{
    return root->getAstAt(at("1:2-1:2"));
}

NMInput inputOf(const ASTNodePtr& node)
{
    return NMInput(node, node->location());
}

} // namespace

TEST(NodeMatchers, StepsToParents)
{
    ASTNodePtr root = tree(kChain);
    ASTNodePtr b = identifierB(root);
    ASSERT_EQ(b->type(), "Literal");

    auto out = matchToAST(thenParent(NMIdentifier(), thenParent(NMAccess(), thenParent(NMExpressions(), NMValue()))), b);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->matched.size(), 4);
    EXPECT_EQ(out->matched.at(3)->type(), "Value");
    EXPECT_EQ(std::get<QJsonValue>(out->data.value("literal")).toString(), "b");

    // No parent above the root; a left side that leaves no `last` can't step up.
    EXPECT_FALSE(matchToAST(thenParent(NMAny(), NMAny()), root));
    EXPECT_FALSE(matchToAST(thenParent(maybe(NMCall()), NMAny()), b));
    EXPECT_FALSE(matchToAST(thenParent(keepingLast(maybe(NMCall())), NMAny()), b));
}

TEST(NodeMatchers, ClimbingSearches)
{
    ASTNodePtr root = tree(kChain);
    ASTNodePtr b = identifierB(root);
    auto self = matchToAST(climbUntil(NMAny(), NMLiteral()), b);
    ASSERT_TRUE(self);
    EXPECT_EQ(self->matched, QList<ASTNodePtr>{b});
    auto top = matchToAST(climbUntil(NMAny(), NMRoot()), b);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->matched.last(), root);
    EXPECT_FALSE(matchToAST(climbUntil(NMAny(), NMCall()), b));

    auto byPredicate = NMParentTypeOf<QString>(
        [](const ASTNodePtr& node, const QString& type) { return node->type() == type; }, QStringLiteral("Value"));
    auto found = matchToAST(byPredicate, b);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->last->type(), "Value");

    // One or more steps up: Literal, then nothing above matches Literal.
    auto literals = matchToAST(oneOrMore(NMLiteral()), b);
    ASSERT_TRUE(literals);
    EXPECT_EQ(literals->matched.size(), 1);
    // Any node climbs to the root.
    auto all = matchToAST(oneOrMore(NMAny()), b);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->last, root);
    // A matcher that succeeds without setting `last` ends the climb at once.
    EXPECT_TRUE(matchToAST(oneOrMore(keepingLast(maybe(NMCall()))), b));
}

TEST(NodeMatchers, FailedBranchesKeepTheirWrites)
{
    ASTNodePtr root = tree(kChain);
    ASTNodePtr b = identifierB(root);
    // The left branch records b, then fails one step up; the right branch still sees it.
    NMOutput output;
    EXPECT_TRUE(either(thenParent(NMLiteral(), NMCall()), NMAny()).matches(inputOf(b), output));
    EXPECT_EQ(output.matched.size(), 1);
    EXPECT_TRUE(both(NMLiteral(), NMIdentifier()).matches(inputOf(b), output));
    EXPECT_EQ(output.matched.size(), 3);

    NMOutput kept;
    EXPECT_TRUE(maybe(thenParent(NMLiteral(), NMCall())).matches(inputOf(b), kept));
    EXPECT_EQ(kept.matched.size(), 1);

    // A private output: only where it ended reaches the caller.
    NMOutput hidden;
    EXPECT_TRUE(keepingLast(thenParent(NMIdentifier(), NMAccess())).matches(inputOf(b), hidden));
    EXPECT_TRUE(hidden.matched.isEmpty());
    EXPECT_TRUE(hidden.data.isEmpty());
    EXPECT_EQ(hidden.last->type(), "Access");
}

TEST(NodeMatchers, LastChildBeforeThePosition)
{
    ASTNodePtr root = tree(kChain);
    ASTNodePtr expressions = root->getChild(0);
    int leftRuns = 0;
    NodeMatcher counting([&leftRuns](const NMInput&, NMOutput&) { ++leftRuns; return true; });
    NMOutput output;
    EXPECT_FALSE(thenLastChildBefore(counting, NMAny()).matches(NMInput(expressions, Location::from("0:5-0:5")), output));
    EXPECT_EQ(leftRuns, 0);
    EXPECT_TRUE(thenLastChildBefore(counting, NMNew()).matches(NMInput(expressions, Location::from("4:0-4:0")), output));
    EXPECT_EQ(leftRuns, 1);
    EXPECT_FALSE(thenLastChildBefore(NMAny(), NMNew()).matches(NMInput(expressions, Location::from("9:0-9:0")), output));
}

TEST(NodeMatchers, IdentifiersAndSpecialNodes)
{
    auto literal = [](const char* data) {
        return tree((std::string(R"({"type": "Literal", "location": "0:0-0:3", "data": )") + data + "}").c_str());
    };
    EXPECT_TRUE(matchToAST(NMIdentifier(), literal("\"foo\"")));
    EXPECT_TRUE(matchToAST(NMIdentifier(), literal("\"\u00e9t\u00e9\"")));
    EXPECT_TRUE(matchToAST(NMIdentifier(), literal("42")));
    EXPECT_FALSE(matchToAST(NMIdentifier(), literal("\"'foo'\"")));
    EXPECT_FALSE(matchToAST(NMIdentifier(), literal("\"9lives\"")));
    EXPECT_FALSE(matchToAST(NMIdentifier(), tree(R"({"type": "Literal"})")));

    ASTNodePtr root = tree(kChain);
    ASTNodePtr op = root->getAstAt(at("3:1-3:1"));
    ASTNodePtr call = root->getAstAt(at("5:1-5:1"));
    EXPECT_TRUE(matchToAST(NMNew(), op));
    EXPECT_TRUE(matchToAST(NMNewCall(), call));
    EXPECT_FALSE(matchToAST(NMNew(), call));
    EXPECT_TRUE(matchToAST(NMNot(NMCall()), op));
    EXPECT_FALSE(matchToAST(NMNot(NMCall()), call));

    auto any = matchToAST(NMAny(), op);
    ASSERT_TRUE(any);
    EXPECT_TRUE(any->matched.isEmpty());
    EXPECT_EQ(any->last, op);
}

TEST(NodeMatchers, ExpressionListNeighbours)
{
    ASTNodePtr list = tree(kChain)->getChild(0);
    const auto node = [](const NMOutput& out, const char* key) {
        return out.data.contains(key) ? std::get<ASTNodePtr>(out.data.value(key)) : nullptr;
    };
    NMOutput output;
    ASSERT_TRUE(NMExpressions().matches(NMInput(list, Location::from("3:0-3:0")), output));
    EXPECT_EQ(node(output, "precursor"), list->getChild(0));
    EXPECT_EQ(node(output, "sucessor"), list->getChild(1));
    ASSERT_TRUE(NMExpressions().matches(NMInput(list, Location::from("8:0-8:0")), output));
    EXPECT_EQ(node(output, "precursor"), list->getChild(2));
    EXPECT_FALSE(output.data.contains("sucessor"));

    ASTNodePtr empty = tree(R"({"type": "X", "children": ["items"], "items": []})")->getChild(0);
    ASSERT_TRUE(NMExpressions().matches(NMInput(empty, Location::from()), output));
    EXPECT_FALSE(output.data.contains("precursor"));
    EXPECT_FALSE(output.data.contains("sucessor"));
}
