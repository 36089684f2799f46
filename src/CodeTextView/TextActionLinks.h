#pragma once

#include "CodeTextView/ActionLink.h"
#include "platform/StringExtras.h"

#include <QList>
#include <QRegularExpression>

// Where the Control-key links of the code are: module names in require calls and paths into the
// project's "images" folder in string literals.
namespace textactions {

// Which capture group of a pattern is the link and which one its name.
struct MatchGroup {
    int link = 0;
    int name = 0;
};

struct FoundLink {
    platform::TextRange range; // the characters the link covers
    ActionLink link;
};

// The pattern of a link type (case-insensitive); an invalid one for other types.
const QRegularExpression& patternForType(int type);
QList<MatchGroup> matchGroupsForType(int type);
// The links of one type within `range` of `text`, in text order.
QList<FoundLink> findLinks(const QString& text, platform::TextRange range, int type);

} // namespace textactions
