#pragma once

#include "CodeTextView/KVAutoCompletionSet.h"
#include "CodeTextView/KVCodeError.h"
#include "CodeTextView/TypingSettings.h"
#include "platform/StringExtras.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QPointer>
#include <QTimer>

#include <memory>

class KVCodeView;
class KVCodeLineNumbersManager;
class KVCodeLayoutManager;
class KVCodeTextViewBuffer;
class KVCodeTextStorage;

// The editing surface of the CoffeeScript editor: a plain-text view with the typing rules,
// edit tracking (what changed, by how much, when), the completion trigger, file paste as
// notifications, boxes around the other visible occurrences of a selected word, bracket-aware
// double-click and a wide caret. It lives inside one KVCodeView.
//
// The text is always what the document holds: colours, boxes, markers and marks are drawn on
// top and never change it, its modified state or its undo history.
class KVCodeTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    using TextRange = platform::TextRange;

    // Notification names; each value is the name itself.
    static const QString TextDidChangeNotification;      // "KVCodeTextViewTextDidChangeNotification"
    static const QString SelectionDidChangeNotification; // "KVCodeTextViewSelectionDidChangeNotification"
    static const QString ClickedOnLinkNotification;      // "KVCodeTextViewClickedOnLinkNotification"
    static const QString ResignFirstResponderNotification;
    // The paste notifications (PasteNotificationName), with the pasted file's "filePath".
    static const QString PastedImageNotification;
    static const QString PastedVideoNotification;
    static const QString PastedModuleNotification;

    KVCodeTextView(KVCodeView* codeView, QWidget* parent = nullptr);
    ~KVCodeTextView() override;

    void cleanup();

    KVCodeView* codeView() const;
    KVCodeLineNumbersManager* lineNumbersManager() const { return m_lineNumbersManager.get(); }
    KVCodeLayoutManager* layoutManager() const { return m_layoutManager.get(); }
    // The text as line indexes follow it, edit by edit.
    KVCodeTextStorage* textStorage() const { return m_textStorage.get(); }

    // The whole text ("\n" line ends) and its wholesale replacement.
    QString string() const;
    // Replaces the whole text. A large text is shown at once from its start and read in
    // chunks afterwards, so that the window keeps responding; the view is read-only meanwhile
    // and string() already answers the whole text.
    void setString(const QString& text);
    bool isLoading() const { return m_loading; }
    qsizetype textLength() const;

    TextRange selectedRange() const;
    void setSelectedRange(TextRange range);

    // Edit tracking.
    TextRange editedRange() const { return m_editedRange; }
    qsizetype editedLength() const { return m_editedLength; }
    QDateTime editedDate() const { return m_editedDate; }

    // Typing settings.
    TypingSettings& typingSettings() { return m_typing; }
    const QString& commentString() const { return m_typing.commentString; }
    void setCommentString(const QString& s) { m_typing.commentString = s; }
    const QString& variableCharacters() const { return m_typing.variableCharacters; }
    void setVariableCharacters(const QString& s) { m_typing.variableCharacters = s; }
    bool indentWithSpaces() const { return m_typing.indentWithSpaces; }
    void setIndentWithSpaces(bool v) { m_typing.indentWithSpaces = v; }
    bool usesTabStops() const { return m_typing.usesTabStops; }
    void setUsesTabStops(bool v) { m_typing.usesTabStops = v; }
    int spacesPerTab() const { return m_typing.spacesPerTab; }
    void setSpacesPerTab(int v) { m_typing.spacesPerTab = v; }
    bool indentNewLinesAutomatically() const { return m_typing.indentNewLinesAutomatically; }
    void setIndentNewLinesAutomatically(bool v) { m_typing.indentNewLinesAutomatically = v; }
    bool indentBracesAutomatically() const { return m_typing.indentBracesAutomatically; }
    void setIndentBracesAutomatically(bool v) { m_typing.indentBracesAutomatically = v; }
    bool autoCloseCharactersEnabled() const { return m_typing.autoCloseCharactersEnabled; }
    void setAutoCloseCharactersEnabled(bool v) { m_typing.autoCloseCharactersEnabled = v; }

    // Display settings.
    bool showInvisibleCharacters() const { return m_showInvisibleCharacters; }
    void setShowInvisibleCharacters(bool show);
    // {"font": QFont, "foreground": QColor}; empty draws no marks.
    const QVariantMap& invisibleCharacterAttributes() const { return m_invisibleAttributes; }
    void setInvisibleCharacterAttributes(const QVariantMap& a) { m_invisibleAttributes = a; viewport()->update(); }
    const QVariantMap& selectedInvisibleCharacterAttributes() const { return m_selectedInvisibleAttributes; }
    void setSelectedInvisibleCharacterAttributes(const QVariantMap& a) { m_selectedInvisibleAttributes = a; viewport()->update(); }
    qreal caretWidth() const { return m_caretWidth; }
    void setCaretWidth(qreal width);
    QColor caretColor() const { return m_caretColor; }
    // Whether the caret is drawn now: only with the focus and no selection, and not in the off
    // phase of its blink (the desktop's cursor flash time; it blinks not at all when that is 0
    // and starts each movement or edit visible).
    bool isCaretShown() const;
    void setCaretColor(const QColor& color);
    void setTextFont(const QFont& font);
    void setTextInset(qreal inset);

    // Error markers (shown by the line-number ruler).
    const QList<KVCodeError>& errors() const { return m_errors; }
    void setErrors(const QList<KVCodeError>& errors);
    TextRange rangeForError(const KVCodeError& error) const;

    // Completion.
    double autoCompleteDelay() const { return m_autoCompleteDelay; }
    void setAutoCompleteDelay(double seconds) { m_autoCompleteDelay = seconds; }
    bool isAutoCompletePending() const { return m_autoCompleteTimer.isActive(); }
    void complete();
    // The user asked for completions (Ctrl+Space, Edit ▸ Show Completions): the popup opens at
    // the caret at once, also where typing would not open it (nothing typed yet).
    Q_INVOKABLE void showCompletions();
    // Whether the request being answered is one the user made.
    bool isCompletionRequested() const { return m_completionRequested; }
    // A completion was just inserted up to `end` and ends in a blank ("x: "): a space typed
    // right there is that blank already, and Return there does not leave it behind on the line.
    void noteCompletionEndsInBlank(qsizetype end);
    void completeEnd();
    void completeWithDelay();
    void maybeAutoComplete();
    TextRange rangeForUserCompletion() const;
    KVAutoCompletionSet completionsForPartialWordRange(TextRange range, qsizetype* index) const;

    // Ranges of the visible text.
    TextRange visibleRange() const;
    TextRange visibleLineRange() const;
    TextRange visibleLineIndices() const;
    QRectF cursorRectangle() const;
    QRectF rectForRange(TextRange range) const; // viewport coordinates, the range's first line

    // Characters.
    QString characterOnLeftOfRange(TextRange range) const;
    QString characterOnRightOfRange(TextRange range) const;
    bool validVariableCharacter(const QString& character) const;
    QString variableStringNextToLocation(qsizetype location, bool forward) const;
    TextRange variableRangeAtLocation(qsizetype location) const;

    // Equal-word boxes.
    const QString& selectedName() const { return m_selectedName; }
    const QList<TextRange>& equalNameRanges() const { return m_equalNameRanges; }

    // Editing actions (keys and menus reach them).
    void insertText(const QString& text);
    void insertNewline();
    void insertTab();
    void deleteBackward();
    void deleteForward();
    Q_INVOKABLE void shiftLeft();
    Q_INVOKABLE void shiftRight();
    Q_INVOKABLE void commentSelection();
    void moveWordLeft();
    void moveWordRight();
    void moveWordLeftAndModifySelection();
    void moveWordRightAndModifySelection();
    void deleteWordBackward();
    void deleteWordForward();
    // Replaces a range; with `undo` as one undoable, reported change, else silently.
    void replaceCharactersInRange(TextRange range, const QString& text, bool undo);
    // Replaces every range (in order, not overlapping) by the text, as one undo step.
    void replaceRanges(const QList<TextRange>& ranges, const QString& text);

    // The matches of the find bar, marked in the text.
    const QList<TextRange>& findMatches() const { return m_findMatches; }
    void setFindMatches(const QList<TextRange>& matches);

    // A click on a link of the text actions.
    void clickedOnLink(const QVariant& link);

    // Links drawn over the text (the Control-key links): underlined, a pointing hand over them, a
    // click posts ClickedOnLinkNotification with the link. They follow edits of the text, lapse
    // when their own characters change, and never touch the document, its undo history or its
    // modified state.
    void addLink(TextRange range, const QVariant& link);
    void removeAllLinks();
    // The ranges of the links still in force, in the order they were added.
    QList<TextRange> linkRanges() const;
    QVariant linkAtPoint(const QPoint& viewportPoint) const;

    // Geometry helpers for the ruler and the layout manager.
    QTextBlock firstVisibleTextBlock() const { return firstVisibleBlock(); }
    QRectF textBlockRect(const QTextBlock& block) const;
    void setLeftMargin(int width);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    friend class KVCodeTextViewBuffer;
    void setDefaults();
    void loadNextChunk(quint64 generation);
    void finishLoading();
    void handleContentsChange(int position, int removed, int added);
    void textDidChange(const QVariantMap& userInfo);
    void textViewDidChangeSelection();
    void highlightEqualWordsToSelection();
    QList<TextRange> rangesForVisibleWords() const;
    template <typename Rule> void runRule(Rule rule);
    struct TextLink {
        QTextCursor cursor; // selects the link's characters and follows edits
        QString text;       // the characters as they were when the link was made
        QVariant value;
    };
    bool isLinkCurrent(const TextLink& link) const;
    QList<QRectF> linkRects(const TextLink& link) const;
    void drawLinks(QPainter& painter) const;

    QPointer<KVCodeView> m_codeView;
    std::unique_ptr<KVCodeTextStorage> m_textStorage;
    std::unique_ptr<KVCodeLineNumbersManager> m_lineNumbersManager;
    std::unique_ptr<KVCodeLayoutManager> m_layoutManager;
    std::unique_ptr<KVCodeTextViewBuffer> m_buffer;
    TypingSettings m_typing;

    QList<KVCodeError> m_errors;
    TextRange m_editedRange{0, 0};
    qsizetype m_editedLength = 0;
    QDateTime m_editedDate;
    qsizetype m_lastStringLength = 0;
    qsizetype m_storageLength = 0;
    bool m_settingString = false;
    bool m_replacingAll = false;
    bool m_loading = false;
    bool m_readOnlyBeforeLoading = false;
    quint64 m_loadGeneration = 0;
    QString m_loadingText;
    qsizetype m_loadOffset = 0;

    mutable QString m_cachedString;
    mutable bool m_cachedStringValid = false;

    bool m_showInvisibleCharacters = false;
    QVariantMap m_invisibleAttributes;
    QVariantMap m_selectedInvisibleAttributes;
    qreal m_caretWidth = 2.0;
    QColor m_caretColor = Qt::black;

    double m_autoCompleteDelay = 0;
    QTimer m_autoCompleteTimer;
    bool m_completionRequested = false;
    // Where an inserted completion's blank ends, and the text's revision then.
    qsizetype m_completionBlankEnd = -1;
    int m_completionBlankRevision = -1;
    // Whether the caret stands right after such a blank, nothing edited since; forgets it.
    bool takeCompletionBlank();
    QTimer m_caretBlink;
    bool m_caretPhaseOn = true;
    void restartCaretBlink();

    QList<TextLink> m_links;
    bool m_linkCursorShown = false;

    QString m_selectedName;
    QList<TextRange> m_equalNameRanges;
    QList<TextRange> m_findMatches;
    TextRange m_lastPostedSelection{-1, -1};
};
