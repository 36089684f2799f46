#include "CodeTextView/KVCodeTextViewBuffer.h"

#include "CodeTextView/KVCodeTextView.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>

qsizetype KVCodeTextViewBuffer::length() const
{
    return m_view->textLength();
}

QChar KVCodeTextViewBuffer::characterAt(qsizetype index) const
{
    if (index < 0 || index >= length())
        return {};
    const QChar c = m_view->document()->characterAt(int(index));
    return c == QChar::ParagraphSeparator ? QChar(u'\n') : c;
}

QString KVCodeTextViewBuffer::textInRange(TextRange range) const
{
    const qsizetype n = length();
    const qsizetype from = qBound<qsizetype>(0, range.location, n);
    const qsizetype to = qBound<qsizetype>(from, range.location + range.length, n);
    if (from == to)
        return {};
    QTextCursor cursor(m_view->document());
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

platform::TextRange KVCodeTextViewBuffer::lineRange(qsizetype location) const
{
    const qsizetype n = length();
    const QTextBlock block = m_view->document()->findBlock(int(qBound<qsizetype>(0, location, n)));
    if (!block.isValid())
        return {n, 0};
    const qsizetype start = block.position();
    return {start, qMin<qsizetype>(start + block.length(), n) - start};
}

platform::TextRange KVCodeTextViewBuffer::selectedRange() const
{
    return m_view->selectedRange();
}

void KVCodeTextViewBuffer::setSelectedRange(TextRange range)
{
    m_view->setSelectedRange(range);
}

bool KVCodeTextViewBuffer::edit(TextRange range, const QString& text, bool mayMergeWithTyping)
{
    if (m_view->isReadOnly())
        return false;
    const qsizetype n = length();
    const qsizetype from = qBound<qsizetype>(0, range.location, n);
    const qsizetype to = qBound<qsizetype>(from, range.location + range.length, n);
    QTextCursor cursor(m_view->document());
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    const bool block = !(mayMergeWithTyping && m_editsInRule == 0 && from == to);
    if (block) {
        if (m_editsInRule == 0)
            cursor.beginEditBlock();
        else
            cursor.joinPreviousEditBlock();
    }
    cursor.insertText(text);
    if (block)
        cursor.endEditBlock();
    ++m_editsInRule;
    m_view->setSelectedRange({from + text.length(), 0});
    return true;
}

bool KVCodeTextViewBuffer::replace(TextRange range, const QString& text)
{
    return edit(range, text, false);
}

void KVCodeTextViewBuffer::insertTyped(const QString& text)
{
    edit(selectedRange(), text, true);
}

void KVCodeTextViewBuffer::beep()
{
    QApplication::beep();
}
