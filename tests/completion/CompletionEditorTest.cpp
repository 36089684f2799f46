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

    typeAfter("x = 1\n", "sw");
    ASSERT_TRUE(presenter.find("swipeGestures"));
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
        EXPECT_TRUE(presenter.find("menuButton")) << load.toStdString() << presenter.words().join(",").toStdString();
    }
}

TEST_F(CompletionEditorTest, SelectionFollowsWhatIsTyped)
{
    typeAfter("layerA = new Layer\nlayerA.x = 1\n", "layerA");
    EXPECT_TRUE(presenter.find("layerA.x")) << "a whole word adds the members of its type";
    EXPECT_FALSE(presenter.set.selection()) << "the typed word is a candidate in full";
    typeAfter("layerA = new Layer\n", "lay");
    EXPECT_TRUE(presenter.set.selection());
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

} // namespace
