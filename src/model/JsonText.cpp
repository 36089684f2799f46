#include "model/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHex(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One past the closing quote of the string whose opening quote is at i; -1 when it is not a
// string (unterminated, a \u without four hex digits). Raw control characters pass, as Qt's own
// reader lets them.
// Inlined: the index calls it for every key and string of a tree of megabytes.
[[gnu::always_inline]] inline qsizetype scanString(const char* s, qsizetype n, qsizetype i)
{
    ++i;
#if defined(__SSE2__)
    // Sixteen characters at a time up to the first quote or backslash: most strings of a tree
    // (its keys, types and locations) end within the first sixteen.
    while (i + 16 <= n) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const int stops = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')), _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'))));
        if (stops == 0) {
            i += 16;
            continue;
        }
        i += __builtin_ctz(unsigned(stops));
        if (s[i] == '"')
            return i + 1;
        break; // an escape: read below, one character at a time
    }
#endif
    for (; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"')
            return i + 1;
        if (c != '\\')
            continue;
        if (++i >= n)
            return -1;
        // Qt's reader takes any escaped character as itself; so does this check.
        if (s[i] == 'u') {
            if (i + 4 >= n || !isHex(s[i + 1]) || !isHex(s[i + 2]) || !isHex(s[i + 3]) || !isHex(s[i + 4]))
                return -1;
            i += 4;
        }
    }
    return -1;
}

// One past the number that starts at i, by the JSON grammar; -1 when there is none.
qsizetype scanNumber(const char* s, qsizetype n, qsizetype i)
{
    if (i < n && s[i] == '-')
        ++i;
    if (i >= n || !isDigit(s[i]))
        return -1;
    if (s[i] == '0')
        ++i;
    else
        while (i < n && isDigit(s[i]))
            ++i;
    if (i < n && s[i] == '.') {
        if (++i >= n || !isDigit(s[i]))
            return -1;
        while (i < n && isDigit(s[i]))
            ++i;
    }
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (i >= n || !isDigit(s[i]))
            return -1;
        while (i < n && isDigit(s[i]))
            ++i;
    }
    return i;
}

qsizetype scanWord(const char* s, qsizetype n, qsizetype i, const char* word)
{
    const qsizetype length = qsizetype(std::strlen(word));
    return i + length <= n && std::memcmp(s + i, word, size_t(length)) == 0 ? i + length : -1;
}

// The one value of a JSON list text, parsed: Qt reads only objects and lists at the top.
QJsonValue firstItem(QByteArrayView bytes)
{
    QByteArray list;
    list.reserve(bytes.size() + 2);
    list.append('[').append(bytes).append(']');
    const QJsonDocument document = QJsonDocument::fromJson(list);
    return document.isArray() && !document.array().isEmpty() ? document.array().first() : QJsonValue();
}

} // namespace

std::shared_ptr<const JsonText> JsonText::make(QByteArray utf8)
{
    std::shared_ptr<JsonText> text(new JsonText);
    text->m_text = std::move(utf8);
    if (!text->index())
        return nullptr;
    return text;
}

std::shared_ptr<const JsonText> JsonText::adopt(QByteArray utf8, Index index)
{
    std::shared_ptr<JsonText> text(new JsonText);
    text->m_text = std::move(utf8);
    text->m_root = {0, text->m_text.size()};
    text->m_opens = std::move(index.opens);
    text->m_closes = std::move(index.closes);
    return text;
}

qsizetype JsonText::stringEnd(QByteArrayView text, qsizetype quote)
{
    return scanString(text.data(), text.size(), quote);
}

