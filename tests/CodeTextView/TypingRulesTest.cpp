#include "CodeTextView/TypingRules.h"
#include "StringTextBuffer.h"

#include <gtest/gtest.h>

namespace {

TypingSettings editorSettings()
{
    TypingSettings s;
    s.indentNewLinesAutomatically = true;
    s.indentBracesAutomatically = true;
    return s;
}

QString typed(const QString& marked, const QStringList& keys, TypingSettings s = editorSettings())
{
    StringTextBuffer b = bufferFromMarked(marked);
    for (const QString& key : keys)
        typing::insertText(b, s, key);
    return b.marked();
}

} // namespace

TEST(TypingRules, AutoClosingPairsAndSkipping)
{
    EXPECT_EQ(typed("f|", {"("}), "f(|)");
    EXPECT_EQ(typed("f|", {"(", ")"}), "f()|");
    EXPECT_EQ(typed("|x", {"("}), "(|x");                 // directly before a name: opener only
    EXPECT_EQ(typed("a | b", {"'"}), "a '|' b");         // between spaces: a pair
    EXPECT_EQ(typed("a|", {"'"}), "a'|");                 // after a letter: one quote
    EXPECT_EQ(typed("'abc|'", {"'"}), "'abc'|");          // steps over the same quote
    EXPECT_EQ(typed("x = |", {"\""}), "x = \"|\"");
    EXPECT_EQ(typed("x(|)", {")"}), "x()|");
    EXPECT_EQ(typed("|", {"{", "}"}), "{}|");

    TypingSettings off = editorSettings();
    off.autoCloseCharactersEnabled = false;
    EXPECT_EQ(typed("f|", {"("}, off), "f(|");
    EXPECT_EQ(typed("(|)", {")"}, off), "()|)");
}

TEST(TypingRules, WrapsSelectionWithOrWithoutAutoClosing)
{
    EXPECT_EQ(typed("a [word] b", {"["}), "a [[word]] b");
    TypingSettings off = editorSettings();
    off.autoCloseCharactersEnabled = false;
    EXPECT_EQ(typed("a [word] b", {"["}, off), "a [[word]] b");
    EXPECT_EQ(typed("[word]", {"'"}), "'[word]'");
    // A character that opens no pair replaces the selection.
    EXPECT_EQ(typed("a [word] b", {"x"}), "a x| b");
}

TEST(TypingRules, ClosingBraceReindents)
{
    // Line of two tabs; the matching "{" stands on a line indented by one tab.
    EXPECT_EQ(typed("\ta = {\n\t\t|", {"}"}), "\ta = {\n\t}|");
    EXPECT_EQ(typed("\ta = {\n\t\t|\n", {"}"}), "\ta = {\n\t}|\n");
    // The match's line has no indentation and the rest of the line is not empty.
    EXPECT_EQ(typed("a = {\n\t\t|x\n", {"}"}), "a = {\n}|x\n");
    // Last line, nothing after the cursor: the whitespace goes, then "}".
    EXPECT_EQ(typed("a = {\n\t\t|", {"}"}), "a = {\n}|");
    // Nested braces are skipped by depth.
    EXPECT_EQ(typed("\tx = {\n\t\ty = {}\n\t\t\t|", {"}"}), "\tx = {\n\t\ty = {}\n\t}|");
    // Code before the cursor: step over a "}" or insert one.
    EXPECT_EQ(typed("a = {b|}", {"}"}), "a = {b}|");
    EXPECT_EQ(typed("a = b|", {"}"}), "a = b}|");
    // No match at all.
    EXPECT_EQ(typed("  |", {"}"}), "  }|");
}

