#include "analysis/tokens/TokenMatcherLibrary.h"

#include "model/TextScanning.h"

#include <QChar>

namespace {

bool isAlphanumeric(char16_t unit)
{
    if (unit < 0x80)
        return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') || (unit >= u'0' && unit <= u'9')
            || unit == u'_' || unit == u'$';
    const QChar c(unit);
    return c.isLetterOrNumber() || c.isMark();
}

bool isNewline(char16_t unit)
{
    return textscan::isNewlineSetCharacter(unit);
}

TokenMatcher spaced(const TokenMatcher& mark)
{
    return (TMAnyWhitespace() + mark) + TMAnyWhitespace();
}

TokenMatcher whitespaceCharacter()
{
    return (TMNewline() | TMTab()) | TMSpace();
}

} // namespace

#define ZELVOR_TOKEN_MATCHER(name, definition)                                                   \
    const TokenMatcher& name()                                                                   \
    {                                                                                            \
        static const TokenMatcher matcher = definition;                                          \
        return matcher;                                                                          \
    }

const CharacterSet& csNewLine()
{
    static const CharacterSet set(&isNewline);
    return set;
}

const CharacterSet& csAlphanumeric()
{
    static const CharacterSet set(&isAlphanumeric);
    return set;
}

ZELVOR_TOKEN_MATCHER(TMStart, TokenMatcher([](QStringView, qint64 location, qint64, TokenMatcherDirection) {
    return location == -1 ? std::optional<TokenMatch>(TokenMatch{{Token{TokenType::Start, 0, QString()}}, 0})
                          : std::nullopt;
}))
ZELVOR_TOKEN_MATCHER(TMNewline, singleCharSetMatch(csNewLine(), TokenType::Newline))
ZELVOR_TOKEN_MATCHER(TMTab, singleCharacterMatch(u"\t", TokenType::Tab))
ZELVOR_TOKEN_MATCHER(TMSpace, singleCharacterMatch(u" ", TokenType::Space))
ZELVOR_TOKEN_MATCHER(TMComma, singleCharacterMatch(u",", TokenType::Comma))
ZELVOR_TOKEN_MATCHER(TMDot, singleCharacterMatch(u".", TokenType::Dot))
ZELVOR_TOKEN_MATCHER(TMColon, singleCharacterMatch(u":", TokenType::Colon))
ZELVOR_TOKEN_MATCHER(TMEquals, singleCharacterMatch(u"=", TokenType::Equals))
ZELVOR_TOKEN_MATCHER(TMParensOpen, singleCharacterMatch(u"(", TokenType::ParensOpen))
ZELVOR_TOKEN_MATCHER(TMCurlyOpen, singleCharacterMatch(u"{", TokenType::CurlyOpen))
ZELVOR_TOKEN_MATCHER(TMAlphaNumeric, singleCharSetMatch(csAlphanumeric(), TokenType::Alphanumeric))
ZELVOR_TOKEN_MATCHER(TMAlphaNumerics, flattenMatchers(TokenType::Alphanumerics, {oneOrMore(TMAlphaNumeric())}))
ZELVOR_TOKEN_MATCHER(TMNew, stringMatch(u"new"))
ZELVOR_TOKEN_MATCHER(TMWordBoundry,
                     (TMStart() + zeroOrMore(!TMAlphaNumeric())) | oneOrMore(!TMAlphaNumeric()))
ZELVOR_TOKEN_MATCHER(TMAnyTabsAndOrSpaces, zeroOrMore(TMTab() | TMSpace()))
ZELVOR_TOKEN_MATCHER(TMSomeWhitespace, oneOrMore(whitespaceCharacter()))
ZELVOR_TOKEN_MATCHER(TMAnyWhitespace, zeroOrMore(whitespaceCharacter()))
ZELVOR_TOKEN_MATCHER(TMSpacedDot, spaced(TMDot()))
ZELVOR_TOKEN_MATCHER(TMSpacedComma, spaced(TMComma()))
ZELVOR_TOKEN_MATCHER(TMSpacedColon, spaced(TMColon()))
ZELVOR_TOKEN_MATCHER(TMSpacedEquals, spaced(TMEquals()))
ZELVOR_TOKEN_MATCHER(TMSpacedParensOpen, spaced(TMParensOpen()))
ZELVOR_TOKEN_MATCHER(TMSpacedCurlyOpen, spaced(TMCurlyOpen()))
ZELVOR_TOKEN_MATCHER(TMSpacedParensAndCurlyOpen, TMSpacedParensOpen() + TMSpacedCurlyOpen())
ZELVOR_TOKEN_MATCHER(TMObjectKey, TMAlphaNumerics() + discard(TMAnyWhitespace() + TMColon()))
ZELVOR_TOKEN_MATCHER(TMObjectKeys,
                     ((discard(TMAnyWhitespace()) + zeroOrMore(TMObjectKey() + discard(TMSomeWhitespace())))
                      + TMObjectKey())
                         + discard(TMAnyWhitespace()))
ZELVOR_TOKEN_MATCHER(TMNewOperator, (TMWordBoundry() + TMNew()) + TMWordBoundry())

#undef ZELVOR_TOKEN_MATCHER

qint64 TMLineIndent(QStringView line)
{
    const auto indent = TMAnyTabsAndOrSpaces().match(line, line.size(), 0, TokenMatcherDirection::Forwards);
    return indent ? indent->consumed : 0;
}
