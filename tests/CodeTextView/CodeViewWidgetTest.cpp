#include "CodeTextView/KVCodeLayoutManager.h"
#include "CodeTextView/KVCodeLineNumberRulerView.h"
#include "CodeTextView/KVCodeLineNumbersManager.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/KVFindBar.h"
#include "model/CodeLines.h"
#include "messages/NotificationName.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/gui/ColorExtras.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::TextRange;

// Counts the events of one type that reach a widget.
class EventCounter : public QObject {
public:
    EventCounter(QObject* target, QEvent::Type type, int* count) : m_type(type), m_count(count)
    {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++*m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int* m_count;
};

class CodeViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
        view = makeView();
        text = view->textView();
    }

    std::unique_ptr<KVCodeView> makeView()
    {
        auto v = std::make_unique<KVCodeView>(nullptr, defaults.get());
        v->resize(640, 400);
        v->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(v.get()));
        return v;
    }

    // Types keys into the text view; "\n" is Return, "\t" is Tab.
    void type(const QString& keys)
    {
        for (const QChar c : keys) {
            if (c == u'\n')
                QTest::keyClick(text, Qt::Key_Return);
            else if (c == u'\t')
                QTest::keyClick(text, Qt::Key_Tab);
            else
                QTest::keyClick(text, c.toLatin1());
        }
    }

    void setText(const QString& s, qsizetype caret)
    {
        text->setString(s);
        text->setSelectedRange({caret, 0});
    }

    void undo() { QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier); }

    QColor hex(const char* h) { return platform::colorWithHexColorString(QString::fromLatin1(h)); }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<KVCodeView> view;
    KVCodeTextView* text = nullptr;
};

} // namespace

