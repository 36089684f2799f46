// The editor controller on the edit road with the real compiler front: compile errors and
// run-time errors appear after the update delay, snippets change the text, layers dim the code.

#include "EditorHarness.h"

#include "CodeTextView/KVCodeLayoutManager.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/SyntaxColouring.h"
#include "model/AST_OrArray.h"
#include "model/CodeLines.h"
#include "messages/RBDocumentStateUpdate.h"
#include "editor/BlinkVeil.h"
#include "editor/CodeHighlighter.h"
#include "editor/ErrorButton.h"
#include "editor/RBEditorSettingsViewController.h"
#include "platform/Bundle.h"
#include "platform/Debounce.h"
#include "support/TestSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QFile>
#include <QSet>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include <algorithm>

using platform::TextRange;

namespace {

// A program of `count` layers, two lines each.
QString manyLayers(int count)
{
    QString code;
    for (int i = 0; i < count; ++i)
        code += QStringLiteral("layer%1 = new Layer\n\twidth: %1\n").arg(i);
    return code;
}

QString buttonText(const ErrorButton* button)
{
    QString text;
    for (const auto& run : button->titleRuns())
        text += run.text;
    return text;
}

RBDocumentStateUpdate runtimeError(quint64 line, quint64 column, const QString& message)
{
    RBDocumentStateUpdate update;
    update.setState(RBDocumentStateError);
    update.setType(QStringLiteral("runtime"));
    update.setLineIndex(line);
    update.setColumnIndex(column);
    update.setMessage(message);
    return update;
}

} // namespace

TEST_F(EditorTest, SyntaxErrorShowsOnlyAfterTheUpdateDelayAndFixingItClearsIt)
{
    setUpdateDelay(2.0); // long enough that the compile is surely back before it passes
    KVCodeTextView* text = controller->codeView()->textView();
    ErrorButton* button = controller->errorButton();

    const int failures = preview->failures;
    typeText("box = new Layer\n\twidth: (\n");
    ASSERT_TRUE(testsupport::waitUntil([&] { return preview->failures > failures; }));
    // The failure is known but the user is still within the delay: nothing is shown yet.
    EXPECT_TRUE(controller->currentErrorState().has_value());
    EXPECT_FALSE(controller->showErrors());
    EXPECT_TRUE(text->errors().isEmpty());
    EXPECT_FALSE(button->errorState());
    EXPECT_TRUE(buttonText(button).startsWith("No Errors "));

    ASSERT_TRUE(testsupport::waitUntil([&] { return button->errorState(); }, 6000));
    ASSERT_EQ(text->errors().size(), 1);
    const KVCodeError error = text->errors().first();
    EXPECT_EQ(error.lineIndex(), 2); // 1-based, as the ruler shows it
    EXPECT_GT(error.columnIndex(), 0);
    EXPECT_FALSE(error.message().isEmpty());
    EXPECT_TRUE(error.message().at(0).isUpper());
    // The bar names the line ("Line 2: Unmatched OUTDENT"); the marker shows it by its place.
    EXPECT_EQ(buttonText(button), QStringLiteral("Line 2: ") + error.message());
    EXPECT_EQ(controller->errorInspectorImageName(), "icon-inspect-orange");

    // Fixing the code clears both at once; the compile time shows once the delay has passed.
    const int successes = preview->successes;
    typeText("box = new Layer\n\twidth: 100\n");
    EXPECT_TRUE(text->errors().isEmpty());
    EXPECT_FALSE(button->errorState());
    EXPECT_EQ(controller->errorInspectorImageName(), "icon-console");
    ASSERT_TRUE(testsupport::waitUntil([&] { return preview->successes > successes; }));
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller->showErrors(); }, 6000));
    const qint64 ms = qRound64(controller->transpiler()->duration() * 1000);
    EXPECT_EQ(buttonText(button), QStringLiteral("No Errors %1ms").arg(ms));
    EXPECT_FALSE(button->errorState());
    EXPECT_TRUE(text->errors().isEmpty());
}

TEST_F(EditorTest, EditsMarkTheDocumentChangedButLoadingAProgramDoesNot)
{
    controller->setContent("a = 1");
    EXPECT_FALSE(document->isDocumentEdited());
    typeText("a = 2");
    EXPECT_TRUE(document->isDocumentEdited());
    document->updateChangeCount(platform::Document::ChangeCleared);
    controller->replaceAllText("a = 3");
    EXPECT_TRUE(document->isDocumentEdited());

    // Undoing back to the saved text makes the document unchanged again; redoing changes it.
    document->updateChangeCount(platform::Document::ChangeCleared); // saved
    KVCodeTextView* text = controller->codeView()->textView();
    text->setSelectedRange({text->textLength(), 0});
    QTest::keyClick(text, Qt::Key_B);
    EXPECT_TRUE(document->isDocumentEdited());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text->string(), "a = 3");
    EXPECT_FALSE(document->isDocumentEdited());
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(document->isDocumentEdited());
}

