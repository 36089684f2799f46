#pragma once

#include "completion/CompletionSelector.h"

// A candidate fits when its text starts with the typed text, letter case ignored (compared in
// canonically decomposed form). A fitting candidate notes whether the case matched too.
class CaseInsensitivePrefixMatcher : public CompletionSelector {
public:
    bool matchEntry(const QString& entry, Completion& completion) const override;
};

// The number of user-perceived characters (extended grapheme clusters) of the text.
qsizetype graphemeCount(const QString& text);