TEST_F(CodeViewTest, TypingRulesThroughKeysUndoInOneStep)
{
    setText("f", 1);
    type("(");
    EXPECT_EQ(text->string(), "f()");
    EXPECT_EQ(text->selectedRange(), (TextRange{2, 0}));
    type(")");
    EXPECT_EQ(text->string(), "f()");
    undo();
    EXPECT_EQ(text->string(), "f");

    setText("\tx = {}", 6);
    type("\n");
    EXPECT_EQ(text->string(), "\tx = {\n\t\t\n\t}");
    EXPECT_EQ(text->selectedRange(), (TextRange{9, 0}));
    undo();
    EXPECT_EQ(text->string(), "\tx = {}");

    setText("\ta = {\n\t\t", 9);
    type("}");
    EXPECT_EQ(text->string(), "\ta = {\n\t}");
    undo();
    EXPECT_EQ(text->string(), "\ta = {\n\t\t");

    setText("f = ->", 6);
    type("\n");
    EXPECT_EQ(text->string(), "f = ->\n\t");

    // Wrapping, block shift, comment toggle: each one undo step.
    setText("a word b", 0);
    text->setSelectedRange({2, 4});
    type("[");
    EXPECT_EQ(text->string(), "a [word] b");
    EXPECT_EQ(text->selectedRange(), (TextRange{3, 4}));
    undo();
    EXPECT_EQ(text->string(), "a word b");

    setText("a\nb\nc", 0);
    text->setSelectedRange({0, 3});
    type("\t");
    EXPECT_EQ(text->string(), "\ta\n\tb\nc");
    undo();
    EXPECT_EQ(text->string(), "a\nb\nc");
    QTest::keyClick(text, Qt::Key_Backtab);
    EXPECT_EQ(text->string(), "a\nb\nc");

    setText("a = 1\nb = 2", 0);
    text->setSelectedRange({0, 11});
    QTest::keyClick(text, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(text->string(), "# a = 1\n# b = 2");
    QTest::keyClick(text, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(text->string(), "a = 1\nb = 2");
    undo();
    EXPECT_EQ(text->string(), "# a = 1\n# b = 2");

    // Backspace over an empty pair, then over a lone opener.
    setText("g()", 2);
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_EQ(text->string(), "g");
    undo();
    EXPECT_EQ(text->string(), "g()");

    // Plain typing undoes as one run.
    setText("", 0);
    type("abc");
    EXPECT_EQ(text->string(), "abc");
    undo();
    EXPECT_EQ(text->string(), "");
}

TEST_F(CodeViewTest, WordMovesDeletesAndWholeCharacters)
{
    setText("ab cd", 0);
    QTest::keyClick(text, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(text->selectedRange(), (TextRange{2, 0}));
    QTest::keyClick(text, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(text->selectedRange(), (TextRange{5, 0}));
    QTest::keyClick(text, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(text->string(), "ab ");
    undo();
    EXPECT_EQ(text->string(), "ab cd");

    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString accented = QString::fromUtf8("e\xCC\x81");
    setText("x" + emoji + accented, 1 + emoji.size() + accented.size());
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_EQ(text->string(), "x" + emoji);
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_EQ(text->string(), "x");
}

TEST_F(CodeViewTest, NotificationsAndCompletionTrigger)
{
    int changes = 0;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        KVCodeTextView::TextDidChangeNotification, text, [&](const platform::Notification&) { ++changes; },
        &owner);
    text->setString("one\ntwo");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(text->editedRange(), (TextRange{0, 7}));

    text->setSelectedRange({7, 0});
    type("x");
    EXPECT_EQ(text->editedLength(), 1);
    EXPECT_TRUE(text->isAutoCompletePending());
    text->setSelectedRange({0, 3});
    type("(");
    EXPECT_FALSE(text->isAutoCompletePending()); // a wrap is a larger change: no completion

    text->setAutoCompleteDelay(-1);
    text->setSelectedRange({0, 0});
    type("y");
    EXPECT_FALSE(text->isAutoCompletePending());

    // Without a completion engine, words of the text complete the partial word.
    text->setString("layer layout lay");
    text->setSelectedRange({16, 0});
    const TextRange partial = text->rangeForUserCompletion();
    EXPECT_EQ(partial, (TextRange{13, 3}));
    const KVAutoCompletionSet set = text->completionsForPartialWordRange(partial, nullptr);
    EXPECT_TRUE(set.selection());
    ASSERT_EQ(set.completions().size(), 2);
    EXPECT_EQ(set.completions()[0].word(), "layer");
}

TEST_F(CodeViewTest, PastingFilesPostsNotificationsInsteadOfText)
{
    QStringList images;
    int hides = 0;
    QObject owner;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(KVCodeTextView::PastedImageNotification, text,
                       [&](const platform::Notification& n) { images << n.userInfo.value("filePath").toString(); },
                       &owner);
    center.addObserver(NotificationName::HideActions(), nullptr, [&](const platform::Notification&) { ++hides; },
                       &owner);
    setText("x", 1);
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile("/tmp/a.PNG"), QUrl::fromLocalFile("/tmp/b.txt")});
    files->setText("/tmp/a.PNG");
    QApplication::clipboard()->setMimeData(files);
    text->paste();
    EXPECT_EQ(images, QStringList{"/tmp/a.PNG"});
    EXPECT_EQ(text->string(), "x");
    EXPECT_EQ(hides, 1);

    auto* other = new QMimeData;
    other->setUrls({QUrl::fromLocalFile("/tmp/notes.txt")});
    other->setText("pasted");
    QApplication::clipboard()->setMimeData(other);
    text->paste();
    EXPECT_EQ(text->string(), "xpasted");
    undo();
    EXPECT_EQ(text->string(), "x");
}

TEST_F(CodeViewTest, ZoomFollowsTheSharedSettingWithinLimits)
{
    EXPECT_TRUE(defaults->boolForKey(KVCodeView::AutoCloseCharactersEnabledKey)); // written on set-up
    EXPECT_DOUBLE_EQ(view->currentFont().pointSizeF(), 12);
    auto second = makeView();
    QTest::keyClick(text, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(defaults->doubleForKey(KVCodeView::FontSizeKey), 13);
    EXPECT_DOUBLE_EQ(view->currentFont().pointSizeF(), 13);
    EXPECT_DOUBLE_EQ(second->currentFont().pointSizeF(), 13);

    defaults->setDouble(KVCodeView::FontSizeKey, 28);
    view->increaseFontSize();
    EXPECT_DOUBLE_EQ(defaults->doubleForKey(KVCodeView::FontSizeKey), 28);
    view->menuReset();
    EXPECT_DOUBLE_EQ(second->currentFont().pointSizeF(), 12);
    defaults->setDouble(KVCodeView::FontSizeKey, 9);
    view->decreaseFontSize();
    EXPECT_DOUBLE_EQ(view->currentFont().pointSizeF(), 9);
    // A size stored outside the limits (by hand, or by an older version) is shown within them.
    defaults->setDouble(KVCodeView::FontSizeKey, 48);
    EXPECT_DOUBLE_EQ(view->currentFont().pointSizeF(), 28);
    defaults->setDouble(KVCodeView::FontSizeKey, 4);
    EXPECT_DOUBLE_EQ(view->currentFont().pointSizeF(), 9);

    defaults->setBool(KVCodeView::AutoCloseCharactersEnabledKey, false);
    setText("f", 1);
    type("(");
    EXPECT_EQ(text->string(), "f(");
}

// The caret blinks at the desktop's rate, comes back at each move, and is not drawn over a
// selection.
TEST_F(CodeViewTest, TheCaretBlinksAndStaysOffASelection)
{
    QApplication::setActiveWindow(view.get());
    text->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return text->hasFocus(); }));
    setText("one two", 3);
    ASSERT_GT(QApplication::cursorFlashTime(), 0);
    EXPECT_TRUE(text->isCaretShown());
    EXPECT_TRUE(testsupport::waitUntil([&] { return !text->isCaretShown(); }, 3000)) << "it never blinks";
    EXPECT_TRUE(testsupport::waitUntil([&] { return text->isCaretShown(); }, 3000));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !text->isCaretShown(); }, 3000));
    QTest::keyClick(text, Qt::Key_Right);
    EXPECT_TRUE(text->isCaretShown()) << "a move shows it at once";
    text->setSelectedRange({0, 3});
    testsupport::spin(QApplication::cursorFlashTime());
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(text->isCaretShown());
        testsupport::spin(QApplication::cursorFlashTime() / 4);
    }
}

