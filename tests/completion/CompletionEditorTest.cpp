// Completion end to end in the real editor: real keys, real compiles, and a presenter standing
// in for the popup that asks the text view as the popup does and keeps what it was given.
#include "../editor/EditorHarness.h"

#include "autocomplete/KVAutoCompleteController.h"
#include "CodeTextView/KVAutoCompletePresenter.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "completion/AutocompleteDelegate.h"
#include "completion/ImportedLayers.h"
#include "messages/NotificationName.h"
#include "platform/NotificationCenter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

class RecordingPresenter : public KVAutoCompletePresenter {
public:
    void completeForTextView(KVCodeTextView* textView) override
    {
        range = textView->rangeForUserCompletion();
        set = range.isNotFound() ? KVAutoCompletionSet() : textView->completionsForPartialWordRange(range, nullptr);
        visible = !set.completions().isEmpty();
        ++requests;
    }
    void completeEnd(KVCodeTextView*) override { visible = false; }
    bool isPopupVisible() const override { return visible; }

    QStringList words() const
    {
        QStringList list;
        for (const KVAutoCompletion& c : set.completions())
            list.append(c.word());
        return list;
    }
    const KVAutoCompletion* find(const QString& word) const
    {
        for (const KVAutoCompletion& c : set.completions())
            if (c.word() == word)
                return &c;
        return nullptr;
    }

    platform::TextRange range;
    KVAutoCompletionSet set;
    bool visible = false;
    int requests = 0;
};

class CompletionEditorTest : public EditorTest {
protected:
    void SetUp() override
    {
        KVAutoCompletePresenter::setShared(&presenter);
        EditorTest::SetUp();
        project = dir.filePath("Project.zelvor");
        QDir().mkpath(project + "/modules");
        QFile module(project + "/modules/swipeGestures.coffee");
        ASSERT_TRUE(module.open(QIODevice::WriteOnly));
        document->setFileURL(project);
        textView = controller->codeView()->textView();
        delegate = dynamic_cast<AutocompleteDelegate*>(controller->codeView()->autoCompleteDelegate());
        ASSERT_TRUE(delegate) << "the editor completes through the engine";
        platform::NotificationCenter::defaultCenter().post(NotificationName::ZelvorRefresh());
    }
    void TearDown() override
    {
        EditorTest::TearDown();
        KVAutoCompletePresenter::setShared(nullptr);
    }

    // Loads the program (which compiles), puts the caret at its end and types the keys.
    void typeAfter(const QString& program, const QString& keys)
    {
        ASSERT_TRUE(loadCompiled(program));
        textView->setSelectedRange({textView->string().size(), 0});
        const int before = presenter.requests;
        QTest::keyClicks(textView, keys);
        ASSERT_TRUE(testsupport::waitUntil([&] { return presenter.requests > before; }));
    }

    RecordingPresenter presenter;
    QString project;
    KVCodeTextView* textView = nullptr;
    AutocompleteDelegate* delegate = nullptr;
};

} // namespace

TEST_F(CompletionEditorTest, MembersOfALayerAfterItsNameAndADot)
{
    typeAfter("layerA = new Layer\n", "layerA.");
    for (const char* member : {"x", "y", "backgroundColor", "animate"})
        EXPECT_TRUE(presenter.find(member)) << member;
    EXPECT_EQ(presenter.range.length, 0);
    EXPECT_FALSE(presenter.set.selection()) << "nothing typed yet: no row is preselected";
    ASSERT_TRUE(presenter.find("x"));
    EXPECT_EQ(presenter.find("x")->type(), "number");
    EXPECT_EQ(presenter.find("x")->codeTypeID(), "layer.x");

    const int before = presenter.requests;
    QTest::keyClicks(textView, "bA");
    ASSERT_TRUE(testsupport::waitUntil([&] { return presenter.requests > before; }));
    ASSERT_FALSE(presenter.words().isEmpty());
    for (const QString& word : presenter.words())
        EXPECT_TRUE(word.startsWith("ba", Qt::CaseInsensitive)) << word.toStdString();
    EXPECT_TRUE(presenter.find("backgroundColor"));
    EXPECT_TRUE(presenter.set.selection());
}

