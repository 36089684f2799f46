#include "autocomplete/KVAutoCompleteController.h"
#include "autocomplete/KVAutoCompleteListView.h"
#include "autocomplete/KVAutoCompleteTableViewController.h"
#include "autocomplete/KVAutoCompleteWindow.h"
#include "autocomplete/KVAutoCompletionExtraInfoView.h"
#include "autocomplete/KVDocsLinkButton.h"
#include "CodeTextView/KVAutoCompleteDelegate.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "autocomplete/KVAntialiasedLabel.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::TextRange;

// A completion engine that offers the words of a fixed list that start with the typed word.
class FakeDelegate : public KVAutoCompleteDelegate {
public:
    explicit FakeDelegate(KVCodeTextView* textView) : m_textView(textView) {}
    QList<KVAutoCompletion> words;
    bool selection = true;
    int requests = 0;

    void complete(QObject*) override {}
    TextRange rangeForUserCompletion() override
    {
        const TextRange selected = m_textView->selectedRange();
        if (selected.length > 0)
            return {TextRange::kNotFound, 0};
        const QString before = m_textView->variableStringNextToLocation(selected.location, false);
        if (before.isEmpty())
            return {TextRange::kNotFound, 0};
        return {selected.location - before.size(), before.size()};
    }
    KVAutoCompletionSet completionsForPartialWordRange(TextRange range, qsizetype*) override
    {
        ++requests;
        const QString typed = m_textView->string().mid(range.location, range.length);
        QList<KVAutoCompletion> found;
        for (const KVAutoCompletion& item : words)
            if (item.word().startsWith(typed, Qt::CaseInsensitive))
                found.append(item);
        KVAutoCompletionSet set;
        set.setSelection(selection);
        set.setCompletions(found);
        return set;
    }
    void insertCompletion(const QString&, TextRange, qsizetype, bool) override {}

private:
    KVCodeTextView* m_textView;
};

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
        writeInfo(R"({"layer": {"x": {"description": "Horizontal position in the parent."},
                                "opacity": {"description": "Opacity from 0 to 1."}},
                     "Layer": {"description": "The layer class."}})");
        popup = std::make_unique<KVAutoCompleteController>(defaults.get(), dir.filePath("info.json"));
        previous = KVAutoCompletePresenter::shared();
        KVAutoCompletePresenter::setShared(popup.get());
        view = std::make_unique<KVCodeView>(nullptr, defaults.get());
        view->resize(700, 500);
        view->move(QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 40));
        text = view->textView();
        auto fake = std::make_shared<FakeDelegate>(text);
        delegate = fake.get();
        view->setAutoCompleteDelegate(fake);
        delegate->words = {KVAutoCompletion("x", "number", "layer.x", false),
                           KVAutoCompletion("opacity", "number", "layer.opacity", false),
                           KVAutoCompletion("Layer", "constructor", "", false),
                           KVAutoCompletion("layer", "layer", "", false),
                           KVAutoCompletion("layerA", "layer", "", false),
                           KVAutoCompletion("layout", "function", "", true),
                           KVAutoCompletion("label", "string", "nowhere.label", false)};
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        text->setFocus();
        ASSERT_TRUE(testsupport::waitUntil([&] { return text->hasFocus(); }));
    }

    void TearDown() override
    {
        view.reset();
        KVAutoCompletePresenter::setShared(previous);
        popup.reset();
    }

    void writeInfo(const QByteArray& json)
    {
        QFile file(dir.filePath("info.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
    }

    void setText(const QString& s)
    {
        text->setString(s);
        text->setSelectedRange({s.size(), 0});
    }

    // Types keys into the editor as the user does; the popup opens or refreshes after each.
    void type(const QString& keys)
    {
        for (const QChar c : keys)
            QTest::keyClick(text, c.toLatin1());
        testsupport::spin(5);
    }

    bool openPopup(const QString& start, const QString& last)
    {
        setText(start);
        type(last);
        return testsupport::waitUntil([&] { return popup->isPopupVisible(); }, 2000);
    }

    QStringList shownWords() const
    {
        QStringList words;
        for (const KVAutoCompletion& item : popup->autoCompletionSet().completions())
            words.append(item.word());
        return words;
    }

    int selectedRow() const { return popup->tableViewController()->selectedRow(); }

    QRect wordRectOnScreen() const
    {
        const QRectF r = text->rectForRange(popup->currentRangeForUserCompletion());
        return QRect(text->viewport()->mapToGlobal(r.topLeft().toPoint()), r.size().toSize());
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<KVAutoCompleteController> popup;
    KVAutoCompletePresenter* previous = nullptr;
    std::unique_ptr<KVCodeView> view;
    KVCodeTextView* text = nullptr;
    FakeDelegate* delegate = nullptr;
};

TEST_F(PopupTest, KeysMoveNarrowInsertAndCloseWhileTheEditorKeepsTheFocus)
{
    ASSERT_TRUE(openPopup("a = 1\nla", "y"));
    EXPECT_EQ(shownWords(), (QStringList{"Layer", "layer", "layerA", "layout"}));
    EXPECT_EQ(selectedRow(), 0);
    const QRect word = wordRectOnScreen();
    const QRect window = popup->window()->geometry();
    EXPECT_GE(window.top(), word.bottom());
    EXPECT_LE(window.top(), word.bottom() + 2);
    EXPECT_NEAR(window.left(), word.left() - 8, 2);
    EXPECT_EQ(QApplication::focusWidget(), text);

    type("e"); // typing narrows the list
    EXPECT_TRUE(testsupport::waitUntil([&] { return shownWords().size() == 3; }));
    QTest::keyClick(text, Qt::Key_Down);
    QTest::keyClick(text, Qt::Key_Down);
    EXPECT_EQ(selectedRow(), 2);
    QTest::keyClick(text, Qt::Key_Down); // the last row: nothing moves
    EXPECT_EQ(selectedRow(), 2);
    QTest::keyClick(text, Qt::Key_Up);
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(text->string(), "a = 1\nlaye"); // moving never changes the text
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(text->string(), "a = 1\nlayer");
    EXPECT_EQ(text->selectedRange(), (TextRange{11, 0}));
    EXPECT_FALSE(popup->isPopupVisible());
    testsupport::spin(20);
    EXPECT_FALSE(popup->isPopupVisible()); // the insertion does not reopen it
    EXPECT_EQ(QApplication::focusWidget(), text);

    // Undo takes the inserted completion back in one step.
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text->string(), "a = 1\nlaye");

    // Tab inserts too; Escape with a row selected puts back the typed word and closes.
    ASSERT_TRUE(openPopup("la", "b"));
    QTest::keyClick(text, Qt::Key_Tab);
    EXPECT_EQ(text->string(), "label");
    ASSERT_TRUE(openPopup("la", "y"));
    QTest::keyClick(text, Qt::Key_Down);
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_EQ(text->string(), "lay");
    EXPECT_FALSE(popup->isPopupVisible());
    EXPECT_FALSE(text->document()->isUndoAvailable() && text->string() != "lay"); // Escape edits nothing

    // Left and Right close; so does a click outside, which the editor does not see.
    ASSERT_TRUE(openPopup("la", "y"));
    QTest::keyClick(text, Qt::Key_Left);
    EXPECT_FALSE(popup->isPopupVisible());
    EXPECT_EQ(text->selectedRange(), (TextRange{3, 0})); // the popup took the key
    ASSERT_TRUE(openPopup("la", "y"));
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(popup->isPopupVisible());
    EXPECT_EQ(text->selectedRange(), (TextRange{3, 0}));
    EXPECT_EQ(QApplication::focusWidget(), text);

    // A click on a row chooses it.
    ASSERT_TRUE(openPopup("la", "y"));
    auto* list = popup->tableViewController()->tableView();
    const int rowHeight = int(popup->tableViewController()->rowHeight());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(30, rowHeight * 2 + rowHeight / 2));
    EXPECT_EQ(text->string(), "layerA");
    EXPECT_FALSE(popup->isPopupVisible());
    EXPECT_EQ(QApplication::focusWidget(), text);
}

