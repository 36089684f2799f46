#pragma once

#include "compiler/CodeTranspilerDelegate.h"
#include "completion/AutocompleteEditor.h"
#include "editor/RBDocumentEditor.h"
#include "editor/RBEditorDocument.h"
#include "messages/RBDocumentStateUpdate.h"
#include "editor/SnippetRenderer.h"
#include "platform/AttachedInterface.h"
#include "platform/StringExtras.h"
#include "platform/Timer.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AutocompleteDelegate;
class BlinkVeil;
class CodeHighlighter;
class CodeLines;
class CodeTranspiler;
class ErrorButton;
class KVCodeView;
class QAbstractButton;
class QSplitter;
class QToolButton;
class RBEditorBar;
class RBEditorSettingsViewController;
class RBPluginRunner;
class RBWebViewController;

namespace platform {
struct Notification;
class UserDefaults;
}

// The code editor of one project window. It builds the editor widget with its editor bar,
// owns the document's compiler front and line model, compiles every edit, shows the compile and
// run-time errors that the preview posts for the document once the project's update delay has
// passed since the last edit, inserts snippets, runs plugins over the whole text, dims all code
// but a hovered layer's and scrolls to it. Main thread only.
class RBCodeEditViewController : public QObject,
                                 public RBDocumentEditor,
                                 public CodeTranspilerDelegate,
                                 public AutocompleteEditor {
    Q_OBJECT
public:
    using TextRange = platform::TextRange;

    // The delay before errors show when the project does not set a usable "updateDelay".
    static constexpr double kDefaultUpdateDelay = 0.3;

    // `defaults` is the editor settings store (the standard one when null).
    explicit RBCodeEditViewController(RBEditorDocument* document = nullptr, QObject* parent = nullptr,
                                      platform::UserDefaults* defaults = nullptr);
    ~RBCodeEditViewController() override;

    // The editor pane: the code above the editor bar. The caller puts it into a window.
    QWidget* view() const;
    QWidget* toolbarView() const;
    QWidget* codeContainerView() const { return m_codeContainerView; }

    RBEditorDocument* document() const;
    void setDocument(RBEditorDocument* document);

    KVCodeView* codeView() const;
    CodeTranspiler* transpiler() const { return m_transpiler; }
    CodeLines* lines() const { return m_lines.get(); }
    // The line index of the text as typed, for those that keep it beside the controller.
    const std::shared_ptr<CodeLines>& sharedLines() const { return m_lines; }
    CodeHighlighter* highlighter() const { return m_highlighter.get(); }
    const std::optional<RBDocumentStateUpdate>& currentErrorState() const { return m_currentErrorState; }
    const QStringList& projectNotices() const { return m_projectNotices; }
    bool showErrors() const { return m_showErrors; }

    ErrorButton* errorButton() const;
    QToolButton* errorInspectorButton() const;
    QToolButton* layerInspectorButton() const;
    QToolButton* editorSettingsButton() const;
    QToolButton* showEditorButton() const;
    // The name of the image each button shows now (the window refreshes them on a scale change).
    QString errorInspectorImageName() const { return m_errorInspectorImage; }
    QString layerInspectorImageName() const { return m_layerInspectorImage; }

    // --- RBDocumentEditor
    QString content() const override;
    // Shows a program and compiles it at once.
    void setContent(const QString& text) override;
    // Replaces the whole text as one undoable edit.
    void replaceAllText(const QString& text) override;
    // Compiles the text again (the preview asks once its page has loaded).
    void retranspile();

    // The project's "updateDelay" in seconds; the default when it is absent or not a number.
    // A negative value (refresh switched off) shows errors without waiting.
    double updateDelay() const;

    // --- snippets: Mustache templates of the resource folder "Snippets", "<name>.coffee".
    // The text of the snippet rendered with the context plus "snippetCounter" (empty the first
    // time this controller renders the name, then "1", "2", ...). Nothing, with the reason in
    // `error`, when the snippet can't be read or its template is broken.
    std::optional<QString> renderSnippetNamed(const QString& name, const QVariantMap& context,
                                              QString* error = nullptr);
    // Inserts the rendering as one undoable edit: on top unchanged, else at the end after a
    // line feed. With a check name, nothing is inserted when the text already contains the
    // check snippet's rendering. A snippet that cannot be rendered changes nothing and is
    // reported in an alert. Answers whether the text was changed.
    bool insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop);
    bool insertSnippetNamed(const QString& name, const QVariantMap& context, const QString& ifNotContains,
                            bool onTop) override;
    bool insertSnippetNamedAt(const QString& name, const QVariantMap& context, const QString& ifNotContains,
                              qsizetype offset) override;
    QHash<QString, int> snippetCounter() const { return m_snippets.counter(); }

    // --- plugins: CoffeeScript that defines plugin.run, from the whole text to a new text. It
    // runs in a hidden page; its answer replaces the text as one undoable edit. A plugin that
    // fails, or answers no text, leaves the text as it was and is reported in an alert
    // ("Plugin error: ..."). A null source (an unreadable snippet file) is reported the same way,
    // and so is an answer that arrives after the user changed the text meanwhile.
    void runPlugin(const QString& source);
    RBWebViewController* pluginWebViewController() const;
    // Tells when a plugin run has ended (for callers that wait on it): whether it changed the text.
    void setPluginFinishedHandler(std::function<void(bool changed)> handler) { m_pluginFinished = std::move(handler); }

    // --- layer highlighting
    QList<TextRange> highlightLayer(const QString& hash);
    void unhighlightLayer();
    void scrollToNextHighlight(const QString& hash);
    const std::optional<QList<TextRange>>& highlightedRanges() const { return m_highlightedRanges; }
    // Splits the ranges against the visible range: those that start above it, and those that
    // end below it (a range may be in both); each list keeps the given order.
    static void calculateOutOfSightHighlights(const QList<TextRange>& ranges, TextRange visible,
                                              QList<TextRange>* above, QList<TextRange>* below);
    void blink();
    BlinkVeil* blinkVeil() const { return m_blinkVeil; }

    // --- editor bar
    void clickedOnErrorDescription();
    // The window's split view between the code and the layer panel (the panel is its second
    // pane); without one the layer panel button does nothing.
    void setCodeEditSplitView(QSplitter* splitView);
    QSplitter* codeEditSplitView() const;
    bool isLayerPanelCollapsed() const;
    void updateLayerPanelButton();
    void toggleLayerPanel();
    bool layerInspectorIsAnimating() const { return m_layerInspectorIsAnimating; }
    void setLayerInspectorIsAnimating(bool animating) { m_layerInspectorIsAnimating = animating; }
    double lastLayerPanelSplitPosition() const { return m_lastLayerPanelSplitPosition; }
    // What the error inspector button does; without a handler it asks the document's preview.
    void setToggleInspectorHandler(std::function<void()> handler) { m_toggleInspector = std::move(handler); }
    void toggleInspector();
    void showEditorSettings(QWidget* sender);
    RBEditorSettingsViewController* editorSettings() const;
    // Puts the whole text, with its colours, on the clipboard as rich text and plain text.
    void copyToPasteBoard();

    // How long a compile runs before the editor bar says that it is compiling.
    static constexpr double kCompilingMessageDelay = 0.5;

    // --- CodeTranspilerDelegate: results reach the editor as state updates from the preview;
    // only a compile that runs long shows in the editor bar, so that a user knows the preview
    // is not stuck.
    void transpilationStart(CodeTranspiler*, std::int64_t) override;
    void transpilationComplete(CodeTranspiler*) override;
    void transpilationFailed(CodeTranspiler*, const QVariantMap&) override;
    void transpilerIdle(CodeTranspiler*) override { compileEnded(); }

    // --- AutocompleteEditor
    QObject* editorObject() override { return this; }
    CodeTranspiler* completionTranspiler() const override { return m_transpiler; }
    std::shared_ptr<CodeLines> completionLines() const override { return m_lines; }
    KVCodeView* completionCodeView() const override { return codeView(); }
    QObject* completionDocument() const override { return m_document.object(); }
    QString completionProjectPath() const override;

