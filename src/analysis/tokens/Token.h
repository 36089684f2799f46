#pragma once

#include "analysis/tokens/TokenType.h"

#include <QString>

// One token of a match: its kind, the UTF-16 offset of its first character in the scanned text
// (a backwards flattened run is placed at its last character instead) and its characters.
struct Token {
    TokenType type = TokenType::Unknown;
    qint64 location = 0;
    QString text;

    bool operator==(const Token&) const = default;
};
