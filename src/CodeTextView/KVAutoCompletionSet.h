#pragma once

#include "CodeTextView/KVAutoCompletion.h"

#include <QList>

// The answer to one completion request: the items in display order and whether the popup
// selects the first one. An empty list closes the popup.
class KVAutoCompletionSet {
public:
    bool selection() const { return m_selection; }
    void setSelection(bool selection) { m_selection = selection; }
    const QList<KVAutoCompletion>& completions() const { return m_completions; }
    void setCompletions(QList<KVAutoCompletion> completions) { m_completions = std::move(completions); }

private:
    bool m_selection = false;
    QList<KVAutoCompletion> m_completions;
};
