#include "document/window/ProjectViewKeeper.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "document/RBDocument.h"
#include "document/window/PaneSizing.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBSplitView.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/UserDefaults.h"
#include "preview/RBLayerPanelViewController.h"

#include <QEvent>
#include <QLayout>
#include <QVariantList>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {
// A large program is read in over several turns of the event loop; its view waits that long.
constexpr int kLoadWaitMs = 50;
constexpr int kLoadWaitAttempts = 200;
} // namespace

ProjectViewKeeper::ProjectViewKeeper(RBDocument& document, RBDocumentWindow& window, RBCodeEditViewController& editor,
                                     RBLayerPanelViewController& layerPanel, platform::UserDefaults* store)
    : m_document(&document)
    , m_window(&window)
    , m_editor(&editor)
    , m_layerPanel(&layerPanel)
    , m_store(store ? store : &platform::UserDefaults::standard())
{
    window.installEventFilter(this);
    connect(&document, &platform::Document::willClose, this, &ProjectViewKeeper::save);
}

ProjectViewState ProjectViewKeeper::currentState() const
{
    ProjectViewState state;
    if (KVCodeView* code = m_editor ? m_editor->codeView() : nullptr) {
        KVCodeTextView* text = code->textView();
        state.firstVisibleLine = text->firstVisibleTextBlock().blockNumber();
        const platform::TextRange selection = text->selectedRange();
        state.caretLocation = selection.location;
        state.selectionLength = selection.length;
    }
    if (m_window) {
        const QRect frame = m_window->geometry();
        state.frame = {frame.x(), frame.y(), frame.width(), frame.height()};
        state.editorSideWidth = int(m_window->splitView()->splitPosition());
    }
    if (m_editor && m_window) {
        state.layerPanelOpen = !m_editor->isLayerPanelCollapsed();
        const RBSplitView* split = m_window->codeEditSplitView();
        if (state.layerPanelOpen)
            state.layerPanelWidth = std::max(0, int(split->width() - split->splitPosition()));
    }
    if (m_layerPanel)
        state.collapsedLayers = m_layerPanel->collapsedLayers();
    return state;
}

void ProjectViewKeeper::apply(const ProjectViewState& state)
{
    if (m_window) {
        m_window->restoreFrame(QVariantList(state.frame.cbegin(), state.frame.cend()));
        // The window's new size reaches its split views with its layout.
        if (QLayout* layout = m_window->layout())
            layout->activate();
        if (state.editorSideWidth > 0)
            m_window->splitView()->dragDividerTo(state.editorSideWidth);
    }
    if (m_window && m_editor && state.layerPanelOpen) {
        // As the user's drag would: the code keeps its least width, the panel at least its own.
        RBSplitView* split = m_window->codeEditSplitView();
        split->dragDividerTo(split->width() - std::max<double>(state.layerPanelWidth, PaneSizing::kLayerPanelWidth));
        m_editor->updateLayerPanelButton();
    }
    if (m_layerPanel && !state.collapsedLayers.isEmpty())
        m_layerPanel->setCollapsedLayers(state.collapsedLayers);
    KVCodeView* code = m_editor ? m_editor->codeView() : nullptr;
    if (!code)
        return;
    KVCodeTextView* text = code->textView();
    const qsizetype length = text->textLength();
    const qsizetype caret = std::clamp<qsizetype>(state.caretLocation, 0, length);
    text->setSelectedRange({caret, std::clamp<qsizetype>(state.selectionLength, 0, length - caret)});
    // By line, not by scroll bar value: the panes just changed the code's width, and with it
    // how its long lines wrap, which the text lays out again in the next turn.
    QPointer<KVCodeTextView> view(text);
    const int line = state.firstVisibleLine;
    QTimer::singleShot(0, this, [view, line] {
        if (!view)
            return;
        QScrollBar* bar = view->verticalScrollBar();
        const QTextBlock block = view->document()->findBlockByNumber(std::min(line, view->document()->blockCount() - 1));
        bar->setValue(std::clamp(block.isValid() ? block.firstLineNumber() : 0, bar->minimum(), bar->maximum()));
    });
}

bool ProjectViewKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Show && !m_restoreStarted) {
        m_restoreStarted = true;
        // After the window's first layout, when the panes and the scroll range have their sizes.
        QPointer<ProjectViewKeeper> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self)
                self->restoreWhenLoaded(kLoadWaitAttempts);
        });
    }
    return QObject::eventFilter(watched, event);
}

void ProjectViewKeeper::restoreWhenLoaded(int attemptsLeft)
{
    if (!m_document || !m_document->isSaved() || m_document->isClosed())
        return;
    KVCodeView* code = m_editor ? m_editor->codeView() : nullptr;
    if (code && code->textView()->isLoading() && attemptsLeft > 0) {
        QPointer<ProjectViewKeeper> self(this);
        QTimer::singleShot(kLoadWaitMs, this, [self, attemptsLeft] {
            if (self)
                self->restoreWhenLoaded(attemptsLeft - 1);
        });
        return;
    }
    if (const std::optional<ProjectViewState> state = ProjectViewStates::read(*m_store, m_document->fileURL()))
        apply(*state);
}

void ProjectViewKeeper::save()
{
    // An untitled project has no folder of its own to remember it by.
    if (!m_document || !m_document->isSaved() || m_document->fileURL().isEmpty())
        return;
    ProjectViewStates::write(*m_store, m_document->fileURL(), currentState());
}
