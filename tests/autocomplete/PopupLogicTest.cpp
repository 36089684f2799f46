#include "autocomplete/CompletionDescriptions.h"
#include "autocomplete/CompletionRowStyle.h"
#include "autocomplete/PopupEvents.h"
#include "autocomplete/PopupGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace autocomplete;

// ---- sizes and offsets ------------------------------------------------------------------------

TEST(PopupGeometry, MarginOffsetAndContentSize)
{
    EXPECT_DOUBLE_EQ(columnMargin(std::nullopt), 7.5);
    EXPECT_DOUBLE_EQ(columnMargin(12), 7.5);
    EXPECT_DOUBLE_EQ(columnMargin(20), 11.5);
    EXPECT_EQ(windowOffset(std::nullopt), QPointF(8, 192.0 / 19));
    EXPECT_NEAR(windowOffset(20).x(), 12.48, 1e-9);
    EXPECT_NEAR(windowOffset(20).y(), 8.0 / 19 * 12, 1e-9);

    ContentSizeInput in;
    in.widestWord = 50; // short words still get a word column of 200
    in.widestType = 60;
    in.rowHeight = 24;
    in.itemCount = 3;
    EXPECT_EQ(contentSize(in), QSizeF(std::ceil(200 + 7.5 + 67.5 + 7.5), 3 * 24 + 28));
    in.itemCount = 20; // 8 rows show
    EXPECT_EQ(contentSize(in).height(), 8 * 24 + 28);
    in.widestWord = 300;
    in.iconColumnWidth = 20;
    EXPECT_EQ(contentSize(in).width(), std::ceil(307.5 + 7.5 + 67.5 + 20 + 7.5));
}

PlacementInput placement(QRectF line, QRectF screen, bool description = true)
{
    PlacementInput in;
    in.line = line;
    in.content = QSizeF(300, 8 * 24 + 28);
    in.descriptionHeight = 28;
    in.borderWidth = 1;
    in.hasDescription = description;
    in.screen = screen;
    in.offsetX = 8;
    return in;
}

TEST(PopupGeometry, BelowTheWordWithThePanelAtTheBottom)
{
    const Placement p = placePopup(placement(QRectF(100, 200, 30, 16), QRectF(0, 0, 1920, 1080)));
    EXPECT_FALSE(p.above);
    EXPECT_EQ(p.window, QRect(92, 216, 300, 220 + 2));
    EXPECT_EQ(p.list, QRectF(0, 1, 300, 192));
    EXPECT_EQ(p.panel, QRectF(0, 193, 300, 29)); // ends at the window's bottom edge
}

TEST(PopupGeometry, AboveTheWordWhenTheScreenEndsBelowIt)
{
    const Placement p = placePopup(placement(QRectF(100, 1000, 30, 16), QRectF(0, 0, 1920, 1080)));
    EXPECT_TRUE(p.above);
    EXPECT_EQ(p.window.bottom() + 1, 1000); // the popup ends where the line starts
    EXPECT_EQ(p.panel, QRectF(0, 1, 300, 29));
    EXPECT_EQ(p.list, QRectF(0, 29, 300, 192));
}

TEST(PopupGeometry, WithoutDescriptionTheWindowShrinksAndTheListStaysAtTheWord)
{
    const Placement below = placePopup(placement(QRectF(100, 200, 30, 16), QRectF(0, 0, 1920, 1080), false));
    EXPECT_EQ(below.window, QRect(92, 216, 300, 194));
    EXPECT_TRUE(below.panel.isEmpty());
    EXPECT_EQ(below.list, QRectF(0, 1, 300, 192));
    const Placement above = placePopup(placement(QRectF(100, 1000, 30, 16), QRectF(0, 0, 1920, 1080), false));
    EXPECT_EQ(above.window.bottom() + 1, 1000);
}

TEST(PopupGeometry, StaysOnEveryScreenEdgeAndOnASecondScreen)
{
    struct Case {
        QRectF line;
        QRectF screen;
    };
    const QRectF first(0, 0, 1920, 1080);
    const QRectF second(1920, -200, 1280, 1024); // right of the first, higher up
    const Case cases[] = {
        {QRectF(-50, 200, 30, 16), first},      // word cut off at the left edge
        {QRectF(1900, 200, 30, 16), first},     // at the right edge
        {QRectF(100, -10, 30, 16), first},      // at the top edge
        {QRectF(100, 1075, 30, 16), first},     // at the bottom edge
        {QRectF(1925, -190, 30, 16), second},   // second screen, top left
        {QRectF(3190, 810, 30, 16), second},    // second screen, bottom right
        {QRectF(100, 100, 30, 16), QRectF(0, 0, 200, 150)}, // a screen smaller than the popup
    };
    for (const Case& c : cases) {
        const Placement p = placePopup(placement(c.line, c.screen));
        EXPECT_TRUE(c.screen.toAlignedRect().contains(p.window) || p.window.height() > c.screen.height())
            << p.window.x() << "," << p.window.y() << " " << p.window.width() << "x" << p.window.height();
        EXPECT_GE(p.window.left(), c.screen.left());
        EXPECT_GE(p.window.top(), c.screen.top());
        EXPECT_LE(p.window.width(), c.screen.width());
    }
}

