#pragma once

#include "analysis/context/CodeContextType.h"

class CodeScanner;

// What kind of text the caret stands in, as far as completion cares, and which sources may
// offer words there. A wrong word in a number or a string changes the program without the user
// asking, so these places offer only what belongs to them.
enum class CompletionPlace {
    Nowhere,      // a comment, a number literal, a string that names nothing to complete
    Code,         // any other code: every source
    Member,       // after a dot: members only
    Constructor,  // after `new`: constructors only
    ModulePath,   // the string of a `require`: the project's module names only
};

// The sources by what they know: the program's types, the project's files, plain words.
enum class CompletionSourceKind { Types, FileNames, Words };

CompletionPlace completionPlaceAt(const CodeScanner& scanner, CodeContextType contextType);
bool sourceOffersAt(CompletionSourceKind source, CompletionPlace place);
