#include "CodeTextView/TextActionLinks.h"

#include <gtest/gtest.h>

namespace {

using platform::TextRange;
using textactions::findLinks;

struct LinkCase {
    const char* text;
    int type;
    const char* linked; // the characters the link covers; empty: no link
    const char* name;
};

class TextActionLinkTable : public ::testing::TestWithParam<LinkCase> {};

TEST_P(TextActionLinkTable, FindsTheLinkAndItsName)
{
    const LinkCase& c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    const QList<textactions::FoundLink> found = findLinks(text, {0, text.size()}, c.type);
    if (!*c.linked) {
        EXPECT_TRUE(found.isEmpty()) << c.text;
        return;
    }
    ASSERT_EQ(found.size(), 1) << c.text;
    EXPECT_EQ(text.mid(found[0].range.location, found[0].range.length), QString::fromUtf8(c.linked));
    EXPECT_EQ(found[0].link, ActionLink(QString::fromUtf8(c.name), c.type));
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, TextActionLinkTable,
    ::testing::Values(
        LinkCase{R"(m = require "layers")", 0, "layers", "layers"},
        LinkCase{R"(m = require('layers'))", 0, "layers", "layers"},
        LinkCase{R"(m = require ( "layers" ))", 0, "layers", "layers"},
        LinkCase{R"(m = REQUIRE "Layers")", 0, "Layers", "Layers"},
        LinkCase{R"(m = require "my-module")", 0, "", ""}, // only word characters
        LinkCase{R"(m = require layers)", 0, "", ""},
        LinkCase{R"(image: "images/photo.png")", 1, "images/photo.png", "photo.png"},
        LinkCase{R"(video: 'images/clip.mp4')", 1, "images/clip.mp4", "clip.mp4"},
        LinkCase{R"(image: "IMAGES/A.PNG")", 1, "IMAGES/A.PNG", "A.PNG"},
        LinkCase{R"(image: "images/my photo-1.jpg")", 1, "images/my photo-1.jpg", "my photo-1.jpg"},
        LinkCase{R"(image: "images/readme.txt")", 1, "", ""},
        LinkCase{R"(image: "images/sub/a.png")", 1, "", ""}, // not into subfolders
        LinkCase{R"(image: "images/photo.png)", 1, "", ""},
        LinkCase{R"(m = require "layers")", 7, "", ""}));

TEST(TextActionLinks, OnlyWithinTheRangeAndInTextOrder)
{
    const QString text = R"(a = require "one"
b = require 'two'
c = "images/x.gif")";
    const auto all = findLinks(text, {0, text.size()}, 0);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].link.name(), "one");
    EXPECT_EQ(all[1].link.name(), "two");
    EXPECT_EQ(all[1].range, (TextRange{31, 3}));
    const auto second = findLinks(text, {18, 17}, 0); // the second line alone
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(second[0].range, (TextRange{31, 3}));
    EXPECT_TRUE(findLinks(text, {TextRange::kNotFound, 0}, 0).isEmpty());
    EXPECT_TRUE(findLinks(text, {500, 10}, 1).isEmpty());
}

} // namespace
