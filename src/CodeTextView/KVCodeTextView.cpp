#include "CodeTextView/KVCodeTextView.h"

#include "CodeTextView/DoubleClickSelection.h"
#include "CodeTextView/KVAutoCompleteDelegate.h"
#include "CodeTextView/KVAutoCompletePresenter.h"
#include "CodeTextView/KVCodeLayoutManager.h"
#include "CodeTextView/KVCodeLineNumberRulerView.h"
#include "CodeTextView/KVCodeLineNumbersManager.h"
#include "CodeTextView/KVCodeTextStorage.h"
#include "CodeTextView/KVCodeTextViewBuffer.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/TypingRules.h"
#include "messages/NotificationName.h"
#include "messages/PasteNotificationName.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/ColorExtras.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QUrl>

#include <algorithm>
#include <cmath>

const QString KVCodeTextView::TextDidChangeNotification = QStringLiteral("KVCodeTextViewTextDidChangeNotification");
const QString KVCodeTextView::SelectionDidChangeNotification = QStringLiteral("KVCodeTextViewSelectionDidChangeNotification");
const QString KVCodeTextView::ClickedOnLinkNotification = QStringLiteral("KVCodeTextViewClickedOnLinkNotification");
const QString KVCodeTextView::ResignFirstResponderNotification = QStringLiteral("KVCodeTextViewResignFirstResponderNotification");
const QString KVCodeTextView::PastedImageNotification = PasteNotificationName::Image();
const QString KVCodeTextView::PastedVideoNotification = PasteNotificationName::Video();
const QString KVCodeTextView::PastedModuleNotification = PasteNotificationName::Module();

KVCodeTextView::KVCodeTextView(KVCodeView* codeView, QWidget* parent)
    : QPlainTextEdit(parent), m_codeView(codeView)
{
    m_buffer = std::make_unique<KVCodeTextViewBuffer>(this);
    m_textStorage = std::make_unique<KVCodeTextStorage>(this);
    m_lineNumbersManager = std::make_unique<KVCodeLineNumbersManager>(this);
    m_layoutManager = std::make_unique<KVCodeLayoutManager>(this);
    m_autoCompleteTimer.setSingleShot(true);
    connect(&m_autoCompleteTimer, &QTimer::timeout, this, [this] { complete(); });
    // The cache of the whole text must be dropped before anyone hears of the change.
    connect(document(), &QTextDocument::contentsChange, this, &KVCodeTextView::handleContentsChange);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &KVCodeTextView::textViewDidChangeSelection);
    connect(this, &QPlainTextEdit::selectionChanged, this, &KVCodeTextView::textViewDidChangeSelection);
    connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &KVCodeTextView::restartCaretBlink);
    connect(this, &QPlainTextEdit::textChanged, this, &KVCodeTextView::restartCaretBlink);
    connect(&m_caretBlink, &QTimer::timeout, this, [this] {
        m_caretPhaseOn = !m_caretPhaseOn;
        viewport()->update(cursorRect().adjusted(-2, -4, int(std::ceil(m_caretWidth)) + 2, 4));
    });
    setDefaults();
}

