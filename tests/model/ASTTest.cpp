#include "model/AST.h"
#include "model/ASTArray.h"

#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <thread>

namespace {

QJsonValue json(const char* text)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(text));
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

QByteArray fixtureText(const char* name)
{
    return testsupport::readFile(testsupport::fixturePath(QStringLiteral("model/") + name)).toUtf8();
}

std::shared_ptr<AST> fixtureTree(const char* name)
{
    const QJsonDocument document = QJsonDocument::fromJson(fixtureText(name));
    EXPECT_TRUE(document.isObject()) << name;
    return AST::create(document.object());
}

// Each node of the tree, parents first.
QList<ASTNodePtr> allNodes(const ASTNodePtr& root)
{
    QList<ASTNodePtr> nodes;
    QList<ASTNodePtr> pending{root};
    while (!pending.isEmpty()) {
        const ASTNodePtr node = pending.takeFirst();
        nodes.append(node);
        for (qsizetype i = 0; i < node->count(); ++i)
            pending.append(node->getChild(i));
    }
    return nodes;
}

// Where a node sits in its tree: the child indexes from the root down, "-" for none.
QString pathOf(ASTNodePtr node)
{
    if (!node)
        return QStringLiteral("-");
    QStringList steps;
    for (ASTNodePtr parent = node->parent(); parent; node = parent, parent = node->parent()) {
        qsizetype index = 0;
        while (index < parent->count() && parent->getChild(index) != node)
            ++index;
        steps.prepend(QString::number(index));
    }
    return QLatin1Char('/') + steps.join(QLatin1Char('/'));
}

// Everything a reader sees of one node.
QString describe(const ASTNodePtr& node)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
        .arg(pathOf(node), node->type(), node->label(), node->location()->toString(),
             node->typeHash().value_or(QStringLiteral("(no hash)")),
             node->data() ? QString::fromUtf8(QJsonDocument(QJsonArray{*node->data()}).toJson(QJsonDocument::Compact))
                          : QStringLiteral("(no data)"))
        .arg(node->count());
}

LocationPtr at(const char* text)
{
    return Location::from(QString::fromLatin1(text));
}

QString where(const ASTNodePtr& node)
{
    return node ? node->location()->toString() : QStringLiteral("none");
}

// Three statements starting at lines 1, 3 and 5.
const char* kThreeChildren = R"({"type": "Block", "location": "1:0-5:9", "children": ["expressions"],
    "expressions": [
        {"type": "Value", "location": "1:0-1:9", "typeHash": "h", "children": ["base"],
         "base": {"type": "IdentifierLiteral", "location": "1:0-1:3", "data": "foo", "typeHash": "h"}},
        {"type": "Call", "location": "3:0-3:9"},
        {"type": "Op", "location": "5:0-5:9", "data": "new", "typeHash": "h"}]})";

} // namespace

TEST(AST, ValuesOfTheWrongKindLeaveTheInitialValues)
{
    const auto root = AST::create(QJsonValue(5));
    EXPECT_EQ(root->type(), QStringLiteral("Expressions"));
    EXPECT_EQ(root->location()->toString(), QStringLiteral("[0:0-0:0]"));
    EXPECT_EQ(root->count(), 0);
    EXPECT_EQ(root->getAstAt(*at("4:4-4:4")), root);
    EXPECT_FALSE(root->parent());

    const auto odd = AST::create(json(R"({"location": 12, "type": ["x"], "typeHash": 3, "children": "a",
                                          "a": {"type": "Value"}})"));
    EXPECT_EQ(odd->location()->toString(), QStringLiteral("[0:0-0:0]"));
    EXPECT_EQ(odd->type(), QStringLiteral("Expressions"));
    EXPECT_FALSE(odd->typeHash());
    EXPECT_FALSE(odd->data());
    EXPECT_EQ(odd->count(), 0);

    const auto unparsable = AST::create(json(R"({"location": "1:2-3", "data": null})"));
    EXPECT_EQ(unparsable->location()->toString(), QStringLiteral("[0:0-0:0]"));
    ASSERT_TRUE(unparsable->data());
    EXPECT_TRUE(unparsable->data()->isNull());

    // Only names count as child keys; a name the object lacks keeps its place as an empty node.
    const auto children = AST::create(json(R"({"children": [1, "missing", null, "kept", {}],
                                               "kept": {"type": "Literal", "data": "x"}})"));
    ASSERT_EQ(children->count(), 2);
    EXPECT_EQ(children->getChild(0)->type(), QStringLiteral("Expressions"));
    EXPECT_EQ(children->getChild(1)->type(), QStringLiteral("Literal"));
    EXPECT_EQ(children->getChild(1)->data()->toString(), QStringLiteral("x"));
    EXPECT_FALSE(children->getChild(2));
    EXPECT_FALSE(children->getChild(-1));
    EXPECT_FALSE((*children)[9]);
}