TEST_F(EditorTest, UpdateDelayFollowsTheProjectSettingWithTheDefaultForAbsentOrWrongValues)
{
    setUpdateDelay(QJsonValue::Undefined);
    EXPECT_DOUBLE_EQ(controller->updateDelay(), 0.3);
    setUpdateDelay(QStringLiteral("soon"));
    EXPECT_DOUBLE_EQ(controller->updateDelay(), 0.3);
    setUpdateDelay(QJsonValue(true));
    EXPECT_DOUBLE_EQ(controller->updateDelay(), 0.3);
    setUpdateDelay(0.5);
    EXPECT_DOUBLE_EQ(controller->updateDelay(), 0.5);

    // Absent: errors wait for the default delay after the edit.
    setUpdateDelay(QJsonValue::Undefined);
    controller->replaceAllText("a = 1");
    EXPECT_TRUE(platform::isDebouncePending(controller.get(), "startShowingErrors"));
    EXPECT_FALSE(controller->showErrors());
    EXPECT_TRUE(testsupport::waitUntil([&] { return controller->showErrors(); }, 2000));
}

TEST_F(EditorTest, RefreshSwitchedOffShowsErrorsWithoutWaiting)
{
    setUpdateDelay(-1);
    controller->replaceAllText("x = ->");
    testsupport::spin(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(testsupport::waitUntil([&] { return controller->showErrors(); }, 1000));
    runtimeError(1, 1, "boom").post(document.get());
    EXPECT_TRUE(controller->errorButton()->errorState());
}

TEST_F(EditorTest, DelayWithoutAnyStateShowsTheOkMessageWithZero)
{
    setUpdateDelay(0.05);
    preview.reset(); // nobody reports the compile
    controller->replaceAllText("a = 1");
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller->showErrors(); }, 2000));
    EXPECT_FALSE(controller->currentErrorState().has_value());
    EXPECT_EQ(buttonText(controller->errorButton()), "No Errors 0ms");
    EXPECT_TRUE(controller->codeView()->textView()->errors().isEmpty());
}

// A program too large to read in at once says so while it loads, never "No Errors" for a part
// of it, and then what becomes of it.
TEST_F(EditorTest, ALargeProgramSaysItIsLoadingUntilItIsReadIn)
{
    setUpdateDelay(0.05);
    QString big;
    while (big.size() < 5'000'000)
        big += QStringLiteral("p = new Layer x: 1, y: 2, width: 3, height: 4\n");
    controller->setContent(big);
    ASSERT_TRUE(controller->codeView()->textView()->isLoading());
    EXPECT_EQ(buttonText(controller->errorButton()), "Loading\u2026");
    testsupport::spin(200);
    if (controller->codeView()->textView()->isLoading())
        EXPECT_EQ(buttonText(controller->errorButton()), "Loading\u2026");
    ASSERT_TRUE(testsupport::waitUntil([&] { return !controller->codeView()->textView()->isLoading(); }, 60000));
    EXPECT_TRUE(testsupport::waitUntil([&] { return buttonText(controller->errorButton()).contains("too large"); }, 10000))
        << buttonText(controller->errorButton()).toStdString();
}

TEST_F(EditorTest, RuntimeErrorsFromThePreviewAppearTheSameWayAndEmptyMessagesStillSaySomething)
{
    setUpdateDelay(0.05);
    preview.reset();
    controller->replaceAllText("a = 1\nb = 2\nc = undefinedThing + 1\n");
    // Posted before the delay: kept, shown once it passes.
    runtimeError(3, 5, "undefinedThing is not defined").post(document.get());
    EXPECT_TRUE(controller->codeView()->textView()->errors().isEmpty());
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller->errorButton()->errorState(); }, 2000));
    const KVCodeError error = controller->codeView()->textView()->errors().value(0);
    EXPECT_EQ(error.lineIndex(), 3);
    EXPECT_EQ(error.columnIndex(), 5);
    EXPECT_EQ(error.message(), "UndefinedThing is not defined");

    // After the delay each update shows at once; an empty message gets a generic text.
    runtimeError(2, 1, "").post(document.get());
    EXPECT_EQ(buttonText(controller->errorButton()), "Line 2: Unknown runtime error");
    EXPECT_EQ(controller->codeView()->textView()->errors().value(0).message(), "Unknown runtime error");

    runtimeError(3, 1, "late").post(document.get());
    EXPECT_TRUE(controller->errorButton()->errorState());

    // Updates for another document are not ours.
    RBDocument other;
    runtimeError(1, 1, "elsewhere").post(&other);
    EXPECT_EQ(buttonText(controller->errorButton()), "Line 3: Late");
}

