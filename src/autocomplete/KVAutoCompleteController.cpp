#include "autocomplete/KVAutoCompleteController.h"

#include "autocomplete/CompletionDescriptions.h"
#include "autocomplete/CompletionImages.h"
#include "autocomplete/CompletionRowStyle.h"
#include "autocomplete/KVAutoCompleteListView.h"
#include "autocomplete/KVAutoCompleteTableViewController.h"
#include "autocomplete/KVAutoCompleteWindow.h"
#include "autocomplete/KVAutoCompletionExtraInfoView.h"
#include "autocomplete/PopupEvents.h"
#include "autocomplete/PopupGeometry.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "messages/KVAnchorLinkHelper.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/gui/ColorExtras.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace {

const QString kDomain = QStringLiteral("autocomplete");

autocomplete::PopupKey popupKey(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        return autocomplete::PopupKey::Up;
    case Qt::Key_Down:
        return autocomplete::PopupKey::Down;
    case Qt::Key_Left:
        return autocomplete::PopupKey::Left;
    case Qt::Key_Right:
        return autocomplete::PopupKey::Right;
    case Qt::Key_Escape:
        return autocomplete::PopupKey::Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return autocomplete::PopupKey::Enter;
    case Qt::Key_Tab:
        return autocomplete::PopupKey::Tab;
    default:
        return autocomplete::PopupKey::Other;
    }
}

} // namespace

namespace {
QPointer<KVAutoCompleteController> sharedController;

// Widgets must go while the application object still stands: its destructor runs this first.
void deleteSharedController()
{
    delete sharedController.data();
}
} // namespace

KVAutoCompleteController& KVAutoCompleteController::sharedInstance()
{
    if (!sharedController) {
        sharedController = new KVAutoCompleteController;
        // A presenter put in place before (a test's) keeps its place.
        if (!KVAutoCompletePresenter::shared())
            KVAutoCompletePresenter::setShared(sharedController);
        qAddPostRoutine(deleteSharedController);
    }
    return *sharedController;
}

KVAutoCompleteController::KVAutoCompleteController(platform::UserDefaults* defaults, const QString& autocompleteInfoPath)
    : m_defaults(defaults ? defaults : &platform::UserDefaults::standard())
{
    m_window = new KVAutoCompleteWindow;
    setup();
    update();
    parseAutocompleteInfo(autocompleteInfoPath.isEmpty()
                              ? platform::Bundle::main().pathForResource(QStringLiteral("KVAutocompleteInfo"), QStringLiteral("json"))
                              : autocompleteInfoPath);
}

KVAutoCompleteController::~KVAutoCompleteController()
{
    stopMonitor();
    if (KVAutoCompletePresenter::shared() == this)
        KVAutoCompletePresenter::setShared(nullptr);
    delete m_tableViewController;
    delete m_window;
}

QWidget* KVAutoCompleteController::backgroundView() const
{
    return m_window->backgroundView();
}

void KVAutoCompleteController::setup()
{
    m_tableViewController = new KVAutoCompleteTableViewController(this);
    m_extraInfoView = new KVAutoCompletionExtraInfoView(backgroundView());
    m_extraInfoView->raise();
    connect(m_extraInfoView, &KVAutoCompletionExtraInfoView::docsLinkClicked, this,
            [this](const QString& key) { openAnchor(key); });
    // The application coming to the front or going to the back closes the popup.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { completeEnd(); });
}

void KVAutoCompleteController::update()
{
    m_window->setLook(platform::colorWithHexColorString(m_appearance.windowColor), m_appearance.borderRadius,
                      m_appearance.borderWidth, platform::colorWithHexColorString(m_appearance.borderColor));
    m_tableViewController->update();
}

void KVAutoCompleteController::setAppearance(const KVAutoCompleteAppearance& appearance)
{
    m_appearance = appearance;
    update();
    if (isPopupVisible())
        layout();
}

void KVAutoCompleteController::parseAutocompleteInfo(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        platform::Log::error(kDomain, QStringLiteral("The completion descriptions \"KVAutocompleteInfo\" could not be read%1")
                                          .arg(path.isEmpty() ? QString() : QStringLiteral(" from ") + path));
        return;
    }
    QString error;
    m_autocompleteInfo = autocomplete::parseAutocompleteInfo(file.readAll(), &error);
    if (!error.isEmpty())
        platform::Log::error(kDomain, QStringLiteral("Autocomplete JSON parse error: %1").arg(error));
}

