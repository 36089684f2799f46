#include "CodeTextView/KVCodeView.h"

#include "CodeTextView/KVAutoCompleteDelegate.h"
#include "CodeTextView/KVAutoCompletePresenter.h"
#include "CodeTextView/KVCodeLineNumberRulerView.h"
#include "CodeTextView/KVCodeLineNumbersManager.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVFindBar.h"
#include "CodeTextView/KVSyntaxColoringDelegate.h"
#include "CodeTextView/KVTextActionsDelegate.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/gui/ColorExtras.h"

#include <algorithm>

#include <QApplication>
#include <QEnterEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <cmath>

const QString KVCodeView::TextRecolouredNotification = QStringLiteral("KVCodeViewTextRecolouredNotification");
const QString KVCodeView::MouseDidEnterNotification = QStringLiteral("KVCodeViewMouseDidEnterNotification");
const QString KVCodeView::FontSizeKey = QStringLiteral("KVCodeEditorFontSize");
const QString KVCodeView::ShowInvisiblesKey = QStringLiteral("KVCodeEditorShowInvisibles");
const QString KVCodeView::AutoCloseCharactersEnabledKey =
    QStringLiteral("KVCodeEditorAutoCloseCharactersEnabledWrapper");

namespace {

constexpr double kDefaultFontSize = 12;

} // namespace

QFont KVCodeView::editorFont(double pointSize)
{
    // The editor's face; fontconfig substitutes the system's monospace face when it is absent.
    QFont font(QStringLiteral("Roboto Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

KVCodeView::KVCodeView(QWidget* parent, platform::UserDefaults* defaults)
    : QWidget(parent), m_defaults(defaults ? defaults : &platform::UserDefaults::standard())
{
    setDefaults();
    setup();
    setupNotifications();
}

KVCodeView::~KVCodeView()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_defaults->removeObserver(this);
    if (m_textView)
        m_textView->cleanup();
}

double KVCodeView::storedFontSize() const
{
    const double size = m_defaults->doubleForKey(FontSizeKey);
    return size > 0 ? std::clamp(size, MinimumFontSize, MaximumFontSize) : kDefaultFontSize;
}

void KVCodeView::setDefaults()
{
    m_currentFont = editorFont(storedFontSize());
    m_lineHeight = 1.4;
    m_maximumFontSize = MaximumFontSize;
    m_minimumFontSize = MinimumFontSize;
}

void KVCodeView::setup()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_textView = new KVCodeTextView(this, this);
    m_findBar = new KVFindBar(m_textView, this);
    layout->addWidget(m_findBar);
    layout->addWidget(m_textView);
    m_ruler = new KVCodeLineNumberRulerView(m_textView);
    setLineNumberViewWidth(40);

    const QColor background = platform::colorWithHexColorString(QStringLiteral("19191B"));
    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setReadOnly(false);
    m_textView->setUndoRedoEnabled(true);
    m_textView->setIndentNewLinesAutomatically(true);
    m_textView->setIndentBracesAutomatically(true);
    QPalette p = m_textView->palette();
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Window, background);
    m_textView->setPalette(p);
    m_textView->setCaretColor(QColor::fromRgbF(0.29f, 0.58f, 0.95f, 1.0f));

    m_syntaxColouringDelegate = std::make_unique<KVSyntaxColoringDelegate>();
    m_textActionsDelegate = std::make_unique<KVTextActionsDelegate>();
    updateSettings();

    m_textView->installEventFilter(this);
    connect(m_textView->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { textViewDidScroll(); });
    connect(m_textView->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { textViewDidScroll(); });
    // Keys that move the caret out of sight scroll the text without a scroll bar signal.
    connect(m_textView, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0)
            textViewDidScroll();
    });
    platform::NotificationCenter::defaultCenter().addObserver(
        KVCodeTextView::TextDidChangeNotification, m_textView,
        [this](const platform::Notification&) { handleTextDidChange(); }, this);
}

void KVCodeView::setupNotifications()
{
    m_defaults->addObserver(FontSizeKey, this, [this] { fontSizeDidChange(); });
    m_defaults->addObserver(ShowInvisiblesKey, this, [this] { showInvisiblesDidChange(); });
    m_defaults->addObserver(AutoCloseCharactersEnabledKey, this,
                            [this] { autoCloseCharactersEnabledDidChange(); });
}