JsonText::Ref JsonText::fromValue(const QJsonValue& value)
{
    if (value.isUndefined())
        return {};
    auto text = make(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
    if (!text)
        return {};
    Span first;
    text->forEachItem(text->root(), [&](Span item) {
        if (first.isEmpty())
            first = item;
    });
    return {text, first};
}

// Inlined: the index calls it before every token.
[[gnu::always_inline]] inline qsizetype JsonText::skipSpace(qsizetype i) const
{
    const char* s = m_text.constData();
    const qsizetype n = m_text.size();
    while (i < n && isSpace(s[i]))
        ++i;
    return i;
}

// One pass over the text with a stack of the open objects and lists: checks the grammar and
// notes where each object and list ends.
bool JsonText::index()
{
    const char* s = m_text.constData();
    const qsizetype n = m_text.size();
    struct Open {
        size_t slot;
        bool object;
    };
    std::vector<Open> open;
    enum class Expect { Value, ValueOrClose, KeyOrClose, Key, Colon, CommaOrClose };
    Expect expect = Expect::Value;
    qsizetype i = skipSpace(0);
    m_root.begin = i;
    for (;;) {
        i = skipSpace(i);
        if (i >= n)
            return false;
        const char c = s[i];
        if (expect == Expect::ValueOrClose || expect == Expect::KeyOrClose || expect == Expect::CommaOrClose) {
            if (!open.empty() && c == (open.back().object ? '}' : ']')) {
                m_closes[open.back().slot] = ++i;
                open.pop_back();
                expect = Expect::CommaOrClose;
                if (open.empty())
                    break;
                continue;
            }
            if (expect == Expect::CommaOrClose) {
                if (c != ',')
                    return false;
                ++i;
                expect = open.back().object ? Expect::Key : Expect::Value;
                continue;
            }
            expect = expect == Expect::ValueOrClose ? Expect::Value : Expect::Key;
        }
        if (expect == Expect::Key) {
            if (c != '"' || (i = scanString(s, n, i)) < 0)
                return false;
            expect = Expect::Colon;
            continue;
        }
        if (expect == Expect::Colon) {
            if (c != ':')
                return false;
            ++i;
            expect = Expect::Value;
            continue;
        }
        // A value.
        if (c == '{' || c == '[') {
            open.push_back({m_opens.size(), c == '{'});
            m_opens.push_back(i);
            m_closes.push_back(-1);
            ++i;
            expect = c == '{' ? Expect::KeyOrClose : Expect::ValueOrClose;
            continue;
        }
        if (c == '"')
            i = scanString(s, n, i);
        else if (c == 't')
            i = scanWord(s, n, i, "true");
        else if (c == 'f')
            i = scanWord(s, n, i, "false");
        else if (c == 'n')
            i = scanWord(s, n, i, "null");
        else
            i = scanNumber(s, n, i);
        if (i < 0)
            return false;
        expect = Expect::CommaOrClose;
        if (open.empty())
            break;
    }
    m_root.end = i;
    return skipSpace(i) == n;
}

qsizetype JsonText::endOf(qsizetype i) const
{
    const char* s = m_text.constData();
    const qsizetype n = m_text.size();
    switch (s[i]) {
    case '{':
    case '[': {
        const auto it = std::lower_bound(m_opens.begin(), m_opens.end(), i);
        // Every value start handed out is an indexed one; anything else reads as reaching the end.
        return it != m_opens.end() && *it == i ? m_closes[size_t(it - m_opens.begin())] : n;
    }
    case '"':
        return scanString(s, n, i);
    default:
        while (i < n && !isSpace(s[i]) && s[i] != ',' && s[i] != '}' && s[i] != ']')
            ++i;
        return i;
    }
}

void JsonText::forEachMember(Span object, const std::function<bool(const QString&, Span)>& visit) const
{
    if (!isObject(object))
        return;
    const char* s = m_text.constData();
    qsizetype i = skipSpace(object.begin + 1);
    while (s[i] == '"') {
        const Span name{i, endOf(i)};
        i = skipSpace(skipSpace(name.end) + 1); // past the colon
        const Span value{i, endOf(i)};
        if (!visit(string(name), value))
            return;
        i = skipSpace(value.end);
        if (s[i] != ',')
            return;
        i = skipSpace(i + 1);
    }
}

JsonText::Span JsonText::member(Span object, QStringView name) const
{
    Span found;
    forEachMember(object, [&](const QString& key, Span value) {
        if (key != name)
            return true;
        found = value;
        return false;
    });
    return found;
}

void JsonText::forEachItem(Span list, const std::function<void(Span)>& visit) const
{
    if (!isArray(list))
        return;
    const char* s = m_text.constData();
    qsizetype i = skipSpace(list.begin + 1);
    if (s[i] == ']')
        return;
    for (;;) {
        const Span item{i, endOf(i)};
        visit(item);
        i = skipSpace(item.end);
        if (s[i] != ',')
            return;
        i = skipSpace(i + 1);
    }
}

QJsonValue JsonText::value(Span span) const
{
    switch (kind(span)) {
    case '{':
        return QJsonDocument::fromJson(bytes(span).toByteArray()).object();
    case '[':
        return QJsonDocument::fromJson(bytes(span).toByteArray()).array();
    case '"':
        return string(span);
    case 't':
        return true;
    case 'f':
        return false;
    case 'n':
        return QJsonValue::Null;
    case '\0':
        return QJsonValue::Undefined;
    default:
        return firstItem(bytes(span));
    }
}

QString JsonText::string(Span span) const
{
    if (!isString(span) || span.end - span.begin < 2)
        return QString();
    const QByteArrayView inner = bytes({span.begin + 1, span.end - 1});
    if (inner.isEmpty())
        return QLatin1String("");
    if (!inner.contains('\\'))
        return QString::fromUtf8(inner);
    return firstItem(bytes(span)).toString();
}