TEST(TypingRules, BackspaceRemovesEmptyPairOnly)
{
    TypingSettings s = editorSettings();
    StringTextBuffer pair = bufferFromMarked("f(|)");
    EXPECT_TRUE(typing::deleteEmptyPair(pair, s, {1, 1}));
    EXPECT_EQ(pair.marked(), "f|");
    StringTextBuffer notPair = bufferFromMarked("f(|x");
    EXPECT_FALSE(typing::deleteEmptyPair(notPair, s, {1, 1}));
    EXPECT_EQ(notPair.text(), "f(x");
    s.autoCloseCharactersEnabled = false;
    StringTextBuffer off = bufferFromMarked("f(|)");
    EXPECT_FALSE(typing::deleteEmptyPair(off, s, {1, 1}));
}

TEST(TypingRules, NewlineIndentation)
{
    const TypingSettings s = editorSettings();
    auto enter = [&](const QString& marked) {
        StringTextBuffer b = bufferFromMarked(marked);
        typing::insertNewline(b, s);
        return b.marked();
    };
    EXPECT_EQ(enter("\tfoo|"), "\tfoo\n\t|");
    EXPECT_EQ(enter("\tf = ->|"), "\tf = ->\n\t\t|");
    EXPECT_EQ(enter("a = |"), "a = \n\t|");
    EXPECT_EQ(enter("f = =>|"), "f = =>\n|");               // the fat arrow opens nothing
    EXPECT_EQ(enter("\tx = {|}"), "\tx = {\n\t\t|\n\t}");
    EXPECT_EQ(enter("x = {|"), "x = {\n\t|");

    TypingSettings plain;
    StringTextBuffer b = bufferFromMarked("\tfoo|");
    typing::insertNewline(b, plain);
    EXPECT_EQ(b.marked(), "\tfoo\n|");
}

TEST(TypingRules, TabIndentsBlockOrTypesUnit)
{
    TypingSettings s = editorSettings();
    StringTextBuffer block = bufferFromMarked("[a\nb]\nc");
    typing::insertTab(block, s);
    EXPECT_EQ(block.text(), "\ta\n\tb\nc");

    StringTextBuffer inWord = bufferFromMarked("wo[rd] x");
    typing::insertTab(inWord, s);
    EXPECT_EQ(inWord.marked(), "word| x");

    StringTextBuffer caret = bufferFromMarked("a|b");
    typing::insertTab(caret, s);
    EXPECT_EQ(caret.marked(), "a\t|b");

    s.indentWithSpaces = true;
    s.spacesPerTab = 4;
    s.usesTabStops = true;
    StringTextBuffer stops = bufferFromMarked("ab|");
    typing::insertTab(stops, s);
    EXPECT_EQ(stops.marked(), "ab  |");

    s.spacesPerTab = 0; // nothing to type, and no division by zero
    StringTextBuffer none = bufferFromMarked("ab|");
    typing::insertTab(none, s);
    EXPECT_EQ(none.marked(), "ab|");
}

TEST(TypingRules, ShiftLeftAndRight)
{
    TypingSettings s = editorSettings();
    StringTextBuffer b = bufferFromMarked("[a\n\tb\n]c");
    typing::shiftRight(b, s);
    EXPECT_EQ(b.text(), "\ta\n\t\tb\nc");
    typing::shiftLeft(b, s);
    EXPECT_EQ(b.text(), "a\n\tb\nc");
    typing::shiftLeft(b, s);
    EXPECT_EQ(b.text(), "a\nb\nc");
    const int beepsBefore = b.beeps;
    typing::shiftLeft(b, s);
    EXPECT_EQ(b.text(), "a\nb\nc");
    EXPECT_EQ(b.beeps, beepsBefore + 1);

    StringTextBuffer caret = bufferFromMarked("x\ny|z");
    typing::shiftRight(caret, s);
    EXPECT_EQ(caret.marked(), "x\n\ty|z");

    s.indentWithSpaces = true;
    s.usesTabStops = true;
    s.spacesPerTab = 4;
    StringTextBuffer spaces = bufferFromMarked("      |x");
    typing::shiftLeft(spaces, s); // 6 spaces: back to the tab stop at 4
    EXPECT_EQ(spaces.text(), "    x");
    typing::shiftLeft(spaces, s);
    EXPECT_EQ(spaces.text(), "x");

    StringTextBuffer empty;
    typing::shiftRight(empty, s);
    typing::shiftLeft(empty, s);
    EXPECT_EQ(empty.text(), "");
}

