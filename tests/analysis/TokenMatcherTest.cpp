#include "analysis/tokens/TokenMatcherLibrary.h"

#include <gtest/gtest.h>

namespace {

constexpr auto Back = TokenMatcherDirection::Backwards;
constexpr auto Fwd = TokenMatcherDirection::Forwards;

// A match as one line: each token as Type@location"text", then "=consumed"; "none" for no match.
std::string describe(const std::optional<TokenMatch>& match)
{
    if (!match)
        return "none";
    QString out;
    for (const Token& token : match->tokens) {
        QString text = token.text;
        text.replace(QLatin1Char('\t'), QLatin1String("\\t")).replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QChar(0x2028), QLatin1String("\\u2028"));
        out += QStringLiteral("%1@%2\"%3\" ").arg(tokenTypeName(token.type)).arg(token.location).arg(text);
    }
    return (out + QLatin1Char('=') + QString::number(match->consumed)).toStdString();
}

std::string run(const TokenMatcher& matcher, const QString& text, qint64 location, TokenMatcherDirection direction)
{
    return describe(matcher.match(text, text.size(), location, direction));
}

struct Row {
    const char* name;
    const TokenMatcher& matcher;
    const char16_t* text;
    qint64 location;
    TokenMatcherDirection direction;
    const char* expected;
};

} // namespace