TEST_F(CodeViewTest, LineNumbersAndErrorMarkers)
{
    text->setString("a\nb\n");
    auto* lines = text->lineNumbersManager();
    EXPECT_EQ(lines->lineCount(), 3);
    EXPECT_EQ(lines->lineRangeForLineIndex(2), (TextRange{4, 0}));
    EXPECT_EQ(lines->lineRangeForLineIndex(0), (TextRange{0, 2}));
    EXPECT_TRUE(lines->lineRangeForLineIndex(3).isNotFound());
    EXPECT_EQ(lines->lineIndicesForRange({0, 3}), (TextRange{0, 2}));
    EXPECT_EQ(lines->lineRanges(), (QStringList{"{0, 2}", "{2, 2}", "{4, 0}"}));

    auto* ruler = view->lineNumberRulerView();
    text->setErrors({KVCodeError(1, 1, "boom")});
    EXPECT_TRUE(ruler->isErrorLine(0));
    EXPECT_FALSE(ruler->isErrorLine(1));
    EXPECT_EQ(text->rangeForError(text->errors().first()), (TextRange{0, 0}));
    text->setErrors({KVCodeError(0, 1, "nothing"), KVCodeError(9, 1, "past the end")});
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(ruler->isErrorLine(i));
    text->setErrors({});
    EXPECT_FALSE(ruler->isErrorLine(0));
    // Markers never touch the text.
    EXPECT_FALSE(text->document()->isModified());
}

// The last line's number, as the ruler draws it, fits between the ruler's margins, and the
// text starts right of the ruler: no digit is cut off or hidden under the text.
void expectLastNumberShowsWhole(KVCodeView* view)
{
    KVCodeTextView* text = view->textView();
    KVCodeLineNumberRulerView* ruler = view->lineNumberRulerView();
    const QString last = QString::number(text->blockCount());
    const qreal needed = QFontMetricsF(ruler->rulerFont(), ruler).horizontalAdvance(last);
    EXPECT_LE(needed, ruler->width() - 2 * ruler->margin()) << last.toStdString();
    EXPECT_GE(text->viewport()->geometry().left(), ruler->geometry().right() + 1);

    // Nothing is drawn in the ruler's left margin, where a number too wide would spill over.
    view->scrollToLineIndex(text->blockCount(), false);
    QApplication::processEvents();
    const QImage image = ruler->grab().toImage();
    const QRgb background = ruler->backgroundColor().rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < int(ruler->margin()); ++x)
            ASSERT_EQ(image.pixel(x * image.width() / ruler->width(), y) & 0xFFFFFF, background & 0xFFFFFF)
                << "x " << x << " y " << y;
}