KVCodeTextView::~KVCodeTextView()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void KVCodeTextView::setDefaults()
{
    QFont font(QStringLiteral("Menlo"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(12);
    setTextFont(font);
    QPalette p = palette();
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    setCaretWidth(2.0);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

KVCodeView* KVCodeTextView::codeView() const
{
    return m_codeView;
}

void KVCodeTextView::cleanup()
{
    if (m_lineNumbersManager)
        m_lineNumbersManager->cleanup();
    if (m_layoutManager)
        m_layoutManager->cleanup();
}

// ---- text -------------------------------------------------------------------------------

qsizetype KVCodeTextView::textLength() const
{
    return qMax(0, document()->characterCount() - 1);
}

QString KVCodeTextView::string() const
{
    if (!m_cachedStringValid) {
        m_cachedString = document()->toRawText();
        m_cachedString.replace(QChar::ParagraphSeparator, u'\n');
        m_cachedStringValid = true;
    }
    return m_cachedString;
}

namespace {

// Texts longer than this are read in chunks of about kLoadChunk characters.
constexpr qsizetype kLoadChunk = 1 << 18;
constexpr qsizetype kChunkedLoadThreshold = 4 << 20;

// The text as the view holds it: CR LF, lone CR and paragraph separators become line feeds.
QString withLineFeeds(QString text)
{
    if (text.contains(u'\r')) {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(u'\r', u'\n');
    }
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// The end of the chunk that starts at `from`: just after a line feed when there is one in
// reach, so that no chunk splits a CR LF pair or a surrogate pair.
qsizetype chunkEnd(const QString& text, qsizetype from)
{
    const qsizetype limit = from + kLoadChunk;
    if (limit >= text.size())
        return text.size();
    const qsizetype newline = text.lastIndexOf(u'\n', limit);
    if (newline >= from)
        return newline + 1;
    qsizetype end = limit;
    if (text.at(end - 1).isHighSurrogate() || (text.at(end - 1) == u'\r'))
        ++end;
    return end;
}

// Breaking a very long line at word boundaries costs far more than breaking it anywhere.
constexpr qsizetype kLongLine = 10000;

bool hasLongLine(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        if (end - start > kLongLine)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

void KVCodeTextView::setString(const QString& text)
{
    const quint64 generation = ++m_loadGeneration;
    if (m_loading)
        finishLoading();
    setWordWrapMode(hasLongLine(text) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_settingString = true;
    if (text.size() <= kChunkedLoadThreshold) {
        // The copy of the whole text is ready before the followers of the storage hear of it.
        m_cachedString = withLineFeeds(text);
        m_cachedStringValid = true;
        m_replacingAll = true;
        setPlainText(text);
        m_replacingAll = false;
        m_settingString = false;
        m_cachedStringValid = m_cachedString.size() == textLength();
        m_editedRange = {0, textLength()};
        textDidChange({});
        return;
    }
    m_loading = true;
    m_readOnlyBeforeLoading = isReadOnly();
    m_loadingText = text;
    m_loadOffset = chunkEnd(text, 0);
    setPlainText(text.left(m_loadOffset));
    setReadOnly(true);
    document()->setUndoRedoEnabled(false);
    m_cachedString = withLineFeeds(text);
    m_cachedStringValid = true;
    m_settingString = false;
    if (m_codeView)
        m_codeView->updateSyntaxColoring();
    QTimer::singleShot(0, this, [this, generation] { loadNextChunk(generation); });
}

void KVCodeTextView::loadNextChunk(quint64 generation)
{
    if (!m_loading || generation != m_loadGeneration)
        return;
    const qsizetype end = chunkEnd(m_loadingText, m_loadOffset);
    m_settingString = true;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_loadingText.mid(m_loadOffset, end - m_loadOffset));
    m_settingString = false;
    m_loadOffset = end;
    if (m_loadOffset < m_loadingText.size()) {
        QTimer::singleShot(0, this, [this, generation] { loadNextChunk(generation); });
        return;
    }
    finishLoading();
    m_editedRange = {0, textLength()};
    m_textStorage->processEditing(m_editedRange, textLength() - m_storageLength);
    m_storageLength = textLength();
    textDidChange({});
}

void KVCodeTextView::finishLoading()
{
    m_loading = false;
    m_loadingText.clear();
    m_loadOffset = 0;
    document()->setUndoRedoEnabled(true);
    document()->setModified(false);
    setReadOnly(m_readOnlyBeforeLoading);
    if (m_cachedString.size() != textLength())
        m_cachedStringValid = false;
}

void KVCodeTextView::handleContentsChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    if (m_loading)
        return; // string() answers the whole text being read
    // Keep the copy of the whole text current edit by edit; rebuild it when the change does
    // not add up (the document reports its first insertion with its own end marker).
    const qsizetype length = textLength();
    if (m_cachedStringValid && !m_replacingAll) {
        const qsizetype from = position;
        if (from >= 0 && from + removed <= m_cachedString.size() && from + added <= length
            && m_cachedString.size() - removed + added == length) {
            m_cachedString.replace(from, removed, m_buffer->textInRange({from, added}));
        } else {
            m_cachedStringValid = false;
        }
    }
    const qsizetype at = qMin<qsizetype>(position, length);
    m_textStorage->processEditing({at, qBound<qsizetype>(0, qsizetype(added), length - at)},
                                  length - m_storageLength);
    m_storageLength = length;
    if (m_settingString)
        return;
    m_editedRange = {at, qBound<qsizetype>(0, qsizetype(added), length - at)};
    textDidChange({});
}

void KVCodeTextView::textDidChange(const QVariantMap& userInfo)
{
    m_editedDate = QDateTime::currentDateTime();
    const qsizetype length = textLength();
    m_editedLength = length - m_lastStringLength;
    m_lastStringLength = length;
    maybeAutoComplete();
    platform::NotificationCenter::defaultCenter().post(TextDidChangeNotification, this, userInfo);
}

KVCodeTextView::TextRange KVCodeTextView::selectedRange() const
{
    const QTextCursor c = textCursor();
    return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
}

void KVCodeTextView::setSelectedRange(TextRange range)
{
    const qsizetype n = textLength();
    const qsizetype from = qBound<qsizetype>(0, range.location, n);
    const qsizetype to = qBound<qsizetype>(from, range.location + range.length, n);
    QTextCursor c(document());
    c.setPosition(int(from));
    c.setPosition(int(to), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

// ---- display settings ---------------------------------------------------------------------

void KVCodeTextView::setShowInvisibleCharacters(bool show)
{
    m_showInvisibleCharacters = show;
    viewport()->update();
}

void KVCodeTextView::setCaretWidth(qreal width)
{
    // The view draws its own caret (wider, in the caret colour); the system one stays hidden.
    m_caretWidth = width;
    setCursorWidth(0);
    viewport()->update();
}

void KVCodeTextView::setCaretColor(const QColor& color)
{
    m_caretColor = color;
    viewport()->update();
}

void KVCodeTextView::setTextFont(const QFont& font)
{
    setFont(font);
    document()->setDefaultFont(font);
    setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 4);
}

void KVCodeTextView::setTextInset(qreal inset)
{
    document()->setDocumentMargin(inset);
}

void KVCodeTextView::setErrors(const QList<KVCodeError>& errors)
{
    m_errors = errors;
    viewport()->update();
    if (m_codeView && m_codeView->lineNumberRulerView())
        m_codeView->lineNumberRulerView()->update();
}

KVCodeTextView::TextRange KVCodeTextView::rangeForError(const KVCodeError& error) const
{
    return m_lineNumbersManager->rangeForLineIndex(error.lineIndex() - 1, error.columnIndex() - 1);
}

// ---- completion ---------------------------------------------------------------------------

void KVCodeTextView::complete()
{
    if (auto* presenter = KVAutoCompletePresenter::shared())
        presenter->completeForTextView(this);
}

void KVCodeTextView::showCompletions()
{
    m_autoCompleteTimer.stop();
    m_completionRequested = true;
    complete();
    m_completionRequested = false;
}

void KVCodeTextView::completeEnd()
{
    // A request still waiting would open the popup again right after closing it.
    m_autoCompleteTimer.stop();
    if (auto* presenter = KVAutoCompletePresenter::shared())
        presenter->completeEnd(this);
}

void KVCodeTextView::completeWithDelay()
{
    m_autoCompleteTimer.stop();
    if (m_autoCompleteDelay < 0)
        return;
    m_autoCompleteTimer.start(int(m_autoCompleteDelay * 1000));
}

void KVCodeTextView::maybeAutoComplete()
{
    const auto* presenter = KVAutoCompletePresenter::shared();
    if (m_editedLength < 0 && !(presenter && presenter->isPopupVisible()))
        return;
    if (std::abs(m_editedLength) == 1)
        completeWithDelay();
    else
        completeEnd();
}

KVCodeTextView::TextRange KVCodeTextView::rangeForUserCompletion() const
{
    if (m_codeView && m_codeView->autoCompleteDelegate())
        return m_codeView->autoCompleteDelegate()->rangeForUserCompletion();
    // Plain word completion: the name characters before an empty selection.
    const TextRange selection = selectedRange();
    if (selection.length > 0)
        return {TextRange::kNotFound, 0};
    const QString before = variableStringNextToLocation(selection.location, false);
    if (before.isEmpty())
        return {TextRange::kNotFound, 0};
    return {selection.location - before.length(), before.length()};
}

KVAutoCompletionSet KVCodeTextView::completionsForPartialWordRange(TextRange range, qsizetype* index) const
{
    if (m_codeView && m_codeView->autoCompleteDelegate())
        return m_codeView->autoCompleteDelegate()->completionsForPartialWordRange(range, index);
    KVAutoCompletionSet set;
    set.setSelection(true);
    if (range.isNotFound())
        return set;
    const QString text = string();
    const QString partial = text.mid(range.location, range.length);
    // The words of the text that start with the partial word, in order of first appearance.
    static const QRegularExpression word(QStringLiteral("[A-Za-z_$][\\w$]*"));
    QSet<QString> seen;
    QList<KVAutoCompletion> items;
    auto it = word.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.capturedStart() == range.location)
            continue;
        const QString w = m.captured();
        if (w.length() > partial.length() && w.startsWith(partial) && !seen.contains(w)) {
            seen.insert(w);
            items.append(KVAutoCompletion(w, QString(), QString(), false));
        }
    }
    set.setCompletions(items);
    return set;
}

// ---- ranges and characters ------------------------------------------------------------------

QRectF KVCodeTextView::textBlockRect(const QTextBlock& block) const
{
    return blockBoundingGeometry(block).translated(contentOffset());
}

void KVCodeTextView::setLeftMargin(int width)
{
    setViewportMargins(width, 0, 0, 0);
}

KVCodeTextView::TextRange KVCodeTextView::visibleRange() const
{
    QTextBlock block = firstVisibleBlock();
    if (!block.isValid())
        return {0, 0};
    const qsizetype start = block.position();
    qsizetype end = start;
    const qreal height = viewport()->height();
    for (; block.isValid(); block = block.next()) {
        const QRectF r = textBlockRect(block);
        if (r.top() > height)
            break;
        end = block.position() + block.length() - 1;
    }
    return {start, qMin(end, textLength()) - start};
}

KVCodeTextView::TextRange KVCodeTextView::visibleLineRange() const
{
    return m_lineNumbersManager->lineRangeForRange(visibleRange());
}

KVCodeTextView::TextRange KVCodeTextView::visibleLineIndices() const
{
    return m_lineNumbersManager->lineIndicesForRange(visibleRange());
}

QRectF KVCodeTextView::cursorRectangle() const
{
    return rectForRange(selectedRange());
}

QRectF KVCodeTextView::rectForRange(TextRange range) const
{
    QTextCursor start(document());
    start.setPosition(int(qBound<qsizetype>(0, range.location, textLength())));
    QTextCursor end(document());
    end.setPosition(int(qBound<qsizetype>(0, range.end(), textLength())));
    const QRect a = cursorRect(start);
    const QRect b = cursorRect(end);
    if (b.top() != a.top() || b.left() < a.left())
        return QRectF(a.left(), a.top(), viewport()->width() - a.left(), a.height());
    return QRectF(a.left(), a.top(), b.left() - a.left(), a.height());
}

QString KVCodeTextView::characterOnLeftOfRange(TextRange range) const
{
    if (range.location <= 0)
        return {};
    return QString(m_buffer->characterAt(range.location - 1));
}

QString KVCodeTextView::characterOnRightOfRange(TextRange range) const
{
    if (range.end() >= textLength())
        return {};
    return QString(m_buffer->characterAt(range.end()));
}

bool KVCodeTextView::validVariableCharacter(const QString& character) const
{
    if (character.length() != 1) {
        platform::Log::error(QStringLiteral("editor"),
                             QStringLiteral("Error: check for valid variable name character expects a single character as input"));
        return false;
    }
    return m_typing.variableCharacters.contains(character);
}

QString KVCodeTextView::variableStringNextToLocation(qsizetype location, bool forward) const
{
    QString run;
    if (forward) {
        for (qsizetype i = location; i < textLength(); ++i) {
            const QChar c = m_buffer->characterAt(i);
            if (!typing::isNameCharacter(m_typing, c))
                break;
            run.append(c);
        }
    } else {
        // Collected nearest first, as the backward scan meets them; reversed for the caller.
        for (qsizetype i = location - 1; i >= 0; --i) {
            const QChar c = m_buffer->characterAt(i);
            if (!typing::isNameCharacter(m_typing, c))
                break;
            run.prepend(c);
        }
    }
    return run;
}

KVCodeTextView::TextRange KVCodeTextView::variableRangeAtLocation(qsizetype location) const
{
    const qsizetype before = variableStringNextToLocation(location, false).length();
    const qsizetype after = variableStringNextToLocation(location, true).length();
    return {location - before, before + after};
}

// ---- editing --------------------------------------------------------------------------------

template <typename Rule> void KVCodeTextView::runRule(Rule rule)
{
    m_buffer->beginRule();
    rule(*m_buffer);
    m_buffer->endRule();
    ensureCursorVisible();
}

void KVCodeTextView::insertText(const QString& text)
{
    runRule([&](TextBuffer& b) { typing::insertText(b, m_typing, text); });
}

void KVCodeTextView::noteCompletionEndsInBlank(qsizetype end)
{
    m_completionBlankEnd = end;
    m_completionBlankRevision = document()->revision();
}

bool KVCodeTextView::takeCompletionBlank()
{
    const TextRange selection = selectedRange();
    const bool at = m_completionBlankEnd > 0 && selection.length == 0 && selection.location == m_completionBlankEnd
                    && document()->revision() == m_completionBlankRevision
                    && m_buffer->characterAt(m_completionBlankEnd - 1) == u' ';
    m_completionBlankEnd = -1;
    return at;
}

void KVCodeTextView::insertNewline()
{
    const bool dropBlank = takeCompletionBlank();
    runRule([&](TextBuffer& b) {
        if (dropBlank)
            b.replace({b.selectedRange().location - 1, 1}, QString());
        typing::insertNewline(b, m_typing);
    });
}

void KVCodeTextView::insertTab()
{
    runRule([&](TextBuffer& b) { typing::insertTab(b, m_typing); });
}

void KVCodeTextView::deleteBackward()
{
    const TextRange sel = selectedRange();
    if (sel.length == 0 && sel.location > 0) {
        bool handled = false;
        runRule([&](TextBuffer& b) { handled = typing::deleteEmptyPair(b, m_typing, {sel.location - 1, 1}); });
        if (handled)
            return;
    }
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        // A whole character: never half of a surrogate pair or of a combining sequence.
        const qsizetype previous = typing::previousCharacterBoundary(*m_buffer, c.position());
        if (previous == c.position())
            return;
        c.setPosition(int(previous), QTextCursor::KeepAnchor);
    }
    c.removeSelectedText();
}

void KVCodeTextView::deleteForward()
{
    const TextRange sel = selectedRange();
    if (sel.length == 0) {
        bool handled = false;
        runRule([&](TextBuffer& b) { handled = typing::deleteEmptyPair(b, m_typing, {sel.location, 1}); });
        if (handled)
            return;
    }
    QTextCursor c = textCursor();
    c.deleteChar();
}

void KVCodeTextView::shiftLeft()
{
    runRule([&](TextBuffer& b) { typing::shiftLeft(b, m_typing); });
}

void KVCodeTextView::shiftRight()
{
    runRule([&](TextBuffer& b) { typing::shiftRight(b, m_typing); });
}

void KVCodeTextView::commentSelection()
{
    runRule([&](TextBuffer& b) { typing::commentSelection(b, m_typing); });
}

void KVCodeTextView::moveWordLeft()
{
    runRule([&](TextBuffer& b) { typing::moveWordLeft(b, m_typing); });
}

void KVCodeTextView::moveWordRight()
{
    runRule([&](TextBuffer& b) { typing::moveWordRight(b, m_typing); });
}

void KVCodeTextView::moveWordLeftAndModifySelection()
{
    runRule([&](TextBuffer& b) { typing::moveWordLeftAndModifySelection(b, m_typing); });
}

void KVCodeTextView::moveWordRightAndModifySelection()
{
    runRule([&](TextBuffer& b) { typing::moveWordRightAndModifySelection(b, m_typing); });
}

void KVCodeTextView::deleteWordBackward()
{
    runRule([&](TextBuffer& b) { typing::deleteWordBackward(b, m_typing); });
}

void KVCodeTextView::deleteWordForward()
{
    runRule([&](TextBuffer& b) { typing::deleteWordForward(b, m_typing); });
}

void KVCodeTextView::replaceCharactersInRange(TextRange range, const QString& text, bool undo)
{
    if (undo && !isReadOnly()) {
        runRule([&](TextBuffer& b) {
            if (!(range.length == 1 && text.isEmpty() && typing::deleteEmptyPair(b, m_typing, range)))
                b.replace(range, text);
        });
        return;
    }
    if (textLength() == 0) {
        setString(text);
        return;
    }
    // Silent: no undo step and no change report.
    const bool wasUndoEnabled = document()->isUndoRedoEnabled();
    const bool wasModified = document()->isModified();
    m_settingString = true;
    document()->setUndoRedoEnabled(false);
    QTextCursor c(document());
    c.setPosition(int(qBound<qsizetype>(0, range.location, textLength())));
    c.setPosition(int(qBound<qsizetype>(0, range.end(), textLength())), QTextCursor::KeepAnchor);
    c.insertText(text);
    document()->setUndoRedoEnabled(wasUndoEnabled);
    document()->setModified(wasModified);
    m_settingString = false;
    m_lastStringLength = textLength();
}

void KVCodeTextView::replaceRanges(const QList<TextRange>& ranges, const QString& text)
{
    if (ranges.isEmpty() || isReadOnly())
        return;
    // From the last to the first, so that each range is still where it was found.
    runRule([&](TextBuffer& b) {
        for (auto range = ranges.crbegin(); range != ranges.crend(); ++range)
            b.replace(*range, text);
    });
}

void KVCodeTextView::setFindMatches(const QList<TextRange>& matches)
{
    m_findMatches = matches;
    viewport()->update();
}

void KVCodeTextView::clickedOnLink(const QVariant& link)
{
    platform::NotificationCenter::defaultCenter().post(ClickedOnLinkNotification, this,
                                                       {{QStringLiteral("link"), link}});
}

// ---- links -----------------------------------------------------------------------------------

void KVCodeTextView::addLink(TextRange range, const QVariant& link)
{
    const qsizetype from = qBound<qsizetype>(0, range.location, textLength());
    const qsizetype to = qBound<qsizetype>(from, range.location + range.length, textLength());
    if (to == from)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    m_links.append({cursor, cursor.selectedText(), link});
    viewport()->setMouseTracking(true);
    viewport()->update();
}

void KVCodeTextView::removeAllLinks()
{
    if (m_links.isEmpty() && !m_linkCursorShown)
        return;
    m_links.clear();
    if (m_linkCursorShown) {
        m_linkCursorShown = false;
        viewport()->setCursor(Qt::IBeamCursor);
    }
    viewport()->update();
}

bool KVCodeTextView::isLinkCurrent(const TextLink& link) const
{
    return link.cursor.hasSelection() && link.cursor.selectedText() == link.text;
}

QList<KVCodeTextView::TextRange> KVCodeTextView::linkRanges() const
{
    QList<TextRange> ranges;
    for (const TextLink& link : m_links)
        if (isLinkCurrent(link))
            ranges.append({link.cursor.selectionStart(), link.cursor.selectionEnd() - link.cursor.selectionStart()});
    return ranges;
}

QList<QRectF> KVCodeTextView::linkRects(const TextLink& link) const
{
    // One rectangle per laid-out line the link covers (a wrapped link has two).
    QList<QRectF> rects;
    const int from = link.cursor.selectionStart();
    const int to = link.cursor.selectionEnd();
    const QTextBlock block = document()->findBlock(from);
    if (!block.isValid() || !block.layout())
        return rects;
    const QPointF origin = textBlockRect(block).topLeft();
    const QTextLayout* layout = block.layout();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const int lineFrom = block.position() + line.textStart();
        const int lineTo = lineFrom + line.textLength();
        const int a = qMax(from, lineFrom);
        const int b = qMin(to, lineTo);
        if (b <= a)
            continue;
        const qreal x1 = line.cursorToX(a - block.position());
        const qreal x2 = line.cursorToX(b - block.position());
        rects.append(QRectF(origin.x() + qMin(x1, x2), origin.y() + line.y(), qAbs(x2 - x1), line.height()));
    }
    return rects;
}

void KVCodeTextView::drawLinks(QPainter& painter) const
{
    const qreal height = viewport()->height();
    for (const TextLink& link : m_links) {
        if (!isLinkCurrent(link))
            continue;
        const QColor colour = m_layoutManager ? m_layoutManager->colourAt(link.cursor.selectionStart()) : QColor();
        painter.setPen(QPen(colour.isValid() ? colour : palette().color(QPalette::Text), 1.0));
        const QFontMetricsF metrics(font());
        for (const QRectF& r : linkRects(link)) {
            if (r.bottom() < 0 || r.top() > height)
                continue;
            const qreal y = std::floor(r.top() + metrics.ascent() + metrics.underlinePos()) + 0.5;
            painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        }
    }
}

QVariant KVCodeTextView::linkAtPoint(const QPoint& viewportPoint) const
{
    for (const TextLink& link : m_links) {
        if (!isLinkCurrent(link))
            continue;
        for (const QRectF& r : linkRects(link))
            if (r.contains(viewportPoint))
                return link.value;
    }
    return {};
}

// ---- events ---------------------------------------------------------------------------------

void KVCodeTextView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Control && !event->isAutoRepeat() && m_codeView)
        m_codeView->setShowActions(true);
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const bool word = mods == Qt::ControlModifier || mods == Qt::AltModifier;
    const bool wordShift = mods == (Qt::ControlModifier | Qt::ShiftModifier)
                           || mods == (Qt::AltModifier | Qt::ShiftModifier);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
            insertNewline();
            return;
        }
        break;
    case Qt::Key_Tab:
        if (mods == Qt::NoModifier) {
            insertTab();
            return;
        }
        break;
    case Qt::Key_Backtab:
        shiftLeft();
        return;
    case Qt::Key_Backspace:
        if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
            deleteBackward();
            return;
        }
        if (word) {
            deleteWordBackward();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (mods == Qt::NoModifier) {
            deleteForward();
            return;
        }
        if (word) {
            deleteWordForward();
            return;
        }
        break;
    case Qt::Key_Left:
        if (word) {
            moveWordLeft();
            return;
        }
        if (wordShift) {
            moveWordLeftAndModifySelection();
            return;
        }
        break;
    case Qt::Key_Right:
        if (word) {
            moveWordRight();
            return;
        }
        if (wordShift) {
            moveWordRightAndModifySelection();
            return;
        }
        break;
    case Qt::Key_Slash:
        if (mods == Qt::ControlModifier) {
            commentSelection();
            return;
        }
        break;
    case Qt::Key_Space:
        if (mods == Qt::ControlModifier) {
            showCompletions();
            return;
        }
        break;
    case Qt::Key_BracketRight:
        if (mods == Qt::ControlModifier) {
            shiftRight();
            return;
        }
        break;
    case Qt::Key_BracketLeft:
        if (mods == Qt::ControlModifier) {
            shiftLeft();
            return;
        }
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if ((mods & Qt::ControlModifier) && m_codeView) {
            m_codeView->menuLarger();
            return;
        }
        break;
    case Qt::Key_Minus:
        if (mods == Qt::ControlModifier && m_codeView) {
            m_codeView->menuSmaller();
            return;
        }
        break;
    case Qt::Key_0:
        if (mods == Qt::ControlModifier && m_codeView) {
            m_codeView->menuReset();
            return;
        }
        break;
    default:
        break;
    }
    const QString text = event->text();
    const bool command = (mods & (Qt::ControlModifier | Qt::MetaModifier))
                         && !(mods & Qt::AltModifier); // AltGr arrives as Ctrl+Alt
    if (!text.isEmpty() && !command && text.at(0).isPrint()) {
        if (!(text == u" " && takeCompletionBlank()))
            insertText(text);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void KVCodeTextView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Control && !event->isAutoRepeat() && m_codeView)
        m_codeView->setShowActions(false);
    QPlainTextEdit::keyReleaseEvent(event);
}

