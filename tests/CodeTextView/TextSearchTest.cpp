// The find bar's matching rules: case, and whole words as CoffeeScript names are made.
#include "CodeTextView/TextSearch.h"

#include <gtest/gtest.h>

namespace {

using textsearch::TextRange;

TEST(TextSearch, WholeWordsMatchOnlyAtNameBoundaries)
{
    struct Case {
        const char* text;
        const char* needle;
        bool caseSensitive;
        bool wholeWords;
        QList<qsizetype> starts;
    };
    const Case cases[] = {
        // The fault seen: replacing "box" turned "Inbox" into "Incard".
        {"Inbox = box\nbox.x = 1", "box", false, true, {8, 12}},
        {"Inbox = box\nbox.x = 1", "box", false, false, {2, 8, 12}},
        // "_", "$" and digits belong to names; a dot, "@" and brackets do not.
        {"box_1 $box box2 @box (box)", "box", false, true, {17, 22}},
        {"BOX box Box", "box", true, true, {4}},
        {"BOX box Box", "box", false, true, {0, 4, 8}},
        // A word hidden inside a longer one is skipped without losing a later whole one.
        {"boxbox box", "box", false, true, {7}},
        // A needle that ends in punctuation needs a boundary only where it has a word character.
        {"box.x inbox.x", "box.", false, true, {0}},
        {"a == b==c", "==", false, true, {2, 6}},
        {"", "box", false, true, {}},
        {"box", "", false, true, {}},
    };
    for (const Case& c : cases) {
        QList<qsizetype> starts;
        for (const TextRange& match : textsearch::findAll(QString::fromUtf8(c.text), QString::fromUtf8(c.needle),
                                                          c.caseSensitive, c.wholeWords))
            starts << match.location;
        EXPECT_EQ(starts, c.starts) << c.text << " / " << c.needle;
    }
}

} // namespace
