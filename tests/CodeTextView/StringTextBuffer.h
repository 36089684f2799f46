#pragma once

#include "CodeTextView/TextBuffer.h"

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// A TextBuffer over a plain string, for testing the typing rules without a window.
class StringTextBuffer : public TextBuffer {
public:
    explicit StringTextBuffer(QString text = {}, qsizetype caret = -1)
        : m_text(std::move(text)), m_selection{caret < 0 ? m_text.length() : caret, 0} {}

    qsizetype length() const override { return m_text.length(); }
    QChar characterAt(qsizetype i) const override
    {
        return i >= 0 && i < m_text.length() ? m_text.at(i) : QChar();
    }
    QString textInRange(TextRange r) const override
    {
        const qsizetype from = qBound<qsizetype>(0, r.location, m_text.length());
        return m_text.mid(from, qBound<qsizetype>(0, r.length, m_text.length() - from));
    }
    TextRange selectedRange() const override { return m_selection; }
    void setSelectedRange(TextRange r) override { m_selection = r; }
    bool replace(TextRange r, const QString& text) override
    {
        m_text.replace(r.location, r.length, text);
        m_selection = {r.location + text.length(), 0};
        ++changes;
        return true;
    }
    void beep() override { ++beeps; }

    const QString& text() const { return m_text; }
    // The text with "|" at the caret, or "[" and "]" around the selection.
    QString marked() const
    {
        QString t = m_text;
        if (m_selection.length == 0)
            return t.insert(m_selection.location, u'|');
        t.insert(m_selection.end(), u']');
        return t.insert(m_selection.location, u'[');
    }

    int changes = 0;
    int beeps = 0;

private:
    QString m_text;
    TextRange m_selection;
};

// Builds a buffer from text marked like StringTextBuffer::marked().
inline StringTextBuffer bufferFromMarked(QString marked)
{
    const qsizetype open = marked.indexOf(u'[');
    if (open >= 0 && marked.indexOf(u']') > open) {
        marked.remove(open, 1);
        const qsizetype close = marked.indexOf(u']');
        marked.remove(close, 1);
        StringTextBuffer b(marked);
        b.setSelectedRange({open, close - open});
        return b;
    }
    const qsizetype caret = marked.indexOf(u'|');
    if (caret >= 0)
        marked.remove(caret, 1);
    return StringTextBuffer(marked, caret);
}
