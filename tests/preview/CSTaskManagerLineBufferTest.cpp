#include "platform/CSTaskManagerLineBuffer.h"

#include <gtest/gtest.h>

TEST(CSTaskManagerLineBuffer, KeepsPartialLinesAndCutCharactersForTheNextRead)
{
    CSTaskManagerLineBuffer buffer;
    const QByteArray text = QStringLiteral("{\"name\": \"Grüße 👋\"}\r\nnext").toUtf8();
    QStringList lines;
    for (char byte : text) // the worst case: every byte in a read of its own
        lines += buffer.append(QByteArray(1, byte));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("{\"name\": \"Grüße 👋\"}\r")) << "a \\r before the line end stays";
    EXPECT_EQ(buffer.finish(), QStringList{QStringLiteral("next")});
    EXPECT_TRUE(buffer.finish().isEmpty());
}

TEST(CSTaskManagerLineBuffer, SplitsAtEveryLineEndIncludingEmptyLines)
{
    CSTaskManagerLineBuffer buffer;
    EXPECT_EQ(buffer.append("a\n\nb\nc"), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(buffer.append("d\n"), QStringList{QStringLiteral("cd")});
    EXPECT_TRUE(buffer.append(QByteArray()).isEmpty());
}

TEST(CSTaskManagerLineBuffer, InvalidBytesAreReplacedWithoutLosingTheRest)
{
    CSTaskManagerLineBuffer buffer;
    EXPECT_EQ(buffer.append("ok \xff\xfe here\nsecond\n"),
              (QStringList{QStringLiteral("ok \uFFFD\uFFFD here"), QStringLiteral("second")}));
    buffer.append("cut \xe2\x82"); // a three-byte sequence that never completes
    const QStringList rest = buffer.finish();
    ASSERT_EQ(rest.size(), 1);
    EXPECT_TRUE(rest[0].startsWith(QStringLiteral("cut \uFFFD")));
}

TEST(CSTaskManagerLineBuffer, OnlyAWholeObjectLineIsAMessage)
{
    EXPECT_EQ(messageFromLine(QStringLiteral("{\"a\": 1}")).value().value(QStringLiteral("a")).toInt(), 1);
    EXPECT_FALSE(messageFromLine(QStringLiteral(" {\"a\": 1}")).has_value()) << "only a { in the first position";
    EXPECT_FALSE(messageFromLine(QStringLiteral("{\"a\": ")).has_value());
    EXPECT_FALSE(messageFromLine(QStringLiteral("[1, 2]")).has_value());
    EXPECT_FALSE(messageFromLine(QStringLiteral("{} trailing")).has_value());
}
