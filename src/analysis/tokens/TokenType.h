#pragma once

#include <QString>

// The kinds of token the backward scan before the caret reports. Several kinds are produced by
// no matcher of the library; they keep their ordinals all the same.
enum class TokenType {
    Unknown,
    Start,
    End,
    Newline,
    Tab,
    Space,
    Alphanumeric,
    Newlines,
    Tabs,
    Spaces,
    Alphanumerics,
    Comma,
    Dot,
    Colon,
    Equals,
    DoubleQuote,
    SingleQuote,
    ParensOpen,
    ParensClose,
    BlockOpen,
    BlockClose,
    CurlyOpen,
    CurlyClose,
    Character,
    New,
    NewOperator,
};

// The case's name as written above ("Alphanumerics"); for messages and test fixtures.
QString tokenTypeName(TokenType type);
