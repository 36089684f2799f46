#include "editor/RBCodeEditViewController.h"

#include "autocomplete/KVAutoCompleteController.h"
#include "CodeTextView/KVCodeError.h"
#include "CodeTextView/KVCodeLayoutManager.h"
#include "CodeTextView/KVCodeTextStorage.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "compiler/CodeTranspiler.h"
#include "completion/AutocompleteDelegate.h"
#include "model/CodeLines.h"
#include "messages/ProjectConfig.h"
#include "editor/BlinkVeil.h"
#include "editor/CodeHighlighter.h"
#include "editor/EditorImages.h"
#include "editor/ErrorButton.h"
#include "editor/RBEditorBar.h"
#include "editor/RBEditorSettingsViewController.h"
#include "editor/RBPluginRunner.h"
#include "editor/RichTextExport.h"
#include "platform/Debounce.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/Alert.h"
#include "platform/gui/Document.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSplitter>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace {

const QString kDomain = QStringLiteral("RBCodeEditViewController");
const QString kStartShowingErrors = QStringLiteral("startShowingErrors");
constexpr int kLayerPanelWidth = 200;
constexpr int kLayerPanelAnimationMs = 250;

// The message of an error as the editor shows it. A record without a message still says what
// kind of failure it was, so the button is never blank in its error state.
QString displayMessage(const RBDocumentStateUpdate& update)
{
    if (!update.message().trimmed().isEmpty())
        return platform::capitalizedSentence(update.message());
    if (update.type() == u"runtime")
        return QStringLiteral("Unknown runtime error");
    if (update.type() == u"module")
        return QStringLiteral("Unknown module error");
    return QStringLiteral("Unknown error");
}

// The bar under the code names the line, which the marker beside it shows by its place.
QString barMessage(const RBDocumentStateUpdate& update, const QString& message)
{
    const qint64 line = qint64(update.lineIndex());
    return line > 0 ? QStringLiteral("Line %1: %2").arg(line).arg(message) : message;
}

} // namespace

RBCodeEditViewController::RBCodeEditViewController(RBEditorDocument* document, QObject* parent,
                                                   platform::UserDefaults* defaults)
    : QObject(parent)
{
    setupView(defaults);
    setupTranspiler();
    setupLines();
    setupCodeHighlighter();
    connect(errorButton(), &QAbstractButton::clicked, this, [this] { clickedOnErrorDescription(); });
    connect(errorInspectorButton(), &QAbstractButton::clicked, this, [this] { toggleInspector(); });
    connect(layerInspectorButton(), &QAbstractButton::clicked, this, [this] { toggleLayerPanel(); });
    connect(editorSettingsButton(), &QAbstractButton::clicked, this,
            [this] { showEditorSettings(editorSettingsButton()); });
    observeEditor();
    setDocument(document);
    clearErrors();
    updateLayerPanelButton();
}

RBCodeEditViewController::~RBCodeEditViewController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    platform::cancelDebounce(this, kStartShowingErrors);
    if (m_transpiler)
        m_transpiler->setDelegate(nullptr);
    m_highlighter.reset();
    m_pluginRunner.reset();
    delete m_editorSettingsPopover.data();
    delete m_view.data();
}

void RBCodeEditViewController::setupView(platform::UserDefaults* defaults)
{
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("RBCodeEditView"));
    auto* layout = new QVBoxLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_codeContainerView = new QWidget(m_view);
    auto* containerLayout = new QVBoxLayout(m_codeContainerView);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    m_codeView = new KVCodeView(m_codeContainerView, defaults);
    // Completions show in the application's one popup.
    KVAutoCompleteController::sharedInstance();
    containerLayout->addWidget(m_codeView);
    m_blinkVeil = new BlinkVeil(m_codeContainerView);
    m_toolbarView = new RBEditorBar(m_view);
    layout->addWidget(m_codeContainerView, 1);
    layout->addWidget(m_toolbarView);
}

