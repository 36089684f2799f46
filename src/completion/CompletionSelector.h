#pragma once

#include "completion/Completion.h"

// Decides whether a candidate fits the typed text; may note how it fits on the candidate.
class CompletionSelector {
public:
    virtual ~CompletionSelector() = default;
    virtual bool matchEntry(const QString& entry, Completion& completion) const = 0;
};