QString KVAutoCompleteController::descriptionForCodeTypeID(const QString& key) const
{
    return autocomplete::descriptionForCodeTypeID(m_autocompleteInfo, key);
}

std::optional<double> KVAutoCompleteController::storedFontSize() const
{
    const double size = m_defaults->doubleForKey(KVCodeView::FontSizeKey);
    return size > 0 ? std::optional<double>(size) : std::nullopt;
}

double KVAutoCompleteController::columnMargin() const
{
    return autocomplete::columnMargin(storedFontSize());
}

QPointF KVAutoCompleteController::windowOffset() const
{
    return autocomplete::windowOffset(storedFontSize());
}

QImage KVAutoCompleteController::selectedIconForType(const QString& type) const
{
    return autocomplete::completionImageNamed(autocomplete::imageNameForType(type, true));
}

QImage KVAutoCompleteController::tintedIconForType(const QString& type) const
{
    return autocomplete::completionImageNamed(autocomplete::imageNameForType(type, false));
}

void KVAutoCompleteController::setDocumentationOpener(std::function<void(const QString&)> opener)
{
    m_documentationOpener = std::move(opener);
}

void KVAutoCompleteController::openAnchor(const QString& key)
{
    const QString anchor = KVAnchorLinkHelper::anchorForKey(key);
    if (anchor.isEmpty())
        return;
    if (m_documentationOpener) {
        m_documentationOpener(anchor);
        return;
    }
    platform::Log::info(kDomain, QStringLiteral("There is no documentation window: the link to \"%1\" opens nothing").arg(anchor));
}

// ---- opening and closing -----------------------------------------------------------------

bool KVAutoCompleteController::isPopupVisible() const
{
    return m_window && m_window->isVisible();
}

void KVAutoCompleteController::completeForTextView(KVCodeTextView* textView)
{
    if (!textView)
        return;
    if (m_textView && m_textView != textView)
        completeEnd();
    if (textView->isReadOnly() || textView->textLength() == 0) {
        completeEnd();
        return;
    }
    if (m_textView != textView)
        connect(textView, &QObject::destroyed, this, &KVAutoCompleteController::textViewDestroyed, Qt::UniqueConnection);
    m_textView = textView;
    const platform::TextRange range = textView->rangeForUserCompletion();
    if (range.isNotFound() || range.location < 0 || range.end() > textView->textLength()) {
        completeEnd();
        return;
    }
    m_currentRangeForUserCompletion = range;
    m_originalWord = textView->string().mid(range.location, range.length);
    updateCompletions();
    if (m_autoCompletionSet.completions().isEmpty()) {
        completeEnd();
        return;
    }
    m_tableViewController->reloadData();
    updateSelection();
    m_tableViewController->tableView()->scrollContentTo(0);
    layout();
    if (QWidget* editorWindow = textView->window()) {
        m_window->winId();
        if (QWindow* handle = m_window->windowHandle())
            handle->setTransientParent(editorWindow->windowHandle());
    }
    if (!m_window->isVisible())
        m_window->show();
    startMonitor();
}

void KVAutoCompleteController::completeEnd(KVCodeTextView* textView)
{
    // One popup serves every editor: another editor's request leaves this one's popup alone.
    if (textView && m_textView && textView != m_textView)
        return;
    completeEnd();
}

void KVAutoCompleteController::completeEnd()
{
    stopMonitor();
    if (!m_window->isVisible())
        return;
    m_window->hide();
    if (m_textView && m_textView->isActiveWindow() && !m_textView->hasFocus())
        m_textView->setFocus(Qt::OtherFocusReason);
}

void KVAutoCompleteController::textViewDestroyed()
{
    completeEnd();
}

void KVAutoCompleteController::closeThroughTextView()
{
    // The text view also drops a request still waiting to reopen the popup.
    if (m_textView)
        m_textView->completeEnd();
    else
        completeEnd();
}

void KVAutoCompleteController::textViewGeometryDidChange(KVCodeTextView* textView)
{
    if (!isPopupVisible() || !textView || textView != m_textView)
        return;
    const platform::TextRange visible = textView->visibleRange();
    const qsizetype location = m_currentRangeForUserCompletion.location;
    // The end of the visible text counts as visible: a word typed at the very end of the text
    // has its range there.
    if (location < visible.location || location > visible.end()) {
        closeThroughTextView();
        return;
    }
    layout();
}

// ---- the list ------------------------------------------------------------------------------

void KVAutoCompleteController::updateCompletions()
{
    m_autoCompletionSet = m_textView ? m_textView->completionsForPartialWordRange(m_currentRangeForUserCompletion, nullptr)
                                     : KVAutoCompletionSet();
}