TEST_F(CodeViewTest, LineNumbersShowWholeInLongProgramsAtAnyZoomAndShortOnesKeepTheNarrowRuler)
{
    auto* ruler = view->lineNumberRulerView();
    setText("a = 1\nb = 2\n", 0);
    EXPECT_EQ(ruler->width(), 40);
    EXPECT_EQ(text->viewport()->geometry().left(), ruler->geometry().right() + 1);

    QString code;
    for (int i = 0; i < 10000; ++i)
        code += QStringLiteral("x%1 = %1\n").arg(i);
    code.chop(1);
    setText(code, 0);
    ASSERT_EQ(text->blockCount(), 10000);
    expectLastNumberShowsWhole(view.get());

    // Zoomed in, and with a larger ruler font, the numbers still fit.
    for (int i = 0; i < 6; ++i)
        view->increaseFontSize();
    ASSERT_GT(view->currentFont().pointSizeF(), 12);
    expectLastNumberShowsWhole(view.get());
    QFont large = ruler->rulerFont();
    large.setPointSizeF(18);
    ruler->setRulerFont(large);
    expectLastNumberShowsWhole(view.get());

    // Typing the ten-thousand-and-first line keeps the ruler wide enough; shortening the program
    // gives back the narrow ruler.
    text->setSelectedRange({text->textLength(), 0});
    type("\ny = 1");
    expectLastNumberShowsWhole(view.get());
    setText("a = 1\n", 0);
    EXPECT_EQ(ruler->width(), 40);
}

TEST_F(CodeViewTest, ColouringIsDisplayOnlyAndFollowsScrolling)
{
    QString code;
    for (int i = 0; i < 200; ++i)
        code += QStringLiteral("if x%1 then return 'it''s' # note's\n").arg(i);
    text->setString(code);
    const int undoSteps = text->document()->availableUndoSteps();
    auto* layout = text->layoutManager();
    EXPECT_EQ(layout->colourAt(0), hex("FFC22C"));
    EXPECT_EQ(layout->colourAt(code.indexOf("# note")), hex("626262"));
    EXPECT_EQ(layout->colourAt(code.indexOf("'it'")), hex("9EE556"));
    // Far below the visible lines nothing is coloured yet.
    const qsizetype late = code.lastIndexOf("if");
    EXPECT_FALSE(layout->colourAt(late).isValid());
    view->scrollToLineIndex(1000, false);
    EXPECT_EQ(text->verticalScrollBar()->value(), text->verticalScrollBar()->maximum());
    EXPECT_EQ(layout->colourAt(late), hex("FFC22C"));
    // Colours and word boxes never change the document.
    EXPECT_FALSE(text->document()->isModified());
    EXPECT_EQ(text->document()->availableUndoSteps(), undoSteps);

    // Typing recolours from the edited line.
    view->scrollToLineIndex(0, false);
    text->setSelectedRange({0, 0});
    type("#");
    EXPECT_EQ(layout->colourAt(1), hex("626262"));

    EXPECT_DOUBLE_EQ(KVCodeView::scrollDuration(600), 0.8);
    EXPECT_NEAR(KVCodeView::scrollDuration(150), 0.5, 1e-6);
    view->scrollToLineIndex(100, true);
    EXPECT_TRUE(view->isScrollAnimating());
    EXPECT_TRUE(testsupport::waitUntil([&] { return !view->isScrollAnimating(); }, 3000));
}

TEST_F(CodeViewTest, AnEditFarBelowTheViewLeavesNoLinesUncolouredOnTheWayThere)
{
    QString code;
    for (int i = 0; i < 300; ++i)
        code += QStringLiteral("if x%1 then return 1\n").arg(i);
    text->setString(code);
    auto* layout = text->layoutManager();
    // An inserted line at the end (as an image drop does), and the view jumps there.
    text->replaceCharactersInRange({code.size(), 0}, QStringLiteral("image = new Layer\n"), true);
    view->scrollToLineIndex(300, false);
    QApplication::processEvents();
    // The lines between the old view and the new one colour as they come into view.
    view->scrollToLineIndex(150, false);
    QApplication::processEvents();
    EXPECT_EQ(layout->colourAt(code.indexOf("if x150")), hex("FFC22C"));
}

