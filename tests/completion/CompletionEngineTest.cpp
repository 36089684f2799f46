// The completion engine over programs compiled by the real compiler and inference script: the
// sources in their order, the provider's range and filter, and the type-driven handlers.
#include "analysis/context/CodeContext.h"
#include "analysis/types/TObject.h"
#include "compiler/CodeTranspiler.h"
#include "completion/CodeCompletions.h"
#include "completion/CompletionsProvider.h"
#include "completion/CustomWordsCompletions.h"
#include "completion/ImportedLayers.h"
#include "completion/LanguageCompletions.h"
#include "completion/ModuleFilenameCompletions.h"
#include "completion/WordsInCodeCompletions.h"
#include "model/CodeLines.h"
#include "platform/NotificationCenter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kRefresh = QStringLiteral("CompletionEngineTestRefresh");

struct Answer {
    platform::TextRange range;
    QList<Completion> completions;
    std::shared_ptr<CodeContext> context;

    QStringList texts() const
    {
        QStringList list;
        for (const Completion& c : completions)
            list.append(c.text);
        return list;
    }
    const Completion* find(const QString& text) const
    {
        for (const Completion& c : completions)
            if (c.text == text)
                return &c;
        return nullptr;
    }
};

class CompletionEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.filePath("modules"));
        QFile module(dir.filePath("modules/tapGestures.coffee"));
        ASSERT_TRUE(module.open(QIODevice::WriteOnly));
        layers = std::make_unique<ImportedLayers>(dir.path(), kRefresh);
        sources.push_back(std::make_unique<CodeCompletions>(&transpiler));
        sources.push_back(std::make_unique<ModuleFilenameCompletions>(dir.path(), kRefresh));
        sources.push_back(std::make_unique<LanguageCompletions>());
        sources.push_back(std::make_unique<CustomWordsCompletions>());
        sources.push_back(std::make_unique<WordsInCodeCompletions>(&transpiler));
        QList<CompletionSource*> order;
        for (const auto& s : sources)
            order.append(s.get());
        provider = std::make_unique<CompletionsProvider>(&transpiler, lines, layers.get(), order);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !modules().isListing(); }));
    }

    ModuleFilenameCompletions& modules() { return static_cast<ModuleFilenameCompletions&>(*sources[1]); }

    // Compiles the program (which must compile) as the last successful compile.
    void compile(const QString& program)
    {
        const auto before = transpiler.lastSuccessfulId();
        transpiler.transpileFromString(program);
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return transpiler.lastSuccessfulId() > before && transpiler.isIdle(); }, 30000))
            << program.toStdString();
    }

    // Asks as the popup does, with the editor holding `live` ("|" marks the caret); the typed
    // word is the range the provider answered.
    Answer request(QString live)
    {
        const qsizetype caret = live.indexOf(u'|');
        live.remove(caret, 1);
        lines->reset(live);
        Answer answer;
        answer.range = provider->rangeForUserCompletionAt({caret, 0});
        if (answer.range.isNotFound())
            return answer;
        const auto fitting = provider->completionsForPartialWordRange(answer.range);
        answer.completions = fitting.completions;
        answer.context = fitting.context;
        return answer;
    }

    QTemporaryDir dir;
    CodeTranspiler transpiler;
    std::shared_ptr<CodeLines> lines = std::make_shared<CodeLines>(QString());
    std::unique_ptr<ImportedLayers> layers;
    std::vector<std::unique_ptr<CompletionSource>> sources;
    std::unique_ptr<CompletionsProvider> provider;
};

} // namespace

