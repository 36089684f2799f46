#pragma once

#include "analysis/tokens/CharacterSet.h"
#include "analysis/tokens/Token.h"

#include <QList>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>

enum class TokenMatcherDirection { Forwards, Backwards };

// A successful match: its tokens, always in text order (left to right) whichever way it read,
// and how many UTF-16 units it covered. No tokens and nothing consumed is a success too.
struct TokenMatch {
    QList<Token> tokens;
    qint64 consumed = 0;

    bool operator==(const TokenMatch&) const = default;
};

// A small pattern over the characters of a text, read forwards or backwards from one position.
// Matchers are immutable values that share their function, so patterns combine and copy them
// freely, and any thread may run them.
//
// Positions count UTF-16 units. Forwards, `location` is the first unit to read and a match of n
// covers location ..< location + n. Backwards, `location` is the last unit to read (the one just
// left of where reading starts) and a match of n covers location - n + 1 ... location; reading
// past the start of the text reaches -1. Only units 0 <= i < min(length, input size) are ever
// read: any other position simply does not match.
class TokenMatcher {
public:
    using Matches = std::function<std::optional<TokenMatch>(QStringView input, qint64 location, qint64 length,
                                                            TokenMatcherDirection direction)>;

    explicit TokenMatcher(Matches matches);

    // Note the order: length before location.
    std::optional<TokenMatch> match(QStringView input, qint64 length, qint64 location,
                                    TokenMatcherDirection direction) const
    {
        return (*m_matches)(input, location, length, direction);
    }
    std::optional<TokenMatch> matches(QStringView input, qint64 location, qint64 length,
                                      TokenMatcherDirection direction) const
    {
        return (*m_matches)(input, location, length, direction);
    }

private:
    std::shared_ptr<const Matches> m_matches;
};

// Primitives: one unit, whichever the direction.
// A unit of `set`: one token of `type`.
TokenMatcher singleCharSetMatch(const CharacterSet& set, TokenType type);
// The first unit of `string` (which must not be empty): one token of `type`.
TokenMatcher singleCharacterMatch(QStringView string, TokenType type);
// The units of `string` in a row (not empty): one Character token each.
TokenMatcher stringMatch(QStringView string);

// Combinators; operands are never changed.
// Sequence: `a` stands left of `b` in the text. Backwards `b` is read first. No backtracking.
TokenMatcher operator+(const TokenMatcher& a, const TokenMatcher& b);
// Alternative: the operand nearer the reading start is tried first (forwards `a`, backwards `b`).
TokenMatcher operator|(const TokenMatcher& a, const TokenMatcher& b);
// Negation: one unit at which `m` does not match; consumes it, yields no token.
TokenMatcher operator!(const TokenMatcher& m);
// `m`, or the empty match when it fails.
TokenMatcher maybe(const TokenMatcher& m);
// Greedy repetition that never gives characters back. A step that consumes nothing ends it, so
// no operand can make it run forever.
TokenMatcher repeatedlyMatch(const TokenMatcher& m, bool matchZeroEntries);
TokenMatcher oneOrMore(const TokenMatcher& m);  // repeatedlyMatch(m, false)
TokenMatcher zeroOrMore(const TokenMatcher& m); // repeatedlyMatch(m, true)
// `m` with its tokens dropped.
TokenMatcher discard(const TokenMatcher& m);
// The matchers in a row (left to right), reported as one token of `type` whose text joins
// theirs: placed where reading started (forwards the run's first unit, backwards its last).
// An empty list never matches.
TokenMatcher flattenMatchers(TokenType type, const QList<TokenMatcher>& matchers);
