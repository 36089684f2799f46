#include "completion/AutocompleteDelegate.h"

#include "CodeTextView/KVAutoCompletePresenter.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "analysis/context/CodeContext.h"
#include "analysis/context/CodeScanner.h"
#include "compiler/CodeTranspiler.h"
#include "compiler/LogMessage.h"
#include "completion/CodeCompletions.h"
#include "completion/CustomWordsCompletions.h"
#include "completion/ImportedLayers.h"
#include "completion/LanguageCompletions.h"
#include "completion/ModuleFilenameCompletions.h"
#include "completion/WordsInCodeCompletions.h"
#include "messages/NotificationName.h"

#include <QPointer>
#include <QtGlobal>

AutocompleteDelegate::AutocompleteDelegate(AutocompleteEditor* editor)
    : m_transpiler(editor ? editor->completionTranspiler() : nullptr)
{
    if (!editor || !editor->completionDocument())
        qFatal("Document is nil");
    m_editor.attach(editor->editorObject(), editor);
    QPointer<QObject> document = editor->completionDocument();
    const platform::AttachedInterface<AutocompleteEditor> weakEditor = m_editor;
    auto projectPath = [document, weakEditor] {
        return document && weakEditor ? weakEditor->completionProjectPath() : QString();
    };
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
        std::shared_ptr<CodeLines> lines = m_editor ? m_editor->completionLines() : nullptr;
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
    if (m_lastRequest)
        m_lastRequest->answered = false;
}

void AutocompleteDelegate::complete(QObject*)
{
    if (m_completing)
        return;
    m_completing = true;
    if (KVCodeView* codeView = m_editor ? m_editor->completionCodeView() : nullptr)
        codeView->textView()->complete();
    completionsProvider().clearCompletions();
}

void AutocompleteDelegate::compileSucceeded()
{
    KVCodeView* codeView = m_editor ? m_editor->completionCodeView() : nullptr;
    KVAutoCompletePresenter* presenter = KVAutoCompletePresenter::shared();
    if (!codeView || !presenter || !m_lastRequest)
        return;
    KVCodeTextView* textView = codeView->textView();
    // A keystroke's own request is on its way, and another editor's popup is not this one's.
    if (textView->isReadOnly() || !textView->hasFocus() || textView->isAutoCompletePending())
        return;
    const platform::TextRange selection = textView->selectedRange();
    if (selection.length != 0 || selection.location != m_lastRequest->cursor
        || textView->document()->revision() != m_lastRequest->revision)
        return;
    // A popup the user closed stays closed.
    if (m_lastRequest->answered && !presenter->isPopupVisible())
        return;
    textView->complete();
}

void AutocompleteDelegate::compileFailed()
{
    KVCodeView* codeView = m_editor ? m_editor->completionCodeView() : nullptr;
    // A newer text is on its way: its own compile answers.
    if (!codeView || !m_transpiler || m_transpiler->hasPendingCoffeeScript())
        return;
    KVCodeTextView* textView = codeView->textView();
    const platform::TextRange selection = textView->selectedRange();
    const int revision = textView->document()->revision();
    if (textView->isReadOnly() || !textView->hasFocus() || selection.length != 0 || revision == m_compiledWithoutDot)
        return;
    const QString text = textView->string();
    const qsizetype dot = selection.location - 1;
    if (dot <= 0 || dot >= text.size() || nameChainBefore(text, dot).names.isEmpty())
        return;
    m_compiledWithoutDot = revision;
    m_droppedDot = dot;
    m_transpiler->transpileFromString(text.left(dot) + text.mid(dot + 1));
}

void AutocompleteDelegate::selectionChanged()
{
    KVCodeView* codeView = m_editor ? m_editor->completionCodeView() : nullptr;
    if (m_droppedDot < 0 || !codeView || !m_transpiler)
        return;
    KVCodeTextView* textView = codeView->textView();
    const platform::TextRange selection = textView->selectedRange();
    // An edit sends its own text to the compiler.
    if (textView->document()->revision() != m_compiledWithoutDot) {
        m_droppedDot = -1;
        return;
    }
    if (selection.length == 0 && selection.location == m_droppedDot + 1)
        return;
    m_droppedDot = -1;
    m_transpiler->transpileFromString(textView->string());
}

platform::TextRange AutocompleteDelegate::rangeForUserCompletion()
{
    KVCodeView* codeView = m_editor ? m_editor->completionCodeView() : nullptr;
    if (!codeView) {
        reset();
        return CompletionsProvider::kNotFoundRange;
    }
    KVCodeTextView* textView = codeView->textView();
    const platform::TextRange selection = textView->selectedRange();
    m_lastRequest = Request{selection.location, textView->document()->revision(), true};
    const platform::TextRange range =
        completionsProvider().rangeForUserCompletionAt(selection, textView->isCompletionRequested());
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
    // A plain word has no kind of its own; the popup says what it is rather than nothing.
    static const QString plainWord = QStringLiteral("word");
    for (const Completion& c : fitting.completions) {
        const QString kind = c.type == AutocompleteType::Word ? plainWord : rawValue(c.type);
        items.append(KVAutoCompletion(c.text, kind, c.codeTypeID.value_or(QString()), c.isUsedObjectKey));
    }
    KVAutoCompletionSet set;
    set.setCompletions(std::move(items));
    set.setSelection(preselectsFirstCompletion(fitting.context.get(), fitting.completions));
    set.setTabAcceptsFirst(tabAcceptsFirstCompletion(fitting.context.get()));
    return set;
}

void AutocompleteDelegate::insertCompletion(const QString&, platform::TextRange, qsizetype, bool)
{
    reset();
}