void KVCodeView::setSyntaxColouringDelegate(std::unique_ptr<KVSyntaxColouringDelegate> d)
{
    m_syntaxColouringDelegate = std::move(d);
}

void KVCodeView::setTextActionsDelegate(std::unique_ptr<KVTextActionsDelegate> d)
{
    m_textActionsDelegate = std::move(d);
}

qreal KVCodeView::lineNumberViewWidth() const
{
    return m_ruler ? m_ruler->defaultWidth() : 40;
}

void KVCodeView::setLineNumberViewWidth(qreal width)
{
    if (m_ruler)
        m_ruler->setDefaultWidth(width);
}

void KVCodeView::setShowActions(bool show)
{
    // Showing again repaints: the links may have gone meanwhile (the window lost the focus while
    // the key was held, and its release never reached the editor).
    if (!show && !m_showActions)
        return;
    m_showActions = show;
    if (!m_textActionsDelegate)
        return;
    if (show)
        m_textActionsDelegate->showActionsInTextView(m_textView);
    else
        m_textActionsDelegate->hideActionsInTextView(m_textView);
}

void KVCodeView::updateSettings()
{
    m_textView->setTextFont(m_currentFont);
    m_textView->setTextInset(10);
    m_textView->setShowInvisibleCharacters(m_defaults->boolForKey(ShowInvisiblesKey));
    if (!m_defaults->hasKey(AutoCloseCharactersEnabledKey)) {
        m_textView->setAutoCloseCharactersEnabled(true);
        m_defaults->setBool(AutoCloseCharactersEnabledKey, true);
    } else {
        m_textView->setAutoCloseCharactersEnabled(m_defaults->boolForKey(AutoCloseCharactersEnabledKey));
    }

    QPalette p = m_textView->palette();
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Highlight, platform::colorWithHexColorString(QStringLiteral("363636")));
    p.setColor(QPalette::HighlightedText, Qt::white);
    m_textView->setPalette(p);

    QFont markFont = m_currentFont;
    markFont.setPointSizeF(std::ceil(m_currentFont.pointSizeF() * 0.78));
    const QVariantMap marks = {{QStringLiteral("font"), QVariant::fromValue(markFont)},
                               {QStringLiteral("foreground"),
                                platform::colorWithHexColorString(QStringLiteral("414141"))}};
    m_textView->setInvisibleCharacterAttributes(marks);
    m_textView->setSelectedInvisibleCharacterAttributes(marks);
    if (m_ruler)
        m_ruler->reset();
}

void KVCodeView::updateSyntaxColoring()
{
    const TextRange visible = m_textView->visibleLineRange();
    if (visible.isNotFound())
        return;
    const qsizetype length = m_textView->textLength();
    qsizetype end = visible.end();
    m_syntaxColoringLocation = qMin(m_syntaxColoringLocation, length);
    if (end < m_syntaxColoringLocation)
        return; // the text above has been coloured already
    const TextRange startLine =
        m_textView->lineNumbersManager()->lineRangeForLocation(m_syntaxColoringLocation);
    const qsizetype start = startLine.isNotFound() ? 0 : startLine.location;
    end = qMin(end, length);
    m_syntaxColoringLocation = end;
    if (m_syntaxColouringDelegate)
        m_syntaxColouringDelegate->recolourSyntaxForRange(m_textView, {start, end - start});
    platform::NotificationCenter::defaultCenter().post(TextRecolouredNotification, this);
}

void KVCodeView::handleTextDidChange()
{
    if (m_ruler)
        m_ruler->handleTextDidChange();
    // Everything before the edit stays as coloured as it was; an edit below the coloured part
    // (an inserted image line far down) leaves the lines before it to colour when they show.
    m_syntaxColoringLocation = qMin(m_syntaxColoringLocation, m_textView->editedRange().location);
    updateSyntaxColoring();
}

void KVCodeView::handleTextViewFrameDidChange()
{
    if (m_ruler)
        m_ruler->handleTextViewFrameDidChange();
    if (auto* presenter = KVAutoCompletePresenter::shared())
        presenter->textViewGeometryDidChange(m_textView);
    updateSyntaxColoring();
}