void KVAutoCompleteController::updateSelection()
{
    if (m_autoCompletionSet.selection() && !m_autoCompletionSet.completions().isEmpty()) {
        m_selectedRow = 0;
        m_tableViewController->selectRow(0);
    } else {
        m_selectedRow = -1;
        m_tableViewController->deselectAll();
    }
}

void KVAutoCompleteController::clearTextSizeCache()
{
    m_textSizeCache.clear();
}

double KVAutoCompleteController::measuredWidth(const QString& text, const QFont& font)
{
    // One font measures everything (the list's), and the cache goes with a change of it.
    const auto it = m_textSizeCache.constFind(text);
    if (it != m_textSizeCache.cend())
        return *it;
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    m_textSizeCache.insert(text, width);
    return width;
}

void KVAutoCompleteController::layout()
{
    KVCodeTextView* textView = m_textView;
    if (!textView)
        return;
    const QList<KVAutoCompletion>& items = m_autoCompletionSet.completions();
    const QFont& font = m_tableViewController->normalFont();
    double widestWord = 0;
    double widestType = 0;
    for (const KVAutoCompletion& item : items) {
        widestWord = std::max(widestWord, measuredWidth(item.word(), font));
        widestType = std::max(widestType, measuredWidth(item.type(), font));
    }
    const double margin = columnMargin();
    const double rowHeight = m_tableViewController->rowHeight();
    autocomplete::ContentSizeInput sizeInput;
    sizeInput.widestWord = widestWord;
    sizeInput.widestType = widestType;
    sizeInput.iconColumnWidth = m_appearance.showTypeIcon ? KVAutoCompleteTableViewController::kIconColumnWidth : 0;
    sizeInput.rowHeight = rowHeight;
    sizeInput.itemCount = items.size();
    sizeInput.maximumVisibleResults = m_appearance.maximumVisibleResults;
    sizeInput.margin = margin;

    QString key;
    if (m_selectedRow >= 0 && m_selectedRow < items.size())
        key = autocomplete::descriptionKeyForItem(items.at(m_selectedRow));
    if (key.isEmpty()) {
        m_extraInfoView->setDescription(QString(), QString(), storedFontSize());
    } else {
        const QString description = descriptionForCodeTypeID(key);
        m_extraInfoView->setDescription(description.isNull() ? key : description, key, storedFontSize());
    }

    const QRectF word = textView->rectForRange(m_currentRangeForUserCompletion);
    const QPointF topLeft = textView->viewport()->mapToGlobal(word.topLeft());
    autocomplete::PlacementInput place;
    place.line = QRectF(topLeft, word.size());
    place.content = autocomplete::contentSize(sizeInput);
    // A long description wraps: its panel grows by the lines it needs.
    const double oneLine = autocomplete::descriptionHeight(rowHeight);
    place.descriptionHeight = key.isEmpty() ? oneLine : m_extraInfoView->panelHeightForWidth(place.content.width(), oneLine);
    place.content.rheight() += place.descriptionHeight - oneLine;
    place.borderWidth = m_appearance.borderWidth;
    place.hasDescription = !key.isEmpty();
    QScreen* screen = QGuiApplication::screenAt(place.line.center().toPoint());
    if (!screen)
        screen = textView->screen();
    if (screen)
        place.screen = screen->availableGeometry();
    place.offsetX = windowOffset().x();
    const autocomplete::Placement placement = autocomplete::placePopup(place);

    m_tableViewController->setColumnWidths(autocomplete::wordColumnWidth(widestWord, margin), widestType + margin);
    m_window->setGeometry(placement.window);
    m_tableViewController->scrollView()->setGeometry(placement.list.toRect());
    m_extraInfoView->setBorderAtBottom(placement.above);
    m_extraInfoView->setVisible(place.hasDescription);
    if (place.hasDescription) {
        m_extraInfoView->setGeometry(placement.panel.toRect());
        m_extraInfoView->raise();
    }
}

// ---- choosing ------------------------------------------------------------------------------

void KVAutoCompleteController::selectCurrent()
{
    updateTextViewWithMovement(autocomplete::OtherTextMovement, true);
}

