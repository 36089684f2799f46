#include "CodeTextView/DoubleClickSelection.h"
#include "CodeTextView/SyntaxColouring.h"
#include "StringTextBuffer.h"

#include <gtest/gtest.h>

namespace {

// The category that colours `offset`, or "" for plain text.
QString categoryAt(const syntax::ColouredRange& coloured, qsizetype offset)
{
    for (const auto& span : coloured.spans) {
        if (offset >= span.location && offset < span.location + span.length)
            return span.category;
    }
    return {};
}

syntax::ColouredRange colourAll(const QString& text)
{
    return syntax::colourRange(text, {0, text.size()});
}

// The categories of every character of `word` where it first occurs in `text`.
QString categoryOf(const QString& text, const QString& word, qsizetype from = 0)
{
    const auto coloured = colourAll(text);
    const qsizetype at = text.indexOf(word, from);
    QString found = categoryAt(coloured, at);
    for (qsizetype i = at; i < at + word.size(); ++i) {
        if (categoryAt(coloured, i) != found)
            return QStringLiteral("mixed");
    }
    return found;
}

} // namespace

TEST(SyntaxColouring, PassesAndTheirOrder)
{
    const QString code = "layer = new Layer\n  x: 10.5\nif a isnt b then return true\nf = (a) -> a * 2\n";
    EXPECT_EQ(categoryOf(code, "new Layer"), "constructor");
    EXPECT_EQ(categoryOf(code, "x:"), "key");
    EXPECT_EQ(categoryOf(code, "10.5"), "number");
    EXPECT_EQ(categoryOf(code, "if"), "keyword");
    EXPECT_EQ(categoryOf(code, "isnt"), "comparator");
    EXPECT_EQ(categoryOf(code, "true"), "boolean");
    EXPECT_EQ(categoryOf(code, "->"), "function");
    EXPECT_EQ(categoryOf(code, "*"), "operator");
    EXPECT_EQ(categoryOf(code, "layer"), "");
    EXPECT_EQ(categoryOf("a.frame.width", ".frame"), "property");
    EXPECT_EQ(categoryOf("[1..3]", ".."), "comprehension");
    // A keyword written as a key: the word keeps the keyword colour, the colon the key colour.
    const auto coloured = colourAll("return: 1");
    EXPECT_EQ(categoryAt(coloured, 0), "keyword");
    EXPECT_EQ(categoryAt(coloured, 6), "key");
}

TEST(SyntaxColouring, StringsInterpolationsAndComments)
{
    EXPECT_EQ(categoryOf("x = 'if this then 1'", "'if this then 1'"), "string");
    const QString interpolated = "s = \"a #{b} c\"";
    EXPECT_EQ(categoryOf(interpolated, "#{b}"), "format");
    EXPECT_EQ(categoryOf(interpolated, "\"a "), "string");
    // A "#" inside a string is no comment; the real one after it is.
    const QString both = "s = \"#fff\" # colour";
    EXPECT_EQ(categoryOf(both, "\"#fff\""), "string");
    EXPECT_EQ(categoryOf(both, "# colour"), "comment");
    // Comments holding an apostrophe, a quote or a slash are comments all the same.
    EXPECT_EQ(categoryOf("a = 'x' # don't", "# don't"), "comment");
    EXPECT_EQ(categoryOf("a = b / 2 # half/whole", "# half/whole"), "comment");
    EXPECT_EQ(categoryOf("# it's \"quoted\"", "# it's \"quoted\""), "comment");
    // A regular expression holding "#" is no comment.
    EXPECT_EQ(syntax::lineCommentStart(u"r = /a#b/ # c"), 10);
    EXPECT_EQ(syntax::lineCommentStart(u"x = a / b # c"), 10);
    EXPECT_EQ(syntax::lineCommentStart(u"s = 'a\\'#' + 1"), -1);
}

TEST(SyntaxColouring, BlockCommentsAndStringsReachPastTheRange)
{
    const QString text = "a = 1\n###\nit's a / note\nmore\n###\nb = 2\n";
    // Colouring only the opening line colours the whole block comment, also below.
    const qsizetype open = text.indexOf("###");
    const auto coloured = syntax::colourRange(text, {open, 4});
    EXPECT_EQ(categoryAt(coloured, text.indexOf("more")), "comment");
    EXPECT_LE(coloured.range.location, open);
    EXPECT_GE(coloured.range.end(), text.indexOf("b = 2") - 1);
    // A line inside the block, coloured on its own (scrolled into view), is a comment too.
    const qsizetype inside = text.indexOf("it's");
    const auto scrolled = syntax::colourRange(text, {inside, text.indexOf('\n', inside) + 1 - inside});
    EXPECT_EQ(categoryAt(scrolled, inside + 2), "comment");
    EXPECT_EQ(categoryAt(scrolled, text.indexOf("/ note")), "comment");
    // Text after the block is plain again.
    EXPECT_EQ(categoryAt(colourAll(text), text.indexOf("b = 2")), "");

    const QString block = "s = '''\nline #{x}\n'''\nn = 3";
    const auto strings = colourAll(block);
    EXPECT_EQ(categoryAt(strings, block.indexOf("line")), "string");
    EXPECT_EQ(categoryAt(strings, block.indexOf("#{x}")), "format");
    EXPECT_EQ(categoryAt(strings, block.indexOf("3")), "number");
}

TEST(SyntaxColouring, SpansAreSortedAndInsideTheRange)
{
    const QString text = "a = 1\nb = 'x' # y\nc = [1..2]\n";
    const qsizetype from = text.indexOf("b");
    const qsizetype to = text.indexOf("c");
    const auto coloured = syntax::colourRange(text, {from, to - from});
    EXPECT_EQ(coloured.range, (platform::TextRange{from, to - from}));
    qsizetype last = from;
    for (const auto& span : coloured.spans) {
        EXPECT_GE(span.location, last);
        EXPECT_GT(span.length, 0);
        last = span.location + span.length;
    }
    EXPECT_LE(last, to);
    // Out-of-range requests are clamped, never read past the text.
    EXPECT_EQ(syntax::colourRange(text, {text.size() + 5, 10}).spans.size(), 0);
    EXPECT_EQ(syntax::colourRange(QString(), {0, 0}).spans.size(), 0);
}

TEST(DoubleClickSelection, BracketsAndDottedNames)
{
    const StringTextBuffer b("f(a(b))");
    EXPECT_EQ(typing::doubleClickSelection(b, 1, {1, 1}).range, (platform::TextRange{1, 6}));
    EXPECT_EQ(typing::doubleClickSelection(b, 6, {6, 1}).range, (platform::TextRange{1, 6}));
    const StringTextBuffer open("f(a");
    const auto lone = typing::doubleClickSelection(open, 1, {1, 1});
    EXPECT_TRUE(lone.beep);
    EXPECT_EQ(lone.range, (platform::TextRange{1, 1}));
    const StringTextBuffer path("a.b:x.y");
    EXPECT_EQ(typing::doubleClickSelection(path, 4, {0, 7}).range, (platform::TextRange{4, 1}));
    const StringTextBuffer plain("hello world");
    EXPECT_EQ(typing::doubleClickSelection(plain, 2, {0, 5}).range, (platform::TextRange{0, 5}));
}