TEST_F(PopupTest, WithoutAPreselectedRowReturnTypesAndEscapeOnlyCloses)
{
    delegate->selection = false;
    ASSERT_TRUE(openPopup("la", "y"));
    EXPECT_EQ(selectedRow(), -1);
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(popup->isPopupVisible());
    EXPECT_EQ(text->string(), "lay");
    ASSERT_TRUE(openPopup("la", "y"));
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(text->string(), "lay\n");
    // An item without a description key shows no panel: the window is a list alone.
    EXPECT_FALSE(popup->extraInfoView()->isVisible());
}

TEST_F(PopupTest, DescriptionPanelShowsTheSelectedMemberAndItsDocumentationLink)
{
    QStringList opened;
    popup->setDocumentationOpener([&](const QString& anchor) { opened.append(anchor); });
    ASSERT_TRUE(openPopup("", "x"));
    auto* panel = popup->extraInfoView();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->description(), "Horizontal position in the parent.");
    ASSERT_TRUE(panel->docsLinkButton() && panel->docsLinkButton()->isVisible());
    QTest::mouseClick(panel->docsLinkButton(), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{"layer.x"});
    EXPECT_EQ(QApplication::focusWidget(), text);
    const int withPanel = popup->window()->height();

    // A key whose path the descriptions lack shows the key itself, without a link.
    ASSERT_TRUE(openPopup("la", "b"));
    EXPECT_EQ(panel->description(), "nowhere.label");
    EXPECT_FALSE(panel->docsLinkButton()->isVisible());

    // A library constructor is described under its own name; moving to an item without a key
    // hides the panel and the window shrinks by its height.
    ASSERT_TRUE(openPopup("La", "y"));
    EXPECT_EQ(panel->description(), "The layer class.");
    EXPECT_TRUE(panel->docsLinkButton()->isVisible());
    QTest::keyClick(text, Qt::Key_Down);
    EXPECT_FALSE(panel->isVisible());
    // Layer, layer, layerA and layout: four rows and the border.
    const double rowHeight = popup->tableViewController()->rowHeight();
    EXPECT_NEAR(popup->window()->height(), 4 * rowHeight + 2, 1);
    EXPECT_NEAR(withPanel, rowHeight + (rowHeight + 4) + 2, 1); // one row and the panel
}