TEST(AST, ChildrenAreParsedOnFirstUse)
{
    const auto root = AST::create(json(kThreeChildren));
    EXPECT_FALSE(root->parsedChildren());
    EXPECT_EQ(root->label(), QStringLiteral("Block"));
    ASSERT_EQ(root->count(), 1);
    EXPECT_TRUE(root->parsedChildren());
    const auto list = std::dynamic_pointer_cast<ASTArray>(root->getChild(0));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->label(), QStringLiteral("expressions"));
    EXPECT_EQ(list->type(), QStringLiteral("Expressions"));
    EXPECT_EQ(list->location(), root->location()); // the same object
    EXPECT_EQ(list->parent(), root);
    ASSERT_EQ(list->count(), 3);
    const auto value = std::dynamic_pointer_cast<AST>(list->getChild(0));
    ASSERT_TRUE(value);
    EXPECT_FALSE(value->parsedChildren());
    EXPECT_EQ(value->parent(), list);
    EXPECT_EQ(AST_OrArray::create()->label(), QString());
}

TEST(AST, ListsBecomeArrayNodes)
{
    const auto root = AST::create(json(R"({"type": "Switch", "location": "2:0-4:0", "children": ["cases", "none"],
        "cases": [[{"type": "Literal"}, [{"type": "Value"}]], {"type": "Block"}], "none": []})"));
    ASSERT_EQ(root->count(), 2);
    const auto cases = std::dynamic_pointer_cast<ASTArray>(root->getChild(0));
    ASSERT_TRUE(cases);
    const auto nested = std::dynamic_pointer_cast<ASTArray>(cases->getChild(0));
    ASSERT_TRUE(nested);
    const auto deeper = std::dynamic_pointer_cast<ASTArray>(nested->getChild(1));
    ASSERT_TRUE(deeper);
    for (const auto& array : {cases, nested, deeper}) {
        EXPECT_EQ(array->key(), QStringLiteral("cases"));
        EXPECT_EQ(array->location(), root->location());
    }
    EXPECT_EQ(deeper->getChild(0)->type(), QStringLiteral("Value"));
    EXPECT_EQ(cases->getChild(1)->type(), QStringLiteral("Block"));

    const auto none = root->getChild(1);
    EXPECT_EQ(none->count(), 0);
    EXPECT_FALSE(none->getChild(0));
    EXPECT_EQ(none->label(), QStringLiteral("none"));
}

TEST(AST, FindsTheDeepestNodeAtALocation)
{
    const auto root = AST::create(json(kThreeChildren));
    EXPECT_EQ(root->getAstAt(*at("1:1-1:1"))->type(), QStringLiteral("IdentifierLiteral"));
    EXPECT_EQ(root->getAstAt(*at("1:6-1:6"))->type(), QStringLiteral("Value"));
    EXPECT_EQ(root->getAstAt(*at("3:2-3:2"))->type(), QStringLiteral("Call"));
    // Inside the block but in no statement: the block itself, not the list of its statements
    // (a list shares its holder's range and catches only what one of its items contains).
    EXPECT_EQ(root->getAstAt(*at("2:0-2:0")), root);
    // Outside the root's range the root still asks its children and answers itself.
    EXPECT_EQ(root->getAstAt(*at("9:0-9:0")), root);
    // A node with a parent that doesn't contain the location answers none.
    const auto call = root->getChild(0)->getChild(1);
    EXPECT_FALSE(call->getAstAt(*at("1:1-1:1")));

    // Overlapping siblings: the earlier one's subtree wins even when the later goes deeper.
    const auto overlap = AST::create(json(R"({"location": "0:0-9:9", "children": ["a", "b"],
        "a": {"type": "A", "location": "1:0-5:0"},
        "b": {"type": "B", "location": "1:0-5:0", "children": ["c"], "c": {"type": "C", "location": "2:0-2:5"}}})"));
    EXPECT_EQ(overlap->getAstAt(*at("2:1-2:1"))->type(), QStringLiteral("A"));
}