TEST_F(EditorTest, ANoticeAboutTheProjectStaysUntilClickedAndYieldsToErrorsOfTheProgram)
{
    setUpdateDelay(-1);
    controller->replaceAllText("a = 1\n");
    RBDocumentStateUpdate notice;
    notice.setState(RBDocumentStateError);
    notice.setType(RBDocumentStateUpdate::projectNoticeType());
    notice.setMessage("The settings file is not JSON.");
    notice.post(document.get());
    ASSERT_TRUE(testsupport::waitUntil([&] { return buttonText(controller->errorButton()) == "The settings file is not JSON."; }, 5000))
        << buttonText(controller->errorButton()).toStdString();

    // A run of the program that succeeds does not make it go.
    RBDocumentStateUpdate ok;
    ok.setState(RBDocumentStateOk);
    ok.post(document.get());
    EXPECT_EQ(buttonText(controller->errorButton()), "The settings file is not JSON.");
    EXPECT_TRUE(controller->codeView()->textView()->errors().isEmpty()) << "a notice marks no line";

    // An error of the program comes first; the notice is back once the error is gone.
    runtimeError(1, 1, "boom").post(document.get());
    EXPECT_TRUE(testsupport::waitUntil([&] { return buttonText(controller->errorButton()) == "Line 1: Boom"; }, 5000))
        << buttonText(controller->errorButton()).toStdString();
    ok.post(document.get());
    EXPECT_EQ(buttonText(controller->errorButton()), "The settings file is not JSON.");

    controller->errorButton()->click();
    EXPECT_TRUE(buttonText(controller->errorButton()).startsWith("No Errors")) << buttonText(controller->errorButton()).toStdString();
}

TEST_F(EditorTest, ACompileErrorOfTextEditedMeanwhileIsNotMarkedOnItsOldLine)
{
    setUpdateDelay(-1); // errors show without waiting
    KVCodeTextView* text = controller->codeView()->textView();
    const int failures = preview->failures;
    controller->setContent("a = 1\nb = (\n");
    ASSERT_TRUE(testsupport::waitUntil([&] { return preview->failures > failures && !text->errors().isEmpty(); }));
    ASSERT_EQ(text->errors().value(0).lineIndex(), 2);

    // A line is added on top while the old text still compiles: its failure arrives only now.
    const int failuresBefore = preview->failures;
    controller->replaceAllText("\na = 1\nb = (\n");
    ASSERT_TRUE(controller->transpiler()->hasPendingCoffeeScript());
    RBDocumentStateUpdate stale;
    stale.setState(RBDocumentStateError);
    stale.setType(QStringLiteral("syntax"));
    stale.setMessage(QStringLiteral("missing )"));
    stale.setLineIndex(2);
    stale.setColumnIndex(5);
    stale.post(document.get());
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller->showErrors(); }, 1000));
    for (const KVCodeError& error : text->errors())
        EXPECT_NE(error.lineIndex(), 2);

    // The compile of the text as it is marks the error where it is now.
    ASSERT_TRUE(testsupport::waitUntil([&] { return preview->failures > failuresBefore && !text->errors().isEmpty(); }));
    EXPECT_EQ(text->errors().value(0).lineIndex(), 3);
}

TEST_F(EditorTest, ClickingTheErrorScrollsToItsLine)
{
    setUpdateDelay(-1);
    preview.reset();
    QString code;
    for (int i = 0; i < 300; ++i)
        code += QStringLiteral("line%1 = %1\n").arg(i);
    controller->setContent(code);
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller->showErrors(); }, 2000));
    KVCodeTextView* text = controller->codeView()->textView();
    EXPECT_EQ(text->visibleRange().location, 0);
    controller->clickedOnErrorDescription(); // no error: nothing happens
    EXPECT_FALSE(controller->codeView()->isScrollAnimating());

    runtimeError(251, 1, "line250 is wrong").post(document.get()); // 1-based line 251 is line250
    ASSERT_TRUE(controller->errorButton()->errorState());
    QTest::mouseClick(controller->errorButton(), Qt::LeftButton, {}, QPoint(4, 4));
    const qsizetype target = code.indexOf("line250 =");
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const TextRange visible = text->visibleRange();
        return !controller->codeView()->isScrollAnimating() && visible.location <= target && visible.end() > target;
    }, 3000));
}

