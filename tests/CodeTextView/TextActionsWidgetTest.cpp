#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/KVTextActionsDelegate.h"
#include "messages/NotificationName.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::TextRange;

class TextActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
        view = std::make_unique<KVCodeView>(nullptr, defaults.get());
        view->resize(640, 300);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        text = view->textView();
        text->setFocus();
        ASSERT_TRUE(testsupport::waitUntil([&] { return text->hasFocus(); }));
        platform::NotificationCenter::defaultCenter().addObserver(
            KVCodeTextView::ClickedOnLinkNotification, text,
            [this](const platform::Notification& n) { clicked.append(n.userInfo.value("link").toMap()); }, &owner);
    }

    QStringList linkedTexts() const
    {
        QStringList texts;
        for (const TextRange& r : text->linkRanges())
            texts.append(text->string().mid(r.location, r.length));
        return texts;
    }

    QPoint centreOf(TextRange range) const { return text->rectForRange(range).center().toPoint(); }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<KVCodeView> view;
    KVCodeTextView* text = nullptr;
    QObject owner;
    QList<QVariantMap> clicked;
};

TEST_F(TextActionsTest, HoldingControlLinksModulesAndImagesAndAClickReachesTheDocument)
{
    const QString program = "m = require \"layers\"\nbg = new Layer image: 'images/sky.png'\nx = \"images/a.txt\"\n";
    text->setString(program);
    text->document()->setModified(false);
    QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(linkedTexts(), (QStringList{"layers", "images/sky.png"}));
    EXPECT_EQ(text->string(), program);
    EXPECT_FALSE(text->document()->isModified());
    EXPECT_FALSE(text->document()->isUndoAvailable());

    // The underline runs under each link while Ctrl is held, and goes when it is let go.
    const auto underlinedShare = [&](TextRange range) {
        const QImage shot = text->viewport()->grab().toImage();
        const double dpr = shot.devicePixelRatio();
        const QRectF r = text->rectForRange(range);
        const QFontMetricsF metrics(text->font());
        const int y = int((std::floor(r.top() + metrics.ascent() + metrics.underlinePos()) + 0.5) * dpr);
        const QColor background = shot.pixelColor(shot.width() - 3, y);
        int marked = 0;
        int all = 0;
        for (int x = int((r.left() + 1) * dpr); x < int((r.right() - 1) * dpr); ++x, ++all)
            marked += shot.pixelColor(x, y) != background;
        return all ? double(marked) / all : 0.0;
    };
    ASSERT_EQ(text->linkRanges().size(), 2);
    const TextRange layers = text->linkRanges().at(0);
    EXPECT_GT(underlinedShare(layers), 0.9);
    QTest::keyRelease(text, Qt::Key_Control);
    EXPECT_LT(underlinedShare(layers), 0.5);
    QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);

    // A click on the image link sends its file name to the document and leaves the caret.
    const TextRange caret = text->selectedRange();
    const TextRange sky = text->linkRanges().at(1);
    QTest::mouseClick(text->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(sky));
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked[0].value("name").toString(), "sky.png");
    EXPECT_EQ(clicked[0].value("type").toInt(), 1);
    EXPECT_EQ(text->selectedRange(), caret);
    QTest::mouseClick(text->viewport(), Qt::LeftButton, Qt::ControlModifier, centreOf(text->linkRanges().at(0)));
    ASSERT_EQ(clicked.size(), 2);
    EXPECT_EQ(clicked[1].value("name").toString(), "layers");
    EXPECT_EQ(clicked[1].value("type").toInt(), 0);

    // Releasing the key removes every link: clicks then only place the caret.
    QTest::keyRelease(text, Qt::Key_Control);
    EXPECT_TRUE(text->linkRanges().isEmpty());
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, centreOf(sky));
    EXPECT_EQ(clicked.size(), 2);
}

TEST_F(TextActionsTest, EditsWhileControlIsHeldLeaveNoStaleLinks)
{
    text->setString("m = require 'layers'\n");
    text->setSelectedRange({0, 0});
    QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);
    ASSERT_EQ(linkedTexts(), QStringList{"layers"});
    // Text pasted before the link while the key is held: the link moves with its word.
    text->insertText("# a comment\n");
    EXPECT_EQ(linkedTexts(), QStringList{"layers"});
    // Text typed inside the link's word: the link lapses at once.
    text->setSelectedRange({text->string().indexOf("yers"), 0});
    text->insertText("X");
    EXPECT_TRUE(linkedTexts().isEmpty());
    // Undo with Ctrl+Z while the key is still held, then release: nothing stays linked.
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyRelease(text, Qt::Key_Control);
    EXPECT_TRUE(text->linkRanges().isEmpty());
    const QString program = text->string();
    EXPECT_EQ(text->document()->toPlainText(), program);
}

TEST_F(TextActionsTest, TheLinksGoWhenTheEditorTheWindowOrTheApplicationLosesTheFocus)
{
    text->setString("m = require 'layers'\n");
    const auto showAndCheck = [&] {
        QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);
        return text->linkRanges().size() == 1;
    };
    ASSERT_TRUE(showAndCheck());
    platform::NotificationCenter::defaultCenter().post(NotificationName::HideActions());
    EXPECT_TRUE(text->linkRanges().isEmpty());
    // The key is still held as far as the editor knows: pressing it again shows the links anew.
    ASSERT_TRUE(showAndCheck());
    platform::NotificationCenter::defaultCenter().post("RBApplicationWillResignActiveNotifcation");
    EXPECT_TRUE(text->linkRanges().isEmpty());
    ASSERT_TRUE(showAndCheck());
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    EXPECT_TRUE(testsupport::waitUntil([&] { return text->linkRanges().isEmpty(); }));
}

TEST_F(TextActionsTest, OnlyTheLinesVisibleWhenTheKeyWentDownArePainted)
{
    QString program;
    for (int i = 0; i < 200; ++i)
        program += QStringLiteral("m%1 = require 'mod%1'\n").arg(i);
    text->setString(program);
    QTest::keyPress(text, Qt::Key_Control, Qt::ControlModifier);
    const QStringList shown = linkedTexts();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_LT(shown.size(), 60);
    EXPECT_EQ(shown.first(), "mod0");
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    EXPECT_EQ(linkedTexts(), shown); // scrolling paints no more
    QTest::keyRelease(text, Qt::Key_Control);
}

} // namespace
