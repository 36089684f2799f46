#include "analysis/context/CodeScanner.h"
#include "model/CodeLines.h"

#include <gtest/gtest.h>

namespace {

// The scanner of a text whose caret is marked with "‸".
CodeScanner scan(const QString& marked)
{
    QString text = marked;
    const qsizetype caret = text.indexOf(QChar(0x2038));
    text.remove(caret, 1);
    return CodeScanner(std::make_shared<CodeLines>(text), caret);
}

} // namespace

TEST(CodeScanner, FindsTheWordAroundTheCaret)
{
    const CodeScanner inWord = scan(QStringLiteral("x = foo‸bar"));
    EXPECT_EQ(inWord.precursor(), QStringLiteral("foo"));
    EXPECT_EQ(inWord.postcursor(), QStringLiteral("bar"));
    EXPECT_TRUE(inWord.inWord());
    EXPECT_TRUE(inWord.inFrontOfWord());
    ASSERT_TRUE(inWord.entry());
    EXPECT_EQ(inWord.entry()->text, QStringLiteral("foo"));
    EXPECT_EQ(inWord.entry()->range, (platform::TextRange{4, 3}));
    EXPECT_EQ(inWord.entryLeadingLocation(), 3);

    const CodeScanner afterDot = scan(QStringLiteral("layer.‸"));
    EXPECT_FALSE(afterDot.entry());
    EXPECT_FALSE(afterDot.precursor());
    EXPECT_EQ(afterDot.entryLeadingLocation(), 5);
    EXPECT_TRUE(afterDot.isEOF());
    EXPECT_TRUE(afterDot.atLineEnd());

    const CodeScanner inFront = scan(QStringLiteral("x ‸foo bar"));
    EXPECT_TRUE(inFront.inFrontOfWord());
    EXPECT_FALSE(inFront.inWord());
    EXPECT_EQ(inFront.postcursor(), QStringLiteral("foo"));

    const CodeScanner atStart = scan(QStringLiteral("‸abc"));
    EXPECT_FALSE(atStart.entry());
    EXPECT_EQ(atStart.entryLeadingLocation(), 0);
    EXPECT_TRUE(atStart.atLineStart());
    EXPECT_TRUE(atStart.inFrontOfWord());

    // A word that starts the text: the leading location clamps to 0.
    const CodeScanner firstWord = scan(QStringLiteral("lay‸"));
    EXPECT_EQ(firstWord.entry()->range, (platform::TextRange{0, 3}));
    EXPECT_EQ(firstWord.entryLeadingLocation(), 0);
}

TEST(CodeScanner, DescribesTheCaretsLine)
{
    const CodeScanner afterBreak = scan(QStringLiteral("a = 1\n‸"));
    EXPECT_EQ(afterBreak.lineIndex(), 1);
    EXPECT_EQ(afterBreak.lineStart(), 6);
    EXPECT_TRUE(afterBreak.isEmptyLine());
    EXPECT_TRUE(afterBreak.atLineStart());
    EXPECT_TRUE(afterBreak.atLineEnd());
    EXPECT_TRUE(afterBreak.isEOF());

    const CodeScanner indented = scan(QStringLiteral("a\r\n\t  b‸ c\u2028d"));
    EXPECT_EQ(indented.lineIndex(), 1);
    EXPECT_EQ(indented.line(), QStringLiteral("\t  b c"));
    EXPECT_EQ(indented.lineStart(), 3);
    EXPECT_EQ(indented.cursorPosInLine(), 4);
    EXPECT_EQ(indented.lineIndent(), 3);
    EXPECT_EQ(indented.lineLength(), 6);
    EXPECT_FALSE(indented.atLineStart());
    EXPECT_FALSE(indented.atLineEnd());
    EXPECT_FALSE(indented.isEOF());
}

TEST(CodeScanner, ComparesIndentationWithOtherLines)
{
    // The caret at column 1 of a line indented by 4: its indentation counts as 1.
    const CodeScanner s = scan(QStringLiteral("  a\n \u2038   b\nc"));
    EXPECT_EQ(s.lineIndent(), 4);
    EXPECT_EQ(s.indentationDeltaAtCursor(1), 0);
    EXPECT_EQ(s.indentationDeltaAtCursor(0), -1);
    EXPECT_EQ(s.indentationDeltaAtCursor(2), 1);
    EXPECT_EQ(s.indentationDeltaAtCursor(3), 1);
    EXPECT_EQ(s.indentationDeltaAtCursor(-1), 1);
    EXPECT_EQ(s.indentationAt(0), 2);
    EXPECT_EQ(s.indentationAt(9), 0);
}

