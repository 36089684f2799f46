#include "analysis/types/Any.h"
#include "analysis/types/Literal.h"
#include "analysis/types/TArray.h"
#include "analysis/types/TEnum.h"
#include "analysis/types/TFunc.h"
#include "analysis/types/TObject.h"
#include "analysis/types/Unknown.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QJsonValue json(const char* text)
{
    // Wraps the value so that bare strings and numbers parse too.
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + text + "]");
    return doc.array().at(0);
}

TypePtr read(const char* text)
{
    return Type::fromAny(json(text));
}

} // namespace

TEST(TypeModel, StringsReadAsAnyUnknownOrNames)
{
    EXPECT_EQ(read("\"*\"")->kind(), Type::Kind::Any);
    EXPECT_EQ(read("\"?\"")->kind(), Type::Kind::Unknown);
    EXPECT_EQ(Type::fromAny(QJsonValue(QJsonValue::Undefined))->kind(), Type::Kind::Unknown);
    for (const char* text : {"\"**\"", "\"\"", "\"@Layer\""}) {
        TypePtr t = read(text);
        ASSERT_EQ(t->kind(), Type::Kind::Literal) << text;
        EXPECT_EQ(t->name(), "Literal");
        EXPECT_EQ(t->toInspect(), json(text).toString());
    }
}

TEST(TypeModel, UnrecognisedDescriptionsAreUnknown)
{
    for (const char* text : {"{}", "{\"id\":\"Func\"}", "{\"id\":3}", "12", "true", "null", "[1,2]"})
        EXPECT_EQ(read(text)->kind(), Type::Kind::Unknown) << text;
}

TEST(TypeModel, ObjectTypeFieldsAndTextForm)
{
    auto plain = typeAs<TObject>(read(R"({"id":"object"})"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name(), "object");
    EXPECT_FALSE(plain->xtends());
    EXPECT_TRUE(plain->members().isEmpty());
    EXPECT_EQ(plain->toInspect(), "object xtends:nil aliasOf:nil asDictOfType:nil");

    EXPECT_EQ(read(R"({"id":"object","name":""})")->name(), "");
    auto nullParent = typeAs<TObject>(read(R"({"id":"object","xtends":null})"));
    ASSERT_TRUE(nullParent->xtends());
    EXPECT_EQ(nullParent->xtends()->kind(), Type::Kind::Unknown);

    EXPECT_FALSE(typeAs<TObject>(read(R"({"id":"object","ctor":{"id":"func"}})"))->ctor());
    EXPECT_EQ(typeAs<TObject>(read(R"({"id":"object","ctor":"*"})"))->ctor()->kind(), Type::Kind::Any);
    EXPECT_TRUE(typeAs<TObject>(read(R"({"id":"object","members":[1]})"))->members().isEmpty());

    auto layer = typeAs<TObject>(read(R"({"id":"object","name":"layer","xtends":"@Base",
        "aliasOf":"say \"hi\\\"","asDictOfType":"*"})"));
    EXPECT_EQ(layer->toInspect(),
              "layer xtends:Optional(\"@Base\") aliasOf:Optional(\"say \\\"hi\\\\\\\"\") asDictOfType:Optional(\"*\")");
    EXPECT_EQ(layer->returnType()->kind(), Type::Kind::Any);
}

TEST(TypeModel, ReservedKeysLoseTheirPrefix)
{
    const TypeTable table = Type::fromDictionaryToMembers(
        json(R"({"__reserved__class":"*","__reserved__":"?","plain":"@X"})").toObject());
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.value("class")->kind(), Type::Kind::Any);
    EXPECT_EQ(table.value("")->kind(), Type::Kind::Unknown);
    EXPECT_EQ(table.value("plain")->toInspect(), "@X");
}