void KVCodeTextView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!isReadOnly() && event->preeditString().isEmpty() && event->replacementLength() == 0
        && !event->commitString().isEmpty()) {
        insertText(event->commitString());
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void KVCodeTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QPlainTextEdit::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    QTextCursor hit = cursorForPosition(pos);
    qsizetype c = hit.position();
    if (c > 0 && pos.x() < cursorRect(hit).left())
        c -= 1;
    if (c >= textLength()) {
        QPlainTextEdit::mouseDoubleClickEvent(event);
        return;
    }
    QTextCursor wordCursor(document());
    wordCursor.setPosition(int(c));
    wordCursor.select(QTextCursor::WordUnderCursor);
    TextRange word{wordCursor.selectionStart(), wordCursor.selectionEnd() - wordCursor.selectionStart()};
    if (word.length == 0)
        word = {c, 1};
    const typing::DoubleClickSelection result = typing::doubleClickSelection(*m_buffer, c, word);
    if (result.beep)
        QApplication::beep();
    setSelectedRange(result.range);
    event->accept();
}

void KVCodeTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_links.isEmpty()) {
        const QVariant link = linkAtPoint(event->position().toPoint());
        if (link.isValid()) {
            event->accept();
            clickedOnLink(link);
            return;
        }
    }
    QPlainTextEdit::mousePressEvent(event);
}