TEST_F(CompletionEngineTest, MembersAfterADotNarrowAsTheWordGrows)
{
    compile("layerA = new Layer\n");
    const Answer members = request("layerA = new Layer\nlayerA.|");
    ASSERT_FALSE(members.range.isNotFound());
    EXPECT_EQ(members.range.length, 0);
    for (const char* member : {"x", "y", "backgroundColor", "animate"}) {
        const Completion* c = members.find(member);
        ASSERT_TRUE(c) << member;
        EXPECT_TRUE(c->isObjectKey) << member;
        EXPECT_EQ(c->score, Completion::kResolvedTypeScore);
    }
    EXPECT_EQ(members.find("backgroundColor")->codeTypeID, "layer.backgroundColor");
    EXPECT_FALSE(members.find("if")) << "no keywords after a dot";
    EXPECT_FALSE(preselectsFirstCompletion(members.context.get(), members.completions));

    const Answer narrowed = request("layerA = new Layer\nlayerA.BA|");
    ASSERT_FALSE(narrowed.completions.isEmpty());
    for (const QString& text : narrowed.texts())
        EXPECT_TRUE(text.startsWith("ba", Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_TRUE(narrowed.find("backgroundColor"));
}

TEST_F(CompletionEngineTest, KeysOfAnIndentedLiteralComeWithColonsAndWrittenOnesLast)
{
    const QString program = "layerA = new Layer\n  x: 10\n  scale: 2\n";
    compile(program);
    const Answer keys = request(program + "  s|");
    ASSERT_GE(keys.completions.size(), 3);
    const Completion* scale = keys.find("scale: ");
    ASSERT_TRUE(scale);
    EXPECT_TRUE(scale->isUsedObjectKey);
    EXPECT_TRUE(keys.find("shadowColor: "));
    EXPECT_FALSE(keys.find("shadowColor: ")->isUsedObjectKey);
    // Every unwritten key, then the written one, then the rest.
    const qsizetype scaleAt = keys.texts().indexOf("scale: ");
    for (qsizetype i = 0; i < keys.completions.size(); ++i) {
        const Completion& c = keys.completions[i];
        if (i < scaleAt)
            EXPECT_TRUE(c.isObjectKey && c.text.endsWith(": ") && !c.isUsedObjectKey) << c.text.toStdString();
        if (i > scaleAt)
            EXPECT_FALSE(c.isObjectKey) << c.text.toStdString();
    }
    EXPECT_EQ(keys.find("shadowColor: ")->score, Completion::kResolvedKeyScore);

    // A key of a nested literal: the keys of the type the outer key expects.
    const QString nested = "layerA = new Layer\nlayerA.animate\n  properties:\n    x: 1\n";
    compile(nested);
    const Answer inner = request(nested + "    s|");
    EXPECT_TRUE(inner.find("shadowBlur: "));
    EXPECT_FALSE(inner.find("layer: ")) << "the keys of the animation options are one level out";
}

TEST_F(CompletionEngineTest, ConstructorsAfterNewTheLibrarysFirst)
{
    compile("x = 1\n");
    const Answer ctors = request("x = 1\nlayerB = new |");
    ASSERT_FALSE(ctors.range.isNotFound());
    const QStringList texts = ctors.texts();
    for (const char* name : {"Layer", "Animation", "Color"}) {
        ASSERT_TRUE(ctors.find(name)) << name;
        EXPECT_EQ(ctors.find(name)->type, AutocompleteType::Constructor) << name;
        EXPECT_LT(texts.indexOf(name), texts.indexOf("Object")) << name;
    }
    // "Layer" is also a library word: the type-driven source, asked first, keeps it.
    EXPECT_EQ(ctors.find("Layer")->score, Completion::kInScopeScore);
}

TEST_F(CompletionEngineTest, AfterEqualsTheValuesTheTypeAllows)
{
    const QString program = "layerA = new Layer\nlayerB = new Layer\nanimationA = new Animation\n";
    // As typed: the member compiled, then " = " that does not compile yet.
    compile(program + "layerA.states.animationOptions\n");
    const Answer options = request(program + "layerA.states.animationOptions = |\n");
    ASSERT_FALSE(options.range.isNotFound());
    for (const char* key : {"curve: ", "time: ", "delay: "})
        EXPECT_TRUE(options.find(key)) << key;

    // For a layer, the layers in scope come before other names.
    compile(program + "layerB = l\n");
    const Answer layers = request(program + "layerB = l|\n");
    ASSERT_GE(layers.completions.size(), 3);
    EXPECT_EQ(layers.texts().mid(0, 2), QStringList({"layerA", "layerB"}));
}

TEST_F(CompletionEngineTest, SourcesKeepTheirOrderAndStayQuietInComments)
{
    compile("flag = true\nname = \"trial\"\nflag.trialRun = 1\n");
    const Answer words = request("flag = true\nname = \"trial\"\nflag.trialRun = 1\ntr|");
    const Completion* t = words.find("true");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->type, AutocompleteType::Boolean) << "the keyword list comes before the words in the code";
    ASSERT_TRUE(words.find("trialRun"));
    EXPECT_EQ(words.find("trialRun")->score, Completion::kUserCodeScore);
    EXPECT_FALSE(words.find("trial")) << "the inside of a string is no word of the code";

    const Answer module = request("flag = true\nname = \"trial\"\nta|");
    ASSERT_TRUE(module.find("tapGestures"));
    EXPECT_EQ(module.find("tapGestures")->type, AutocompleteType::Modules);

    compile("###\nA comment about layers\n###\nx = 1\n");
    EXPECT_TRUE(request("###\nA comment about l|\n###\nx = 1\n").range.isNotFound());
    EXPECT_TRUE(request("x = 1 # a comment about l|\n").range.isNotFound());
}

TEST_F(CompletionEngineTest, AStringOffersOnlyTheModulesOfARequireANumberNothing)
{
    const QString program = "c = \"#28AFFA\"\nx = 1\n";
    compile(program);
    EXPECT_EQ(request(program + "gestures = require \"ta|\"").texts(), QStringList{"tapGestures"});
    EXPECT_EQ(request(program + "gestures = require('ta|')").texts(), QStringList{"tapGestures"});
    for (const char* tail : {"name = \"ta|\"", "y = 0.28|", "y = 28|", "y = 0x1F|", "name = \"#{c} 28|"})
        EXPECT_TRUE(request(program + tail).range.isNotFound()) << tail;
}

TEST_F(CompletionEngineTest, ImportedLayerNamesAreMembersOfTheirCollection)
{
    QDir().mkpath(dir.filePath("imported/Home@2x"));
    QFile file(dir.filePath("imported/Home@2x/layers.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"([{"name": "header", "children": [{"name": "menuButton"}]}])");
    file.close();
    platform::NotificationCenter::defaultCenter().post(kRefresh);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !layers->isReading(); }));

    const TypePtr collection = Type::fromAny(QJsonDocument::fromJson(R"([{"id": "object", "asDictOfType": "@Layer",
        "members": {"own": "@number"}, "annotations": {"importedLayersPath": "\"imported/Home@2x\""}}])").array().at(0));
    const Scope& scope = *transpiler.scope();
    for (int round = 0; round < 2; ++round) {
        const MemberTable members = CodeCompletions::getMembersForType(collection, scope, layers.get());
        EXPECT_EQ(QStringList(members.keys()), QStringList({"header", "menuButton", "own"}));
        EXPECT_EQ(members.value("menuButton").type, std::static_pointer_cast<TObject>(collection)->asDictOfType());
    }
    EXPECT_EQ(std::static_pointer_cast<TObject>(collection)->members().size(), 1) << "the type itself is not changed";
}
