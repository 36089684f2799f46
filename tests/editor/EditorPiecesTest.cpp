// The editor bar's pieces on their own: the error button, the settings pop-over, the pop-up
// menu controller, the label, the grey of dimmed text, the snippet templates and the rich text
// put on the clipboard.

#include "document/RBDocument.h"
#include "editor/CodeHighlighter.h"
#include "editor/ErrorButton.h"
#include "autocomplete/KVAntialiasedLabel.h"
#include "editor/RBEditorBar.h"
#include "editor/RBEditorSettingsViewController.h"
#include "editor/RBPopUpMenuController.h"
#include "editor/RichTextExport.h"
#include "editor/SnippetTemplate.h"
#include "platform/gui/ColorExtras.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QColor hex(const char* s)
{
    return platform::colorWithHexColorString(QString::fromLatin1(s));
}

class ErrorButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.resize(500, RBEditorBar::kHeight);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        button = bar.errorButton();
    }
    RBEditorBar bar;
    ErrorButton* button = nullptr;
};

} // namespace

TEST_F(ErrorButtonTest, OkMessageShowsTheTimeInTheDarkerGrey)
{
    button->showOkMessageWithTime(0);
    ASSERT_EQ(button->titleRuns().size(), 2);
    EXPECT_EQ(button->titleRuns()[0].text, "No Errors ");
    EXPECT_EQ(button->titleRuns()[0].colour, hex("62626B"));
    EXPECT_EQ(button->titleRuns()[1].text, "0ms");
    EXPECT_EQ(button->titleRuns()[1].colour, hex("414146"));
    EXPECT_FALSE(button->errorState());
    button->showOkMessageWithTime(42);
    EXPECT_EQ(button->text(), "No Errors 42ms");
    EXPECT_EQ(button->width(), int(std::ceil(button->titleWidth() + 10)));
}

TEST_F(ErrorButtonTest, ErrorMessagesLoseTheirLineBreaksAndAreCutBeforeTheBarsEnd)
{
    button->showErrorMessage("first line\nsecond line");
    EXPECT_EQ(button->text(), "first linesecond line");
    EXPECT_TRUE(button->errorState());
    EXPECT_EQ(button->titleRuns().value(0).colour, hex("FFC22C"));

    button->showErrorMessage(QString("very long message ").repeated(40));
    EXPECT_EQ(button->x() + button->width(), bar.width() - 60);
    bar.resize(900, RBEditorBar::kHeight);
    QCoreApplication::processEvents();
    EXPECT_EQ(button->x() + button->width(), 900 - 60);
}

TEST_F(ErrorButtonTest, OnlyTheErrorStateReactsToHoverAndClicks)
{
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    button->showOkMessageWithTime(3);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->layerBackground().alpha(), 0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0);

    button->showErrorMessage("Boom");
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->layerBackground(), hex("222224"));
    EXPECT_EQ(button->titleBackground(), hex("222224"));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);

    // Pressed, then released outside: no click, and the plain error look comes back.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->layerBackground(), hex("222224"));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 200));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->layerBackground().alpha(), 0);
    EXPECT_FALSE(button->titleBackground().isValid());
    EXPECT_EQ(button->titleRuns().value(0).colour, hex("FFC22C"));
}

TEST_F(ErrorButtonTest, ABusyMessageGivesWayToTheMessageItCoveredOrToANewerOne)
{
    button->showErrorMessage("Boom");
    button->showBusyMessage("Compiling…");
    EXPECT_EQ(button->text(), "Compiling…");
    EXPECT_FALSE(button->errorState());
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    button->showBusyMessage("Compiling…");
    button->endBusyMessage();
    EXPECT_EQ(button->text(), "Boom");
    EXPECT_TRUE(button->errorState());
    EXPECT_EQ(button->titleRuns().value(0).colour, hex("FFC22C"));
    EXPECT_EQ(button->toolTip(), "Boom");

    // A result that arrives while the busy message shows stays.
    button->showBusyMessage("Compiling…");
    button->showOkMessageWithTime(7);
    button->endBusyMessage();
    EXPECT_EQ(button->text(), "No Errors 7ms");
    EXPECT_EQ(button->titleRuns().size(), 2);
}

