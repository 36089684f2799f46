#pragma once

#include "CodeTextView/KVAutoCompletion.h"

#include <QList>

// The answer to one completion request: the items in display order, whether the popup selects
// the first one (which Return then takes) and whether Tab takes the first one when no row is
// selected. An empty list closes the popup.
class KVAutoCompletionSet {
public:
    bool selection() const { return m_selection; }
    void setSelection(bool selection) { m_selection = selection; }
    bool tabAcceptsFirst() const { return m_tabAcceptsFirst; }
    void setTabAcceptsFirst(bool accepts) { m_tabAcceptsFirst = accepts; }
    const QList<KVAutoCompletion>& completions() const { return m_completions; }
    void setCompletions(QList<KVAutoCompletion> completions) { m_completions = std::move(completions); }

private:
    bool m_selection = false;
    bool m_tabAcceptsFirst = false;
    QList<KVAutoCompletion> m_completions;
};
