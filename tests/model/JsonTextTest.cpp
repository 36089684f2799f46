// The indexed JSON text that compile replies are read through: it must refuse what is not JSON,
// find members and items past strings that hold brackets and quotes, and read every value as
// Qt's own reader does.
#include "model/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString spanText(const JsonText& text, JsonText::Span span)
{
    return QString::fromUtf8(text.bytes(span));
}

TEST(JsonText, RefusesWhatIsNotOneJsonValue)
{
    for (const char* bad : {"", "  ", "{", "[1,]", "{\"a\" 1}", "{\"a\":}", "{a:1}", "[1 2]", "[01]", "[1.]", "[-]",
                            "[1e]", "[tru]", "[\"open]", "[\"\\u12\"]", "{} {}", "[1]]", "{\"a\":1,}", "[,1]", "nul"})
        EXPECT_FALSE(JsonText::make(bad)) << bad;
    for (const char* good : {"{}", " [ ] ", "0", "-1.5e+3", "\"\"", "true", "[null,false,{\"\":[]}]", "{\"a\":\"\\u00e9\\n\"}"})
        EXPECT_TRUE(JsonText::make(good)) << good;
}

TEST(JsonText, FindsMembersAndItemsPastStringsWithBracketsAndQuotes)
{
    const auto text = JsonText::make(
        R"( { "a\"}" : "x\\\"{[" , "n": {"sourceMap": [1, "]"]}, "source\u004dap" : {"k": "}"} , "z": -2.5e3, "l": [[], {"q": [2]}, "s"] } )");
    ASSERT_TRUE(text);
    QStringList names;
    text->forEachMember(text->root(), [&](const QString& name, JsonText::Span) {
        names << name;
        return true;
    });
    EXPECT_EQ(names, (QStringList{QStringLiteral("a\"}"), QStringLiteral("n"), QStringLiteral("sourceMap"),
                                  QStringLiteral("z"), QStringLiteral("l")}));
    EXPECT_EQ(spanText(*text, text->member(text->root(), u"sourceMap")), QStringLiteral(R"({"k": "}"})"));
    EXPECT_EQ(spanText(*text, text->member(text->root(), u"z")), QStringLiteral("-2.5e3"));
    EXPECT_EQ(text->string(text->member(text->root(), u"a\"}")), QStringLiteral("x\\\"{["));
    EXPECT_TRUE(text->member(text->root(), u"k").isEmpty());

    QStringList items;
    text->forEachItem(text->member(text->root(), u"l"), [&](JsonText::Span item) { items << spanText(*text, item); });
    EXPECT_EQ(items, (QStringList{QStringLiteral("[]"), QStringLiteral(R"({"q": [2]})"), QStringLiteral("\"s\"")}));
    // Asking an object for items, or a list for members, finds nothing.
    int visits = 0;
    text->forEachItem(text->root(), [&](JsonText::Span) { ++visits; });
    text->forEachMember(text->member(text->root(), u"l"), [&](const QString&, JsonText::Span) { return ++visits > 0; });
    EXPECT_EQ(visits, 0);
}

// Strings are scanned many characters at a time: an escaped quote or backslash must be found
// wherever it stands, and a string that runs to the end refused, whatever its length.
TEST(JsonText, ScansStringsOfAnyLengthWithEscapesAnywhere)
{
    for (int length = 0; length < 40; ++length) {
        for (int at = -1; at < length; ++at) {
            QByteArray inner(length, 'a');
            if (at >= 0)
                inner.replace(at, 1, at % 2 ? "\\\"" : "\\\\");
            const QByteArray json = "[\"" + inner + "\",{\"k\":[1]}]";
            const auto text = JsonText::make(json);
            ASSERT_TRUE(text) << json.constData();
            QJsonArray items;
            text->forEachItem(text->root(), [&](JsonText::Span item) { items.append(text->value(item)); });
            EXPECT_EQ(items, QJsonDocument::fromJson(json).array()) << json.constData();
            EXPECT_FALSE(JsonText::make("[\"" + inner + "]")) << json.constData();
        }
    }
}

TEST(JsonText, ReadsValuesAsQtDoes)
{
    const QJsonObject object{{QStringLiteral("s"), QStringLiteral("é \"q\" \n ☃")},
                             {QStringLiteral("e"), QString()},
                             {QStringLiteral("i"), 42},
                             {QStringLiteral("d"), -0.25},
                             {QStringLiteral("b"), true},
                             {QStringLiteral("n"), QJsonValue::Null},
                             {QStringLiteral("list"), QJsonArray{1, QStringLiteral("two"), QJsonObject{{QStringLiteral("x"), false}}}}};
    const auto text = JsonText::make(QJsonDocument(object).toJson(QJsonDocument::Indented));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->value(text->root()), QJsonValue(object));
    for (auto it = object.begin(); it != object.end(); ++it)
        EXPECT_EQ(text->value(text->member(text->root(), it.key())), it.value()) << it.key().toStdString();
    EXPECT_FALSE(text->string(text->member(text->root(), u"e")).isNull());
    EXPECT_TRUE(text->string(text->member(text->root(), u"i")).isNull());
    EXPECT_TRUE(text->value(JsonText::Span{}).isUndefined());

    const JsonText::Ref ref = JsonText::fromValue(QStringLiteral("alone"));
    ASSERT_FALSE(ref.isNull());
    EXPECT_EQ(ref.text->string(ref.span), QStringLiteral("alone"));
    EXPECT_TRUE(JsonText::fromValue(QJsonValue::Undefined).isNull());
}

} // namespace
