#include "model/CodeLines.h"

#include "platform/NotificationCenter.h"
#include "platform/TextStorage.h"

#include <gtest/gtest.h>

using platform::TextRange;

namespace {

QList<qint64> starts(std::initializer_list<qint64> values)
{
    return QList<qint64>(values);
}

// Applies one edit the way the text system reports it and checks against a fresh index.
void expectSameAsFresh(CodeLines& lines)
{
    CodeLines fresh(lines.code());
    EXPECT_EQ(lines.lines(), fresh.lines());
    EXPECT_EQ(lines.lineStarts(), fresh.lineStarts());
    EXPECT_EQ(lines.words(), fresh.words());
}

void replace(CodeLines& lines, qsizetype at, qsizetype removed, const QString& inserted)
{
    QString text = lines.code();
    text.replace(at, removed, inserted);
    lines.updateFrom(text, TextRange{at, inserted.size()}, inserted.size() - removed);
}

// A storage the way the editor reports its edits.
class FakeStorage : public platform::TextStorage {
public:
    QString text;
    TextRange edited;
    qsizetype delta = 0;
    int mask = EditedCharacters;

    QString string() const override { return text; }
    TextRange editedRange() const override { return edited; }
    qsizetype changeInLength() const override { return delta; }
    int editedMask() const override { return mask; }

    void replace(qsizetype at, qsizetype removed, const QString& inserted, int editMask = EditedCharacters)
    {
        text.replace(at, removed, inserted);
        edited = {at, inserted.size()};
        delta = inserted.size() - removed;
        mask = editMask;
        platform::NotificationCenter::defaultCenter().post(platform::TextStorageDidProcessEditingNotification, this);
    }
};

} // namespace

TEST(CodeLines, EmptyTextHasOneEmptyLine)
{
    CodeLines lines(QString(""));
    EXPECT_EQ(lines.lines(), QStringList{QString()});
    EXPECT_EQ(lines.lineStarts(), starts({0}));
    EXPECT_EQ(lines.lineIndex(0), (LineIndex{0, 0}));
    EXPECT_EQ(lines.lineIndex(7), (LineIndex{0, 0}));
    EXPECT_EQ(lines.locationForCharacterLocation(5)->toString(), QStringLiteral("[0:5-0:5]"));
}

TEST(CodeLines, SplitsAtEveryKindOfLineEnd)
{
    EXPECT_EQ(CodeLines(QString("abc")).lines(), QStringList{"abc"});

    CodeLines lf(QString("a\nb"));
    EXPECT_EQ(lf.lines(), (QStringList{"a", "b"}));
    EXPECT_EQ(lf.lineStarts(), starts({0, 2}));

    CodeLines trailing(QString("a\nb\n"));
    EXPECT_EQ(trailing.lines(), (QStringList{"a", "b", ""}));
    EXPECT_EQ(trailing.lineStarts(), starts({0, 2, 4}));

    CodeLines crlf(QString("a\r\nb"));
    EXPECT_EQ(crlf.lines(), (QStringList{"a", "b"}));
    EXPECT_EQ(crlf.lineStarts(), starts({0, 3}));

    CodeLines mixed(QStringLiteral("a\rb\u2028c\u2029d\u0085e\r\n\nf"));
    EXPECT_EQ(mixed.lines(), (QStringList{"a", "b", "c", "d", "e", "", "f"}));
    EXPECT_EQ(mixed.lineStarts(), starts({0, 2, 4, 6, 8, 11, 12}));

    // A form feed does not end a line, but a text ending in one gets an empty last line.
    CodeLines formFeed(QStringLiteral("a\fb\f"));
    EXPECT_EQ(formFeed.lines(), (QStringList{"a\fb\f", ""}));
    EXPECT_EQ(formFeed.lineStarts(), starts({0, 4}));

    CodeLines tabs(QStringLiteral("\tif x\n\t\ty"));
    EXPECT_EQ(tabs.lines(), (QStringList{"\tif x", "\t\ty"}));
    EXPECT_EQ(tabs.locationForCharacterLocation(8)->toString(), QStringLiteral("[1:2-1:2]"));
}

TEST(CodeLines, CountsUtf16CodeUnits)
{
    // U+1F600 takes two code units.
    const QString text = QStringLiteral("a\U0001F600b\nc\U0001F600\nd");
    CodeLines lines(text);
    EXPECT_EQ(lines.lineStarts(), starts({0, 5, 9}));
    EXPECT_EQ(lines.lines().at(1), QStringLiteral("c\U0001F600"));
    EXPECT_EQ(lines.locationForCharacterLocation(3)->toString(), QStringLiteral("[0:3-0:3]"));
    EXPECT_EQ(lines.locationForCharacterLocation(9)->toString(), QStringLiteral("[2:0-2:0]"));
}