void RBCodeEditViewController::setupTranspiler()
{
    m_transpiler = new CodeTranspiler(this);
    m_transpiler->setDelegate(this);
}

void RBCodeEditViewController::setupLines()
{
    m_lines = std::make_shared<CodeLines>(m_codeView->textView()->textStorage());
}

void RBCodeEditViewController::setupCodeHighlighter()
{
    m_highlighter = std::make_unique<CodeHighlighter>(m_codeView->textView(), m_transpiler);
}

void RBCodeEditViewController::observeEditor()
{
    auto& center = platform::NotificationCenter::defaultCenter();
    KVCodeTextView* textView = m_codeView->textView();
    center.addObserver(KVCodeTextView::TextDidChangeNotification, textView,
                       [this](const platform::Notification&) { textDidChange(); }, this);
    center.addObserver(KVCodeTextView::SelectionDidChangeNotification, textView,
                       [this](const platform::Notification&) { selectionDidChange(); }, this);
    center.addObserver(KVCodeView::MouseDidEnterNotification, m_codeView,
                       [this](const platform::Notification&) { mouseDidEnter(); }, this);
    center.addObserver(KVCodeView::TextRecolouredNotification, m_codeView,
                       [this](const platform::Notification&) { codeDidRecolour(); }, this);
    // The text's undo history knows the state it was saved in: undoing (or redoing) back to it
    // makes the document unchanged again.
    // Whichever comes first, this or the text's change report, the last one leaves it right.
    connect(textView->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (m_document && hasView() && !m_settingContent && !m_contentLoading && !m_codeView->textView()->isLoading())
            m_document->programEdited(modified);
    });
}

void RBCodeEditViewController::observeDocument()
{
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this, RBDocumentStateUpdateNotification);
    if (!m_document)
        return;
    center.addObserver(RBDocumentStateUpdateNotification, m_document.object(),
                       [this](const platform::Notification& n) { handleStateUpdate(n); }, this);
}

QWidget* RBCodeEditViewController::view() const
{
    return m_view.data();
}

KVCodeView* RBCodeEditViewController::codeView() const
{
    return m_codeView.data();
}

bool RBCodeEditViewController::hasView() const
{
    return m_view && m_codeView;
}

QWidget* RBCodeEditViewController::toolbarView() const
{
    return m_toolbarView;
}

RBEditorDocument* RBCodeEditViewController::document() const
{
    return m_document.get();
}

void RBCodeEditViewController::setDocument(RBEditorDocument* document)
{
    if (auto* previous = qobject_cast<platform::Document*>(m_document.object()))
        disconnect(previous, &platform::Document::changeCountChanged, this, nullptr);
    m_document.attach(document ? document->documentObject() : nullptr, document);
    // A saved (or reverted) document marks the text's present state as the unchanged one.
    if (auto* platformDocument = qobject_cast<platform::Document*>(m_document.object()))
        connect(platformDocument, &platform::Document::changeCountChanged, this, [this](bool edited) {
            if (!edited && hasView())
                m_codeView->textView()->document()->setModified(false);
        });
    observeDocument();
    // Completion comes from the engine for an editor of a project; without one the view falls
    // back to completing the words of its text.
    if (m_codeView && (!document || !m_autocompleteDelegate || m_autocompleteDocument != m_document.object())) {
        m_autocompleteDelegate = document ? std::make_shared<AutocompleteDelegate>(this) : nullptr;
        m_autocompleteDocument = m_document.object();
        m_codeView->setAutoCompleteDelegate(m_autocompleteDelegate);
    }
    if (m_editorSettings)
        m_editorSettings->setDocument(document);
}

ErrorButton* RBCodeEditViewController::errorButton() const
{
    return m_toolbarView->errorButton();
}

QToolButton* RBCodeEditViewController::errorInspectorButton() const
{
    return m_toolbarView->errorInspectorButton();
}