TEST(TypingRules, CommentToggleRoundTrips)
{
    const TypingSettings s = editorSettings();
    StringTextBuffer b = bufferFromMarked("[a = 1\n\tif a\n\t\tb()]\nc");
    typing::commentSelection(b, s);
    EXPECT_EQ(b.text(), "# a = 1\n# \tif a\n# \t\tb()\nc");
    EXPECT_EQ(b.marked(), "[# a = 1\n# \tif a\n# \t\tb()\n]c");
    typing::commentSelection(b, s);
    EXPECT_EQ(b.text(), "a = 1\n\tif a\n\t\tb()\nc");

    StringTextBuffer tight = bufferFromMarked("\t#co|de");
    typing::commentSelection(tight, s);
    EXPECT_EQ(tight.text(), "\tcode");

    StringTextBuffer caret = bufferFromMarked("ab|c");
    typing::commentSelection(caret, s);
    EXPECT_EQ(caret.marked(), "# ab|c");

    TypingSettings none = s;
    none.commentString.clear();
    StringTextBuffer beep = bufferFromMarked("x|");
    typing::commentSelection(beep, none);
    EXPECT_EQ(beep.text(), "x");
    EXPECT_EQ(beep.beeps, 1);
}

TEST(TypingRules, WordMovesAndDeletes)
{
    const TypingSettings s = editorSettings();
    StringTextBuffer b = bufferFromMarked("|ab cd");
    typing::moveWordRight(b, s);
    EXPECT_EQ(b.marked(), "ab| cd");
    typing::moveWordRight(b, s);
    EXPECT_EQ(b.marked(), "ab cd|");
    typing::moveWordRight(b, s);
    EXPECT_EQ(b.marked(), "ab cd|");
    typing::moveWordLeft(b, s);
    EXPECT_EQ(b.marked(), "ab |cd");
    typing::moveWordLeftAndModifySelection(b, s); // one character, then the name before it
    EXPECT_EQ(b.marked(), "[ab ]cd");
    typing::moveWordRightAndModifySelection(b, s);
    EXPECT_EQ(b.marked(), "[ab cd]");

    StringTextBuffer del = bufferFromMarked("layer.frame|.x");
    typing::deleteWordBackward(del, s);
    EXPECT_EQ(del.marked(), "layer.|.x");
    typing::deleteWordForward(del, s);
    EXPECT_EQ(del.marked(), "layer.|");
}

TEST(TypingRules, WordStepsKeepWholeCharacters)
{
    const TypingSettings s = editorSettings();
    // An emoji (surrogate pair) and "e" with a combining accent are each one step.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString accented = QString::fromUtf8("e\xCC\x81");
    StringTextBuffer b(QStringLiteral("a ") + emoji + accented);
    typing::deleteWordBackward(b, s);
    EXPECT_EQ(b.text(), QStringLiteral("a ") + emoji);
    typing::deleteWordBackward(b, s);
    EXPECT_EQ(b.text(), QStringLiteral("a "));

    StringTextBuffer f(QStringLiteral("(") + emoji + QStringLiteral("x"), 0);
    typing::moveWordRight(f, s);
    EXPECT_EQ(f.selectedRange().location, 1);
    typing::moveWordRight(f, s); // the emoji and the name after it
    EXPECT_EQ(f.selectedRange().location, 4);
    f.setSelectedRange({3, 0});
    typing::deleteWordBackward(f, s);
    EXPECT_EQ(f.text(), "(x");
    typing::deleteWordForward(f, s);
    EXPECT_EQ(f.text(), "(");
}