TEST_F(CompletionEditorTest, KeysConstructorsAndValuesAsTyped)
{
    // Inside the indented literal argument of `new Layer`: keys with ": ", written ones last.
    typeAfter("layerA = new Layer\n  x: 10\n  shadowX: 2\n", "  sh");
    ASSERT_GE(presenter.set.completions().size(), 3);
    const QStringList keys = presenter.words();
    EXPECT_TRUE(keys.first().endsWith(": ")) << keys.first().toStdString();
    ASSERT_TRUE(presenter.find("shadowX: "));
    EXPECT_TRUE(presenter.find("shadowX: ")->isUsedObjectKey());
    EXPECT_GT(keys.indexOf("shadowX: "), keys.indexOf("shadowY: "));
    EXPECT_GT(keys.indexOf("shadowX: "), keys.indexOf("shadowColor: "));

    // After `new `: the library's constructors before JavaScript's own.
    typeAfter("layerA = new Layer\n", "layerB = new ");
    ASSERT_TRUE(presenter.find("Layer"));
    EXPECT_EQ(presenter.find("Layer")->type(), "constructor");
    EXPECT_LT(presenter.words().indexOf("Layer"), presenter.words().indexOf("Object"));

    // After `x = ` with a typed x: what its type allows, then the names in scope.
    typeAfter("layerA = new Layer\nlayerA.states.animationOptions\n", " = ");
    EXPECT_TRUE(presenter.find("curve: "));
    EXPECT_TRUE(presenter.find("time: "));
    EXPECT_TRUE(presenter.find("layerA"));
    EXPECT_LT(presenter.words().indexOf("curve: "), presenter.words().indexOf("layerA"));
}

TEST_F(CompletionEditorTest, CommentsModulesAndImportedLayers)
{
    ASSERT_TRUE(loadCompiled("###\nLayers of the home screen\n###\nx = 1\n"));
    textView->setSelectedRange({4 + 18, 0}); // after "home"
    int before = presenter.requests;
    QTest::keyClicks(textView, " l");
    ASSERT_TRUE(testsupport::waitUntil([&] { return presenter.requests > before; }));
    EXPECT_TRUE(presenter.range.isNotFound()) << "nothing is offered inside a block comment";
    EXPECT_TRUE(presenter.set.completions().isEmpty());

    // The module names are read in the background after the refresh: typed again until they are in.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        typeAfter("x = 1\n", "sw");
        return presenter.find("swipeGestures") != nullptr;
    }, 20000));
    EXPECT_EQ(presenter.find("swipeGestures")->type(), "module");

    // Imported layers arrive with the next refresh.
    QDir().mkpath(project + "/imported/Home@2x");
    QFile layers(project + "/imported/Home@2x/layers.json");
    ASSERT_TRUE(layers.open(QIODevice::WriteOnly));
    layers.write(R"([{"name": "header", "children": [{"name": "menuButton"}]}])");
    layers.close();
    platform::NotificationCenter::defaultCenter().post(NotificationName::ZelvorRefresh());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !delegate->importedLayers().isReading(); }));
    QStringList names = delegate->importedLayers().layerNames().value("\"imported/Home@2x\"");
    names.sort();
    EXPECT_EQ(names, QStringList({"header", "menuButton"}));

    // The library's loader tells completion which import a variable holds.
    for (const QString& load : {"Importer.load", "Zelvor.Importer.load"}) {
        typeAfter("home = " + load + " \"imported/Home@2x\"\n", "home.");
        // The members come with the request at the dot or, when that compile is still running,
        // with the request made again once it ends.
        EXPECT_TRUE(testsupport::waitUntil([&] { return presenter.find("menuButton") != nullptr; }, 10000))
            << load.toStdString() << presenter.words().join(",").toStdString();
    }
}

