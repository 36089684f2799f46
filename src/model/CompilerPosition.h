#pragma once

#include "model/Location.h"

class CodeLines;

// The compiler reads the program as written but breaks its lines only at LF, after dropping a
// leading byte-order mark and every CR, while the editor also breaks them at CR, CR LF, U+0085,
// U+2028 and U+2029. This turns a position on the compiler's lines (line and column from 0, the
// column counting the characters the compiler kept) into the same character's position on the
// editor's lines of `lines`. Negative positions (unknown) are answered unchanged; positions past
// a line's or the text's end are clamped to it.
LocationPtr editorLocationOfCompilerPosition(CodeLines& lines, qint64 line, qint64 column);
