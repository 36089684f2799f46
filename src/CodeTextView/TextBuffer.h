#pragma once

#include "platform/StringExtras.h"

#include <QString>

// The small surface of an editable text that the typing rules work on. The editor's text view
// implements it over its document; tests implement it over a plain string.
//
// Invariants every implementation keeps:
// - offsets count UTF-16 code units and 0 <= location <= location + length <= length();
// - replace() places the caret right after the inserted text;
// - each replace() is one change that the owner reports (edit tracking, change notification);
// - all changes made while one rule runs are undone together in one step.
class TextBuffer {
public:
    using TextRange = platform::TextRange;

    virtual ~TextBuffer() = default;

    virtual qsizetype length() const = 0;
    virtual QChar characterAt(qsizetype index) const = 0; // a null QChar outside the text
    virtual QString textInRange(TextRange range) const = 0;
    // The line that holds `location`, its line break included; the last line runs to the end.
    // The default scans for "\n"; implementations with a line index answer faster.
    virtual TextRange lineRange(qsizetype location) const;

    virtual TextRange selectedRange() const = 0;
    virtual void setSelectedRange(TextRange range) = 0;

    // Replaces a range after asking whether the change is allowed; answers whether it happened.
    virtual bool replace(TextRange range, const QString& text) = 0;

    // Inserts typed text at the selection (replacing it). Consecutive typing may be undone
    // together, as users expect of plain typing.
    virtual void insertTyped(const QString& text) { replace(selectedRange(), text); }

    virtual void beep() {}
};
