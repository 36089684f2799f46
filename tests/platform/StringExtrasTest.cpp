#include "platform/StringExtras.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {
const qsizetype NotFound = TextRange::kNotFound;
}

TEST(StringExtras, LineCountsAndLineRanges)
{
    const QString ab = QStringLiteral("a\nb\n");
    EXPECT_EQ(lineCount(QString()), 1);
    EXPECT_EQ(lineCount(ab), 3);
    EXPECT_EQ(lineCount(QStringLiteral("a\n")), 2);

    EXPECT_EQ(lineRangeForLineIndex(ab, 0), (TextRange{0, 2}));
    EXPECT_EQ(lineRangeForLineIndex(ab, 2), (TextRange{4, 0}));
    EXPECT_EQ(lineRangeForLineIndex(ab, 7), (TextRange{4, 0})); // any later line of a text ending in \n
    EXPECT_EQ(lineRangeForLineIndex(QStringLiteral("a\nb"), 2).location, NotFound);
    EXPECT_EQ(lineRangeForLineIndex(QString(), 0), (TextRange{0, 0}));

    bool found = true;
    EXPECT_TRUE(stringForLineIndex(QStringLiteral("a\nb"), 5, &found).isNull());
    EXPECT_FALSE(found);
    EXPECT_EQ(stringForLineIndex(QStringLiteral("a\r\nb"), 0), QStringLiteral("a\r\n"));

    EXPECT_EQ(lineRangeStrings(QString(), 10), QStringList{QStringLiteral("{10, 0}")});
    EXPECT_EQ(lineRangeStrings(QStringLiteral("ab\r\ncd\n")),
              (QStringList{QStringLiteral("{0, 4}"), QStringLiteral("{4, 3}"), QStringLiteral("{7, 0}")}));
    EXPECT_EQ(lineRanges(QStringLiteral("x\ry")).size(), 2); // a lone CR ends a line too
}

TEST(StringExtras, LineIndicesForLocationsAndRanges)
{
    const QString text = QStringLiteral("one\ntwo\r\nthree");
    EXPECT_EQ(lineIndexForLocation(text, 0), 0);
    EXPECT_EQ(lineIndexForLocation(text, 4), 1);
    EXPECT_EQ(lineIndexForLocation(text, 9999), 2); // clamped, never past the end
    EXPECT_EQ(lineIndicesForRange(text, {2, 6}), (TextRange{0, 2}));
    EXPECT_EQ(lineIndicesForRange(text, {NotFound, 3}).location, NotFound);

    // A location on the LF of a CRLF belongs to the line that the pair ends.
    EXPECT_EQ(lineRangeForLocation(text, 8), (TextRange{4, 5}));
    EXPECT_EQ(lineRangeForLocation(text, 9), (TextRange{9, 5}));
    EXPECT_EQ(expandRangeForLinesWithRange(text, {1, 4}), (TextRange{0, 9}));
    EXPECT_EQ(expandRangeForLinesWithRange(text, {12, 1000}), (TextRange{9, 5}));
}

TEST(StringExtras, SafeRangeClipsEvenAbsurdRanges)
{
    const QString text = QStringLiteral("hello");
    EXPECT_EQ(safeRange(text, {1, 2}), (TextRange{1, 2}));
    EXPECT_EQ(safeRange(text, {3, 99}), (TextRange{3, 2}));
    EXPECT_EQ(safeRange(text, {99, 3}), (TextRange{5, 0}));
    EXPECT_EQ(safeRange(text, {NotFound, NotFound}), (TextRange{5, 0}));
    EXPECT_EQ(safeRange(text, {2, NotFound}), (TextRange{2, 3}));
}

TEST(StringExtras, OccurrencesCountWholeNonOverlappingMatches)
{
    EXPECT_EQ(occurrencesOfString(QStringLiteral("\n\n"), QStringLiteral("\n")), 2);
    EXPECT_EQ(occurrencesOfString(QStringLiteral("no breaks"), QStringLiteral("\n")), 0);
    EXPECT_EQ(occurrencesOfString(QStringLiteral("aaaa"), QStringLiteral("aa")), 2);
    EXPECT_EQ(occurrencesOfString(QStringLiteral("anything"), QString()), 0);
    EXPECT_EQ(occurrencesOfString(QStringLiteral("é\né"), QStringLiteral("é")), 2);
}

TEST(StringExtras, NamingTransformations)
{
    EXPECT_EQ(capitalizedSentence(QStringLiteral("syntax error")), QStringLiteral("Syntax error"));
    EXPECT_EQ(capitalizedSentence(QString()), QString());
    EXPECT_EQ(underscore(QStringLiteral("camelCaseName")), QStringLiteral("camel_case_name"));
    EXPECT_EQ(underscore(QStringLiteral("URLLoader")), QStringLiteral("urlloader"));
    EXPECT_EQ(underscore(QStringLiteral("two Words")), QStringLiteral("two_words"));
    EXPECT_EQ(underscore(QStringLiteral("a1b")), QStringLiteral("a_1b")); // no endless loop on digits
    EXPECT_EQ(camelCase(QStringLiteral("my-new layer")), QStringLiteral("myNewLayer"));
    EXPECT_EQ(camelCase(QStringLiteral("  A//b.c&D:e ")), QStringLiteral("aBCDE"));
    EXPECT_EQ(classify(QStringLiteral("my-new layer")), QStringLiteral("MyNewLayer"));
    EXPECT_EQ(validVariable(QStringLiteral("2nd-layer")), QStringLiteral("nd-layer"));
    EXPECT_EQ(validVariable(QStringLiteral("my layer 2")), QStringLiteral("mylayer 2"));
    EXPECT_EQ(trim(QStringLiteral(" \t x \n")), QStringLiteral("x"));
}

TEST(StringExtras, DigestsRandomTextAndReversal)
{
    EXPECT_EQ(MD5String(QStringLiteral("abc")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_EQ(MD5String(QString()), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));

    EXPECT_TRUE(randomStringWithLength(0).isEmpty());
    EXPECT_TRUE(randomStringWithLength(-3).isEmpty());
    const QString random = randomStringWithLength(500);
    ASSERT_EQ(random.size(), 500);
    for (QChar c : random)
        EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
    EXPECT_NE(random, randomStringWithLength(500));

    // A letter with a combining accent and a character outside the BMP stay whole.
    EXPECT_EQ(reversedString(QStringLiteral("ae\u0301") + QString::fromUcs4(U"\U0001F600")),
              QString::fromUcs4(U"\U0001F600") + QStringLiteral("e\u0301a"));
    EXPECT_EQ(lines(QStringLiteral("a\nb\n")), (QStringList{"a", "b", ""}));
}
