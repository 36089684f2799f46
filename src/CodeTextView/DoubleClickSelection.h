#pragma once

#include "CodeTextView/TextBuffer.h"

namespace typing {

struct DoubleClickSelection {
    platform::TextRange range;
    bool beep = false;
};

// What a double-click on the character at `c` selects: a bracket selects through its partner
// (nested pairs of the same kind counted), a bracket without partner selects itself (and
// beeps), and inside a dotted path such as layer.frame.width only the clicked name is taken
// from `word`, the word range the text system proposes.
DoubleClickSelection doubleClickSelection(const TextBuffer& buffer, qsizetype c,
                                          platform::TextRange word);

} // namespace typing