void KVCodeTextView::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    if (m_links.isEmpty() && !m_linkCursorShown)
        return;
    const bool overLink = linkAtPoint(event->position().toPoint()).isValid();
    if (overLink != m_linkCursorShown) {
        m_linkCursorShown = overLink;
        viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
    }
}

bool KVCodeTextView::isCaretShown() const
{
    return hasFocus() && !isReadOnly() && !textCursor().hasSelection() && m_caretPhaseOn;
}

void KVCodeTextView::restartCaretBlink()
{
    m_caretPhaseOn = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_caretBlink.start(flash / 2);
    else
        m_caretBlink.stop();
}

void KVCodeTextView::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    restartCaretBlink();
    viewport()->update();
}

void KVCodeTextView::focusOutEvent(QFocusEvent* event)
{
    m_caretBlink.stop();
    m_caretPhaseOn = true;
    viewport()->update();
    platform::NotificationCenter::defaultCenter().post(ResignFirstResponderNotification, nullptr);
    QPlainTextEdit::focusOutEvent(event);
}

void KVCodeTextView::paintEvent(QPaintEvent* event)
{
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_equalNameRanges.isEmpty()) {
        painter.setPen(QPen(platform::colorWithHexColorString(QStringLiteral("36363A")), 1.0));
        painter.setBrush(Qt::NoBrush);
        for (const TextRange& range : m_equalNameRanges) {
            const QRectF r = rectForRange(range);
            const QRectF box(std::floor(r.x()) + 0.5, r.y() + 0.5, std::ceil(r.width()), r.height());
            painter.drawRoundedRect(box, 2.0, 2.0);
        }
    }
    if (!m_findMatches.isEmpty()) {
        // Only the matches in view are drawn: a search may find thousands.
        const TextRange visible = visibleRange();
        const auto first = std::lower_bound(m_findMatches.cbegin(), m_findMatches.cend(), visible.location,
                                            [](const TextRange& m, qsizetype at) { return m.location + m.length < at; });
        painter.setPen(QPen(QColor(0xE6, 0xB4, 0x22), 1.0));
        painter.setBrush(QColor(0xE6, 0xB4, 0x22, 70));
        for (auto match = first; match != m_findMatches.cend() && match->location <= visible.location + visible.length; ++match) {
            const QRectF r = rectForRange(*match);
            painter.drawRoundedRect(QRectF(std::floor(r.x()) + 0.5, r.y() + 0.5, std::max<qreal>(std::ceil(r.width()), 2), r.height()), 2.0, 2.0);
        }
    }
    if (m_layoutManager)
        m_layoutManager->drawInvisibles(painter);
    if (!m_links.isEmpty())
        drawLinks(painter);
    if (isCaretShown()) {
        const QRect caret = cursorRect();
        const qreal height = std::ceil(caret.height() * 1.1);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillRect(QRectF(caret.left(), caret.top() - (height - caret.height()) / 2, m_caretWidth, height),
                         m_caretColor);
    }
}

