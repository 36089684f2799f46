#pragma once

#include "CodeTextView/TextBuffer.h"

class KVCodeTextView;

// The text view's document as a TextBuffer for the typing rules. Between beginRule() and
// endRule() all changes form one undo step; plain typing that is the only change of a rule
// joins the typing before it, as users expect of undo.
class KVCodeTextViewBuffer : public TextBuffer {
public:
    explicit KVCodeTextViewBuffer(KVCodeTextView* view) : m_view(view) {}

    void beginRule() { m_editsInRule = 0; }
    void endRule() {}

    qsizetype length() const override;
    QChar characterAt(qsizetype index) const override;
    QString textInRange(TextRange range) const override;
    TextRange lineRange(qsizetype location) const override;
    TextRange selectedRange() const override;
    void setSelectedRange(TextRange range) override;
    bool replace(TextRange range, const QString& text) override;
    void insertTyped(const QString& text) override;
    void beep() override;

private:
    bool edit(TextRange range, const QString& text, bool mayMergeWithTyping);

    KVCodeTextView* m_view;
    int m_editsInRule = 0;
};