QColor pixelIn(const QImage& image, QPoint p)
{
    return image.pixelColor(p);
}

TEST_F(PopupTest, RowsDrawTheTypedPrefixTheTypeBarAndDimUsedKeysAndFollowTheFontSize)
{
    ASSERT_TRUE(openPopup("la", "y"));
    const QImage shot = popup->window()->grab().toImage();
    const double dpr = shot.devicePixelRatio();
    const int rowHeight = int(popup->tableViewController()->rowHeight());
    // The selected first row is "Layer", a constructor: its bar is yellow at the left edge.
    const QColor bar = pixelIn(shot, QPoint(int(1 * dpr), int((1 + rowHeight / 2) * dpr)));
    EXPECT_GT(bar.red(), 230);
    EXPECT_GT(bar.green(), 170);
    EXPECT_LT(bar.blue(), 80);
    // Its background is the active colour; the second row's the window colour.
    EXPECT_EQ(pixelIn(shot, QPoint(int(150 * dpr), int(3 * dpr))), QColor("#232324"));
    EXPECT_EQ(pixelIn(shot, QPoint(int(150 * dpr), int((1 + rowHeight + 2) * dpr))), QColor("#151619"));
    // The typed "lay" is white; the rest of an unselected word grey; the used key "layout" darker.
    auto brightestIn = [&](int row, double fromX, double toX) {
        int best = 0;
        for (int y = int((1 + row * rowHeight) * dpr); y < int((1 + (row + 1) * rowHeight) * dpr); ++y)
            for (int x = int(fromX * dpr); x < int(toX * dpr); ++x)
                best = std::max(best, shot.pixelColor(x, y).lightness());
        return best;
    };
    const QFontMetricsF metrics(popup->tableViewController()->normalFont());
    const double textLeft = 3 + popup->columnMargin() - 2;
    const double typedEnd = textLeft + metrics.horizontalAdvance("lay");
    const double wordEnd = textLeft + metrics.horizontalAdvance("layerA");
    EXPECT_GT(brightestIn(2, textLeft, typedEnd), 240);     // "lay" of layerA: white
    EXPECT_LT(brightestIn(2, typedEnd + 1, wordEnd), 140);  // "erA": 777777
    EXPECT_GT(brightestIn(2, typedEnd + 1, wordEnd), 90);
    EXPECT_LT(brightestIn(3, typedEnd + 1, wordEnd), 80);   // "out" of the used key: 444444

    // A font size change closes the popup; the next one has taller rows.
    defaults->setDouble(KVCodeView::FontSizeKey, 20);
    EXPECT_FALSE(popup->isPopupVisible());
    ASSERT_TRUE(openPopup("la", "y"));
    EXPECT_EQ(popup->tableViewController()->normalFont().pointSizeF(), 20);
    EXPECT_GT(popup->tableViewController()->rowHeight(), rowHeight * 1.5);
}