TEST(PopupGeometry, ArrowKeysMoveWithinTheListAndScrollAsLittleAsPossible)
{
    EXPECT_EQ(rowAfterMoveUp(0, 5), 0);   // Up on the first row changes nothing
    EXPECT_EQ(rowAfterMoveUp(-1, 5), -1); // nor without a selection
    EXPECT_EQ(rowAfterMoveUp(3, 5), 2);
    EXPECT_EQ(rowAfterMoveDown(4, 5), 4); // Down on the last row changes nothing
    EXPECT_EQ(rowAfterMoveDown(-1, 5), 0); // Down without a selection selects the first
    EXPECT_EQ(rowAfterMoveDown(-1, 0), -1);
    EXPECT_EQ(rowAfterMoveDown(1, 5), 2);

    // 8 rows of 24 visible; content scrolled to 48.
    EXPECT_DOUBLE_EQ(scrollTopToShowRow(1, 24, 192, 48), 24);  // above: scrolls up to it
    EXPECT_DOUBLE_EQ(scrollTopToShowRow(5, 24, 192, 48), 48);  // visible: stays
    EXPECT_DOUBLE_EQ(scrollTopToShowRow(10, 24, 192, 48), 72); // below: just enough to show it
}

// ---- events and insertion ---------------------------------------------------------------------

struct EventCase {
    PopupEventKind kind;
    PopupKey key;
    bool alt;
    bool rowSelected;
    PopupAction action;
    bool consumed;
};

class PopupEventTable : public ::testing::TestWithParam<EventCase> {};

TEST_P(PopupEventTable, DecidesActionAndWhetherTheEditorSeesTheEvent)
{
    const EventCase& c = GetParam();
    const PopupEventDecision d = decidePopupEvent(c.kind, c.key, c.alt, c.rowSelected);
    EXPECT_EQ(d.action, c.action);
    EXPECT_EQ(d.consumed, c.consumed);
}

constexpr auto Key = PopupEventKind::KeyDown;
INSTANTIATE_TEST_SUITE_P(
    Events, PopupEventTable,
    ::testing::Values(
        EventCase{PopupEventKind::MouseDownOutside, PopupKey::Other, false, true, PopupAction::Cancel, true},
        EventCase{PopupEventKind::MouseDownOutside, PopupKey::Other, false, false, PopupAction::Cancel, true},
        EventCase{PopupEventKind::MouseDownInside, PopupKey::Other, false, true, PopupAction::None, false},
        EventCase{PopupEventKind::Other, PopupKey::Other, false, true, PopupAction::None, false},
        EventCase{Key, PopupKey::Up, false, false, PopupAction::MoveUp, true},
        EventCase{Key, PopupKey::Down, true, true, PopupAction::MoveDown, true},
        // No row selected: Escape closes, Left and Right close and move the caret, the rest types.
        EventCase{Key, PopupKey::Escape, false, false, PopupAction::Close, true},
        EventCase{Key, PopupKey::Left, false, false, PopupAction::Close, false},
        EventCase{Key, PopupKey::Right, false, false, PopupAction::Close, false},
        EventCase{Key, PopupKey::Enter, false, false, PopupAction::None, false},
        EventCase{Key, PopupKey::Other, false, false, PopupAction::None, false},
        // A row selected.
        EventCase{Key, PopupKey::Left, false, true, PopupAction::Cancel, true},
        EventCase{Key, PopupKey::Escape, false, true, PopupAction::Cancel, true},
        EventCase{Key, PopupKey::Enter, false, true, PopupAction::Insert, true},
        EventCase{Key, PopupKey::Enter, true, true, PopupAction::None, false},
        EventCase{Key, PopupKey::Other, false, true, PopupAction::ClearSelection, false}));