QToolButton* RBCodeEditViewController::layerInspectorButton() const
{
    return m_toolbarView->layerInspectorButton();
}

QToolButton* RBCodeEditViewController::editorSettingsButton() const
{
    return m_toolbarView->editorSettingsButton();
}

QToolButton* RBCodeEditViewController::showEditorButton() const
{
    return m_toolbarView->showEditorButton();
}

// --- text

QString RBCodeEditViewController::content() const
{
    if (!m_codeView)
        return m_lines->code();
    return m_codeView->textView()->string();
}

void RBCodeEditViewController::setContent(const QString& text)
{
    if (!m_codeView)
        return;
    // Loading a program is not an edit of it.
    m_settingContent = true;
    m_codeView->textView()->setString(text);
    m_settingContent = false;
    // A large text is read in chunks; the change reported at the end is still the loading.
    m_contentLoading = m_codeView->textView()->isLoading();
    showLoading();
    m_transpiler->transpileFromLines(*m_lines);
}

bool RBCodeEditViewController::showLoading()
{
    // While a large program is still being read in, the state of a part of it would say nothing
    // true of the program: the bar says what is going on instead.
    if (!m_contentLoading || !hasView())
        return false;
    errorButton()->showBusyMessage(QStringLiteral("Loading…"));
    return true;
}

void RBCodeEditViewController::replaceAllText(const QString& text)
{
    if (!m_codeView)
        return;
    KVCodeTextView* textView = m_codeView->textView();
    if (textView->isReadOnly() && !textView->isLoading()) {
        platform::Log::warning(kDomain, QStringLiteral("replaceAllText: the editor is read-only"));
        return;
    }
    if (textView->isLoading()) {
        // A text still being read in is replaced whole; setString reports the change.
        textView->setString(text);
        return;
    }
    textView->replaceCharactersInRange({0, textView->textLength()}, text, true);
}

void RBCodeEditViewController::retranspile()
{
    if (!m_codeView)
        return;
    m_transpiler->transpileFromLines(*m_lines);
}

double RBCodeEditViewController::updateDelay() const
{
    // With refresh off (0 or less) errors show without waiting.
    return m_document ? m_document->config().updateDelay().value_or(kDefaultUpdateDelay) : kDefaultUpdateDelay;
}

// --- the edit road

void RBCodeEditViewController::textDidChange()
{
    if (!hasView())
        return;
    // Every edit counts as a change of the document, so that closing asks to save it; a text
    // still being read in or just loaded is not one.
    const bool loading = m_settingContent || m_contentLoading || m_codeView->textView()->isLoading();
    if (m_contentLoading && !m_codeView->textView()->isLoading())
        m_contentLoading = false;
    if (m_document && !loading)
        m_document->programEdited(m_codeView->textView()->document()->isModified());
    m_transpiler->transpileFromLines(*m_lines);
    const double delay = updateDelay();
    clearErrors();
    stopShowingErrors();
    unhighlightLayer();
    platform::debounce(this, kStartShowingErrors, delay, [this] { startShowingErrors(); });
}

void RBCodeEditViewController::selectionDidChange()
{
    unhighlightLayer();
    if (m_autocompleteDelegate)
        m_autocompleteDelegate->selectionChanged();
}

void RBCodeEditViewController::mouseDidEnter()
{
    unhighlightLayer();
}

void RBCodeEditViewController::codeDidRecolour()
{
    if (m_highlightedRanges)
        m_highlighter->redraw();
}

void RBCodeEditViewController::startShowingErrors()
{
    m_showErrors = true;
    updateEditorErrors();
}

void RBCodeEditViewController::stopShowingErrors()
{
    platform::cancelDebounce(this, kStartShowingErrors);
    m_currentErrorState.reset();
    m_showErrors = false;
}