TEST_F(EditorTest, CopyPutsTheColouredTextOnTheClipboardAndSettingsOpenOnce)
{
    controller->setContent("title = \"Hi\" # greet\n");
    controller->codeView()->updateSyntaxColoring();
    controller->highlightLayer(""); // dimming is display only: the copy keeps the real colours
    controller->copyToPasteBoard();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->text(), controller->content());
    const QByteArray rtf = mime->data("text/rtf");
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.contains("\\red158\\green229\\blue86;")) << rtf.toStdString(); // strings
    EXPECT_TRUE(rtf.contains("\\red98\\green98\\blue98;")) << rtf.toStdString();   // comments
    const QColor dimmedString = CodeHighlighter::colorToGrayScale(QColor("#9EE556"));
    EXPECT_FALSE(rtf.contains(QStringLiteral("\\red%1\\green%1").arg(dimmedString.red()).toLatin1()));

    controller->showEditorSettings(controller->editorSettingsButton());
    RBEditorSettingsViewController* settings = controller->editorSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->document(), document.get());
    EXPECT_TRUE(settings->window()->isVisible());
    settings->window()->grab().save(QDir::temp().filePath("editorctl-settings.png"));
    controller->showEditorSettings(controller->editorSettingsButton()); // shown: nothing new
    EXPECT_EQ(controller->editorSettings(), settings);
    settings->window()->close();
    testsupport::waitUntil([&] { return !controller->editorSettings(); }, 1000);
    controller->showEditorSettings(nullptr);
    EXPECT_NE(controller->editorSettings(), nullptr);
}

// --- snippets

TEST_F(EditorTest, SnippetCounterGivesEmptyThenOneThenTwo)
{
    const QVariantMap context{{"imageName", "photo.png"}, {"width", "320"}, {"height", "240"}};
    const auto first = controller->renderSnippetNamed("DropImage", context);
    const auto second = controller->renderSnippetNamed("DropImage", context);
    const auto third = controller->renderSnippetNamed("DropImage", context);
    ASSERT_TRUE(first && second && third);
    EXPECT_TRUE(first->contains("image = new Layer"));
    EXPECT_TRUE(second->contains("image1 = new Layer"));
    EXPECT_TRUE(third->contains("image2 = new Layer"));
    EXPECT_TRUE(first->contains("width: 320"));
    EXPECT_TRUE(first->contains("image: \"images/photo.png\""));
    // Each name counts on its own.
    const auto video = controller->renderSnippetNamed("DropVideo", {{"videoName", "a.mp4"}, {"width", "1"}, {"height", "2"}});
    ASSERT_TRUE(video);
    EXPECT_TRUE(video->contains("video = new Layer"));
}

TEST_F(EditorTest, SnippetsInsertAtTheEndAfterANewlineOrOnTopUndoably)
{
    setUpdateDelay(0.05);
    controller->setContent("a = 1");
    KVCodeTextView* text = controller->codeView()->textView();
    ASSERT_TRUE(controller->insertSnippetNamed("DropImage", {{"imageName", "p.png"}, {"width", "10"}, {"height", "20"}}, false));
    const QString afterEnd = controller->content();
    EXPECT_TRUE(afterEnd.startsWith("a = 1\n# The image \"p.png\""));
    ASSERT_TRUE(controller->insertSnippetNamed("DropModule", {{"moduleName", "myModule"}}, true));
    EXPECT_TRUE(controller->content().startsWith("myModule = require \"myModule\"\na = 1\n"));
    // The insertion runs the edit road: it is compiled like typing.
    EXPECT_TRUE(controller->transpiler()->hasPendingCoffeeScript() || !controller->transpiler()->isIdle()
                || controller->transpiler()->lastId() >= 0);
    text->undo();
    EXPECT_EQ(controller->content(), afterEnd);
    text->undo();
    EXPECT_EQ(controller->content(), "a = 1");
}