TEST_F(CodeViewTest, KeysThatScrollTheTextColourAndNumberTheLinesTheyBringIntoView)
{
    QString code;
    for (int i = 0; i < 300; ++i)
        code += QStringLiteral("if x%1 then return 1\n").arg(i);
    text->setString(code);
    auto* layout = text->layoutManager();
    const qsizetype late = code.lastIndexOf("if");
    ASSERT_FALSE(layout->colourAt(late).isValid());

    int rulerPaints = 0;
    EventCounter counter(view->lineNumberRulerView(), QEvent::Paint, &rulerPaints);
    text->setFocus();
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_GT(text->verticalScrollBar()->value(), 0);
    EXPECT_EQ(layout->colourAt(late), hex("FFC22C"));
    EXPECT_GT(rulerPaints, 0); // the numbers of the lines now shown

    rulerPaints = 0;
    QTest::keyClick(text, Qt::Key_Home, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(text->verticalScrollBar()->value(), 0);
    EXPECT_GT(rulerPaints, 0);
}

TEST_F(CodeViewTest, EqualWordBoxesAndInvisibles)
{
    setText("layer = 1\nlayer2 = layer\nlayers", 0);
    text->setSelectedRange({0, 5});
    EXPECT_EQ(text->selectedName(), "layer");
    EXPECT_EQ(text->equalNameRanges(), (QList<TextRange>{{19, 5}}));
    text->setSelectedRange({0, 4});
    EXPECT_TRUE(text->equalNameRanges().isEmpty());
    text->setSelectedRange({0, 6});
    EXPECT_TRUE(text->equalNameRanges().isEmpty());
    EXPECT_FALSE(text->document()->isModified());

    EXPECT_FALSE(text->showInvisibleCharacters());
    defaults->setBool(KVCodeView::ShowInvisiblesKey, true);
    EXPECT_TRUE(text->showInvisibleCharacters());
    defaults->setBool(KVCodeView::ShowInvisiblesKey, false);
    EXPECT_FALSE(text->showInvisibleCharacters());
}

TEST_F(CodeViewTest, ScreenshotShowsColoursRulerMarkersAndMarks)
{
    setText("# A layer\nlayer = new Layer\n\tx: 100, name: \"box #{n}\"\nlayer.onTap ->\n\tlayer.animate\n\t\topacity: 0\n", 0);
    defaults->setBool(KVCodeView::ShowInvisiblesKey, true);
    text->setErrors({KVCodeError(3, 1, "error here")});
    text->setSelectedRange({10, 5});
    view->activateWindow();
    text->setFocus();
    QTest::qWait(20);
    const QImage shot = view->grab().toImage();
    const QString path = QDir::temp().filePath("zelvor-editor.png");
    ASSERT_TRUE(shot.save(path));
    // The ruler is drawn in its background colour at the left edge.
    EXPECT_EQ(shot.pixelColor(2, shot.height() - 3), hex("19191B"));
    bool errorColourFound = false;
    for (int y = 0; y < shot.height() && !errorColourFound; ++y)
        for (int x = 0; x < int(view->lineNumberViewWidth()) && !errorColourFound; ++x)
            errorColourFound = shot.pixelColor(x, y).red() > 200 && shot.pixelColor(x, y).green() > 150
                               && shot.pixelColor(x, y).blue() < 80; // "FFC22C", antialiased
    EXPECT_TRUE(errorColourFound);
}

TEST_F(CodeViewTest, BadInputOpensAndRoundTrips)
{
    // A NUL byte, replacement characters and mixed line ends: shown with "\n" lines, kept.
    const QString odd = QString("a") + QChar(0) + "b\r\nc\rd\n" + QChar(0xFFFD) + "e";
    text->setString(odd);
    EXPECT_EQ(text->string(), QString("a") + QChar(0) + "b\nc\nd\n" + QChar(0xFFFD) + "e");
    EXPECT_EQ(text->lineNumbersManager()->lineCount(), 4);

    // A single line of a megabyte opens, colours its visible part and takes typing.
    QString longLine;
    longLine.reserve(1 << 20);
    while (longLine.size() < (1 << 20))
        longLine += QStringLiteral("x = 'a' + 1 # ");
    text->setString(longLine);
    text->setSelectedRange({0, 0});
    type("y");
    EXPECT_EQ(text->textLength(), longLine.size() + 1);
    EXPECT_EQ(text->string().left(2), "yx");
}

TEST_F(CodeViewTest, LargeTextIsReadInChunksWithoutLosingAnything)
{
    int changes = 0;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        KVCodeTextView::TextDidChangeNotification, text, [&](const platform::Notification&) { ++changes; },
        &owner);
    QString big;
    for (int i = 0; big.size() < 6 * 1024 * 1024; ++i)
        big += QStringLiteral("line%1 = 'value' # note\r\n").arg(i);
    text->setString(big);
    EXPECT_TRUE(text->isLoading());
    EXPECT_TRUE(text->isReadOnly());
    QString expected = big;
    expected.replace("\r\n", "\n");
    EXPECT_EQ(text->string().size(), expected.size()); // the whole text, also while reading
    EXPECT_TRUE(testsupport::waitUntil([&] { return !text->isLoading(); }, 60000));
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(text->string() == expected);
    EXPECT_EQ(text->textLength(), expected.size());
    EXPECT_FALSE(text->document()->isModified());
}