void KVAutoCompleteController::updateTextViewWithMovement(int movement, bool isFinal)
{
    KVCodeTextView* textView = m_textView;
    if (!textView) {
        if (movement == autocomplete::CancelTextMovement || isFinal)
            completeEnd();
        return;
    }
    const std::optional<QString> word = autocomplete::completionWordToInsert(
        movement, isFinal, m_originalWord, m_tableViewController->selectedRow(), m_autoCompletionSet.completions());
    if (!word)
        return;
    platform::TextRange range = m_currentRangeForUserCompletion;
    // The text changed since the list was made (its refresh is still waiting): the word typed
    // now is what the choice replaces.
    if (textView->isAutoCompletePending()) {
        const platform::TextRange fresh = textView->rangeForUserCompletion();
        if (!fresh.isNotFound())
            range = fresh;
    }
    range.location = std::clamp<qsizetype>(range.location, 0, textView->textLength());
    range.length = std::clamp<qsizetype>(range.length, 0, textView->textLength() - range.location);
    // Putting back the same word leaves the text, its undo history and its saved state alone.
    if (!textView->isReadOnly() && QStringView(textView->string()).mid(range.location, range.length) != *word)
        textView->replaceCharactersInRange(range, *word, true);
    textView->setSelectedRange({range.location + word->size(), 0});
    if (word->endsWith(u' '))
        textView->noteCompletionEndsInBlank(range.location + word->size());
    closeThroughTextView();
}

// ---- the event monitor -----------------------------------------------------------------------

void KVAutoCompleteController::startMonitor()
{
    if (m_monitoring)
        return;
    m_monitoring = true;
    qApp->installEventFilter(this);
}

void KVAutoCompleteController::stopMonitor()
{
    if (!m_monitoring)
        return;
    m_monitoring = false;
    qApp->removeEventFilter(this);
}

bool KVAutoCompleteController::handleKey(QKeyEvent* event, bool shortcutOverride)
{
    using autocomplete::PopupAction;
    const autocomplete::PopupEventDecision decision = autocomplete::decidePopupEvent(
        autocomplete::PopupEventKind::KeyDown, popupKey(event), event->modifiers() & Qt::AltModifier,
        m_tableViewController->selectedRow() >= 0, m_autoCompletionSet.tabAcceptsFirst());
    if (shortcutOverride) {
        // Keys the popup takes are not the window's shortcuts while it is open.
        if (decision.consumed)
            event->accept();
        return decision.consumed;
    }
    switch (decision.action) {
    case PopupAction::None:
        break;
    case PopupAction::MoveUp:
    case PopupAction::MoveDown:
        if (decision.action == PopupAction::MoveUp)
            m_tableViewController->moveUpSelection();
        else
            m_tableViewController->moveDownSelection();
        updateTextViewWithMovement(decision.action == PopupAction::MoveUp ? autocomplete::UpTextMovement
                                                                          : autocomplete::DownTextMovement,
                                   false);
        m_selectedRow = m_tableViewController->selectedRow();
        layout();
        break;
    case PopupAction::Close:
        closeThroughTextView();
        break;
    case PopupAction::Cancel:
        updateTextViewWithMovement(autocomplete::CancelTextMovement, false);
        break;
    case PopupAction::Insert:
        m_tableViewController->clickItem();
        break;
    case PopupAction::InsertFirst:
        m_tableViewController->selectRow(0);
        m_selectedRow = 0;
        m_tableViewController->clickItem();
        break;
    case PopupAction::ClearSelection:
        if (m_textView) {
            const platform::TextRange selection = m_textView->selectedRange();
            if (selection.length > 0 && !m_textView->isReadOnly())
                m_textView->replaceCharactersInRange(selection, QString(), true);
        }
        updateCompletions();
        m_tableViewController->reloadData();
        break;
    }
    return decision.consumed;
}

bool KVAutoCompleteController::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_monitoring)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!widget || !(mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton))
            return false;
        const bool inside = widget->window() == m_window;
        const auto decision = autocomplete::decidePopupEvent(
            inside ? autocomplete::PopupEventKind::MouseDownInside : autocomplete::PopupEventKind::MouseDownOutside,
            autocomplete::PopupKey::Other, false, m_tableViewController->selectedRow() >= 0);
        if (decision.action == autocomplete::PopupAction::Cancel)
            updateTextViewWithMovement(autocomplete::CancelTextMovement, false);
        return decision.consumed;
    }
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        if (watched != m_textView.data())
            return false;
        return handleKey(static_cast<QKeyEvent*>(event), event->type() == QEvent::ShortcutOverride);
    case QEvent::WindowDeactivate:
        // The editor's window is no longer the one the user works in.
        if (m_textView && watched == m_textView->window())
            completeEnd();
        return false;
    case QEvent::FocusOut:
        if (watched == m_textView.data())
            completeEnd();
        return false;
    default:
        return false;
    }
}