void KVCodeTextView::insertFromMimeData(const QMimeData* source)
{
    platform::NotificationCenter::defaultCenter().post(NotificationName::HideActions(), nullptr);
    bool matched = false;
    if (source && source->hasUrls()) {
        for (const QUrl& url : source->urls()) {
            if (!url.isLocalFile())
                continue;
            const QString path = url.toLocalFile();
            const QString ext = QFileInfo(path).suffix().toLower();
            QString name;
            if (ext == u"png" || ext == u"jpg" || ext == u"jpeg" || ext == u"tif" || ext == u"gif")
                name = PastedImageNotification;
            else if (ext == u"mov" || ext == u"mp4" || ext == u"m4a")
                name = PastedVideoNotification;
            else if (ext == u"coffee" || ext == u"js")
                name = PastedModuleNotification;
            if (name.isEmpty())
                continue;
            matched = true;
            platform::NotificationCenter::defaultCenter().post(name, this, {{QStringLiteral("filePath"), path}});
        }
    }
    if (matched || !source)
        return;
    // Plain text only; pasted text is one change and one undo step.
    if (source->hasText())
        runRule([&](TextBuffer& b) { b.replace(b.selectedRange(), source->text()); });
}

// ---- selection ------------------------------------------------------------------------------

void KVCodeTextView::textViewDidChangeSelection()
{
    const TextRange selection = selectedRange();
    if (selection == m_lastPostedSelection)
        return;
    m_lastPostedSelection = selection;
    if (selection.length > 0)
        completeEnd();
    highlightEqualWordsToSelection();
    platform::NotificationCenter::defaultCenter().post(SelectionDidChangeNotification, this);
}

