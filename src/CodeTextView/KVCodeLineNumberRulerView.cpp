#include "CodeTextView/KVCodeLineNumberRulerView.h"

#include "CodeTextView/KVCodeTextView.h"
#include "platform/gui/ColorExtras.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>

#include <cmath>

KVCodeLineNumberRulerView::KVCodeLineNumberRulerView(KVCodeTextView* textView)
    : QWidget(textView), m_textView(textView)
{
    m_font = QFont(QStringLiteral("Roboto Mono"));
    m_font.setStyleHint(QFont::Monospace);
    m_font.setPointSizeF(10);
    m_backgroundColor = platform::colorWithHexColorString(QStringLiteral("19191B"));
    m_fontColor = platform::colorWithHexColorString(QStringLiteral("36363A"));
    m_fontErrorColor = platform::colorWithHexColorString(QStringLiteral("FFC22C"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Any change of the line count (typing, pasting, loading in chunks) may add or drop a digit.
    connect(textView, &QPlainTextEdit::blockCountChanged, this, [this] { updateThickness(); });
    m_thickness = thicknessForLastLineNumber(textView->blockCount());
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::setDefaultWidth(qreal width)
{
    m_defaultWidth = width;
    updateThickness();
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::setMargin(qreal margin)
{
    m_margin = margin;
    updateThickness();
    update();
}

void KVCodeLineNumberRulerView::setRulerFont(const QFont& font)
{
    m_font = font;
    updateThickness();
    update();
}

qreal KVCodeLineNumberRulerView::thicknessForLastLineNumber(qsizetype lastLineNumber) const
{
    int digits = 1;
    for (qsizetype n = qMax<qsizetype>(1, lastLineNumber); n >= 10; n /= 10)
        ++digits;
    // Measured on this widget, so with the font that is really drawn at this screen's resolution.
    const QFontMetricsF metrics(m_font, this);
    qreal widestDigit = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        widestDigit = qMax(widestDigit, metrics.horizontalAdvance(QChar(c)));
    return qMax(m_defaultWidth, std::ceil(digits * widestDigit + 2 * m_margin));
}

void KVCodeLineNumberRulerView::updateThickness()
{
    const qreal thickness = m_textView ? thicknessForLastLineNumber(m_textView->blockCount()) : m_defaultWidth;
    if (thickness == m_thickness)
        return;
    m_thickness = thickness;
    // Only a real change moves the text: a new viewport width lays wrapped lines out again.
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::updateGeometryFromTextView()
{
    if (!m_textView)
        return;
    const int width = int(std::ceil(m_thickness));
    m_textView->setLeftMargin(width);
    const QRect contents = m_textView->contentsRect();
    setGeometry(contents.left(), contents.top(), width, contents.height());
    update();
}

bool KVCodeLineNumberRulerView::isErrorLine(qsizetype lineIndex) const
{
    if (!m_textView)
        return false;
    for (const KVCodeError& e : m_textView->errors()) {
        if (e.lineIndex() == lineIndex + 1)
            return true;
    }
    return false;
}

void KVCodeLineNumberRulerView::reset()
{
    m_thickness = m_textView ? thicknessForLastLineNumber(m_textView->blockCount()) : m_defaultWidth;
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::handleTextContentViewBoundsDidChange()
{
    update();
}

void KVCodeLineNumberRulerView::handleTextViewFrameDidChange()
{
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::handleTextDidChange()
{
    update();
}

void KVCodeLineNumberRulerView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_backgroundColor);
    if (!m_textView)
        return;
    painter.setFont(m_font);
    const int viewportTop = m_textView->viewport()->geometry().top() - geometry().top();
    const int bottom = height();
    QTextBlock block = m_textView->firstVisibleTextBlock();
    while (block.isValid()) {
        const QRectF r = m_textView->textBlockRect(block).translated(0, viewportTop);
        if (r.top() > bottom)
            break;
        if (block.isVisible() && r.bottom() >= 0) {
            const qsizetype index = block.blockNumber();
            painter.setPen(isErrorLine(index) ? m_fontErrorColor : m_fontColor);
            const QTextLine first = block.layout()->lineCount() > 0 ? block.layout()->lineAt(0) : QTextLine();
            const qreal lineHeight = first.isValid() ? first.height() : r.height();
            const qreal inset = m_textView->document()->documentMargin();
            const QRectF label(m_margin, r.top() + (first.isValid() ? first.y() : inset), requiredThickness() - 2 * m_margin,
                               lineHeight);
            painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(index + 1));
        }
        block = block.next();
    }
}
