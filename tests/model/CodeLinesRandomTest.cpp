// Random edits applied line by line must always leave the index a fresh index would build.

#include "model/CodeLines.h"

#include <gtest/gtest.h>

#include <random>

using platform::TextRange;

namespace {

// Pieces chosen to meet at line ends: lone CRs and LFs that may join into CR LF, the other line
// ends, form feeds, comment marks, digits, and characters outside the Basic Multilingual Plane.
const QStringList kPieces = {
    "a", "foo", "bar_1", " ", "\t", "#", "12", "x1", "\n", "\r", "\r\n", "\n\n",
    QStringLiteral("\u2028"), QStringLiteral("\u2029"), QStringLiteral("\u0085"), "\f", "\v",
    QStringLiteral("\U0001F600"), QStringLiteral("\u00e9t\u00e9"), "foo = bar\n", "\r\r\n",
};

QString randomInsertion(std::mt19937& random)
{
    QString text;
    const int pieces = std::uniform_int_distribution<int>(1, 4)(random);
    for (int i = 0; i < pieces; ++i)
        text += kPieces.at(std::uniform_int_distribution<qsizetype>(0, kPieces.size() - 1)(random));
    return text;
}

void runRandomEdits(unsigned seed, int edits)
{
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    CodeLines lines(QString(""));
    QString text;
    for (int step = 0; step < edits; ++step) {
        const qsizetype length = text.size();
        const qsizetype at = std::uniform_int_distribution<qsizetype>(0, length)(random);
        // Replace, insert or delete; keep the text small enough to index afresh every time.
        const int kind = std::uniform_int_distribution<int>(0, 9)(random);
        qsizetype removed = 0;
        QString inserted;
        if (kind < 5 || length < 2) {
            inserted = randomInsertion(random);
        } else if (kind < 8) {
            removed = std::uniform_int_distribution<qsizetype>(0, std::min<qsizetype>(length - at, 6))(random);
        } else {
            removed = std::uniform_int_distribution<qsizetype>(0, std::min<qsizetype>(length - at, 4))(random);
            inserted = randomInsertion(random);
        }
        if (length > 400)
            removed = std::min<qsizetype>(length - at, 40);
        text.replace(at, removed, inserted);
        lines.updateFrom(text, TextRange{at, inserted.size()}, inserted.size() - removed);

        CodeLines fresh(text);
        ASSERT_EQ(lines.code(), text);
        ASSERT_EQ(lines.lines(), fresh.lines()) << "step " << step << " at " << at << " removed " << removed;
        ASSERT_EQ(lines.lineStarts(), fresh.lineStarts()) << "step " << step;
        ASSERT_EQ(lines.words(), fresh.words()) << "step " << step;
        ASSERT_EQ(lines.lineIndicesMemorySize(), lines.lineCount() * CodeLines::INT_SIZE);
        ASSERT_GE(lines.lineIndicesAllocatedSize(), lines.lineIndicesMemorySize());
    }
}

} // namespace

TEST(CodeLinesRandom, IncrementalEditsEqualAFreshIndex)
{
    for (unsigned seed : {1u, 2u, 3u, 20261209u})
        runRandomEdits(seed, 2500);
}

// Many lines at once exercise growing the start buffer past its spare block and moving the
// starts after the edit.
TEST(CodeLinesRandom, LargeEditsGrowAndShiftTheStarts)
{
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("line %1 word%2\n").arg(i).arg(i % 7);
    CodeLines lines(QString(""));
    lines.updateFrom(text, TextRange{0, text.size()}, text.size());
    CodeLines fresh(text);
    EXPECT_EQ(lines.lineStarts(), fresh.lineStarts());

    std::mt19937 random(7);
    for (int step = 0; step < 40; ++step) {
        const qsizetype at = std::uniform_int_distribution<qsizetype>(0, text.size())(random);
        const qsizetype removed = std::uniform_int_distribution<qsizetype>(0, std::min<qsizetype>(text.size() - at, 3000))(random);
        QString inserted;
        const int insertedLines = std::uniform_int_distribution<int>(0, 1500)(random);
        for (int i = 0; i < insertedLines; ++i)
            inserted += (i % 3 == 0) ? QStringLiteral("a\r\n") : QStringLiteral("b%1\n").arg(i);
        text.replace(at, removed, inserted);
        lines.updateFrom(text, TextRange{at, inserted.size()}, inserted.size() - removed);
        CodeLines again(text);
        ASSERT_EQ(lines.lines(), again.lines()) << "step " << step;
        ASSERT_EQ(lines.lineStarts(), again.lineStarts()) << "step " << step;
        ASSERT_EQ(lines.words(), again.words()) << "step " << step;
    }
}