TEST(EditorSettings, RefreshSwitchAndDelayWriteTheProjectSetting)
{
    RBDocument document;
    QJsonObject values = document.config().toJsonObject();
    values.remove("updateDelay");
    document.config().reset(values);
    RBEditorSettingsViewController settings;
    settings.setDocument(&document);
    EXPECT_FALSE(settings.isRefreshEnabled());
    EXPECT_DOUBLE_EQ(settings.updateDelay(), 0.3);
    EXPECT_FALSE(settings.refreshCheckBox()->isChecked());

    document.config().setValue("updateDelay", 0.5);
    settings.setDocument(&document);
    EXPECT_TRUE(settings.isRefreshEnabled());
    EXPECT_DOUBLE_EQ(settings.updateDelay(), 0.5);
    settings.refreshCheckBox()->click(); // off
    EXPECT_DOUBLE_EQ(document.config().value("updateDelay").toDouble(), -1);
    settings.refreshCheckBox()->click(); // on again: the delay shown
    EXPECT_DOUBLE_EQ(document.config().value("updateDelay").toDouble(), 0.5);
    settings.delayField()->setValue(1.25);
    EXPECT_DOUBLE_EQ(document.config().value("updateDelay").toDouble(), 1.25);

    // A value of the wrong type reads as refresh off with the default delay.
    document.config().setValue("updateDelay", QStringLiteral("fast"));
    settings.setDocument(&document);
    EXPECT_FALSE(settings.isRefreshEnabled());
    EXPECT_DOUBLE_EQ(settings.updateDelay(), 0.3);
    settings.setValue("updateDelay", QStringLiteral("not a number"));
    EXPECT_EQ(document.config().value("updateDelay").toString(), "fast");
}

TEST(EditorSettings, TheShortestDelayKeepsRefreshOnWhenTheProjectIsOpenedAgain)
{
    RBDocument document;
    QJsonObject values = document.config().toJsonObject();
    values.insert("updateDelay", 0.5);
    document.config().reset(values);
    RBEditorSettingsViewController settings;
    settings.setDocument(&document);
    ASSERT_TRUE(settings.isRefreshEnabled());
    // The user turns the delay all the way down; a stored 0 would read back as refresh off.
    settings.delayField()->setValue(0);
    settings.setValue("updateDelay", 0.0);
    const double stored = document.config().value("updateDelay").toDouble();
    EXPECT_GT(stored, 0);
    RBEditorSettingsViewController reopened;
    reopened.setDocument(&document);
    EXPECT_TRUE(reopened.isRefreshEnabled());
    EXPECT_DOUBLE_EQ(reopened.updateDelay(), stored);
}

TEST(PopUpMenuController, BuildsTaggedItemsSelectsAndWritesTheChosenScale)
{
    RBDocument document;
    QPushButton button;
    const QVariantList entries = {QVariantMap{{"name", "50%"}, {"value", 0.5}},
                                  QVariantMap{{"type", "separator"}},
                                  QVariantMap{{"name", "100%"}, {"value", 1}},
                                  QVariantMap{{"name", "Text one"}, {"value", "1"}}};
    RBPopUpMenuController controller(&button, entries);
    controller.setDocument(&document);
    document.config().setValue("deviceScale", -1);
    ASSERT_EQ(controller.menu()->actions().size(), 4);
    EXPECT_TRUE(controller.menu()->actions()[1]->isSeparator());
    EXPECT_EQ(controller.itemWithTag(0)->text(), "50%");
    EXPECT_EQ(controller.itemWithTag(2)->text(), "100%");
    EXPECT_EQ(button.text(), "50%");
    EXPECT_TRUE(controller.itemWithTag(0)->isChecked());

    controller.itemWithTag(2)->trigger();
    EXPECT_EQ(document.config().value("deviceScale").toDouble(), 1.0);
    EXPECT_EQ(button.text(), "100%");
    EXPECT_FALSE(controller.itemWithTag(0)->isChecked());
    EXPECT_TRUE(controller.itemWithTag(2)->isChecked());

    // Numbers match numbers and strings strings, never each other.
    EXPECT_TRUE(controller.selectItemWithKey("value", QString("1")));
    EXPECT_EQ(controller.selectedTag(), 3);
    EXPECT_TRUE(controller.selectItemWithKey("value", 1.0));
    EXPECT_EQ(controller.selectedTag(), 2);
    EXPECT_FALSE(controller.selectItemWithKey("value", 3));
    EXPECT_EQ(controller.selectedTag(), 2);

    // New entries select their first without writing.
    document.config().setValue("deviceScale", 2);
    controller.setMenuContents({QVariantMap{{"name", "Fit"}, {"value", -1}}, QVariantMap{{"name", "Fit"}, {"value", 0}}});
    EXPECT_EQ(button.text(), "Fit");
    EXPECT_EQ(controller.selectedTag(), 0);
    EXPECT_EQ(document.config().value("deviceScale").toDouble(), 2.0);
    controller.selectItemWithName("Fit");
    EXPECT_EQ(controller.selectedTag(), 1);
}