TEST_F(CompletionEditorTest, SelectionFollowsWhatIsTyped)
{
    typeAfter("layerA = new Layer\nlayerA.x = 1\n", "layerA");
    EXPECT_TRUE(presenter.find("layerA.x")) << "a whole word adds the members of its type";
    EXPECT_FALSE(presenter.set.selection()) << "the typed word is a candidate in full";
    typeAfter("layerA = new Layer\n", "lay");
    EXPECT_FALSE(presenter.set.selection()) << "a name in scope waits for the arrow keys";
    EXPECT_TRUE(presenter.set.tabAcceptsFirst());
    typeAfter("layerA = new Layer\n", "layerB = new La");
    EXPECT_TRUE(presenter.set.selection()) << "a constructor after new";
    typeAfter("layerA = new Layer\n", "layerA.");
    EXPECT_FALSE(presenter.set.selection());
}

namespace {

// The engine's completions in the application's own popup: what the designer sees and touches.
class CompletionPopupTest : public EditorTest {
protected:
    void SetUp() override
    {
        popup = std::make_unique<KVAutoCompleteController>(nullptr);
        KVAutoCompletePresenter::setShared(popup.get());
        EditorTest::SetUp();
        textView = controller->codeView()->textView();
        controller->view()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->view()));
        controller->view()->activateWindow();
        textView->setFocus();
        ASSERT_TRUE(testsupport::waitUntil([&] { return textView->hasFocus(); }));
    }
    void TearDown() override
    {
        EditorTest::TearDown();
        KVAutoCompletePresenter::setShared(nullptr);
        popup.reset();
    }

    // Types as a user does, one key after the other with the popup's reaction in between:
    // "\n" is Return, "\t" Tab, "\x1b" Escape.
    void type(const QString& keys)
    {
        for (const QChar key : keys) {
            if (key == u'\n')
                QTest::keyClick(textView, Qt::Key_Return);
            else if (key == u'\t')
                QTest::keyClick(textView, Qt::Key_Tab);
            else if (key == u'\x1b')
                QTest::keyClick(textView, Qt::Key_Escape);
            else
                QTest::keyClicks(textView, QString(key));
            ASSERT_TRUE(testsupport::waitUntil([&] { return !textView->isAutoCompletePending(); }));
            QCoreApplication::processEvents();
        }
    }
    // Loads the program, puts the caret at its end and types the keys.
    void typeAfter(const QString& program, const QString& keys)
    {
        ASSERT_TRUE(loadCompiled(program));
        textView->setSelectedRange({textView->string().size(), 0});
        type(keys);
    }
    QStringList offered() const
    {
        QStringList words;
        if (popup->isPopupVisible())
            for (const KVAutoCompletion& item : popup->autoCompletionSet().completions())
                words.append(item.word());
        return words;
    }

    std::unique_ptr<KVAutoCompleteController> popup;
    KVCodeTextView* textView = nullptr;
};

TEST_F(CompletionPopupTest, TheEnginesMembersShowInThePopupAndReturnInsertsOneUndoableWord)
{
    ASSERT_TRUE(loadCompiled("layerA = new Layer\n"));
    textView->setSelectedRange({textView->string().size(), 0});
    QTest::keyClicks(textView, "layerA.backgroundC");
    ASSERT_TRUE(testsupport::waitUntil([&] { return popup->isPopupVisible(); }));
    QStringList words;
    for (const KVAutoCompletion& item : popup->autoCompletionSet().completions())
        words.append(item.word());
    ASSERT_FALSE(words.isEmpty());
    EXPECT_EQ(words.first(), "backgroundColor") << words.join(",").toStdString();
    EXPECT_EQ(popup->selectedRow(), 0);
    EXPECT_TRUE(textView->hasFocus()) << "the popup never takes the keyboard";

    QTest::keyClick(textView, Qt::Key_Return);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !popup->isPopupVisible(); }));
    EXPECT_EQ(textView->string(), "layerA = new Layer\nlayerA.backgroundColor");
    EXPECT_EQ(textView->selectedRange().location, textView->string().size());

    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(textView->string(), "layerA = new Layer\nlayerA.backgroundC");
}

