#include "completion/AutocompleteDelegate.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "analysis/context/CodeContext.h"
#include "compiler/LogMessage.h"
#include "completion/CodeCompletions.h"
#include "completion/CustomWordsCompletions.h"
#include "completion/ImportedLayers.h"
#include "completion/LanguageCompletions.h"
#include "completion/ModuleFilenameCompletions.h"
#include "completion/WordsInCodeCompletions.h"
#include "editor/RBEditorDocument.h"
#include "editor/RBCodeEditViewController.h"
#include "messages/NotificationName.h"

#include <QtGlobal>

AutocompleteDelegate::AutocompleteDelegate(RBCodeEditViewController* codeEditViewController)
    : m_viewController(codeEditViewController),
      m_transpiler(codeEditViewController ? codeEditViewController->transpiler() : nullptr)
{
    if (!codeEditViewController || !codeEditViewController->document())
        qFatal("Document is nil");
    RBEditorDocument* editorDocument = codeEditViewController->document();
    QPointer<QObject> document = editorDocument->documentObject();
    auto projectPath = [document, editorDocument] { return document ? editorDocument->projectPath() : QString(); };
    const QString& refresh = NotificationName::ZelvorRefresh();
    m_importedLayers = std::make_unique<ImportedLayers>(projectPath, refresh);
    m_completionSources.push_back(std::make_unique<CodeCompletions>(m_transpiler));
    m_completionSources.push_back(std::make_unique<ModuleFilenameCompletions>(projectPath, refresh));
    m_completionSources.push_back(std::make_unique<LanguageCompletions>());
    m_completionSources.push_back(std::make_unique<CustomWordsCompletions>());
    m_completionSources.push_back(std::make_unique<WordsInCodeCompletions>(m_transpiler));
    for (const auto& source : m_completionSources)
        m_sourceOrder.append(source.get());
}

AutocompleteDelegate::~AutocompleteDelegate()
{
    LogMessage(QStringLiteral("memory"), 3, QStringLiteral("deinit"));
}

CompletionsProvider& AutocompleteDelegate::completionsProvider()
{
    if (!m_completionsProvider) {
        std::shared_ptr<CodeLines> lines = m_viewController ? m_viewController->sharedLines() : nullptr;
        m_completionsProvider = std::make_unique<CompletionsProvider>(m_transpiler, std::move(lines),
                                                                      m_importedLayers.get(), m_sourceOrder);
    }
    return *m_completionsProvider;
}

void AutocompleteDelegate::reset()
{
    if (m_completionsProvider)
        m_completionsProvider->clearCompletions();
    m_completing = false;
}

void AutocompleteDelegate::complete(QObject*)
{
    if (m_completing)
        return;
    m_completing = true;
    if (m_viewController && m_viewController->codeView())
        m_viewController->codeView()->textView()->complete();
    completionsProvider().clearCompletions();
}

platform::TextRange AutocompleteDelegate::rangeForUserCompletion()
{
    KVCodeView* codeView = m_viewController ? m_viewController->codeView() : nullptr;
    if (!codeView) {
        reset();
        return CompletionsProvider::kNotFoundRange;
    }
    const platform::TextRange range = completionsProvider().rangeForUserCompletionAt(codeView->textView()->selectedRange());
    if (range.isNotFound())
        reset();
    return range;
}

KVAutoCompletionSet AutocompleteDelegate::completionsForPartialWordRange(platform::TextRange range, qsizetype* index)
{
    const CompletionsProvider::Fitting fitting = completionsProvider().completionsForPartialWordRange(range, index);
    if (fitting.completions.isEmpty())
        reset();
    QList<KVAutoCompletion> items;
    items.reserve(fitting.completions.size());
    for (const Completion& c : fitting.completions)
        items.append(KVAutoCompletion(c.text, rawValue(c.type), c.codeTypeID.value_or(QString()), c.isUsedObjectKey));
    KVAutoCompletionSet set;
    set.setCompletions(std::move(items));
    set.setSelection(preselectsFirstCompletion(fitting.context.get()));
    return set;
}

void AutocompleteDelegate::insertCompletion(const QString&, platform::TextRange, qsizetype, bool)
{
    reset();
}