TEST(CodeLines, OffsetsMapToLinesAndConversionsRoundTrip)
{
    CodeLines lines(QString("a\nb"));
    EXPECT_EQ(lines.lineIndex(1), (LineIndex{0, 0})); // the line feed belongs to its line
    EXPECT_EQ(lines.lineIndex(2), (LineIndex{1, 2}));
    EXPECT_EQ(lines.lineIndex(99), (LineIndex{1, 2}));
    EXPECT_EQ(lines.lineIndex(-3), (LineIndex{0, 0}));
    EXPECT_EQ(lines.lineIndexOnlyCharacter(3), 2);
    EXPECT_EQ(lines.lineIndexOnlyLine(3), 1);
    EXPECT_EQ(lines.locationForCharacterLocation(-1)->toString(), QStringLiteral("[0:0-0:0]"));

    CodeLines code(QString("first line\n  second = 2\nthird\n"));
    const Location span(QStringLiteral("0:6-1:8"));
    EXPECT_EQ(code.locationToRange(span), (TextRange{6, 13}));
    EXPECT_EQ(code.code().mid(6, 13), QStringLiteral("line\n  second"));
    EXPECT_EQ(code.locationToFullLinesRange(span), (TextRange{0, 23}));
    EXPECT_EQ(code.locationForLine(2), 24);
    // Lines outside the text are clamped rather than read outside the index.
    EXPECT_EQ(code.locationForLine(-4), 0);
    EXPECT_EQ(code.locationForLine(40), 30);
    EXPECT_EQ(code.locationToFullLinesRange(Location(QStringLiteral("2:0-99:0"))), (TextRange{24, 6}));
}

TEST(CodeLines, CountsWordsButNotNumbersOrCommentLines)
{
    CodeLines lines(QString("x = foo\nfoo 12 bar_1\n# skipped words\n  # counted\n\u00e9t\u00e9 \U0001D4B3y"));
    const auto& words = lines.words();
    EXPECT_EQ(words.value("foo"), 2);
    EXPECT_EQ(words.value("x"), 1);
    EXPECT_EQ(words.value("bar_1"), 1);
    EXPECT_FALSE(words.contains("12"));
    EXPECT_FALSE(words.contains("skipped"));
    EXPECT_EQ(words.value("counted"), 1);
    EXPECT_EQ(words.value(QStringLiteral("\u00e9t\u00e9")), 1);
    EXPECT_EQ(words.value(QStringLiteral("\U0001D4B3y")), 1); // a letter outside the BMP

    // Pieces of numbers and the insides of strings are no words of the code.
    CodeLines literals(QString("c = \"#28AFFA\"\nload 'imported/Home@2x' + tail\nx = 0x1F + 2x + 1e5 + `raw\\` q` + after"));
    QStringList found = literals.words().keys();
    found.sort();
    EXPECT_EQ(found, QStringList({"after", "c", "load", "tail", "x"}));

    // Removing the last occurrence removes the entry.
    replace(lines, 0, 1, "y");
    EXPECT_FALSE(lines.words().contains("x"));
    expectSameAsFresh(lines);
}

TEST(CodeLines, AppliesEditsIncrementally)
{
    CodeLines typed(QString("ab"));
    typed.updateFrom("ab\n", TextRange{2, 1}, 1);
    EXPECT_EQ(typed.lines(), (QStringList{"ab", ""}));
    EXPECT_EQ(typed.lineStarts(), starts({0, 3}));

    CodeLines deleted(QString("a\nb\nc"));
    deleted.updateFrom("a\nc", TextRange{2, 0}, -2);
    EXPECT_EQ(deleted.lines(), (QStringList{"a", "c"}));
    EXPECT_EQ(deleted.lineStarts(), starts({0, 2}));

    CodeLines cleared(QString("a\n"));
    cleared.updateFrom("", TextRange{0, 0}, -2);
    EXPECT_EQ(cleared.lines(), QStringList{QString()});
    EXPECT_EQ(cleared.lineStarts(), starts({0}));
}