void RBCodeEditViewController::transpilationStart(CodeTranspiler*, std::int64_t)
{
    QPointer<RBCodeEditViewController> self(this);
    m_compilingMessageTimer.start(kCompilingMessageDelay, [self] {
        if (self && self->hasView() && self->m_transpiler && !self->m_transpiler->isIdle() && !self->m_contentLoading)
            self->errorButton()->showBusyMessage(QStringLiteral("Compiling…"));
    });
}

void RBCodeEditViewController::transpilationComplete(CodeTranspiler*)
{
    compileEnded();
    if (m_autocompleteDelegate)
        m_autocompleteDelegate->compileSucceeded();
}

void RBCodeEditViewController::transpilationFailed(CodeTranspiler*, const QVariantMap&)
{
    compileEnded();
    if (m_autocompleteDelegate)
        m_autocompleteDelegate->compileFailed();
}

QString RBCodeEditViewController::completionProjectPath() const
{
    return m_document ? m_document->projectPath() : QString();
}

void RBCodeEditViewController::compileEnded()
{
    m_compilingMessageTimer.stop();
    if (hasView() && !m_contentLoading)
        errorButton()->endBusyMessage();
}

void RBCodeEditViewController::handleStateUpdate(const platform::Notification& notification)
{
    std::optional<RBDocumentStateUpdate> update = RBDocumentStateUpdate::fromNotification(notification);
    if (update && update->isProjectNotice()) {
        if (!m_projectNotices.contains(update->message()))
            m_projectNotices.append(update->message());
        if (m_showErrors)
            updateEditorErrors();
        else
            clearErrors();
        return;
    }
    // The compile failure of a text that was edited while it compiled would mark the line the
    // error had before the edit; the compile of the newer text reports again.
    if (update && update->type() == u"syntax" && m_transpiler && m_transpiler->hasPendingCoffeeScript())
        return;
    m_currentErrorState = std::move(update);
    if (m_showErrors)
        updateEditorErrors();
}

void RBCodeEditViewController::updateEditorErrors()
{
    if (!hasView() || showLoading())
        return;
    if (m_currentErrorState && m_currentErrorState->state() == RBDocumentStateError) {
        const QString message = displayMessage(*m_currentErrorState);
        m_codeView->textView()->setErrors({KVCodeError(qsizetype(m_currentErrorState->lineIndex()),
                                                       qsizetype(m_currentErrorState->columnIndex()), message)});
        errorButton()->showErrorMessage(barMessage(*m_currentErrorState, message));
        setErrorInspectorImage(QStringLiteral("icon-inspect-orange"));
        return;
    }
    clearErrors();
}

void RBCodeEditViewController::clearErrors()
{
    if (!hasView() || showLoading())
        return;
    m_codeView->textView()->setErrors({});
    if (!m_projectNotices.isEmpty()) {
        // Said until the user has read it (a click), whatever the compiles report meanwhile.
        errorButton()->showErrorMessage(m_projectNotices.first());
        setErrorInspectorImage(QStringLiteral("icon-inspect-orange"));
        return;
    }
    qint64 milliseconds = 0;
    if (m_currentErrorState && m_currentErrorState->duration())
        milliseconds = std::llround(*m_currentErrorState->duration() * 1000.0);
    errorButton()->showOkMessageWithTime(milliseconds);
    setErrorInspectorImage(QStringLiteral("icon-console"));
}

void RBCodeEditViewController::setErrorInspectorImage(const QString& name)
{
    if (!hasView())
        return;
    m_errorInspectorImage = name;
    errorInspectorButton()->setIcon(editor::editorIconNamed(name));
}

void RBCodeEditViewController::setLayerInspectorImage(const QString& name)
{
    if (!hasView())
        return;
    m_layerInspectorImage = name;
    layerInspectorButton()->setIcon(editor::editorIconNamed(name));
}

