#include "model/Location.h"

#include <gtest/gtest.h>

namespace {

std::array<qint64, 4> fields(const Location& l)
{
    return {l.firstLine(), l.firstColumn(), l.lastLine(), l.lastColumn()};
}

LocationPtr loc(const char* text)
{
    return Location::from(QString::fromLatin1(text));
}

} // namespace

TEST(Location, ParsesTheTextFormExactly)
{
    EXPECT_EQ(fields(*loc("12:3-14:0")), (std::array<qint64, 4>{12, 3, 14, 0}));
    EXPECT_EQ(fields(*loc("0:0-0:5")), (std::array<qint64, 4>{0, 0, 0, 5}));
    EXPECT_EQ(fields(Location(std::nullopt)), (std::array<qint64, 4>{0, 0, 0, 0}));

    for (const char* bad : {" 12:3-14:0", "[12:3-14:0]", "12:3-14", "-1:0-0:0", "", "12:3-14:0 ",
                            "12:3-14:0\n", "1:2:3-4:5", "a:0-0:0", "99999999999999999999:0-0:0"}) {
        Location location;
        location.fromPosition(7, 8);
        EXPECT_FALSE(location.fromString(QString::fromLatin1(bad))) << bad;
        EXPECT_EQ(fields(location), (std::array<qint64, 4>{7, 8, 7, 8})) << bad;
        EXPECT_EQ(fields(*loc(bad)), (std::array<qint64, 4>{0, 0, 0, 0})) << bad;
    }
    // Digits of other scripts are not the compiler's: the text is left alone.
    EXPECT_EQ(fields(*Location::from(QStringLiteral("\u0661:0-0:0"))), (std::array<qint64, 4>{0, 0, 0, 0}));
    // The largest 64-bit number still parses.
    EXPECT_EQ(loc("9223372036854775807:0-0:0")->firstLine(), std::numeric_limits<qint64>::max());
}

TEST(Location, PrintsRawOrForPeople)
{
    Location location(QStringLiteral("0:4-0:9"));
    EXPECT_EQ(location.toString(), QStringLiteral("[0:4-0:9]"));
    EXPECT_EQ(location.toString(false), QStringLiteral("[1:5-1:10]"));
    location.fromPosition(-1, -1);
    EXPECT_EQ(location.toString(true), QStringLiteral("[-1:-1--1:-1]"));
    // The printed form does not parse back.
    EXPECT_FALSE(Location().fromString(Location(QStringLiteral("0:4-0:9")).toString()));
}

TEST(Location, FromPositionMakesAOnePointRange)
{
    Location location(QStringLiteral("1:2-3:4"));
    location.fromPosition(3, 7);
    EXPECT_EQ(fields(location), (std::array<qint64, 4>{3, 7, 3, 7}));
}

TEST(Location, ContainsIsInclusiveAtBothEnds)
{
    const auto outer = loc("1:0-3:5");
    EXPECT_TRUE(outer->contains(*loc("1:0-3:5")));
    EXPECT_TRUE(outer->contains(*loc("2:9-3:5")));
    EXPECT_TRUE(outer->contains(*loc("1:4-1:4")));
    EXPECT_FALSE(outer->contains(*loc("0:9-1:2")));
    EXPECT_FALSE(outer->contains(*loc("1:0-3:6")));
    EXPECT_FALSE(outer->contains(*loc("3:6-3:6")));
    // Columns on lines strictly inside the range don't matter.
    EXPECT_TRUE(outer->contains(*loc("2:99-2:100")));
}

TEST(Location, OrderLooksAtStartPositionsOnly)
{
    EXPECT_TRUE(*loc("2:5-9:9") < *loc("3:0-3:1"));
    EXPECT_FALSE(*loc("2:5-2:6") < *loc("2:5-9:9"));
    EXPECT_FALSE(*loc("2:5-9:9") > *loc("2:5-2:6"));
    EXPECT_TRUE(*loc("2:6-2:6") > *loc("2:5-9:9"));
    EXPECT_TRUE(*loc("2:4-2:4") < *loc("2:5-2:5"));
}

TEST(Location, IsSharedNotCopied)
{
    const auto a = loc("1:1-1:1");
    const LocationPtr b = a;
    b->setLastColumn(9);
    EXPECT_EQ(a->lastColumn(), 9);
}
