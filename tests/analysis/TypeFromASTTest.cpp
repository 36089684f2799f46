#include "analysis/TypeFromAST.h"
#include "analysis/types/TObject.h"
#include "model/AST.h"

#include "support/TestSupport.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QJsonObject readJson(const QString& relative)
{
    return QJsonDocument::fromJson(testsupport::readFile(testsupport::fixturePath(relative)).toUtf8()).object();
}

// A compile of the fixture program by the real compiler and inference script:
//   a = new Layer / x: 5 / a.frame.width / b = [1, 2] / f = (p) -> q = a.parent; q.x / sk = ...
class TypeFromASTTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QJsonObject compiled = readJson("analysis/compiled-program.json");
        ASSERT_FALSE(compiled.isEmpty());
        ast = AST::create(compiled.value("ast"));
        globals = Type::fromDictionaryToMembers(readJson("analysis/globals.json"));
        scope = Scope::create(compiled.value("scope").toObject(), nullptr, globals);
    }

    ASTNodePtr nodeAt(const char* location) const { return ast->getAstAt(Location(QString::fromLatin1(location))); }

    QString typeAt(const char* location) const
    {
        auto found = getTypeFromAST(nodeAt(location), *scope);
        return found && found->type ? found->type->toInspect() : QStringLiteral("?");
    }

    ASTNodePtr ast;
    TypeTable globals;
    ScopePtr scope;
};

} // namespace

TEST_F(TypeFromASTTest, IdentifiersAtTheBaseOfAValue)
{
    // "a" with a type path: the variable's type through the scope; the value node carries it.
    auto a = getTypeFromAST(nodeAt("2:0-2:0"), *scope);
    ASSERT_TRUE(a && a->type);
    EXPECT_EQ(a->type->name(), "layer");
    EXPECT_EQ(a->value->type(), "Value");
    // Inside the function, q is its local: f = (p) -> ... / q.x, the base of the last expression.
    ASTNodePtr code = nodeAt("4:0-4:0")->parent()->parent()->getChild(1);
    ASSERT_EQ(code->type(), "Code");
    ASTNodePtr body = code->getChild(1)->getChild(0)->getChild(1);
    ASSERT_EQ(body->type(), "Value");
    auto q = getTypeFromAST(body->getChild(0), *scope);
    ASSERT_TRUE(q && q->type);
    EXPECT_EQ(q->type->name(), "layer");
    EXPECT_EQ(q->localScope, scope->children().at(0));
}

TEST_F(TypeFromASTTest, PropertiesOfAChainShowTheirOwnType)
{
    // The dictionary names the library's types; they are shown resolved, not as names.
    EXPECT_EQ(typeAt("2:3-2:3"), "frame xtends:nil aliasOf:nil asDictOfType:nil");  // a.frame
    EXPECT_EQ(typeAt("2:9-2:9"), "number xtends:nil aliasOf:nil asDictOfType:nil"); // a.frame.width
}

TEST_F(TypeFromASTTest, WithoutTypePathsTheMemberPathIsResolved)
{
    // The same chain with unknown steps: resolved from a's object type up to the identifier.
    ASTNodePtr value = nodeAt("2:0-2:0")->parent();
    value->setData(QJsonObject{{"typePath", QJsonArray{"a", "?", "?"}}});
    auto frame = getTypeFromAST(nodeAt("2:3-2:3"), *scope);
    ASSERT_TRUE(frame && frame->type);
    EXPECT_EQ(frame->type->name(), "frame");
    EXPECT_EQ(frame->value, value);
    auto width = getTypeFromAST(nodeAt("2:9-2:9"), *scope);
    ASSERT_TRUE(width && width->type);
    EXPECT_EQ(width->type->name(), "number");

    // A name the object lacks: an answer without a type.
    ASTNodePtr name = nodeAt("2:9-2:9");
    name->setData(QJsonValue("nothing"));
    auto missing = getTypeFromAST(name, *scope);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->type);
    EXPECT_EQ(missing->value, value);

    // Without a type path at all, a base without an object type answers nothing.
    value->setData(std::nullopt);
    value->getChild(0)->setData(QJsonValue("undeclared"));
    EXPECT_FALSE(getTypeFromAST(nodeAt("2:3-2:3"), *scope));
}

TEST_F(TypeFromASTTest, TypedConstructsAndLiteralElements)
{
    // The object literal of the constructor call, through its type hash.
    auto obj = getTypeFromAST(nodeAt("1:2-1:2")->parent()->parent()->parent()->parent(), *scope);
    ASSERT_TRUE(obj && obj->type);
    EXPECT_EQ(obj->value->type(), "Obj");
    EXPECT_TRUE(typeAs<TObject>(obj->type)->members().contains("x"));

    EXPECT_EQ(typeAt("3:5-3:5"), "number xtends:nil aliasOf:nil asDictOfType:nil"); // the literal 1
    auto arr = getTypeFromAST(nodeAt("3:5-3:5")->parent()->parent(), *scope);
    ASSERT_TRUE(arr && arr->type);
    EXPECT_EQ(arr->type->name(), "array");

    // The element list of the array literal answers through the value that wraps it.
    ASTNodePtr elements = nodeAt("3:5-3:5")->parent()->parent();
    ASSERT_EQ(elements->type(), "Expressions");
    auto list = getTypeFromAST(elements, *scope);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->value->type(), "Value");

    // A construct without a type hash, and a node no pattern knows.
    ASTNodePtr call = nodeAt("0:8-0:8")->parent()->parent();
    ASSERT_EQ(call->type(), "Call");
    call->setTypeHash(std::nullopt);
    EXPECT_FALSE(getTypeFromAST(call, *scope));
    EXPECT_FALSE(getTypeFromAST(AST::create(QJsonObject{{"type", "Op"}}), *scope));
}

TEST_F(TypeFromASTTest, ImportedLayersCarryTheirFolder)
{
    auto sk = getTypeFromAST(nodeAt("7:0-7:0"), *scope);
    ASSERT_TRUE(sk && sk->type);
    auto object = typeAs<TObject>(sk->type);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->annotations().toObject().value("importedLayersPath").toString(), "\"imported/doc@1x\"");
    EXPECT_TRUE(object->asDictOfType());
}
