#pragma once

#include "CodeTextView/KVAutoCompletionSet.h"
#include "platform/StringExtras.h"

#include <QObject>

// What the code text view asks of the completion engine. The code view holds one (the engine's
// bridge); requests arrive on the main thread.
class KVAutoCompleteDelegate {
public:
    virtual ~KVAutoCompleteDelegate() = default;

    virtual void complete(QObject* sender) = 0;
    // The partial word to complete at the cursor; not found when there is nothing to complete.
    virtual platform::TextRange rangeForUserCompletion() = 0;
    // `index` may be null and is not used.
    virtual KVAutoCompletionSet completionsForPartialWordRange(platform::TextRange range,
                                                               qsizetype* index) = 0;
    virtual void insertCompletion(const QString& word, platform::TextRange range,
                                  qsizetype movement, bool isFinal) = 0;
};