TEST(CodeLines, JoiningLineEndsMatchesAFreshIndex)
{
    // A line feed typed right after a lone CR makes one CR LF line end, not an extra line.
    CodeLines lone(QString("a\r"));
    replace(lone, 2, 0, "\n");
    EXPECT_EQ(lone.lines(), (QStringList{"a", ""}));
    EXPECT_EQ(lone.lineStarts(), starts({0, 3}));

    CodeLines middle(QString("a\rb"));
    replace(middle, 2, 0, "\n");
    EXPECT_EQ(middle.lines(), (QStringList{"a", "b"}));
    expectSameAsFresh(middle);

    // Taking out what stands between a CR and a LF joins them too.
    CodeLines between(QString("a\rX\nb"));
    replace(between, 2, 1, "");
    expectSameAsFresh(between);

    // Splitting a CR LF in two.
    CodeLines split(QString("a\r\nb"));
    replace(split, 1, 1, "");
    expectSameAsFresh(split);
    replace(split, 1, 0, "\rz");
    expectSameAsFresh(split);

    // Typing after a trailing form feed continues its line.
    CodeLines formFeed(QString("a\f"));
    replace(formFeed, 2, 0, "b");
    EXPECT_EQ(formFeed.lines(), QStringList{"a\fb"});
    expectSameAsFresh(formFeed);
}

TEST(CodeLines, ReportsThatDoNotFitRebuild)
{
    CodeLines lines(QString("a\nb\nc"));
    // The change in length does not match the old text.
    lines.updateFrom("x\ny", TextRange{0, 1}, 7);
    expectSameAsFresh(lines);
    // A range outside the new text.
    lines.updateFrom("x\ny\nz", TextRange{4, 9}, 2);
    expectSameAsFresh(lines);
    lines.updateFrom("x\ny\nzz", TextRange{-2, 1}, 1);
    expectSameAsFresh(lines);
}

TEST(CodeLines, LazyInstancesBuildOnTheFirstQuery)
{
    CodeLines lazy(QString("a\nb"), true);
    EXPECT_FALSE(lazy.isSet());
    EXPECT_TRUE(lazy.lines().isEmpty());
    EXPECT_EQ(lazy.lineIndexOnlyLine(2), 1);
    EXPECT_TRUE(lazy.isSet());
    EXPECT_EQ(lazy.lines(), (QStringList{"a", "b"}));

    CodeLines none;
    EXPECT_FALSE(none.isSet());
    EXPECT_EQ(none.lineIndex(3), (LineIndex{0, 0}));
    EXPECT_EQ(none.lines(), QStringList{QString()});
}

TEST(CodeLines, CopiesAreIndependentAndTight)
{
    FakeStorage storage;
    CodeLines bound(&storage);
    storage.replace(0, 0, "one\ntwo");
    CodeLines copy(bound);
    EXPECT_NE(copy.instanceNr(), bound.instanceNr());
    EXPECT_EQ(copy.lines(), bound.lines());
    EXPECT_EQ(copy.lineStarts(), bound.lineStarts());
    EXPECT_EQ(copy.lineIndicesAllocatedSize(), copy.lineIndicesMemorySize());
    EXPECT_EQ(bound.lineIndicesAllocatedSize(), bound.lineIndicesMemorySize() + CodeLines::BUFFER_BLOCK_SIZE);

    storage.replace(3, 0, "\nthree");
    EXPECT_EQ(bound.lines(), (QStringList{"one", "three", "two"}));
    EXPECT_EQ(copy.lines(), (QStringList{"one", "two"}));
    // The copy is not bound: it grows on its own edits.
    copy.updateFrom("one\ntwo\n", TextRange{7, 1}, 1);
    EXPECT_EQ(copy.lines(), (QStringList{"one", "two", ""}));
    expectSameAsFresh(copy);
}

TEST(CodeLines, FollowsOnlyCharacterEditsOfItsStorage)
{
    FakeStorage storage;
    FakeStorage other;
    auto lines = std::make_unique<CodeLines>(&storage);
    EXPECT_FALSE(lines->isSet());
    storage.replace(0, 0, "foo\nbar");
    EXPECT_EQ(lines->lines(), (QStringList{"foo", "bar"}));
    storage.replace(0, 3, "baz", platform::TextStorage::EditedAttributes);
    EXPECT_EQ(lines->lines(), (QStringList{"foo", "bar"}));
    other.replace(0, 0, "x\ny\nz");
    EXPECT_EQ(lines->lines(), (QStringList{"foo", "bar"}));

    // A destroyed index no longer observes.
    lines.reset();
    storage.replace(0, 0, "still fine\n");
}

TEST(CodeLines, CountsInstances)
{
    const qint64 before = CodeLines::instances();
    CodeLines a;
    CodeLines b(a);
    EXPECT_EQ(a.instanceNr(), before);
    EXPECT_EQ(b.instanceNr(), before + 1);
    EXPECT_EQ(CodeLines::instances(), before + 2);
}