TEST(TokenMatcherLibrary, ReadsTheTextAroundTheCaret)
{
    const Row rows[] = {
        // Spaced punctuation, read back from the character before the word being typed.
        {"dot with spaces", TMSpacedDot(), u"layer . ", 7, Back, R"(Space@5" " Dot@6"." Space@7" " =3)"},
        {"dot forwards", TMSpacedDot(), u"layer . ", 5, Fwd, R"(Space@5" " Dot@6"." Space@7" " =3)"},
        {"bare dot at the start", TMSpacedDot(), u".", 0, Back, R"(Dot@0"." =1)"},
        {"no dot", TMSpacedDot(), u"layer ", 5, Back, "none"},
        {"colon", TMSpacedColon(), u"x: 1, y:", 7, Back, R"(Colon@7":" =1)"},
        {"comma", TMSpacedComma(), u"x: 1, y:", 5, Back, R"(Comma@4"," Space@5" " =2)"},
        {"equals", TMSpacedEquals(), u"x = ", 3, Back, R"(Space@1" " Equals@2"=" Space@3" " =3)"},
        {"parens", TMSpacedParensOpen(), u"f(", 1, Back, R"(ParensOpen@1"(" =1)"},
        {"curly over a newline", TMSpacedCurlyOpen(), u"{\n\t", 2, Back, R"(CurlyOpen@0"{" Newline@1"\n" Tab@2"\t" =3)"},
        {"parens then curly", TMSpacedParensAndCurlyOpen(), u"f( {", 3, Back,
         R"(ParensOpen@1"(" Space@2" " CurlyOpen@3"{" =3)"},
        {"curly alone is not parens then curly", TMSpacedParensAndCurlyOpen(), u"x {", 2, Back, "none"},
        // Words: a backwards run is placed at its last character.
        {"word backwards", TMAlphaNumerics(), u"layer . ", 4, Back, R"(Alphanumerics@4"layer" =5)"},
        {"word forwards", TMAlphaNumerics(), u"layer . ", 0, Fwd, R"(Alphanumerics@0"layer" =5)"},
        {"word of _ $ and digits", TMAlphaNumerics(), u"($a_1)", 4, Back, R"(Alphanumerics@4"$a_1" =4)"},
        {"letter and combining mark", TMAlphaNumerics(), u"e\u0301t", 0, Fwd, "Alphanumerics@0\"e\u0301t\" =3"},
        {"a lone surrogate is no letter", TMAlphaNumeric(), u"\xD800", 0, Fwd, "none"},
        {"text that starts at the caret", TMAlphaNumerics(), u"abc", -1, Back, "none"},
        {"single letter", TMAlphaNumeric(), u"ab", 1, Back, R"(Alphanumeric@1"b" =1)"},
        // Object keys separated by whitespace alone; the comma ends the run.
        {"last key only", TMObjectKeys(), u"x: 1, y:", 7, Back, R"(Alphanumerics@6"y" =3)"},
        {"two keys", TMObjectKeys(), u"a: bc :", 6, Back, R"(Alphanumerics@0"a" Alphanumerics@4"bc" =7)"},
        {"a word without colon", TMObjectKeys(), u"x", 0, Back, "none"},
        {"one key", TMObjectKey(), u"key :", 4, Back, R"(Alphanumerics@2"key" =5)"},
        // new standing alone.
        {"new at the start", TMNewOperator(), u"new x", 3, Back,
         R"(Start@0"" Character@0"n" Character@1"e" Character@2"w" =4)"},
        {"renew", TMNewOperator(), u"renew x", 5, Back, "none"},
        {"new after a parenthesis", TMNewOperator(), u"a(new  x", 6, Back,
         R"(Character@2"n" Character@3"e" Character@4"w" =6)"},
        {"new forwards", TMNewOperator(), u"x new y", 1, Fwd, R"(Character@2"n" Character@3"e" Character@4"w" =5)"},
        {"new right before the word", TMNewOperator(), u"new", 2, Back, "none"},
        {"boundary at the start", TMWordBoundry(), u"abc", -1, Back, R"(Start@0"" =0)"},
        {"boundary over punctuation", TMWordBoundry(), u"ab (", 3, Back, "=2"},
        {"no boundary inside a word", TMWordBoundry(), u"abc", 1, Back, "none"},
        // Whitespace, with the line ends the editor knows.
        {"tabs and U+2028", TMSomeWhitespace(), u"a\u2028\t b", 3, Back,
         R"(Newline@1"\u2028" Tab@2"\t" Space@3" " =3)"},
        {"no whitespace", TMSomeWhitespace(), u"ab", 1, Back, "none"},
        {"any whitespace of none", TMAnyWhitespace(), u"ab", 1, Back, "=0"},
        {"tabs and spaces stop at a newline", TMAnyTabsAndOrSpaces(), u"\t \nx", 0, Fwd, R"(Tab@0"\t" Space@1" " =2)"},
        {"start before the text", TMStart(), u"abc", -1, Fwd, R"(Start@0"" =0)"},
        {"start inside the text", TMStart(), u"abc", 0, Back, "none"},
        {"new letters", TMNew(), u"new", 0, Fwd, R"(Character@0"n" Character@1"e" Character@2"w" =3)"},
        // The empty text.
        {"empty: some whitespace", TMSomeWhitespace(), u"", -1, Back, "none"},
        {"empty: any whitespace", TMAnyWhitespace(), u"", -1, Back, "=0"},
        {"empty: a word forwards", TMAlphaNumerics(), u"", 0, Fwd, "none"},
        {"empty: keys", TMObjectKeys(), u"", -1, Back, "none"},
        {"empty: new", TMNewOperator(), u"", -1, Back, "none"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(run(row.matcher, QString::fromUtf16(row.text), row.location, row.direction), row.expected);
    }
}

TEST(TokenMatcherLibrary, LineIndentCountsTabsAndSpacesOnce)
{
    EXPECT_EQ(TMLineIndent(u""), 0);
    EXPECT_EQ(TMLineIndent(u" \t "), 3);
    EXPECT_EQ(TMLineIndent(u"\t  x = 1"), 3);
    EXPECT_EQ(TMLineIndent(u"x  "), 0);
}

TEST(TokenMatcherCombinators, FollowTheDirectionOfReading)
{
    const TokenMatcher letterOrWord = TMAlphaNumeric() | TMAlphaNumerics();
    // The operand nearer the reading start is tried first.
    EXPECT_EQ(run(letterOrWord, "ab", 0, Fwd), R"(Alphanumeric@0"a" =1)");
    EXPECT_EQ(run(letterOrWord, "ab", 1, Back), R"(Alphanumerics@1"ab" =2)");
    // A backwards sequence whose right part reaches the start runs its left part at -1.
    EXPECT_EQ(run(TMStart() + TMAlphaNumerics(), "ab", 1, Back), R"(Start@0"" Alphanumerics@1"ab" =2)");
    // Tokens of a backwards repetition come out leftmost first.
    EXPECT_EQ(run(oneOrMore(TMDot() | TMComma()), ".,.", 2, Back), R"(Dot@0"." Comma@1"," Dot@2"." =3)");
    // Negation steps over one character that does not start a match, never past the end.
    EXPECT_EQ(run(!TMDot(), "a", 0, Fwd), "=1");
    EXPECT_EQ(run(!TMDot(), ".", 0, Fwd), "none");
    EXPECT_EQ(run(!TMDot(), "a", 1, Fwd), "none");
    EXPECT_EQ(run(!TMDot(), "a", -1, Back), "none");
    // Repetitions at -1 and greedy repetitions that never give back.
    EXPECT_EQ(run(zeroOrMore(TMDot()), ".", -1, Back), "=0");
    EXPECT_EQ(run(oneOrMore(TMDot()), ".", -1, Back), "none");
    EXPECT_EQ(run(oneOrMore(TMAlphaNumeric()) + TMAlphaNumeric(), "ab", 0, Fwd), "none");
    // Discarding keeps the count; flattening discarded parts gives one empty token.
    EXPECT_EQ(run(discard(TMSpacedDot()), "a .", 2, Back), "=2");
    EXPECT_EQ(run(flattenMatchers(TokenType::Dot, {discard(TMDot())}), ".", 0, Back), R"(Dot@0"" =1)");
    EXPECT_EQ(run(flattenMatchers(TokenType::Dot, {}), ".", 0, Fwd), "none");
    EXPECT_EQ(run(maybe(TMDot()), "a", 0, Fwd), "=0");
}

TEST(TokenMatcherCombinators, RepetitionOfAnEmptyMatchEnds)
{
    // An operand that succeeds without consuming would otherwise repeat forever.
    EXPECT_EQ(run(zeroOrMore(maybe(TMDot())), "ab", 0, Fwd), "=0");
    EXPECT_EQ(run(oneOrMore(maybe(TMDot())), "ab", 1, Back), "none");
    EXPECT_EQ(run(oneOrMore(maybe(TMDot())), "..a", 0, Fwd), R"(Dot@0"." Dot@1"." =2)");
    EXPECT_EQ(run(zeroOrMore(zeroOrMore(TMSpace())), "  x", 1, Back), R"(Space@0" " Space@1" " =2)");
}

TEST(TokenMatcherCombinators, NeverReadOutsideTheText)
{
    // A length beyond the text is cut to it; positions outside simply do not match.
    const QString text = QStringLiteral("ab");
    EXPECT_EQ(describe(TMAlphaNumerics().match(text, 100, 0, Fwd)), R"(Alphanumerics@0"ab" =2)");
    EXPECT_EQ(describe(TMAlphaNumerics().match(text, 100, 5, Back)), "none");
    EXPECT_EQ(describe(TMAnyWhitespace().match(text, 100, 50, Back)), "=0");
    EXPECT_EQ(describe(TMAlphaNumerics().match(text, 1, 0, Fwd)), R"(Alphanumerics@0"a" =1)");
    EXPECT_EQ(describe(TMSpacedDot().match(QStringView(), 10, 0, Back)), "none");
    // A long run is read in time proportional to its length.
    const QString spaces(100000, QLatin1Char(' '));
    const auto all = TMAnyWhitespace().match(spaces, spaces.size(), spaces.size() - 1, Back);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->consumed, 100000);
    EXPECT_EQ(all->tokens.first().location, 0);
    EXPECT_EQ(all->tokens.last().location, 99999);
}