QList<KVCodeTextView::TextRange> KVCodeTextView::rangesForVisibleWords() const
{
    const TextRange lines = visibleLineRange();
    if (lines.isNotFound())
        return {};
    const QString text = string().mid(lines.location, lines.length);
    static const QRegularExpression word(QStringLiteral("(?<!\\w)[\\d\\w]+"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    QList<TextRange> ranges;
    auto it = word.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        ranges.append({lines.location + m.capturedStart(), m.capturedLength()});
    }
    return ranges;
}

void KVCodeTextView::highlightEqualWordsToSelection()
{
    const TextRange selection = selectedRange();
    const bool hadBoxes = !m_equalNameRanges.isEmpty();
    if (selection.length > 0) {
        const QList<TextRange> words = rangesForVisibleWords();
        if (words.contains(selection)) {
            const QString text = string();
            m_selectedName = text.mid(selection.location, selection.length);
            m_equalNameRanges.clear();
            for (const TextRange& r : words) {
                if (r != selection && QStringView(text).mid(r.location, r.length) == m_selectedName)
                    m_equalNameRanges.append(r);
            }
            viewport()->update();
            return;
        }
    }
    if (!m_selectedName.isEmpty() || hadBoxes) {
        m_selectedName.clear();
        m_equalNameRanges.clear();
        viewport()->update();
    }
}
