#pragma once

#include "analysis/tokens/TokenMatcher.h"

#include <QStringView>

// The fixed matchers with which CoffeeScript is read around the caret: single characters,
// identifier words, whitespace runs, the spaced punctuation that tells what stands before the
// word being typed, object keys, the operator new, and the indentation of a line. Each is made
// once, on first use, and shared for the life of the process. All but TMLineIndent are meant to
// be run backwards from the character just left of the word being typed.

// U+000A to U+000D, U+0085, U+2028 and U+2029.
const CharacterSet& csNewLine();
// Identifier characters: Unicode letters, marks and digits (by Qt's categories, one UTF-16 unit
// at a time), "_" and "$".
const CharacterSet& csAlphanumeric();

// Only one position before the text (-1): a Start token at 0 with no text, consuming nothing.
const TokenMatcher& TMStart();
const TokenMatcher& TMNewline();
const TokenMatcher& TMTab();
const TokenMatcher& TMSpace();
const TokenMatcher& TMComma();
const TokenMatcher& TMDot();
const TokenMatcher& TMColon();
const TokenMatcher& TMEquals();
const TokenMatcher& TMParensOpen();
const TokenMatcher& TMCurlyOpen();
const TokenMatcher& TMAlphaNumeric();
// A whole run of identifier characters as one Alphanumerics token.
const TokenMatcher& TMAlphaNumerics();
// The three letters of new, one Character token each.
const TokenMatcher& TMNew();
// Non-identifier characters, or else the start of the text.
const TokenMatcher& TMWordBoundry();
const TokenMatcher& TMAnyTabsAndOrSpaces();
const TokenMatcher& TMSomeWhitespace();
const TokenMatcher& TMAnyWhitespace();
// The punctuation mark with any whitespace (newlines included) on either side.
const TokenMatcher& TMSpacedDot();
const TokenMatcher& TMSpacedComma();
const TokenMatcher& TMSpacedColon();
const TokenMatcher& TMSpacedEquals();
const TokenMatcher& TMSpacedParensOpen();
const TokenMatcher& TMSpacedCurlyOpen();
// "(" then "{", with any whitespace around both.
const TokenMatcher& TMSpacedParensAndCurlyOpen();
// An identifier and its colon: one Alphanumerics token, the colon consumed without a token.
const TokenMatcher& TMObjectKey();
// Object keys separated by whitespace alone: one Alphanumerics token per key.
const TokenMatcher& TMObjectKeys();
// The word new standing alone, with the non-identifier characters on both sides of it.
const TokenMatcher& TMNewOperator();

// The leading tabs and spaces of a line, each counting 1.
qint64 TMLineIndent(QStringView line);