TEST_F(CompletionPopupTest, ReturnAfterANumberOrInAStringEndsTheLine)
{
    // Pieces of the colour and of the import path are words of no one's code.
    const QString program = "c = \"#28AFFA\"\nhome = Importer.load \"imported/Home@2x\"\nlayerA = new Layer\n";
    const struct {
        const char* keys;
        const char* line; // the last line once Return went to the editor
    } rows[] = {
        {"layerA.opacity = 0.2\n", "layerA.opacity = 0.2"},
        {"layerA.animate\n  time: 1\n", "  time: 1"},
        {"layerA.x = 2\n", "layerA.x = 2"},
        {"layerA.html = \"bl\n", "layerA.html = \"bl"},
        {"layerB = new Layer\n  fontWeight: \"bo\n", "  fontWeight: \"bo"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keys);
        typeAfter(program, QString::fromLatin1(row.keys));
        const QStringList lines = textView->string().split(u'\n');
        ASSERT_GE(lines.size(), 2);
        // The typing rules close a quote as it opens; the line keeps only what was typed.
        EXPECT_EQ(QString(lines.at(lines.size() - 2)).remove(u'"').trimmed(),
                  QString::fromLatin1(row.line).remove(u'"').trimmed());
        EXPECT_FALSE(popup->isPopupVisible());
    }
    // "0." is a number being written, not a receiver.
    typeAfter(program, "layerA.opacity = 0.");
    EXPECT_FALSE(popup->isPopupVisible()) << offered().join(",").toStdString();
}

TEST_F(CompletionPopupTest, ReturnTakesOnlyWhatTheEngineIsSureOfAndNeverGrowsAWholeWord)
{
    const QString program = "items = [1, 2]\nitemCount = 2\nfor item in items\n  print item\nlayerA = new Layer\n";
    // A whole known name: Return ends the line.
    typeAfter(program, "print item\n");
    EXPECT_TRUE(textView->string().endsWith("print item\n")) << textView->string().toStdString();

    // A word of the code is offered but not preselected: Return ends the line, Tab takes it.
    typeAfter(program + "layerA.zorbleCount = 1\n", "zorb");
    ASSERT_TRUE(testsupport::waitUntil([&] { return popup->isPopupVisible(); }, 5000));
    EXPECT_EQ(popup->selectedRow(), -1);
    type("\n");
    EXPECT_TRUE(textView->string().endsWith("\nzorb\n"));
    typeAfter(program + "layerA.zorbleCount = 1\n", "zorb\t");
    EXPECT_TRUE(textView->string().endsWith("\nzorbleCount")) << textView->string().toStdString();

    // A member is: Return takes it; the arrow keys choose any row.
    typeAfter(program, "layerA.backgroundC\n");
    EXPECT_TRUE(textView->string().endsWith("layerA.backgroundColor"));
    typeAfter(program + "layerA.zorbleCount = 1\n", "zorb");
    QTest::keyClick(textView, Qt::Key_Down);
    type("\n");
    EXPECT_TRUE(textView->string().endsWith("\nzorbleCount"));
}

TEST_F(CompletionPopupTest, MembersOfANewVariableShowOnceItsCompileEnds)
{
    ASSERT_TRUE(loadCompiled("layerA = new Layer\n"));
    textView->setSelectedRange({textView->string().size(), 0});
    // The dot comes while the compile that knows the new variable runs.
    QTest::keyClicks(textView, "box = new Layer");
    QTest::keyClick(textView, Qt::Key_Return);
    CodeTranspiler* transpiler = controller->transpiler();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !transpiler->hasPendingCoffeeScript() && !transpiler->isIdle(); }));
    QTest::keyClicks(textView, "box.");
    ASSERT_TRUE(testsupport::waitUntil([&] { return offered().contains("backgroundColor"); }))
        << offered().join(",").toStdString();
    EXPECT_TRUE(offered().contains("animate"));
    EXPECT_EQ(textView->string(), "layerA = new Layer\nbox = new Layer\nbox.");

    // A popup the user closed stays closed when a later compile ends.
    type("\x1b");
    EXPECT_FALSE(popup->isPopupVisible());
    controller->retranspile();
    testsupport::spin(300);
    EXPECT_FALSE(popup->isPopupVisible());

    // The dangling dot is the program's fault again once the caret leaves it.
    ASSERT_TRUE(testsupport::waitUntil([&] { return transpiler->isIdle(); }));
    const int failures = preview->failures;
    QTest::keyClick(textView, Qt::Key_Left);
    EXPECT_TRUE(testsupport::waitUntil([&] { return preview->failures > failures; }));
}