TEST_F(PopupTest, ScreenshotWithTheDescriptionPanel)
{
    setText("layer = new Layer\nlayer.");
    type("o");
    ASSERT_TRUE(testsupport::waitUntil([&] { return popup->isPopupVisible(); }));
    ASSERT_TRUE(popup->extraInfoView()->isVisible());
    const QImage shot = popup->window()->grab().toImage();
    ASSERT_TRUE(shot.save(QDir::temp().filePath("zelvor-completion-popup.png")));
    // The panel's separator line runs along its top edge, in the border colour.
    const double dpr = shot.devicePixelRatio();
    const QRect panel = popup->extraInfoView()->geometry();
    EXPECT_EQ(shot.pixelColor(int(40 * dpr), int(panel.top() * dpr)), QColor("#272729"));

    // The popup over the editor, as the user sees it, once without a description.
    QTest::keyClick(text, Qt::Key_Escape);
    setText("layer = new Layer\nlayer.o\nla");
    type("y");
    ASSERT_TRUE(testsupport::waitUntil([&] { return popup->isPopupVisible(); }));
    QTest::keyClick(text, Qt::Key_Down);
    ASSERT_FALSE(popup->extraInfoView()->isVisible());
    const QRect word = wordRectOnScreen();
    const QRect window = popup->window()->geometry();
    EXPECT_GE(window.top(), word.bottom());
    EXPECT_LE(window.top(), word.bottom() + 2);
    QImage composed = view->grab().toImage();
    QPainter painter(&composed);
    const QPoint at = view->mapFromGlobal(window.topLeft());
    painter.drawImage(at, popup->window()->grab().toImage());
    painter.end();
    // Over the editor: the first row, unselected now, in the window colour, the second in the
    // selection's, and the editor as it was below the popup.
    const double cdpr = composed.devicePixelRatio();
    const int rowHeight = int(popup->tableViewController()->rowHeight());
    EXPECT_EQ(composed.pixelColor(int((at.x() + 150) * cdpr), int((at.y() + 3) * cdpr)), QColor("#151619"));
    EXPECT_EQ(composed.pixelColor(int((at.x() + 150) * cdpr), int((at.y() + 1 + rowHeight + 2) * cdpr)), QColor("#232324"));
    EXPECT_NE(composed.pixelColor(int((at.x() + 150) * cdpr), int((at.y() + window.height() + 4) * cdpr)), QColor("#151619"));
    ASSERT_TRUE(composed.save(QDir::temp().filePath("zelvor-completion-popup-no-description.png")));
}