TEST(AST, AListBeforeABodyDoesNotCatchPositionsInTheBody)
{
    // f = (a, b) -> a + b: the parameter list shares the function's range; a position in the
    // body must reach the body, and a position on a parameter the parameter.
    const auto root = AST::create(json(R"({"type": "Block", "location": "0:0-2:0", "children": ["expressions"],
        "expressions": [{"type": "Code", "location": "0:4-1:9", "children": ["params", "body"],
            "params": [{"type": "Param", "location": "0:5-0:5"}, [{"type": "Param", "location": "0:8-0:8"}]],
            "body": {"type": "Block", "location": "1:2-1:9", "children": ["expressions"],
                "expressions": [{"type": "Op", "location": "1:2-1:9", "data": "+"}]}}]})"));
    EXPECT_EQ(root->getAstAt(*at("1:4-1:4"))->type(), QStringLiteral("Op"));
    EXPECT_EQ(where(root->getAstAt(*at("0:5-0:5"))), QStringLiteral("[0:5-0:5]"));
    // An item of a nested list still counts for the outer list.
    EXPECT_EQ(where(root->getAstAt(*at("0:8-0:8"))), QStringLiteral("[0:8-0:8]"));
    // In the function's range but on no parameter and not in the body: the function.
    EXPECT_EQ(root->getAstAt(*at("0:12-0:12"))->type(), QStringLiteral("Code"));
    // A list asked directly answers only for what its items contain.
    const auto params = root->getChild(0)->getChild(0)->getChild(0);
    ASSERT_EQ(params->label(), QStringLiteral("params"));
    EXPECT_FALSE(params->getAstAt(*at("1:4-1:4")));
    EXPECT_EQ(where(params->getAstAt(*at("0:5-0:5"))), QStringLiteral("[0:5-0:5]"));
}

TEST(AST, FindsTheChildJustBeforeALocation)
{
    const auto list = AST::create(json(kThreeChildren))->getChild(0);
    EXPECT_EQ(where(list->getLastASTBefore(*at("4:2-4:2"))), QStringLiteral("[3:0-3:9]"));
    EXPECT_EQ(where(list->getLastASTBefore(*at("0:5-0:5"))), QStringLiteral("none"));
    EXPECT_EQ(where(list->getLastASTBefore(*at("9:0-9:0"))), QStringLiteral("[5:0-5:9]"));
    EXPECT_EQ(where(list->getLastASTBefore(*at("3:0-3:0"))), QStringLiteral("[1:0-1:9]"));
    EXPECT_FALSE(AST::create(QJsonValue())->getLastASTBefore(*at("3:0-3:0")));
}

TEST(AST, CollectsNodesWithATypeHashInDocumentOrder)
{
    const auto root = AST::create(json(kThreeChildren));
    const auto found = root->getNodesWithTypeHash(QStringLiteral("h"));
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0]->type(), QStringLiteral("Value"));
    EXPECT_EQ(found[1]->type(), QStringLiteral("IdentifierLiteral"));
    EXPECT_EQ(found[2]->type(), QStringLiteral("Op"));
    EXPECT_TRUE(root->getNodesWithTypeHash(QStringLiteral("nobody")).isEmpty());
}

// The compiler's tree is read whole on the engine's thread and searched on the main thread: the
// searches must answer exactly what they answer on a tree read node by node where it is used.
TEST(AST, ATreeReadWholeOnAnotherThreadAnswersAsATreeReadOnUse)
{
    qsizetype hashesSearched = 0;
    // Two bare trees, and a compile's reply whose tree carries layer hashes.
    for (const char* name : {"model/layers.ast.json", "model/classes.ast.json", "analysis/compiled-program.json"}) {
        SCOPED_TRACE(name);
        const auto text = JsonText::make(testsupport::readFile(testsupport::fixturePath(QString::fromLatin1(name))).toUtf8());
        ASSERT_TRUE(text);
        const JsonText::Span ast = text->member(text->root(), u"ast");
        const JsonText::Ref ref{text, ast.isEmpty() ? text->root() : ast};
        std::shared_ptr<AST> whole;
        std::thread([&] {
            whole = AST::create(ref);
            whole->readWhole();
        }).join();
        const auto onUse = AST::create(ref);

        // Read whole means no node is left to make.
        const QList<ASTNodePtr> wholeNodes = allNodes(whole);
        for (const ASTNodePtr& node : wholeNodes) {
            if (const auto* made = dynamic_cast<const AST*>(node.get()))
                EXPECT_TRUE(made->parsedChildren()) << describe(node).toStdString();
        }
        const auto fromTheFirstNode = std::dynamic_pointer_cast<AST>(onUse->getChild(0)->getChild(0));
        ASSERT_TRUE(fromTheFirstNode);
        EXPECT_FALSE(fromTheFirstNode->parsedChildren());

        // The same nodes, with the same contents, in the same places.
        QStringList hashes;
        QList<LocationPtr> positions;
        for (const ASTNodePtr& node : wholeNodes) {
            if (node->typeHash() && !hashes.contains(*node->typeHash()))
                hashes.append(*node->typeHash());
            const Location& range = *node->location();
            const QList<std::pair<qint64, qint64>> ends{{range.firstLine(), range.firstColumn()},
                                                        {range.lastLine(), range.lastColumn()},
                                                        {range.lastLine(), range.lastColumn() + 1}};
            for (const auto& [line, column] : ends) {
                positions.append(Location::from());
                positions.last()->fromPosition(line, column);
            }
        }
        const QList<ASTNodePtr> onUseNodes = allNodes(onUse);
        ASSERT_EQ(wholeNodes.size(), onUseNodes.size());
        for (qsizetype i = 0; i < wholeNodes.size(); ++i)
            ASSERT_EQ(describe(wholeNodes[i]), describe(onUseNodes[i]));

        // Every search answers the same nodes: by hash (a fresh reader of each), by position.
        for (const QString& hash : hashes) {
            const auto paths = [&](const QList<ASTNodePtr>& nodes) {
                QStringList out;
                for (const ASTNodePtr& node : nodes)
                    out.append(pathOf(node));
                return out;
            };
            const QStringList found = paths(whole->getNodesWithTypeHash(hash));
            EXPECT_FALSE(found.isEmpty());
            EXPECT_EQ(found, paths(AST::create(ref)->getNodesWithTypeHash(hash))) << hash.toStdString();
            ++hashesSearched;
        }
        for (const LocationPtr& position : positions) {
            EXPECT_EQ(pathOf(whole->getAstAt(*position)), pathOf(AST::create(ref)->getAstAt(*position)))
                << position->toString().toStdString();
            for (qsizetype i = 0; i < whole->count(); ++i) {
                EXPECT_EQ(pathOf(whole->getChild(i)->getLastASTBefore(*position)),
                          pathOf(onUse->getChild(i)->getLastASTBefore(*position)));
            }
        }
    }
    EXPECT_GT(hashesSearched, 2);
}