TEST(TypeModel, FunctionArrayAndEnumReaders)
{
    auto f = typeAs<TFunc>(read(R"({"id":"func"})"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->name(), "function");
    EXPECT_TRUE(f->paramTypes().isEmpty());
    EXPECT_EQ(f->returns()->kind(), Type::Kind::Unknown);
    EXPECT_FALSE(f->isCTOR());
    EXPECT_TRUE(typeAs<TFunc>(read(R"({"id":"func","isConstructor":1})"))->isCTOR());

    auto g = typeAs<TFunc>(read(R"({"id":"func","paramTypes":["*","number"],"paramNames":["a",7,"c"],"returns":"@Layer"})"));
    EXPECT_EQ(g->paramTypes().size(), 2);
    EXPECT_EQ(g->paramNames(), (QStringList{"a", "", "c"}));
    EXPECT_EQ(g->returnType()->toInspect(), "@Layer");

    auto a = read(R"({"id":"array","type":"number"})");
    EXPECT_EQ(a->name(), "array");
    EXPECT_EQ(a->returnType()->toInspect(), "number");
    EXPECT_EQ(typeAs<TArray>(read(R"({"id":"array"})"))->type()->kind(), Type::Kind::Unknown);

    auto e = typeAs<TEnum>(read(R"({"id":"enum","type":"*","values":"abc"})"));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type()->kind(), Type::Kind::Any);
    EXPECT_TRUE(e->values().isEmpty());
    EXPECT_EQ(e->name(), "enum");
    EXPECT_EQ(e->toInspect(), "Type");
    EXPECT_FALSE(e->returnType());

    auto ctor = TFunc::ctorOfType(nullptr);
    EXPECT_TRUE(ctor->isCTOR());
    EXPECT_EQ(ctor->name(), "object");
    EXPECT_EQ(ctor->returns()->kind(), Type::Kind::Any);
}

TEST(TypeModel, Equality)
{
    EXPECT_TRUE(typesAreEqual(nullptr, nullptr));
    EXPECT_FALSE(typesAreEqual(nullptr, std::make_shared<Unknown>()));
    EXPECT_TRUE(*read("\"?\"") == *read("\"?\""));
    EXPECT_FALSE(*read("\"?\"") == *read("\"*\""));
    EXPECT_TRUE(*read("\"a\"") == *read("\"a\""));
    EXPECT_FALSE(*read("\"a\"") == *read("\"b\""));

    // Functions compare by signature, whatever their members.
    auto f1 = read(R"({"id":"func","returns":"number","paramTypes":["*"],"members":{"x":"*"}})");
    auto f2 = read(R"({"id":"func","returns":"number","paramTypes":["*"],"members":{}})");
    auto f3 = read(R"({"id":"func","returns":"string","paramTypes":["*"],"members":{"x":"*"}})");
    EXPECT_TRUE(*f1 == *f2);
    EXPECT_FALSE(*f1 == *f3);

    // Arrays by element type only; a shared object part is not enough.
    auto numbers = read(R"({"id":"array","type":"number"})");
    auto strings = read(R"({"id":"array","type":"string"})");
    EXPECT_TRUE(*numbers == *read(R"({"id":"array","type":"number","members":{"q":"*"}})"));
    EXPECT_FALSE(*numbers == *strings);

    // Equality is symmetric across kinds, so that sorting by it is sound.
    auto plain = read(R"({"id":"object"})");
    auto func = read(R"({"id":"func"})");
    EXPECT_EQ(*plain == *func, *func == *plain);
    EXPECT_EQ(*plain == *numbers, *numbers == *plain);
    EXPECT_FALSE(*plain == *func);

    // Plain objects: parent, constructor, dictionary type and members; not name or alias.
    EXPECT_TRUE(*read(R"({"id":"object","name":"a","aliasOf":"x","members":{"m":"*"}})")
                == *read(R"({"id":"object","name":"b","members":{"m":"*"}})"));
    EXPECT_FALSE(*read(R"({"id":"object","xtends":"A"})") == *read(R"({"id":"object","xtends":"B"})"));
    EXPECT_FALSE(*read(R"({"id":"object","members":{"m":"*"}})") == *read(R"({"id":"object","members":{"n":"*"}})"));

    EXPECT_TRUE(*read(R"({"id":"enum","type":"*","values":[1,"a"]})") == *read(R"({"id":"enum","type":"*","values":[1,"a"]})"));
    EXPECT_FALSE(*read(R"({"id":"enum","type":"*","values":[1,"a"]})") == *read(R"({"id":"enum","type":"*","values":["a",1]})"));

    // Every type equals itself, the bare base type included.
    Type base;
    EXPECT_TRUE(base == base);
    EXPECT_EQ(base.name(), "Type");
}

TEST(TypeModel, HugeNestingReadsWithoutExhaustingTheStack)
{
    QJsonValue v = QStringLiteral("*");
    for (int i = 0; i < 5000; ++i)
        v = QJsonObject{{"id", "array"}, {"type", v}};
    TypePtr t = Type::fromAny(v);
    int depth = 0;
    for (TypePtr cur = t; cur && cur->kind() == Type::Kind::Array; cur = cur->returnType())
        ++depth;
    EXPECT_GT(depth, 10);
    EXPECT_LT(depth, 5000);
    EXPECT_TRUE(*t == *t);
    EXPECT_FALSE(t->toInspect().isEmpty());
}