TEST_F(PopupTest, ALongDescriptionWrapsInItsPanel)
{
    const QString long_ = "Duration in seconds (springs take the time they need), and a good deal more text than "
                          "one line of the panel holds at the width of a short list.";
    writeInfo("{\"layer\": {\"x\": {\"description\": \"" + long_.toUtf8() + "\"}}}");
    popup = std::make_unique<KVAutoCompleteController>(defaults.get(), dir.filePath("info.json"));
    KVAutoCompletePresenter::setShared(popup.get());
    ASSERT_TRUE(openPopup("", "x"));
    auto* panel = popup->extraInfoView();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->description(), long_);
    const double oneLine = popup->tableViewController()->rowHeight() + 4;
    EXPECT_GT(panel->height(), oneLine * 1.5) << "more lines, a taller panel";
    const QFontMetricsF metrics(panel->textField()->labelFont());
    const QRectF needed = metrics.boundingRect(QRectF(0, 0, panel->textField()->width(), 1e6), Qt::TextWordWrap, long_);
    EXPECT_GE(panel->textField()->height() + 2, needed.height()) << "every line of it shows";
    EXPECT_LE(panel->geometry().bottom(), popup->window()->height());
    // The list keeps its rows above the panel.
    EXPECT_LE(popup->tableViewController()->scrollView()->geometry().bottom(), panel->geometry().top());
}

TEST_F(PopupTest, BadInputNeitherCrashesNorLeavesTheScreen)
{
    // 10,000 candidates, a word of 5,000 characters and a description of 100 KB.
    QList<KVAutoCompletion> many;
    for (int i = 0; i < 10000; ++i)
        many.append(KVAutoCompletion(QStringLiteral("item%1").arg(i), "number", "big.text", false));
    many.prepend(KVAutoCompletion("item" + QString(5000, u'w'), "string", "big.text", false));
    delegate->words = many;
    writeInfo("{\"big\": {\"text\": {\"description\": \"" + QByteArray(100 * 1024, 'd') + "\"}}}");
    popup = std::make_unique<KVAutoCompleteController>(defaults.get(), dir.filePath("info.json"));
    KVAutoCompletePresenter::setShared(popup.get());
    ASSERT_TRUE(openPopup("ite", "m"));
    EXPECT_EQ(popup->autoCompletionSet().completions().size(), 10001);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(popup->window()->geometry()));
    EXPECT_FALSE(popup->window()->grab().isNull());
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(text, Qt::Key_Down);
    EXPECT_EQ(selectedRow(), 20);
    QTest::keyClick(text, Qt::Key_Escape);

    // The caret at the bottom of the screen: the popup opens above the word.
    view->move(screen.left() + 20, screen.bottom() - view->height() + 1);
    testsupport::spin(20);
    setText(QString(60, u'\n') + "it");
    type("e");
    ASSERT_TRUE(testsupport::waitUntil([&] { return popup->isPopupVisible(); }));
    EXPECT_LE(popup->window()->geometry().bottom(), wordRectOnScreen().top());
    EXPECT_TRUE(screen.contains(popup->window()->geometry()));
    EXPECT_TRUE(popup->extraInfoView()->borderAtBottom());
    EXPECT_LT(popup->extraInfoView()->geometry().top(), popup->tableViewController()->tableView()->geometry().top());

    // Descriptions that are missing or not JSON: no panel text but the key.
    for (const QByteArray& bad : {QByteArray("{\"layer\": "), QByteArray()}) {
        writeInfo(bad);
        popup = std::make_unique<KVAutoCompleteController>(defaults.get(),
                                                           bad.isEmpty() ? dir.filePath("missing.json") : dir.filePath("info.json"));
        KVAutoCompletePresenter::setShared(popup.get());
        view->move(screen.topLeft() + QPoint(40, 40));
        delegate->words = {KVAutoCompletion("x", "number", "layer.x", false)};
        ASSERT_TRUE(openPopup("", "x"));
        EXPECT_EQ(popup->extraInfoView()->description(), "layer.x");
        QTest::keyClick(text, Qt::Key_Escape);
    }
}

} // namespace