TEST(AST, ParentLinksNeverDangle)
{
    ASTNodePtr kept;
    ASTNodePtr keptParent;
    {
        auto root = AST::create(json(kThreeChildren));
        kept = root->getAstAt(*at("1:1-1:1"));
        ASSERT_TRUE(kept);
        ASSERT_TRUE(kept->parent());
        keptParent = root->getChild(0)->getChild(2);
    }
    // The tree is gone; the node held on to reports no parent, and acts as a root.
    EXPECT_FALSE(kept->parent());
    EXPECT_FALSE(keptParent->parent());
    EXPECT_EQ(kept->getAstAt(*at("7:0-7:0")), kept);
    EXPECT_EQ(kept->type(), QStringLiteral("IdentifierLiteral"));
}

// Trees the compiler made for real programs.
TEST(AST, AnswersQueriesOnCompilerOutput)
{
    const auto root = fixtureTree("layers.ast.json");
    // "\theight: square 10" on line 5: the identifier square, inside a value, inside a call.
    const auto identifier = root->getAstAt(*at("5:10-5:10"));
    ASSERT_TRUE(identifier);
    EXPECT_EQ(identifier->type(), QStringLiteral("Literal"));
    EXPECT_EQ(identifier->data()->toString(), QStringLiteral("square"));
    const auto value = identifier->parent();
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type(), QStringLiteral("Value"));
    ASSERT_TRUE(value->parent());
    EXPECT_EQ(value->parent()->type(), QStringLiteral("Call"));

    // The number literal 10 of the same call.
    const auto number = root->getAstAt(*at("5:17-5:17"));
    EXPECT_EQ(number->type(), QStringLiteral("Literal"));
    EXPECT_EQ(number->data()->toString(), QStringLiteral("10"));

    // Statements before line 8 ("button = new Layer"): the last one is the card's assignment.
    const auto statements = root->getChild(0);
    const auto before = statements->getLastASTBefore(*at("8:0-8:0"));
    ASSERT_TRUE(before);
    EXPECT_EQ(before->type(), QStringLiteral("Assign"));
    EXPECT_EQ(before->location()->firstLine(), 3);

    // Every node of the tree lies inside the root's range and below its parent's.
    QList<ASTNodePtr> pending{root};
    int visited = 0;
    while (!pending.isEmpty()) {
        const ASTNodePtr node = pending.takeLast();
        ++visited;
        EXPECT_TRUE(root->containsLocation(*node->location())) << node->location()->toString().toStdString();
        for (qsizetype i = 0; i < node->count(); ++i) {
            EXPECT_EQ(node->getChild(i)->parent(), node);
            pending.append(node->getChild(i));
        }
    }
    EXPECT_GT(visited, 100);

    const auto classes = fixtureTree("classes.ast.json");
    const auto method = classes->getAstAt(*at("5:3-5:3")); // "\t\t@value += by_"
    ASSERT_TRUE(method);
    ASTNodePtr climb = method;
    QStringList types;
    while (climb) {
        types.append(climb->type());
        climb = climb->parent();
    }
    EXPECT_TRUE(types.contains(QStringLiteral("Code")));
    EXPECT_TRUE(types.contains(QStringLiteral("Class")));
    EXPECT_EQ(types.last(), QStringLiteral("Block"));
}