TEST(CodeScanner, KnowsWhenTheCaretIsInALineComment)
{
    const struct {
        const char16_t* line;
        bool comment;
    } rows[] = {
        {u"# note‸", true},
        {u"  # indented note‸", true},
        {u"x = 1 # trailing note‸", true},
        {u"x = 1 #‸", true},
        {u"‸# before the mark", false},
        {u"x = \"#{a‸", false},
        {u"s = 'a#b' + x‸", false},
        {u"s = \"a\\\"#\" + x‸", false},
        {u"s = `a#b` + x‸", false},
        {u"### block‸", false},
        {u"### a ### # b‸", true},
        {u"#### heading‸", true},
        {u"x = y‸", false},
    };
    for (const auto& row : rows) {
        const QString line = QString::fromUtf16(row.line);
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(scan(QStringLiteral("a = 1\n") + line).isComment(), row.comment);
    }
}

TEST(CodeScanner, KnowsStringsAndNumbersAtTheCaret)
{
    const struct {
        const char16_t* line;
        bool string;
        const char16_t* beforeString;
        bool number;
    } rows[] = {
        {u"fontWeight: \"bo‸", true, u"fontWeight: ", false},
        {u"x = require 'swipe‸", true, u"x = require ", false},
        {u"s = \"a \\\" b‸", true, u"s = ", false},
        {u"s = \"#{na‸", false, u"", false},
        {u"s = \"#{a}px‸", true, u"s = ", false},
        {u"s = \"done\" + x‸", false, u"", false},
        {u"s = `raw‸", true, u"s = ", false},
        {u"# \"not a string‸", false, u"", false},
        {u"opacity: 0.2‸", false, u"", true},
        {u"time: 1‸", false, u"", true},
        {u"x = 0.‸", false, u"", true},
        {u"x = .5‸", false, u"", true},
        {u"x = 1e5‸", false, u"", true},
        {u"c = 0x1F‸", false, u"", true},
        {u"x: 2‸", false, u"", true},
        {u"layer1.‸", false, u"", false},
        {u"cards[0].‸", false, u"", false},
        {u"x: 2 ‸", false, u"", false},
        {u"image: \"Home@2x‸", true, u"image: ", false},
    };
    for (const auto& row : rows) {
        const QString line = QString::fromUtf16(row.line);
        SCOPED_TRACE(line.toStdString());
        const CodeScanner s = scan(QStringLiteral("a = 1\n") + line);
        EXPECT_EQ(s.inString(), row.string);
        EXPECT_EQ(s.textBeforeString().toString(), QString::fromUtf16(row.beforeString));
        EXPECT_EQ(s.afterNumber(), row.number);
    }
}

TEST(CodeScanner, NamesBeforeADot)
{
    const struct {
        const char* code; // the dot is its last character
        QStringList names;
    } rows[] = {
        {"layerA.", {"layerA"}},
        {"x = layerA.draggable.", {"layerA", "draggable"}},
        {"  $el_2.", {"$el_2"}},
        {"make().", {}},
        {"cards[0].", {}},
        {"@layer.", {}},
        {"0.", {}},
        {".", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        const QString code = QString::fromLatin1(row.code);
        const NameChain chain = nameChainBefore(code, code.size() - 1);
        EXPECT_EQ(chain.names, row.names);
        if (!row.names.isEmpty())
            EXPECT_EQ(code.mid(chain.start, row.names.first().size()), row.names.first());
    }
}

TEST(CodeScanner, TakesAnyCaretAndAnyText)
{
    const auto lines = std::make_shared<CodeLines>(QStringLiteral("ab"));
    EXPECT_EQ(CodeScanner(lines, -5).cursor(), 0);
    const CodeScanner past(lines, 1000);
    EXPECT_EQ(past.cursor(), 2);
    EXPECT_TRUE(past.isEOF());
    EXPECT_EQ(past.precursor(), QStringLiteral("ab"));

    const QString texts[] = {QString(), QString(QChar(0)) + "x\n", QString(QChar(0xD800)) + "a",
                             QString(100000, QLatin1Char('a'))};
    for (const QString& text : texts) {
        for (qint64 cursor : {qint64(0), qint64(1), qint64(text.size())}) {
            const CodeScanner s(std::make_shared<CodeLines>(text), cursor);
            EXPECT_LE(s.cursor(), s.codeLength());
            EXPECT_LE(s.lineStart(), s.cursor());
            if (s.entry()) {
                EXPECT_EQ(s.entry()->range.end(), s.cursor());
            }
        }
    }
    const CodeScanner none(nullptr, 3);
    EXPECT_EQ(none.cursor(), 0);
    EXPECT_TRUE(none.isEmptyLine());
    EXPECT_FALSE(none.entry());
}

TEST(CodeScanner, LogsTheTextAroundAPosition)
{
    const CodeScanner s = scan(QStringLiteral("0123456789abcdefghijklmnop‸"));
    testing::internal::CaptureStdout();
    s.logPosition(12);
    s.logPosition(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "-->23456789ab^cdefghijkl<---->0^123456789abcdefghij<--");
}