void RBCodeEditViewController::clickedOnErrorDescription()
{
    if (!hasView())
        return;
    if ((!m_currentErrorState || !m_currentErrorState->isError()) && !m_projectNotices.isEmpty()) {
        m_projectNotices.removeFirst();
        updateEditorErrors();
        return;
    }
    if (!m_currentErrorState)
        return;
    // State updates count lines from 1, the code view from 0.
    const qsizetype line = qMax<qsizetype>(0, qsizetype(m_currentErrorState->lineIndex()) - 1);
    m_codeView->scrollToLineIndex(line, true);
}

// --- snippets

std::optional<QString> RBCodeEditViewController::renderSnippetNamed(const QString& name, const QVariantMap& context,
                                                                    QString* error)
{
    return m_snippets.render(name, context, error);
}

bool RBCodeEditViewController::insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop)
{
    return insertSnippetNamed(name, context, QString(), onTop);
}

bool RBCodeEditViewController::insertSnippetNamed(const QString& name, const QVariantMap& context,
                                                  const QString& ifNotContains, bool onTop)
{
    return insertSnippetNamedAt(name, context, ifNotContains, onTop ? 0 : -1);
}

bool RBCodeEditViewController::insertSnippetNamedAt(const QString& name, const QVariantMap& context,
                                                    const QString& ifNotContains, qsizetype offset)
{
    if (!hasView())
        return false;
    QString error;
    if (!ifNotContains.isEmpty()) {
        const std::optional<QString> check = renderSnippetNamed(ifNotContains, context, &error);
        if (!check) {
            platform::Log::warning(kDomain, QStringLiteral("Snippet error: %1").arg(error));
            reportProblem(QStringLiteral("Snippet error"), error);
            return false;
        }
        if (content().contains(*check))
            return false;
    }
    const std::optional<QString> rendered = renderSnippetNamed(name, context, &error);
    if (!rendered) {
        platform::Log::warning(kDomain, QStringLiteral("Snippet error: %1").arg(error));
        reportProblem(QStringLiteral("Snippet error"), error);
        return false;
    }
    KVCodeTextView* textView = m_codeView->textView();
    if (textView->isReadOnly()) {
        reportProblem(QStringLiteral("Snippet error"), QStringLiteral("The code can't be changed while it is being loaded."));
        return false;
    }
    const qsizetype length = textView->textLength();
    if (offset == 0) {
        textView->replaceCharactersInRange({0, 0}, *rendered, true);
    } else if (offset < 0 || offset >= length) {
        textView->replaceCharactersInRange({length, 0}, QStringLiteral("\n") + *rendered, true);
    } else {
        // Between lines: after the line before it, separated from it by one empty line.
        QString text = *rendered;
        while (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        const bool lineStart = content().at(offset - 1) == QLatin1Char('\n');
        textView->replaceCharactersInRange({offset, 0}, (lineStart ? QStringLiteral("\n") : QStringLiteral("\n\n")) + text
                                               + QLatin1Char('\n'), true);
    }
    return true;
}

void RBCodeEditViewController::reportProblem(const QString& message, const QString& details)
{
    platform::Alert alert;
    alert.setMessageText(message);
    alert.setInformativeText(details);
    alert.setAlertStyle(platform::Alert::Warning);
    QWidget* window = m_view ? m_view->window() : nullptr;
    if (window && window->isVisible())
        alert.runModalSheetForWindow(window);
    else
        alert.runModal();
}

// --- plugins

void RBCodeEditViewController::runPlugin(const QString& source)
{
    // The text as it is now, before anything runs.
    const QString original = content();
    if (source.isNull()) {
        finishPlugin(original, QString(), QStringLiteral("The snippet file could not be read."));
        return;
    }
    if (!m_pluginRunner)
        m_pluginRunner = std::make_unique<RBPluginRunner>();
    QPointer<RBCodeEditViewController> self(this);
    m_pluginRunner->run(source, original, [self, original](const QString& result, const QString& problem) {
        if (self)
            self->finishPlugin(original, result, problem);
    });
}

RBWebViewController* RBCodeEditViewController::pluginWebViewController() const
{
    return m_pluginRunner ? m_pluginRunner->webViewController() : nullptr;
}

void RBCodeEditViewController::finishPlugin(const QString& original, const QString& result, const QString& problem)
{
    bool changed = false;
    QString details = problem;
    // What the user typed while the plugin ran is not thrown away for a result made without it.
    if (details.isEmpty() && content() != original)
        details = QStringLiteral("the code changed while the plugin ran.");
    if (!details.isEmpty()) {
        platform::Log::warning(kDomain, QStringLiteral("Plugin.run error: %1").arg(details));
        reportProblem(QStringLiteral("Plugin error: %1").arg(details), QStringLiteral("The code was left as it was."));
    } else if (result != original) {
        replaceAllText(result);
        changed = true;
    }
    if (m_pluginFinished)
        m_pluginFinished(changed);
}

// --- layer highlighting

QList<platform::TextRange> RBCodeEditViewController::highlightLayer(const QString& hash)
{
    const QList<TextRange> ranges = m_highlighter->highlightLayer(hash);
    m_highlightedRanges = ranges;
    return ranges;
}

void RBCodeEditViewController::unhighlightLayer()
{
    if (m_highlighter)
        m_highlighter->reset();
    m_highlightedRanges.reset();
}

void RBCodeEditViewController::calculateOutOfSightHighlights(const QList<TextRange>& ranges, TextRange visible,
                                                             QList<TextRange>* above, QList<TextRange>* below)
{
    for (const TextRange& range : ranges) {
        if (above && range.location < visible.location)
            above->append(range);
        if (below && range.end() > visible.end())
            below->append(range);
    }
}

void RBCodeEditViewController::scrollToNextHighlight(const QString& hash)
{
    if (!hasView())
        return;
    highlightLayer(hash);
    if (!m_highlightedRanges || m_highlightedRanges->isEmpty()) {
        blink();
        return;
    }
    QList<TextRange> above;
    QList<TextRange> below;
    calculateOutOfSightHighlights(*m_highlightedRanges, m_codeView->textView()->visibleRange(), &above, &below);
    if (!below.isEmpty())
        m_codeView->scrollToLineRange(below.first(), true);
    else if (!above.isEmpty())
        m_codeView->scrollToLineRange(above.first(), true);
}

void RBCodeEditViewController::blink()
{
    if (!hasView())
        return;
    m_blinkVeil->flash(0.95, 0.2);
}

// --- editor bar

void RBCodeEditViewController::setCodeEditSplitView(QSplitter* splitView)
{
    m_codeEditSplitView = splitView;
    if (splitView)
        connect(splitView, &QSplitter::splitterMoved, this, [this] {
            if (!m_layerInspectorIsAnimating)
                updateLayerPanelButton();
        });
    updateLayerPanelButton();
}

QSplitter* RBCodeEditViewController::codeEditSplitView() const
{
    return m_codeEditSplitView.data();
}

namespace {
int splitPosition(const QSplitter* split)
{
    const QList<int> sizes = split->sizes();
    return sizes.isEmpty() ? 0 : sizes.first();
}
int splitLength(const QSplitter* split)
{
    return split->orientation() == Qt::Horizontal ? split->width() : split->height();
}
} // namespace

bool RBCodeEditViewController::isLayerPanelCollapsed() const
{
    if (!m_codeEditSplitView)
        return true;
    return std::abs(splitPosition(m_codeEditSplitView) - splitLength(m_codeEditSplitView)) < 90;
}

void RBCodeEditViewController::updateLayerPanelButton()
{
    setLayerInspectorImage(isLayerPanelCollapsed() ? QStringLiteral("icon-layers-off") : QStringLiteral("icon-layers-on"));
}

void RBCodeEditViewController::moveLayerPanelDivider(int position)
{
    QSplitter* split = m_codeEditSplitView;
    if (!split || split->count() < 2)
        return;
    const int total = splitLength(split) - split->handleWidth();
    const int first = qBound(0, position, qMax(0, total));
    QList<int> sizes = split->sizes();
    sizes[0] = first;
    sizes[1] = total - first;
    for (int i = 2; i < sizes.size(); ++i)
        sizes[i] = 0;
    split->setSizes(sizes);
}

void RBCodeEditViewController::toggleLayerPanel()
{
    QSplitter* split = m_codeEditSplitView;
    if (!split || split->count() < 2)
        return;
    m_layerInspectorIsAnimating = true;
    const int width = splitLength(split);
    const int from = splitPosition(split);
    int target;
    if (isLayerPanelCollapsed()) {
        target = width - kLayerPanelWidth;
        if (m_lastLayerPanelSplitPosition != 0 && m_lastLayerPanelSplitPosition < width - 10)
            target = int(m_lastLayerPanelSplitPosition);
    } else {
        m_lastLayerPanelSplitPosition = from;
        target = width - split->handleWidth(); // as far as the divider goes
    }
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(target);
    animation->setDuration(kLayerPanelAnimationMs);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { moveLayerPanelDivider(value.toInt()); });
    QPointer<RBCodeEditViewController> self(this);
    connect(animation, &QVariantAnimation::finished, this, [self] {
        if (!self)
            return;
        self->updateLayerPanelButton();
        self->m_layerInspectorIsAnimating = false;
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void RBCodeEditViewController::toggleInspector()
{
    if (m_toggleInspector)
        m_toggleInspector();
    else if (m_document)
        m_document->toggleInspector();
}

RBEditorSettingsViewController* RBCodeEditViewController::editorSettings() const
{
    return m_editorSettings.data();
}

void RBCodeEditViewController::showEditorSettings(QWidget* sender)
{
    if (!hasView())
        return;
    if (m_editorSettingsPopover && m_editorSettingsPopover->isVisible())
        return;
    delete m_editorSettingsPopover.data();
    // A transient pop-over: it closes when the user clicks elsewhere.
    auto* popover = new QWidget(m_view, Qt::Popup);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* settings = new RBEditorSettingsViewController(popover);
    settings->setDocument(m_document.get());
    layout->addWidget(settings);
    popover->adjustSize();
    m_editorSettingsPopover = popover;
    m_editorSettings = settings;
    if (sender) {
        // Above the sender, at the bar's top edge.
        const QPoint anchor = sender->mapToGlobal(QPoint(sender->width() / 2, 0));
        popover->move(anchor.x() - popover->width() / 2, anchor.y() - popover->height() - 4);
    }
    popover->show();
}

void RBCodeEditViewController::copyToPasteBoard()
{
    if (!hasView())
        return;
    KVCodeTextView* textView = m_codeView->textView();
    KVCodeLayoutManager* layout = textView->layoutManager();
    QList<richtext::ColouredRun> runs;
    const QString text = textView->string();
    // Runs of equal colour, from the colouring as shown (without the layer dimming).
    QColor current;
    QString run;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QColor colour = layout ? layout->baseColourAt(i) : QColor();
        if (i > 0 && colour != current) {
            runs.append({run, current});
            run.clear();
        }
        current = colour;
        run += text.at(i);
    }
    if (!run.isEmpty())
        runs.append({run, current});
    const QFont font = m_codeView->currentFont();
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("text/rtf"), richtext::rtfFromRuns(runs, font.family(), font.pointSizeF()));
    mime->setData(QStringLiteral("application/rtf"), richtext::rtfFromRuns(runs, font.family(), font.pointSizeF()));
    mime->setHtml(richtext::htmlFromRuns(runs, font.family(), font.pointSizeF()));
    mime->setText(text);
    QApplication::clipboard()->setMimeData(mime);
}