TEST(DimmedColour, GreyOfTheWeightedComponentsKeepingAlpha)
{
    const QColor white = CodeHighlighter::colorToGrayScale(Qt::white);
    EXPECT_NEAR(white.redF(), 0.289, 0.001);
    EXPECT_FLOAT_EQ(white.redF(), white.blueF());
    EXPECT_EQ(CodeHighlighter::colorToGrayScale(Qt::black).rgb(), QColor(Qt::black).rgb());
    const QColor half = CodeHighlighter::colorToGrayScale(QColor::fromRgbF(1, 0, 0, 0.5f));
    EXPECT_NEAR(half.alphaF(), 0.5, 0.01);
    EXPECT_NEAR(half.redF(), std::sqrt(0.216 / 12), 0.003);

    CodeHighlighter highlighter(nullptr, nullptr);
    const QVariantMap plain = highlighter.shouldUseTemporaryAttributes(nullptr, {{"dimmed", ""}}, true, 0);
    EXPECT_NEAR(plain.value("foreground").value<QColor>().redF(), 0.289, 0.002);
    EXPECT_TRUE(highlighter.shouldUseTemporaryAttributes(nullptr, {{"dimmed", ""}}, false, 0).isEmpty());
    const QVariantMap other{{"marked", 1}};
    EXPECT_EQ(highlighter.shouldUseTemporaryAttributes(nullptr, other, true, 0), other);
    EXPECT_TRUE(highlighter.highlightLayer("#1").isEmpty()); // nothing to dim without a compile
}

TEST(SnippetTemplate, RendersValuesSectionsAndListsAndReportsBrokenTemplates)
{
    const auto text = snippets::renderTemplate(
        "{{{name}}} = {{n}}{{#on}} yes{{/on}}{{^off}} no{{/off}}{{#items}} <{{.}}>{{/items}} {{{code}}} {{code}}",
        {{"name", "layer"}, {"n", 2.5}, {"on", true}, {"off", false}, {"items", QStringList{"a", "b"}},
         {"code", "\"x\" & y"}});
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "layer = 2.5 yes no <a> <b> \"x\" & y &quot;x&quot; &amp; y");
    QString error;
    EXPECT_FALSE(snippets::renderTemplate("{{#a}}unclosed", {}, &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(*snippets::renderTemplate("ünïcode {{{v}}}", {{"v", "✓"}}), "ünïcode ✓");
}

TEST(AntialiasedLabel, LineMetricsFollowTheFontSize)
{
    QFont font;
    font.setPointSizeF(11);
    KVAntialiasedLabel label("Layer", font, Qt::white, Qt::transparent, Qt::AlignLeft, 0);
    EXPECT_NEAR(label.maximumLineHeight(), 14.3, 1e-9);
    EXPECT_NEAR(label.lineSpacing(), 22, 1e-9);
    EXPECT_TRUE(label.antiAliasingEnabled());
    EXPECT_EQ(label.focusPolicy(), Qt::NoFocus);
    label.setTitle("Other", Qt::red, Qt::black, Qt::AlignRight, 1.5);
    EXPECT_EQ(label.text(), "Other");
    EXPECT_EQ(label.letterSpacing(), 1.5);
}

TEST(RichTextExport, ColoursGoIntoTheTableOnceAndTextIsEscaped)
{
    const QList<richtext::ColouredRun> runs = {{"a = ", QColor()}, {"\"{x}\"", hex("9EE556")},
                                               {"\n\tb ", QColor()}, {"é", hex("9EE556")}};
    const QByteArray rtf = richtext::rtfFromRuns(runs, "Mono", 12);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_EQ(rtf.count("\\red158\\green229\\blue86;"), 1);
    EXPECT_TRUE(rtf.contains("\\cf1 \"\\{x\\}\""));
    EXPECT_TRUE(rtf.contains("\\par\n\\tab b "));
    EXPECT_TRUE(rtf.contains("\\u233?"));
    EXPECT_TRUE(rtf.endsWith("}"));
    const QString html = richtext::htmlFromRuns(runs, "Mono", 12);
    EXPECT_TRUE(html.contains("<span style=\"color: #9ee556\">&quot;{x}&quot;</span>"));
}
