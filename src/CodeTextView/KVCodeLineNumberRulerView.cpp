#include "CodeTextView/KVCodeLineNumberRulerView.h"

#include "CodeTextView/KVCodeTextView.h"
#include "platform/gui/ColorExtras.h"

#include <QPainter>
#include <QTextBlock>

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
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::setDefaultWidth(qreal width)
{
    m_defaultWidth = width;
    updateGeometryFromTextView();
}

void KVCodeLineNumberRulerView::updateGeometryFromTextView()
{
    if (!m_textView)
        return;
    m_textView->setLeftMargin(int(m_defaultWidth));
    const QRect contents = m_textView->contentsRect();
    setGeometry(contents.left(), contents.top(), int(m_defaultWidth), contents.height());
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
