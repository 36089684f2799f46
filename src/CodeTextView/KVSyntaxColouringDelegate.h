#pragma once

#include "platform/StringExtras.h"

class KVCodeTextView;

// Colours a range of a code text view; the code view decides which range after edits and
// scrolls.
class KVSyntaxColouringDelegate {
public:
    virtual ~KVSyntaxColouringDelegate() = default;
    virtual void recolourSyntaxForRange(KVCodeTextView* textView, platform::TextRange range) = 0;
};