private:
    bool hasView() const;
    void setupView(platform::UserDefaults* defaults);
    void setupTranspiler();
    void setupLines();
    void setupCodeHighlighter();
    void observeEditor();
    void observeDocument();

    void textDidChange();
    void selectionDidChange();
    void mouseDidEnter();
    void codeDidRecolour();
    void handleStateUpdate(const platform::Notification& notification);
    void compileEnded();
    void startShowingErrors();
    void stopShowingErrors();
    void updateEditorErrors();
    void clearErrors();
    // Says "Loading…" in the bar while a large program is read in; answers whether it did.
    bool showLoading();
    void setErrorInspectorImage(const QString& name);
    void setLayerInspectorImage(const QString& name);
    void moveLayerPanelDivider(int position);
    void reportProblem(const QString& message, const QString& details);
    // Applies a plugin's answer to the text it was given, or reports why it can't.
    void finishPlugin(const QString& original, const QString& result, const QString& problem);

    QPointer<QWidget> m_view;
    QWidget* m_codeContainerView = nullptr;
    RBEditorBar* m_toolbarView = nullptr;
    // The window may destroy the view before the controller goes; the line model then still
    // holds the last text.
    QPointer<KVCodeView> m_codeView;
    BlinkVeil* m_blinkVeil = nullptr;
    CodeTranspiler* m_transpiler = nullptr;
    platform::Timer m_compilingMessageTimer;
    std::shared_ptr<CodeLines> m_lines;
    std::unique_ptr<CodeHighlighter> m_highlighter;
    std::optional<RBDocumentStateUpdate> m_currentErrorState;
    QStringList m_projectNotices; // about the project's files, shown while the program has no error
    bool m_showErrors = false;
    std::optional<QList<TextRange>> m_highlightedRanges;
    QPointer<QWidget> m_editorSettingsPopover;
    QPointer<RBEditorSettingsViewController> m_editorSettings;
    SnippetRenderer m_snippets;
    std::unique_ptr<RBPluginRunner> m_pluginRunner;
    std::function<void(bool)> m_pluginFinished;
    double m_lastLayerPanelSplitPosition = 0;
    platform::AttachedInterface<RBEditorDocument> m_document;
    std::shared_ptr<AutocompleteDelegate> m_autocompleteDelegate;
    QPointer<QObject> m_autocompleteDocument;
    QPointer<QSplitter> m_codeEditSplitView;
    bool m_layerInspectorIsAnimating = false;
    bool m_settingContent = false;
    bool m_contentLoading = false;
    std::function<void()> m_toggleInspector;
    QString m_errorInspectorImage;
    QString m_layerInspectorImage;
};
