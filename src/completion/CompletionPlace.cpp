#include "completion/CompletionPlace.h"

#include "analysis/context/CodeScanner.h"

#include <QRegularExpression>

CompletionPlace completionPlaceAt(const CodeScanner& scanner, CodeContextType contextType)
{
    if (scanner.isComment() || scanner.afterNumber() || contextType == CodeContextType::BlockComment)
        return CompletionPlace::Nowhere;
    if (scanner.inString()) {
        static const QRegularExpression requireCall(QStringLiteral("\\brequire\\s*\\(?\\s*$"));
        return requireCall.match(scanner.textBeforeString()).hasMatch() ? CompletionPlace::ModulePath
                                                                        : CompletionPlace::Nowhere;
    }
    if (contextType == CodeContextType::LeadingDot)
        return CompletionPlace::Member;
    if (contextType == CodeContextType::LeadingNewOperator)
        return CompletionPlace::Constructor;
    return CompletionPlace::Code;
}

bool sourceOffersAt(CompletionSourceKind source, CompletionPlace place)
{
    switch (place) {
    case CompletionPlace::Nowhere:
        return false;
    case CompletionPlace::Code:
        return true;
    case CompletionPlace::Member:
    case CompletionPlace::Constructor:
        return source == CompletionSourceKind::Types;
    case CompletionPlace::ModulePath:
        return source == CompletionSourceKind::FileNames;
    }
    return false;
}