TEST_F(CodeViewTest, WholeTextStaysExactThroughEditsUndoAndRedo)
{
    setText("a = {\n\tb: 1\n}\n", 6);
    const auto plain = [&] { return text->document()->toPlainText(); };
    type("\tc: (2)\n");
    EXPECT_EQ(text->string(), plain());
    text->setSelectedRange({0, 5});
    type("'");
    EXPECT_EQ(text->string(), plain());
    QTest::keyClick(text, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(text->string(), plain());
    for (int i = 0; i < 4; ++i) {
        undo();
        EXPECT_EQ(text->string(), plain());
    }
    for (int i = 0; i < 4; ++i) {
        text->redo();
        EXPECT_EQ(text->string(), plain());
    }
    // The line index bound to the view's text storage follows every edit.
    CodeLines* lines = text->lineNumbersManager()->codeLines();
    EXPECT_EQ(lines->code(), text->string());
    EXPECT_EQ(lines->lines(), text->string().split(u'\n'));
    text->selectAll();
    QTest::keyClick(text, Qt::Key_Delete);
    EXPECT_EQ(text->string(), "");
    EXPECT_EQ(lines->code(), "");
    type("x");
    EXPECT_EQ(text->string(), "x");
}

TEST_F(CodeViewTest, FindBarSearchesAsYouTypeWrapsMatchesCaseAndReplacesInOneUndoStepEach)
{
    KVFindBar* bar = view->findBar();
    setText("Layer a\nlayer b\nLAYER c\nlayer d\n", 0);
    bar->showFind(false);
    ASSERT_TRUE(bar->isVisible());
    QLineEdit* field = bar->findChild<QLineEdit*>("findField");
    ASSERT_TRUE(field->hasFocus());

    // Incremental, case-blind by default: every match is marked, the first selected.
    QTest::keyClicks(field, "lay");
    EXPECT_EQ(text->findMatches().size(), 4);
    EXPECT_EQ(text->selectedRange(), (TextRange{0, 3}));
    QTest::keyClicks(field, "er");
    EXPECT_EQ(text->selectedRange(), (TextRange{0, 5}));

    // Return goes on, Shift+Return goes back, both wrap around.
    for (qsizetype at : {8, 16, 24, 0}) {
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(text->selectedRange().location, at);
    }
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(text->selectedRange().location, 24);

    bar->setCaseSensitive(true);
    EXPECT_EQ(text->findMatches(), (QList<TextRange>{{8, 5}, {24, 5}}));
    text->setSelectedRange({25, 0});
    bar->findNext();
    EXPECT_EQ(text->selectedRange(), (TextRange{8, 5}));

    // Replace takes the selected match and goes to the next; Replace All takes the rest.
    bar->showFind(true);
    bar->setReplaceString("View");
    bar->replace();
    EXPECT_EQ(text->string(), "Layer a\nView b\nLAYER c\nlayer d\n");
    EXPECT_EQ(text->selectedRange(), (TextRange{23, 5}));
    bar->setCaseSensitive(false);
    bar->replaceAll();
    EXPECT_EQ(text->string(), "View a\nView b\nView c\nView d\n");
    EXPECT_TRUE(text->findMatches().isEmpty());
    undo();
    EXPECT_EQ(text->string(), "Layer a\nView b\nLAYER c\nlayer d\n");
    undo();
    EXPECT_EQ(text->string(), "Layer a\nlayer b\nLAYER c\nlayer d\n");

    // Esc closes the bar, clears the marks and gives the code the keys again.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(text->findMatches().isEmpty());
    EXPECT_TRUE(text->hasFocus());
}