TEST_F(EditorTest, ACheckSnippetAlreadyInTheTextPreventsTheInsertionButStillCounts)
{
    const QVariantMap context{{"appName", "Sketch"}, {"docName", "Mobile"}, {"variableName", "sketch"},
                              {"scale", "2"}, {"scaleComment", " (sizes and positions are scaled 1:2)"}};
    controller->setContent("a = 1");
    ASSERT_TRUE(controller->insertSnippetNamed("ImportSuccess", context, "ImportSuccessReplace", true));
    const QString once = controller->content();
    EXPECT_TRUE(once.contains("Zelvor.Importer.load \"imported/Mobile@2x\""));
    EXPECT_TRUE(once.contains("imported from Sketch (sizes and positions are scaled 1:2)"));
    EXPECT_FALSE(controller->insertSnippetNamed("ImportSuccess", context, "ImportSuccessReplace", true));
    EXPECT_EQ(controller->content(), once);
    EXPECT_EQ(controller->snippetCounter().value("ImportSuccessReplace"), 2);
    EXPECT_EQ(controller->snippetCounter().value("ImportSuccess"), 1);
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(EditorTest, MissingOrBrokenSnippetsLeaveTheTextAndSaySo)
{
    controller->setContent("keep = 1");
    EXPECT_FALSE(controller->insertSnippetNamed("NoSuchSnippet", {}, false));
    EXPECT_EQ(controller->content(), "keep = 1");
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().contains("NoSuchSnippet")) << alerts.first().toStdString();

    // A resources folder whose snippet has an unclosed section.
    QTemporaryDir resources;
    QDir().mkpath(resources.filePath("Snippets"));
    QFile broken(resources.filePath("Snippets/Broken.coffee"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{{#open}} never closed");
    broken.close();
    const QByteArray saved = qgetenv("ZELVOR_RESOURCES");
    qputenv("ZELVOR_RESOURCES", resources.path().toUtf8());
    platform::Bundle::main().reload();
    QString error;
    EXPECT_FALSE(controller->renderSnippetNamed("Broken", {}, &error).has_value());
    EXPECT_TRUE(error.contains("Broken")) << error.toStdString();
    EXPECT_FALSE(controller->insertSnippetNamed("Broken", {}, true));
    // A check snippet that does not render inserts nothing either.
    EXPECT_FALSE(controller->insertSnippetNamed("Broken", {}, "Broken", true));
    qputenv("ZELVOR_RESOURCES", saved);
    platform::Bundle::main().reload();
    EXPECT_EQ(controller->content(), "keep = 1");
    EXPECT_EQ(alerts.size(), 3);
}

// --- layer dimming

namespace {

// The type hashes of the nodes of the last compile, with the nodes that carry each.
QMap<QString, QList<ASTNodePtr>> nodesByHash(const ASTNodePtr& root)
{
    QMap<QString, QList<ASTNodePtr>> map;
    std::function<void(const ASTNodePtr&)> walk = [&](const ASTNodePtr& node) {
        if (!node)
            return;
        if (node->typeHash() && node->parent())
            map[*node->typeHash()].append(node);
        for (qsizetype i = 0; i < node->count(); ++i)
            walk(node->getChild(i));
    };
    walk(root);
    return map;
}

bool dimmedAt(RBCodeEditViewController* c, qsizetype location)
{
    return c->codeView()->textView()->layoutManager()->temporaryAttributesAtCharacterIndex(location).contains("dimmed");
}

} // namespace

TEST_F(EditorTest, HoveringALayerDimsAllButItsLinesAndUnhoveringRestoresTheColours)
{
    const QString code = "first = new Layer\n\twidth: 10\n\nother = 5\n\nsecond = new Layer\n\twidth: 20\n\theight: 30\n";
    ASSERT_TRUE(loadCompiled(code));
    KVCodeTextView* text = controller->codeView()->textView();
    KVCodeLayoutManager* layout = text->layoutManager();
    controller->codeView()->updateSyntaxColoring();
    QList<QColor> before;
    for (qsizetype i = 0; i < code.size(); ++i)
        before << layout->colourAt(i);

    const auto byHash = nodesByHash(controller->transpiler()->ast());
    // The hash of the first layer's "new Layer" value: the node that starts at line 0, column 8.
    QString hash;
    for (auto it = byHash.cbegin(); it != byHash.cend(); ++it)
        for (const auto& node : it.value())
            if (node->location()->firstLine() == 0 && node->location()->firstColumn() == 8 && node->location()->lastLine() >= 1)
                hash = it.key();
    ASSERT_FALSE(hash.isEmpty());

    const QList<TextRange> ranges = controller->highlightLayer(hash);
    ASSERT_FALSE(ranges.isEmpty());
    // Whole lines: the first layer's two lines.
    EXPECT_EQ(ranges.first().location, 0);
    EXPECT_EQ(ranges.first().end(), code.indexOf("\n\n"));
    for (const TextRange& r : ranges)
        for (qsizetype i = r.location; i < r.end(); ++i)
            ASSERT_FALSE(dimmedAt(controller.get(), i)) << i;
    const qsizetype otherAt = code.indexOf("other");
    EXPECT_TRUE(dimmedAt(controller.get(), otherAt));
    EXPECT_TRUE(dimmedAt(controller.get(), code.indexOf("second")));
    // Dimmed text is drawn in the grey of its own colour.
    const QColor base = before[otherAt].isValid() ? before[otherAt] : QColor(Qt::white);
    EXPECT_EQ(layout->colourAt(otherAt).rgba(), CodeHighlighter::colorToGrayScale(base).rgba());
    EXPECT_EQ(layout->colourAt(0), before[0]);
    controller->view()->grab().save(QDir::temp().filePath("editorctl-dimmed.png"));

    // A recolouring removes the marks; the controller dims again.
    controller->codeView()->updateSyntaxColoring();
    layout->setColours(syntax::colourRange(text->string(), {0, text->textLength()}),
                       QHash<QString, QTextCharFormat>());
    EXPECT_FALSE(dimmedAt(controller.get(), otherAt));
    controller->highlighter()->redraw();
    EXPECT_TRUE(dimmedAt(controller.get(), otherAt));
    controller->codeView()->updateSyntaxColoring();

    // The mouse entering the code (or any edit or selection) restores everything.
    controller->unhighlightLayer();
    for (qsizetype i = 0; i < code.size(); ++i)
        ASSERT_FALSE(dimmedAt(controller.get(), i)) << i;
    EXPECT_FALSE(controller->highlightedRanges().has_value());
    EXPECT_FALSE(controller->highlighter()->highlightedLayerHash().has_value());

    // The empty hash dims everything and answers nothing; an unknown one the same.
    EXPECT_TRUE(controller->highlightLayer("").isEmpty());
    EXPECT_TRUE(dimmedAt(controller.get(), 0));
    EXPECT_TRUE(controller->highlightLayer("#no-such-hash").isEmpty());
    EXPECT_TRUE(dimmedAt(controller.get(), code.size() - 2));
    QTextCursor cursor(text->document());
    cursor.setPosition(3);
    text->setTextCursor(cursor); // a selection change undims
    EXPECT_FALSE(dimmedAt(controller.get(), 0));
}

TEST_F(EditorTest, CaretMovesAndTypingWithNothingDimmedLeaveTheLaidOutTextAlone)
{
    // Every caret move and every edit undims; with nothing dimmed that must not lay out the
    // whole program again, or typing in a long program lags.
    const QString code = manyLayers(200);
    ASSERT_TRUE(loadCompiled(code));
    KVCodeTextView* text = controller->codeView()->textView();
    QTest::qWait(20);

    qsizetype relaidOut = 0;
    QObject::connect(text->document()->documentLayout(), &QAbstractTextDocumentLayout::update, text,
                     [&](const QRectF&) { ++relaidOut; });
    for (int i = 0; i < 5; ++i)
        text->setSelectedRange({i * 40, 0});
    EXPECT_EQ(relaidOut, 0);

    // Dimming and undimming still lay out what they change.
    controller->highlightLayer(QString());
    EXPECT_TRUE(dimmedAt(controller.get(), code.size() - 3));
    relaidOut = 0;
    text->setSelectedRange({5, 0});
    EXPECT_GT(relaidOut, 0);
    EXPECT_FALSE(dimmedAt(controller.get(), code.size() - 3));
    relaidOut = 0;
    text->setSelectedRange({9, 0});
    EXPECT_EQ(relaidOut, 0);
}

TEST_F(EditorTest, PointingFromOneLayerToAnotherLaysOutOnlyTheLinesOfTheTwoLayers)
{
    // The layer panel dims at every move of the pointer: laying out the whole program each time
    // made hovering lag in long programs.
    const QString code = manyLayers(200);
    ASSERT_TRUE(loadCompiled(code));
    QTextDocument* doc = controller->codeView()->textView()->document();
    const int undoSteps = doc->availableUndoSteps();
    const bool modified = doc->isModified();

    const auto byHash = nodesByHash(controller->transpiler()->ast());
    const auto linesOf = [&](const QString& hash) {
        QSet<int> lines;
        for (const auto& node : byHash.value(hash))
            for (int line = node->location()->firstLine(); line <= node->location()->lastLine(); ++line)
                lines.insert(line);
        return lines;
    };
    QString top; // a layer near the top and one near the end, each made on a few lines
    QString bottom;
    for (auto it = byHash.cbegin(); it != byHash.cend(); ++it) {
        const QSet<int> lines = linesOf(it.key());
        if (lines.isEmpty() || lines.size() > 4)
            continue;
        if (top.isEmpty() && *std::max_element(lines.cbegin(), lines.cend()) < 10)
            top = it.key();
        if (bottom.isEmpty() && *std::min_element(lines.cbegin(), lines.cend()) >= 300)
            bottom = it.key();
    }
    ASSERT_FALSE(top.isEmpty());
    ASSERT_FALSE(bottom.isEmpty());

    const auto layOutAll = [&] {
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            doc->documentLayout()->blockBoundingRect(block);
    };
    const auto relaidOut = [&] {
        QSet<int> lines;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            if (block.length() > 1 && block.layout()->lineCount() == 0)
                lines.insert(block.blockNumber());
        return lines;
    };
    // Laid out again: every line whose look changed, and no other but the two lines after one
    // (the text layout takes a change as reaching a little into what follows).
    const auto expectLaidOutAgain = [&](const QSet<int>& changed) {
        const QSet<int> laidOut = relaidOut();
        for (const int line : changed)
            EXPECT_TRUE(laidOut.contains(line)) << line;
        for (const int line : laidOut)
            EXPECT_TRUE(changed.contains(line) || changed.contains(line - 1) || changed.contains(line - 2)) << line;
    };
    // Every line but those given is dimmed, as much as before pointing moved.
    const auto expectDimmedAllBut = [&](const QSet<int>& lit) {
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            if (block.length() > 1)
                ASSERT_EQ(dimmedAt(controller.get(), block.position()), !lit.contains(block.blockNumber()))
                    << block.blockNumber();
    };

    controller->highlightLayer(top);
    expectDimmedAllBut(linesOf(top));
    layOutAll();
    ASSERT_TRUE(relaidOut().isEmpty());

    controller->highlightLayer(bottom);
    expectDimmedAllBut(linesOf(bottom));
    expectLaidOutAgain(linesOf(top) | linesOf(bottom));

    layOutAll();
    controller->highlightLayer(bottom);
    expectDimmedAllBut(linesOf(bottom));
    EXPECT_TRUE(relaidOut().isEmpty());

    // Undimming touches the dimmed lines only.
    controller->unhighlightLayer();
    QSet<int> dimmed;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        EXPECT_FALSE(dimmedAt(controller.get(), block.position()));
        if (block.length() > 1 && !linesOf(bottom).contains(block.blockNumber()))
            dimmed.insert(block.blockNumber());
    }
    expectLaidOutAgain(dimmed);
    // Dimming is drawing only: nothing to undo, nothing to save.
    EXPECT_EQ(doc->availableUndoSteps(), undoSteps);
    EXPECT_EQ(doc->isModified(), modified);
}

TEST_F(EditorTest, DimmingAfterAFailedCompileStaysWithinTheCurrentText)
{
    const QString code = "a = new Layer\n\twidth: 10\n\nb = new Layer\n\twidth: 20\n\theight: 30\n\tx: 40\n";
    ASSERT_TRUE(loadCompiled(code));
    const auto byHash = nodesByHash(controller->transpiler()->ast());
    QString lastHash; // a hash whose nodes lie at the end of the compiled text
    int lastLine = -1;
    for (auto it = byHash.cbegin(); it != byHash.cend(); ++it)
        for (const auto& node : it.value())
            if (node->location()->lastLine() > lastLine) {
                lastLine = node->location()->lastLine();
                lastHash = it.key();
            }
    ASSERT_FALSE(lastHash.isEmpty());

    // A much shorter text that does not compile: the last success still describes the long one.
    const int failures = preview->failures;
    controller->replaceAllText("a = (");
    ASSERT_TRUE(testsupport::waitUntil([&] { return preview->failures > failures; }));
    const qsizetype length = controller->codeView()->textView()->textLength();
    const QList<TextRange> ranges = controller->highlightLayer(lastHash);
    for (const TextRange& r : ranges) {
        EXPECT_GE(r.location, 0);
        EXPECT_LE(r.end(), length);
    }
    controller->unhighlightLayer();
    for (qsizetype i = 0; i < length; ++i)
        EXPECT_FALSE(dimmedAt(controller.get(), i));
}

TEST_F(EditorTest, ScrollToNextHighlightBlinksWithoutCodeAndStaysWhenAllIsVisible)
{
    const int successes = preview->successes;
    controller->setContent("a = new Layer\n");
    ASSERT_TRUE(testsupport::waitUntil([&] { return preview->successes > successes; }));
    controller->scrollToNextHighlight("#nothing");
    EXPECT_TRUE(controller->blinkVeil()->isVisible());
    EXPECT_GT(controller->blinkVeil()->opacity(), 0.0);
    EXPECT_TRUE(testsupport::waitUntil([&] { return !controller->blinkVeil()->isVisible(); }, 2000));

    // Everything visible: the view does not move.
    const auto byHash = nodesByHash(controller->transpiler()->ast());
    ASSERT_FALSE(byHash.isEmpty());
    controller->scrollToNextHighlight(byHash.firstKey());
    EXPECT_FALSE(controller->codeView()->isScrollAnimating());
}

TEST(OutOfSightHighlights, SplitsRangesAboveAndBelowTheVisibleOneKeepingTheirOrder)
{
    const QList<TextRange> ranges = {{500, 10}, {0, 5}, {90, 30}, {150, 2}, {40, 10}, {10, 200}};
    QList<TextRange> above, below;
    RBCodeEditViewController::calculateOutOfSightHighlights(ranges, {50, 60}, &above, &below);
    EXPECT_EQ(above, (QList<TextRange>{{0, 5}, {40, 10}, {10, 200}}));
    EXPECT_EQ(below, (QList<TextRange>{{500, 10}, {90, 30}, {150, 2}, {10, 200}}));
}

// --- editor bar

TEST_F(EditorTest, LayerPanelToggleOpensAtTheRememberedPositionOrWidthLess200)
{
    QSplitter split;
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.resize(1000, 300);
    split.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
    split.setSizes({1000, 0});
    controller->setCodeEditSplitView(&split);
    EXPECT_TRUE(controller->isLayerPanelCollapsed());
    EXPECT_EQ(controller->layerInspectorImageName(), "icon-layers-off");

    controller->toggleLayerPanel();
    EXPECT_TRUE(controller->layerInspectorIsAnimating());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !controller->layerInspectorIsAnimating(); }));
    EXPECT_NEAR(split.sizes().first(), 800, 2);
    EXPECT_FALSE(controller->isLayerPanelCollapsed());
    EXPECT_EQ(controller->layerInspectorImageName(), "icon-layers-on");

    split.setSizes({700, 300 - split.handleWidth()});
    controller->toggleLayerPanel(); // closes, remembering 700
    ASSERT_TRUE(testsupport::waitUntil([&] { return !controller->layerInspectorIsAnimating(); }));
    EXPECT_TRUE(controller->isLayerPanelCollapsed());
    EXPECT_NEAR(controller->lastLayerPanelSplitPosition(), 700, 2);
    controller->toggleLayerPanel();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !controller->layerInspectorIsAnimating(); }));
    EXPECT_NEAR(split.sizes().first(), 700, 2);

    // The window shrank below the remembered position: width - 200 again.
    controller->toggleLayerPanel();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !controller->layerInspectorIsAnimating(); }));
    split.resize(600, 300);
    QCoreApplication::processEvents();
    split.setSizes({600, 0});
    controller->toggleLayerPanel();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !controller->layerInspectorIsAnimating(); }));
    EXPECT_NEAR(split.sizes().first(), 400, 2);
}