void KVCodeView::handleTextContentViewBoundsDidChange()
{
    if (m_ruler)
        m_ruler->handleTextContentViewBoundsDidChange();
    if (auto* presenter = KVAutoCompletePresenter::shared())
        presenter->textViewGeometryDidChange(m_textView);
    updateSyntaxColoring();
}

void KVCodeView::textViewDidScroll()
{
    const QPoint position(m_textView->horizontalScrollBar()->value(), m_textView->verticalScrollBar()->value());
    if (position == m_lastScrollPosition)
        return;
    m_lastScrollPosition = position;
    handleTextContentViewBoundsDidChange();
}

void KVCodeView::fontSizeDidChange()
{
    QFont font = m_textView->font();
    font.setPointSizeF(storedFontSize());
    m_currentFont = font;
    updateSettings();
    updateSyntaxColoring();
}

void KVCodeView::showInvisiblesDidChange()
{
    m_textView->setShowInvisibleCharacters(m_defaults->boolForKey(ShowInvisiblesKey));
    updateSettings();
}

void KVCodeView::autoCloseCharactersEnabledDidChange()
{
    m_textView->setAutoCloseCharactersEnabled(m_defaults->boolForKey(AutoCloseCharactersEnabledKey));
    updateSettings();
}

void KVCodeView::increaseFontSize()
{
    const double size = m_currentFont.pointSizeF() + 1;
    if (size > m_maximumFontSize) {
        QApplication::beep();
        return;
    }
    m_defaults->setDouble(FontSizeKey, size);
    m_defaults->synchronize();
}

void KVCodeView::decreaseFontSize()
{
    const double size = m_currentFont.pointSizeF() - 1;
    if (size < m_minimumFontSize) {
        QApplication::beep();
        return;
    }
    m_defaults->setDouble(FontSizeKey, size);
    m_defaults->synchronize();
}

void KVCodeView::resetFontSize()
{
    m_defaults->setDouble(FontSizeKey, kDefaultFontSize);
    m_defaults->synchronize();
}

double KVCodeView::scrollDuration(double distance)
{
    const float d = float(std::abs(distance)) / 300.0f;
    return d < 1.0f ? double(0.6f * d + 0.2f) : 0.8;
}

bool KVCodeView::isScrollAnimating() const
{
    return m_scrollAnimation && m_scrollAnimation->state() == QAbstractAnimation::Running;
}

void KVCodeView::scrollToLineIndex(qsizetype lineIndex, bool animate)
{
    auto* lines = m_textView->lineNumbersManager();
    lineIndex = qBound<qsizetype>(0, lineIndex, lines->lineCount() - 1);
    scrollToLineRange(lines->lineRangeForLineIndex(lineIndex), animate);
}

void KVCodeView::scrollToLineRange(TextRange range, bool animate)
{
    // The text view scrolls by lines: positions here are line numbers of the laid-out text.
    QScrollBar* bar = m_textView->verticalScrollBar();
    const int maxY = bar->maximum();
    const int half = bar->pageStep() / 2;
    int target = maxY;
    if (!range.isNotFound()) {
        const QTextBlock block = m_textView->document()->findBlock(
            int(qBound<qsizetype>(0, range.location, m_textView->textLength())));
        target = block.isValid() ? block.firstLineNumber() : maxY;
        if (target < maxY + half)
            target -= half;
    }
    const int finalY = qMax(0, maxY < target ? maxY : target);
    const int currentY = bar->value();
    if (m_scrollAnimation)
        m_scrollAnimation->stop();
    if (finalY == currentY)
        return;
    if (!animate) {
        bar->setValue(finalY);
        return;
    }
    const double lineHeight = QFontMetricsF(m_textView->font()).lineSpacing();
    const double seconds = scrollDuration((finalY - currentY) * lineHeight);
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(currentY);
    animation->setEndValue(finalY);
    animation->setDuration(int(seconds * 1000));
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, bar,
            [bar](const QVariant& v) { bar->setValue(v.toInt()); });
    m_scrollAnimation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void KVCodeView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
}

bool KVCodeView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_textView && event->type() == QEvent::Resize) {
        handleTextViewFrameDidChange();
    }
    return QWidget::eventFilter(watched, event);
}

void KVCodeView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    platform::NotificationCenter::defaultCenter().post(MouseDidEnterNotification, this);
}
