// Writing the analysis reply from the tree writer's records: the text of a hand-made tree, and
// parts that do not fit together, which must give nothing rather than a wrong text.
#include "compiler/TreeReplyText.h"

#include "support/JsonTextIndex.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using P = TreeReplyParts;

struct Case {
    const char* name;
    QByteArray others;
    QByteArray shapes;
    QByteArray values;
    std::vector<int32_t> records;
    std::vector<uint8_t> has;
};

std::shared_ptr<const JsonText> write(const Case& c)
{
    return treeReplyText({c.others, c.shapes, c.values, c.records, c.has, {}});
}

// The text written, its index checked against a reading of it.
QByteArray writtenText(const Case& c)
{
    const std::shared_ptr<const JsonText> written = write(c);
    if (!written)
        return "none";
    const std::shared_ptr<const JsonText> read = JsonText::make(written->text());
    EXPECT_TRUE(read && testsupport::sameIndex(*written, *read)) << c.name;
    return written->text();
}

// A Value whose base is a list of [null, a Literal without location], and whose second child
// is missing; the Literal has data and a type key, the Value only data.
Case valid()
{
    return {"valid",
            "{\"info\":{\"whiles\":[]}}",
            "[[\"Value\",\"base\",\"properties\"],[\"Literal\"]]",
            "[{\"typePath\":[\"#1\",\"?\"]},\"\\\"a,]\\\"\",\"#1\"]",
            {0, P::kChildRecord, P::kListRecord, P::kNullRecord, 1, P::kNoLocationRecord, 0, 0, 0, 0, P::kListEndRecord,
             P::kEndRecord, 0, 2, 10, 41},
            {P::kHasData, P::kHasData | P::kHasTypeHash}};
}

TEST(TreeReplyTextTest, WritesNodesListsAndValuesAsJsonStringifyWould)
{
    EXPECT_EQ(writtenText(valid()),
              QByteArray("{\"ast\":{\"type\":\"Value\",\"data\":{\"typePath\":[\"#1\",\"?\"]},"
                         "\"base\":[null,{\"type\":\"Literal\",\"data\":\"\\\"a,]\\\"\",\"typeHash\":\"#1\"}],"
                         "\"children\":[\"base\"],\"location\":\"0:2-10:41\"},\"info\":{\"whiles\":[]}}"));
    Case alone = valid();
    alone.others = "{}";
    EXPECT_EQ(writtenText(alone).right(2), QByteArray("}}"));
}

TEST(TreeReplyTextTest, PartsThatDoNotFitGiveNothing)
{
    std::vector<Case> cases;
    auto with = [&](const char* name, auto change) {
        Case c = valid();
        c.name = name;
        change(c);
        cases.push_back(c);
    };
    with("unknown shape", [](Case& c) { c.records[4] = 2; });
    with("child beyond the names", [](Case& c) { c.records[1] = P::kChildRecord - 2; });
    with("child twice", [](Case& c) {
        c.records.insert(c.records.begin() + 11, {P::kChildRecord, P::kNullRecord});
    });
    with("list not closed", [](Case& c) { c.records.erase(c.records.begin() + 10); });
    with("location cut short", [](Case& c) { c.records.resize(c.records.size() - 1); });
    with("records left over", [](Case& c) { c.records.push_back(P::kNullRecord); });
    with("root not a node", [](Case& c) { c.records = {P::kNullRecord}; });
    with("unknown record", [](Case& c) { c.records[3] = -7; });
    with("a value missing", [](Case& c) { c.values = "[{\"typePath\":[\"#1\",\"?\"]},\"x\"]"; });
    with("a value too many", [](Case& c) { c.values = "[1,2,3,4]"; });
    with("values not a list", [](Case& c) { c.values = "{\"a\":1}"; });
    with("a node without has", [](Case& c) { c.has.pop_back(); });
    with("has left over", [](Case& c) { c.has.push_back(0); });
    with("shape without type", [](Case& c) { c.shapes = "[[\"Value\",\"base\",\"properties\"],[]]"; });
    with("others not an object", [](Case& c) { c.others = "[]"; });
    for (const Case& c : cases)
        EXPECT_FALSE(write(c)) << c.name;
}

// The values may come in pieces, each taken when the writing reaches its first node (the front
// writes the text while the engine makes the later ones): the text is the one written from them
// whole, and pieces that do not fit together give nothing.
TEST(TreeReplyTextTest, ValuesInPiecesGiveTheTextOfTheWholeList)
{
    Case c = valid();
    c.has[0] |= P::kHasTypeHash; // written as the Value closes, after the Literal's piece was taken
    c.values = "[{\"typePath\":[\"#1\",\"?\"]},\"#0\",\"\\\"a,]\\\"\",\"#1\"]";
    const QByteArray first = "[{\"typePath\":[\"#1\",\"?\"]},\"#0\"]", second = "[\"\\\"a,]\\\"\",\"#1\"]";
    auto inPieces = [&c](std::vector<P::ValuesPiece> pieces) {
        P parts{c.others, c.shapes, {}, c.records, c.has, {}};
        size_t next = 0;
        parts.nextValues = [&]() -> std::optional<P::ValuesPiece> {
            return next < pieces.size() ? std::optional(pieces[next++]) : std::nullopt;
        };
        const std::shared_ptr<const JsonText> written = treeReplyText(parts);
        if (written) {
            const std::shared_ptr<const JsonText> read = JsonText::make(written->text());
            EXPECT_TRUE(read && testsupport::sameIndex(*written, *read));
        }
        return written ? written->text() : QByteArray("none");
    };
    const QByteArray whole = writtenText(c);
    ASSERT_NE(whole, "none");
    EXPECT_EQ(inPieces({{first, 1}, {second, 2}}), whole);
    EXPECT_EQ(inPieces({{c.values, 2}}), whole);
    const struct {
        const char* name;
        std::vector<P::ValuesPiece> pieces;
    } unfit[] = {
        {"a value left over in a piece", {{"[{},\"#0\",\"x\"]", 1}, {"[\"#1\"]", 2}}},
        {"pieces that end early", {{first, 1}}},
        {"a piece of no new node", {{first, 1}, {"[]", 1}, {second, 2}}},
        {"a piece beyond the last node", {{first, 1}, {second, 3}}},
        {"a piece not a list", {{first, 1}, {"{}", 2}}},
    };
    for (const auto& u : unfit)
        EXPECT_EQ(inPieces(u.pieces), "none") << u.name;
}

} // namespace