namespace {
class InspectablePreview : public QObject, public RBDocumentPreview {
public:
    int toggles = 0;
    void reload(RBDocument*) override {}
    void updateDevice() override {}
    void orientationChanged() override {}
    void evaluateCoffeeScript(const QString&, EvaluationHandler) override {}
    void toggleInspector() override { ++toggles; }
};
} // namespace

TEST_F(EditorTest, TheInspectorButtonTogglesThePreviewsInspector)
{
    InspectablePreview inspectable;
    document->attachPreview(&inspectable);
    controller->errorInspectorButton()->click();
    EXPECT_EQ(inspectable.toggles, 1);
    int handled = 0;
    controller->setToggleInspectorHandler([&] { ++handled; });
    controller->errorInspectorButton()->click();
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(inspectable.toggles, 1);
}

TEST_F(EditorTest, ScreenshotOfTheEditorWithItsBar)
{
    setUpdateDelay(0.05);
    preview.reset();
    controller->setContent("card = new Layer\n\twidth: 200\n\theight: 200\n\nbroken = card.nope()\n");
    runtimeError(5, 15, "card.nope is not a function").post(document.get());
    ASSERT_TRUE(testsupport::waitUntil([&] { return controller->errorButton()->errorState(); }, 2000));
    controller->codeView()->updateSyntaxColoring();
    testsupport::spin(50);
    const QImage image = controller->view()->grab().toImage();
    EXPECT_EQ(image.width(), 720);
    image.save(QDir::temp().filePath("editorctl-editor.png"));
    // The bar is drawn: its background is dark, and the error text's yellow is in it.
    const int barTop = image.height() - 26;
    bool yellow = false;
    for (int x = 0; x < image.width() && !yellow; ++x)
        for (int y = barTop; y < image.height() && !yellow; ++y) {
            const QColor c = image.pixelColor(x, y);
            yellow = c.red() > 200 && c.green() > 150 && c.blue() < 100;
        }
    EXPECT_TRUE(yellow);
}