TEST(PopupInsertion, MovingLeavesTheTextCancelPutsBackTheTypedWordAndChoosingInsertsTheItem)
{
    const QList<KVAutoCompletion> items = {KVAutoCompletion("layer", "layer", "", false),
                                           KVAutoCompletion("layout", "function", "", false)};
    EXPECT_EQ(completionWordToInsert(UpTextMovement, false, "la", 1, items), std::nullopt);
    EXPECT_EQ(completionWordToInsert(DownTextMovement, false, "la", 0, items), std::nullopt);
    EXPECT_EQ(completionWordToInsert(CancelTextMovement, false, "la", 1, items), QString("la"));
    EXPECT_EQ(completionWordToInsert(OtherTextMovement, true, "la", 1, items), QString("layout"));
    EXPECT_EQ(completionWordToInsert(OtherTextMovement, true, "la", -1, items), QString("la"));
    EXPECT_EQ(completionWordToInsert(OtherTextMovement, true, "la", 2, items), QString("la"));
}

// ---- descriptions -----------------------------------------------------------------------------

TEST(CompletionDescriptions, PathsThroughNestedObjectsAndBadFiles)
{
    QString error;
    const QJsonObject info = parseAutocompleteInfo(
        R"({"layer": {"x": {"description": "Horizontal position."}, "description": "A layer.",
            "frame": {"width": {"description": 3}}}, "Layer": {"description": "The layer class."}})", &error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(descriptionForCodeTypeID(info, "layer.x"), "Horizontal position.");
    EXPECT_EQ(descriptionForCodeTypeID(info, "layer"), "A layer.");
    EXPECT_TRUE(descriptionForCodeTypeID(info, "layer.y").isNull());
    EXPECT_TRUE(descriptionForCodeTypeID(info, "layer.x.description").isNull()); // a string is no object
    EXPECT_TRUE(descriptionForCodeTypeID(info, "layer.frame.width").isNull());   // not text
    EXPECT_TRUE(descriptionForCodeTypeID(info, "").isNull());
    EXPECT_TRUE(descriptionForCodeTypeID(info, "layer..x").isNull());

    EXPECT_TRUE(parseAutocompleteInfo("{\"layer\": ", &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_TRUE(parseAutocompleteInfo("[1, 2]", &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    // A constructor of the library is described under its own name.
    EXPECT_EQ(descriptionKeyForItem(KVAutoCompletion("Layer", "constructor", "function.Layer", false)), "Layer");
    EXPECT_EQ(descriptionKeyForItem(KVAutoCompletion("Thing", "constructor", "x.Thing", false)), "x.Thing");
    EXPECT_EQ(descriptionKeyForItem(KVAutoCompletion("Layer", "layer", "object.Layer", false)), "object.Layer");
    EXPECT_EQ(descriptionKeyForItem(KVAutoCompletion("x", "number", "", false)), "");
}

// ---- row colours and icons --------------------------------------------------------------------

TEST(CompletionRowStyle, TypeColoursDarkerColoursBarsAndIcons)
{
    // Types of one kind share a colour, kinds are told apart, and a word that names no type of
    // value (a keyword, a class) has none.
    const std::vector<std::vector<const char*>> kinds = {
        {"array", "function", "object", "frame", "point", "rect", "layer"},
        {"boolean", "language", "constructor"},
        {"string", "color"},
        {"number"},
        {"any"},
    };
    std::vector<QColor> kindColours;
    for (const auto& kind : kinds) {
        const QColor colour = colorFromType(kind.front());
        ASSERT_TRUE(colour.isValid()) << kind.front();
        for (const char* type : kind)
            EXPECT_EQ(colorFromType(type), colour) << type;
        for (const QColor& other : kindColours)
            EXPECT_NE(colour, other) << kind.front();
        kindColours.push_back(colour);
    }
    const QColor blue = colorFromType("object");
    EXPECT_FALSE(colorFromType("keyword").isValid());
    EXPECT_FALSE(colorFromType("Layer").isValid());

    EXPECT_EQ(darkerColor(Qt::white), QColor::fromRgbF(0.7f, 0.7f, 0.7f));
    const QColor darker = darkerColor(blue);
    EXPECT_NEAR(darker.hsvHueF(), blue.hsvHueF(), 0.01);
    EXPECT_NEAR(darker.hsvSaturationF(), blue.hsvSaturationF(), 0.01);
    EXPECT_NEAR(darker.valueF(), blue.valueF() - 0.3, 0.01);
    EXPECT_EQ(darkerColor(QColor(0, 0, 0, 128)).alpha(), 128);

    EXPECT_EQ(typeBarWidth(26), 3);
    EXPECT_EQ(typeBarWidth(20), 2);
    EXPECT_EQ(typeBarWidth(18), 1);
    EXPECT_EQ(typeBarWidth(std::nullopt), 1);

    EXPECT_EQ(imageNameForType("Layer", true), "icon-ac-layer-active");
    EXPECT_EQ(imageNameForType("Number", false), "icon-ac-number");
    EXPECT_EQ(imageNameForType("layer", false), ""); // exact names only
    EXPECT_EQ(imageNameForType("Color", true), "");
}

} // namespace