TEST_F(CompletionPopupTest, CtrlSpaceAsksAndEscapeCloses)
{
    ASSERT_TRUE(loadCompiled("layerA = new Layer\n"));
    textView->setSelectedRange({textView->string().size(), 0});
    QTest::keyClick(textView, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(popup->isPopupVisible()) << "at a line's start too";
    EXPECT_TRUE(offered().contains("layerA"));
    type("\x1b");
    EXPECT_FALSE(popup->isPopupVisible());

    type("layerA.b");
    type("\x1b");
    ASSERT_FALSE(popup->isPopupVisible());
    QTest::keyClick(textView, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(popup->isPopupVisible());
    EXPECT_TRUE(offered().contains("backgroundColor"));
    EXPECT_EQ(textView->string(), "layerA = new Layer\nlayerA.b") << "asking changes nothing";
}

TEST_F(CompletionPopupTest, AfterADotOnlyMembersAfterNewOnlyConstructors)
{
    const QString program = "bars = 1\nbutton = 2\ncards = [new Layer, new Layer]\nlayerA = new Layer\nlayerA.draggable.enabled = true\n";
    const auto expectOnly = [&](const char* keys, const QStringList& wanted, const QStringList& unwanted) {
        SCOPED_TRACE(keys);
        typeAfter(program, QString::fromLatin1(keys));
        const QStringList words = offered();
        for (const QString& word : wanted)
            EXPECT_TRUE(words.contains(word)) << word.toStdString() << ": " << words.join(",").toStdString();
        for (const QString& word : unwanted)
            EXPECT_FALSE(words.contains(word)) << word.toStdString() << ": " << words.join(",").toStdString();
    };
    expectOnly("layerA.b", {"backgroundColor", "blur"}, {"bars", "button", "layerA"});
    expectOnly("Events.", {"TouchEnd", "Click"}, {"if", "in", "on", "layerA"});
    expectOnly("layerB = new T", {}, {"TouchEnd", "TouchStart"});
    expectOnly("layerA.draggable.", {"enabled", "speedX"}, {"layerA", "bars", "draggable"});
    expectOnly("cards.len", {"length"}, {});
    expectOnly("layerA.children.", {"push", "map", "length"}, {});
    expectOnly("layerA.name.", {"length", "toUpperCase"}, {});
    typeAfter(program, "layerA.anim");
    ASSERT_FALSE(offered().isEmpty());
    EXPECT_EQ(offered().first(), "animate");
}

TEST_F(CompletionPopupTest, AnAcceptedKeyKeepsOneBlankAndLeavesNoneAtTheLinesEnd)
{
    const QString program = "layerA = new Layer\nlayerA.animate\n";
    typeAfter(program, "  propert");
    ASSERT_EQ(popup->selectedRow(), 0);
    ASSERT_EQ(offered().value(0), "properties: ");
    type("\n ");
    EXPECT_TRUE(textView->string().endsWith("\n  properties: ")) << textView->string().toStdString();
    type("x");
    EXPECT_TRUE(textView->string().endsWith("\n  properties: x")) << "a second blank is typed as usual";

    typeAfter(program, "  propert\n\n");
    EXPECT_TRUE(textView->string().contains("\n  properties:\n")) << textView->string().toStdString();

    // A word of the code says what it is.
    typeAfter(program + "layerA.zorbleCount = 1\n", "zorb");
    ASSERT_TRUE(popup->isPopupVisible());
    EXPECT_EQ(popup->autoCompletionSet().completions().value(0).type(), "word");
}

} // namespace
