#include "analysis/tokens/TokenMatcher.h"

#include <array>
#include <vector>

namespace {

constexpr bool forwards(TokenMatcherDirection direction)
{
    return direction == TokenMatcherDirection::Forwards;
}

// Whether `location` may be read: inside both the given length and the text itself.
bool readable(QStringView input, qint64 location, qint64 length)
{
    return location >= 0 && location < length && location < input.size();
}

// The one-unit text of a token. Texts of ASCII units are made once and shared, so that a long run
// of blanks or letters costs no allocation per character.
QString unitText(char16_t unit)
{
    static const std::array<QString, 128> ascii = [] {
        std::array<QString, 128> texts;
        for (char16_t c = 0; c < 128; ++c)
            texts[c] = QString(QChar(c));
        return texts;
    }();
    return unit < 128 ? ascii[unit] : QString(QChar(unit));
}

// One unit for which the test holds, as a one-token match.
template <class Test>
TokenMatcher singleUnit(TokenType type, Test test)
{
    return TokenMatcher([type, test](QStringView input, qint64 location, qint64 length, TokenMatcherDirection)
                            -> std::optional<TokenMatch> {
        if (!readable(input, location, length))
            return std::nullopt;
        const char16_t unit = input[location].unicode();
        if (!test(unit))
            return std::nullopt;
        return TokenMatch{{Token{type, location, unitText(unit)}}, 1};
    });
}

} // namespace

TokenMatcher::TokenMatcher(Matches matches) : m_matches(std::make_shared<const Matches>(std::move(matches))) {}

TokenMatcher singleCharSetMatch(const CharacterSet& set, TokenType type)
{
    return singleUnit(type, [set](char16_t unit) { return set.contains(unit); });
}

TokenMatcher singleCharacterMatch(QStringView string, TokenType type)
{
    Q_ASSERT(!string.isEmpty());
    const char16_t wanted = string.isEmpty() ? u'\0' : string[0].unicode();
    const bool never = string.isEmpty();
    return singleUnit(type, [wanted, never](char16_t unit) { return !never && unit == wanted; });
}

TokenMatcher stringMatch(QStringView string)
{
    Q_ASSERT(!string.isEmpty());
    if (string.isEmpty())
        return flattenMatchers(TokenType::Character, {});
    TokenMatcher result = singleCharacterMatch(string.mid(0, 1), TokenType::Character);
    for (qsizetype i = 1; i < string.size(); ++i)
        result = result + singleCharacterMatch(string.mid(i, 1), TokenType::Character);
    return result;
}

TokenMatcher operator+(const TokenMatcher& a, const TokenMatcher& b)
{
    return TokenMatcher([a, b](QStringView input, qint64 location, qint64 length, TokenMatcherDirection direction)
                            -> std::optional<TokenMatch> {
        const TokenMatcher& first = forwards(direction) ? a : b;
        const TokenMatcher& second = forwards(direction) ? b : a;
        auto one = first.matches(input, location, length, direction);
        if (!one)
            return std::nullopt;
        const qint64 next = forwards(direction) ? location + one->consumed : location - one->consumed;
        auto two = second.matches(input, next, length, direction);
        if (!two)
            return std::nullopt;
        TokenMatch& left = forwards(direction) ? *one : *two;
        TokenMatch& right = forwards(direction) ? *two : *one;
        left.tokens.append(std::move(right.tokens));
        left.consumed += right.consumed;
        return std::move(left);
    });
}

TokenMatcher operator|(const TokenMatcher& a, const TokenMatcher& b)
{
    return TokenMatcher([a, b](QStringView input, qint64 location, qint64 length, TokenMatcherDirection direction) {
        const TokenMatcher& first = forwards(direction) ? a : b;
        const TokenMatcher& second = forwards(direction) ? b : a;
        if (auto result = first.matches(input, location, length, direction))
            return result;
        return second.matches(input, location, length, direction);
    });
}

TokenMatcher operator!(const TokenMatcher& m)
{
    return TokenMatcher([m](QStringView input, qint64 location, qint64 length, TokenMatcherDirection direction)
                            -> std::optional<TokenMatch> {
        if (!readable(input, location, length) || m.matches(input, location, length, direction))
            return std::nullopt;
        return TokenMatch{{}, 1};
    });
}

TokenMatcher maybe(const TokenMatcher& m)
{
    return TokenMatcher([m](QStringView input, qint64 location, qint64 length, TokenMatcherDirection direction) {
        auto result = m.matches(input, location, length, direction);
        return result ? result : std::optional<TokenMatch>(TokenMatch{});
    });
}

TokenMatcher repeatedlyMatch(const TokenMatcher& m, bool matchZeroEntries)
{
    return TokenMatcher([m, matchZeroEntries](QStringView input, qint64 location, qint64 length,
                                              TokenMatcherDirection direction) -> std::optional<TokenMatch> {
        const qint64 end = std::min<qint64>(length, input.size());
        TokenMatch total;
        // Backwards the steps arrive right to left; they are put in text order once at the end,
        // so that a long run costs no more than its length.
        std::vector<QList<Token>> stepsRightToLeft;
        while (location >= 0 && location < end) {
            auto step = m.matches(input, location, length, direction);
            if (!step || step->consumed <= 0)
                break;
            total.consumed += step->consumed;
            if (forwards(direction)) {
                location += step->consumed;
                total.tokens.append(std::move(step->tokens));
            } else {
                location -= step->consumed;
                if (!step->tokens.isEmpty())
                    stepsRightToLeft.push_back(std::move(step->tokens));
            }
        }
        for (auto step = stepsRightToLeft.rbegin(); step != stepsRightToLeft.rend(); ++step)
            total.tokens.append(std::move(*step));
        if (total.consumed > 0 || matchZeroEntries)
            return total;
        return std::nullopt;
    });
}

TokenMatcher oneOrMore(const TokenMatcher& m)
{
    return repeatedlyMatch(m, false);
}

TokenMatcher zeroOrMore(const TokenMatcher& m)
{
    return repeatedlyMatch(m, true);
}

TokenMatcher discard(const TokenMatcher& m)
{
    return TokenMatcher([m](QStringView input, qint64 location, qint64 length, TokenMatcherDirection direction)
                            -> std::optional<TokenMatch> {
        auto result = m.matches(input, location, length, direction);
        if (!result)
            return std::nullopt;
        return TokenMatch{{}, result->consumed};
    });
}

TokenMatcher flattenMatchers(TokenType type, const QList<TokenMatcher>& matchers)
{
    if (matchers.isEmpty())
        return TokenMatcher([](QStringView, qint64, qint64, TokenMatcherDirection) { return std::optional<TokenMatch>(); });
    TokenMatcher run = matchers.first();
    for (qsizetype i = 1; i < matchers.size(); ++i)
        run = run + matchers[i];
    return TokenMatcher([run, type](QStringView input, qint64 location, qint64 length, TokenMatcherDirection direction)
                            -> std::optional<TokenMatch> {
        auto result = run.matches(input, location, length, direction);
        if (!result)
            return std::nullopt;
        QString text;
        for (const Token& token : result->tokens)
            text += token.text;
        return TokenMatch{{Token{type, location, text}}, result->consumed};
    });
}
