#include "analysis/tokens/TokenType.h"

#include <array>

QString tokenTypeName(TokenType type)
{
    static const std::array<const char*, 26> names = {
        "Unknown", "Start", "End", "Newline", "Tab", "Space", "Alphanumeric", "Newlines", "Tabs",
        "Spaces", "Alphanumerics", "Comma", "Dot", "Colon", "Equals", "DoubleQuote", "SingleQuote",
        "ParensOpen", "ParensClose", "BlockOpen", "BlockClose", "CurlyOpen", "CurlyClose",
        "Character", "New", "NewOperator"};
    const auto index = std::size_t(type);
    return index < names.size() ? QString::fromLatin1(names[index]) : QString();
}
