#pragma once

#include "completion/Completion.h"
#include "completion/CompletionPlace.h"

#include <QList>

class CodeContext;
class CodeScanner;
class ImportedLayers;

// One supplier of completion candidates. The context is shared with the provider and with the
// sources asked after this one: a source may set its expected type, whether an empty entry is
// allowed, and whether the entry matched a candidate in full. Candidates come in any order;
// the provider filters, drops later duplicates and ranks. Main thread only.
class CompletionSource {
public:
    virtual ~CompletionSource() = default;
    // What the source knows, which decides where the provider asks it (sourceOffersAt).
    virtual CompletionSourceKind kind() const { return CompletionSourceKind::Words; }
    virtual QList<Completion> getCompletions(CodeContext& context, const CodeScanner& scanner,
                                             const ImportedLayers& importedLayers) = 0;
};
